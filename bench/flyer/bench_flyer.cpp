// The warm flyer cycle against two command-line HTML-to-picture tools, on the same merged page.
#include "settings/workingfolders.h"
#include "support/flyerrequests.h"
#include "support/benchsupport.h"
#include "catalogue/themecatalogue.h"
#include "compose/loadpolicy.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <unistd.h>
#include <cstdio>

namespace {

const QString kTheme = QStringLiteral("Gallery - KT401"); // the shipped theme with four photos

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

bool WritePhoto(const QString& path, int width, int height, QColor a, QColor b)
{
    QImage photo(width, height, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    painter.fillRect(photo.rect(), gradient);
    painter.setPen(QPen(Qt::white, 6));
    for (int x = 0; x < width; x += 60)
        painter.drawLine(x, 0, width - x, height);
    painter.end();
    return photo.save(path, "JPEG", 100);
}

void PrintPeer(const char* label, const QList<double>& times, double ours)
{
    if (times.isEmpty()) {
        std::printf("%-44s not available\n", label);
        return;
    }
    const double median = Median(times);
    std::printf("%-44s median %8.1f ms  (listora / peer = %.3f)\n", label, median, ours / median);
}

// CPU seconds used so far by this process and by the worker with its engine processes (Linux
// /proc); a figure that does not depend on what else the machine is doing.
double TreeCpuMs(qint64 workerPid)
{
    QMap<qint64, QList<qint64>> children;
    QMap<qint64, qint64> ticks;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : pids) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        children[fields.at(1).toLongLong()].append(pid);
        ticks[pid] = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }
    qint64 total = ticks.value(QCoreApplication::applicationPid());
    QList<qint64> stack{workerPid};
    while (!stack.isEmpty()) {
        const qint64 pid = stack.takeLast();
        total += ticks.value(pid);
        stack.append(children.value(pid));
    }
    return total * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Listora"));
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("runs"), QStringLiteral("runs per figure"), QStringLiteral("n"), QStringLiteral("20")},
         {QStringLiteral("work"), QStringLiteral("scratch folder"), QStringLiteral("dir")},
         {QStringLiteral("out"), QStringLiteral("folder for the pictures"), QStringLiteral("dir")}});
    parser.process(app);
    const int runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());
    const QDir work(parser.value(QStringLiteral("work")).isEmpty() ? QDir::tempPath()
                                                                   : parser.value(QStringLiteral("work")));
    const QDir out(parser.value(QStringLiteral("out")).isEmpty() ? work.path() : parser.value(QStringLiteral("out")));

    CAppSettings settings;
    WorkingFolders::InitAppSettings(settings);
    const std::optional<BenchSupport::ShippedTheme> shipped = BenchSupport::LoadShippedTheme(settings, kTheme);
    if (!shipped)
        return 1;
    const CXThemeTemplateInfo& theme = shipped->info;
    const QString& templateText = shipped->templateText;

    // A project as the photo intake leaves it: four reduced photos in its folder.
    const QString folder = work.filePath(QStringLiteral("project"));
    QDir().mkpath(folder);
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Lakeside Retreat");
    flyer.m_strMLS = QStringLiteral("MLS# 202401234567");
    flyer.m_strPrice = QStringLiteral("Offered at $749,000");
    flyer.m_strAddress = QStringLiteral("27 Willow Bend");
    flyer.m_strCityStateZip = QStringLiteral("Lakeview, OR 97630");
    flyer.m_strDescription =
        QStringLiteral("Sunny four-bedroom home on a quiet cul-de-sac.\r\nUpdated kitchen, new roof, "
                       "and a deck overlooking the water.");
    flyer.m_strFeatures = {QStringLiteral("4 Bedrooms"), QStringLiteral("3 Baths"), QStringLiteral("2,450 sq. ft."),
                           QStringLiteral("Built 1998")};
    const QColor colours[4][2] = {{QColor(30, 90, 160), QColor(200, 220, 240)},
                                  {QColor(40, 120, 60), QColor(220, 230, 180)},
                                  {QColor(150, 70, 40), QColor(240, 210, 170)},
                                  {QColor(90, 60, 130), QColor(230, 200, 240)}};
    for (int slot = 0; slot < 4; ++slot) {
        const QString path = QDir(folder).filePath(CFlyerData::PhotoFileName(slot));
        if (!WritePhoto(path, slot == 0 ? 600 : 500, slot == 0 ? 450 : 375, colours[slot][0], colours[slot][1]))
            return 1;
        flyer.m_photos[slot].m_strPath = path;
    }
    const QString font = theme.GetTypeface();
    const quint32 color = theme.GetColor();

    CXHTML2Image renderer;
    if (!renderer.WarmUp()) {
        std::fprintf(stderr, "the renderer could not be started\n");
        return 1;
    }
    renderer.SetLoadRoots(PageLoadRoots(settings, theme.GetTemplate(), folder));
    double cpuBefore = 0;
    QList<double> times;
    QList<double> mergeTimes;
    QImage flyerImage;
    QString page;
    for (int i = -2; i < runs; ++i) { // two cycles to warm up
        if (i == 0)
            cpuBefore = TreeCpuMs(renderer.WorkerProcessId());
        QElapsedTimer clock;
        clock.start();
        const CFlyerPage merged = ComposeFlyerPage(
            templateText,
            TestSupport::Request(flyer, true, QString(), FlyerLook{theme.GetName(), QString(), font, color}), settings);
        const double mergeMs = clock.nsecsElapsed() / 1e6;
        QString error;
        if (!renderer.Render(merged.page, 816, 1056, flyerImage, &error)) {
            std::fprintf(stderr, "render failed: %s\n", qPrintable(error));
            return 1;
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        if (i >= 0) {
            times.append(ms);
            mergeTimes.append(mergeMs);
        }
        page = merged.page;
    }
    const double cpuPerCycle = (TreeCpuMs(renderer.WorkerProcessId()) - cpuBefore) / runs;
    const double ours = Median(times);
    flyerImage.save(out.filePath(QStringLiteral("listora.png")));

    // The same cycle after the user has paused: the worker has let its page go by then.
    QList<double> pausedTimes;
    for (int i = 0; i < qMin(runs, 5); ++i) {
        QThread::msleep(1500);
        QElapsedTimer clock;
        clock.start();
        const CFlyerPage merged = ComposeFlyerPage(
            templateText,
            TestSupport::Request(flyer, true, QString(), FlyerLook{theme.GetName(), QString(), font, color}), settings);
        if (!renderer.Render(merged.page, 816, 1056, flyerImage))
            return 1;
        pausedTimes.append(clock.nsecsElapsed() / 1e6);
    }

    const QString pagePath = work.filePath(QStringLiteral("flyer.html"));
    QFile pageFile(pagePath);
    if (!pageFile.open(QIODevice::WriteOnly) || pageFile.write(page.toUtf8()) < 0)
        return 1;
    pageFile.close();
    const QString pageUrl = QUrl::fromLocalFile(pagePath).toString();

    std::printf("flyer cycle: theme \"%s\", four photos, 816 x 1056, %d runs\n", qPrintable(kTheme), runs);
    std::printf("%-44s median %8.1f ms\n", "listora (merge + render, warm)", ours);
    std::printf("%-44s median %8.1f ms\n", "  of which the merge", Median(mergeTimes));
    std::printf("%-44s mean   %8.1f ms\n", "  CPU per cycle, all processes together", cpuPerCycle);
    std::printf("%-44s median %8.1f ms  (%lld runs)\n", "listora, each after a 1.5 s pause", Median(pausedTimes),
                static_cast<long long>(pausedTimes.size()));

    QList<double> chromiumTimes;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (!chromium.isEmpty()) {
        const QString shot = out.filePath(QStringLiteral("chromium.png"));
        chromiumTimes = BenchSupport::TimePeer(
            chromium,
            {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
             QStringLiteral("--hide-scrollbars"), QStringLiteral("--window-size=816,1056"),
             QStringLiteral("--user-data-dir=") + work.filePath(QStringLiteral("chromium-profile")),
             QStringLiteral("--screenshot=") + shot, pageUrl},
            runs, shot);
    }
    PrintPeer("chromium --headless --screenshot (per page)", chromiumTimes, ours);

    QList<double> wkTimes;
    const QString wk = QStandardPaths::findExecutable(QStringLiteral("wkhtmltoimage"));
    if (!wk.isEmpty()) {
        const QString shot = out.filePath(QStringLiteral("wkhtmltoimage.png"));
        wkTimes = BenchSupport::TimePeer(wk,
                                         {QStringLiteral("--quiet"), QStringLiteral("--enable-local-file-access"),
                                          QStringLiteral("--width"), QStringLiteral("816"), QStringLiteral("--height"),
                                          QStringLiteral("1056"), pagePath, shot},
                                         runs, shot);
    }
    PrintPeer("wkhtmltoimage (per page)", wkTimes, ours);

    const bool fast = ours <= 100.0;
    const bool relative = !chromiumTimes.isEmpty() && ours <= 0.1 * Median(chromiumTimes);
    std::printf("goal: median <= 100 ms: %s; <= 0.1 of chromium: %s\n", fast ? "met" : "NOT met",
                chromiumTimes.isEmpty() ? "not measured"
                : relative              ? "met"
                                        : "NOT met");
    std::printf("pictures: %s\n", qPrintable(QDir::toNativeSeparators(out.path())));
    return 0;
}
