#include "catalogue/themecatalogue.h"
#include "catalogue/themelist.h"

#include <QTest>

namespace {

QStringList Names(const QList<ThemeListEntry>& entries)
{
    QStringList names;
    for (const ThemeListEntry& entry : entries)
        names.append(entry.name);
    return names;
}

} // namespace

// Over data/themes/Themes.ini: themes with 0, 1, 2, 3 and 4 photos.
class TestThemeList : public QObject
{
    Q_OBJECT

private:
    CXThemeCatalogue m_catalogue;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_catalogue.LoadAvailableThemes(QStringLiteral(LISTORA_TEST_DATA "/themes")));
        QCOMPARE(m_catalogue.size(), 7);
    }

    void filterEntries()
    {
        const QList<ThemeFilterEntry>& entries = ThemeFilterEntries();
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries[0].text, QStringLiteral("Show All Flyer Themes"));
        QCOMPARE(entries[1].text, QStringLiteral("Show One-Photo Flyer Themes"));
        QCOMPARE(entries[2].text, QStringLiteral("Show Three-Photo Flyer Themes"));
        QCOMPARE(entries[3].text, QStringLiteral("Show Four-Photo Flyer Themes"));
        QCOMPARE(ThemeFilterIndexOf(0), 0);
        QCOMPARE(ThemeFilterIndexOf(3), 2);
        QCOMPARE(ThemeFilterIndexOf(4), 3);
        QCOMPARE(ThemeFilterIndexOf(2), -1);
    }

    void filterTable_data()
    {
        QTest::addColumn<int>("filterValue");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("show all") << 0 << QStringList{"Alpha One",     "beta Three",  "Blank Slate", "Four Corners",
                                                      "Landscape One", "Twin Photos", "Zeta Three"};
        QTest::newRow("one photo") << 1 << QStringList{"Alpha One", "Landscape One"};
        QTest::newRow("three photos, in name order") << 3 << QStringList{"beta Three", "Zeta Three"};
        QTest::newRow("four photos") << 4 << QStringList{"Four Corners"};
        QTest::newRow("nothing selected") << -1 << QStringList{};
    }

    void filterTable()
    {
        QFETCH(int, filterValue);
        QFETCH(QStringList, expected);
        const QList<ThemeListEntry> entries = BuildThemeList(m_catalogue, filterValue);
        QCOMPARE(Names(entries), expected);
        for (const ThemeListEntry& entry : entries)
            QCOMPARE(m_catalogue.at(entry.index).GetName(), entry.name);
    }

    // Flyers (with any size that is no postcard or social picture), postcards, social pictures, all;
    // together with the photo filter.
    void formatTable_data()
    {
        QTest::addColumn<int>("formatValue");
        QTest::addColumn<int>("filterValue");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("flyers") << int(kFormatFlyers) << 0 << QStringList{"Letter Flyer", "Odd Size", "Wide Flyer"};
        QTest::newRow("postcards") << int(kFormatPostcards) << 0 << QStringList{"Card Nine", "Card Six"};
        QTest::newRow("social media") << int(kFormatSocial) << 0
                                      << QStringList{"Link Post", "Square Post", "Story Post"};
        QTest::newRow("all") << int(kFormatAll) << 0
                             << QStringList{"Card Nine", "Card Six",    "Letter Flyer", "Link Post",
                                            "Odd Size",  "Square Post", "Story Post",   "Wide Flyer"};
        QTest::newRow("three-photo postcards") << int(kFormatPostcards) << 3 << QStringList{"Card Nine"};
    }

    void formatTable()
    {
        QFETCH(int, formatValue);
        QFETCH(int, filterValue);
        QFETCH(QStringList, expected);
        CXThemeCatalogue catalogue;
        QVERIFY(catalogue.LoadAvailableThemes(QStringLiteral(LISTORA_TEST_DATA "/formats")));
        QCOMPARE(Names(BuildThemeList(catalogue, filterValue, formatValue)), expected);
        const QList<ThemeFilterEntry>& entries = ThemeFormatEntries();
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries[formatValue].text,
                 (QStringList{"Flyers", "Postcards", "Social media", "All"}.at(formatValue)));
        QCOMPARE(entries[formatValue].value, formatValue);
    }

    void detailsText_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one photo")
            << "Alpha One"
            << "1 Photo\nOrientation: Portrait\nPage size: 8.5\" x 11.0\"\nVersion: 1.0\nCreated: October 05, 2016";
        QTest::newRow("no photos")
            << "Blank Slate"
            << "0 Photos\nOrientation: Portrait\nPage size: 8.5\" x 11.0\"\nVersion: 0.9\nCreated: October 05, 2016";
        QTest::newRow("landscape")
            << "Landscape One"
            << "1 Photo\nOrientation: Landscape\nPage size: 11.0\" x 8.5\"\nVersion: 1.1\nCreated: October 05, 2016";
        QTest::newRow("four photos") << "Four Corners"
                                     << "4 Photos\nOrientation: Portrait\nPage size: 8.5\" x 11.0\"\nVersion: "
                                        "2.0\nCreated: October 05, 2016";
    }

    void detailsText()
    {
        QFETCH(QString, theme);
        QFETCH(QString, expected);
        qsizetype index = 0;
        QVERIFY(m_catalogue.FindTheme(theme, index));
        QCOMPARE(ThemeDetailsText(m_catalogue.at(index)), expected);
    }

    void itemLayout()
    {
        // The third item of a list 262 pixels wide.
        const ThemeItemLayout layout = CalcThemeItemLayout(QRect(0, 184, 262, 92));
        QCOMPARE(layout.coverBox, QRect(4, 184, 70, 92));
        QCOMPARE(layout.coverFrame, QRect(6, 187, 66, 86));
        QCOMPARE(layout.textArea, QRect(76, 186, 184, 88));
        QCOMPARE(layout.titleBox, QRect(78, 188, 180, 17));   // int(0.24 * 88) = 21 high, less 2 + 2
        QCOMPARE(layout.detailsBox, QRect(78, 209, 180, 62)); // int(0.76 * 88) = 66 high, less 2 + 2
        QCOMPARE(layout.selectionBar, QRect(0, 184, 4, 92));
    }

    void coverFit_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("expected");
        // Frame of an item at the top: (6, 3) 66 x 86.
        QTest::newRow("standard cover, too tall") << QSize(71, 92) << QRect(6, 3, 66, 86);
        QTest::newRow("landscape cover, too wide") << QSize(92, 71) << QRect(6, 21, 66, 50);
        QTest::newRow("small cover, never enlarged") << QSize(20, 30) << QRect(29, 31, 20, 30);
        QTest::newRow("tall and narrow") << QSize(10, 500) << QRect(38, 3, 1, 86);
        QTest::newRow("empty picture") << QSize(0, 0) << QRect();
        // Covers of the other formats, kept within 92 x 92 in their page's proportions.
        QTest::newRow("story cover") << QSize(52, 92) << QRect(15, 3, 48, 86);
        QTest::newRow("link cover") << QSize(92, 48) << QRect(6, 29, 66, 34);
        QTest::newRow("postcard cover") << QSize(92, 61) << QRect(6, 24, 66, 43);
    }

    void coverFit()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, expected);
        QCOMPARE(CoverPictureRect(picture, QRect(6, 3, 66, 86)), expected);
    }

    void coverShadow()
    {
        const QRect frame(6, 3, 66, 86);
        const QList<ShadowStrip> strips = CoverShadow(frame);
        QVERIFY(!strips.isEmpty());
        const QRect outside = frame.adjusted(0, 0, 3, 3);
        for (const ShadowStrip& strip : strips) {
            QVERIFY(outside.contains(strip.rect));
            QVERIFY(!strip.rect.intersects(frame));
        }
    }
};

QTEST_GUILESS_MAIN(TestThemeList)
#include "tst_themelist.moc"
