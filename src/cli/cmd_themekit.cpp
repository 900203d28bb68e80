#include "settings/workingfolders.h"
#include "catalogue/fontcatalogue.h"
#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "compose/themekit.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "flyer/flyerrequest.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// One theme to check: the folder whose "Themes.ini" describes it and its section there.
struct ThemeEntry
{
    QString themesFolder;
    QString section;
};

int RunThemeNew(const QStringList& args)
{
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, {QStringLiteral("from")}, {}, options, error))
        return Cli::Usage(error);
    if (options.positional.size() != 1)
        return Cli::Usage(QStringLiteral("theme-new takes one theme name"));
    if (!options.Has(QStringLiteral("from")))
        return Cli::Usage(QStringLiteral("theme-new needs --from THEME"));
    if (options.All(QStringLiteral("from")).size() > 1)
        return Cli::Usage(QStringLiteral("--from given more than once"));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
    CXThemeTemplateInfo made;
    if (!ThemeKit::CreateTheme(catalogue, WorkingFolders::UserThemesFolder(), options.positional.first(),
                               options.Value(QStringLiteral("from")), &made, &error))
        return Cli::Fail(error);
    // Where to edit it.
    Cli::PrintText(QDir::toNativeSeparators(made.GetTemplate()));
    return Cli::Done;
}

// The sections a "Themes.ini" lists, as the catalogue reads them.
QStringList ListedSections(const QString& themesFolder)
{
    CXIniFile ini;
    ini.Load(ThemeInfo::IniPath(themesFolder));
    const qint64 count = ProfileStringToInt64(ini.GetString(u"Themes", u"Count", QStringLiteral("QIM")));
    QStringList sections;
    for (qint64 n = 1; n <= count && n <= 9999; ++n) {
        const QString section =
            ini.GetString(u"Themes", QStringLiteral("THEME%1").arg(n, 2, 10, QLatin1Char('0')), QStringLiteral("QIM"));
        if (CompareThemeNames(section, u"QIM") != 0 && !sections.contains(section))
            sections.append(section);
    }
    return sections;
}

// NAME is a theme of the catalogue; FOLDER is a themes folder (with its "Themes.ini") or the folder
// of one theme inside one.
int ResolveEntries(const QString& target, const CAppSettings& settings, QList<ThemeEntry>& entries)
{
    const QFileInfo info(target);
    if (info.isDir()) {
        const QString folder = info.absoluteFilePath();
        if (QFileInfo::exists(ThemeInfo::IniPath(folder))) {
            for (const QString& section : ListedSections(folder))
                entries.append({folder, section});
            if (entries.isEmpty())
                return Cli::Fail(
                    QStringLiteral("%1 lists no themes").arg(QDir::toNativeSeparators(ThemeInfo::IniPath(folder))));
            return Cli::Done;
        }
        const QString parent = info.absoluteDir().absolutePath();
        const QString inside = QDir::cleanPath(folder) + QLatin1Char('/');
        for (const QString& section : ListedSections(parent)) {
            const CXThemeTemplateInfo theme(parent, section);
            if (QDir::cleanPath(theme.GetTemplate()).startsWith(inside))
                entries.append({parent, section});
        }
        if (entries.isEmpty())
            return Cli::Fail(QStringLiteral("no Themes.ini lists a theme in %1").arg(QDir::toNativeSeparators(folder)));
        return Cli::Done;
    }
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
    qsizetype index = 0;
    if (!catalogue.FindTheme(target, index))
        return Cli::Fail(QStringLiteral("there is no theme named \"%1\" and no folder of that name").arg(target));
    const QString name = catalogue.at(index).GetName();
    entries.append({ThemesFolderOf(name, settings.Path2Themes, WorkingFolders::UserThemesFolder()), name});
    return Cli::Done;
}

// The long sample listing in the theme's own look, rendered at the page's size and in a window
// twice as large: whatever shows beyond the page in the second spills over it.
QStringList CheckOverflow(const CXThemeTemplateInfo& theme, const QString& templatePath, const QString& templateText,
                          const CAppSettings& settings, CXHTML2Image& renderer)
{
    CFlyerData flyer;
    ThemeKit::FillLongSampleProject(flyer, settings.Path2SampleData);
    CAppSettings profile = settings;
    ThemeKit::FillLongSampleProfile(profile);
    FlyerRequest request;
    request.look = FlyerLook{theme.GetName(), templatePath, theme.GetTypeface(), theme.GetColor()};
    request.record = flyer;
    request.pageSize = theme.GetPageSize();
    const int pageWidth = request.pageSize.width();
    const int pageHeight = request.pageSize.height();
    const CFlyerPage page = ComposeFlyerPage(templateText, request, profile);
    const QString probed = page.page + ThemeKit::OverflowProbeCss();
    QImage atPage;
    QImage wide;
    QString error;
    const bool rendered = renderer.Render(probed, pageWidth, pageHeight, atPage, &error) &&
                          renderer.Render(probed, 2 * pageWidth, 2 * pageHeight, wide, &error);
    if (!page.sidebarImage.isEmpty())
        QFile::remove(page.sidebarImage);
    if (!rendered)
        return {QStringLiteral("cannot be rendered: %1").arg(error)};
    const ThemeKit::OverflowResult overflow = ThemeKit::FindOverflow(atPage, wide);
    if (!overflow.Overflows())
        return {};
    QStringList where;
    if (overflow.right > 0)
        where.append(QStringLiteral("%1 pixels to the right").arg(overflow.right - pageWidth));
    if (overflow.bottom > 0)
        where.append(QStringLiteral("%1 pixels below").arg(overflow.bottom - pageHeight));
    return {QStringLiteral("with the long sample texts the flyer spills over the %1 x %2 page (%3)")
                .arg(pageWidth)
                .arg(pageHeight)
                .arg(where.join(QStringLiteral(" and ")))};
}

