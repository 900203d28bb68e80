#include "catalogue/themetemplateinfo.h"
#include "compose/adrules.h"
#include "support/flyerrequests.h"
#include "compose/listinghtml.h"
#include "compose/templatemerge.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kNameSpan = QStringLiteral("<span id=\"name\" style=\"font-size: 16px; font-weight: bold; color: ");
const QString kSpacer = QStringLiteral("<div style=\"height: 16px; display: block;\"></div>");

QString EveryToken()
{
    QString text;
    if (!LoadTemplate(QStringLiteral(LISTORA_TEST_DATA "/every-token.htm"), text))
        qFatal("fixture every-token.htm missing");
    return text;
}

// "name=value" lines of the merged fixture.
QMap<QString, QString> Fields(const QString& merged)
{
    QMap<QString, QString> fields;
    for (const QString& line : merged.split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !line.startsWith(QLatin1String("<!--")))
            fields.insert(line.left(eq), line.mid(eq + 1));
    }
    return fields;
}

void FillProfile(CAppSettings& s)
{
    s.Path2SampleData = QStringLiteral("/opt/listora/Samples");
    s.Path2BlankImage = QStringLiteral("/opt/listora/_blank.gif");
    s.strSavePath = QStringLiteral("/home/agent/Documents/My Listora");
    s.FullName = QStringLiteral("Pat Lee");
    s.Credentials = QStringLiteral("Broker");
    s.CompanyName = QStringLiteral("Acme Homes");
    s.Address = QStringLiteral("1 Elm St");
    s.CityStateZipCode = QStringLiteral("Townsville, ST 00001");
    s.PhoneLabel01 = 1;
    s.Phone01 = QStringLiteral("555-0100");
    s.PhoneLabel02 = 2;
    s.Phone02 = QStringLiteral("555-0199");
    s.EmailAddress = QStringLiteral("pat@example.com");
    s.Website = QStringLiteral("www.example.com");
    s.Disclaimer = QStringLiteral("Subject to errors & omissions.");
    s.ColorRealtorName = 1;
    s.ColorListingCaption = 1;
    s.ColorListingAddress = 0;
    s.ColorMLSNumber = 1;
    s.ColorPrice = 0;
    s.ColorListingFeatures = 1;
    s.IncludeRMLSLogo = 1;
    s.IncludeEHOLogo = 0;
    s.IncludeMyLogo = 1;
}

void ClearProfile(CAppSettings& s)
{
    for (QString* v : {&s.FullName, &s.Credentials, &s.CompanyName, &s.Address, &s.CityStateZipCode, &s.Phone01,
                       &s.Phone02, &s.EmailAddress, &s.Website})
        v->clear();
    s.PhoneLabel01 = 1;
    s.PhoneLabel02 = 1;
}

CFlyerData Listing()
{
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Just <b>Listed</b>");
    flyer.m_strMLS = QStringLiteral("MLS# 42");
    flyer.m_strPrice = QStringLiteral("$1 & change");
    flyer.m_strAddress = QStringLiteral("7 Oak Rd");
    flyer.m_strCityStateZip = QStringLiteral("Springfield, ST 00002");
    flyer.m_strDescription = QStringLiteral("Line one\r\nLine two<br>three");
    flyer.m_strFeatures = {QStringLiteral(" 3 Beds "), QString(), QStringLiteral("2 Baths"), QStringLiteral("\t")};
    flyer.m_photos[0].m_strPath = QStringLiteral("/home/agent/Lot #4/_photo01.jpg");
    flyer.m_photos[1].m_strPath = QStringLiteral("/home/agent/p/_photo02.jpg");
    flyer.m_photos[2].m_strPath = QString();
    flyer.m_photos[3].m_strPath = QStringLiteral("/home/agent/p/_photo04.jpg");
    return flyer;
}

CXThemeTemplateInfo Theme()
{
    return CXThemeTemplateInfo(QStringLiteral("Sidebar Gradient - KT7"), QStringLiteral("/t/x.htm"),
                               QStringLiteral("c.png"), QStringLiteral("Georgia"), 0x00804020, 1, 816, 1056,
                               QStringLiteral("{c}"), QStringLiteral("1.0"), QString(), 0);
}

CMergeLook Look()
{
    CMergeLook look;
    look.font = QStringLiteral("Tahoma");
    look.color = 0x0000008B; // red 0x8B
    look.sidebarImage = QStringLiteral("/tmp/TempPhoto0000.png");
    look.captionTopPadding = QStringLiteral("12px");
    return look;
}

} // namespace

