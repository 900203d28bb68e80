// Themes whose Themes.ini declares another page than Letter: a square social picture and a
// landscape Letter page, made from a shipped theme with theme-new and edited as a designer would.
// Every output keeps the declared page: the picture, the plain and the print-quality PDF, the
// JPEG export, the print-quality picture and the cover.
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

QString UserThemes()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tarnwick/Listora/Themes");
}

// Sets the page of a theme in the user's Themes.ini.
bool DeclarePage(const QString& name, int width, int height, int orientation)
{
    QFile ini(UserThemes() + QStringLiteral("/Themes.ini"));
    if (!ini.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(ini.readAll());
    ini.close();
    const qsizetype section = text.indexOf(QStringLiteral("[%1]").arg(name));
    if (section < 0)
        return false;
    const auto set = [&](const QString& key, int value) {
        const QRegularExpression line(QStringLiteral("\\n%1=[^\\r\\n]*").arg(key));
        const QRegularExpressionMatch found = line.match(text, section);
        if (found.hasMatch())
            text.replace(found.capturedStart(), found.capturedLength(), QStringLiteral("\n%1=%2").arg(key).arg(value));
    };
    set(QStringLiteral("Width"), width);
    set(QStringLiteral("Height"), height);
    set(QStringLiteral("Orientation"), orientation);
    return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) && ini.write(text.toUtf8()) > 0;
}

// pdfinfo's "Page size: W x H pts".
QSizeF PdfPagePoints(const QString& pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(30000))
        return QSizeF();
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"))
                                             .match(QString::fromUtf8(info.readAllStandardOutput()));
    return size.hasMatch() ? QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()) : QSizeF();
}

QJsonObject ThemeEntry(const QString& name)
{
    const ChildRun run = RunCli({QStringLiteral("themes")});
    for (const QJsonValue& entry : QJsonDocument::fromJson(run.Out().toUtf8()).array()) {
        if (entry.toObject().value(QStringLiteral("name")).toString() == name)
            return entry.toObject();
    }
    return QJsonObject();
}

} // namespace

