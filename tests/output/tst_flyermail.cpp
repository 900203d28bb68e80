#include "output/flyermail.h"

#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

using namespace OutputFixtures;

namespace {

CFlyerData Project(const QString& folder = QStringLiteral("/home/agent/Projects/12 Oak Lane/"))
{
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Charming Bungalow");
    flyer.m_strMLS = QStringLiteral("ML81234");
    flyer.m_strAddress = QStringLiteral("12 Oak Lane");
    flyer.m_strCityStateZip = QStringLiteral("Springfield, IL 62704");
    flyer.m_strPrice = QStringLiteral("Offered at $450,000");
    flyer.m_strFolder = folder;
    return flyer;
}

// A profile with nothing but what a row gives.
void SetProfile(CAppSettings& settings, const QStringList& fields)
{
    QString* texts[] = {&settings.FullName, &settings.Credentials,      &settings.CompanyName,
                        &settings.Address,  &settings.CityStateZipCode, &settings.Phone01,
                        &settings.Phone02,  &settings.EmailAddress,     &settings.Website};
    for (qsizetype i = 0; i < qsizetype(std::size(texts)); ++i)
        *texts[i] = fields.value(i);
    settings.PhoneLabel01 = settings.Phone01.isEmpty() ? 0 : 1;
    settings.PhoneLabel02 = 0;
}

} // namespace

