#include "app/launchproject.h"

#include "app/singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace LaunchProject {

QString FromArguments(const QStringList& args)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg.isEmpty() || arg.startsWith(QLatin1Char('-')))
            continue;
        QString path = arg;
        if (arg.contains(QLatin1String("://"))) {
            // Only a file: URL names a file here; other addresses are nothing to open.
            const QUrl url(arg);
            if (!url.isLocalFile())
                continue;
            path = url.toLocalFile();
        }
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    return QString();
}

QString FromHandOver(const QString& text)
{
    return FromArguments(CSingleInstance::SplitCommandLineText(text));
}

namespace {
QString g_strProgramProject;
} // namespace

void SetProgramArguments(const QStringList& args)
{
    g_strProgramProject = FromArguments(args);
}

QString ProgramProject()
{
    return g_strProgramProject;
}

} // namespace LaunchProject
