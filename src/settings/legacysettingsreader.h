#pragma once

#include <QString>

class QIODevice;

// Reads the little-endian archive stream in which older versions kept their settings. Every read
// checks the bytes that are left before it allocates, so a short or damaged file fails the read
// instead of asking for memory it does not hold.
class LegacySettingsReader
{
public:
    explicit LegacySettingsReader(QIODevice& device);

    bool ReadDword(quint32& value);
    // A length-prefixed string: single-byte Windows-1252, or UTF-16LE after the Unicode marker.
    bool ReadString(QString& value);
    // A time value: 32 bits, followed by 64 more when the first word is the 64-bit marker.
    bool SkipTime();

private:
    bool ReadBytes(char* out, qint64 count);
    bool ReadByte(quint8& value);
    bool ReadWord(quint16& value);
    qint64 Remaining() const;

    QIODevice& m_device;
};

// Single-byte Windows-1252 text as the older version wrote it.
QString DecodeWindows1252(const QByteArray& bytes);
