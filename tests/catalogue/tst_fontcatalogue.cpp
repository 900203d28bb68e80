#include "catalogue/fontcatalogue.h"
#include "catalogue/listitemstyle.h"

#include <QFontInfo>
#include <QTest>

Q_DECLARE_METATYPE(FontStyleChoice)

namespace {

FontFaceInfo Face(const QStringList& families, const char* format, bool bold = false, bool italic = false)
{
    FontFaceInfo face;
    face.families = families;
    face.format = QLatin1String(format);
    face.outline = true;
    face.latin = true;
    face.bold = bold;
    face.italic = italic;
    return face;
}

} // namespace

// Runs over the pinned font set of data/fonts/fonts.conf (FONTCONFIG_FILE).
class TestFontCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void naturalOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("2 before 10") << "Gothic 2"
                                     << "Gothic 10" << -1;
        QTest::newRow("digits inside") << "A9b"
                                       << "a10B" << -1;
        QTest::newRow("case ignored") << "ARIAL black"
                                      << "Arial Black" << 0;
        QTest::newRow("prefix first") << "Tw Cen MT"
                                      << "Tw Cen MT Condensed" << -1;
        QTest::newRow("letters") << "Verdana"
                                 << "tahoma" << 1;
        QTest::newRow("blank before letter") << "Segoe UI"
                                             << "SegoeUI" << -1;
        QTest::newRow("digit before letter") << "Font 1"
                                             << "Font A" << -1;
        QTest::newRow("runs longer than any integer") << "n123456789012345678901234567890"
                                                      << "n123456789012345678901234567891" << -1;
        QTest::newRow("same value, more zeros first") << "Font 007"
                                                      << "Font 7" << -1;
        QTest::newRow("equal") << "Modern No. 20"
                               << "modern no. 20" << 0;
    }

    void naturalOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const auto sign = [](int value) { return (value > 0) - (value < 0); };
        QCOMPARE(sign(StrCmpLogical(a, b)), order);
        QCOMPARE(sign(StrCmpLogical(b, a)), -order);
    }

    void sortedArray()
    {
        CXSStringArray array;
        QCOMPARE(array.Add(QStringLiteral("Font 10")), 0);
        QCOMPARE(array.Add(QStringLiteral("Font 2")), 0);
        QCOMPARE(array.Add(QStringLiteral("Arial")), 0);
        // A case-insensitive duplicate is the same text: the first spelling stays.
        QCOMPARE(array.Add(QStringLiteral("FONT 2")), 1);
        QCOMPARE(array.Items(), QStringList({"Arial", "Font 2", "Font 10"}));

        int index = -1;
        QVERIFY(array.Find(u"font 10", &index));
        QCOMPARE(index, 2);
        QVERIFY(!array.Find(u"Font 3", &index));
        QCOMPARE(index, 2);
        QVERIFY(!array.Contains(u"Zeta"));
        array.RemoveAll();
        QVERIFY(array.IsEmpty());

        // The catalogue's own order is its sorted order, and it has no duplicates.
        const CXSStringArray known(KnownFontNames());
        QCOMPARE(known.GetSize(), 108);
        QCOMPARE(known.Items(), KnownFontNames());
    }

    void styleChoice_data()
    {
        QTest::addColumn<QList<bool>>("faces"); // bold, regular, bold italic, italic
        QTest::addColumn<FontStyleChoice>("expected");
        QTest::newRow("all four") << QList<bool>{true, true, true, true} << FontStyleChoice::Bold;
        QTest::newRow("regular and italic") << QList<bool>{false, true, false, true} << FontStyleChoice::Regular;
        QTest::newRow("italics only") << QList<bool>{false, false, true, true} << FontStyleChoice::BoldItalic;
        QTest::newRow("italic only") << QList<bool>{false, false, false, true} << FontStyleChoice::Italic;
        QTest::newRow("nothing") << QList<bool>{false, false, false, false} << FontStyleChoice::None;
    }

    void styleChoice()
    {
        QFETCH(QList<bool>, faces);
        QFETCH(FontStyleChoice, expected);
        QCOMPARE(ChooseFontStyle({faces[0], faces[1], faces[2], faces[3]}), expected);
    }

    void familiesFromFaces()
    {
        FontFaceInfo nonLatin = Face({"Script Only"}, "TrueType");
        nonLatin.latin = false;
        FontFaceInfo bitmap = Face({"Fixed"}, "PCF");
        bitmap.outline = false;
        const QList<FontFaceInfo> faces = {
            Face({"Sans", "Sans Condensed"}, "TrueType", true),
            Face({"sans"}, "CFF", false, true),
            Face({"@Vertical"}, "TrueType"),
            Face({"Old Type"}, "Type 1"),
            nonLatin,
            bitmap,
        };
        const QList<InstalledFontFamily> families = CollectFontFamilies(faces);
        QCOMPARE(families.size(), 2);
        QCOMPARE(families[0].name, QStringLiteral("Sans"));
        QVERIFY(families[0].styles.bold && families[0].styles.italic && !families[0].styles.regular);
        QCOMPARE(families[1].name, QStringLiteral("Sans Condensed"));
        QVERIFY(families[1].styles.bold && !families[1].styles.italic);
    }

    void listBuilding()
    {
        const CXSStringArray known({"Arial", "Tahoma", "Verdana"});
        const CXSStringArray installed({"Verdana", "Arial", "Other Font 10", "Other Font 2"});
        const CXSStringArray inactive({"verdana"});
        // Tahoma is installed only through a metric twin.
        const auto isInstalled = [&installed](const QString& name) {
            return installed.Contains(name) || name == QLatin1String("Tahoma");
        };
        // Known fonts that are installed; the hidden list is not consulted here.
        QCOMPARE(BuildFontList(known, installed, inactive, false, isInstalled),
                 QStringList({"Arial", "Tahoma", "Verdana"}));
        // Every installed font but the hidden ones, in natural order, and every name of the short list
        // that is not hidden: ticking "Show All Fonts" never drops the font a project uses.
        QCOMPARE(BuildFontList(known, installed, inactive, true, isInstalled),
                 QStringList({"Arial", "Other Font 2", "Other Font 10", "Tahoma"}));
    }

    void installedFonts()
    {
        CXFontCatalogue catalogue;
        catalogue.BuildKnownFonts();
        catalogue.InitInstalledFonts();

        QCOMPARE(catalogue.ListFonts(false), QStringList({"Arial", "Arial Narrow", "Calibri", "Cambria", "Courier New",
                                                          "Tahoma", "Times New Roman"}));
        // Z003 is a Type 1 family: never listed. Standard Symbols PS and D050000L map the letters to
        // symbols and dingbats: never listed either. The full list holds the short one.
        QCOMPARE(catalogue.ListFonts(true),
                 QStringList({"Arial", "Arial Narrow", "Caladea", "Calibri", "Cambria", "Carlito", "Courier New",
                              "Liberation Mono", "Liberation Sans", "Liberation Sans Narrow", "Liberation Serif",
                              "Tahoma", "Times New Roman"}));
        for (const char* symbols : {"Standard Symbols PS", "D050000L"}) {
            QVERIFY(!CXFontCatalogue::EnumerateFontFaces(QLatin1String(symbols)).isEmpty());
            QVERIFY(!catalogue.IsInstalled(QLatin1String(symbols)));
        }

        // Metric aliases count, weak fallbacks do not (Helvetica and Impact still match some face).
        QCOMPARE(catalogue.ResolveFamily(QStringLiteral("arial")), QStringLiteral("Liberation Sans"));
        QVERIFY(!catalogue.IsInstalled(QStringLiteral("Helvetica")));
        QVERIFY(!catalogue.IsInstalled(QStringLiteral("Impact")));
        QVERIFY(!catalogue.IsInstalled(QStringLiteral("Z003")));

        // Rebuilding empties the installed fonts first.
        catalogue.InitInstalledFonts();
        QCOMPARE(catalogue.InstalledFonts().GetSize(), 7);

        // The same answers without enumerating everything, as the template merge asks.
        QCOMPARE(CXFontCatalogue::LookUpFamily(QStringLiteral("Arial Narrow")),
                 QStringLiteral("Liberation Sans Narrow"));
        QCOMPARE(CXFontCatalogue::LookUpFamily(QStringLiteral("tahoma")), QStringLiteral("Tahoma"));
        QCOMPARE(CXFontCatalogue::LookUpFamily(QStringLiteral("Standard Symbols PS")), QString());
        QCOMPARE(CXFontCatalogue::LookUpFamily(QStringLiteral("Impact")), QString());
    }

    void entryStyles()
    {
        CXFontCatalogue catalogue;
        catalogue.BuildKnownFonts();
        catalogue.InitInstalledFonts();
        QCOMPARE(catalogue.StyleOf(QStringLiteral("Tahoma")), FontStyleChoice::Bold);
        // Only the italic face of Liberation Sans Narrow is pinned, and Arial Narrow is drawn with it.
        QCOMPARE(catalogue.StyleOf(QStringLiteral("Liberation Sans Narrow")), FontStyleChoice::Italic);
        const QList<FontListEntry> entries = catalogue.ListEntries(false);
        const auto narrow = std::find_if(entries.cbegin(), entries.cend(), [](const FontListEntry& e) {
            return e.text == QLatin1String("Arial Narrow");
        });
        QVERIFY(narrow != entries.cend());
        QCOMPARE(narrow->family, QStringLiteral("Liberation Sans Narrow"));
        QCOMPARE(narrow->style, FontStyleChoice::Italic);

        const QFont font = MakeFontForStyle(narrow->family, narrow->style, FontEntryPixelSize(96));
        QCOMPARE(font.pixelSize(), 17);
        QVERIFY(font.italic());
        QCOMPARE(QFontInfo(font).styleName(), QStringLiteral("Italic"));
        QCOMPARE(StripFoundry(QStringLiteral("Z003 [urw]")), QStringLiteral("Z003"));
    }

    void itemGradient()
    {
        // 35 rows: 7 white, a band of 11 rows fading, the bottom 17 grey.
        const QList<QRgb> rows = ItemGradientRows(35);
        QCOMPARE(rows.size(), 35);
        for (int y = 0; y < 7; ++y)
            QCOMPARE(rows.at(y), qRgb(255, 255, 255));
        for (int y = 18; y < 35; ++y)
            QCOMPARE(rows.at(y), kListBackground);
        for (int y = 7; y < 18; ++y) {
            QVERIFY(qRed(rows.at(y)) < qRed(rows.at(y - 1)) || rows.at(y) == rows.at(y - 1));
            QVERIFY(qRed(rows.at(y)) > 235 && qRed(rows.at(y)) < 255);
        }
        QVERIFY(ItemGradientRows(0).isEmpty());
        QCOMPARE(ItemGradientRows(92).first(), qRgb(255, 255, 255));
        QCOMPARE(ItemGradientRows(92).last(), kListBackground);
    }

    void elideAtWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        // One unit per character.
        QTest::newRow("fits") << "Tw Cen MT" << 9 << "Tw Cen MT";
        QTest::newRow("last word dropped") << "Tw Cen MT Condensed" << 12 << QString::fromUtf8("Tw Cen MT\u2026");
        QTest::newRow("two words dropped") << "Tw Cen MT Condensed" << 9 << QString::fromUtf8("Tw Cen\u2026");
        QTest::newRow("first word too long") << "Haettenschweiler" << 6 << QString::fromUtf8("Haett\u2026");
        QTest::newRow("nothing fits") << "Broadway" << 0 << QString::fromUtf8("\u2026");
    }

    void elideAtWord()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(ElideAtWord(text, width, [](const QString& s) { return int(s.size()); }), expected);
    }

    void wrapIntoLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<QStringList>("expected");
        // One unit per character, 12 wide.
        const QString e = QString(QChar(0x2026));
        QTest::newRow("fits") << "1 Photo\nVersion: 1.0" << 5 << QStringList{"1 Photo", "Version: 1.0"};
        QTest::newRow("wrapped at words")
            << "Created: October 05, 2016" << 5 << QStringList{"Created:", "October 05,", "2016"};
        QTest::newRow("more lines than room") << "one\ntwo\nthree" << 2 << QStringList{"one", "two" + e};
        QTest::newRow("word wider than a line") << "Orientation:Landscape" << 5 << QStringList{"Orientation" + e};
        QTest::newRow("no room at all") << "one\ntwo" << 0 << QStringList{"one" + e};
    }

    void wrapIntoLines()
    {
        QFETCH(QString, text);
        QFETCH(int, maxLines);
        QFETCH(QStringList, expected);
        const QStringList lines = WrapTextIntoLines(text, 12, maxLines, [](const QString& s) { return int(s.size()); });
        QCOMPARE(lines, expected);
    }
};

QTEST_MAIN(TestFontCatalogue)
#include "tst_fontcatalogue.moc"
