#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// Where a listing stands in its campaign: the flyer shows it as a banner in the highlight colour.
enum class ListingStatus
{
    None,
    JustListed,
    ComingSoon,
    OpenHouse,
    PriceReduced,
    UnderContract,
    Sold
};

inline constexpr int kListingStatusCount = 7;

// The stored word of a status ("open_house"; "" for none) and back; nullopt for any other word.
QString StatusKey(ListingStatus status);
std::optional<ListingStatus> StatusFromKey(const QString& key);
// The words a status may be written as, quoted and joined, for a refusal that names them.
QString StatusKeysText();
// What the flyer and the drop-down show: "Just Listed" ... "Sold"; empty for none.
QString StatusLabel(ListingStatus status);

struct COpenHouse
{
    QDate date;
    QTime start;
    QTime end;

    friend bool operator==(const COpenHouse&, const COpenHouse&) = default;
};

// Reads "YYYY-MM-DD", "HH:MM", "HH:MM" as the extras file, "project write" and a sheet give them;
// the end must come after the start on the same day. error names what is wrong.
std::optional<COpenHouse> ReadOpenHouse(const QString& date, const QString& start, const QString& end, QString* error);

// "1-4 PM", "10 AM-1 PM", "10:30-11:45 AM": US English, the half of the day said once when the
// whole range lies in it, whole hours without minutes.
QString OpenHouseTimes(const QTime& start, const QTime& end);
// "Open House Sunday, March 7, 1-4 PM".
QString OpenHouseLine(const COpenHouse& openHouse);
