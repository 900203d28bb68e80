#include "catalogue/colorpalette.h"

#include <QTest>

class TestColorPalette : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standardSetupOrdersByValue()
    {
        CXPaletteColors palette;
        palette.SetupStandardPalette(0x123456, 52);
        const QList<ColorRef>& colors = palette.Colors();
        QCOMPARE(colors.size(), 70);
        QCOMPARE(palette.GetRows(), 7);
        QCOMPARE(palette.GetColumns(), 10);
        QCOMPARE(palette.GetSelectedColor(), ColorRef(0x123456));

        const QStringList expected =
            QStringLiteral("#671E00 #8F2A00 #AD3300 #CD3D00 #EB4600 #FF8C00 #402408 #70000C #157C15 #583616 "
                           "#673F19 #980B1A #E81522 #7C4F23 #8C5927 #BB1D2E #013B2E #D52437 #D13538 #710039 "
                           "#15893D #015441 #4C4A48 #F13449 #970C51 #C30052 #525D54 #4A5459 #15705B #7E735F "
                           "#486760 #B21162 #505C6B #BDB76B #1C856E #6F0374 #008574 #BF0077 #391379 #D5207A "
                           "#279980 #008387 #9A0089 #00008B #008B8B #F32A8F #471A94 #900995 #881598 #2E7D9A "
                           "#744CA9 #A9A9A9 #0063B1 #AD10B4 #5C27B5 #8765B8 #C0C0C0 #0000CD #6C2FD2 #D3D3D3 "
                           "#CC20D4 #6B69D6 #8E8CD8 #8A2BE2 #ADD8E6 #7B38ED #7B68EE #E624EF #D5E4F2 #E6E6FA")
                .split(QLatin1Char(' '));
        QStringList actual;
        for (ColorRef color : colors)
            actual.append(ColorRefToHex(color));
        QCOMPARE(actual, expected);

        // A colour already present changes nothing; a new one lands at its place and needs an eighth row.
        palette.AddColor(MakeColorRef(0x67, 0x1E, 0x00));
        QCOMPARE(palette.Colors().size(), 70);
        palette.AddColor(MakeColorRef(0x66, 0x1E, 0x00)); // one below the first swatch's value
        QCOMPARE(palette.Colors().size(), 71);
        QCOMPARE(ColorRefToHex(palette.Colors().at(0)), QStringLiteral("#661E00"));
        QCOMPARE(ColorRefToHex(palette.Colors().at(1)), QStringLiteral("#671E00"));
        palette.SetupStandardPalette(0, 52);
        palette.AddColor(0xFEFEFE);
        palette.SetRows((int(palette.Colors().size()) + 9) / 10);
        QCOMPARE(palette.GetRows(), 8);
    }

    void resetStartsOver()
    {
        CXPaletteColors palette;
        palette.AddColor(0x000001);
        palette.ResetColors();
        QCOMPARE(palette.Colors().size(), 23);
        QVERIFY(!palette.Colors().contains(0x000001));
        QVERIFY(std::is_sorted(palette.Colors().begin(), palette.Colors().end()));
    }

    void colorHex()
    {
        CXPaletteColors palette;
        QCOMPARE(palette.GetColorHex(), QStringLiteral("#FFFFFF"));
        palette.SetSelectedColor(MakeColorRef(0x8B, 0, 0));
        QCOMPARE(palette.GetColorHex(), QStringLiteral("#8B0000"));
        palette.SetSelectedColor(MakeColorRef(0x01, 0x02, 0xAB));
        QCOMPARE(palette.GetColorHex(), QStringLiteral("#0102AB"));
    }

    // "More Colors..." choices: newest first after the 70, the last ten only, no standard colour twice.
    void customColors()
    {
        CXPaletteColors palette;
        palette.SetupStandardPalette(0x123456, 52);
        const ColorRef brand = MakeColorRef(0x00, 0x53, 0x9B);
        QVERIFY(palette.ChooseCustomColor(brand));
        QCOMPARE(palette.GetSelectedColor(), brand);
        QCOMPARE(palette.Swatches().size(), 71);
        QCOMPARE(palette.Swatches().at(70), brand);
        QCOMPARE(palette.GetRows(), 8);
        // Its cell is the first of the eighth row, and a click there picks it.
        const CXPaletteLayout layout = CalcRects(QSize(265, 96), 52, palette.GetColumns(), palette.GetRows());
        QCOMPARE(HitTestColor(layout, int(palette.Swatches().size()), layout.cells.at(70).center()), 70);
        QCOMPARE(HitTestColor(layout, int(palette.Swatches().size()), layout.cells.at(71).center()), -1);

        // A standard colour is selected but not remembered; the newest comes first, a repeat moves up.
        QVERIFY(!palette.ChooseCustomColor(MakeColorRef(0x8A, 0x2B, 0xE2)));
        QCOMPARE(palette.GetSelectedColor(), MakeColorRef(0x8A, 0x2B, 0xE2));
        QCOMPARE(palette.CustomColors(), QList<ColorRef>{brand});
        QVERIFY(!palette.ChooseCustomColor(brand));
        for (int i = 1; i <= 11; ++i)
            palette.ChooseCustomColor(MakeColorRef(i, i, i));
        QCOMPARE(palette.CustomColors().size(), kMaxCustomColors);
        QCOMPARE(palette.CustomColors().first(), MakeColorRef(11, 11, 11));
        QVERIFY(!palette.CustomColors().contains(brand));
        palette.ChooseCustomColor(MakeColorRef(5, 5, 5));
        QCOMPARE(palette.CustomColors().first(), MakeColorRef(5, 5, 5));
        QCOMPARE(palette.CustomColors().size(), kMaxCustomColors);
        QCOMPARE(palette.GetRows(), 8);
    }

    void customColorsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("two") << QStringLiteral("#00539B #abcdef") << QStringLiteral("#00539B #ABCDEF");
        QTest::newRow("junk and repeats skipped")
            << QStringLiteral("  #00539B red #12345 #00539b #1234567 0x102030 #102030 ")
            << QStringLiteral("#00539B #102030");
        QTest::newRow("eleven keep ten")
            << QStringLiteral("#000001 #000002 #000003 #000004 #000005 #000006 #000007 #000008 #000009 #00000A "
                              "#00000B")
            << QStringLiteral("#000001 #000002 #000003 #000004 #000005 #000006 #000007 #000008 #000009 #00000A");
    }
    void customColorsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        const QList<ColorRef> colors = CustomColorsFromText(text);
        QCOMPARE(CustomColorsToText(colors), kept);
        QCOMPARE(CustomColorsFromText(CustomColorsToText(colors)), colors);
    }

    void geometry()
    {
        const CXPaletteLayout layout = CalcRects(QSize(300, 100), 52, 10, 7);
        QCOMPARE(layout.previewBox,
                 QRect(QPoint(4, 4), QPoint(47, 95))); // (4, 4, 48, 96) with right and bottom outside
        QCOMPARE(layout.cells.size(), 70);
        QCOMPARE(layout.cells.first(), QRect(49, 5, 25, 13));
        QCOMPARE(layout.cells.at(1), QRect(74, 5, 25, 13));
        QCOMPARE(layout.cells.at(10), QRect(49, 18, 25, 13));
        QCOMPARE(layout.cells.last(), QRect(49 + 9 * 25, 5 + 6 * 13, 25, 13));

        // Spare pixels are split around the grid and then pushed by half again.
        const CXPaletteLayout odd = CalcRects(QSize(265, 96), 52, 10, 7);
        // area (49, 2, 264, 94): 215 wide -> cells 21, hx 2; 92 high -> cells 13, hy 0
        QCOMPARE(odd.cells.first(), QRect(49 + 2 + 1, 2, 21, 13));
        QCOMPARE(odd.previewBox, QRect(4, 4, 44, 88));

        // No rows or columns: nothing to divide, only the preview box.
        QVERIFY(CalcRects(QSize(300, 100), 52, 0, 7).cells.isEmpty());
        QVERIFY(CalcRects(QSize(300, 100), 52, 10, 0).cells.isEmpty());
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("colorCount");
        QTest::addColumn<int>("expected");
        // 300 x 100, preview 52, 7 x 10: cell 0 is x 49..73, y 5..17.
        QTest::newRow("first cell top-left corner") << QPoint(49, 5) << 70 << 0;
        QTest::newRow("gap pixel inside first cell") << QPoint(49, 10) << 70 << 0;
        QTest::newRow("right edge belongs to the next cell") << QPoint(74, 5) << 70 << 1;
        QTest::newRow("bottom edge belongs to the next row") << QPoint(60, 18) << 70 << 10;
        QTest::newRow("last cell") << QPoint(290, 90) << 70 << 69;
        QTest::newRow("below the grid") << QPoint(60, 96) << 70 << -1;
        QTest::newRow("above the grid") << QPoint(60, 4) << 70 << -1;
        QTest::newRow("preview box") << QPoint(20, 50) << 70 << -1;
        QTest::newRow("between preview and grid") << QPoint(48, 50) << 70 << -1;
        QTest::newRow("cell without a colour") << QPoint(290, 90) << 65 << -1;
    }

    void hitTest()
    {
        QFETCH(QPoint, point);
        QFETCH(int, colorCount);
        QFETCH(int, expected);
        QCOMPARE(HitTestColor(CalcRects(QSize(300, 100), 52, 10, 7), colorCount, point), expected);
    }
};

QTEST_GUILESS_MAIN(TestColorPalette)
#include "tst_colorpalette.moc"
