#include "cli/clicommand.h"
#include "imaging/photocrop.h"
#include "flyer/fieldlimits.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QStringList kKeys = {QStringLiteral("id"),          QStringLiteral("created"),  QStringLiteral("printed_time"),
                           QStringLiteral("printed"),     QStringLiteral("theme"),    QStringLiteral("font"),
                           QStringLiteral("color"),       QStringLiteral("caption"),  QStringLiteral("mls"),
                           QStringLiteral("price"),       QStringLiteral("address"),  QStringLiteral("city_state_zip"),
                           QStringLiteral("description"), QStringLiteral("features"), QStringLiteral("photos"),
                           QStringLiteral("photo_folder")};
// Carried from the extras file beside the project; optional on write.
const QStringList kExtrasKeys = {QStringLiteral("listing_url"), QStringLiteral("crops"), QStringLiteral("status"),
                                 QStringLiteral("open_house")};
const QStringList kPhotoKeys = {QStringLiteral("path"), QStringLiteral("reserved")};

QJsonObject ToJson(const CFlyerData& record)
{
    QJsonArray features;
    for (const QString& feature : record.m_strFeatures)
        features.append(feature);
    QJsonArray photos;
    for (const FlyerPhoto& photo : record.m_photos) {
        const QByteArray reserved(reinterpret_cast<const char*>(photo.m_reserved.data()),
                                  qsizetype(photo.m_reserved.size()));
        photos.append(QJsonObject{{QStringLiteral("path"), photo.m_strPath},
                                  {QStringLiteral("reserved"), QString::fromLatin1(reserved.toHex())}});
    }
    return QJsonObject{
        {QStringLiteral("id"), record.m_strId},
        {QStringLiteral("created"), record.m_timeCreated},
        {QStringLiteral("printed_time"), record.m_timePrinted},
        {QStringLiteral("printed"), record.m_bPrinted},
        {QStringLiteral("theme"), record.m_strTheme},
        {QStringLiteral("font"), record.m_strFont},
        {QStringLiteral("color"), qint64(record.m_crColor)},
        {QStringLiteral("caption"), record.m_strCaption},
        {QStringLiteral("mls"), record.m_strMLS},
        {QStringLiteral("price"), record.m_strPrice},
        {QStringLiteral("address"), record.m_strAddress},
        {QStringLiteral("city_state_zip"), record.m_strCityStateZip},
        {QStringLiteral("description"), record.m_strDescription},
        {QStringLiteral("features"), features},
        {QStringLiteral("photos"), photos},
        {QStringLiteral("photo_folder"), record.m_strPhotoFolder},
    };
}

// Reads the JSON of "project show" back into a record; every problem is named in error.
class JsonRecordReader
{
public:
    QString error;

    bool CheckKeys(const QJsonObject& object, const QStringList& keys, const QString& where,
                   const QStringList& optional = {})
    {
        for (const QString& key : object.keys()) {
            if (!keys.contains(key) && !optional.contains(key))
                return Fail(QStringLiteral("unknown key \"%1\"%2").arg(key, where));
        }
        for (const QString& key : keys) {
            if (!object.contains(key))
                return Fail(QStringLiteral("missing key \"%1\"%2").arg(key, where));
        }
        return true;
    }

    bool Text(const QJsonObject& object, const QString& key, QString& out, const QString& where = QString())
    {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return Fail(QStringLiteral("\"%1\"%2 must be a string").arg(key, where));
        out = value.toString();
        return true;
    }

