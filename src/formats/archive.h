#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <type_traits>

class QIODevice;

// The little-endian archive stream in which the program's Windows versions kept their files (the
// project file, the older settings file): integers, times and length-prefixed strings.

// Reads the stream. Every length is checked against what the device still holds before anything is
// allocated, so a short or damaged file fails the read instead of asking for memory it does not
// hold. The first fault stops the reader: it and every read after it return false, and
// GetFailure() says what it was.
class CXArchiveReader
{
public:
    enum class Failure
    {
        None,
        PastEnd, // the stream ends before the value does
        TooLong  // a 64-bit string length of 2^31 or more, more than any string can hold
    };

    explicit CXArchiveReader(QIODevice& device) : m_device(device) {}
    Q_DISABLE_COPY_MOVE(CXArchiveReader)

    Failure GetFailure() const { return m_failure; }
    bool Failed() const { return m_failure != Failure::None; }

    template <typename T> bool ReadInt(T& value)
    {
        static_assert(std::is_integral_v<T>);
        char bytes[sizeof(T)];
        if (!ReadRaw(bytes, sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(bytes);
        return true;
    }

    // A string: UTF-16LE after the Unicode tag (the byte 0xFF, then 0xFFFE), else single-byte
    // Windows-1252. Its length in characters comes in steps: one byte below 0xFF, else 0xFF and
    // 16 bits below 0xFFFF, else 0xFFFF and 32 bits below 0xFFFFFFFF, else 0xFFFFFFFF and 64 bits.
    bool ReadString(QString& value);
    // A time: the 32-bit marker 0x8000000A and 64-bit seconds, or an old signed 32-bit count.
    bool ReadTime(qint64& seconds);
    // Exactly count bytes.
    bool ReadRaw(char* out, qint64 count);

private:
    bool Fail(Failure failure);
    bool ReadLength(quint64& length, bool& unicode, bool& length64);
    bool ReadBlock(qint64 count, QByteArray& out);

    QIODevice& m_device;
    Failure m_failure = Failure::None;
};

// Appends values in the stream's form. Strings always take the Unicode form with the shortest
// length; times the 64-bit form.
class CXArchiveWriter
{
public:
    template <typename T> void WriteInt(T value)
    {
        static_assert(std::is_integral_v<T>);
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, sizeof(T));
    }
    void WriteString(const QString& value);
    void WriteTime(qint64 seconds);
    void WriteRaw(const char* data, qsizetype count) { m_bytes.append(data, count); }

    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};
