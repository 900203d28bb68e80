#include "cli/clicommand.h"
#include "imaging/imagelibrary.h"

#include <QDir>
#include <QJsonObject>

namespace {

int Run(const QStringList& args)
{
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--")))
        return Cli::Usage(QStringLiteral("image-info takes one file"));
    const QString path = args.first();
    const ImageInfo info = GetImageInfo(path);
    // ok means a picture was read: a text file or one too large to open is no 0 x 0 picture.
    if (!info.IsPicture()) {
        Cli::PrintJson(QJsonObject{{QStringLiteral("ok"), false}});
        return Cli::Fail(info.ok ? info.refusal
                                 : QStringLiteral("no file exists at %1").arg(QDir::toNativeSeparators(path)));
    }
    Cli::PrintJson(QJsonObject{
        {QStringLiteral("ok"), true},
        {QStringLiteral("width"), info.width},
        {QStringLiteral("height"), info.height},
        {QStringLiteral("orientation"), info.orientation},
    });
    return Cli::Done;
}

Cli::Registrar reg("image-info", "image-info FILE", &Run);

} // namespace
