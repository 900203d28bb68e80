#pragma once

#include "catalogue/themefilter.h"

#include <QList>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

class CXThemeCatalogue;
class CXThemeTemplateInfo;

// An entry of the theme filter: its text and the photo count it filters by (0 for all themes).
struct ThemeFilterEntry
{
    QString text;
    int value;
};

// The filter's entries in their order. There is no two-photo entry.
const QList<ThemeFilterEntry>& ThemeFilterEntries();

// Position of the first filter entry with that value, or -1.
int ThemeFilterIndexOf(int value);

// The format filter's entries in their order ("Flyers", "Postcards", "Social media", "All") with
// their ThemeFormatValue.
const QList<ThemeFilterEntry>& ThemeFormatEntries();

// An entry of the theme list: the theme's name and its index in the catalogue.
struct ThemeListEntry
{
    QString name;
    qsizetype index;
};

// The themes listed under a filter value (-1 when no filter entry is selected) and a format
// (ThemeFormatValue), in catalogue order.
QList<ThemeListEntry> BuildThemeList(const CXThemeCatalogue& catalogue, int filterValue, int formatValue = kFormatAll);

// Position of the entry whose name equals the name, ignoring case, or -1.
int FindThemeEntry(const QList<ThemeListEntry>& entries, const QString& name);

// The description under a theme's name: photos, orientation, page size in inches, version, date.
QString ThemeDetailsText(const CXThemeTemplateInfo& theme);

// Where a theme item of the given rectangle draws its parts.
struct ThemeItemLayout
{
    QRect coverBox;     // 70 pixels wide from the margin, the item high: gets its own gradient
    QRect coverFrame;   // the cover box less 2 pixels left and right and 3 top and bottom
    QRect textArea;     // right of the cover box, less 2 pixels on every side
    QRect titleBox;     // top 24 percent of the text area, less 2 pixels on every side
    QRect detailsBox;   // the next 76 percent, less 2 pixels on every side
    QRect selectionBar; // the margin wide, the item high, at its left edge
};

ThemeItemLayout CalcThemeItemLayout(const QRect& item);

// The cover picture shrunk to fit the frame (never enlarged, proportions kept) and centred in it.
QRect CoverPictureRect(QSize picture, const QRect& frame);

// A 3-pixel soft shadow to the right of and below the frame: rectangles and their colours, drawn in order.
struct ShadowStrip
{
    QRect rect;
    QRgb color;
};
QList<ShadowStrip> CoverShadow(const QRect& frame);
