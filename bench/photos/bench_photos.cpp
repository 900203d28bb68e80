// Photo intake of one 12-megapixel JPEG (the full-size copy, which for an upright camera JPEG is its
// own bytes, and the 600-pixel photo) against the libjpeg-turbo floor on the same picture: djpeg
// piped into cjpeg -quality 100, plus cjpeg -quality 100 of the 600-pixel result. Prints medians and
// the ratio.

#include "imaging/imagelibrary.h"
#include "imaging/photointake.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// A photo-like scene: sky gradient, hills, a house front with windows, foliage texture and sensor
// grain, so the JPEG carries about the detail of a real camera picture rather than flat colour.
QImage SyntheticPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t seed = 12345u;
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 29) - 4;
            const double horizon = 0.45 + 0.08 * std::sin(fx * 7.0) + 0.03 * std::sin(fx * 41.0);
            double r, g, b;
            if (fy < horizon) {
                const double cloud = 0.5 + 0.5 * std::sin(fx * 11.0 + std::sin(fy * 17.0) * 2.0);
                r = 110 + 90 * fy + 60 * cloud * (1 - fy);
                g = 150 + 70 * fy + 55 * cloud * (1 - fy);
                b = 235 - 20 * fy + 15 * cloud;
            } else {
                const double leaves = std::sin(x * 0.21 + std::sin(y * 0.13) * 3.0) * std::sin(y * 0.17);
                r = 55 + 35 * leaves + 30 * fy;
                g = 110 + 45 * leaves;
                b = 40 + 20 * leaves;
            }
            if (fx > 0.3 && fx < 0.72 && fy > 0.38 && fy < 0.9) {
                const bool window = (int(fx * 40) % 5 == 2) && (int(fy * 30) % 6 >= 2);
                const double siding = (y % 14 < 2) ? 0.8 : 1.0;
                r = window ? 40 + 30 * fy : 215 * siding;
                g = window ? 55 + 20 * fy : 200 * siding;
                b = window ? 70 : 175 * siding;
            }
            const auto channel = [grain](double v) { return std::clamp(int(v) + grain, 0, 255); };
            line[x] = qRgb(channel(r), channel(g), channel(b));
        }
    }
    return image;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool Shell(const QString& command)
{
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command}) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    int runs = 7;
    if (argc > 1)
        runs = std::max(1, QString::fromLocal8Bit(argv[1]).toInt());
    for (const char* tool : {"djpeg", "cjpeg"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::fprintf(stderr, "bench_photos: %s not found (libjpeg-turbo-progs, scripts/setup.sh)\n", tool);
            return 1;
        }
    }

    QTemporaryDir work;
    const QDir dir(work.path());
    const QString source = dir.filePath(QStringLiteral("camera.jpg"));
    {
        QImageWriter writer(source, "jpeg");
        writer.setQuality(92);
        if (!writer.write(SyntheticPhoto(4000, 3000))) {
            std::fprintf(stderr, "bench_photos: cannot write the test picture\n");
            return 1;
        }
    }
    const QString project = dir.filePath(QStringLiteral("project"));
    const QString floorDir = dir.filePath(QStringLiteral("floor"));
    QDir().mkpath(project);
    QDir().mkpath(floorDir);

    // The floor's second part encodes the same 600-pixel picture that the intake makes.
    std::array<QString, kPhotoSlots> paths = {source};
    if (!ProcessPhotos(project, paths)) {
        std::fprintf(stderr, "bench_photos: the intake failed\n");
        return 1;
    }
    const QString reducedPpm = dir.filePath(QStringLiteral("photo600.ppm"));
    QImage(paths[0]).convertToFormat(QImage::Format_RGB888).save(reducedPpm, "ppm");

    const QString floorCommand =
        QStringLiteral(
            "djpeg '%1' | cjpeg -quality 100 > '%2/original.jpg' && cjpeg -quality 100 '%3' > '%2/photo.jpg'")
            .arg(source, floorDir, reducedPpm);

    std::vector<double> ours, floor;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        paths = {source};
        timer.start();
        const bool ok = ProcessPhotos(project, paths);
        ours.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        const bool floorOk = Shell(floorCommand);
        floor.push_back(timer.nsecsElapsed() / 1e6);
        if (!ok || !floorOk) {
            std::fprintf(stderr, "bench_photos: a run failed\n");
            return 1;
        }
    }

    const double oursMs = Median(ours);
    const double floorMs = Median(floor);
    std::printf("photo intake, one 12 MP JPEG (4000 x 3000), median of %d runs\n", runs);
    std::printf("  listora intake (_original01.jpg as chosen + _photo01.jpg 600 px): %8.1f ms\n", oursMs);
    std::printf("  libjpeg-turbo floor (djpeg | cjpeg -quality 100, + cjpeg 600 px): %8.1f ms\n", floorMs);
    std::printf("  ratio to floor: %.2f (goal <= 1.20)\n", oursMs / floorMs);
    return 0;
}
