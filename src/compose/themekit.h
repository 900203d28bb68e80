#pragma once

#include "catalogue/themetemplateinfo.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class CAppSettings;
class CFlyerData;
class CXThemeCatalogue;

// The theme kit: what an agent or a designer needs to make a theme of their own from an existing
// one and to check it before using it. Themes of one's own live in the per-user themes folder,
// with a "Themes.ini" of the same form as the installed one.
namespace ThemeKit {

// Every token the merge fills, in its order, each with a sample of what it becomes.
struct TokenInfo
{
    QString token; // "$_listingPrice$"
    QString example;
};
const QList<TokenInfo>& KnownTokens();

// A folder name for a theme: its name without blanks and without characters file names avoid,
// so words such as "Sidebar" still reach the template path.
QString FolderNameFor(const QString& themeName);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, like the installed themes' ids.
QString NewThemeId();
// Why a text cannot name a theme (empty when it can): a section name of "Themes.ini" holds no
// brackets or line breaks, and "QIM" is what the catalogue reads for a missing entry.
QString ThemeNameProblem(const QString& name);

// "Themes.ini" with one more theme: the [Themes] section gets the next THEMEnn key and a Count
// that covers it, the theme's own section is added at the end; everything else stays as it was.
// An empty input gives a new file.
QByteArray AddThemeToIni(const QByteArray& existing, const QString& section,
                         const QList<QPair<QString, QString>>& values);

// Copies the theme `from` (a catalogue name) into userThemesFolder as `name` with a new id and
// today's date: its template's folder with everything in it, and its catalogue entry. False with
// a one-line reason when the name is taken by another theme of the user's, the source is unknown
// or a file cannot be written.
bool CreateTheme(const CXThemeCatalogue& catalogue, const QString& userThemesFolder, const QString& name,
                 const QString& from, CXThemeTemplateInfo* made, QString* error);

// Problems of a catalogue entry as "Themes.ini" holds it (section of that file in themesFolder):
// missing or malformed fields, a name that differs from its section, a template that cannot be read.
QStringList CheckCatalogueEntry(const QString& themesFolder, const QString& section);

// Problems of a template's text: unknown or unfinished tokens, scripts, remote addresses, photo
// tokens that do not match the photo count. The photo tokens of a two-sided theme's other page
// (otherPage) count with the text's own: the two pages show the photos together.
QStringList CheckTemplateText(const QString& text, int photos, const QString& otherPage = QString());
// The same without the photo count, for a page whose photos are counted with another's.
QStringList CheckPageText(const QString& text);
// The sidebar caption picture is drawn only for a theme whose name holds "Sidebar", and on its
// cover only when the template's path holds it too: a template that shows the picture says so.
QStringList CheckSidebarUse(const QString& text, const QString& themeName, const QString& templatePath);
// Scripts and remote addresses in a style sheet the template uses.
QStringList CheckStyleSheetText(const QString& css, const QString& fileName);
// The families each font-family declaration names first, with the theme's typeface in place of the
// font token, in order and without repeats; generic families are left out. Families the template
// brings itself with @font-face are left out too.
QStringList FirstFontFamilies(const QString& text, const QString& typeface);

// The long texts a theme must hold without spilling off the page.
void FillLongSampleProject(CFlyerData& flyer, const QString& photoFolder);
void FillLongSampleProfile(CAppSettings& settings);

// Page overflow, from two renders of the same page with page backgrounds removed (see
// OverflowProbeCss): `page` at the page's size and `wide` at twice its width and height. Empty
// when nothing shows outside the page; otherwise how far it reaches.
struct OverflowResult
{
    bool layoutFollowsWindow = false; // the page lays itself out to the window: no verdict
    int right = 0;                    // rightmost column with something drawn, past the page width
    int bottom = 0;                   // lowest row with something drawn, past the page height
    bool Overflows() const { return right > 0 || bottom > 0; }
};
OverflowResult FindOverflow(const QImage& page, const QImage& wide);
// Appended to a page for the overflow renders: no background, so only content shows beyond the page.
QString OverflowProbeCss();

} // namespace ThemeKit
