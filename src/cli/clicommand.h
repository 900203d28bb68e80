#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <functional>

// Each command of listora-cli lives in its own file and registers itself with a CliRegistrar.
// Exit status: 0 done, 1 the work failed, 2 the command line was wrong.
namespace Cli {

enum ExitCode { Done = 0, Failed = 1, BadUsage = 2 };

using RunFn = std::function<int(const QStringList& args)>;

struct Command
{
    QString name;
    QString usage; // one or more lines shown by the usage text
    RunFn run;
};

struct Registrar
{
    Registrar(const char* name, const char* usage, RunFn run);
};

const Command* FindCommand(const QString& name);
QList<const Command*> Commands();

// Output helpers: nothing but the requested output goes to standard output.
void PrintJson(const QJsonValue& value);
void PrintText(const QString& text); // adds a line feed
int Fail(const QString& message);    // one line on standard error, returns Failed
void Warn(const QString& message);   // one line on standard error; the command goes on
int Usage(const QString& message = QString()); // usage on standard error, returns BadUsage

// Small option parser for "--name value" pairs; flags listed in flagNames take no value.
// Returns false (and sets error) on an unknown option or a missing value.
struct Options
{
    QMultiMap<QString, QString> values;
    QStringList positional;
    bool Has(const QString& name) const { return values.contains(name); }
    QString Value(const QString& name) const { return values.value(name); }
    QStringList All(const QString& name) const;
};
bool ParseOptions(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames, Options& out,
                  QString& error);

} // namespace Cli