class TestTemplateMerge : public QObject
{
    Q_OBJECT

private:
    CAppSettings m_settings;
    QMap<QString, QMap<QString, QString>> m_merged; // mode -> token name -> value

private Q_SLOTS:
    void initTestCase()
    {
        FillProfile(m_settings);
        const CFlyerData flyer = Listing();
        m_merged[QStringLiteral("project")] =
            Fields(MergeTemplate(EveryToken(), TestSupport::Request(flyer, true), m_settings, Look()));
        // Everything but the name filled: the name alone decides whose contact block the preview carries.
        CAppSettings nameless = m_settings;
        nameless.FullName = QStringLiteral("  ");
        m_merged[QStringLiteral("preview")] =
            Fields(MergeTemplate(EveryToken(), TestSupport::Request(flyer, false), nameless, Look()));
        m_merged[QStringLiteral("cover")] =
            Fields(MergeCoverTemplate(EveryToken(), Theme(), nameless, QStringLiteral("/tmp/cover side.png")));
        m_merged[QStringLiteral("ownPreview")] =
            Fields(MergeTemplate(EveryToken(), TestSupport::Request(flyer, false), m_settings, Look()));
        m_merged[QStringLiteral("ownCover")] =
            Fields(MergeCoverTemplate(EveryToken(), Theme(), m_settings, QStringLiteral("/tmp/cover side.png")));
    }

