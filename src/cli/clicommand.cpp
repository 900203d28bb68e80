#include "cli/clicommand.h"

#include "settings/diagnostics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <cstdio>

namespace Cli {

namespace {

QMap<QString, Command>& Registry()
{
    static QMap<QString, Command> registry;
    return registry;
}

} // namespace

Registrar::Registrar(const char* name, const char* usage, RunFn run)
{
    Registry().insert(QString::fromUtf8(name),
                      Command{QString::fromUtf8(name), QString::fromUtf8(usage), std::move(run)});
}

const Command* FindCommand(const QString& name)
{
    const auto it = Registry().constFind(name);
    return it == Registry().constEnd() ? nullptr : &it.value();
}

QList<const Command*> Commands()
{
    QList<const Command*> list;
    for (const Command& command : Registry())
        list.append(&command);
    return list;
}

void PrintJson(const QJsonValue& value)
{
    QByteArray bytes;
    if (value.isObject())
        bytes = QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    else if (value.isArray())
        bytes = QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented);
    else
        bytes = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void PrintText(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

int Fail(const QString& message)
{
    Warn(message);
    return Failed;
}

void Warn(const QString& message)
{
    Diagnostics::WriteUserError(QStringLiteral("listora-cli: %1\n").arg(message).toUtf8());
}

int Usage(const QString& message)
{
    QString text;
    if (!message.isEmpty())
        text += QStringLiteral("listora-cli: %1\n").arg(message);
    text += QStringLiteral("usage: listora-cli --version\n");
    for (const Command* command : Commands())
        text += QStringLiteral("       listora-cli %1\n").arg(command->usage);
    Diagnostics::WriteUserError(text.toUtf8());
    return BadUsage;
}

QStringList Options::All(const QString& name) const
{
    QStringList list = values.values(name);
    std::reverse(list.begin(), list.end()); // QMultiMap returns the newest first
    return list;
}

bool ParseOptions(const QStringList& args, const QStringList& valueNames, const QStringList& flagNames, Options& out,
                  QString& error)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            out.positional.append(arg);
            continue;
        }
        const QString name = arg.mid(2);
        if (flagNames.contains(name)) {
            out.values.insert(name, QString());
        } else if (valueNames.contains(name)) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("option %1 needs a value").arg(arg);
                return false;
            }
            out.values.insert(name, args.at(++i));
        } else {
            error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
    }
    return true;
}

} // namespace Cli
