#include "formats/inireader.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themefilter.h"
#include "catalogue/themetemplateinfo.h"
#include "flyer/pagesize.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

// A theme section whose Name equals its section name.
QByteArray Theme(const QByteArray& name, int photos = 1)
{
    return "[" + name + "]\nName=" + name + "\nPhotos=" + QByteArray::number(photos) + "\n";
}

QString WriteIni(const QTemporaryDir& dir, const QByteArray& ini)
{
    QFile file(dir.filePath("Themes.ini"));
    if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
        return QString();
    return dir.path();
}

QStringList Names(const CXThemeCatalogue& catalogue)
{
    QStringList names;
    for (const CXThemeTemplateInfo& info : catalogue.Themes())
        names.append(info.GetName());
    return names;
}

void SetTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

class TestThemeCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogue_data();
    void catalogue();
    void recordField_data();
    void recordField();
    void wholeRecord();
    void missingSection();
    void createdIsLocalAndEnglish();
    void lookUp();
    void filter_data();
    void filter();
    void installedCatalogue();
};

void TestThemeCatalogue::catalogue_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("sorted by name") << "[Themes]\nCount=2\nTHEME01=Zeta\nTHEME02=alpha\n" + Theme("Zeta") +
                                           Theme("alpha")
                                    << QStringList{"alpha", "Zeta"};
    QTest::newRow("only ASCII letters fold")
        << "[Themes]\nCount=3\nTHEME01=b\nTHEME02=A\nTHEME03=_x\n" + Theme("b") + Theme("A") + Theme("_x")
        << QStringList{"_x", "A", "b"};
    QTest::newRow("first of names differing in case wins")
        << QByteArray("[Themes]\nCount=2\nTHEME01=One\nTHEME02=Two\n[One]\nName=MODERN\n[Two]\nName=Modern\n")
        << QStringList{"MODERN"};
    QTest::newRow("count with holes, nothing past count")
        << "[Themes]\nCount=3\nTHEME01=A\nTHEME03=C\nTHEME04=D\n" + Theme("A") + Theme("C") + Theme("D")
        << QStringList{"A", "C"};
    QTest::newRow("count not a number") << "[Themes]\nCount=many\nTHEME01=A\n" + Theme("A") << QStringList{};
    QTest::newRow("count zero") << "[Themes]\nCount=0\nTHEME01=A\n" + Theme("A") << QStringList{};
    QTest::newRow("count negative") << "[Themes]\nCount=-2\nTHEME01=A\n" + Theme("A") << QStringList{};
    QTest::newRow("count with trailing text")
        << "[Themes]\nCount=1 theme\nTHEME01=A\n" + Theme("A") << QStringList{"A"};
    QTest::newRow("no count") << "[Themes]\nTHEME01=A\n" + Theme("A") << QStringList{};
    QTest::newRow("no themes section") << "[Other]\nCount=1\nTHEME01=A\n" + Theme("A") << QStringList{};
    QTest::newRow("missing section gives one QIM record")
        << QByteArray("[Themes]\nCount=2\nTHEME01=Nowhere\nTHEME02=Elsewhere\n") << QStringList{"QIM"};
    QTest::newRow("entry naming QIM in any case skipped")
        << QByteArray("[Themes]\nCount=1\nTHEME01=qIm\n[qim]\nName=Real\n") << QStringList{};
    QTest::newRow("keys not written as THEME%02d never read")
        << "[Themes]\nCount=100\nTHEME1=A\nTHEME001=B\nTHEME0100=C\ntheme100=D\n" + Theme("A") + Theme("B") +
               Theme("C") + Theme("D")
        << QStringList{"D"};
    QTest::newRow("huge count reads what is there")
        << "[Themes]\nCount=2147483647\nTHEME01=A\nTHEME2147483647=B\n" + Theme("A") + Theme("B")
        << QStringList{"A", "B"};
    QTest::newRow("count beyond 32 bits")
        << "[Themes]\nCount=99999999999\nTHEME01=A\n" + Theme("A") << QStringList{"A"};
}

void TestThemeCatalogue::catalogue()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    const QString folder = WriteIni(dir, ini);
    QVERIFY(!folder.isEmpty());
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QCOMPARE(Names(catalogue), names);
}

