#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/flyerexport.h"
#include "settings/appsettings.h"

#include <QFile>
#include <QImage>

namespace {

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    QStringList valueOptions = Cli::FlyerSelectorOptions();
    valueOptions.append(QStringLiteral("out"));
    if (!Cli::ParseOptions(args, valueOptions, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("export takes no argument %1").arg(options.positional.first()));
    if (options.All(QStringLiteral("out")).size() != 1 || options.Value(QStringLiteral("out")).isEmpty())
        return Cli::Usage(QStringLiteral("export needs one --out FILE"));
    const QString out = options.Value(QStringLiteral("out"));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    Cli::FlyerSelection selection;
    if (const int rc = Cli::SelectFlyer(options, settings, selection); rc != Cli::Done)
        return rc;

    // Start the engine while the page is being merged.
    CXHTML2Image renderer;
    renderer.WarmUp();

    CFlyerPage page;
    if (const int rc = Cli::ComposeSelectedFlyer(selection, settings, page); rc != Cli::Done)
        return rc;
    QImage flyer;
    const bool rendered = renderer.Render(page.page, 816, 1056, flyer, &error);
    if (!page.sidebarImage.isEmpty())
        QFile::remove(page.sidebarImage);
    if (!rendered)
        return Cli::Fail(QStringLiteral("cannot render the flyer: %1").arg(error));

    bool exported = false;
    {
        const Cli::CXQuietStdout quiet;
        exported = ExportFlyerFile(settings, selection.flyer, flyer, out, &error);
    }
    if (!exported)
        return Cli::Fail(error.simplified());
    return Cli::Done;
}

Cli::Registrar reg("export",
                   "export (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "--out FILE",
                   &Run);

} // namespace
