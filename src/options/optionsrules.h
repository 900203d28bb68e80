#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class CXThemeCatalogue;

// The rules of the options pages that need no window: the profile picture checks and their messages,
// how the drop-down lists are filled and matched, and where the sheet's buttons go.

// The agent's portrait and business logo, kept in the working folder and fitted into a square box.
inline constexpr char kMyPictureFileName[] = "MyPicture.jpg";
inline constexpr int kMyPictureBox = 256;
inline constexpr char kLogoFileName[] = "Logo.jpg";
inline constexpr int kLogoBox = 200;

// Both image choosers offer these (Qt filter text).
QString ProfileImageFileFilter();

// A chosen portrait must exceed 120 x 180 pixels and stand upright. Returns an empty text when it is
// accepted, else the message that tells the user why not. `infoOk` is false when the file could not be
// examined at all.
QString CheckMyPicture(const QString& path, bool infoOk, int width, int height, int orientation);
// A chosen logo must exceed 200 x 100 pixels, in any orientation.
QString CheckBusinessLogo(const QString& path, bool infoOk, int width, int height);

// Drop-down lists match without regard to case, as the user reads them.
// The first entry equal to text, or -1.
int FindExactEntry(const QStringList& entries, const QString& text);
// The first entry that begins with text, or -1.
int FindPrefixEntry(const QStringList& entries, const QString& text);

// The theme names of the catalogue in its order, each once.
QStringList ThemeComboEntries(const CXThemeCatalogue& catalogue);

// Offered in this order when the default font is not in the list.
const QStringList& DefaultFontFallbacks();
// The default font as the font list can show it: unchanged when listed, else the first fallback that is
// listed (in its listed spelling), else unchanged.
QString ChooseDefaultFont(const QStringList& entries, const QString& font);

// The sheet's bottom row, placed from the right in the Cancel button's size and height: Help 6 pixels
// inside the client area, Cancel and Save each 6 pixels left of the one before.
struct SheetButtonRow
{
    QRect save;
    QRect cancel;
    QRect help;
};
SheetButtonRow LayoutSheetButtons(int clientWidth, const QRect& cancel);