void TestThemeCatalogue::recordField_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cover from id in braces") << QByteArray("Id={1B2C3D4E-0000-1111-2222-333344445555}") << "cover"
                                             << "1B2C3D4E-0000-1111-2222-333344445555.png";
    QTest::newRow("cover from plain id") << QByteArray("Id=plain") << "cover"
                                         << "plain.png";
    QTest::newRow("colour part cut to 8 bits") << QByteArray("Color=RGB(300, 0, 0)") << "color"
                                               << "#2C0000";
    QTest::newRow("colour without blanks") << QByteArray("Color=RGB(139,0,0)") << "color"
                                           << "#8B0000";
    QTest::newRow("negative colour part") << QByteArray("Color=RGB(-1, 0, 256)") << "color"
                                          << "#FF0000";
    QTest::newRow("colour with two parts is black") << QByteArray("Color=RGB(10, 20)") << "color"
                                                    << "#000000";
    QTest::newRow("colour in other notation is black") << QByteArray("Color=#FF0000") << "color"
                                                       << "#000000";
    QTest::newRow("missing colour is black") << QByteArray() << "color"
                                             << "#000000";
    QTest::newRow("template with backslash") << QByteArray("Template=Modern\\index.htm") << "template"
                                             << "<themes>/Modern/index.htm";
    QTest::newRow("missing template") << QByteArray() << "template"
                                      << "<themes>/QIM";
    QTest::newRow("created 0") << QByteArray("Created=0") << "created"
                               << "January 01, 1970";
    QTest::newRow("created 2016") << QByteArray("Created=1475625600") << "created"
                                  << "October 05, 2016";
    QTest::newRow("created negative with text") << QByteArray("Created=-86400 s") << "created"
                                                << "December 31, 1969";
    QTest::newRow("created missing") << QByteArray() << "created"
                                     << "January 01, 1970";
    QTest::newRow("created past year 9999") << QByteArray("Created=253402387200") << "created"
                                            << "";
    QTest::newRow("created before year 1") << QByteArray("Created=-62135683200") << "created"
                                           << "";
    QTest::newRow("created at 64-bit limit") << QByteArray("Created=99999999999999999999") << "created"
                                             << "";
}

void TestThemeCatalogue::recordField()
{
    QFETCH(QByteArray, section);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString folder = WriteIni(dir, "[T]\nName=T\n" + section + "\n");
    QVERIFY(!folder.isEmpty());
    const CXThemeTemplateInfo info(folder, u"T");
    expected.replace("<themes>", folder);
    if (field == "cover")
        QCOMPARE(info.GetCover(), expected);
    else if (field == "color")
        QCOMPARE(info.GetColorHex(), expected);
    else if (field == "template")
        QCOMPARE(info.GetTemplate(), expected);
    else if (field == "created")
        QCOMPARE(info.GetCreated(), expected);
    else
        QFAIL("unknown field");
}

void TestThemeCatalogue::wholeRecord()
{
    QTemporaryDir dir;
    const QString folder = WriteIni(dir, "[Themes]\nCount=1\nTHEME01=Wide Open\n"
                                         "[wide open]\n"
                                         "Template = Wide\\index.htm \n"
                                         "Created=1475625600\n"
                                         "Version=2.1\n"
                                         "Id={AB-CD}\n"
                                         "Typeface=Cambria\n"
                                         "Photos=3\n"
                                         "Color=RGB(18, 52, 86)\n"
                                         "Orientation=1\n"
                                         "Height=816\n"
                                         "Width=1056\n"
                                         "Name=Wide Open\n");
    QVERIFY(!folder.isEmpty());
    const CXThemeTemplateInfo expected("Wide Open", folder + "/Wide/index.htm", "AB-CD.png", "Cambria", 0x563412u, 3,
                                       1056, 816, "{AB-CD}", "2.1", "October 05, 2016", 1);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QCOMPARE(catalogue.size(), 1);
    QVERIFY(catalogue.at(0) == expected);
    QVERIFY(CXThemeTemplateInfo(folder, u"Wide Open") == expected);
    QCOMPARE(expected.GetColorHex(), "#123456");

    // Accessors hand out copies: changing one leaves the record alone.
    QString name = catalogue.at(0).GetName();
    name[0] = u'X';
    QCOMPARE(catalogue.at(0).GetName(), "Wide Open");
}

void TestThemeCatalogue::missingSection()
{
    QTemporaryDir dir;
    const QString folder = WriteIni(dir, "[Themes]\nCount=1\nTHEME01=Gone\n");
    QVERIFY(!folder.isEmpty());
    const CXThemeTemplateInfo expected("QIM", folder + "/QIM", "QIM.png", "QIM", 0, 0, 0, 0, "QIM", "QIM",
                                       "January 01, 1970", 0);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QCOMPARE(catalogue.size(), 1);
    QVERIFY(catalogue.at(0) == expected);
    // No file at all: the same defaults, and an empty catalogue.
    QVERIFY(CXThemeTemplateInfo(dir.filePath("nothing"), u"Gone").GetName() == "QIM");
    catalogue.LoadAvailableThemes(dir.filePath("nothing"));
    QVERIFY(catalogue.isEmpty());
}

