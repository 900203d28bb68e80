#include "controls/picturefit.h"

#include <algorithm>
#include <cmath>

QSize ShrinkToFit(QSize picture, QSize box)
{
    const double W = std::max(0, picture.width());
    const double H = std::max(0, picture.height());
    const double BW = std::max(0, box.width());
    const double BH = std::max(0, box.height());
    double w = W;
    double h = H;
    // Each step fixes one side to the box and derives the other from the picture's own ratio; the
    // divisor is always a side larger than the box, so never zero. Two steps always suffice.
    for (int step = 0; step < 4 && (w > BW || h > BH); ++step) {
        const bool fixHeight = (H >= W) ? (h > BH) : !(w > BW);
        if (fixHeight) {
            h = BH;
            w = std::trunc(BH / H * W);
        } else {
            w = BW;
            h = std::trunc(BW / W * H);
        }
    }
    return QSize(int(w), int(h));
}

QRect FitPictureRect(QSize picture, const QRect& client, int margin)
{
    const QRect box = client.adjusted(margin, margin, -margin, -margin);
    if (box.width() <= 0 || box.height() <= 0 || picture.isEmpty())
        return QRect();
    const QSize size = ShrinkToFit(picture, box.size());
    if (size.isEmpty())
        return QRect();
    return QRect(box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2, size.width(),
                 size.height());
}

QRect PlaceResourcePicture(QSize picture, const QRect& client, bool fit, int verticalAlignment)
{
    if (picture.isEmpty() || client.isEmpty())
        return QRect();
    const QSize size = fit ? ShrinkToFit(picture, client.size()) : picture;
    const int x = fit ? client.x() + (client.width() - size.width()) / 2 : client.x();
    int y = client.y() + (client.height() - size.height()) / 2;
    if (verticalAlignment == 0)
        y = client.y();
    else if (verticalAlignment == 2)
        y = client.bottom() + 1 - size.height();
    return QRect(QPoint(x, y), size);
}
