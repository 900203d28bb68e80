#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

// A read-only INI file with the semantics of the Windows private-profile reader that
// "Themes.ini" was written for: section and key names match without regard to case, blanks
// around values are dropped, a value in matching quotes loses them, every read is cut to
// 2047 characters, and a missing section or key gives the caller's default.
class CXIniFile
{
public:
    // Longest value a read returns: the profile reader's 2048-character buffer less its terminator.
    static constexpr qsizetype MaxValueLength = 2047;
    // Anything larger is not an INI file the program ships; refusing it keeps memory bounded.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    CXIniFile() = default;

    // False, with an empty file, when the path cannot be read or is too large.
    bool Load(const QString& path);
    // Bytes as found on disk: a UTF-8 or UTF-16 byte-order mark is honoured, otherwise UTF-8
    // when the bytes are valid UTF-8, else Windows-1252.
    void LoadFromData(const QByteArray& bytes);
    void Clear();

    QString GetString(QStringView section, QStringView key, const QString& defaultValue) const;
    // The value's leading decimal number (see ProfileStringToInt); defaultValue only when the key is missing.
    int GetInt(QStringView section, QStringView key, int defaultValue) const;

    bool HasSection(QStringView section) const;
    // Key names of a section in file order, first occurrence of each only.
    QStringList Keys(QStringView section) const;

private:
    struct Entry
    {
        QString key;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries;
        QHash<QString, qsizetype> index; // case-folded key -> first entry
    };

    const Section* FindSection(QStringView name) const;
    void Parse(const QString& text);

    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex; // case-folded name -> first section
};

// Signed decimal conversion as the C runtime's _wtoi64 does it: leading blanks, an optional
// sign, then digits up to the first non-digit; no digits give 0; overflow saturates.
qint64 ProfileStringToInt64(QStringView text);
// The same, limited to the 32-bit range.
int ProfileStringToInt(QStringView text);
