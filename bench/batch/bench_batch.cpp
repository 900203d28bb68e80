// A batch of listings with four camera photos each, through the same code as `listora-cli batch`:
// flyers per second, and where the time goes.
#include "app/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/batchflyers.h"
#include "settings/appsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QThread>

#include <cmath>
#include <cstdio>

namespace {

const QString kTheme = QStringLiteral("Gallery - KT401"); // the shipped theme with four photos
constexpr int kDistinctPhotos = 8;

// Sky, hills, window-like blocks and sensor grain: about the detail, and so the file size and the
// decoding work, of a real camera picture rather than flat colour.
bool WritePhoto(const QString& path, int width, int height, int variant)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t seed = 2654435761u * uint32_t(variant + 1);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double horizon = 0.5 + 0.08 * std::sin(fx * (5.0 + variant)) + 0.03 * std::sin(fx * 37.0);
            int r, g, b;
            if (fy < horizon) {
                r = int(80 + 90 * fy) + variant * 8;
                g = int(130 + 70 * fy);
                b = int(225 - 30 * fy);
            } else {
                r = int(70 + 40 * std::sin(fx * 61.0) * std::sin(fy * 29.0));
                g = int(120 + 50 * std::sin(fx * 17.0 + fy * 9.0));
                b = int(50 + 30 * fy) + variant * 6;
            }
            if ((int(fx * 30) % 5 == 2) && (int(fy * 20) % 4 == 1))
                r = g = b = 230;
            line[x] = qRgb(qBound(0, r + grain, 255), qBound(0, g + grain, 255), qBound(0, b + grain, 255));
        }
    }
    return image.save(path, "JPEG", 92);
}

