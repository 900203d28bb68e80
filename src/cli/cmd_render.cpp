#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/printphotos.h"
#include "compose/render/printpage.h"
#include "imaging/imagelibrary.h"
#include "output/printexport.h"
#include "settings/appsettings.h"

#include <QDir>

namespace {

int Run(const QStringList& args)
{
    CAppSettings settings;
    Cli::FlyerSelection selection;
    QImage flyer;
    QString out;
    Cli::Quality quality = Cli::Quality::Screen;
    QByteArray pdf;
    QImage back;
    Cli::Side side = Cli::Side::Front;
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("render"), QStringLiteral("FILE.png"), settings,
                                                selection, flyer, out, &quality, &pdf, &back, &side);
        rc != Cli::Done)
        return rc;
    const bool backSide = side == Cli::Side::Back;
    // The flyer is drawn all the same, with an empty or grey box where such a photo would be.
    for (const CXFinding& finding :
         CheckProjectPhotos(selection.request.ProjectMode(), selection.request.record, settings,
                            selection.request.look.templatePath, quality != Cli::Quality::Screen))
        Cli::Warn(finding.message);

    if (quality != Cli::Quality::Screen) {
        // The vector page itself, or the page at 300 dpi.
        QImage picture;
        if (PrintExportWantsPicture(out)) {
            picture = RasterisePrintPage(pdf, 300.0, backSide ? 1 : 0);
            if (picture.isNull())
                return Cli::Fail(QStringLiteral("cannot draw the print-quality page as a picture"));
        }
        QString error;
        if (!WritePrintQualityFile(pdf, picture, out, &error))
            return Cli::Fail(error.simplified());
        return Cli::Done;
    }

    QString why;
    if (!WriteImageFile(backSide ? back : flyer, out, "png", -1, &why))
        return Cli::Fail(why);
    return Cli::Done;
}

Cli::Registrar reg("render",
                   "render (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "[--quality screen|print|press [--marks]] [--side front|back] --out FILE.png|FILE.pdf",
                   &Run);

} // namespace
