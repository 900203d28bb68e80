#include "support/childprocess.h"

#include <QProcess>
#include <QTest>

namespace TestSupport {

ChildRun RunChild(const QString& program, const QStringList& args, const ChildOptions& options)
{
    QProcessEnvironment env = options.cleanEnv ? QProcessEnvironment() : QProcessEnvironment::systemEnvironment();
    for (const QString& entry : options.env) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (equals < 0)
            env.remove(entry);
        else
            env.insert(entry.left(equals), entry.mid(equals + 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    if (!options.workingDir.isEmpty())
        process.setWorkingDirectory(options.workingDir);
    if (options.mergeChannels)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.write(options.input);
    process.closeWriteChannel();

    ChildRun run;
    const bool finished = options.serveEvents ? QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                                                                options.timeoutMs)
                                              : process.waitForFinished(options.timeoutMs);
    if (!finished && process.state() != QProcess::NotRunning) {
        run.timedOut = true;
        process.kill();
        process.waitForFinished(30000);
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    if (process.error() == QProcess::FailedToStart)
        run.err += "\n" + program.toUtf8() + " did not start: " + process.errorString().toUtf8() + "\n";
    else if (run.timedOut)
        run.err += "\n" + program.toUtf8() + " killed after " + QByteArray::number(options.timeoutMs) + " ms\n";
    else if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    return run;
}

ChildOptions WithDataDir(const QString& folder)
{
    return ChildOptions{.env = {QStringLiteral("LISTORA_DATA_DIR=") + folder}};
}

QString BuildProgram(const QString& name)
{
    return qEnvironmentVariable("LISTORA_BIN_DIR", QStringLiteral(LISTORA_BIN_DIR)) + QLatin1Char('/') + name;
}

QString CliPath()
{
    return BuildProgram(QStringLiteral("listora-cli"));
}

ChildRun RunCli(const QStringList& args, const ChildOptions& options)
{
    return RunChild(CliPath(), args, options);
}

} // namespace TestSupport
