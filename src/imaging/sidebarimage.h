#pragma once

#include <QFont>
#include <QSize>
#include <QString>

#include <optional>

// The caption picture of sidebar themes and the caption padding of the template merge. Both depend
// on how a family measures; tests pin that through CaptionFontMetrics.

class CaptionFontMetrics
{
public:
    virtual ~CaptionFontMetrics() = default;
    // Width and height of text on one line in the bold face of family, characters pixelSize high.
    virtual QSize BoldTextExtent(const QString& text, const QString& family, int pixelSize) const = 0;
    // Internal leading plus descent of family when its whole cell is cellHeight pixels high.
    virtual int LeadingPlusDescent(const QString& family, int cellHeight) const = 0;
};

// The installed fonts, as Qt and fontconfig resolve them. The padding measure uses the face's
// Windows metrics (OS/2 usWinAscent and usWinDescent, else hhea), as the caption formula means them.
const CaptionFontMetrics& SystemCaptionFontMetrics();

// A face's vertical metrics in font units.
struct WinMetrics
{
    int unitsPerEm = 0;
    int ascent = 0;  // usWinAscent, or the hhea ascender
    int descent = 0; // usWinDescent, or minus the hhea descender
};
// The Windows metrics of the face fontconfig draws family with in its regular style; none for faces
// without them (Type 1).
std::optional<WinMetrics> ReadWinMetrics(const QString& family);
// Internal leading plus descent of a font made cellHeight pixels high from those metrics, each value
// rounded to whole pixels.
int WinLeadingPlusDescent(const WinMetrics& metrics, int cellHeight);

inline constexpr int kSidebarWidth = 1050; // before the quarter turn
inline constexpr int kSidebarHeight = 170;

// The largest pixel size from 120 down whose bold text fits 912 x 169 pixels, minus one; never
// below 1, so a text that fits at no size still ends.
int FitCaptionFontSize(const QString& text, const QString& family,
                       const CaptionFontMetrics& metrics = SystemCaptionFontMetrics());

// Padding for leading-plus-descent s at an 88-pixel cell: 10 below 22, else s / 2, at most 18.
int CaptionTopPaddingFor(int s);
// CaptionTopPaddingFor of the family's metrics, as CSS pixels ("12px").
QString GetCaptionTopPadding(const QString& family, const CaptionFontMetrics& metrics = SystemCaptionFontMetrics());

// The face the caption is drawn in: bold if the family has one, else regular, else bold italic, else
// italic.
QFont CaptionFont(const QString& family, int pixelSize);

// Draws text in white (outlined: white with a 2-pixel black outline) on a transparent 1050 x 170
// picture, turns it a quarter to the left so the text runs upwards (170 x 1050), and saves it as
// PNG under MakeTempPhotoName(tempFolder). Returns that path; error receives the reason when the
// file could not be written.
QString CreateSidebarImage(const QString& text, bool outlined, const QString& family, const QString& tempFolder,
                           QString* error = nullptr, const CaptionFontMetrics& metrics = SystemCaptionFontMetrics());
