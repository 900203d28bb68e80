#pragma once

#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

// Flyer pages are measured in CSS pixels, 96 to the inch.
inline constexpr int kPixelsPerInch = 96;

// The page of a theme that declares none, and of every flyer before themes could choose.
inline constexpr QSize kLetterPage(816, 1056); // 8.5 x 11 inches

// What a theme may declare: from an inch and a half (a business card's short side) to 50 inches.
inline constexpr int kMinPagePixels = 144;
inline constexpr int kMaxPagePixels = 4800;

// The declared size when both sides are in range, else Letter.
QSize FlyerPageSize(int width, int height);

// The page in PDF points (72 to the inch).
QSizeF PagePoints(QSize page);

// The page in inches.
QSizeF PageInches(QSize page);

// The name of a page's format as the theme list and listora-cli know it: "letter",
// "letter-landscape", "square", "story", "link", "postcard-6x4", "postcard-9x6", else "custom".
QString PageFormatName(QSize page);
// Every name PageFormatName gives, "custom" last.
QStringList PageFormatNames();

// The groups of formats the theme list offers: flyers (letter, letter-landscape and any other size),
// postcards (postcard-6x4, postcard-9x6) and social media pictures (square, story, link).
enum class PageGroup
{
    Flyers,
    Postcards,
    Social
};
PageGroup PageGroupOf(QSize page);
inline bool IsSocialPage(QSize page)
{
    return PageGroupOf(page) == PageGroup::Social;
}
