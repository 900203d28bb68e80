#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QRect>
#include <QString>

#include "flyer/listingstatus.h"

#include <array>
#include <optional>

// What a listing has beyond the project file: its web address, the photo crops, its status and
// open house. Kept in
// "ListingExtras.json" beside "FlyerData.lso", so that the project file stays readable by every
// older copy of the program.
class CFlyerData;
struct FlyerFileStatus;

class CListingExtras
{
public:
    static constexpr int kSlotCount = 4;
    static QString FileName() { return QStringLiteral("ListingExtras.json"); }

    enum LoadKind
    {
        Loaded,
        Missing, // no file: no extras
        Damaged  // unreadable or not what this program writes; treated as missing
    };
    struct Status
    {
        LoadKind kind = Loaded;
        bool ok = true;     // Save only
        bool stale = false; // Load only: saved with other project bytes than the file beside it now
        QString text;       // the message for the user, naming the file
    };

    QString m_strListingUrl;
    // In the pixels of the slot's "_original0N.jpg"; none means the whole photo.
    std::array<std::optional<QRect>, kSlotCount> m_crops;
    ListingStatus m_status = ListingStatus::None;
    // Kept whatever the status; the flyer shows it only with the status Open House.
    std::optional<COpenHouse> m_openHouse;

    // What a status banner says: the open house line when there is one to show, else the status.
    QString StatusLine() const;
    // The open house line, empty unless the status is Open House and a date is set.
    QString OpenHouseText() const;

    bool IsEmpty() const;

    // Reads the file of a project folder. Damaged leaves the extras empty; the file is kept as it
    // is until the user saves the project (m_bDamaged tells the owner not to write it before then).
    // With projectFile, extras saved beside other bytes of it are still read, but reported stale.
    Status Load(const QString& folder, const QString& projectFile = QString());
    // Writes the file of a project folder, keeping keys this program does not know, and records the
    // digest of projectBytes, the project file that is saved with it. Nothing is written when there
    // is nothing to keep and no file exists.
    Status Save(const QString& folder, const QByteArray& projectBytes = QByteArray()) const;

    // "project_sha256": the digest of the project file saved with these extras; files of older
    // versions have none.
    QString m_strProjectDigest;
    static QString ProjectDigest(const QByteArray& projectBytes);

    QJsonObject ToJson() const;
    // Reads the keys of a JSON object (the file, or "project write"); error names the problem.
    static std::optional<CListingExtras> FromJson(const QJsonObject& object, QString* error);

    static QJsonValue CropToJson(const std::optional<QRect>& crop);
    static std::optional<std::optional<QRect>> CropFromJson(const QJsonValue& value);
    static QJsonValue OpenHouseToJson(const std::optional<COpenHouse>& openHouse);

    bool m_bDamaged = false;

    friend bool operator==(const CListingExtras& a, const CListingExtras& b)
    {
        return a.m_strListingUrl == b.m_strListingUrl && a.m_crops == b.m_crops && a.m_status == b.m_status &&
               a.m_openHouse == b.m_openHouse;
    }

private:
    QJsonObject m_unknown; // keys of a newer program, written back as they came
};

// The listing web address as the Flyer Details dialog checks it: empty, or an absolute http or
// https address with a host and no blanks. Returns the trimmed address, or nullopt when refused.
std::optional<QString> CheckListingUrl(const QString& text);

// The address a flyer's QR code opens: the listing's own, else the agent's web site (given a
// scheme when it has none); empty when neither makes an address.
QString QrCodeAddress(const QString& listingUrl, const QString& website);

// Saves a project file and its extras as a pair: the extras first, naming the digest of the project
// bytes, then the project file. A kill between the two leaves extras that a later Load reports as
// stale instead of passing them off as the project's. extras may be null (only the project file).
// extrasStatus receives the extras' outcome; the project file is not written when they fail.
FlyerFileStatus SaveProjectPair(const CFlyerData& record, const CListingExtras* extras,
                                CListingExtras::Status* extrasStatus = nullptr);
