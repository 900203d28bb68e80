#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "output/flyerexport.h"
#include "settings/appsettings.h"

#include <QImage>

namespace {

int Run(const QStringList& args)
{
    CAppSettings settings;
    Cli::FlyerSelection selection;
    QImage flyer;
    QString out;
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("export"), QStringLiteral("FILE"), settings,
                                                selection, flyer, out);
        rc != Cli::Done)
        return rc;

    QString error;
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