class TestPageSizes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir(UserThemes()).removeRecursively(); }

    void declaredPageHoldsEverywhere_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("format");
        QTest::newRow("square") << 1080 << 1080 << 0 << "square";
        QTest::newRow("landscape Letter") << 1056 << 816 << 1 << "letter-landscape";
    }

    void declaredPageHoldsEverywhere()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, orientation);
        QFETCH(QString, format);
        const QString name = QStringLiteral("Page Test");
        QCOMPARE(RunCli({"theme-new", name, "--from", "Gallery - KT401"}).exitCode, 0);
        QVERIFY(DeclarePage(name, width, height, orientation));
        const QJsonObject entry = ThemeEntry(name);
        QCOMPARE(entry.value(QStringLiteral("format")).toString(), format);
        const ChildRun listed = RunCli({"themes", "--format", format});
        QVERIFY(listed.Out().contains(name));
        QVERIFY(!RunCli({"themes", "--format", "letter"}).Out().contains(name));
        QCOMPARE(RunCli({"themes", "--format", "poster"}).exitCode, 2);

        QTemporaryDir dir;
        const QSizeF points(width * 0.75, height * 0.75);
        const ChildRun screen = RunCli({"render", "--theme", name, "--out", dir.filePath("page.png")});
        QVERIFY2(screen.exitCode == 0, qPrintable(screen.Err()));
        const QImage page(dir.filePath("page.png"));
        QCOMPARE(page.size(), QSize(width, height));

        QCOMPARE(RunCli({"export", "--theme", name, "--out", dir.filePath("plain.pdf")}).exitCode, 0);
        QCOMPARE(PdfPagePoints(dir.filePath("plain.pdf")), points);
        const ChildRun print =
            RunCli({"export", "--theme", name, "--quality", "print", "--out", dir.filePath("print.pdf")});
        QVERIFY2(print.exitCode == 0, qPrintable(print.Err()));
        QCOMPARE(PdfPagePoints(dir.filePath("print.pdf")), points);
        QCOMPARE(RunCli({"export", "--theme", name, "--out", dir.filePath("flyer.jpg")}).exitCode, 0);
        QCOMPARE(QImage(dir.filePath("flyer.jpg")).size(), QSize(width, height));
        QCOMPARE(RunCli({"render", "--theme", name, "--quality", "print", "--out", dir.filePath("print.png")}).exitCode,
                 0);
        QCOMPARE(QImage(dir.filePath("print.png")).size(), QSize(width * 300 / 96, height * 300 / 96));

        // The print-quality page is the screen page: the theme's colours land in the same places.
        const QImage printed =
            QImage(dir.filePath("print.png")).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int alike = 0, samples = 0;
        for (int y = 8; y < height; y += 40) {
            for (int x = 8; x < width; x += 40, ++samples) {
                const QColor a = page.pixelColor(x, y), b = printed.pixelColor(x, y);
                alike +=
                    std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 60;
            }
        }
        QVERIFY2(alike * 10 >= samples * 8, qPrintable(QStringLiteral("%1 of %2 alike").arg(alike).arg(samples)));

        // The cover keeps the page's proportions inside its 92 x 92 box.
        QCOMPARE(RunCli({"covers"}).exitCode, 0);
        const ChildRun settings = RunCli({QStringLiteral("settings")});
        const QString covers = QJsonDocument::fromJson(settings.Out().toUtf8())
                                   .object()
                                   .value(QStringLiteral("paths"))
                                   .toObject()
                                   .value(QStringLiteral("Path2ThemeCovers"))
                                   .toString();
        const QImage cover(QDir(covers).filePath(entry.value(QStringLiteral("cover")).toString()));
        QVERIFY2(!cover.isNull(), qPrintable(QDir(covers).filePath(entry.value(QStringLiteral("cover")).toString())));
        QCOMPARE(std::max(cover.width(), cover.height()), 92);
        QVERIFY(std::abs(double(cover.width()) / cover.height() - double(width) / height) < 0.03);
    }

    void shippedPostcards_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("6 x 4 in") << "postcard-6x4" << 576 << 384;
        QTest::newRow("9 x 6 in") << "postcard-9x6" << 864 << 576;
    }

    // Each format of card comes in the three families, two-sided, and every one passes theme-check
    // (its back page included).
    void shippedPostcards()
    {
        QFETCH(QString, format);
        QFETCH(int, width);
        QFETCH(int, height);
        const ChildRun listed = RunCli({"themes", "--format", format});
        QCOMPARE(listed.exitCode, 0);
        QStringList families;
        for (const QJsonValue& value : QJsonDocument::fromJson(listed.Out().toUtf8()).array()) {
            const QJsonObject entry = value.toObject();
            const QString name = entry.value(QStringLiteral("name")).toString();
            QCOMPARE(entry.value(QStringLiteral("format")).toString(), format);
            QCOMPARE(entry.value(QStringLiteral("width")).toInt(), width);
            QCOMPARE(entry.value(QStringLiteral("height")).toInt(), height);
            QCOMPARE(entry.value(QStringLiteral("orientation")).toInt(), 1);
            QVERIFY2(entry.value(QStringLiteral("pages")).toInt() == 2, qPrintable(name));
            families.append(entry.value(QStringLiteral("family")).toString());
            const ChildRun check = RunCli({QStringLiteral("theme-check"), name});
            QVERIFY2(check.exitCode == 0, qPrintable(name + QLatin1Char('\n') + check.Out() + check.Err()));
        }
        families.sort();
        QCOMPARE(families, (QStringList{"Bold Banner", "Gallery", "Luxury"}));
    }

    // A page no printer or screen could hold falls back to Letter instead of failing every output.
    void unusablePageIsLetter()
    {
        const QString name = QStringLiteral("Huge Test");
        QCOMPARE(RunCli({"theme-new", name, "--from", "Simple - KT101"}).exitCode, 0);
        QVERIFY(DeclarePage(name, 100000, 20, 0));
        QTemporaryDir dir;
        QCOMPARE(RunCli({"render", "--theme", name, "--out", dir.filePath("page.png")}).exitCode, 0);
        QCOMPARE(QImage(dir.filePath("page.png")).size(), QSize(816, 1056));
        QCOMPARE(ThemeEntry(name).value(QStringLiteral("format")).toString(), QStringLiteral("letter"));
    }
};

QTEST_GUILESS_MAIN(TestPageSizes)
#include "tst_pagesizes.moc"
