#include "formats/archive.h"

#include "formats/codepage.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint8 kLongLength = 0xFF;
constexpr quint16 kUnicodeTag = 0xFFFE;
constexpr quint16 kLength32 = 0xFFFF;
constexpr quint32 kLength64 = 0xFFFFFFFF;
constexpr quint32 kTime64Marker = 0x8000000A;
constexpr quint64 kMaxStringLength = quint64(1) << 31;
// Sequential devices give no size up front: what is read from them grows with what has arrived,
// never with what a length claims.
constexpr qint64 kFirstChunk = 4096;

} // namespace

bool CXArchiveReader::Fail(Failure failure)
{
    m_failure = failure;
    return false;
}

bool CXArchiveReader::ReadString(QString& value)
{
    quint64 length = 0;
    bool unicode = false;
    bool length64 = false;
    if (!ReadLength(length, unicode, length64))
        return false;
    // Only the 64-bit form is refused for its size; a 32-bit length is taken at its word and the
    // stream then ends early.
    if (length64 && length >= kMaxStringLength)
        return Fail(Failure::TooLong);
    const auto count = static_cast<qint64>(length);
    QByteArray bytes;
    if (!ReadBlock(unicode ? 2 * count : count, bytes))
        return false;
    if (unicode) {
        QString text(count, Qt::Uninitialized);
        qFromLittleEndian<quint16>(bytes.constData(), count, text.data());
        value = text;
    } else {
        value = DecodeWindows1252(bytes);
    }
    return true;
}

bool CXArchiveReader::ReadTime(qint64& seconds)
{
    quint32 first = 0;
    if (!ReadInt(first))
        return false;
    if (first != kTime64Marker) {
        seconds = static_cast<qint32>(first);
        return true;
    }
    return ReadInt(seconds);
}

bool CXArchiveReader::ReadLength(quint64& length, bool& unicode, bool& length64)
{
    quint8 first = 0;
    if (!ReadInt(first))
        return false;
    if (first < kLongLength) {
        length = first;
        return true;
    }
    quint16 word = 0;
    if (!ReadInt(word))
        return false;
    if (word == kUnicodeTag) {
        unicode = true;
        if (!ReadInt(first))
            return false;
        if (first < kLongLength) {
            length = first;
            return true;
        }
        if (!ReadInt(word))
            return false;
    }
    if (word < kLength32) {
        length = word;
        return true;
    }
    quint32 dword = 0;
    if (!ReadInt(dword))
        return false;
    if (dword < kLength64) {
        length = dword;
        return true;
    }
    length64 = true;
    return ReadInt(length);
}

bool CXArchiveReader::ReadRaw(char* out, qint64 count)
{
    if (Failed())
        return false;
    if (!m_device.isSequential()) {
        // A length beyond what the file holds is the end of the file, found before any read.
        if (count > m_device.size() - m_device.pos() || m_device.read(out, count) != count)
            return Fail(Failure::PastEnd);
        return true;
    }
    QByteArray bytes;
    if (!ReadBlock(count, bytes))
        return false;
    std::memcpy(out, bytes.constData(), size_t(count));
    return true;
}

bool CXArchiveReader::ReadBlock(qint64 count, QByteArray& out)
{
    if (Failed())
        return false;
    if (!m_device.isSequential()) {
        if (count > m_device.size() - m_device.pos())
            return Fail(Failure::PastEnd);
        out = m_device.read(count);
        return out.size() == count || Fail(Failure::PastEnd);
    }
    out.clear();
    while (out.size() < count) {
        const qint64 want = std::min(count - out.size(), std::max(kFirstChunk, qint64(out.size())));
        const QByteArray chunk = m_device.read(want);
        if (chunk.isEmpty() && !m_device.waitForReadyRead(-1))
            return Fail(Failure::PastEnd);
        out += chunk;
    }
    return true;
}

void CXArchiveWriter::WriteString(const QString& value)
{
    WriteInt<quint8>(kLongLength);
    WriteInt<quint16>(kUnicodeTag);
    const auto length = static_cast<quint64>(value.size());
    if (length < kLongLength) {
        WriteInt<quint8>(quint8(length));
    } else if (length < kUnicodeTag) {
        WriteInt<quint8>(kLongLength);
        WriteInt<quint16>(quint16(length));
    } else if (length < kLength64) {
        WriteInt<quint8>(kLongLength);
        WriteInt<quint16>(kLength32);
        WriteInt<quint32>(quint32(length));
    } else {
        WriteInt<quint8>(kLongLength);
        WriteInt<quint16>(kLength32);
        WriteInt<quint32>(kLength64);
        WriteInt<quint64>(length);
    }
    const qsizetype start = m_bytes.size();
    m_bytes.resize(start + 2 * value.size());
    qToLittleEndian<quint16>(value.utf16(), value.size(), m_bytes.data() + start);
}

void CXArchiveWriter::WriteTime(qint64 seconds)
{
    WriteInt<quint32>(kTime64Marker);
    WriteInt<qint64>(seconds);
}
