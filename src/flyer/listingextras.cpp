#include "flyer/listingextras.h"

#include "formats/filewriter.h"
#include "flyer/flyerdata.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QUrl>

Q_LOGGING_CATEGORY(lcExtras, "listora.projects.extras", QtWarningMsg)

namespace {

const QString kUrlKey = QStringLiteral("listing_url");
const QString kCropsKey = QStringLiteral("crops");
const QString kStatusKey = QStringLiteral("status");
const QString kOpenHouseKey = QStringLiteral("open_house");
const QString kDigestKey = QStringLiteral("project_sha256");
// Larger than any extras file this program writes; a bigger one is not ours.
constexpr qint64 kMaxBytes = 1024 * 1024;
constexpr int kMaxPixels = 1 << 20; // no photo is a million pixels along one side

QString PathIn(const QString& folder)
{
    return QDir(folder).filePath(CListingExtras::FileName());
}

std::optional<int> WholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (d != double(qint64(d)) || d < 0 || d > kMaxPixels)
        return std::nullopt;
    return int(d);
}

} // namespace

bool CListingExtras::IsEmpty() const
{
    if (!m_strListingUrl.isEmpty())
        return false;
    for (const auto& crop : m_crops) {
        if (crop)
            return false;
    }
    return m_status == ListingStatus::None && !m_openHouse;
}

QString CListingExtras::OpenHouseText() const
{
    if (m_status != ListingStatus::OpenHouse || !m_openHouse)
        return QString();
    return OpenHouseLine(*m_openHouse);
}

QString CListingExtras::StatusLine() const
{
    const QString openHouse = OpenHouseText();
    return openHouse.isEmpty() ? StatusLabel(m_status) : openHouse;
}

QJsonValue CListingExtras::OpenHouseToJson(const std::optional<COpenHouse>& openHouse)
{
    if (!openHouse)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("date"), openHouse->date.toString(Qt::ISODate)},
                       {QStringLiteral("start"), openHouse->start.toString(QStringLiteral("HH:mm"))},
                       {QStringLiteral("end"), openHouse->end.toString(QStringLiteral("HH:mm"))}};
}

QJsonValue CListingExtras::CropToJson(const std::optional<QRect>& crop)
{
    if (!crop)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("x"), crop->x()},
                       {QStringLiteral("y"), crop->y()},
                       {QStringLiteral("w"), crop->width()},
                       {QStringLiteral("h"), crop->height()}};
}

std::optional<std::optional<QRect>> CListingExtras::CropFromJson(const QJsonValue& value)
{
    if (value.isNull())
        return std::optional<QRect>();
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    if (object.size() != 4)
        return std::nullopt;
    const auto x = WholeNumber(object.value(QStringLiteral("x")));
    const auto y = WholeNumber(object.value(QStringLiteral("y")));
    const auto w = WholeNumber(object.value(QStringLiteral("w")));
    const auto h = WholeNumber(object.value(QStringLiteral("h")));
    if (!x || !y || !w || !h || *w == 0 || *h == 0)
        return std::nullopt;
    return std::optional<QRect>(QRect(*x, *y, *w, *h));
}

QJsonObject CListingExtras::ToJson() const
{
    QJsonObject object = m_unknown;
    object.insert(kUrlKey, m_strListingUrl);
    QJsonArray crops;
    for (const auto& crop : m_crops)
        crops.append(CropToJson(crop));
    object.insert(kCropsKey, crops);
    object.insert(kStatusKey, StatusKey(m_status));
    object.insert(kOpenHouseKey, OpenHouseToJson(m_openHouse));
    return object;
}

std::optional<CListingExtras> CListingExtras::FromJson(const QJsonObject& object, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::optional<CListingExtras>();
    };
    CListingExtras extras;
    extras.m_unknown = object;
    extras.m_unknown.remove(kUrlKey);
    extras.m_unknown.remove(kCropsKey);
    extras.m_unknown.remove(kDigestKey);
    extras.m_unknown.remove(kStatusKey);
    extras.m_unknown.remove(kOpenHouseKey);
    extras.m_strProjectDigest = object.value(kDigestKey).toString();

    if (object.contains(kUrlKey)) {
        const QJsonValue url = object.value(kUrlKey);
        if (!url.isString())
            return fail(QStringLiteral("\"listing_url\" must be a string"));
        // Only what the dialog would accept reaches a flyer; the file may have been edited by hand.
        const std::optional<QString> checked = CheckListingUrl(url.toString());
        if (!checked)
            return fail(QStringLiteral("\"listing_url\" must be empty or an http or https address"));
        extras.m_strListingUrl = *checked;
    }
    if (object.contains(kCropsKey)) {
        const QJsonValue crops = object.value(kCropsKey);
        if (!crops.isArray() || crops.toArray().size() != kSlotCount)
            return fail(QStringLiteral("\"crops\" must be an array of 4 entries"));
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const auto crop = CropFromJson(crops.toArray().at(slot));
            if (!crop)
                return fail(QStringLiteral("crop %1 must be null or {\"x\", \"y\", \"w\", \"h\"} in whole pixels, "
                                           "with a width and height above 0")
                                .arg(slot + 1));
            extras.m_crops[slot] = *crop;
        }
    }
    if (object.contains(kStatusKey)) {
        const QJsonValue status = object.value(kStatusKey);
        const std::optional<ListingStatus> read = status.isString() ? StatusFromKey(status.toString()) : std::nullopt;
        if (!read)
            return fail(QStringLiteral("\"status\" must be one of %1").arg(StatusKeysText()));
        extras.m_status = *read;
    }
    if (object.contains(kOpenHouseKey) && !object.value(kOpenHouseKey).isNull()) {
        const QJsonValue value = object.value(kOpenHouseKey);
        const QJsonObject openHouse = value.toObject();
        const QStringList keys = {QStringLiteral("date"), QStringLiteral("start"), QStringLiteral("end")};
        bool shaped = value.isObject() && openHouse.size() == keys.size();
        for (const QString& key : keys)
            shaped = shaped && openHouse.value(key).isString();
        if (!shaped)
            return fail(
                QStringLiteral("\"open_house\" must be null or {\"date\": \"YYYY-MM-DD\", \"start\": \"HH:MM\", "
                               "\"end\": \"HH:MM\"}"));
        QString why;
        extras.m_openHouse = ReadOpenHouse(openHouse.value(keys[0]).toString(), openHouse.value(keys[1]).toString(),
                                           openHouse.value(keys[2]).toString(), &why);
        if (!extras.m_openHouse)
            return fail(QStringLiteral("\"open_house\": %1").arg(why));
    }
    return extras;
}

