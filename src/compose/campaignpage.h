#pragma once

#include "flyer/flyerrequest.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

class CAppSettings;

// One page to make: the theme's template, merged with the listing.
struct CCampaignPage
{
    QString templateText;
    FlyerRequest request;
    const CAppSettings* settings = nullptr;
};

// How the browser engine makes a campaign's pages, given by whoever owns the engine (the window's,
// the command line's, a batch lane's).
struct CCampaignEngine
{
    // The print-quality PDF of the page; press: on its sheet with the bleed, trim and bleed boxes.
    std::function<bool(const CCampaignPage& page, bool press, QByteArray& pdf, QString* error)> printPdf;
    // The page drawn at its own size in pixels.
    std::function<bool(const CCampaignPage& page, QImage& picture, QString* error)> picture;
};
