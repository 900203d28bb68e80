#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Child processes for tests: listora-cli and the tools that check its output.
namespace TestSupport {

// Long enough for a first render on a loaded two-core machine; a hang still ends inside ctest's limit.
constexpr int kChildTimeoutMs = 240000;

struct ChildOptions
{
    QByteArray input{};         // written to standard input, which is then closed
    QStringList env{};          // "NAME=VALUE" set over the test's own environment; "NAME" alone removes it
    bool cleanEnv = false;      // start from an empty environment instead of the test's own
    bool mergeChannels = false; // standard error joins standard output in `out`
    bool serveEvents = false;   // the test's event loop runs meanwhile, so its loopback servers answer
    int timeoutMs = kChildTimeoutMs;
    QString workingDir{}; // the child's current folder; the test's own when empty
};

struct ChildRun
{
    int exitCode = -1; // -1 when the child crashed, was killed for taking too long or never started
    bool timedOut = false;
    QByteArray out;
    QByteArray err; // ends with a line of its own when the child was killed or did not start

    QString Out() const { return QString::fromUtf8(out); }
    QString Err() const { return QString::fromUtf8(err); }
};

ChildRun RunChild(const QString& program, const QStringList& args, const ChildOptions& options = {});

// The child reads its installed data (themes, samples) from `folder` instead of the build tree's.
ChildOptions WithDataDir(const QString& folder);

// A program of this build tree ("listora", "listora-cli").
QString BuildProgram(const QString& name);

// listora-cli of this build tree.
QString CliPath();
ChildRun RunCli(const QStringList& args, const ChildOptions& options = {});

} // namespace TestSupport
