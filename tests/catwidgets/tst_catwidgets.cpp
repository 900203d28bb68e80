#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"

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

    // Over the pinned font set of data/fonts/fonts.conf.
    void fontList()
    {
        CXFontCatalogue catalogue;
        catalogue.BuildKnownFonts();
        CXFontsLB list;
        list.resize(281, 300);
        QSignalSpy selChange(&list, &CXFontsLB::SelChange);

        InitFontsLB(list, catalogue, false);
        QStringList shown;
        for (int i = 0; i < list.GetCount(); ++i)
            shown.append(list.GetText(i));
        QCOMPARE(shown, QStringList({"Arial", "Arial Narrow", "Calibri", "Cambria", "Courier New", "Tahoma",
                                     "Times New Roman"}));
        QCOMPARE(list.GetCurSel(), -1);
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Courier New"), QStringLiteral("Tahoma")), 4);

        // Turning all fonts on: the current font is gone, the default one is listed.
        InitFontsLB(list, catalogue, true);
        QCOMPARE(list.GetCount(), 7);
        QCOMPARE(list.GetText(0), QStringLiteral("Caladea"));
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Courier New"), QStringLiteral("Tahoma")), 6);
        // Neither listed: the first entry.
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Verdana"), QStringLiteral("Georgia")), 0);
        QCOMPARE(selChange.count(), 0); // the program's own choices are no user selection

        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect second = list.visualItemRect(list.item(1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(list.GetCurSel(), 1);
        QCOMPARE(selChange.count(), 1);

        InitFontsLB(list, catalogue, false);
        list.SetCurSel(1); // Arial Narrow: its only face is italic
        const QImage image = list.viewport()->grab().toImage();
        KeepGrab(image, "fonts");
        QCOMPARE(second.height(), CXFontsLB::kItemHeight);
        QCOMPARE(image.pixelColor(second.left() + 1, second.top() + 20), QColor(51, 153, 255));
        QCOMPARE(image.pixelColor(second.right() - 2, second.top() + 2), QColor(Qt::white));
        QCOMPARE(image.pixelColor(second.right() - 2, second.bottom() - 1), QColor(235, 235, 235));
        // The first item is not selected: no bar, and its name is drawn in the text area.
        QCOMPARE(image.pixelColor(1, 20), QColor(235, 235, 235));
        int dark = 0;
        for (int x = 6; x < 100; ++x)
            for (int y = 0; y < 35; ++y)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY(dark > 20);
    }
};

QTEST_MAIN(TestCatWidgets)
#include "tst_catwidgets.moc"
