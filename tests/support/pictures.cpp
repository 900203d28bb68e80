#include "support/pictures.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace TestSupport {

double Psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int dr = qRed(p[col]) - qRed(q[col]);
            const int dg = qGreen(p[col]) - qGreen(q[col]);
            const int db = qBlue(p[col]) - qBlue(q[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int CountPixels(const QImage& image, int step, const std::function<bool(QRgb)>& test)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); y += step) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += step)
            count += test(line[x]) ? 1 : 0;
    }
    return count;
}

double GradientEnergy(const QImage& image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y + 1 < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const uchar* next = grey.constScanLine(y + 1);
        for (int x = 0; x + 1 < grey.width(); ++x) {
            const double dx = row[x + 1] - row[x];
            const double dy = next[x] - row[x];
            sum += dx * dx + dy * dy;
        }
    }
    return sum;
}

QImage YellowBlueHalves(QSize size)
{
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(QColor(20, 60, 200));
    for (int y = 0; y < photo.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        std::fill(line, line + size.width() / 2, qRgb(255, 220, 0));
    }
    return photo;
}

bool ShowsOnlyBlueHalf(const QImage& page, QString* why)
{
    const int yellow =
        CountPixels(page, 2, [](QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 170 && qBlue(pixel) < 90; });
    const int blue =
        CountPixels(page, 2, [](QRgb pixel) { return qRed(pixel) < 70 && qGreen(pixel) < 110 && qBlue(pixel) > 150; });
    if (why)
        *why = QStringLiteral("blue %1, yellow %2").arg(blue).arg(yellow);
    return blue > 100000 && yellow < 500;
}

} // namespace TestSupport
