#include "settings/diagnostics.h"
#include "catalogue/fontcatalogue.h"
#include "cli/clicommand.h"
#include "settings/appinfo.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    Diagnostics::Install();
    // The companion must run with no display at all.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Qt takes its own options out of argv, with one dash or two, and the X11 platform reads
    // "-name" and "-title" among them: "--name" is the profile's, so the command line is read
    // before Qt sees it.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    ApplyFontRules();
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(AppInfo::MakerName());
    QCoreApplication::setApplicationName(AppInfo::ProductId());
    QCoreApplication::setApplicationVersion(AppInfo::VersionString());

    if (args.isEmpty())
        return Cli::Usage(QStringLiteral("no command given"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("--version")) {
        if (!args.isEmpty())
            return Cli::Usage(QStringLiteral("--version takes no arguments"));
        Cli::PrintText(AppInfo::DisplayName() + QLatin1Char(' ') + AppInfo::VersionString());
        return Cli::Done;
    }
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        Cli::Usage();
        return Cli::Done;
    }
    const Cli::Command* command = Cli::FindCommand(name);
    if (!command)
        return Cli::Usage(QStringLiteral("unknown command %1").arg(name));
    return command->run(args);
}
