#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/render/xhtml2image.h"
#include "compose/themecover.h"
#include "settings/appsettings.h"

#include <QDir>

namespace {

int Run(const QStringList& args)
{
    if (!args.isEmpty())
        return Cli::Usage(QStringLiteral("covers takes no argument %1").arg(args.first()));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    CXThemeCatalogue catalogue;
    if (!catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder()))
        return Cli::Fail(QStringLiteral("cannot read the theme catalogue %1")
                             .arg(QDir::toNativeSeparators(ThemeInfo::IniPath(settings.Path2Themes))));

    CXHTML2Image renderer;
    const QString largeFolder = DeveloperCoverFolder();
    int made = 0;
    QStringList failures;
    for (const CXThemeTemplateInfo& theme : catalogue.Themes()) {
        QString error;
        // A theme whose template cannot be read gets no cover, as in the program.
        const CoverResult result = CreateThemeCover(theme, settings, renderer, &error);
        if (result == CoverResult::Made)
            ++made;
        else if (result == CoverResult::RenderFailed || result == CoverResult::SaveFailed)
            failures.append(error);
        if (!largeFolder.isEmpty()) {
            error.clear();
            const CoverResult large = CreateLargeThemeCover(theme, largeFolder, settings, renderer, &error);
            if (large == CoverResult::RenderFailed || large == CoverResult::SaveFailed)
                failures.append(error);
        }
    }
    Cli::PrintText(QString::number(made));
    if (!failures.isEmpty())
        return Cli::Fail(failures.join(QLatin1String("; ")));
    return Cli::Done;
}

Cli::Registrar reg("covers", "covers", &Run);

} // namespace
