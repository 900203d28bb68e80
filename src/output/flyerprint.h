#pragma once

#include <QRectF>
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