void TestThemeCatalogue::createdIsLocalAndEnglish()
{
    const QByteArray oldZone = qgetenv("TZ");
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SetTimeZone("EST5EDT,M3.2.0,M11.1.0");
    const QString west = ThemeInfo::FormatCreated(0);
    const QString summer = ThemeInfo::FormatCreated(1475625600 - 3600); // 2016-10-04 23:00 UTC
    SetTimeZone("JST-9");
    const QString east = ThemeInfo::FormatCreated(1475625600 - 3600);
    SetTimeZone(oldZone.constData());
    QLocale::setDefault(oldLocale);

    QCOMPARE(west, "December 31, 1969");
    QCOMPARE(summer, "October 04, 2016");
    QCOMPARE(east, "October 05, 2016");
}

void TestThemeCatalogue::lookUp()
{
    QTemporaryDir dir;
    const QString folder = WriteIni(dir, "[Themes]\nCount=3\nTHEME01=gamma\nTHEME02=Beta\nTHEME03=alpha\n" +
                                             Theme("gamma") + Theme("Beta") + Theme("alpha"));
    QVERIFY(!folder.isEmpty());
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QCOMPARE(Names(catalogue), QStringList({"alpha", "Beta", "gamma"}));

    struct Case
    {
        const char16_t* name;
        bool found;
        qsizetype index;
    };
    const Case cases[] = {{u"BETA", true, 1}, {u"alpha", true, 0}, {u"GAMMA", true, 2}, {u"b", false, 1},
                          {u"", false, 0},    {u"zeta", false, 3}, {nullptr, false, 0}};
    for (const Case& c : cases) {
        const QString name = c.name ? QString::fromUtf16(c.name) : QString();
        qsizetype index = -1;
        QCOMPARE(catalogue.FindTheme(c.name, index), c.found);
        QCOMPARE(index, c.index);
        index = -1;
        QCOMPARE(catalogue.FindTheme(name, index), c.found);
        QCOMPARE(index, c.index);
        QCOMPARE(catalogue.ContainsTheme(name), c.found);
    }
}

void TestThemeCatalogue::filter_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("all") << 0 << QStringList{"A1", "B3", "C4", "D3", "E2"};
    QTest::newRow("one photo") << 1 << QStringList{"A1"};
    QTest::newRow("three photos in name order") << 3 << QStringList{"B3", "D3"};
    QTest::newRow("four photos") << 4 << QStringList{"C4"};
    QTest::newRow("nothing selected") << -1 << QStringList{};
}

void TestThemeCatalogue::filter()
{
    QFETCH(int, filter);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    const QString folder =
        WriteIni(dir, "[Themes]\nCount=5\nTHEME01=D3\nTHEME02=C4\nTHEME03=B3\nTHEME04=E2\nTHEME05=A1\n" +
                          Theme("D3", 3) + Theme("C4", 4) + Theme("B3", 3) + Theme("E2", 2) + Theme("A1", 1));
    QVERIFY(!folder.isEmpty());
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QStringList listed;
    for (const qsizetype index : FilterThemes(catalogue, filter)) {
        listed.append(catalogue.at(index).GetName());
        QVERIFY(ThemePassesFilter(filter, catalogue.at(index).GetPhotos()));
    }
    QCOMPARE(listed, names);
}

