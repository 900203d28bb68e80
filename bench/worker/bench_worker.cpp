// The render worker's memory over a long batch of distinct flyers: each from its own project
// folder, photos, sidebar picture and texts, as a batch makes them.
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

#include <algorithm>
#include <cstdio>

namespace {

const QString kTheme = QStringLiteral("Gallery - KT401"); // the shipped theme with four photos

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
    return photo.save(path, "JPEG", 90);
}

// Resident kilobytes of a process, 0 when it is gone.
qint64 ResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The engine's own processes (renderer, zygote, utilities) below the worker.
qint64 DescendantsResidentKb(qint64 pid)
{
    QMap<qint64, QList<qint64>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 child = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields.at(1).toLongLong()].append(child);
    }
    qint64 total = 0;
    QList<qint64> stack = children.value(pid);
    while (!stack.isEmpty()) {
        const qint64 next = stack.takeLast();
        total += ResidentKb(next);
        stack.append(children.value(next));
    }
    return total;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Listora"));
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("flyers"), QStringLiteral("flyers to render"), QStringLiteral("n"), QStringLiteral("2000")},
         {QStringLiteral("work"), QStringLiteral("scratch folder"), QStringLiteral("dir")}});
    parser.process(app);
    const int flyers = qMax(200, parser.value(QStringLiteral("flyers")).toInt());
    const QDir work(parser.value(QStringLiteral("work")).isEmpty() ? QDir::tempPath()
                                                                   : parser.value(QStringLiteral("work")));

    CAppSettings settings;
    WorkingFolders::InitAppSettings(settings);
    const std::optional<BenchSupport::ShippedTheme> shipped = BenchSupport::LoadShippedTheme(settings, kTheme);
    if (!shipped)
        return 1;
    const CXThemeTemplateInfo& theme = shipped->info;
    const QString& templateText = shipped->templateText;

    // Eight photos as the intake leaves them; each flyer links four of them into its own folder.
    const QString photos = work.filePath(QStringLiteral("photos"));
    QDir().mkpath(photos);
    for (int i = 0; i < 8; ++i) {
        if (!WritePhoto(QDir(photos).filePath(QStringLiteral("%1.jpg").arg(i)), i % 4 == 0 ? 600 : 500,
                        i % 4 == 0 ? 450 : 375, QColor::fromHsv(i * 45, 160, 170), QColor::fromHsv(i * 45, 40, 240)))
            return 1;
    }
    const QString projects = work.filePath(QStringLiteral("projects"));

    CXHTML2Image renderer;
    if (!renderer.WarmUp()) {
        std::fprintf(stderr, "the renderer could not be started\n");
        return 1;
    }
    const qint64 pid = renderer.WorkerProcessId();
    qint64 baseline = 0;
    qint64 baselineTree = 0;
    qint64 end = 0;
    qint64 endTree = 0;
    QList<qint64> recent;
    QElapsedTimer clock;
    clock.start();
    std::printf("%8s %12s %14s %10s\n", "flyers", "worker MB", "engine MB", "ms/flyer");
    // Engine: the renderer and helper processes below the worker, for information; they are
    // replaced when the worker restarts.
    for (int n = 1; n <= flyers; ++n) {
        const QString folder = QDir(projects).filePath(QStringLiteral("line-%1").arg(n));
        QDir().mkpath(folder);
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_strCaption = QStringLiteral("Listing %1").arg(n);
        flyer.m_strMLS = QStringLiteral("MLS# 2024%1").arg(n, 8, 10, QLatin1Char('0'));
        flyer.m_strPrice = QStringLiteral("Offered at $%1,000").arg(300 + n % 700);
        flyer.m_strAddress = QStringLiteral("%1 Willow Bend").arg(n);
        flyer.m_strCityStateZip = QStringLiteral("Lakeview, OR 97630");
        flyer.m_strDescription =
            QStringLiteral("Home number %1 on a quiet street.\r\nUpdated kitchen, new roof.").arg(n);
        flyer.m_strFeatures = {QStringLiteral("%1 Bedrooms").arg(2 + n % 4), QStringLiteral("3 Baths"),
                               QStringLiteral("2,450 sq. ft."), QStringLiteral("Built 1998")};
        for (int slot = 0; slot < 4; ++slot) {
            const QString path = QDir(folder).filePath(CFlyerData::PhotoFileName(slot));
            QFile::link(QDir(photos).filePath(QStringLiteral("%1.jpg").arg((n + slot) % 8)), path);
            flyer.m_photos[slot].m_strPath = path;
        }
        flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
        renderer.SetLoadRoots(PageLoadRoots(settings, theme.GetTemplate(), folder));
        const CFlyerPage page = ComposeFlyerPage(
            templateText,
            TestSupport::Request(flyer, true, QString(),
                                 FlyerLook{theme.GetName(), QString(), theme.GetTypeface(), theme.GetColor()}),
            settings);
        QImage image;
        QString error;
        if (!renderer.Render(page.page, 816, 1056, image, &error)) {
            std::fprintf(stderr, "flyer %d failed: %s\n", n, qPrintable(error));
            return 1;
        }
        if (!page.sidebarImage.isEmpty())
            QFile::remove(page.sidebarImage);
        QDir(folder).removeRecursively();
        if (renderer.WorkerProcessId() != pid) {
            std::fprintf(stderr, "the worker was restarted at flyer %d\n", n);
            return 1;
        }
        // A grabbed page may still be held, or freed memory not yet handed back, at any one
        // moment: the least of the last 20 readings is what the worker keeps.
        recent.append(ResidentKb(pid));
        if (recent.size() > 20)
            recent.removeFirst();
        if (n == 100 || n % 250 == 0 || n == flyers) {
            const qint64 rss = *std::min_element(recent.cbegin(), recent.cend());
            const qint64 tree = DescendantsResidentKb(pid);
            if (n == 100) {
                baseline = rss;
                baselineTree = tree;
            }
            end = rss;
            endTree = tree;
            std::printf("%8d %12.1f %14.1f %10.1f\n", n, rss / 1024.0, tree / 1024.0, double(clock.elapsed()) / n);
            std::fflush(stdout);
        }
    }
    std::printf("worker growth from flyer 100 to %d: %.1f MB (%.1f KB per flyer); goal <= 5 MB\n", flyers,
                (end - baseline) / 1024.0, double(end - baseline) / (flyers - 100));
    std::printf("engine processes' growth: %.1f MB\n", (endTree - baselineTree) / 1024.0);
    return 0;
}
