// A batch of listings with four camera photos each, made by `listora-cli batch` as a whole: flyers
// per second at screen and print quality, the peak memory of the command and its render workers
// together, and, over a long sheet, whether the last flyers come as fast as the first.
#include "output/batchflyers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <cstdio>

namespace {

const QString kTheme = QStringLiteral("Gallery - KT401"); // the shipped theme with four photos
constexpr int kDistinctPhotos = 8;
// Measured before the batch ran several rows at once (one row at a time, 4 photos of 4000 x 3000).
constexpr double kTodayScreenFlyersPerSecond = 3.3;

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

bool WriteSheet(const QString& path, const QDir& photos, int rows)
{
    QString csv = ListingColumns().mid(0, 14).join(QLatin1Char(',')) + QStringLiteral("\r\n");
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
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(csv.toUtf8()) > 0;
}

// The resident memory of pid and every process below it, in bytes.
qint64 TreeRss(qint64 root)
{
    QHash<qint64, QList<qint64>> children;
    QHash<qint64, qint64> rss;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        qint64 parent = -1, kb = 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                parent = line.mid(5).trimmed().toLongLong();
            else if (line.startsWith("VmRSS:"))
                kb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        children[parent].append(pid);
        rss[pid] = kb;
    }
    qint64 total = 0;
    QList<qint64> pending{root};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        total += rss.value(pid);
        pending += children.value(pid);
    }
    return total * 1024;
}

struct CliRun
{
    bool ok = false;
    double seconds = 0;
    qint64 peakBytes = 0;
    QList<double> doneAt;                   // seconds from the start at which each row was reported
    qint64 memoryEarly = 0, memoryLate = 0; // all processes: peak over rows 40 to 60, and 60 to 10 before the end
};