// The themes the program ships: every entry must be usable by the theme list and the merge.
void TestThemeCatalogue::installedCatalogue()
{
    const QString folder = qEnvironmentVariable("LISTORA_DATA_DIR") + "/Themes";
    CXIniFile ini;
    QVERIFY2(ini.Load(ThemeInfo::IniPath(folder)), qPrintable(folder));
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(folder);
    QVERIFY(catalogue.ContainsTheme(u"Simple - KT101"));

    const QStringList tokens = {"borderSize",
                                "captionTopPadding",
                                "pageColor",
                                "elementColor",
                                "pageFont",
                                "sidebarImage",
                                "mainPhoto",
                                "photo02",
                                "photo03",
                                "photo04",
                                "rmlsLogo",
                                "ehoLogo",
                                "companyLogo",
                                "myPicture",
                                "contactInfo",
                                "listingCaption",
                                "listingAddress",
                                "listingDescription",
                                "listingFeatures",
                                "listingMLS",
                                "listingPrice",
                                "listingDisclaimer",
                                "listingCaptionColor",
                                "listingAddressColor",
                                "listingMLSColor",
                                "listingPriceColor",
                                "listingFeaturesColor",
                                "listingUrl",
                                "qrCode",
                                "statusLine",
                                "listingStatus",
                                "openHouse",
                                "brokerageBlock",
                                "brokerageName",
                                "brokeragePhone",
                                "agentLicence"};
    const QStringList photoTokens = {"$_mainPhoto$", "$_photo02$", "$_photo03$", "$_photo04$"};
    QSet<int> photoCounts;
    int withQrCode = 0;
    const int count = ProfileStringToInt(ini.GetString(u"Themes", u"Count", "QIM"));
    QCOMPARE(catalogue.size(), count);
    for (int i = 1; i <= count; ++i) {
        const QString section = ini.GetString(u"Themes", QString::asprintf("THEME%02d", i), "QIM");
        const CXThemeTemplateInfo info(folder, section);
        QCOMPARE(info.GetName(), section); // the theme list finds the section again by the name
        // Letter flyers, two-sided cards of 6 x 4 or 9 x 6 in, and the pictures made for social feeds at
        // their formats' exact sizes, each laid the way its page lies.
        const QSize size(info.GetWidth(), info.GetHeight());
        const QString format = PageFormatName(size);
        const bool letter = format == QLatin1String("letter");
        if (info.GetPageCount() == 2)
            QVERIFY2(size == QSize(576, 384) || size == QSize(864, 576), qPrintable(section));
        else
            QVERIFY2(letter || format == "square" || format == "story" || format == "link",
                     qPrintable(section + ": " + format));
        QCOMPARE(info.GetOrientation(), size.width() > size.height() ? 1 : 0);
        QVERIFY(QRegularExpression("^\\{[0-9A-F-]{36}\\}$").match(info.GetThemeId()).hasMatch());
        QVERIFY(!info.GetCreated().isEmpty());
        QVERIFY(info.GetVersion() != "QIM");
        QVERIFY(ini.GetString(section, u"Color", {}).startsWith("RGB("));
        photoCounts.insert(info.GetPhotos());

        QFile file(info.GetTemplate());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(info.GetTemplate()));
        QString page = QString::fromUtf8(file.readAll());
        // A card's pages show the listing together.
        if (info.GetPageCount() == 2) {
            QFile back(info.GetBackTemplate());
            QVERIFY2(back.open(QIODevice::ReadOnly), qPrintable(info.GetBackTemplate()));
            page += QString::fromUtf8(back.readAll());
        }
        const QString where = info.GetName();
        QVERIFY2(!page.contains("<script", Qt::CaseInsensitive), qPrintable(where));
        // Nothing remote: no scheme but the local ones, no protocol-relative address.
        QVERIFY2(!QRegularExpression("(https?|ftp):|[\"'(=]\\s*//", QRegularExpression::CaseInsensitiveOption)
                      .match(page)
                      .hasMatch(),
                 qPrintable(where));
        QVERIFY2(!page.contains("@import", Qt::CaseInsensitive), qPrintable(where));
        const auto matches = QRegularExpression("\\$_([A-Za-z0-9]+)\\$").globalMatch(page);
        for (auto it = matches; it.hasNext();) {
            const QString token = it.next().captured(1);
            QVERIFY2(tokens.contains(token), qPrintable(where + ": " + token));
        }
        for (const char* needed :
             {"$_contactInfo$", "$_listingPrice$", "$_listingAddress$", "$_listingCaption$", "$_pageFont$",
              "$_myPicture$", "$_companyLogo$", "$_statusLine$", "$_brokerageBlock$"})
            QVERIFY2(page.contains(needed), qPrintable(where + ": " + needed));
        // A social picture has no room for the description, and is read too small for fine print.
        if (letter) {
            for (const char* needed :
                 {"$_listingDescription$", "$_listingFeatures$", "$_listingMLS$", "$_listingDisclaimer$"})
                QVERIFY2(page.contains(needed), qPrintable(where + ": " + needed));
        }
        for (int slot = 0; slot < 4; ++slot)
            QCOMPARE(page.contains(photoTokens.at(slot)), slot < info.GetPhotos());
        // A QR code always comes with its caption.
        if (page.contains("$_qrCode$")) {
            ++withQrCode;
            QVERIFY2(page.contains("Scan for photos and details"), qPrintable(where));
        }
    }
    QVERIFY(withQrCode >= 5);
    QVERIFY(photoCounts.contains(1) && photoCounts.contains(3) && photoCounts.contains(4));
}

QTEST_GUILESS_MAIN(TestThemeCatalogue)
#include "tst_themecatalogue.moc"