class TestFlyerMail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void body_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("features");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("profile");
        QTest::addColumn<QString>("body");

        const QString head = QStringLiteral("LISTING DETAILS\n---------------\nOffered at $450,000\n\n");
        const QString closing =
            QStringLiteral("\n\nPlease view the attached flyer for more information and listing photos.\n\n\n");
        const QString price = QStringLiteral("Offered at $450,000");

        QTest::newRow("two of four features")
            << price << "Sunny rooms." << QStringList{"3 Beds", "", "2 Baths", ""} << "" << QStringList{"Jane Agent"}
            << head + "Sunny rooms.\n\n*  3 Beds\n*  2 Baths\n" + closing + "Jane Agent";
        QTest::newRow("no features") << price << "Sunny rooms." << QStringList{"", "", "", ""} << ""
                                     << QStringList{"Jane Agent"}
                                     << head + "Sunny rooms.\n\n\n\nPlease view the attached flyer for more "
                                               "information and listing photos.\n\n\nJane Agent";
        QTest::newRow("features kept as stored")
            << price << "Sunny rooms." << QStringList{"", " Pool ", "", "Garage"} << "" << QStringList{"Jane Agent"}
            << head + "Sunny rooms.\n\n*   Pool \n*  Garage\n" + closing + "Jane Agent";
        QTest::newRow("description lines")
            << price << "First line.<br><br>Second line." << QStringList{"", "", "", ""} << ""
            << QStringList{"Jane Agent"} << head + "First line.\r\n\r\nSecond line.\n\n" + closing + "Jane Agent";
        QTest::newRow("whole contact block")
            << price << "Sunny rooms." << QStringList{"3 Beds", "", "", ""} << ""
            << QStringList{"Jane Agent", "CRS", "Oak Realty",       "1 Main St",  "Springfield, IL",
                           "555-0100",   "",    "jane@oak.example", "oak.example"}
            << head + "Sunny rooms.\n\n*  3 Beds\n" + closing +
                   "Jane Agent\nCRS\nOak Realty\n1 Main St\nSpringfield, IL\nOffice: 555-0100\njane@oak.example\n"
                   "oak.example";
        QTest::newRow("empty profile, blank description")
            << price << "  " << QStringList{"", "", "", ""} << "" << QStringList{}
            << head + "  \n\n\n\nPlease view the attached flyer for more information and listing photos.";
        QTest::newRow("web address")
            << price << "Sunny rooms." << QStringList{"3 Beds", "", "", ""} << "https://homes.example/listing/88"
            << QStringList{"Jane Agent"}
            << head + "Sunny rooms.\n\n*  3 Beds\n\n\nPlease view the attached flyer for more information and "
                      "listing photos.\nThe listing on the web: https://homes.example/listing/88\n\n\nJane Agent";
        QTest::newRow("price with a line break")
            << "Offered at<br>$450,000"
            << "Sunny rooms." << QStringList{"", "", "", ""} << "" << QStringList{"Jane Agent"}
            << "LISTING DETAILS\n---------------\nOffered at\r\n$450,000\n\nSunny rooms.\n\n" + closing + "Jane Agent";
        QTest::newRow("no price") << ""
                                  << "Sunny rooms." << QStringList{"", "", "", ""} << "" << QStringList{"Jane Agent"}
                                  << "LISTING DETAILS\n---------------\nSunny rooms.\n\n" + closing + "Jane Agent";
    }

    void body()
    {
        QFETCH(QString, price);
        QFETCH(QString, description);
        QFETCH(QStringList, features);
        QFETCH(QString, url);
        QFETCH(QStringList, profile);
        QFETCH(QString, body);

        CFlyerData flyer = Project();
        flyer.m_strPrice = price;
        flyer.m_strDescription = description;
        for (int i = 0; i < CFlyerData::kSlotCount; ++i)
            flyer.m_strFeatures[i] = features.value(i);
        CAppSettings settings;
        SetProfile(settings, profile);
        QCOMPARE(MailBody(flyer, settings, url), body);
        QCOMPARE(BuildFlyerMail(flyer, settings, url).body, body);
    }

    void namesAndSubject()
    {
        CAppSettings settings;
        const CFlyerMail mail = BuildFlyerMail(Project(), settings);
        QCOMPARE(mail.subject, QStringLiteral("Charming Bungalow - ML81234 - 12 Oak Lane, Springfield, IL 62704"));
        // Kept under the address; shown to the recipient under a name that begins with the MLS number.
        QCOMPARE(mail.attachmentPath,
                 QStringLiteral("/home/agent/Projects/12 Oak Lane/E-mailed/12 Oak Lane - Springfield, IL 62704.pdf"));
        QCOMPARE(mail.attachmentName, QStringLiteral("ML81234 - 12 Oak Lane - Springfield, IL 62704.pdf"));
    }

    void limits()
    {
        CFlyerData flyer = Project();
        flyer.m_strCaption = QString(600, QLatin1Char('c'));
        flyer.m_strAddress = QStringLiteral("Unit 4/12 ") + QString(500, QChar(0x00E9)); // two UTF-8 bytes each
        flyer.m_strDescription = QString(9000, QLatin1Char('d'));
        CAppSettings settings;
        const CFlyerMail mail = BuildFlyerMail(flyer, settings);

        QCOMPARE(mail.subject.size(), kMailTextLimit);
        QVERIFY(mail.subject.startsWith(flyer.m_strCaption.left(100)));
        QCOMPARE(mail.body.size(), kMailBodyLimit);
        QVERIFY(mail.body.startsWith(QStringLiteral("LISTING DETAILS")));
        QCOMPARE(mail.attachmentName.size(), kMailTextLimit);
        QVERIFY(mail.attachmentName.endsWith(QStringLiteral(".pdf")));
        // The kept file's name must be one a file system takes: no separator, at most 255 bytes.
        const QString fileName = QFileInfo(mail.attachmentPath).fileName();
        QVERIFY(mail.attachmentPath.startsWith(EmailedFolder(flyer) + QLatin1Char('/')));
        QVERIFY(fileName.startsWith(QStringLiteral("Unit 4-12 ")));
        QVERIFY(fileName.endsWith(QStringLiteral(".pdf")));
        QVERIFY(fileName.toUtf8().size() <= 255);
        QVERIFY(fileName.toUtf8().size() > 250);
    }

    // What the mail program receives decodes back to exactly the texts, whatever they hold.
    void mailToUrl()
    {
        const QString subject = QStringLiteral("Café & Co = 100% #1 + more \\ \"quoted\"");
        const QString body = QStringLiteral("Line one\r\nLine two\nLine three ∑ 😀");
        const QString file = QStringLiteral("/tmp/a b/ML1 - 4 & 5 Oak #2.pdf");
        const QUrl url(MailToUrl(subject, body, file), QUrl::StrictMode);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QVERIFY(url.path().isEmpty());
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), subject);
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("Line one\r\nLine two\r\nLine three ∑ 😀"));
        QCOMPARE(query.queryItemValue(QStringLiteral("attach"), QUrl::FullyDecoded), file);
    }

    void attachment()
    {
        QTemporaryDir dir;
        const CFlyerData flyer = Project(dir.filePath(QStringLiteral("12 Oak Lane/")));
        const CFlyerMail mail = BuildFlyerMail(flyer, CAppSettings());
        const QString temp = dir.filePath(QStringLiteral("Temp"));
        QString error;

        // A second e-mail replaces the first PDF of the same name.
        QVERIFY(QDir().mkpath(EmailedFolder(flyer)));
        QFile older(mail.attachmentPath);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("older file");
        older.close();
        QVERIFY2(WriteMailAttachment(MakeFlyer(), mail, temp, flyer.m_strId, &error), qPrintable(error));
        QCOMPARE(QpdfCheck(mail.attachmentPath), 0);
        const QImage page = RasterisePdf(mail.attachmentPath, 192);
        QCOMPARE(page.size(), QSize(kWidth * 2, kHeight * 2));
        QCOMPARE(FramedSides(page), QStringLiteral("TL"));
        QVERIFY(ShowsFlyer(page, page.rect()));
        QCOMPARE(QDir(temp).entryList(QDir::Files), QStringList());

        // The copy under the shown name, less the comma that would split a list of attachments, is
        // the same file.
        const QString staged = StageOutgoingAttachment(mail, flyer.m_strId);
        QCOMPARE(QFileInfo(staged).fileName(), QStringLiteral("ML81234 - 12 Oak Lane - Springfield IL 62704.pdf"));
        QFile a(mail.attachmentPath), b(staged);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        // In the program's own cache folder, until the program exits.
        const QString outgoing = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                 QStringLiteral("/Tarnwick/Listora/Outgoing mail");
        QCOMPARE(OutgoingMailFolder(), outgoing);
        QVERIFY2(staged.startsWith(outgoing + QLatin1Char('/')), qPrintable(staged));
        b.close();
        RemoveOutgoingMail();
        QVERIFY(!QFileInfo::exists(outgoing));
        QVERIFY(QFileInfo::exists(mail.attachmentPath));

        QVERIFY(!WriteMailAttachment(QImage(), mail, temp, flyer.m_strId, &error));
        QVERIFY(error.contains(QStringLiteral("no flyer")));
        QVERIFY(!WriteMailAttachment(MakeFlyer(), BuildFlyerMail(Project(QString()), CAppSettings()), temp,
                                     flyer.m_strId, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFlyerMail)
#include "tst_flyermail.moc"
