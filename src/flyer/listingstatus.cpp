#include "flyer/listingstatus.h"

#include <QLocale>

#include <array>

namespace {

struct StatusName
{
    ListingStatus status;
    const char* key;
    const char* label;
};

constexpr std::array<StatusName, kListingStatusCount> kStatuses = {{
    {ListingStatus::None, "", ""},
    {ListingStatus::JustListed, "just_listed", "Just Listed"},
    {ListingStatus::ComingSoon, "coming_soon", "Coming Soon"},
    {ListingStatus::OpenHouse, "open_house", "Open House"},
    {ListingStatus::PriceReduced, "price_reduced", "Price Reduced"},
    {ListingStatus::UnderContract, "under_contract", "Under Contract"},
    {ListingStatus::Sold, "sold", "Sold"},
}};

QString Clock(const QTime& time)
{
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    if (time.minute() == 0)
        return QString::number(hour);
    return QStringLiteral("%1:%2").arg(hour).arg(time.minute(), 2, 10, QLatin1Char('0'));
}

QString Half(const QTime& time)
{
    return time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
}

std::optional<QTime> ReadClock(const QString& text)
{
    // Exactly "HH:MM": a sheet's "1pm" or "13.00" would otherwise read as some other hour.
    if (text.size() != 5 || text.at(2) != QLatin1Char(':'))
        return std::nullopt;
    const QTime time = QTime::fromString(text, QStringLiteral("HH:mm"));
    if (!time.isValid())
        return std::nullopt;
    return time;
}

} // namespace

QString StatusKey(ListingStatus status)
{
    for (const StatusName& name : kStatuses) {
        if (name.status == status)
            return QString::fromLatin1(name.key);
    }
    return QString();
}

std::optional<ListingStatus> StatusFromKey(const QString& key)
{
    for (const StatusName& name : kStatuses) {
        if (key == QLatin1String(name.key))
            return name.status;
    }
    return std::nullopt;
}

QString StatusKeysText()
{
    QStringList keys;
    for (const StatusName& name : kStatuses)
        keys.append(QLatin1Char('"') + QString::fromLatin1(name.key) + QLatin1Char('"'));
    return keys.join(QStringLiteral(", "));
}

QString StatusLabel(ListingStatus status)
{
    for (const StatusName& name : kStatuses) {
        if (name.status == status)
            return QString::fromLatin1(name.label);
    }
    return QString();
}

std::optional<COpenHouse> ReadOpenHouse(const QString& date, const QString& start, const QString& end, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::optional<COpenHouse>();
    };
    COpenHouse openHouse;
    openHouse.date = QDate::fromString(date, Qt::ISODate);
    if (date.size() != 10 || !openHouse.date.isValid())
        return fail(QStringLiteral("the open house date \"%1\" is not a date written YYYY-MM-DD").arg(date));
    const std::optional<QTime> from = ReadClock(start);
    if (!from)
        return fail(QStringLiteral("the open house start \"%1\" is not a time written HH:MM").arg(start));
    const std::optional<QTime> to = ReadClock(end);
    if (!to)
        return fail(QStringLiteral("the open house end \"%1\" is not a time written HH:MM").arg(end));
    if (*to <= *from)
        return fail(QStringLiteral("the open house ends (%1) before it starts (%2)").arg(end, start));
    openHouse.start = *from;
    openHouse.end = *to;
    return openHouse;
}

QString OpenHouseTimes(const QTime& start, const QTime& end)
{
    if (Half(start) == Half(end))
        return Clock(start) + QLatin1Char('-') + Clock(end) + QLatin1Char(' ') + Half(end);
    return Clock(start) + QLatin1Char(' ') + Half(start) + QLatin1Char('-') + Clock(end) + QLatin1Char(' ') + Half(end);
}

QString OpenHouseLine(const COpenHouse& openHouse)
{
    // The flyer is American English whatever the desktop's language.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Open House %1, %2")
        .arg(english.toString(openHouse.date, QStringLiteral("dddd, MMMM d")),
             OpenHouseTimes(openHouse.start, openHouse.end));
}