    // With a named profile the preview and new covers carry the agent's own block, picture, logo and
    // disclaimer; the listing stays the sample one.
    void ownAgentOnPreview_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("expected");
        const QString own = QStringLiteral("file:///home/agent/Documents/My%20Listora/");
        const QString body = QStringLiteral("Broker") + kSpacer +
                             QStringLiteral("Acme Homes<br>1 Elm St<br>Townsville, ST 00001<br>Office: 555-0100<br>"
                                            "Mobile: 555-0199<br>pat@example.com<br>www.example.com");
        for (const char* mode : {"ownPreview", "ownCover"}) {
            const bool cover = QByteArray(mode) == "ownCover";
            QTest::addRow("%s contact", mode)
                << mode << "contactInfo"
                << kNameSpan + (cover ? QStringLiteral("#204080") : QStringLiteral("#8B0000")) +
                       QStringLiteral(";\">Pat Lee</span><br>") + body;
            QTest::addRow("%s picture", mode) << mode << "myPicture" << own + "MyPicture.jpg";
            QTest::addRow("%s logo", mode) << mode << "companyLogo" << own + "Logo.jpg";
            QTest::addRow("%s disclaimer", mode) << mode << "listingDisclaimer"
                                                 << "Subject to errors & omissions.";
            QTest::addRow("%s caption", mode) << mode << "listingCaption"
                                              << "New Listing";
            QTest::addRow("%s MLS", mode) << mode << "listingMLS"
                                          << "MLS# 201512345678";
            QTest::addRow("%s photo", mode) << mode << "mainPhoto"
                                            << "file:///opt/listora/Samples/House01-02.jpg";
        }
    }

    void ownAgentOnPreview()
    {
        QFETCH(QString, mode);
        QFETCH(QString, token);
        QFETCH(QString, expected);
        QCOMPARE(m_merged[mode].value(token), expected);
    }

    void mergedValues_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("expected");

        const QString samples = QStringLiteral("file:///opt/listora/Samples/");
        const QString blank = QStringLiteral("file:///opt/listora/_blank.gif");
        const QString sampleContact =
            kNameSpan + QStringLiteral("#8B0000;\">Jordan Avery</span><br>Real Estate Professional") + kSpacer +
            QStringLiteral("Lakeshore Realty Group<br>500 Main Street, Suite 200<br>Seaside, OR 97138<br>"
                           "Office:&nbsp;(503) 555-0142<br>Mobile:&nbsp;(503) 555-0187<br>"
                           "jordan.avery@example.com<br>www.example.com");
        const QString previewFeatures = QStringLiteral(
            "&#8226;&nbsp;Number of Bedrooms&nbsp;&nbsp;&nbsp;&#8226;&nbsp;Number of Baths&nbsp;&nbsp;&nbsp;&#8226;"
            "&nbsp;sq. ft.&nbsp;&nbsp;&nbsp;&#8226;&nbsp;Year Built");
        const QString previewDescription = QStringLiteral(
            "Place text here that describes the home, location, and amenities.<br><br>Include information such as "
            "the number of bedrooms and bathrooms, recent updates to the home, view, or a description of the "
            "neighborhood.<br><br>This text should be limited to two or three short paragraphs.");

        struct Row
        {
            const char* token;
            QString project, preview, cover;
        };
        const Row rows[] = {
            {"borderSize", "0px", "0px", "$_borderSize$"},
            {"captionTopPadding", "12px", "12px", "$_captionTopPadding$"},
            {"pageColor", "#8B0000", "#8B0000", "#204080"},
            {"elementColor", "#8B0000", "#8B0000", "#204080"},
            {"pageFont", "Tahoma", "Tahoma", "Georgia"},
            {"sidebarImage", "file:///tmp/TempPhoto0000.png", "file:///tmp/TempPhoto0000.png",
             "file:///tmp/cover%20side.png"},
            {"mainPhoto", "file:///home/agent/Lot%20%234/_photo01.jpg", samples + "House01-02.jpg",
             samples + "House01-02.jpg"},
            {"photo02", "file:///home/agent/p/_photo02.jpg", samples + "House02-01.jpg", samples + "House02-01.jpg"},
            {"photo03", "file://", samples + "House03-01.jpg", samples + "House03-01.jpg"},
            {"photo04", "file:///home/agent/p/_photo04.jpg", samples + "House04-01.jpg", samples + "House04-01.jpg"},
            {"rmlsLogo", samples + "MLS_Realtor.jpg", samples + "MLS_Realtor.jpg", samples + "MLS_Realtor.jpg"},
            {"ehoLogo", blank, blank, samples + "EHO.jpg"},
            {"companyLogo", "file:///home/agent/Documents/My%20Listora/Logo.jpg", samples + "logo.jpg",
             samples + "logo.jpg"},
            {"myPicture", "file:///home/agent/Documents/My%20Listora/MyPicture.jpg", samples + "photo_small.jpg",
             samples + "photo_small.jpg"},
            {"contactInfo",
             kNameSpan + "#8B0000;\">Pat Lee</span><br>Broker" + kSpacer +
                 "Acme Homes<br>1 Elm St<br>Townsville, ST 00001<br>Office: 555-0100<br>Mobile: 555-0199<br>"
                 "pat@example.com<br>www.example.com",
             sampleContact,
             "<span id=\"name\" style=\"font-weight: bold;\">Jordan Avery</span><br>Real Estate Professional<br><br>"
             "Lakeshore Realty Group<br>500 Main Street, Suite 200<br>Seaside, OR 97138<br>"
             "Office:&nbsp;(503) 555-0142<br>Mobile:&nbsp;(503) 555-0187<br>jordan.avery@example.com<br>"
             "www.example.com"},
            {"listingCaption", "Just <b>Listed</b>", "New Listing", "New Listing"},
            {"listingAddress", "7 Oak Rd, Springfield, ST 00002", "1482 Harbor View Lane, Seaside, OR 97138",
             "1482 Harbor View Lane, Seaside, OR 97138"},
            {"listingDescription", "Line one<br>Line two<br>three", previewDescription, previewDescription},
            {"listingFeatures", "&#8226;&nbsp;3 Beds&nbsp;&nbsp;&nbsp;&#8226;&nbsp;2 Baths", previewFeatures,
             previewFeatures},
            {"listingMLS", "MLS# 42", "MLS# 201512345678", "MLS# 201512345678"},
            {"listingPrice", "$1 & change", "Offered at $595,000", "Offered at $595,000"},
            {"listingDisclaimer", "Subject to errors & omissions.",
             "All information deemed reliable but not guaranteed.",
             "All information deemed reliable but not guaranteed."},
            {"listingCaptionColor", "#8B0000", "#8B0000", "$_listingCaptionColor$"},
            {"listingAddressColor", "#000000", "#000000", "$_listingAddressColor$"},
            {"listingMLSColor", "#8B0000", "#8B0000", "$_listingMLSColor$"},
            {"listingPriceColor", "#000000", "#000000", "$_listingPriceColor$"},
            {"listingFeaturesColor", "#8B0000", "#8B0000", "$_listingFeaturesColor$"},
        };
        for (const Row& row : rows) {
            QTest::addRow("project %s", row.token) << "project" << row.token << row.project;
            QTest::addRow("preview %s", row.token) << "preview" << row.token << row.preview;
            QTest::addRow("cover %s", row.token) << "cover" << row.token << row.cover;
        }
    }

    void mergedValues()
    {
        QFETCH(QString, mode);
        QFETCH(QString, token);
        QFETCH(QString, expected);
        QVERIFY2(m_merged[mode].contains(token), qPrintable(token));
        QCOMPARE(m_merged[mode].value(token), expected);
    }

    // Rows run in table order: a token brought in by a value is replaced only by a later row.
    void replacementOrder()
    {
        CFlyerData flyer = Listing();
        flyer.m_strCaption = QStringLiteral("Now $_listingMLS$!");
        flyer.m_strMLS = QStringLiteral("see $_listingCaption$");
        const auto fields = Fields(MergeTemplate(EveryToken(), TestSupport::Request(flyer, true), m_settings, Look()));
        QCOMPARE(fields.value("listingCaption"), QStringLiteral("Now see $_listingCaption$!"));
        QCOMPARE(fields.value("listingMLS"), QStringLiteral("see $_listingCaption$"));
    }

    void logoSwitchesOff()
    {
        CAppSettings settings;
        FillProfile(settings);
        settings.IncludeMyLogo = 0;
        settings.IncludeRMLSLogo = 0;
        for (bool projectMode : {true, false}) {
            const auto fields =
                Fields(MergeTemplate(EveryToken(), TestSupport::Request(Listing(), projectMode), settings, Look()));
            QCOMPARE(fields.value("companyLogo"), QStringLiteral("file:///opt/listora/_blank.gif"));
            QCOMPARE(fields.value("rmlsLogo"), QStringLiteral("file:///opt/listora/_blank.gif"));
            QVERIFY(fields.value("myPicture").endsWith(QLatin1String(".jpg"))); // always placed
        }
    }

    void contactInfo_data()
    {
        QTest::addColumn<QStringList>("profile"); // company, address, city, email, web
        QTest::addColumn<int>("label1");
        QTest::addColumn<QString>("phone1");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("expected");

        const QString head = kNameSpan + QStringLiteral("#8B0000;\">Pat Lee</span><br>Broker") + kSpacer;
        const QString br = QStringLiteral("<br>");
        QTest::newRow("name and credentials only")
            << QStringList{"", "", "", "", ""} << 1 << QString() << true << head + br.repeated(7);
        QTest::newRow("no web site after e-mail")
            << QStringList{"", "", "", "a@b.c", ""} << 1 << QString() << true << head + br.repeated(6) + "a@b.c<br>";
        QTest::newRow("label 0 with a number")
            << QStringList{"Acme", "", "", "", ""} << 0 << "555-0100" << true << head + br.repeated(6) + "Acme<br>";
        QTest::newRow("label 3") << QStringList{"", "", "", "", "w.example"} << 3 << "555-0100" << true
                                 << head + br.repeated(5) + "Toll-Free: 555-0100<br>w.example";
        QTest::newRow("damaged label prints as N/A") << QStringList{"", "", "", "", "w.example"} << 9 << "555-0100"
                                                     << true << head + br.repeated(6) + "w.example";
        QTest::newRow("negative label") << QStringList{"", "", "", "", ""} << -1 << "555-0100" << true
                                        << head + br.repeated(7);
        QTest::newRow("plain text keeps the company's separator")
            << QStringList{"Acme", "", "", "", ""} << 1 << QString() << false << "Pat Lee\nBroker\nAcme\n";
        QTest::newRow("plain text, full") << QStringList{"Acme", "1 Elm", "Town", "a@b.c", "w.example"} << 4 << "555"
                                          << false << "Pat Lee\nBroker\nAcme\n1 Elm\nTown\nHome: 555\na@b.c\nw.example";
    }

    void contactInfo()
    {
        QFETCH(QStringList, profile);
        QFETCH(int, label1);
        QFETCH(QString, phone1);
        QFETCH(bool, html);
        QFETCH(QString, expected);
        CAppSettings s;
        FillProfile(s);
        ClearProfile(s);
        s.FullName = QStringLiteral("Pat Lee");
        s.Credentials = QStringLiteral("Broker");
        s.CompanyName = profile[0];
        s.Address = profile[1];
        s.CityStateZipCode = profile[2];
        s.EmailAddress = profile[3];
        s.Website = profile[4];
        s.PhoneLabel01 = label1;
        s.Phone01 = phone1;
        QCOMPARE(FormatContactInfo(ContactProfile, html, s, QStringLiteral("#8B0000")), expected);
    }

    void contactInfoSources()
    {
        m_settings.ColorRealtorName = 0;
        QVERIFY(FormatContactInfo(ContactSample, true, m_settings, QStringLiteral("#8B0000"))
                    .startsWith(kNameSpan + QStringLiteral("#000000;\">Jordan Avery")));
        m_settings.ColorRealtorName = 1;
        QCOMPARE(FormatContactInfo(2, true, m_settings, QStringLiteral("#8B0000")), QString());
        QCOMPARE(PhoneLabels(), (QStringList{"N/A", "Office", "Mobile", "Toll-Free", "Home", "FAX"}));
    }

    void features_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("expected");
        const QString sep = QStringLiteral("&nbsp;&nbsp;&nbsp;&#8226;&nbsp;");
        QTest::newRow("first missing keeps the separators")
            << QStringList{"", "3 Baths", "", "2001"} << sep + "3 Baths" + sep + "2001";
        QTest::newRow("all empty") << QStringList{"", "", "", ""} << QString();
        QTest::newRow("blanks trimmed") << QStringList{"  4 Beds\t", " ", "x ", ""}
                                        << "&#8226;&nbsp;4 Beds" + sep + "x";
    }

    void features()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, expected);
        QCOMPARE(FormatFeatures(texts[0], texts[1], texts[2], texts[3]), expected);
    }

    void fileUrls_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url");
        QTest::newRow("empty") << ""
                               << "file://";
        QTest::newRow("absolute") << "/home/u/a.jpg"
                                  << "file:///home/u/a.jpg";
        QTest::newRow("hash and blank") << "/home/u/Lot #4/a.jpg"
                                        << "file:///home/u/Lot%20%234/a.jpg";
        QTest::newRow("percent and question mark") << "/x/100%/b?.jpg"
                                                   << "file:///x/100%25/b%3F.jpg";
        QTest::newRow("quotes and brackets") << "/x/\"a\" 'b' (c)&<d>.png"
                                             << "file:///x/%22a%22%20%27b%27%20%28c%29%26%3Cd%3E.png";
        QTest::newRow("non-ASCII stays") << "/x/Café/ü.jpg"
                                         << "file:///x/Café/ü.jpg";
        QTest::newRow("drive letter") << "C:/A/b.jpg"
                                      << "file:///C:/A/b.jpg";
    }

    void fileUrls()
    {
        QFETCH(QString, path);
        QFETCH(QString, url);
        QCOMPARE(ToFileUrl(path), url);
    }

    void lineBreaks()
    {
        QCOMPARE(CrLfToBr(QStringLiteral("a\r\nb\nc\r\n")), QStringLiteral("a<br>b\nc<br>"));
        QCOMPARE(CrLfToBr(QStringLiteral("a<br>b")), QStringLiteral("a<br>b"));
        QCOMPARE(BrToCrLf(QStringLiteral("a<br>b<BR>c<br>")), QStringLiteral("a\r\nb<BR>c\r\n"));
    }

    void loadTemplate_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC") << QStringLiteral("café €");
        QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 \x93q\x94") << QStringLiteral("café € “q”");
        QTest::newRow("stops at zero byte") << QByteArray("abc\0def", 7) << QStringLiteral("abc");
        QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBF<p>") << QStringLiteral("<p>");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void loadTemplate()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("t.htm")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QString target = QStringLiteral("old");
        QVERIFY(LoadTemplate(file.fileName(), target));
        QCOMPARE(target, text);
    }

    void loadTemplateMissing()
    {
        QString target = QStringLiteral("kept");
        QVERIFY(!LoadTemplate(QStringLiteral("/nonexistent/listora/t.htm"), target));
        QCOMPARE(target, QStringLiteral("kept"));
    }

    void closeBidi_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString pdf = QStringLiteral("\u202C");
        const QString pdi = QStringLiteral("\u2069");
        const QString rlo = QStringLiteral("\u202E");
        const QString rli = QStringLiteral("\u2067");

        QTest::newRow("plain") << "3 Beds <b>new</b> &amp; &#8226;"
                               << "3 Beds <b>new</b> &amp; &#8226;";
        QTest::newRow("right-to-left letters") << QStringLiteral("شقة جديدة 3") << QStringLiteral("شقة جديدة 3");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("balanced override") << "a" + rlo + "b" + pdf + "c"
                                           << "a" + rlo + "b" + pdf + "c";
        QTest::newRow("balanced isolate holding an override")
            << rli + "a" + rlo + "b" + pdi << rli + "a" + rlo + "b" + pdi;
        QTest::newRow("stray closers stay") << pdf + "a" + pdi << pdf + "a" + pdi;
        QTest::newRow("open override") << rlo + "cba" << rlo + "cba" + pdf;
        QTest::newRow("all four embeddings") << QStringLiteral("\u202Aa\u202Bb\u202Dc\u202Ed")
                                             << QStringLiteral("\u202Aa\u202Bb\u202Dc\u202Ed") + pdf + pdf + pdf + pdf;
        QTest::newRow("three isolates") << QStringLiteral("\u2066a\u2067b\u2068c")
                                        << QStringLiteral("\u2066a\u2067b\u2068c") + pdi + pdi + pdi;
        QTest::newRow("innermost first") << "x" + rlo + "a" + rli + "b"
                                         << "x" + rlo + "a" + rli + "b" + pdi + pdf;
        QTest::newRow("PDF does not reach past an isolate")
            << rlo + "a" + rli + "b" + pdf << rlo + "a" + rli + "b" + pdf + pdi + pdf;
        QTest::newRow("PDI closes what it holds")
            << rlo + rli + "a" + rlo + "b" + pdi << rlo + rli + "a" + rlo + "b" + pdi + pdf;
        QTest::newRow("hex reference") << "&#x202E;cba"
                                       << "&#x202E;cba" + pdf;
        QTest::newRow("upper-case hex, leading zeros") << "&#X000202e;cba"
                                                       << "&#X000202e;cba" + pdf;
        QTest::newRow("decimal without semicolon") << "&#8238cba"
                                                   << "&#8238cba" + pdf;
        QTest::newRow("isolate reference") << "&#8295;abc"
                                           << "&#8295;abc" + pdi;
        QTest::newRow("references balanced") << "&#x202E;a&#x202C;"
                                             << "&#x202E;a&#x202C;";
        QTest::newRow("escaped ampersand is text") << "&amp;#x202E;a"
                                                   << "&amp;#x202E;a";
        QTest::newRow("beyond the last code point") << "&#x1000000202E;a"
                                                    << "&#x1000000202E;a";
    }

    void closeBidi()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CloseBidiControls(text), expected);
    }

    // Every listing and profile text is closed on its own, so none reaches into the next.
    void mergeClosesEveryText()
    {
        const QString rlo = QStringLiteral("\u202E");
        const QString pdf = QStringLiteral("\u202C");
        CFlyerData flyer = Listing();
        for (QString* text : {&flyer.m_strCaption, &flyer.m_strMLS, &flyer.m_strPrice, &flyer.m_strAddress,
                              &flyer.m_strCityStateZip, &flyer.m_strDescription})
            *text = rlo + *text;
        flyer.m_strFeatures = {rlo + "3 Beds", QString(), rlo + "2 Baths ", QString()};
        CAppSettings settings;
        FillProfile(settings);
        for (QString* text : {&settings.FullName, &settings.Credentials, &settings.CompanyName, &settings.Address,
                              &settings.CityStateZipCode, &settings.Phone01, &settings.Phone02, &settings.EmailAddress,
                              &settings.Website, &settings.Disclaimer})
            *text = rlo + *text;

        const auto fields = Fields(MergeTemplate(EveryToken(), TestSupport::Request(flyer, true), settings, Look()));
        QCOMPARE(fields.value("listingCaption"), rlo + "Just <b>Listed</b>" + pdf);
        QCOMPARE(fields.value("listingMLS"), rlo + "MLS# 42" + pdf);
        QCOMPARE(fields.value("listingPrice"), rlo + "$1 & change" + pdf);
        QCOMPARE(fields.value("listingAddress"), rlo + "7 Oak Rd" + pdf + ", " + rlo + "Springfield, ST 00002" + pdf);
        QCOMPARE(fields.value("listingDescription"), rlo + "Line one<br>Line two<br>three" + pdf);
        QCOMPARE(fields.value("listingFeatures"),
                 "&#8226;&nbsp;" + rlo + "3 Beds" + pdf + "&nbsp;&nbsp;&nbsp;&#8226;&nbsp;" + rlo + "2 Baths" + pdf);
        QCOMPARE(fields.value("listingDisclaimer"), rlo + "Subject to errors & omissions." + pdf);
        QCOMPARE(fields.value("contactInfo"), kNameSpan + "#8B0000;\">" + rlo + "Pat Lee" + pdf + "</span><br>" + rlo +
                                                  "Broker" + pdf + kSpacer + rlo + "Acme Homes" + pdf + "<br>" + rlo +
                                                  "1 Elm St" + pdf + "<br>" + rlo + "Townsville, ST 00001" + pdf +
                                                  "<br>Office: " + rlo + "555-0100" + pdf + "<br>Mobile: " + rlo +
                                                  "555-0199" + pdf + "<br>" + rlo + "pat@example.com" + pdf + "<br>" +
                                                  rlo + "www.example.com" + pdf);
        // The mail's plain text the same way.
        QCOMPARE(FormatContactInfo(ContactProfile, false, settings, QString()).count(pdf), 9);

        // Without such controls the merge is as before.
        CAppSettings plain;
        FillProfile(plain);
        QCOMPARE(MergeTemplate(EveryToken(), TestSupport::Request(Listing(), true), plain, Look()).count(pdf), 0);
    }

    void cleanListingHtml_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* text, const char* expected) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(expected);
        };
        // What a listing is written with comes back as it was.
        row("plain", "3 Beds & 2 Baths > 1,800 sq. ft.", "3 Beds & 2 Baths > 1,800 sq. ft.");
        row("references", "&amp; &#8226; &#x202E; &nbsp;&lt;", "&amp; &#8226; &#x202E; &nbsp;&lt;");
        row("bold and breaks", "<b>Just</b> listed<br>Open <strong>Sunday</strong>",
            "<b>Just</b> listed<br>Open <strong>Sunday</strong>");
        row("list", "<ul><li>Pool</li><li>Spa</li></ul>", "<ul><li>Pool</li><li>Spa</li></ul>");
        row("tags in capitals", "<B>Big</B><BR/><br />", "<b>Big</b><br><br>");
        row("kept attributes", "<font color=red face='Times New Roman' size=+2>x</font><p align=CENTER>y</p>",
            "<font color=\"red\" face=\"Times New Roman\" size=\"+2\">x</font><p align=\"center\">y</p>");
        row("style reduced", "<span style=\"color: #c00; position: fixed; top: 0; font-weight:bold\">x</span>",
            "<span style=\"color: #c00; font-weight: bold\">x</span>");
        row("style with url dropped", "<span style=\"background-color: url(x.png)\">x</span>", "<span>x</span>");
        row("other attributes dropped", "<b id=\"price\" onclick=\"x()\" class=\"lines2\">x</b>", "<b>x</b>");
        // Whatever else reaches only its own field.
        row("comment", "New <!-- listing", "New &lt;!-- listing");
        row("closed comment", "a<!-- b -->c", "a&lt;!-- b -->c");
        row("style element", "<style>body{display:none}</style>", "&lt;style>body{display:none}&lt;/style>");
        row("title", "</title><b>x", "&lt;/title><b>x</b>");
        row("textarea", "<textarea>", "&lt;textarea>");
        row("plaintext", "<plaintext>rest", "&lt;plaintext>rest");
        row("script", "<script>alert(1)</script>", "&lt;script>alert(1)&lt;/script>");
        row("end of body", "</div></body></html>", "&lt;/body>&lt;/html>");
        row("cdata", "<![CDATA[ x ]]>", "&lt;![CDATA[ x ]]>");
        row("xmp and noscript", "<xmp><noscript>", "&lt;xmp>&lt;noscript>");
        row("iframe", "<iframe src=\"x\"></iframe>", "&lt;iframe src=\"x\">&lt;/iframe>");
        row("unfinished kept tag", "<b class=\"x", "&lt;b class=\"x");
        row("markup inside an attribute", "<b title=\"<!--\">x</b>", "<b>x</b>");
        row("markup after a refused tag", "<img alt=\"<!--\">", "&lt;img alt=\"&lt;!--\">");
        row("lone angle", "a < b <", "a &lt; b &lt;");
        row("processing instruction", "<?xml x?>", "&lt;?xml x?>");
        // Balanced: what is open is closed, a closer with nothing to close is dropped.
        row("left open", "<b><i>Bold", "<b><i>Bold</i></b>");
        row("stray closers", "</b>x</ul></li></p></br>", "x");
        row("crossed", "<b><i>x</b>y</i>", "<b><i>x</i></b>y");
        row("paragraph before a block", "<p>a<ul><li>b<li>c</ul>", "<p>a</p><ul><li>b</li><li>c</li></ul>");
        row("nested lists keep their items", "<ul><li>a<ol><li>b</ol>c</ul>",
            "<ul><li>a<ol><li>b</li></ol>c</li></ul>");
    }

    void cleanListingHtml()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString clean = CleanListingHtml(text);
        QCOMPARE(clean, expected);
        // Clean text stays as it is.
        QCOMPARE(CleanListingHtml(clean), clean);
    }

    // Lists and paragraphs only where the theme gives a text room for them; a feature shares its
    // line with the others and keeps no line break either. Their text stays.
    void cleanListingHtmlKinds()
    {
        const QString text = QStringLiteral("<b>Pool</b><br><ul><li>Spa<p>Sauna</p></li></ul><div>x</div>");
        QCOMPARE(CleanListingHtml(text, ListingHtml::Paragraphs), text);
        QCOMPARE(CleanListingHtml(text, ListingHtml::Lines), QStringLiteral("<b>Pool</b><br>SpaSaunax"));
        QCOMPARE(CleanListingHtml(text, ListingHtml::OneLine), QStringLiteral("<b>Pool</b>SpaSaunax"));
        QCOMPARE(FormatFeatures(QStringLiteral("3<br>Beds"), QStringLiteral("<ul><li>Pool"), QString(), QString()),
                 QStringLiteral("&#8226;&nbsp;3Beds&nbsp;&nbsp;&nbsp;&#8226;&nbsp;Pool"));
    }

    // A field that would end the page or swallow what follows it reaches only itself: the fields
    // after it are merged as they are.
    void mergeKeepsFieldsApart_data()
    {
        QTest::addColumn<QString>("hostile");
        for (const char* text : {"<!--", "<style>", "<title>", "<textarea>", "<plaintext>", "</body>", "<![CDATA[",
                                 "<script>", "<b><ul><li>", "<p title=\"", "<i>x</b></div>"})
            QTest::newRow(text) << QString::fromLatin1(text);
    }

    void mergeKeepsFieldsApart()
    {
        QFETCH(QString, hostile);
        CFlyerData flyer = Listing();
        CAppSettings settings;
        FillProfile(settings);
        const QString plainMerge = MergeTemplate(EveryToken(), TestSupport::Request(flyer, true), settings, Look());
        for (QString* text :
             {&flyer.m_strCaption, &flyer.m_strMLS, &flyer.m_strPrice, &flyer.m_strAddress, &flyer.m_strCityStateZip,
              &flyer.m_strDescription, &settings.Disclaimer, &settings.Credentials})
            *text += hostile;
        flyer.m_strFeatures[0] += hostile;
        const QString merged = MergeTemplate(EveryToken(), TestSupport::Request(flyer, true), settings, Look());
        for (const char* raw :
             {"<!--", "<style", "<title", "<textarea", "<plaintext", "</body", "<![CDATA", "<script", "<p title"})
            QCOMPARE(merged.count(QLatin1String(raw)), plainMerge.count(QLatin1String(raw)));
        // The merged page still has each field on its own line, and every line after them.
        QCOMPARE(merged.count(QLatin1Char('\n')), plainMerge.count(QLatin1Char('\n')));
        QCOMPARE(Fields(merged).value("listingFeaturesColor"), Fields(plainMerge).value("listingFeaturesColor"));
        // Each listing field closes what it opened.
        const auto fields = Fields(merged);
        for (const char* name : {"listingCaption", "listingAddress", "listingDescription", "listingFeatures",
                                 "listingMLS", "listingPrice", "listingDisclaimer"})
            QCOMPARE(CleanListingHtml(fields.value(name)), fields.value(name));
    }

    void sidebarKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("plain") << "Sidebar - KT301" << int(SidebarKind::Plain);
        QTest::newRow("outlined") << "Sidebar Gradient - KT302" << int(SidebarKind::Outlined);
        QTest::newRow("gradient alone") << "Gradient - KT303" << int(SidebarKind::None);
        QTest::newRow("lower case") << "sidebar gradient" << int(SidebarKind::None);
    }

    void sidebarKind()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QCOMPARE(int(SidebarKindFor(name)), kind);
    }
    void campaignTokens_data()
    {
        QTest::addColumn<bool>("projectMode");
        QTest::addColumn<QString>("name"); // the profile's name; empty: the sample agent
        QTest::addColumn<QString>("brokerage");
        QTest::addColumn<QString>("licence");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("merged");

        const QString tokens = QStringLiteral("[$_statusLine$][$_listingStatus$][$_openHouse$][$_brokerageBlock$]"
                                              "[$_brokerageName$][$_agentLicence$]");
        QTest::newRow("nothing set") << true << "Dana"
                                     << ""
                                     << "" << int(ListingStatus::None) << "[][][][][][]";
        QTest::newRow("open house") << true << "Dana"
                                    << ""
                                    << "" << int(ListingStatus::OpenHouse)
                                    << "[Open House Sunday, March 7, 1-4 PM][Open House][Open House Sunday, March 7, "
                                       "1-4 PM][][][]";
        QTest::newRow("sold, licence only")
            << true << "Dana"
            << ""
            << " DRE #01234567 " << int(ListingStatus::Sold)
            << "[Sold][Sold][][<span class=\"agent-licence\">DRE #01234567</span>][][DRE "
               "#01234567]";
        QTest::newRow("brokerage")
            << true << "Dana"
            << "Harbourline & Co"
            << "" << int(ListingStatus::None)
            << "[][][][<span class=\"brokerage-name\">Harbourline & Co</span>][Harbourline & Co][]";
        // The preview listing has no campaign; the sample agent no brokerage.
        QTest::newRow("preview") << false << "Dana"
                                 << "Harbourline"
                                 << "" << int(ListingStatus::Sold)
                                 << "[][][][<span class=\"brokerage-name\">Harbourline</span>][Harbourline][]";
        QTest::newRow("sample agent") << false << ""
                                      << "Harbourline"
                                      << "L1" << int(ListingStatus::Sold) << "[][][][][][]";
    }

    // The status and brokerage tokens, empty when unset so that a theme hides their elements, and the
    // head entry for the advertising rules only where a brokerage is looked for.
    void campaignTokens()
    {
        QFETCH(bool, projectMode);
        QFETCH(QString, name);
        QFETCH(QString, brokerage);
        QFETCH(QString, licence);
        QFETCH(int, status);
        QFETCH(QString, merged);
        CAppSettings settings = m_settings;
        settings.FullName = name;
        settings.BrokerageName = brokerage;
        settings.LicenceNumber = licence;
        CListingExtras extras;
        extras.m_status = ListingStatus(status);
        extras.m_openHouse = COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(16, 0)};
        const QString page = MergeTemplate(QStringLiteral("<head></head>[$_statusLine$][$_listingStatus$][$_openHouse$]"
                                                          "[$_brokerageBlock$][$_brokerageName$][$_agentLicence$]"),
                                           TestSupport::Request(Listing(), projectMode, extras), settings, Look());
        const qsizetype body = page.indexOf(QLatin1String("</head>")) + 7;
        QCOMPARE(page.mid(body), merged);
        const QString head = page.left(body);
        if (merged.contains(QLatin1String("brokerage-name")))
            QVERIFY2(head.contains(QLatin1String("<meta name=\"listora-ad-rules\" content=\"{&quot;brokerage&quot;:")),
                     qPrintable(head));
        else
            QCOMPARE(head, QStringLiteral("<head></head>"));
    }

    void adRulesFollowTheBrokerageUntilChosen_data()
    {
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("brokerage");
        QTest::addColumn<bool>("on");
        QTest::newRow("unchosen, none") << -1 << "" << false;
        QTest::newRow("unchosen, named") << -1 << "Harbourline" << true;
        QTest::newRow("unchosen, blank") << -1 << "   " << false;
        QTest::newRow("off, named") << 0 << "Harbourline" << false;
        QTest::newRow("on, none") << 1 << "" << true;
    }

    void adRulesFollowTheBrokerageUntilChosen()
    {
        QFETCH(int, check);
        QFETCH(QString, brokerage);
        QFETCH(bool, on);
        CAppSettings settings = m_settings;
        settings.CheckAdRules = check;
        settings.BrokerageName = brokerage;
        QCOMPARE(settings.AdRulesOn(), on);
    }

    // Measured sizes against the rule: half the largest of the agent's name and phones.
    void adRuleFindings_data()
    {
        QTest::addColumn<bool>("rulesOn");
        QTest::addColumn<QString>("brokerage");
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<QString>("found"); // "rule level", or empty

        const QByteArray big = R"([{"adRules":{"found":true,"size":13,"contact":16}}])";
        const QByteArray half = R"([{"adRules":{"found":true,"size":8,"contact":16}}])";
        const QByteArray small = R"([{"adRules":{"found":true,"size":7.5,"contact":16}}])";
        const QByteArray missing = R"([{"adRules":{"found":false,"size":0,"contact":16}}])";
        QTest::newRow("large enough") << true << "Harbourline" << big << QString();
        QTest::newRow("exactly half") << true << "Harbourline" << half << QString();
        QTest::newRow("under half") << true << "Harbourline" << small << "brokerage-size error";
        QTest::newRow("under half, off") << false << "Harbourline" << small << "brokerage-size warning";
        QTest::newRow("not on the page") << true << "Harbourline" << missing << "brokerage error";
        QTest::newRow("no report") << true << "Harbourline" << QByteArray("[]") << "brokerage error";
        QTest::newRow("none named, on") << true << "" << QByteArray("[]") << "brokerage error";
        QTest::newRow("none named, off") << false << "" << QByteArray("[]") << QString();
    }

    void adRuleFindings()
    {
        QFETCH(bool, rulesOn);
        QFETCH(QString, brokerage);
        QFETCH(QByteArray, report);
        QFETCH(QString, found);
        CAppSettings settings = m_settings;
        settings.BrokerageName = brokerage;
        settings.CheckAdRules = rulesOn ? 1 : 0;
        const CXFindings findings = AdRules::Findings(settings, true, AdRules::FromReport(report), QStringLiteral("T"));
        QStringList words;
        for (const CXFinding& finding : findings)
            words.append(finding.rule + QLatin1Char(' ') + LevelName(finding.level));
        QCOMPARE(words.join(QLatin1Char(',')), found);
        // The sample agent of the preview is no advertisement of the user's.
        QVERIFY(AdRules::Findings(settings, false, AdRules::FromReport(report), QStringLiteral("T")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTemplateMerge)
#include "tst_templatemerge.moc"
