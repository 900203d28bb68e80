#pragma once

#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"

#include <QRect>
#include <QStringList>

#include <array>
#include <optional>

class CAppSettings;

// Writing a project's listing from Flyer Details: its folder, its photos (taken in and cropped) and
// its two files.
namespace ProjectFiles {

// What a save of the listing files gave: saved or not, and what the user must be told, in order.
struct CSaveOutcome
{
    bool saved = false;
    QStringList warnings;
};

using Crops = std::array<std::optional<QRect>, CFlyerData::kSlotCount>;

// The listing fields of a Flyer Details record: caption to photos, features, photo folder.
void CopyListingFields(const CFlyerData& from, CFlyerData& to);

// What Flyer Details edits of the extras (web address, crops); the rest of `to` stays.
void CopyDetailsExtras(const CListingExtras& from, CListingExtras& to);

// A new project from the listing fields of details, made now, in the default look of the options.
CFlyerData NewRecord(const CFlyerData& details, const CAppSettings& settings);

// Makes the project's folder, takes its photos in (cropped where the crop differs from
// previousCrops) and writes the project file and its extras. The record's photo paths and path
// name point into the folder afterwards.
CSaveOutcome SaveListingFiles(CFlyerData& record, const CListingExtras& extras, const Crops& previousCrops,
                              const CAppSettings& settings);

} // namespace ProjectFiles