QString Cell(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Listora"));
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("rows"), QStringLiteral("listings"), QStringLiteral("n"), QStringLiteral("50")},
         {QStringLiteral("photo"), QStringLiteral("camera photo size"), QStringLiteral("WxH"),
          QStringLiteral("4000x3000")},
         {QStringLiteral("work"), QStringLiteral("scratch folder"), QStringLiteral("dir")},
         {QStringLiteral("cli"), QStringLiteral("listora-cli to time as a whole"), QStringLiteral("path")}});
    parser.process(app);
    const int rows = qMax(1, parser.value(QStringLiteral("rows")).toInt());
    const QStringList size = parser.value(QStringLiteral("photo")).split(QLatin1Char('x'));
    const int photoWidth = size.value(0).toInt(), photoHeight = size.value(1).toInt();
    if (photoWidth <= 750 || photoHeight <= 500 || photoWidth <= photoHeight) {
        std::fprintf(stderr, "--photo must be landscape and larger than 750x500\n");
        return 1;
    }
    const QDir work(parser.value(QStringLiteral("work")).isEmpty() ? QDir::tempPath()
                                                                   : parser.value(QStringLiteral("work")));

    // The spreadsheet: every row a different listing, four different photos per row.
    const QDir photos(work.filePath(QStringLiteral("photos")));
    QDir().mkpath(photos.path());
    for (int i = 0; i < kDistinctPhotos; ++i) {
        if (!WritePhoto(photos.filePath(QStringLiteral("camera-%1.jpg").arg(i)), photoWidth, photoHeight, i))
            return 1;
    }
    QString csv = ListingColumns().join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (int row = 0; row < rows; ++row) {
        QStringList cells = {
            QStringLiteral("Listing %1").arg(row + 1),
            QStringLiteral("MLS# %1").arg(500000 + row),
            QStringLiteral("Offered at $%1,000").arg(300 + row * 7),
            QStringLiteral("%1 Willow Bend").arg(10 + row),
            QStringLiteral("Lakeview, OR 97630"),
            QStringLiteral("Sunny four-bedroom home on a quiet cul-de-sac.\nUpdated kitchen, new roof, "
                           "and a deck overlooking the water."),
            QStringLiteral("4 Bedrooms"),
            QStringLiteral("3 Baths"),
            QStringLiteral("2,450 sq. ft."),
            QStringLiteral("Built 1998")};
        for (int slot = 0; slot < 4; ++slot)
            cells.append(photos.filePath(QStringLiteral("camera-%1.jpg").arg((row + slot) % kDistinctPhotos)));
        for (QString& cell : cells)
            cell = Cell(cell);
        csv += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    const QString csvPath = work.filePath(QStringLiteral("listings.csv"));
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::WriteOnly) || csvFile.write(csv.toUtf8()) < 0)
        return 1;
    csvFile.close();

    CAppSettings settings;
    WorkingFolders::InitAppSettings(settings);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes);
    qsizetype index = 0;
    if (!catalogue.FindTheme(kTheme, index)) {
        std::fprintf(stderr, "theme %s not found in %s\n", qPrintable(kTheme), qPrintable(settings.Path2Themes));
        return 1;
    }
    BatchJob job;
    job.templatePath = catalogue.at(index).GetTemplate();
    if (!LoadTemplate(job.templatePath, job.templateText))
        return 1;
    job.themeName = kTheme;
    job.font = catalogue.at(index).GetTypeface();
    job.color = catalogue.at(index).GetColor();
    job.outFolder = work.filePath(QStringLiteral("flyers"));
    job.workFolder = work.filePath(QStringLiteral("projects"));
    QDir().mkpath(job.outFolder);

    QElapsedTimer clock;
    clock.start();
    const ListingSheet sheet = ReadListingSheet(csvPath);
    if (!sheet.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(sheet.error));
        return 1;
    }
    const double readMs = clock.nsecsElapsed() / 1e6;
    CXHTML2Image renderer;
    if (!renderer.WarmUp()) {
        std::fprintf(stderr, "the renderer could not be started\n");
        return 1;
    }
    clock.start();
    const BatchSummary summary = MakeBatchFlyers(sheet, job, settings, renderer);
    const double batchMs = clock.nsecsElapsed() / 1e6;
    if (summary.made != rows) {
        std::fprintf(stderr, "only %d of %d flyers were made\n", summary.made, rows);
        return 1;
    }

    const double intakeMs = summary.intakeNs / 1e6, renderMs = summary.renderNs / 1e6, writeMs = summary.writeNs / 1e6;
    const double other = batchMs - intakeMs - renderMs - writeMs;
    std::printf("batch: %d listings x 4 photos of %d x %d, theme \"%s\", PDF\n", rows, photoWidth, photoHeight,
                qPrintable(kTheme));
    // Wall-clock figures: on a shared machine they move with the load, so it is shown beside them.
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("%-44s %s on %d cores\n", "load average (1 min)", loadavg.readAll().split(' ').value(0).constData(),
                    QThread::idealThreadCount());
    std::printf("%-44s %8.2f flyers/s  (%.0f ms per flyer)\n", "in process (after the sheet is read)",
                rows / (batchMs / 1000), batchMs / rows);
    std::printf("%-44s %8.1f ms  (the whole sheet, photo checks included)\n", "  reading the spreadsheet", readMs);
    std::printf("%-44s %8.1f %%  (%.0f ms per flyer)\n", "  photo intake", 100 * intakeMs / batchMs, intakeMs / rows);
    std::printf("%-44s %8.1f %%  (%.0f ms per flyer)\n", "  merge and render", 100 * renderMs / batchMs,
                renderMs / rows);
    std::printf("%-44s %8.1f %%  (%.0f ms per flyer)\n", "  writing the PDF", 100 * writeMs / batchMs, writeMs / rows);
    std::printf("%-44s %8.1f %%\n", "  the rest (folders, clean-up)", 100 * other / batchMs);
    std::printf("%-44s %8.2f  (intake / render)\n", "  photo intake vs rendering", intakeMs / renderMs);

    const QString cli = parser.value(QStringLiteral("cli"));
    if (!cli.isEmpty()) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        clock.start();
        process.start(cli, {QStringLiteral("batch"), csvPath, QStringLiteral("--theme"), kTheme,
                            QStringLiteral("--out"), work.filePath(QStringLiteral("flyers-cli"))});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "listora-cli batch failed (exit %d)\n", process.exitCode());
            return 1;
        }
        const double cliMs = clock.nsecsElapsed() / 1e6;
        std::printf("%-44s %8.2f flyers/s  (%.1f s in all)\n", "listora-cli batch, the whole command",
                    rows / (cliMs / 1000), cliMs / 1000);
    }
    return 0;
}
