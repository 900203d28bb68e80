#pragma once

#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"

// The two records the save child writes in turn. They differ in every field and in size, so any
// mix of the two, or a cut-off copy of either, is told apart from a whole file.
inline CFlyerData SaveKillRecord(int variant)
{
    const QChar fill = QLatin1Char(variant == 0 ? 'a' : 'b');
    CFlyerData record;
    record.m_strId = QString(CFlyerData::kIdLength, fill);
    record.m_timeCreated = variant == 0 ? 1700000000 : 1800000000;
    record.m_timePrinted = record.m_timeCreated;
    record.m_bPrinted = variant;
    record.m_strTheme = QString(20, fill);
    record.m_strCaption = QString(40, fill);
    // Large enough that writing and syncing take a while, so that most kills land in the middle.
    record.m_strDescription = QString(variant == 0 ? 600000 : 900000, fill);
    for (FlyerPhoto& photo : record.m_photos) {
        photo.m_strPath = QString(100, fill);
        photo.m_reserved.fill(quint8(variant == 0 ? 0xAA : 0xBB));
    }
    record.m_strPhotoFolder = QString(30, fill);
    return record;
}

// The extras saved with each record: told apart by their web address.
inline CListingExtras SaveKillExtras(int variant)
{
    CListingExtras extras;
    extras.m_strListingUrl = QStringLiteral("https://homes.example/%1").arg(variant == 0 ? "a" : "b");
    return extras;
}
