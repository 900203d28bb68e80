#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Where the flyer canvas draws its parts. Pure arithmetic, so the rules are checked without a window.

// The sheet: the page shrunk (never enlarged, proportions kept) into the client area less margin on
// every side, then centred in the whole client area. Each half is taken separately, rounding toward
// zero, so a 700 x 600 area with margin 10 puts an 816 x 1056 page at (126, 10), 448 x 580.
QRect CanvasPageRect(QSize client, QSize page, int margin);

// Where a picture of the given size is drawn on the sheet: shrunk into it and placed at its top-left
// corner. The flyer has the sheet's proportions, so it covers the sheet exactly.
QRect CanvasPictureRect(QSize picture, const QRect& pageRect);

// One ring of the sheet's drop shadow: the strip right of and the strip below the sheet at one
// distance from it, and how bright the background stays there (0.5 next to the sheet, rising
// toward 1.0 at the outer edge).
struct CanvasShadowRing
{
    QRect right;
    QRect bottom;
    qreal brightness;
};

// The shadow of the given depth below and right of the sheet, nearest ring first. The shadow is
// offset by its depth, as light from the upper left casts it.
QList<CanvasShadowRing> CanvasShadow(const QRect& pageRect, int depth);
