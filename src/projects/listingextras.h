#pragma once

#include <QJsonObject>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

// What a listing has beyond the project file: its web address and the photo crops. Kept in
// "ListingExtras.json" beside "FlyerData.lso", so that the project file stays readable by every
// older copy of the program.
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
        bool ok = true; // Save only
        QString text;   // the message for the user, naming the file
    };

    QString m_strListingUrl;
    // In the pixels of the slot's "_original0N.jpg"; none means the whole photo.
    std::array<std::optional<QRect>, kSlotCount> m_crops;

    bool IsEmpty() const;

    // Reads the file of a project folder. Damaged leaves the extras empty; the file is kept as it
    // is until the user saves the project (m_bDamaged tells the owner not to write it before then).
    Status Load(const QString& folder);
    // Writes the file of a project folder, keeping keys this program does not know. Nothing is
    // written when there is nothing to keep and no file exists.
    Status Save(const QString& folder) const;

    QJsonObject ToJson() const;
    // Reads the keys of a JSON object (the file, or "project write"); error names the problem.
    static std::optional<CListingExtras> FromJson(const QJsonObject& object, QString* error);

    static QJsonValue CropToJson(const std::optional<QRect>& crop);
    static std::optional<std::optional<QRect>> CropFromJson(const QJsonValue& value);

    bool m_bDamaged = false;

    friend bool operator==(const CListingExtras& a, const CListingExtras& b)
    {
        return a.m_strListingUrl == b.m_strListingUrl && a.m_crops == b.m_crops;
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
