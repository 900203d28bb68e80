#include "formats/inifile.h"

#include <QLoggingCategory>
#include <QStringList>

Q_DECLARE_LOGGING_CATEGORY(lcFormats)

namespace {

bool IsHexDigit(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Key and group names: letters, digits and "_-." as they are, "/" as "\", everything else %XX or %UXXXX.
QByteArray EscapedKey(const QString& key)
{
    QByteArray out;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == '/')
            out += '\\';
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                 c == '.')
            out += char(c);
        else if (c <= 0xFF)
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        else
            out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
    }
    return out;
}

// One value as the reader unescapes it. A "\x" escape swallows every hex digit after it, so a
// digit that follows one is escaped too. Text outside ASCII stays UTF-8, except in the raw bytes
// of @ByteArray(), which are escaped one by one.
QByteArray EscapedValue(const QString& value)
{
    const bool raw = value.startsWith(QLatin1String("@ByteArray(")) || value.startsWith(QLatin1String("@Variant("));
    QString out;
    bool needsQuotes = false;
    bool escapeNextHex = false;
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeNextHex && IsHexDigit(c)) {
            out += QStringLiteral("\\x") + QString::number(c, 16);
            continue;
        }
        escapeNextHex = false;
        switch (c) {
        case '\0':
            out += QLatin1String("\\0");
            escapeNextHex = true;
            break;
        case '\a':
            out += QLatin1String("\\a");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\v':
            out += QLatin1String("\\v");
            break;
        case '"':
        case '\\':
            out += QLatin1Char('\\');
            out += qc;
            break;
        default:
            if (c <= 0x1F || (c >= 0x7F && raw)) {
                out += QStringLiteral("\\x") + QString::number(c, 16);
                escapeNextHex = true;
            } else {
                out += qc;
            }
        }
    }
    // Blanks at either end would be trimmed away, and these three characters end or split a value.
    if (needsQuotes || out.startsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char(' ')))
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out.toUtf8();
}

// A leading "@" marks the reader's typed values, so a text that starts with one gets a second.
QString Marked(const QString& text)
{
    return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
}

bool ValueText(const QVariant& value, QByteArray& out)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        out = EscapedValue(Marked(value.toString()));
        return true;
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        if (list.size() == 1) {
            out = EscapedValue(Marked(list.first()));
            return true;
        }
        if (list.isEmpty()) {
            out = "@Invalid()";
            return true;
        }
        out.clear();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i)
                out += ", ";
            out += EscapedValue(Marked(list.at(i)));
        }
        return true;
    }
    case QMetaType::QByteArray:
        out = EscapedValue(QLatin1String("@ByteArray(") + QString::fromLatin1(value.toByteArray()) + QLatin1Char(')'));
        return true;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        out = EscapedValue(value.toString());
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray IniFileBytes(const QList<std::pair<QString, QVariant>>& values)
{
    QStringList groups;
    QList<QByteArray> bodies;
    for (const auto& [key, value] : values) {
        QByteArray text;
        if (!ValueText(value, text)) {
            qCDebug(lcFormats) << "settings value left out, no text form for its type:" << key << value.typeName();
            continue;
        }
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        const QString group = slash < 0 ? QString() : key.left(slash);
        qsizetype index = groups.indexOf(group);
        if (index < 0) {
            // The unnamed group is [General]; it comes first, as QSettings reads it best there.
            if (group.isEmpty()) {
                groups.prepend(group);
                bodies.prepend(QByteArray());
                index = 0;
            } else {
                groups.append(group);
                bodies.append(QByteArray());
                index = groups.size() - 1;
            }
        }
        bodies[index] += EscapedKey(key.mid(slash + 1)) + '=' + text + '\n';
    }
    QByteArray file;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        if (i)
            file += '\n';
        const QString& group = groups.at(i);
        // A real group named General must not merge with the unnamed one.
        const QByteArray name = group.isEmpty() ? QByteArray("General")
                                : group.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0
                                    ? "%" + EscapedKey(group)
                                    : EscapedKey(group);
        file += '[' + name + "]\n" + bodies.at(i);
    }
    return file;
}
