#include "catalogue/listitemstyle.h"

#include <QPainter>

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

void FillItemGradient(QPainter& painter, const QRect& rect)
{
    const QList<QRgb> rows = ItemGradientRows(rect.height());
    for (int y = 0; y < rows.size(); ++y)
        painter.fillRect(QRect(rect.left(), rect.top() + y, rect.width(), 1), QColor(rows.at(y)));
}

QRect SelectionBarRect(const QRect& item)
{
    return QRect(item.left(), item.top(), kListMargin, item.height());
}

namespace {

const QChar kEllipsis(0x2026);

// The text with an ellipsis, shortened until it fits.
QString CutWithEllipsis(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    for (qsizetype length = text.size(); length > 0; --length) {
        const QString candidate = text.left(length).trimmed() + kEllipsis;
        if (measure(candidate) <= width)
            return candidate;
    }
    return QString(kEllipsis);
}

} // namespace

QString ElideAtWord(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    if (measure(text) <= width)
        return text;
    const QString ellipsis(kEllipsis);
    qsizetype end = text.size();
    while ((end = text.lastIndexOf(QLatin1Char(' '), end - 1)) > 0) {
        const QString candidate = text.left(end).trimmed() + ellipsis;
        if (!text.left(end).trimmed().isEmpty() && measure(candidate) <= width)
            return candidate;
    }
    return CutWithEllipsis(text.left(text.size() - 1), width, measure);
}

QStringList WrapTextIntoLines(const QString& text, int width, int maxLines,
                              const std::function<int(const QString&)>& measure)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || measure(candidate) <= width) {
                line = candidate;
            } else {
                lines.append(line);
                line = word;
            }
        }
        lines.append(line);
    }
    const bool cut = lines.size() > std::max(1, maxLines);
    if (cut)
        lines.resize(std::max(1, maxLines));
    for (QString& line : lines) {
        if (measure(line) > width)
            line = CutWithEllipsis(line, width, measure);
    }
    if (cut && !lines.last().endsWith(kEllipsis))
        lines.last() = CutWithEllipsis(lines.last() + QLatin1Char(' '), width, measure);
    return lines;
}
