#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "imaging/imagelibrary.h"

namespace {

int Run(const QStringList& args)
{
    Cli::RenderedFlyer made;
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("render"), QStringLiteral("FILE.png"), true, made);
        rc != Cli::Done)
        return rc;
    const bool backSide = made.side == Cli::Side::Back;
    // The flyer is drawn all the same, with an empty or grey box where such a photo would be.
    Cli::CheckSelectedPhotos(made.selection, made.settings, made.quality);
    if (made.quality != Cli::Quality::Screen) // the vector page itself, or the page at 300 dpi
        return Cli::WritePrintQualityOutput(made.pdf, made.out, backSide ? 1 : 0);

    QString why;
    if (!WriteImageFile(backSide ? made.back : made.flyer, made.out, "png", -1, &why))
        return Cli::Fail(why);
    return Cli::Done;
}

Cli::Registrar reg("render",
                   "render (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "[--quality screen|print|press [--marks]] [--side front|back] --out FILE.png|FILE.pdf",
                   &Run);

} // namespace
