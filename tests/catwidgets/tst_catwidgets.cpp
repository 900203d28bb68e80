#include "catalogue/ui/colorpalette.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Set CATWIDGETS_GRAB_DIR to keep the pictures of the widgets for a look.
void KeepGrab(const QImage& image, const char* name)
{
    const QString dir = qEnvironmentVariable("CATWIDGETS_GRAB_DIR");
    if (!dir.isEmpty())
        image.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

} // namespace

class TestCatWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paletteClicks()
    {
        CXColorPalette palette;
        palette.resize(300, 100);
        palette.SetupStandardPalette(0xFFFFFF, 52);
        palette.show();
        QVERIFY(QTest::qWaitForWindowExposed(&palette));
        QSignalSpy changed(&palette, &CXColorPalette::ColorChanged);

        // The preview box and the space below the grid choose nothing.
        QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(20, 50));
        QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(150, 97));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(palette.GetSelectedColor(), ColorRef(0xFFFFFF));

        // The outline pixel of a swatch still belongs to its cell: second row, first column.
        QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(49, 18));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(palette.GetColorHex(), QStringLiteral("#673F19"));

        const QImage image = palette.grab().toImage();
        KeepGrab(image, "palette");
        QCOMPARE(image.pixelColor(25, 50), QColor(0x67, 0x3F, 0x19));  // preview box
        QCOMPARE(image.pixelColor(0, 0), QColor(137, 140, 149));       // control outline
        QCOMPARE(image.pixelColor(60, 11), QColor(0x67, 0x1E, 0x00));  // first swatch
        QCOMPARE(image.pixelColor(50, 6), QColor(137, 140, 149));      // its outline
        QCOMPARE(image.pixelColor(49, 5), QColor(Qt::white));          // the gap around it
        QCOMPARE(image.pixelColor(290, 88), QColor(0xE6, 0xE6, 0xFA)); // last swatch
    }
};

QTEST_MAIN(TestCatWidgets)
#include "tst_catwidgets.moc"
