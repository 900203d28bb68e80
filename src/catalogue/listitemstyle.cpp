#include "catalogue/listitemstyle.h"

#include <cmath>

QList<QRgb> ItemGradientRows(int height)
{
    QList<QRgb> rows;
    if (height <= 0)
        return rows;
    rows.reserve(height);
    const double bandTop = 0.2 * height;
    const double bandBottom = bandTop + 0.4 * (height - bandTop);
    const int grey = qRed(kListBackground);
    for (int y = 0; y < height; ++y) {
        const double centre = y + 0.5;
        int level = 255;
        if (centre >= bandBottom) {
            level = grey;
        } else if (centre >= bandTop) {
            const int step = std::min(63, int((centre - bandTop) / (bandBottom - bandTop) * 64));
            level = 255 - int(std::lround((255 - grey) * step / 63.0));
        }
        rows.append(qRgb(level, level, level));
    }
    return rows;
}

QRect SelectionBarRect(const QRect& item)
{
    return QRect(item.left(), item.top(), kListMargin, item.height());
}

QString ElideAtWord(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    if (measure(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    qsizetype end = text.size();
    while ((end = text.lastIndexOf(QLatin1Char(' '), end - 1)) > 0) {
        const QString candidate = text.left(end).trimmed() + ellipsis;
        if (!text.left(end).trimmed().isEmpty() && measure(candidate) <= width)
            return candidate;
    }
    for (qsizetype length = text.size() - 1; length > 0; --length) {
        const QString candidate = text.left(length) + ellipsis;
        if (measure(candidate) <= width)
            return candidate;
    }
    return ellipsis;
}
