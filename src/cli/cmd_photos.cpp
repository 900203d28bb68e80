#include "cli/clicommand.h"
#include "imaging/photointake.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace {

int Run(const QStringList& args)
{
    // --slot takes two values, which the shared option parser does not know.
    QString folder;
    bool haveFolder = false;
    std::array<QString, kPhotoSlots> paths;
    std::array<bool, kPhotoSlots> given{};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--folder")) {
            if (haveFolder)
                return Cli::Usage(QStringLiteral("--folder given more than once"));
            if (i + 1 >= args.size())
                return Cli::Usage(QStringLiteral("option --folder needs a value"));
            folder = args.at(++i);
            haveFolder = true;
        } else if (arg == QLatin1String("--slot")) {
            if (i + 2 >= args.size())
                return Cli::Usage(QStringLiteral("option --slot needs a slot number and a file"));
            bool ok = false;
            const int slot = args.at(i + 1).toInt(&ok);
            if (!ok || slot < 1 || slot > kPhotoSlots)
                return Cli::Usage(
                    QStringLiteral("--slot needs a slot number from 1 to 4, not \"%1\"").arg(args.at(i + 1)));
            if (given[size_t(slot - 1)])
                return Cli::Usage(QStringLiteral("slot %1 given more than once").arg(slot));
            given[size_t(slot - 1)] = true;
            paths[size_t(slot - 1)] = args.at(i + 2);
            i += 2;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return Cli::Usage(QStringLiteral("unknown option %1").arg(arg));
        } else {
            return Cli::Usage(QStringLiteral("photos takes no argument %1").arg(arg));
        }
    }
    if (!haveFolder || folder.trimmed().isEmpty())
        return Cli::Usage(QStringLiteral("photos needs --folder DIR"));

    const QFileInfo folderInfo(folder.trimmed());
    if (!folderInfo.isDir())
        return Cli::Fail(QStringLiteral("the project folder %1 does not exist").arg(QDir::toNativeSeparators(folder)));
    // The intake passes over a slot whose file is missing; asked for by name, that is an error.
    for (QString& path : paths) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path.trimmed());
        if (!info.isFile())
            return Cli::Fail(QStringLiteral("the photo %1 does not exist").arg(QDir::toNativeSeparators(path)));
        path = info.absoluteFilePath();
    }

    QStringList errors;
    const bool done = ProcessPhotos(folderInfo.absoluteFilePath(), paths, &errors);
    QJsonArray result;
    for (const QString& path : paths)
        result.append(QDir::toNativeSeparators(path));
    Cli::PrintJson(result);
    for (const QString& error : errors)
        Cli::Fail(error);
    return done ? Cli::Done : Cli::Failed;
}

Cli::Registrar reg("photos", "photos --folder DIR [--slot N FILE]...", &Run);

} // namespace