QString CListingExtras::ProjectDigest(const QByteArray& projectBytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(projectBytes, QCryptographicHash::Sha256).toHex());
}

CListingExtras::Status CListingExtras::Load(const QString& folder, const QString& projectFile)
{
    *this = CListingExtras();
    const QString path = PathIn(folder);
    QFile file(path);
    if (!file.exists())
        return Status{Missing, true, false, QString()};

    auto damaged = [&](const QString& why) {
        *this = CListingExtras();
        m_bDamaged = true;
        qCWarning(lcExtras) << path << why;
        return Status{Damaged, true, false,
                      QStringLiteral("The listing extras in %1 cannot be read (%2). The flyer is made without "
                                     "them; the file is left as it is until you save the project's details.")
                          .arg(QDir::toNativeSeparators(path), why)};
    };
    if (!file.open(QIODevice::ReadOnly))
        return damaged(file.errorString());
    if (file.size() > kMaxBytes)
        return damaged(QStringLiteral("the file is too large"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return damaged(parseError.errorString());
    if (!document.isObject())
        return damaged(QStringLiteral("it holds no JSON object"));
    QString error;
    const std::optional<CListingExtras> read = FromJson(document.object(), &error);
    if (!read)
        return damaged(error);
    *this = *read;
    Status status{Loaded, true, false, QString()};
    if (!projectFile.isEmpty() && !m_strProjectDigest.isEmpty()) {
        QFile project(projectFile);
        if (project.open(QIODevice::ReadOnly) && ProjectDigest(project.readAll()) != m_strProjectDigest) {
            status.stale = true;
            status.text = QStringLiteral("The listing extras in %1 were saved with another version of %2. The web "
                                         "address and crops may be from an earlier save.")
                              .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(projectFile));
        }
    }
    return status;
}

CListingExtras::Status CListingExtras::Save(const QString& folder, const QByteArray& projectBytes) const
{
    const QString path = PathIn(folder);
    if (IsEmpty() && m_unknown.isEmpty() && !QFileInfo::exists(path))
        return Status{Missing, true, false, QString()};

    auto failed = [&](const QString& reason) {
        return Status{
            Loaded, false, false,
            QStringLiteral("Could not save the listing extras %1: %2").arg(QDir::toNativeSeparators(path), reason)};
    };
    QJsonObject object = ToJson();
    if (!projectBytes.isEmpty())
        object.insert(kDigestKey, ProjectDigest(projectBytes));
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    QString why;
    if (!CXFileWriter::WriteFile(path, bytes, &why))
        return failed(why);
    return Status{Loaded, true, false, QString()};
}

FlyerFileStatus SaveProjectPair(const CFlyerData& record, const CListingExtras* extras,
                                CListingExtras::Status* extrasStatus)
{
    if (extras) {
        const CListingExtras::Status saved = extras->Save(record.GetFolder(), record.Serialize());
        if (extrasStatus)
            *extrasStatus = saved;
        if (!saved.ok)
            return FlyerFileStatus{FlyerFileStatus::WriteFailed, record.m_strPathName, saved.text};
    }
    return record.Save();
}

std::optional<QString> CheckListingUrl(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QString();
    for (const QChar c : trimmed) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || !trimmed.contains(QLatin1String("://")))
        return std::nullopt;
    return trimmed;
}

QString QrCodeAddress(const QString& listingUrl, const QString& website)
{
    if (const auto listing = CheckListingUrl(listingUrl); listing && !listing->isEmpty())
        return *listing;
    QString site = website.trimmed();
    if (site.isEmpty())
        return QString();
    // Agents type their site as "www.example.com"; a phone opens it only as a web address.
    if (!site.contains(QLatin1String("://")))
        site.prepend(QLatin1String("http://"));
    const auto checked = CheckListingUrl(site);
    return checked ? *checked : QString();
}
