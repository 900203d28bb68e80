#pragma once

#include <QString>

#include <optional>

class CFlyerData;

// How long each listing text may be, counted in characters as the project file stores them (the
// description with "<br>" for each line break). A text longer than this is refused where it is
// entered (Flyer Details, "project write", a batch row): the page of a longer one takes the
// renderer longer than it is given, and every flyer of the project would fail.
inline constexpr qsizetype kMaxDescriptionLength = 64 * 1024;
inline constexpr qsizetype kMaxListingTextLength = 4 * 1024;
// The longest of them: a spreadsheet cell longer than this is refused while it is read.
inline constexpr qsizetype kMaxListingCellLength = kMaxDescriptionLength;

enum class ListingText
{
    Caption,
    MLSNumber,
    Price,
    Address,
    CityStateZip,
    Description,
    Feature1,
    Feature2,
    Feature3,
    Feature4,
};
inline constexpr int kListingTextCount = 10;

qsizetype ListingTextLimit(ListingText field);
// The field's name as the Flyer Details dialog labels it: "Listing Caption", "Listing Feature #2".
QString ListingTextName(ListingText field);
const QString& ListingTextOf(const CFlyerData& flyer, ListingText field);

struct ListingTextTooLong
{
    ListingText field;
    qsizetype length;
    qsizetype limit;
};

// The text as stored for that field, if it is longer than the field may be.
std::optional<ListingTextTooLong> CheckListingTextLength(ListingText field, const QString& stored);
// The first listing text of the record, in the dialog's order, that is too long.
std::optional<ListingTextTooLong> FirstTooLongText(const CFlyerData& flyer);

// "'Listing Description' holds 524,288 characters; at most 65,536 are allowed" with the name given.
QString TooLongMessage(const QString& name, const ListingTextTooLong& failure);
