#include "formats/inireader.h"

#include "formats/codepage.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

QString DecodeIniText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE).decode(bytes.mid(2));
    return DecodeUtf8OrWindows1252(bytes);
}

QString CutValue(const QString& value)
{
    if (value.size() <= CXIniFile::MaxValueLength)
        return value;
    QString cut = value.left(CXIniFile::MaxValueLength);
    // Half a surrogate pair is not text; drop it rather than hand it on.
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

} // namespace

bool CXIniFile::Load(const QString& path)
{
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > MaxFileSize)
        return false;
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        return false;
    LoadFromData(bytes);
    return true;
}

void CXIniFile::LoadFromData(const QByteArray& bytes)
{
    Clear();
    Parse(DecodeIniText(bytes));
}

void CXIniFile::Clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
}

void CXIniFile::Parse(const QString& text)
{
    qsizetype current = -1;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        const QStringView line = QStringView(text).mid(start, end - start).trimmed();
        start = end + 1;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            current = m_sections.size();
            m_sections.append(Section{name.toString(), {}, {}});
            // A repeated section stays unreachable, as with the profile reader: the first one answers.
            const QString folded = name.toString().toCaseFolded();
            if (!m_sectionIndex.contains(folded))
                m_sectionIndex.insert(folded, current);
            continue;
        }
        if (current < 0)
            continue; // lines before the first section belong to no section
        const qsizetype eq = line.indexOf(u'=');
        const QStringView key = (eq < 0 ? line : line.left(eq)).trimmed();
        QStringView value = eq < 0 ? QStringView() : line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        Section& section = m_sections[current];
        const QString folded = key.toString().toCaseFolded();
        if (!section.index.contains(folded))
            section.index.insert(folded, section.entries.size());
        section.entries.append(Entry{key.toString(), value.toString()});
    }
}

const CXIniFile::Section* CXIniFile::FindSection(QStringView name) const
{
    const auto it = m_sectionIndex.constFind(name.toString().toCaseFolded());
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections.at(it.value());
}

QString CXIniFile::GetString(QStringView section, QStringView key, const QString& defaultValue) const
{
    if (const Section* s = FindSection(section)) {
        const auto it = s->index.constFind(key.toString().toCaseFolded());
        if (it != s->index.constEnd())
            return CutValue(s->entries.at(it.value()).value);
    }
    return CutValue(defaultValue);
}

int CXIniFile::GetInt(QStringView section, QStringView key, int defaultValue) const
{
    if (const Section* s = FindSection(section)) {
        const auto it = s->index.constFind(key.toString().toCaseFolded());
        if (it != s->index.constEnd())
            return ProfileStringToInt(CutValue(s->entries.at(it.value()).value));
    }
    return defaultValue;
}

bool CXIniFile::HasSection(QStringView section) const
{
    return FindSection(section) != nullptr;
}

QStringList CXIniFile::Keys(QStringView section) const
{
    QStringList keys;
    if (const Section* s = FindSection(section)) {
        for (qsizetype i = 0; i < s->entries.size(); ++i) {
            const Entry& entry = s->entries.at(i);
            if (s->index.value(entry.key.toCaseFolded()) == i)
                keys.append(entry.key);
        }
    }
    return keys;
}

qint64 ProfileStringToInt64(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulate towards the sign's side so that the most negative value is reachable.
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        const int digit = c - u'0';
        if (negative) {
            if (value < (kMin + digit) / 10)
                return kMin;
            value = value * 10 - digit;
        } else {
            if (value > (kMax - digit) / 10)
                return kMax;
            value = value * 10 + digit;
        }
    }
    return value;
}

int ProfileStringToInt(QStringView text)
{
    const qint64 value = ProfileStringToInt64(text);
    return static_cast<int>(
        std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
