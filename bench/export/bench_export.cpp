// Export of the flyer bitmap to a PDF file against one quality-100 JPEG encode of the same
// 816 x 1056 bitmap into memory. Prints the medians and their ratio (goal: at most 1.3).

#include "output/flyerexport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A flyer-like page: white paper, a large photo-like picture with fine detail, a coloured band,
// text lines and a smaller picture, so the JPEG carries about what a real flyer does.
QImage SyntheticFlyer()
{
    QImage flyer(816, 1056, QImage::Format_ARGB32);
    flyer.fill(Qt::white);
    QImage photo(760, 420, QImage::Format_RGB32);
    uint32_t seed = 7u;
    for (int y = 0; y < photo.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 29) - 4;
            const double leaves = std::sin(x * 0.21 + std::sin(y * 0.13) * 3.0) * std::sin(y * 0.17);
            const bool sky = y < 180 + 30 * std::sin(x * 0.02);
            const int r = sky ? 120 + y / 4 : 60 + int(35 * leaves);
            const int g = sky ? 160 + y / 5 : 115 + int(45 * leaves);
            const int b = sky ? 230 : 45 + int(20 * leaves);
            line[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255), std::clamp(b + grain, 0, 255));
        }
    }
    QPainter painter(&flyer);
    painter.drawImage(28, 90, photo);
    painter.drawImage(28, 880, photo.scaled(140, 150));
    painter.fillRect(28, 20, 760, 50, QColor(0, 99, 177));
    painter.fillRect(28, 560, 760, 36, QColor(230, 238, 246));
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    for (int i = 0; i < 14; ++i)
        painter.drawText(28 + (i % 2) * 390, 630 + (i / 2) * 24,
                         QStringLiteral("Bright rooms, a renovated kitchen and a garden facing south %1.").arg(i));
    for (int i = 0; i < 7; ++i)
        painter.drawText(190, 900 + i * 18, QStringLiteral("Agent line %1: 555-0100, agent@example.com").arg(i));
    return flyer;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    int runs = 15;
    if (argc > 1)
        runs = std::max(1, QString::fromLocal8Bit(argv[1]).toInt());

    const QImage flyer = SyntheticFlyer();
    QTemporaryDir work;
    const QDir dir(work.path());
    const QString temp = dir.filePath(QStringLiteral("Temp"));
    const QString pdf = dir.filePath(QStringLiteral("flyer.pdf"));

    std::vector<double> exportMs;
    std::vector<double> encodeMs;
    qint64 pdfBytes = 0;
    qint64 jpegBytes = 0;
    // The PDF writer reports each page on standard output: part of the work, but not of the report.
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    // One of each first, unmeasured: plug-in loading and first-touch allocations.
    for (int i = -1; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!ExportFlyerFile(flyer, pdf, temp, QStringLiteral("BENCH"), &error)) {
            std::fprintf(stderr, "bench_export: %s\n", qPrintable(error));
            return 1;
        }
        const double exportTime = timer.nsecsElapsed() / 1e6;

        timer.restart();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(100);
        if (!writer.write(flyer)) {
            std::fprintf(stderr, "bench_export: the JPEG encoder failed\n");
            return 1;
        }
        const double encodeTime = timer.nsecsElapsed() / 1e6;
        if (i < 0)
            continue;
        exportMs.push_back(exportTime);
        encodeMs.push_back(encodeTime);
        pdfBytes = QFile(pdf).size();
        jpegBytes = buffer.size();
    }

    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);

    const double exportMedian = Median(exportMs);
    const double encodeMedian = Median(encodeMs);
    std::printf("export to PDF (816 x 1056, %lld bytes): median %.1f ms of %d\n", static_cast<long long>(pdfBytes),
                exportMedian, runs);
    std::printf("peer: one quality-100 JPEG encode (%lld bytes): median %.1f ms\n", static_cast<long long>(jpegBytes),
                encodeMedian);
    std::printf("ratio export / JPEG encode: %.2f (goal <= 1.30)\n", exportMedian / encodeMedian);
    return 0;
}
