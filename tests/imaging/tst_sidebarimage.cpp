#include "imaging/sidebarimage.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Text that measures `widthPerPixel` wide and `heightPerPixel` high per pixel of font size, and a
// fixed leading-plus-descent.
class FixedMetrics final : public CaptionFontMetrics
{
public:
    double widthPerPixel = 5.0;
    double heightPerPixel = 1.2;
    int leadingPlusDescent = 0;
    mutable int cellHeightAsked = 0;
    mutable int measured = 0;

    QSize BoldTextExtent(const QString&, const QString&, int pixelSize) const override
    {
        ++measured;
        return QSize(int(widthPerPixel * pixelSize), int(heightPerPixel * pixelSize));
    }
    int LeadingPlusDescent(const QString&, int cellHeight) const override
    {
        cellHeightAsked = cellHeight;
        return leadingPlusDescent;
    }
};

struct Ink
{
    int white = 0; // opaque light pixels
    int dark = 0;  // opaque dark pixels (the outline)
    int lowestY = -1;
    int highestY = -1;
};

Ink InkOf(const QImage& image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 200)
                continue;
            if (qRed(p) > 230 && qGreen(p) > 230 && qBlue(p) > 230)
                ++ink.white;
            else if (qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60)
                ++ink.dark;
            if (ink.highestY < 0)
                ink.highestY = y;
            ink.lowestY = y;
        }
    }
    return ink;
}

QString AnyFamily()
{
    const QStringList families = QFontDatabase::families();
    return families.contains("DejaVu Sans") ? QStringLiteral("DejaVu Sans") : families.value(0);
}

} // namespace

class TestSidebarImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionTopPadding_data()
    {
        QTest::addColumn<int>("s");
        QTest::addColumn<QString>("padding");
        QTest::newRow("21") << 21 << "10px";
        QTest::newRow("22") << 22 << "11px";
        QTest::newRow("odd 23") << 23 << "11px";
        QTest::newRow("36") << 36 << "18px";
        QTest::newRow("40 is capped") << 40 << "18px";
        QTest::newRow("0") << 0 << "10px";
    }
    void captionTopPadding()
    {
        QFETCH(int, s);
        QFETCH(QString, padding);
        FixedMetrics metrics;
        metrics.leadingPlusDescent = s;
        QCOMPARE(GetCaptionTopPadding("Tahoma", metrics), padding);
        QCOMPARE(metrics.cellHeightAsked, 88);
    }

    // The padding of real faces comes from their Windows metrics (OS/2 usWinAscent + usWinDescent),
    // not from Qt's typographic ones: Tahoma gives 15 px, where Qt's measure gave 10.
    void captionTopPaddingOfRealFonts_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("padding");
        QTest::newRow("Tahoma") << "Tahoma"
                                << "15px";
        QTest::newRow("Arial (Liberation Sans)") << "Arial"
                                                 << "13px";
    }
    void captionTopPaddingOfRealFonts()
    {
        QFETCH(QString, family);
        QFETCH(QString, padding);
        QCOMPARE(GetCaptionTopPadding(family), padding);
    }

    void winLeadingPlusDescent()
    {
        // Tahoma's tables: 2048 units per em, usWinAscent 2049, usWinDescent 423. At a cell of 88
        // pixels: ascent 73, descent 15, em 73, so internal leading 15 plus descent 15.
        QCOMPARE(WinLeadingPlusDescent({2048, 2049, 423}, 88), 30);
        QCOMPARE(WinLeadingPlusDescent({2048, 0, 0}, 88), 0);
    }

    void fitCaptionFontSize_data()
    {
        QTest::addColumn<double>("widthPerPixel");
        QTest::addColumn<double>("heightPerPixel");
        QTest::addColumn<int>("size");
        QTest::newRow("short caption fits at 120") << 5.0 << 1.2 << 119;
        QTest::newRow("width 912 at 96 still fits") << 9.5 << 1.2 << 95;
        QTest::newRow("height 170 at 100 does not") << 5.0 << 1.7 << 98;
        QTest::newRow("never fits: stops at 1") << 5000.0 << 1.2 << 1;
    }
    void fitCaptionFontSize()
    {
        QFETCH(double, widthPerPixel);
        QFETCH(double, heightPerPixel);
        QFETCH(int, size);
        FixedMetrics metrics;
        metrics.widthPerPixel = widthPerPixel;
        metrics.heightPerPixel = heightPerPixel;
        QCOMPARE(FitCaptionFontSize("Charming Cottage", "Tahoma", metrics), size);
        QVERIFY(metrics.measured <= 120);
    }

    void fitCaptionFontSizeWithRealFonts()
    {
        const QString family = AnyFamily();
        const QString longCaption = "Spacious Family Home with Mountain Views and a Heated Pool";
        const int size = FitCaptionFontSize(longCaption, family);
        QVERIFY(size >= 1 && size < 119);
        QVERIFY(SystemCaptionFontMetrics().BoldTextExtent(longCaption, family, size + 1).width() <= 912);
        QVERIFY(SystemCaptionFontMetrics().BoldTextExtent(longCaption, family, size + 2).width() > 912);
        const int padding = GetCaptionTopPadding(family).chopped(2).toInt();
        QVERIFY(padding >= 10 && padding <= 18);
    }

    void sidebarImage_data()
    {
        QTest::addColumn<bool>("outlined");
        QTest::newRow("plain") << false;
        QTest::newRow("outlined") << true;
    }
    void sidebarImage()
    {
        QFETCH(bool, outlined);
        QTemporaryDir temp;
        QString error;
        const QString path = CreateSidebarImage("Hi", outlined, AnyFamily(), temp.path(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(path, temp.filePath("TempPhoto0000.png"));
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(170, 1050));
        QCOMPARE(image.pixel(0, 0), qRgba(255, 255, 255, 0)); // transparent white
        const Ink ink = InkOf(image);
        QVERIFY(ink.white > 500);
        QCOMPARE(ink.dark > 50, outlined);
        // The text runs upwards from the bottom edge: a short caption sits low.
        QVERIFY2(ink.lowestY > 1000, qPrintable(QString::number(ink.lowestY)));
        QVERIFY(ink.highestY > 600);

        // The next picture takes the next free name.
        QCOMPARE(CreateSidebarImage("Hi", outlined, AnyFamily(), temp.path()), temp.filePath("TempPhoto0001.png"));
    }

    void sidebarImageInMissingFolder()
    {
        QTemporaryDir temp;
        QString error;
        const QString path = CreateSidebarImage("Hi", false, AnyFamily(), temp.filePath("gone"), &error);
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(path));
    }
};

QTEST_MAIN(TestSidebarImage)
#include "tst_sidebarimage.moc"
