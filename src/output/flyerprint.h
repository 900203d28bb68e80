#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

class CFlyerData;

// The arithmetic and record keeping of printing; the printer itself is driven by the widgets.

// The print job's name: "MLS - address - city line".
QString PrintJobName(const CFlyerData& flyer);

// A printable area given in millimetres, in hundredths of an inch, kept in single precision as the
// flyer has always been measured: an A4 page's 200 x 287 mm area is 787.4 x 1129.9.
QSizeF PrintableAreaHundredths(const QSizeF& millimetres);

// Records that the flyer was printed now, with the theme, font and colour it was printed in.
void MarkFlyerPrinted(CFlyerData& flyer, const QString& theme, const QString& font, quint32 color);

// Where a flyer of size flyer goes in a printable area of size area: scaled by one factor to fit,
// proportions kept, centred.
QRectF FitFlyerRect(const QSizeF& area, const QSizeF& flyer);

// Where a flyer page of page (CSS pixels, 96 to the inch) prints, in hundredths of an inch from the
// printable area's corner, on paper of size paper with the printable area area (both in hundredths,
// area from the paper's corner). A Letter flyer is fitted to the printable area as it always was
// (FitFlyerRect); any other page, a postcard above all, prints at its actual size centred on the
// paper, kept within the printable area, and is fitted only when it is larger than that area.
QRectF PrintPageRect(const QSizeF& paper, const QRectF& area, QSize page);
