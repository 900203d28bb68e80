#include "controls/colormatrix.h"
#include "controls/ui/pngbutton.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

namespace {

// A 40 x 40 picture: opaque (100, 150, 200) with a transparent column at the left edge.
QString WritePicture(const QTemporaryDir& dir)
{
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(QColor(100, 150, 200));
    for (int y = 0; y < 40; ++y)
        picture.setPixelColor(0, y, QColor(0, 0, 0, 0));
    const QString path = dir.filePath(QStringLiteral("button.png"));
    picture.save(path);
    return path;
}

QColor PixelAt(QWidget& widget, QPoint point)
{
    return widget.grab().toImage().pixelColor(point);
}

} // namespace

class TestPngButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colorMatrices_data()
    {
        QTest::addColumn<int>("matrix"); // 0 brighten, 1 grey
        QTest::addColumn<QRgb>("in");
        QTest::addColumn<QRgb>("out");
        QTest::newRow("brighten") << 0 << qRgba(100, 150, 200, 128) << qRgba(118, 170, 223, 128);
        QTest::newRow("brighten black") << 0 << qRgba(0, 0, 0, 255) << qRgba(13, 13, 13, 255);
        QTest::newRow("brighten clamps") << 0 << qRgba(255, 250, 240, 7) << qRgba(255, 255, 255, 7);
        QTest::newRow("grey") << 1 << qRgba(10, 20, 30, 200) << qRgba(18, 18, 18, 200);
        QTest::newRow("grey green") << 1 << qRgba(0, 255, 0, 255) << qRgba(150, 150, 150, 255);
        QTest::newRow("grey white") << 1 << qRgba(255, 255, 255, 0) << qRgba(255, 255, 255, 0);
    }
    void colorMatrices()
    {
        QFETCH(int, matrix);
        QFETCH(QRgb, in);
        QFETCH(QRgb, out);
        const CXColorMatrix m = matrix == 0 ? CXColorMatrix::Brighten() : CXColorMatrix::Greyscale();
        QCOMPARE(m.Apply(in), out);

        QImage picture(3, 2, QImage::Format_ARGB32);
        picture.fill(in);
        const QImage copy = ApplyColorMatrix(picture, m);
        QCOMPARE(copy.size(), picture.size());
        QCOMPARE(copy.pixel(2, 1), out);
        QVERIFY(ApplyColorMatrix(QImage(), m).isNull());
    }

    void looks()
    {
        QTemporaryDir dir;
        CXPNGButton button;
        button.SetBackgroundColor(QColor(240, 240, 240));
        button.resize(41, 41);
        QVERIFY(button.LoadPicture(WritePicture(dir)));
        QVERIFY(button.PicturesReady());
        QCOMPARE(button.PictureRect(), QRect(0, 0, 40, 40));
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));

        QCOMPARE(button.CurrentLook(), CXPNGButton::Look::Normal);
        QCOMPARE(PixelAt(button, QPoint(20, 20)), QColor(100, 150, 200));
        // The transparent column shows the background, as does the spare pixel at the edge.
        QCOMPARE(PixelAt(button, QPoint(0, 20)), QColor(240, 240, 240));
        QCOMPARE(PixelAt(button, QPoint(40, 40)), QColor(240, 240, 240));

        QTest::mouseMove(&button, QPoint(20, 20));
        QTRY_VERIFY(button.IsHot());
        QCOMPARE(button.CurrentLook(), CXPNGButton::Look::Hot);
        QCOMPARE(PixelAt(button, QPoint(20, 20)), QColor(118, 170, 223));

        // Pressed: the normal picture, one pixel right and down.
        button.setDown(true);
        QCOMPARE(button.CurrentLook(), CXPNGButton::Look::Pressed);
        QCOMPARE(PixelAt(button, QPoint(20, 20)), QColor(100, 150, 200));
        QCOMPARE(PixelAt(button, QPoint(1, 20)), QColor(240, 240, 240));
        QCOMPARE(PixelAt(button, QPoint(2, 20)), QColor(100, 150, 200));
        button.setDown(false);

        button.setEnabled(false);
        QCOMPARE(button.CurrentLook(), CXPNGButton::Look::Disabled);
        QVERIFY(!button.IsHot());
        // The grey copy as it is (0.30 R + 0.59 G + 0.11 B = 141), not faded into the background.
        const QColor disabled = PixelAt(button, QPoint(20, 20));
        QCOMPARE(disabled.red(), disabled.green());
        QCOMPARE(disabled.green(), disabled.blue());
        QVERIFY2(qAbs(disabled.red() - 141) <= 1, qPrintable(QString::number(disabled.red())));
    }

    // The hot look covers the whole button, the spare strip beside the picture included.
    void hotOverTheWholeButton_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("picture") << QSize(41, 41) << QPoint(20, 20);
        QTest::newRow("right edge strip") << QSize(41, 41) << QPoint(40, 20);
        QTest::newRow("bottom edge strip") << QSize(41, 41) << QPoint(20, 40);
        QTest::newRow("corner") << QSize(41, 41) << QPoint(40, 40);
        QTest::newRow("margin of a wider button") << QSize(47, 51) << QPoint(1, 49);
    }
    void hotOverTheWholeButton()
    {
        QFETCH(QSize, size);
        QFETCH(QPoint, at);
        QTemporaryDir dir;
        QWidget window;
        window.resize(100, 100);
        auto* button = new CXPNGButton(&window);
        button->move(20, 20);
        button->resize(size);
        QVERIFY(button->LoadPicture(WritePicture(dir)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseMove(button, QPoint(20, 20));
        QTRY_VERIFY(button->IsHot());
        QTest::mouseMove(button, at);
        QVERIFY(button->IsHot());
        QCOMPARE(button->CurrentLook(), CXPNGButton::Look::Hot);
        QTest::mouseMove(&window, QPoint(5, 5));
        QTRY_VERIFY(!button->IsHot());
    }

    void clicksAndDisabledState()
    {
        QTemporaryDir dir;
        CXPNGButton button;
        button.resize(41, 41);
        button.LoadPicture(WritePicture(dir));
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicked.size(), 1);
        // The second press of a double click counts as a click of its own.
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicked.size(), 2);
        QTest::mouseDClick(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicked.size(), 3);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicked.size(), 3);
    }

    void missingPictureShowsItsName()
    {
        QTemporaryDir dir;
        CXPNGButton button;
        button.setText(QStringLiteral("&New"));
        button.resize(46, 50);
        QVERIFY(button.LoadPicture(WritePicture(dir)));
        QVERIFY(!button.LoadPicture(dir.filePath(QStringLiteral("missing.png"))));
        QVERIFY(!button.PicturesReady());
        QCOMPARE(button.CurrentLook(), CXPNGButton::Look::None);
        QVERIFY(button.PictureRect().isEmpty());
        QFile broken(dir.filePath(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG not really");
        broken.close();
        QVERIFY(!button.LoadPicture(broken.fileName()));
        // The name is drawn so the button can still be found: something other than the background.
        const QImage face = button.grab().toImage();
        bool inked = false;
        for (int y = 0; y < face.height() && !inked; ++y)
            for (int x = 0; x < face.width() && !inked; ++x)
                inked = face.pixelColor(x, y) != button.BackgroundColor();
        QVERIFY(inked);
    }

    void tooltips()
    {
        CXPNGButton button;
        button.SetTooltipText(QStringLiteral("Create New Flyer Project"));
        QCOMPARE(button.toolTip(), QStringLiteral("Create New Flyer Project"));
        button.SetTooltipText(QString());
        QVERIFY(button.toolTip().isEmpty());
        QVERIFY(button.TooltipText().isEmpty());
    }

    // The tooltip waits for the mouse to rest 1.5 seconds, on a disabled button too. Only the lower
    // bound is checked: a loaded machine can make it later, never earlier.
    void tooltipAfterItsDelay_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled") << false;
    }
    void tooltipAfterItsDelay()
    {
        QFETCH(bool, enabled);
        QTemporaryDir dir;
        QWidget window;
        window.resize(100, 100);
        auto* button = new CXPNGButton(&window);
        button->move(20, 20);
        button->resize(41, 41);
        QVERIFY(button->LoadPicture(WritePicture(dir)));
        button->SetTooltipText(QStringLiteral("Create New Flyer Project"));
        button->setEnabled(enabled);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, QPoint(5, 5));
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());

        QElapsedTimer rested;
        rested.start();
        QTest::mouseMove(button, QPoint(20, 20));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 20000);
        QVERIFY2(rested.elapsed() >= CXPNGButton::kTooltipDelayMs - 20, qPrintable(QString::number(rested.elapsed())));
        QCOMPARE(QToolTip::text(), QStringLiteral("Create New Flyer Project"));
        QTest::mouseMove(&window, QPoint(5, 5));
        QTRY_VERIFY(!QToolTip::isVisible());
    }
};

QTEST_MAIN(TestPngButton)
#include "tst_pngbutton.moc"
