#include "flyer/pagesize.h"

QSize FlyerPageSize(int width, int height)
{
    const auto inRange = [](int side) { return side >= kMinPagePixels && side <= kMaxPagePixels; };
    if (!inRange(width) || !inRange(height))
        return kLetterPage;
    return QSize(width, height);
}

QSizeF PagePoints(QSize page)
{
    return QSizeF(page.width() * 72.0 / kPixelsPerInch, page.height() * 72.0 / kPixelsPerInch);
}

QSizeF PageInches(QSize page)
{
    return QSizeF(double(page.width()) / kPixelsPerInch, double(page.height()) / kPixelsPerInch);
}
