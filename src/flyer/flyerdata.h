#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

class QIODevice;

// Outcome of reading or writing a project file. The text is what the user is shown and already
// names the file. A read that fails part-way leaves the fields read before it in the record.
struct FlyerFileStatus
{
    enum Kind
    {
        Ok,
        OpenFailed,   // Load only: the file could not be opened; the record was left as it was
        PastEnd,      // the file ends before the last field: "Attempted to access %1 past its end."
        ArchiveError, // a length the record cannot hold: "An unknown error occurred while accessing %1."
        WriteFailed   // Save only: nothing was replaced; the previous file is whole
    };

    Kind kind = Ok;
    QString path;
    QString text;

    bool IsOk() const { return kind == Ok; }
    // Whether the command that read or wrote the file must be abandoned and the text shown. A file
    // that cannot be opened for reading is not one: the record simply keeps its defaults.
    bool IsError() const { return kind != Ok && kind != OpenFailed; }
    // The message of a command whose save failed: "Could not save the flyer project ..." with the
    // path and the reason.
    QString SaveFailureText() const;
};

struct FlyerPhoto
{
    QString m_strPath;
    // Nothing sets or reads these; they go back to the file exactly as they came.
    std::array<quint8, 16> m_reserved{};

    friend bool operator==(const FlyerPhoto&, const FlyerPhoto&) = default;
};

// One flyer project: the listing texts, the photos and the look chosen for the flyer, stored in
// the project's "FlyerData.lso". Construct it, then call Reset at once.
class CFlyerData
{
public:
    static constexpr int kSlotCount = 4;
    static constexpr int kIdLength = 35;

    QString m_strId;
    qint64 m_timeCreated = 0; // seconds since 1970-01-01 00:00:00 UTC
    qint64 m_timePrinted = 0; // equals the creation time until the first printing
    qint32 m_bPrinted = 0;
    QString m_strTheme;
    QString m_strFont;
    quint32 m_crColor = 0; // 0x00BBGGRR
    QString m_strCaption;
    QString m_strMLS;
    QString m_strPrice;
    QString m_strAddress;
    QString m_strCityStateZip;
    QString m_strDescription; // line breaks are stored as "<br>"
    std::array<QString, kSlotCount> m_strFeatures;
    std::array<FlyerPhoto, kSlotCount> m_photos; // index 0 is the main photo
    QString m_strPhotoFolder;
    QString m_strPathName; // not stored: where the record was loaded from or will be saved to
    QString m_strFolder;   // not stored: folder of m_strPathName with a trailing separator

    // Defaults of a new project, with a new id. The times and the reserved photo bytes stay.
    void Reset();
    void SetPathName(const QString& path);
    QString GetFolder() const { return m_strFolder; }

    // Reads the file into the record and takes its path. A file that cannot be opened leaves the
    // fields as they were (status OpenFailed). On a read error the fields read so far stay but the
    // path is not taken, so that a half-read record is never saved over its file.
    FlyerFileStatus Load(const QString& path);
    // Writes m_strPathName through a temporary file that replaces it only once complete.
    FlyerFileStatus Save() const;

    // Points each photo path that names no existing file at the slot's own photo in the project
    // folder. Returns whether any path changed.
    bool RepairPhotoPaths();

    // The record as a listing sees it: reset, loaded, and saved again at once if its photo paths
    // had to be repaired. status receives the read error, or the error of that save.
    static CFlyerData OpenFromFile(const QString& path, FlyerFileStatus* status = nullptr);

    // A new random id "XXXXXXXX-XXXXXXXX-XXXXXXXX-XXXXXXXX" (upper-case hexadecimal), or an empty
    // text if no id could be made.
    static QString CreateProjectId();
    // "_photo01.jpg" to "_photo04.jpg" for slot indexes 0 to 3.
    static QString PhotoFileName(int slot);

    // The file encoding itself; name is the file's path for the error texts.
    FlyerFileStatus Read(QIODevice& device, const QString& name);
    QByteArray Serialize() const;

    friend bool operator==(const CFlyerData&, const CFlyerData&) = default;
};
