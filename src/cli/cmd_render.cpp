#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "imaging/imagelibrary.h"
#include "settings/appsettings.h"

#include <QDir>

namespace {

int Run(const QStringList& args)
{
    CAppSettings settings;
    Cli::FlyerSelection selection;
    QImage flyer;
    QString out;
    if (const int rc = Cli::RenderFlyerFromArgs(args, QStringLiteral("render"), QStringLiteral("FILE.png"), settings,
                                                selection, flyer, out);
        rc != Cli::Done)
        return rc;

    QString why;
    if (!WriteImageFile(flyer, out, "png", -1, &why))
        return Cli::Fail(why);
    return Cli::Done;
}

Cli::Registrar reg("render",
                   "render (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "--out FILE.png",
                   &Run);

} // namespace
