#pragma once

#include "flyer/flyerrequest.h"

namespace TestSupport {

// A request for a listing as the tests draw it; the preview data fills the page when projectMode is off.
inline FlyerRequest Request(const CFlyerData& flyer, bool projectMode = true, const QString& listingUrl = QString(),
                            const FlyerLook& look = FlyerLook())
{
    FlyerRequest request;
    request.look = look;
    request.record = flyer;
    request.extras.m_strListingUrl = listingUrl;
    request.mode = projectMode ? FlyerMode::Project : FlyerMode::Preview;
    return request;
}

// The same with the listing's whole extras file (status, open house, web address).
inline FlyerRequest Request(const CFlyerData& flyer, bool projectMode, const CListingExtras& extras)
{
    FlyerRequest request = Request(flyer, projectMode);
    request.extras = extras;
    return request;
}

} // namespace TestSupport