// Runs the command, sampling the memory of its process tree every 50 ms and noting when each row's
// line arrives.
CliRun RunCli(const QString& cli, const QStringList& args, int rows = 0)
{
    CliRun run;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(cli, args);
    if (!process.waitForStarted())
        return run;
    static const QRegularExpression rowLine(QStringLiteral("^\\[(\\d+)/\\d+\\] line"));
    QByteArray pending;
    int exitCode = -1;
    for (;;) {
        const bool finished = process.waitForFinished(50);
        pending += process.readAllStandardError();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (rowLine.match(line).hasMatch()) {
                run.doneAt.append(clock.nsecsElapsed() / 1e9);
            } else if (!line.startsWith(QLatin1String("made "))) {
                std::fprintf(stderr, "%s\n", qPrintable(line));
            }
        }
        if (finished || process.state() == QProcess::NotRunning) {
            exitCode = process.exitCode();
            break;
        }
        const qint64 now = TreeRss(process.processId());
        run.peakBytes = std::max(run.peakBytes, now);
        const qsizetype done = run.doneAt.size();
        if (done >= 40 && done <= 60)
            run.memoryEarly = std::max(run.memoryEarly, now);
        if (rows > 120 && done >= rows - 60 && done <= rows - 10)
            run.memoryLate = std::max(run.memoryLate, now);
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.ok = exitCode == 0;
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("rows"), QStringLiteral("listings"), QStringLiteral("n"), QStringLiteral("50")},
         {QStringLiteral("long-rows"), QStringLiteral("listings of the long run (0: none)"), QStringLiteral("n"),
          QStringLiteral("500")},
         {QStringLiteral("jobs"), QStringLiteral("--jobs of the runs"), QStringLiteral("n"), QStringLiteral("2")},
         {QStringLiteral("photo"), QStringLiteral("camera photo size"), QStringLiteral("WxH"),
          QStringLiteral("4000x3000")},
         {QStringLiteral("work"), QStringLiteral("scratch folder"), QStringLiteral("dir")},
         {QStringLiteral("cli"), QStringLiteral("listora-cli"), QStringLiteral("path")},
         {QStringLiteral("baseline-cli"), QStringLiteral("an earlier listora-cli to run beside it (screen PDF)"),
          QStringLiteral("path")}});
    parser.process(app);
    const int rows = qMax(1, parser.value(QStringLiteral("rows")).toInt());
    const int longRows = qMax(0, parser.value(QStringLiteral("long-rows")).toInt());
    const QString jobs = QString::number(qMax(1, parser.value(QStringLiteral("jobs")).toInt()));
    const QStringList size = parser.value(QStringLiteral("photo")).split(QLatin1Char('x'));
    const int photoWidth = size.value(0).toInt(), photoHeight = size.value(1).toInt();
    const QString cli = parser.value(QStringLiteral("cli"));
    if (photoWidth <= 750 || photoHeight <= 500 || photoWidth <= photoHeight || cli.isEmpty()) {
        std::fprintf(stderr, "--photo must be landscape and larger than 750x500, and --cli given\n");
        return 1;
    }
    const QDir work(parser.value(QStringLiteral("work")).isEmpty() ? QDir::tempPath()
                                                                   : parser.value(QStringLiteral("work")));
    const QDir photos(work.filePath(QStringLiteral("photos")));
    QDir().mkpath(photos.path());
    for (int i = 0; i < kDistinctPhotos; ++i) {
        if (!WritePhoto(photos.filePath(QStringLiteral("camera-%1.jpg").arg(i)), photoWidth, photoHeight, i))
            return 1;
    }
    const QString sheet = work.filePath(QStringLiteral("listings.csv"));
    if (!WriteSheet(sheet, photos, rows))
        return 1;

    std::printf("batch: %d listings x 4 photos of %d x %d, theme \"%s\", PDF, --jobs %s\n", rows, photoWidth,
                photoHeight, qPrintable(kTheme), qPrintable(jobs));
    // Wall-clock figures: on a shared machine they move with the load, so it is shown beside them.
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("%-36s %s on %d cores\n", "load average (1 min)", loadavg.readAll().split(' ').value(0).constData(),
                    QThread::idealThreadCount());

    const struct
    {
        const char* quality;
        double goal;
        const char* today;
    } runs[] = {{"screen", 8.0, "3.3 (one row at a time)"}, {"print", 3.0, "none (screen only)"}};
    bool allMet = true;
    for (const auto& r : runs) {
        const QString out = work.filePath(QStringLiteral("flyers-%1").arg(QLatin1String(r.quality)));
        const CliRun run =
            RunCli(cli, {QStringLiteral("batch"), sheet, QStringLiteral("--theme"), kTheme, QStringLiteral("--out"),
                         out, QStringLiteral("--jobs"), jobs, QStringLiteral("--quality"), QLatin1String(r.quality)});
        if (!run.ok || run.doneAt.size() != rows) {
            std::fprintf(stderr, "listora-cli batch --quality %s failed\n", r.quality);
            return 1;
        }
        const double rate = rows / run.seconds;
        const bool met = rate >= r.goal && (qstrcmp(r.quality, "screen") != 0 || run.peakBytes <= (1ll << 30));
        allMet = allMet && met;
        std::printf("%-36s %8.2f flyers/s  (goal %.0f, today %s)  %s\n",
                    qPrintable(QStringLiteral("%1 quality, whole command").arg(QLatin1String(r.quality))), rate, r.goal,
                    r.today, met ? "met" : "MISSED");
        std::printf("%-36s %8.0f MB  (CLI and its workers, sampled every 50 ms; goal at most 1024)\n",
                    "  peak memory of all processes", run.peakBytes / 1048576.0);
    }
    std::printf("%-36s %8.2f flyers/s\n", "  today's figure, screen", kTodayScreenFlyersPerSecond);
    // The same sheet through an earlier build, under the same load: the ratio holds when the machine is busy.
    const QString baseline = parser.value(QStringLiteral("baseline-cli"));
    if (!baseline.isEmpty()) {
        const CliRun before =
            RunCli(baseline, {QStringLiteral("batch"), sheet, QStringLiteral("--theme"), kTheme,
                              QStringLiteral("--out"), work.filePath(QStringLiteral("flyers-before"))});
        const CliRun after =
            RunCli(cli, {QStringLiteral("batch"), sheet, QStringLiteral("--theme"), kTheme, QStringLiteral("--out"),
                         work.filePath(QStringLiteral("flyers-after")), QStringLiteral("--jobs"), jobs,
                         QStringLiteral("--quality"), QStringLiteral("screen")});
        if (before.ok && after.ok)
            std::printf("%-36s %8.2f flyers/s before, %.2f now: %.2f times  (3.3 x that: %.1f)\n",
                        "  beside the baseline, screen", rows / before.seconds, rows / after.seconds,
                        before.seconds / after.seconds, kTodayScreenFlyersPerSecond * before.seconds / after.seconds);
    }

    if (longRows >= 100) {
        const QString longSheet = work.filePath(QStringLiteral("long.csv"));
        if (!WriteSheet(longSheet, photos, longRows))
            return 1;
        const CliRun run =
            RunCli(cli, {QStringLiteral("batch"), longSheet, QStringLiteral("--theme"), kTheme, QStringLiteral("--out"),
                         work.filePath(QStringLiteral("flyers-long")), QStringLiteral("--jobs"), jobs,
                         QStringLiteral("--quality"), QStringLiteral("screen")});
        if (!run.ok || run.doneAt.size() != longRows) {
            std::fprintf(stderr, "the long batch failed\n");
            return 1;
        }
        // From the first flyer on, so that the engines' start does not count.
        const double first = (run.doneAt.at(50) - run.doneAt.at(0)) / 50;
        const double last = (run.doneAt.at(longRows - 1) - run.doneAt.at(longRows - 51)) / 50;
        const double ratio = last / first;
        std::printf("%-36s %8.0f ms per flyer, last 50 %.0f ms: %+.1f %%  (goal within 10 %%)  %s\n",
                    qPrintable(QStringLiteral("%1 rows: first 50").arg(longRows)), first * 1000, last * 1000,
                    (ratio - 1) * 100, std::abs(ratio - 1) <= 0.10 ? "met" : "MISSED");
        std::printf("%-36s %8.0f MB about row 50, %.0f MB about the last 50 rows (peaks)\n",
                    "  memory of all processes", run.memoryEarly / 1048576.0, run.memoryLate / 1048576.0);
    }
    return allMet ? 0 : 2;
}