    template <typename T> bool Integer(const QJsonObject& object, const QString& key, T& out)
    {
        const std::optional<qint64> value = WholeNumber(object.value(key));
        if (!value || *value < qint64(std::numeric_limits<T>::min()) ||
            (*value > 0 && quint64(*value) > quint64(std::numeric_limits<T>::max())))
            return Fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                            .arg(key)
                            .arg(qint64(std::numeric_limits<T>::min()))
                            .arg(quint64(std::numeric_limits<T>::max())));
        out = T(*value);
        return true;
    }

    bool Reserved(const QJsonObject& photo, std::array<quint8, 16>& out, const QString& where)
    {
        QString hex;
        if (!Text(photo, QStringLiteral("reserved"), hex, where))
            return false;
        const bool wellFormed =
            hex.size() == 32 && std::all_of(hex.cbegin(), hex.cend(), [](QChar c) {
                return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
            });
        if (!wellFormed)
            return Fail(QStringLiteral("\"reserved\"%1 must be 32 hexadecimal digits").arg(where));
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        std::copy(bytes.cbegin(), bytes.cend(), out.begin());
        return true;
    }

    bool Read(const QJsonObject& object, CFlyerData& record)
    {
        if (!CheckKeys(object, kKeys, QString(), kExtrasKeys))
            return false;
        if (!Text(object, QStringLiteral("id"), record.m_strId) ||
            !Integer(object, QStringLiteral("created"), record.m_timeCreated) ||
            !Integer(object, QStringLiteral("printed_time"), record.m_timePrinted) ||
            !Integer(object, QStringLiteral("printed"), record.m_bPrinted) ||
            !Text(object, QStringLiteral("theme"), record.m_strTheme) ||
            !Text(object, QStringLiteral("font"), record.m_strFont) ||
            !Integer(object, QStringLiteral("color"), record.m_crColor) ||
            !Text(object, QStringLiteral("caption"), record.m_strCaption) ||
            !Text(object, QStringLiteral("mls"), record.m_strMLS) ||
            !Text(object, QStringLiteral("price"), record.m_strPrice) ||
            !Text(object, QStringLiteral("address"), record.m_strAddress) ||
            !Text(object, QStringLiteral("city_state_zip"), record.m_strCityStateZip) ||
            !Text(object, QStringLiteral("description"), record.m_strDescription) ||
            !Text(object, QStringLiteral("photo_folder"), record.m_strPhotoFolder))
            return false;

        const QJsonValue features = object.value(QStringLiteral("features"));
        if (!features.isArray() || features.toArray().size() != CFlyerData::kSlotCount)
            return Fail(QStringLiteral("\"features\" must be an array of 4 strings"));
        for (int slot = 0; slot < CFlyerData::kSlotCount; ++slot) {
            const QJsonValue feature = features.toArray().at(slot);
            if (!feature.isString())
                return Fail(QStringLiteral("\"features\" must be an array of 4 strings"));
            record.m_strFeatures[slot] = feature.toString();
        }

        const QJsonValue photos = object.value(QStringLiteral("photos"));
        if (!photos.isArray() || photos.toArray().size() != CFlyerData::kSlotCount)
            return Fail(QStringLiteral("\"photos\" must be an array of 4 objects"));
        for (int slot = 0; slot < CFlyerData::kSlotCount; ++slot) {
            const QJsonValue photo = photos.toArray().at(slot);
            const QString where = QStringLiteral(" in photo %1").arg(slot + 1);
            if (!photo.isObject())
                return Fail(QStringLiteral("\"photos\" must be an array of 4 objects"));
            if (!CheckKeys(photo.toObject(), kPhotoKeys, where) ||
                !Text(photo.toObject(), QStringLiteral("path"), record.m_photos[slot].m_strPath, where) ||
                !Reserved(photo.toObject(), record.m_photos[slot].m_reserved, where))
                return false;
        }
        return true;
    }

private:
    bool Fail(const QString& text)
    {
        error = text;
        return false;
    }

    // JSON numbers arrive as doubles or, when written without a fraction, as exact 64-bit integers.
    static std::optional<qint64> WholeNumber(const QJsonValue& value)
    {
        if (!value.isDouble())
            return std::nullopt;
        const qint64 a = value.toInteger(0);
        const qint64 b = value.toInteger(1);
        if (a != b)
            return std::nullopt;
        return a;
    }
};

// The key of a listing text in the JSON of "project show".
QString JsonName(ListingText field)
{
    switch (field) {
    case ListingText::Caption:
        return QStringLiteral("\"caption\"");
    case ListingText::MLSNumber:
        return QStringLiteral("\"mls\"");
    case ListingText::Price:
        return QStringLiteral("\"price\"");
    case ListingText::Address:
        return QStringLiteral("\"address\"");
    case ListingText::CityStateZip:
        return QStringLiteral("\"city_state_zip\"");
    case ListingText::Description:
        return QStringLiteral("\"description\"");
    default:
        return QStringLiteral("\"features\" %1").arg(int(field) - int(ListingText::Feature1) + 1);
    }
}

