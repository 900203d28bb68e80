#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "output/flyerexport.h"

namespace {

int Run(const QStringList& args)
{
    Cli::RenderedFlyer made;
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("export"), QStringLiteral("FILE"), false, made);
        rc != Cli::Done)
        return rc;
    // A photo from elsewhere is left out, as on screen; one that would go out grey or half drawn is
    // no export the user asked for.
    if (const int rc = Cli::CheckSelectedPhotos(made.selection, made.settings, made.quality,
                                                QStringLiteral("Nothing was exported."));
        rc != Cli::Done)
        return rc;
    if (made.quality != Cli::Quality::Screen)
        return Cli::WritePrintQualityOutput(made.pdf, made.out, 0, &made.settings);

    QString error;
    bool exported = false;
    {
        const Cli::CXQuietStdout quiet;
        exported =
            ExportFlyerFile(made.settings, made.selection.request.record, made.flyer, made.out, &error, made.back);
    }
    return exported ? Cli::Done : Cli::Fail(error.simplified());
}

Cli::Registrar reg("export",
                   "export (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "[--quality screen|print|press [--marks]] --out FILE",
                   &Run);

} // namespace
