#pragma once

#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "flyer/pagesize.h"

#include <QSize>
#include <QString>

// How a flyer looks: the theme and its template, the font and the highlight colour.
struct FlyerLook
{
    QString themeName;    // the catalogue's name, or the template's path for a template file
    QString templatePath; // absolute; its folder is one the page may load from
    QString font;
    quint32 color = 0; // 0x00BBGGRR

    friend bool operator==(const FlyerLook&, const FlyerLook&) = default;
};

enum class FlyerMode
{
    Project, // the open listing
    Preview, // the preview data: no project open
    Cover    // a theme's cover: preview data in the theme's own typeface and colour
};

// Everything that names one flyer to draw: its look, the listing and its extras, and the page.
struct FlyerRequest
{
    FlyerLook look;
    CFlyerData record;
    CListingExtras extras;
    FlyerMode mode = FlyerMode::Project;
    QSize pageSize = kLetterPage; // the theme's declared page
    // A two-sided theme's back page: merged from the same request and drawn after the front. Empty
    // for a theme of one page.
    QString backTemplatePath;

    bool ProjectMode() const { return mode == FlyerMode::Project; }
};