int Show(const QString& path)
{
    CFlyerData record;
    record.Reset();
    const FlyerFileStatus status = record.Load(path);
    if (!status.IsOk())
        return Cli::Fail(status.text);
    CListingExtras extras;
    const CListingExtras::Status extrasStatus = extras.Load(record.GetFolder(), path);
    // As in the window: a damaged extras file is reported and the project shown without it.
    if (extrasStatus.kind == CListingExtras::Damaged || extrasStatus.stale)
        Cli::Warn(extrasStatus.text);
    QJsonObject object = ToJson(record);
    const QJsonObject extrasObject = extras.ToJson();
    for (const QString& key : kExtrasKeys)
        object.insert(key, extrasObject.value(key));
    Cli::PrintJson(object);
    return Cli::Done;
}

int Write(const QString& path)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return Cli::Fail(QStringLiteral("cannot read standard input"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Cli::Fail(QStringLiteral("standard input is not JSON: %1 at offset %2")
                             .arg(parseError.errorString())
                             .arg(parseError.offset));
    if (!document.isObject())
        return Cli::Fail(QStringLiteral("standard input must hold one JSON object"));

    CFlyerData record;
    JsonRecordReader reader;
    if (!reader.Read(document.object(), record))
        return Cli::Fail(QStringLiteral("standard input: %1; nothing written").arg(reader.error));
    if (const auto tooLong = FirstTooLongText(record)) {
        return Cli::Fail(QStringLiteral("standard input: %1; nothing written")
                             .arg(TooLongMessage(JsonName(tooLong->field), *tooLong)));
    }
    QJsonObject extrasKeys;
    for (const QString& key : kExtrasKeys) {
        if (document.object().contains(key))
            extrasKeys.insert(key, document.object().value(key));
    }
    QString extrasError;
    const std::optional<CListingExtras> given = CListingExtras::FromJson(extrasKeys, &extrasError);
    if (!given)
        return Cli::Fail(QStringLiteral("standard input: %1; nothing written").arg(extrasError));

    record.SetPathName(path);
    // Keys of a newer program in an existing extras file stay; a damaged one is replaced.
    CListingExtras extras;
    extras.Load(record.GetFolder());
    const auto previousCrops = extras.m_crops;
    extras.m_strListingUrl = given->m_strListingUrl;
    extras.m_crops = given->m_crops;
    extras.m_status = given->m_status;
    extras.m_openHouse = given->m_openHouse;
    // The flyer shows "_photo0N.jpg": it is cut to the crop as Flyer Details cuts it, from the whole
    // "_original0N.jpg" beside it. Photos outside the project's folder are not the project's to cut.
    const QDir folder(record.GetFolder());
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        const QString photo = record.m_photos[size_t(i)].m_strPath;
        if (photo.isEmpty() || (!extras.m_crops[size_t(i)] && !previousCrops[size_t(i)]) ||
            PhotoCrop::CropSource(photo, i + 1) == photo || QDir(QFileInfo(photo).absolutePath()) != folder)
            continue;
        QString why;
        if (!PhotoCrop::MakeSlotPhoto(folder.path(), i + 1, extras.m_crops[size_t(i)], &why))
            return Cli::Fail(QStringLiteral("photo %1: %2; the project was not written").arg(i + 1).arg(why));
    }
    const FlyerFileStatus status = SaveProjectPair(record, &extras);
    if (!status.IsOk())
        return Cli::Fail(status.text);
    return Cli::Done;
}

int Run(const QStringList& args)
{
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--")))
        return Cli::Usage(QStringLiteral("project needs show or write and one FILE"));
    if (args.at(0) == QLatin1String("show"))
        return Show(args.at(1));
    if (args.at(0) == QLatin1String("write"))
        return Write(args.at(1));
    return Cli::Usage(QStringLiteral("unknown project command %1").arg(args.at(0)));
}

Cli::Registrar reg("project", "project show FILE | project write FILE", &Run);

} // namespace
