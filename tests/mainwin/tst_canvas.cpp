#include "compose/canvasgeometry.h"
#include "compose/ui/canvas.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QImage Filled(QSize size, QColor color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// The canvas as the main window sets it up.
void SetUpAsMainWindow(CXCanvas& canvas, QSize size)
{
    canvas.SetPageSize(816, 1056);
    canvas.SetMargin(10);
    canvas.SetShadow(true, 4);
    canvas.resize(size);
    canvas.SizeToFit();
}

QColor PixelAt(CXCanvas& canvas, QPoint point)
{
    return canvas.grab().toImage().pixelColor(point);
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageRect_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("height binds") << QSize(700, 600) << 10 << QRect(126, 10, 448, 580);
        // Never enlarged: a large area shows the page at its own size, centred.
        QTest::newRow("larger than the page") << QSize(1000, 1200) << 10 << QRect(92, 72, 816, 1056);
        // Halves are taken separately: 600 / 2 - 491 / 2 = 55, where (600 - 491) / 2 would give 54.
        QTest::newRow("width binds") << QSize(400, 600) << 10 << QRect(10, 55, 380, 491);
        QTest::newRow("default margin") << QSize(700, 600) << 12 << QRect(128, 12, 445, 576);
    }
    void pageRect()
    {
        QFETCH(QSize, client);
        QFETCH(int, margin);
        QTEST(CanvasPageRect(client, QSize(816, 1056), margin), "expected");
    }

    void shadowStaysOutsideTheSheetAndFades()
    {
        const QRect page(126, 10, 448, 580);
        const QList<CanvasShadowRing> rings = CanvasShadow(page, 4);
        QCOMPARE(rings.size(), 4);
        for (int i = 0; i < rings.size(); ++i) {
            QVERIFY(!rings[i].right.intersects(page));
            QVERIFY(!rings[i].bottom.intersects(page));
            QVERIFY(!rings[i].right.intersects(rings[i].bottom));
            QCOMPARE(rings[i].right.x(), page.x() + page.width() + i);
            QCOMPARE(rings[i].bottom.y(), page.y() + page.height() + i);
            if (i > 0)
                QVERIFY(rings[i].brightness > rings[i - 1].brightness);
        }
        QCOMPARE(rings.first().brightness, 0.5);
        QVERIFY(rings.last().brightness < 1.0);
        QVERIFY(CanvasShadow(page, 0).isEmpty());
    }

    void sizeMessageFollowsTheArea()
    {
        // Size messages reach a shown canvas, as in the window.
        QWidget window;
        window.resize(1100, 1300);
        CXCanvas canvas(&window);
        SetUpAsMainWindow(canvas, QSize(700, 600));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(canvas.PageRect(), QRect(126, 10, 448, 580));
        canvas.resize(1000, 1200);
        QCOMPARE(canvas.PageRect(), QRect(92, 72, 816, 1056));
        // A minimised window reports no area: the sheet keeps its place.
        canvas.resize(0, 1200);
        QCOMPARE(canvas.PageRect(), QRect(92, 72, 816, 1056));
        canvas.resize(700, 0);
        QCOMPARE(canvas.PageRect(), QRect(92, 72, 816, 1056));
    }

    void paintsBackgroundFrameSheetAndShadow()
    {
        CXCanvas canvas;
        SetUpAsMainWindow(canvas, QSize(700, 600));
        canvas.SetSheetColor(QColor(0x00, 0x63, 0xB1));
        QCOMPARE(PixelAt(canvas, QPoint(0, 0)), CXCanvas::FrameColor());
        QCOMPARE(PixelAt(canvas, QPoint(699, 599)), CXCanvas::FrameColor());
        QCOMPARE(PixelAt(canvas, QPoint(5, 5)), CXCanvas::BackgroundColor());
        // Nothing rendered yet: the sheet shows in the sheet colour, edge to edge.
        QCOMPARE(PixelAt(canvas, QPoint(350, 300)), QColor(0x00, 0x63, 0xB1));
        QCOMPARE(PixelAt(canvas, QPoint(126, 10)), QColor(0x00, 0x63, 0xB1));
        QCOMPARE(PixelAt(canvas, QPoint(573, 589)), QColor(0x00, 0x63, 0xB1));
        // Shadow: right of and below the sheet, darker than the background, and fading outward.
        const QColor background = CXCanvas::BackgroundColor();
        const QColor nearest = PixelAt(canvas, QPoint(574, 300));
        const QColor outer = PixelAt(canvas, QPoint(577, 300));
        QVERIFY(nearest.value() < outer.value());
        QVERIFY(outer.value() < background.value());
        QVERIFY(PixelAt(canvas, QPoint(350, 590)).value() < background.value());
        QCOMPARE(PixelAt(canvas, QPoint(578, 300)), background);
        QCOMPARE(PixelAt(canvas, QPoint(125, 300)), background); // no shadow on the left

        canvas.SetShadow(false, 4);
        QCOMPARE(PixelAt(canvas, QPoint(574, 300)), background);
    }

    void flyerCoversTheSheetAndCanBeTakenAway()
    {
        CXCanvas canvas;
        SetUpAsMainWindow(canvas, QSize(700, 600));
        canvas.SetSheetColor(Qt::white);
        QImage flyer = Filled(QSize(816, 1056), QColor(200, 30, 40));
        // A mark in the page's bottom-right corner must land in the sheet's bottom-right corner.
        for (int y = 1000; y < 1056; ++y)
            for (int x = 760; x < 816; ++x)
                flyer.setPixelColor(x, y, QColor(10, 160, 20));
        canvas.SetFlyerImage(flyer);
        QCOMPARE(PixelAt(canvas, QPoint(126, 10)), QColor(200, 30, 40));
        QCOMPARE(PixelAt(canvas, QPoint(350, 300)), QColor(200, 30, 40));
        QCOMPARE(PixelAt(canvas, QPoint(572, 588)), QColor(10, 160, 20));

        // The owner dropping its picture does not reach the canvas, which holds its own reference.
        flyer = QImage();
        QCOMPARE(PixelAt(canvas, QPoint(350, 300)), QColor(200, 30, 40));

        // After a failed render the canvas is cleared: the old flyer must not stay.
        canvas.SetFlyerImage(QImage());
        canvas.SetEmptyText(QStringLiteral("The flyer could not be drawn."));
        QCOMPARE(PixelAt(canvas, QPoint(130, 14)), QColor(Qt::white));
        QVERIFY(canvas.FlyerImage().isNull());
    }

    void smallerPictureIsNotStretched()
    {
        CXCanvas canvas;
        SetUpAsMainWindow(canvas, QSize(1000, 1200));
        canvas.SetSheetColor(Qt::white);
        canvas.SetFlyerImage(Filled(QSize(400, 300), Qt::black));
        QCOMPARE(PixelAt(canvas, QPoint(92, 72)), QColor(Qt::black));
        QCOMPARE(PixelAt(canvas, QPoint(92 + 399, 72 + 299)), QColor(Qt::black));
        QCOMPARE(PixelAt(canvas, QPoint(92 + 400, 72)), QColor(Qt::white));
    }

    void doubleClicks()
    {
        CXCanvas canvas;
        SetUpAsMainWindow(canvas, QSize(700, 600));
        QSignalSpy details(&canvas, &CXCanvas::DoubleClicked);
        QSignalSpy covers(&canvas, &CXCanvas::CoverGestureRequested);

        QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseClick(&canvas, Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(300, 300));
        QCOMPARE(details.size(), 0);
        QCOMPARE(covers.size(), 0);

        QTest::mouseDClick(&canvas, Qt::LeftButton, {}, QPoint(20, 20)); // anywhere, not only on the sheet
        QCOMPARE(details.size(), 1);

        QTest::mouseDClick(&canvas, Qt::RightButton, {}, QPoint(300, 300));
        QTest::mouseDClick(&canvas, Qt::RightButton, Qt::ControlModifier, QPoint(300, 300));
        QTest::mouseDClick(&canvas, Qt::RightButton, Qt::ShiftModifier, QPoint(300, 300));
        QCOMPARE(covers.size(), 0);
        QTest::mouseDClick(&canvas, Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(300, 300));
        QCOMPARE(covers.size(), 1);
        QCOMPARE(details.size(), 1);
    }
};

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
