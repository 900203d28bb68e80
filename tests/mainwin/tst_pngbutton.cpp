#include "controls/colormatrix.h"
#include "controls/ui/pngbutton.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
        // The grey copy (0.30 R + 0.59 G + 0.11 B = 141), faded half over the background.
        const QColor disabled = PixelAt(button, QPoint(20, 20));
        QCOMPARE(disabled.red(), disabled.green());
        QCOMPARE(disabled.green(), disabled.blue());
        QVERIFY(qAbs(disabled.red() - (141 + 240) / 2) <= 1);
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
};

QTEST_MAIN(TestPngButton)
#include "tst_pngbutton.moc"
