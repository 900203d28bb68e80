#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

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

    QSaveFile file(out);
    QImageWriter writer(&file, "png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(flyer) || !file.commit()) {
        const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        return Cli::Fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(out), reason));
    }
    return Cli::Done;
}

Cli::Registrar reg("render",
                   "render (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB] "
                   "--out FILE.png",
                   &Run);

} // namespace
