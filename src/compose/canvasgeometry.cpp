#include "compose/canvasgeometry.h"

#include "imaging/imagelibrary.h"

QRect CanvasPageRect(QSize client, QSize page, int margin)
{
    const QRect area = QRect(QPoint(0, 0), client).adjusted(margin, margin, -margin, -margin);
    const QSize fitted = ResizeProportionally(page.width(), page.height(), area);
    const int left = client.width() / 2 - fitted.width() / 2;
    const int top = client.height() / 2 - fitted.height() / 2;
    return QRect(left, top, fitted.width(), fitted.height());
}

QRect CanvasPictureRect(QSize picture, const QRect& pageRect)
{
    return QRect(pageRect.topLeft(), ResizeProportionally(picture.width(), picture.height(), pageRect));
}

QList<CanvasShadowRing> CanvasShadow(const QRect& pageRect, int depth)
{
    QList<CanvasShadowRing> rings;
    if (depth <= 0 || pageRect.isEmpty())
        return rings;
    const int right = pageRect.x() + pageRect.width();   // first column right of the sheet
    const int bottom = pageRect.y() + pageRect.height(); // first row below it
    for (int d = 0; d < depth; ++d) {
        CanvasShadowRing ring;
        // Each ring is an L of one-pixel strips that start `depth` pixels in from the sheet's corners
        // and move out by one pixel per ring; the right strip takes the corner pixel.
        ring.right = QRect(right + d, pageRect.y() + depth + d, 1, pageRect.height() - depth + 1);
        ring.bottom = QRect(pageRect.x() + depth + d, bottom + d, pageRect.width() - depth, 1);
        ring.brightness = 0.5 + 0.5 * qreal(d) / qreal(depth);
        rings.append(ring);
    }
    return rings;
}
