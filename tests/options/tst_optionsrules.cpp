#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "options/optionsrules.h"

#include <QTest>

class TestOptionsRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureRule_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("orientation"); // empty when accepted
        QTest::newRow("portrait 300x400") << 300 << 400 << QString();
        QTest::newRow("smallest 121x181") << 121 << 181 << QString();
        QTest::newRow("limits themselves 120x180") << 120 << 180 << "Portrait";
        QTest::newRow("one side at its limit") << 500 << 180 << "Landscape";
        QTest::newRow("landscape 400x300") << 400 << 300 << "Landscape";
        QTest::newRow("square 500x500") << 500 << 500 << "Equal Width & Height";
        QTest::newRow("no picture 0x0") << 0 << 0 << "Equal Width & Height";
    }
    void pictureRule()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, orientation);
        const int code = height > width ? 0 : (width > height ? 1 : 2);
        const QString message = CheckMyPicture(QStringLiteral("/photos/agent.png"), true, width, height, code);
        if (orientation.isEmpty()) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
            return;
        }
        QVERIFY(message.startsWith(QStringLiteral("The selected photo should have")));
        QVERIFY2(message.endsWith(QStringLiteral(" and %1 orientation).").arg(orientation)), qPrintable(message));
    }

    void logoRule_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("wide 1000x250") << 1000 << 250 << true;
        QTest::newRow("smallest 201x101") << 201 << 101 << true;
        QTest::newRow("tall 250x1000") << 250 << 1000 << true;
        QTest::newRow("limits themselves 200x100") << 200 << 100 << false;
        QTest::newRow("square 150x150") << 150 << 150 << false;
        QTest::newRow("height at its limit") << 900 << 100 << false;
    }
    void logoRule()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, accepted);
        QCOMPARE(CheckBusinessLogo(QStringLiteral("/logos/firm.png"), true, width, height).isEmpty(), accepted);
    }

    void refusalMessages()
    {
        QCOMPARE(CheckMyPicture(QStringLiteral("/photos/Agent Shot.jpg"), true, 1400, 1050, 1),
                 QStringLiteral("The selected photo should have the following minimum properties:\n\n"
                                "     Width: 120 pixels\n     Height: 180 pixels\n"
                                "     Orientation: Portrait (Height > Width).\n\nPlease select another photo.\n\n"
                                "NOTE: The photo you selected 'Agent Shot.jpg' properties are (Width: 1,400 pixels, "
                                "Height: 1,050 pixels and Landscape orientation)."));
        QCOMPARE(CheckBusinessLogo(QStringLiteral("/logos/firm.bmp"), true, 1, 100),
                 QStringLiteral("The selected logo should have the following minimum properties:\n\n"
                                "     Width: 200 pixels\n     Height: 100 pixels.\n\nPlease select another photo.\n\n"
                                "NOTE: The logo you selected 'firm.bmp' properties are (Width: 1 pixel, "
                                "Height: 100 pixels)."));
        // A file that could not be examined is refused even with sizes that would pass.
        const QString unread = CheckMyPicture(QStringLiteral("/gone.jpg"), false, 300, 400, 0);
        QVERIFY(unread.endsWith(QStringLiteral("and N/A orientation).")));
        QVERIFY(!CheckBusinessLogo(QStringLiteral("/gone.jpg"), false, 1000, 250).isEmpty());
    }

    void defaultFont_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("font");
        QTest::addColumn<QString>("expected");
        const QStringList usual = {"Arial", "Courier New", "Tahoma", "Times New Roman", "Verdana"};
        QTest::newRow("listed stays") << usual << "Courier New"
                                      << "Courier New";
        QTest::newRow("listed in other case stays") << usual << "courier new"
                                                    << "courier new";
        QTest::newRow("missing becomes Tahoma") << usual << "Garamond"
                                                << "Tahoma";
        QTest::newRow("empty becomes Tahoma") << usual << ""
                                              << "Tahoma";
        QTest::newRow("then Verdana") << QStringList{"Arial", "Verdana"} << "Garamond"
                                      << "Verdana";
        QTest::newRow("then Trebuchet MS") << QStringList{"Arial", "trebuchet ms"} << "Garamond"
                                           << "trebuchet ms";
        QTest::newRow("then Arial") << QStringList{"Arial", "Impact"} << "Garamond"
                                    << "Arial";
        QTest::newRow("no fallback listed") << QStringList{"Impact"} << "Garamond"
                                            << "Garamond";
        QTest::newRow("empty list") << QStringList{} << "Tahoma"
                                    << "Tahoma";
    }
    void defaultFont()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, font);
        QFETCH(QString, expected);
        QCOMPARE(ChooseDefaultFont(entries, font), expected);
    }

    void comboMatching()
    {
        const QStringList entries = {"Arial", "Arial Black", "Classic - KT301", "Tahoma"};
        QCOMPARE(FindExactEntry(entries, QStringLiteral("arial black")), 1);
        QCOMPARE(FindExactEntry(entries, QStringLiteral("Classic")), -1);
        QCOMPARE(FindPrefixEntry(entries, QStringLiteral("classic")), 2);
        QCOMPARE(FindPrefixEntry(entries, QStringLiteral("Arial")), 0);
        QCOMPARE(FindPrefixEntry(entries, QStringLiteral("Verdana")), -1);
    }

    void themeEntriesKeepNamesThatBeginOthers()
    {
        // Under the catalogue's order "Éte - KT1 x" comes before "éte - KT1"; the second begins the first
        // when case is ignored, and must still be offered.
        CXIniFile ini;
        ini.LoadFromData(
            QByteArrayLiteral("[Themes]\nCount=3\nTHEME01=\xc3\xa9te - KT1\nTHEME02=\xc3\x89te - KT1 x\n"
                              "THEME03=Alpha\n[Alpha]\nName=Alpha\n[\xc3\xa9te - KT1]\nName=\xc3\xa9te - KT1\n"
                              "[\xc3\x89te - KT1 x]\nName=\xc3\x89te - KT1 x\n"));
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(ini, QStringLiteral("/themes"));
        QCOMPARE(ThemeComboEntries(catalogue), QStringList({"Alpha", QString::fromUtf8("\xc3\x89te - KT1 x"),
                                                            QString::fromUtf8("\xc3\xa9te - KT1")}));
    }

    void sheetButtonRow()
    {
        const SheetButtonRow row = LayoutSheetButtons(500, QRect(13, 420, 88, 25));
        QCOMPARE(row.help, QRect(406, 420, 88, 25));
        QCOMPARE(row.cancel, QRect(312, 420, 88, 25));
        QCOMPARE(row.save, QRect(218, 420, 88, 25));
    }
};

QTEST_GUILESS_MAIN(TestOptionsRules)
#include "tst_optionsrules.moc"
