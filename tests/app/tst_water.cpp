#include "app/splashnotice.h"
#include "app/water.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The largest |height| among cells whose distance from (cx, cy) lies in [from, to).
int MaxAbsInRing(const CWaterRoutine& water, int page, int cx, int cy, double from, double to)
{
    const int* field = water.HeightBuffer(page);
    int best = 0;
    for (int y = 0; y < water.Height(); ++y)
        for (int x = 0; x < water.Width(); ++x) {
            const double r = std::hypot(x - cx, y - cy);
            if (r >= from && r < to)
                best = std::max(best, std::abs(field[y * water.Width() + x]));
        }
    return best;
}

// The radius (whole pixels) where |height| peaks.
int PeakRadius(const CWaterRoutine& water, int page, int cx, int cy)
{
    const int* field = water.HeightBuffer(page);
    int best = 0, radius = 0;
    for (int y = 0; y < water.Height(); ++y)
        for (int x = 0; x < water.Width(); ++x) {
            const int v = std::abs(field[y * water.Width() + x]);
            if (v > best) {
                best = v;
                radius = int(std::hypot(x - cx, y - cy));
            }
        }
    return radius;
}

bool AllZero(const CWaterRoutine& water, int page)
{
    const int* field = water.HeightBuffer(page);
    return std::all_of(field, field + water.Width() * water.Height(), [](int v) { return v == 0; });
}

// Runs steps the way the splash's timer does: step the current page, then switch.
void RunSteps(CWaterRoutine& water, int& page, int steps)
{
    for (int n = 0; n < steps; ++n) {
        water.StepWater(page, 5);
        page ^= 1;
    }
}

// The water routine written plainly, one cell at a time, to hold the fast one against.
struct ReferenceWater
{
    int w, h;
    std::vector<int> a, b;
    ReferenceWater(int width, int height) : w(width), h(height), a(size_t(w * h)), b(size_t(w * h)) {}

    void Drop(int x, int y, int r, int v, int page)
    {
        std::vector<int>& f = page == 1 ? b : a;
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i)
                if (i * i + j * j < r * r && x + i >= 1 && x + i <= w - 2 && y + j >= 1 && y + j <= h - 2)
                    f[size_t((y + j) * w + x + i)] += v;
    }
    void Step(int page, int d)
    {
        const std::vector<int>& in = page == 1 ? a : b;
        std::vector<int>& out = page == 1 ? b : a;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                int sum = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        if (i != 0 || j != 0)
                            sum += in[size_t((y + j) * w + x + i)];
                const size_t k = size_t(y * w + x);
                const int n = (sum >> 2) - out[k];
                out[k] = n - (n >> d);
            }
    }
    void Render(const std::vector<quint32>& source, std::vector<quint32>& display) const
    {
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const int i = y * w + x;
                const int dx = a[size_t(i)] - a[size_t(i + 1)];
                const int dy = a[size_t(i)] - a[size_t(i + w)];
                const int j = i + (dy >> 3) * w + (dx >> 3);
                if (j <= 0 || j >= w * h)
                    continue;
                const quint32 p = source[size_t(j)];
                const int bl = std::clamp(int(p & 0xff) - dx, 0, 255);
                const int gr = std::clamp(int((p >> 8) & 0xff) - dx, 0, 255);
                const int re = std::clamp(int((p >> 16) & 0xff) - dx, 0, 255);
                display[size_t(i)] = 0xff000000u | quint32(re) << 16 | quint32(gr) << 8 | quint32(bl);
            }
    }
};

} // namespace

