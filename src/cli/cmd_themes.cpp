#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themefilter.h"
#include "catalogue/themetemplateinfo.h"
#include "cli/clicommand.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject ThemeToJson(const CXThemeTemplateInfo& info)
{
    return QJsonObject{
        {QStringLiteral("name"), info.GetName()},
        {QStringLiteral("template"), QDir::toNativeSeparators(info.GetTemplate())},
        {QStringLiteral("cover"), info.GetCover()},
        {QStringLiteral("typeface"), info.GetTypeface()},
        {QStringLiteral("color"), static_cast<qint64>(info.GetColor())},
        {QStringLiteral("photos"), info.GetPhotos()},
        {QStringLiteral("width"), info.GetWidth()},
        {QStringLiteral("height"), info.GetHeight()},
        {QStringLiteral("id"), info.GetThemeId()},
        {QStringLiteral("version"), info.GetVersion()},
        {QStringLiteral("created"), info.GetCreated()},
        {QStringLiteral("orientation"), info.GetOrientation()},
        {QStringLiteral("format"), PageFormatName(info.GetPageSize())},
        {QStringLiteral("family"), info.GetFamily()},
        {QStringLiteral("pages"), info.GetPageCount()},
    };
}

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, {QStringLiteral("photos"), QStringLiteral("format")}, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("themes takes no argument %1").arg(options.positional.first()));
    if (options.All(QStringLiteral("photos")).size() > 1)
        return Cli::Usage(QStringLiteral("--photos given more than once"));
    if (options.All(QStringLiteral("format")).size() > 1)
        return Cli::Usage(QStringLiteral("--format given more than once"));
    const QString format = options.Value(QStringLiteral("format"));
    if (options.Has(QStringLiteral("format")) && !PageFormatNames().contains(format))
        return Cli::Usage(QStringLiteral("--format takes one of %1, not \"%2\"")
                              .arg(PageFormatNames().join(QStringLiteral(", ")), format));

    int filter = 0;
    if (options.Has(QStringLiteral("photos"))) {
        bool ok = false;
        filter = options.Value(QStringLiteral("photos")).toInt(&ok);
        if (!ok)
            return Cli::Usage(QStringLiteral("--photos needs a whole number, not \"%1\"")
                                  .arg(options.Value(QStringLiteral("photos"))));
    }

    const WorkingFolders::Paths paths = WorkingFolders::Resolve();
    const QString themesFolder = paths.Path2Themes;
    CXThemeCatalogue catalogue;
    if (!catalogue.LoadAvailableThemes(themesFolder, WorkingFolders::UserThemesFolder()))
        return Cli::Fail(QStringLiteral("cannot read the theme catalogue %1")
                             .arg(QDir::toNativeSeparators(ThemeInfo::IniPath(themesFolder))));

    QJsonArray themes;
    for (const qsizetype index : FilterThemes(catalogue, filter)) {
        if (!format.isEmpty() && PageFormatName(catalogue.at(index).GetPageSize()) != format)
            continue;
        themes.append(ThemeToJson(catalogue.at(index)));
    }
    Cli::PrintJson(themes);
    return Cli::Done;
}

Cli::Registrar reg("themes", "themes [--photos N] [--format F]", &Run);

} // namespace