QStringList CheckTheme(const ThemeEntry& entry, const CXThemeCatalogue& catalogue, const CAppSettings& settings,
                       const CXFontCatalogue& fonts, CXHTML2Image& renderer)
{
    QStringList problems = ThemeKit::CheckCatalogueEntry(entry.themesFolder, entry.section);
    const CXThemeTemplateInfo theme(entry.themesFolder, entry.section);

    // Covers are named by id: two themes with one id would show one cover.
    for (const CXThemeTemplateInfo& other : catalogue.Themes())
        if (CompareThemeNames(other.GetName(), theme.GetName()) != 0 &&
            other.GetThemeId().compare(theme.GetThemeId(), Qt::CaseInsensitive) == 0)
            problems.append(QStringLiteral("Id %1 is also the id of \"%2\" (the two would share one cover)")
                                .arg(theme.GetThemeId(), other.GetName()));

    QString text;
    if (!QFileInfo(theme.GetTemplate()).isFile() || !LoadTemplate(theme.GetTemplate(), text))
        return problems; // the entry check has named the template
    // A back page that cannot be read is named by the entry check; its text is checked below.
    QString back;
    const bool hasBack = !theme.GetBackTemplate().isEmpty() && QFileInfo(theme.GetBackTemplate()).isFile() &&
                         LoadTemplate(theme.GetBackTemplate(), back);
    problems += ThemeKit::CheckTemplateText(text, theme.GetPhotos(), back);
    problems += ThemeKit::CheckSidebarUse(text, theme.GetName(), theme.GetTemplate());

    // Style sheets beside the template, when the template has a folder of its own.
    const QDir templateDir = QFileInfo(theme.GetTemplate()).absoluteDir();
    if (!QFileInfo::exists(templateDir.filePath(QStringLiteral("Themes.ini")))) {
        QDirIterator it(templateDir.absolutePath(), {QStringLiteral("*.css")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                problems += ThemeKit::CheckStyleSheetText(QString::fromUtf8(file.readAll()),
                                                          templateDir.relativeFilePath(path));
        }
    }

    for (const QString& family : ThemeKit::FirstFontFamilies(text, theme.GetTypeface()))
        if (!fonts.IsInstalled(family))
            problems.append(
                QStringLiteral("the font \"%1\" is not installed (another face would be drawn)").arg(family));

    problems += CheckOverflow(theme, theme.GetTemplate(), text, settings, renderer);
    if (!hasBack)
        return problems;

    // The back is printed and posted as the front is: the same checks, under its own name.
    QStringList backProblems = ThemeKit::CheckPageText(back);
    for (const QString& family : ThemeKit::FirstFontFamilies(back, theme.GetTypeface()))
        if (!fonts.IsInstalled(family))
            backProblems.append(
                QStringLiteral("the font \"%1\" is not installed (another face would be drawn)").arg(family));
    backProblems += CheckOverflow(theme, theme.GetBackTemplate(), back, settings, renderer);
    for (const QString& problem : std::as_const(backProblems))
        problems.append(QStringLiteral("back page: ") + problem);
    return problems;
}

int RunThemeCheck(const QStringList& args)
{
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, {}, {}, options, error))
        return Cli::Usage(error);
    if (options.positional.size() != 1)
        return Cli::Usage(QStringLiteral("theme-check takes one theme name or folder"));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    QList<ThemeEntry> entries;
    if (const int rc = ResolveEntries(options.positional.first(), settings, entries); rc != Cli::Done)
        return rc;

    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
    CXFontCatalogue fonts;
    fonts.BuildKnownFonts();
    fonts.InitInstalledFonts();
    CXHTML2Image renderer;

    int problems = 0;
    for (const ThemeEntry& entry : std::as_const(entries)) {
        for (const QString& problem : CheckTheme(entry, catalogue, settings, fonts, renderer)) {
            Cli::PrintText(entry.section + QStringLiteral(": ") + problem);
            ++problems;
        }
    }
    return problems == 0 ? Cli::Done : Cli::Failed;
}

Cli::Registrar regNew("theme-new", "theme-new NAME --from THEME", &RunThemeNew);
Cli::Registrar regCheck("theme-check", "theme-check NAME|FOLDER", &RunThemeCheck);

} // namespace
