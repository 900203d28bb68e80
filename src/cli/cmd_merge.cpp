#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/templatemerge.h"
#include "compose/themecover.h"
#include "settings/appsettings.h"

#include <QDir>

#include <cstdio>

namespace {

void WriteRaw(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, Cli::FlyerSelectorOptions(), {QStringLiteral("cover")}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("merge takes no argument %1").arg(options.positional.first()));
    const bool cover = options.Has(QStringLiteral("cover"));
    if (cover) {
        for (const char* name : {"template", "font", "color"}) {
            if (options.Has(QLatin1String(name)))
                return Cli::Usage(
                    QStringLiteral("--cover shows the theme's own look; --%1 does not apply").arg(QLatin1String(name)));
        }
    }

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    Cli::FlyerSelection selection;
    if (const int rc = Cli::SelectFlyer(options, settings, selection); rc != Cli::Done)
        return rc;

    // The page goes out as the renderer would receive it; a sidebar picture it refers to stays in
    // the temporary folder, which the program clears when it exits.
    if (cover) {
        CCoverJob job;
        if (MergeThemeCover(*selection.theme, settings, job) != CoverResult::Ready)
            return Cli::Fail(QStringLiteral("cannot read the template %1")
                                 .arg(QDir::toNativeSeparators(selection.request.look.templatePath)));
        WriteRaw(job.page);
        return Cli::Done;
    }

    CFlyerPage page;
    if (const int rc = Cli::ComposeSelectedFlyer(selection, settings, page); rc != Cli::Done)
        return rc;
    WriteRaw(page.page);
    return Cli::Done;
}

Cli::Registrar reg("merge",
                   "merge (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] "
                   "[--color #RRGGBB] [--cover]",
                   &Run);

} // namespace
