#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "compose/printphotos.h"
#include "compose/render/printpage.h"
#include "output/flyerexport.h"
#include "output/printexport.h"
#include "settings/appsettings.h"

#include <QImage>

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
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("export"), QStringLiteral("FILE"), settings,
                                                selection, flyer, out, &quality, &pdf, &back);
        rc != Cli::Done)
        return rc;
    // A photo from elsewhere is left out, as on screen; one that would go out grey or half drawn is
    // no export the user asked for.
    QStringList damaged;
    for (const CXFinding& finding :
         CheckProjectPhotos(selection.request.ProjectMode(), selection.request.record, settings,
                            selection.request.look.templatePath, quality != Cli::Quality::Screen)) {
        if (finding.rule == QLatin1String(kRulePhotoDamaged))
            damaged.append(finding.message);
        else
            Cli::Warn(finding.message);
    }
    if (!damaged.isEmpty()) {
        for (qsizetype i = 0; i + 1 < damaged.size(); ++i)
            Cli::Warn(damaged.at(i));
        return Cli::Fail(damaged.constLast() + QStringLiteral(" Nothing was exported."));
    }

    QString error;
    bool exported = false;
    if (quality != Cli::Quality::Screen) {
        QImage picture;
        if (PrintExportWantsPicture(out))
            picture = RasterisePrintPage(pdf, 300.0);
        exported = WritePrintQualityFile(settings, pdf, picture, out, &error);
    } else {
        const Cli::CXQuietStdout quiet;
        exported = ExportFlyerFile(settings, selection.request.record, flyer, out, &error, back);
    }
    if (!exported)
        return Cli::Fail(error.simplified());
    return Cli::Done;
}

Cli::Registrar reg("export",
                   "export (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "[--quality screen|print|press [--marks]] --out FILE",
                   &Run);

} // namespace
