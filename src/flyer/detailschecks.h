#pragma once

#include <QString>

#include <array>
#include <optional>

// The input checks of the Flyer Details dialog, kept apart from the window so each message, its
// order and the field it points at can be checked on their own.

inline constexpr int kMaxFeatureLength = 18;

enum class DetailsField
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
    MainPhotoButton,
};

struct FlyerDetailsInput
{
    QString caption;
    QString mlsNumber;
    QString price;
    QString address;
    QString cityStateZip;
    QString description;
    std::array<QString, 4> features;
    bool hasMainPhoto = false; // slot 1 shows a picture whose file exists
};

struct DetailsCheckFailure
{
    QString message;
    DetailsField focus;
    bool warning = false; // exclamation rather than information icon
    qsizetype limit = 0;  // for a text that is too long: the most characters it may hold
};

// The first failing check in the order the user is told about them, or nothing when Save may go on.
std::optional<DetailsCheckFailure> CheckFlyerDetails(const FlyerDetailsInput& input);

// Smallest sizes a photo must exceed (strictly) in slot 1 (main photo) or slots 2-4.
struct PhotoMinimum
{
    int width;
    int height;
};
PhotoMinimum PhotoMinimumForSlot(int slot);

// Orientation word for the photo note: 0 portrait, 1 landscape, 2 square, anything else "N/A".
QString PhotoOrientationWord(int orientation);

// Checks a chosen photo for slot 1-4 from its measured size. Returns an empty text when it is
// accepted, else the message that tells the user why not. `infoOk` is false when the photo could
// not be examined at all.
QString CheckListingPhoto(int slot, const QString& path, bool infoOk, int width, int height, int orientation);

// The description is stored with "<br>" for its line breaks; the edit shows real line breaks.
QString DescriptionForEdit(const QString& stored);
QString DescriptionFromEdit(const QString& edited);

// "14/18": how much of a feature line is used, shown beside the edit so a cut line is no surprise.
QString FeatureCountText(const QString& feature);
