#include "settings/legacysettingsreader.h"

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

namespace {

constexpr quint32 kTime64Marker = 0x8000000A;

} // namespace

LegacySettingsReader::LegacySettingsReader(QIODevice& device) : m_device(device) {}

qint64 LegacySettingsReader::Remaining() const
{
    return m_device.isSequential() ? m_device.bytesAvailable() : m_device.size() - m_device.pos();
}

bool LegacySettingsReader::ReadBytes(char* out, qint64 count)
{
    return count <= Remaining() && m_device.read(out, count) == count;
}

bool LegacySettingsReader::ReadByte(quint8& value)
{
    char c = 0;
    if (!ReadBytes(&c, 1))
        return false;
    value = quint8(c);
    return true;
}

bool LegacySettingsReader::ReadWord(quint16& value)
{
    uchar b[2];
    if (!ReadBytes(reinterpret_cast<char*>(b), 2))
        return false;
    value = qFromLittleEndian<quint16>(b);
    return true;
}

bool LegacySettingsReader::ReadDword(quint32& value)
{
    uchar b[4];
    if (!ReadBytes(reinterpret_cast<char*>(b), 4))
        return false;
    value = qFromLittleEndian<quint32>(b);
    return true;
}

bool LegacySettingsReader::SkipTime()
{
    quint32 word = 0;
    if (!ReadDword(word))
        return false;
    if (word != kTime64Marker)
        return true;
    char rest[8];
    return ReadBytes(rest, 8);
}

bool LegacySettingsReader::ReadString(QString& value)
{
    bool wide = false;
    quint8 b = 0;
    if (!ReadByte(b))
        return false;
    quint64 length = b;
    if (b == 0xFF) {
        quint16 w = 0;
        if (!ReadWord(w))
            return false;
        if (w == 0xFFFE) {
            wide = true;
            if (!ReadByte(b))
                return false;
            length = b;
            if (b == 0xFF) {
                if (!ReadWord(w))
                    return false;
                length = w;
            }
        } else {
            length = w;
        }
        if (length == 0xFFFF) {
            quint32 d = 0;
            if (!ReadDword(d))
                return false;
            length = d;
        }
    }

    const quint64 bytes = wide ? length * 2 : length;
    if (bytes > quint64(Remaining()))
        return false;
    QByteArray data(qsizetype(bytes), Qt::Uninitialized);
    if (!ReadBytes(data.data(), qint64(bytes)))
        return false;
    if (wide) {
        QString text(qsizetype(length), Qt::Uninitialized);
        for (quint64 i = 0; i < length; ++i)
            text[qsizetype(i)] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
        value = text;
    } else {
        value = DecodeWindows1252(data);
    }
    return true;
}

QString DecodeWindows1252(const QByteArray& bytes)
{
    // 0x80-0x9F differ from Latin-1; the five codes Windows-1252 leaves undefined (0 here) pass through
    // as the C1 controls, as Windows itself converts them.
    static constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes.at(i));
        char16_t u = c;
        if (c >= 0x80 && c < 0xA0)
            u = kHigh[c - 0x80] ? kHigh[c - 0x80] : char16_t(c);
        text[i] = QChar(u);
    }
    return text;
}
