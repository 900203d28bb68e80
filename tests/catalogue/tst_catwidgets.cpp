#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "catalogue/themecatalogue.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

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

QStringList Texts(const CXThemesLB& list)
{
    QStringList texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.append(list.GetText(i));
    return texts;
}

// The list and filter of the main window over the theme fixture (themes with 0 to 4 photos).
struct ThemePicker
{
    CXThemeCatalogue catalogue;
    CXThemeFilterCB filter;
    CXThemesLB list;

    ThemePicker()
    {
        filter.FillFilter();
        catalogue.LoadAvailableThemes(QStringLiteral(LISTORA_TEST_DATA "/themes"));
    }
};

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
        // Fonts match by their exact text, unlike themes, whose names match in any case.
        QCOMPARE(list.FindStringExact(QStringLiteral("arial")), -1);
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Courier New"), QStringLiteral("Tahoma")), 4);

        // Turning all fonts on keeps every font of the short list, the current one included.
        InitFontsLB(list, catalogue, true);
        QCOMPARE(list.GetCount(), 13);
        QCOMPARE(list.GetText(0), QStringLiteral("Arial"));
        QCOMPARE(list.GetText(6), QStringLiteral("Courier New"));
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Courier New"), QStringLiteral("Tahoma")), 6);
        // The current font not listed: the default one.
        QCOMPARE(SelectFontAfterRebuild(list, QStringLiteral("Verdana"), QStringLiteral("Tahoma")), 11);
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

    void themeFilter()
    {
        CXThemeFilterCB filter;
        filter.FillFilter();
        QCOMPARE(filter.count(), 4);
        QCOMPARE(filter.GetFilterValue(), -1);
        QVERIFY(filter.SelectFilterValue(3));
        QCOMPARE(filter.currentText(), QStringLiteral("Show Three-Photo Flyer Themes"));
        QVERIFY(!filter.SelectFilterValue(2));
        QCOMPARE(filter.GetFilterValue(), 3);
        filter.FillFilter(); // refilling starts over
        QCOMPARE(filter.count(), 4);
        QCOMPARE(filter.GetFilterValue(), -1);
    }

    void findSelectTheme_data()
    {
        QTest::addColumn<int>("filterBefore");
        QTest::addColumn<QString>("theme");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("filterAfter");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");
        const QStringList onePhoto{"Alpha One", "Landscape One"};
        QTest::newRow("four photos under the one-photo filter")
            << 1 << "Four Corners" << true << 4 << QStringList{"Four Corners"} << "Four Corners";
        QTest::newRow("show all is kept, name in other case")
            << 0 << "zeta three" << true << 0
            << QStringList{"Alpha One",     "beta Three",  "Blank Slate", "Four Corners",
                           "Landscape One", "Twin Photos", "Zeta Three"}
            << "Zeta Three";
        QTest::newRow("two photos keep the one-photo filter")
            << 1 << "Twin Photos" << true << 1 << onePhoto << QString();
        QTest::newRow("listed already") << 1 << "Landscape One" << true << 1 << onePhoto << "Landscape One";
        QTest::newRow("unknown theme changes nothing") << 1 << "Nowhere" << false << 1 << onePhoto << QString();
        QTest::newRow("no filter chosen yet")
            << -1 << "beta three" << true << 3 << QStringList{"beta Three", "Zeta Three"} << "beta Three";
        QTest::newRow("no filter chosen yet, two photos")
            << -1 << "Twin Photos" << true << 0
            << QStringList{"Alpha One",     "beta Three",  "Blank Slate", "Four Corners",
                           "Landscape One", "Twin Photos", "Zeta Three"}
            << "Twin Photos";
    }

    void findSelectTheme()
    {
        QFETCH(int, filterBefore);
        QFETCH(QString, theme);
        QFETCH(bool, found);
        QFETCH(int, filterAfter);
        QFETCH(QStringList, listed);
        QFETCH(QString, selected);

        ThemePicker picker;
        if (filterBefore >= 0)
            picker.filter.SelectFilterValue(filterBefore);
        InitThemesLB(picker.list, picker.filter, picker.catalogue);
        QSignalSpy selChange(&picker.list, &CXThemesLB::SelChange);

        QCOMPARE(FindSelectTheme(picker.list, picker.filter, picker.catalogue, theme), found);
        QCOMPARE(picker.filter.GetFilterValue(), filterAfter);
        QCOMPARE(Texts(picker.list), listed);
        const int sel = picker.list.GetCurSel();
        QCOMPARE(sel < 0 ? QString() : picker.list.GetText(sel), selected);
        if (sel >= 0)
            QCOMPARE(picker.catalogue.at(picker.list.GetItemData(sel)).GetName(), selected);
        QCOMPARE(selChange.count(), 0);
    }

    void themeFilterChange_data()
    {
        QTest::addColumn<int>("filterValue");
        QTest::addColumn<bool>("selectFirst");
        QTest::addColumn<QString>("lastTheme");
        QTest::addColumn<QString>("selected");
        QTest::newRow("select first") << 3 << true << "Zeta Three"
                                      << "beta Three";
        QTest::newRow("last theme listed") << 3 << false << "ZETA THREE"
                                           << "Zeta Three";
        QTest::newRow("last theme not listed") << 4 << false << "Zeta Three" << QString();
        QTest::newRow("empty list") << 2 << true << "Zeta Three" << QString();
    }

    void themeFilterChange()
    {
        QFETCH(int, filterValue);
        QFETCH(bool, selectFirst);
        QFETCH(QString, lastTheme);
        QFETCH(QString, selected);
        ThemePicker picker;
        picker.filter.SelectFilterValue(filterValue);
        picker.list.SetEntries(BuildThemeList(picker.catalogue, 0));
        picker.list.SetCurSel(2);
        ThemeFilterChanged(picker.list, picker.filter, picker.catalogue, selectFirst, lastTheme);
        const int sel = picker.list.GetCurSel();
        QCOMPARE(sel < 0 ? QString() : picker.list.GetText(sel), selected);
    }

    void themeListDrawing()
    {
        QTemporaryDir covers;
        QVERIFY(covers.isValid());
        // A cover of the usual proportions for Alpha One, none for Landscape One.
        QImage cover(71, 92, QImage::Format_RGB32);
        cover.fill(QColor(200, 40, 40));
        QVERIFY(cover.save(QDir(covers.path()).filePath("00000000-0000-0000-0000-00000000000B.png")));

        CAppSettings settings;
        settings.Path2Themes = QStringLiteral(LISTORA_TEST_DATA "/themes");
        settings.Path2ThemeCovers = covers.path();
        ThemePicker picker;
        picker.list.SetSettings(&settings);
        picker.list.resize(281, 300);
        picker.filter.SelectFilterValue(1);
        InitThemesLB(picker.list, picker.filter, picker.catalogue);
        picker.list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker.list));

        QSignalSpy selChange(&picker.list, &CXThemesLB::SelChange);
        const QRect second = picker.list.visualItemRect(picker.list.item(1));
        QCOMPARE(second.height(), CXThemesLB::kItemHeight);
        QTest::mouseClick(picker.list.viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(selChange.count(), 1);
        QCOMPARE(picker.list.GetCurSel(), 1);

        const QImage image = picker.list.viewport()->grab().toImage();
        KeepGrab(image, "themes");
        // First item: the cover fills its frame; no selection bar.
        QCOMPARE(image.pixelColor(6 + 33, 3 + 43), QColor(200, 40, 40));
        QCOMPARE(image.pixelColor(1, 80), QColor(235, 235, 235));
        // Second item: selected, no cover, so the frame shows the gradient.
        QCOMPARE(image.pixelColor(second.left() + 1, second.top() + 46), QColor(51, 153, 255));
        QCOMPARE(image.pixelColor(second.left() + 39, second.top() + 80), QColor(235, 235, 235));
        QCOMPARE(image.pixelColor(second.left() + 39, second.top() + 5), QColor(Qt::white));
        // The title in its colour and the details in dark text.
        int title = 0, details = 0;
        for (int x = 78; x < 250; ++x) {
            for (int y = 4; y < 21; ++y)
                title += qBlue(image.pixel(x, y)) > qRed(image.pixel(x, y)) + 20;
            for (int y = 25; y < 87; ++y)
                details += qGray(image.pixel(x, y)) < 100;
        }
        QVERIFY(title > 20);
        QVERIFY(details > 100);
    }
};

QTEST_MAIN(TestCatWidgets)
#include "tst_catwidgets.moc"