class TestWater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void flatFieldStaysFlat()
    {
        CWaterRoutine water;
        water.InitWater(40, 30);
        int page = 0;
        RunSteps(water, page, 50);
        QVERIFY(AllZero(water, 0));
        QVERIFY(AllZero(water, 1));
    }

    void blobSpreadsAsRingAndDiesDown()
    {
        CWaterRoutine water;
        water.InitWater(121, 121);
        water.DropBlob(60, 60, 5, 50, 0);
        QCOMPARE(water.HeightBuffer(0)[60 * 121 + 60], 50);
        QCOMPARE(water.HeightBuffer(0)[60 * 121 + 65], 0); // radius 5 is outside the disc

        int page = 0;
        RunSteps(water, page, 30);
        // A ring: the wave stands well away from the centre, which has nearly settled.
        const int ring = MaxAbsInRing(water, 0, 60, 60, 10, 25);
        const int centre = MaxAbsInRing(water, 0, 60, 60, 0, 3);
        QVERIFY2(ring > 3 * centre, qPrintable(QStringLiteral("ring %1, centre %2").arg(ring).arg(centre)));
        const int radiusAt30 = PeakRadius(water, 0, 60, 60);

        RunSteps(water, page, 10);
        QVERIFY2(PeakRadius(water, 0, 60, 60) > radiusAt30, "the ring moves outwards");
        QVERIFY(MaxAbsInRing(water, 0, 60, 60, 0, 200) < 50);

        RunSteps(water, page, 200);
        QVERIFY(AllZero(water, 0));
        QVERIFY(AllZero(water, 1));
    }

    void blobNearEdgeChangesNoBorderCell_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("touchesInterior");
        QTest::newRow("top-left corner") << 1 << 1 << 0 << true;
        QTest::newRow("on the corner") << 0 << 0 << 1 << true;
        QTest::newRow("bottom-right corner") << 38 << 28 << 0 << true;
        QTest::newRow("top-right, page 1") << 39 << 0 << 1 << true;
        QTest::newRow("off the field") << -20 << -20 << 0 << false;
        QTest::newRow("far beyond the right") << 1000 << 10 << 1 << false;
    }

    void blobNearEdgeChangesNoBorderCell()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, page);
        QFETCH(bool, touchesInterior);
        CWaterRoutine water;
        const int w = 40, h = 30;
        water.InitWater(w, h);
        water.DropBlob(x, y, 5, 50, page);
        QCOMPARE(AllZero(water, page), !touchesInterior);
        QVERIFY(AllZero(water, page ^ 1));

        auto borderIsZero = [&](int p) {
            const int* field = water.HeightBuffer(p);
            for (int col = 0; col < w; ++col)
                if (field[col] != 0 || field[(h - 1) * w + col] != 0)
                    return false;
            for (int row = 0; row < h; ++row)
                if (field[row * w] != 0 || field[row * w + w - 1] != 0)
                    return false;
            return true;
        };
        QVERIFY(borderIsZero(0));
        QVERIFY(borderIsZero(1));
        int current = page;
        RunSteps(water, current, 12);
        QVERIFY(borderIsZero(0));
        QVERIFY(borderIsZero(1));
    }

    void flatFieldRendersSourceInterior()
    {
        const int w = 424, h = 265;
        CWaterRoutine water;
        water.InitWater(w, h);
        std::vector<quint32> source(size_t(w * h));
        for (quint32& p : source)
            p = 0xff000000u | (QRandomGenerator::global()->generate() & 0xffffffu);
        constexpr quint32 kUntouched = 0x12345678u;
        std::vector<quint32> display(source.size(), kUntouched);
        water.RenderWater(source.data(), display.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = y * w + x;
                const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                if (display[i] != (border ? kUntouched : source[i]))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
    }

    // A slope bends the picture and shades it by its steepness, dark where the water rises
    // towards the right.
    void slopeBendsAndShades()
    {
        const int w = 64, h = 48;
        CWaterRoutine water;
        water.InitWater(w, h);
        // A 24-cell-wide blob raised 40 on page 0 (buffer A): at its right rim dx = 40.
        water.DropBlob(20, 20, 12, 40, 0);
        std::vector<quint32> source(size_t(w * h));
        for (int i = 0; i < w * h; ++i)
            source[size_t(i)] = 0xff000000u | quint32(i % 200 + 20) * 0x010101u;
        std::vector<quint32> display(source.size(), 0);
        water.RenderWater(source.data(), display.data());

        const int i = 20 * w + 31; // last raised cell in row 20; cell 32 is flat
        const int dx = 40, dy = 0;
        const int j = i + (dy >> 3) * w + (dx >> 3);
        const int expected = (j % 200 + 20) - dx;
        QCOMPARE(display[size_t(i)], 0xff000000u | quint32(expected) * 0x010101u);
        // Left rim: dx = -40, brighter, from five pixels to the left.
        const int k = 20 * w + 8;
        const int fromLeft = std::min((k - 5) % 200 + 20 + 40, 255);
        QCOMPARE(display[size_t(k)], 0xff000000u | quint32(fromLeft) * 0x010101u);
    }

    // Stirred hard enough that bent positions fall off the picture and shading saturates, at
    // widths that leave every kind of remainder at the end of a row.
    void matchesThePlainRoutine_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("splash picture") << 424 << 265;
        QTest::newRow("odd") << 37 << 23;
        QTest::newRow("narrow") << 6 << 9;
        QTest::newRow("smallest") << 3 << 3;
    }

    void matchesThePlainRoutine()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QRandomGenerator random(width * 1000 + height);
        CWaterRoutine water;
        water.InitWater(width, height);
        ReferenceWater reference(width, height);
        std::vector<quint32> source(size_t(width * height));
        for (quint32& p : source)
            p = 0xff000000u | (random.generate() & 0xffffffu);
        std::vector<quint32> display(source), expected(source);

        int page = 0;
        for (int frame = 0; frame < 60; ++frame) {
            const int x = random.bounded(-3, width + 3), y = random.bounded(-3, height + 3);
            const int r = random.bounded(1, 9), v = random.bounded(-4000, 4000);
            water.DropBlob(x, y, r, v, page);
            reference.Drop(x, y, r, v, page);
            water.RenderWater(source.data(), display.data());
            reference.Render(source, expected);
            water.StepWater(page, 5);
            reference.Step(page, 5);
            page ^= 1;
            QVERIFY2(display == expected, qPrintable(QStringLiteral("render, frame %1").arg(frame)));
            QVERIFY2(std::equal(reference.a.begin(), reference.a.end(), water.HeightBuffer(0)) &&
                         std::equal(reference.b.begin(), reference.b.end(), water.HeightBuffer(1)),
                     qPrintable(QStringLiteral("step, frame %1").arg(frame)));
        }
    }

    void noticeYears_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("years");
        QTest::newRow("first year") << QDate(2006, 12, 31) << "2006";
        QTest::newRow("clock before it") << QDate(1999, 1, 1) << "2006";
        QTest::newRow("no clock") << QDate() << "2006";
        QTest::newRow("next year") << QDate(2007, 1, 1) << "2006-2007";
        QTest::newRow("later") << QDate(2026, 6, 15) << "2006-2026";
    }

    void noticeYears()
    {
        QFETCH(QDate, today);
        QFETCH(QString, years);
        QCOMPARE(SplashNotice::Years(today), years);
        const QStringList lines = SplashNotice::Text(today).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).contains(years + QLatin1Char(' ')));
    }

    void noticeSitsInTheBottomBand()
    {
        QImage picture(424, 265, QImage::Format_RGB32);
        picture.fill(QColor(0, 0, 255));
        SplashNotice::Draw(picture, SplashNotice::Text(QDate(2026, 1, 1)));
        int top = picture.height(), left = picture.width(), right = -1, white = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                if (p == qRgb(0, 0, 255))
                    continue;
                top = std::min(top, y);
                left = std::min(left, x);
                right = std::max(right, x);
                if (qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200)
                    ++white;
            }
        QVERIFY(white > 50);
        // Two lines of 11-pixel text and the band's margin: the upper four fifths stay clean.
        QVERIFY2(top > picture.height() - 40, qPrintable(QString::number(top)));
        QVERIFY(left >= 6);
        QVERIFY(right <= picture.width() - 6);
        // Centred: the margins left and right are about equal.
        QVERIFY(std::abs(left - (picture.width() - 1 - right)) <= 4);
    }
};

// Text drawing needs the GUI application (offscreen in tests).
QTEST_MAIN(TestWater)
#include "tst_water.moc"
