#include "flyer/listingextras.h"
#include "flyer/flyerdata.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestListingExtras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileMeansNoExtrasAndWritesNothing();
    void roundTripKeepsUnknownKeys();
    void damagedFileIsReportedAndLeftAlone_data();
    void damagedFileIsReportedAndLeftAlone();
    void pairSavedTogetherOrNamedStale();
    void checkListingUrl_data();
    void checkListingUrl();
    void qrCodeAddressFallsBackToWebsite_data();
    void qrCodeAddressFallsBackToWebsite();
    void openHouseLine_data();
    void openHouseLine();
    void statusAndOpenHouseRoundTrip();
    void statusLineShowsTheOpenHouseOnlyForOne();
};

void TestListingExtras::missingFileMeansNoExtrasAndWritesNothing()
{
    QTemporaryDir dir;
    CListingExtras extras;
    extras.m_strListingUrl = QStringLiteral("https://stale.example");
    QCOMPARE(extras.Load(dir.path()).kind, CListingExtras::Missing);
    QVERIFY(extras.IsEmpty());
    QVERIFY(!extras.m_bDamaged);
    // A project without extras keeps its folder as older copies of the program made it.
    QVERIFY(extras.Save(dir.path()).ok);
    QVERIFY(!QFile::exists(dir.filePath(CListingExtras::FileName())));
}

// The extras name the project bytes they were saved with; extras beside other bytes (a kill between
// the two writes, a project saved by an older copy) are still read, but named.
void TestListingExtras::pairSavedTogetherOrNamedStale()
{
    QTemporaryDir dir;
    CFlyerData record;
    record.Reset();
    record.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
    CListingExtras extras;
    extras.m_strListingUrl = QStringLiteral("https://homes.example/12-elm");
    CListingExtras::Status saved;
    QVERIFY(SaveProjectPair(record, &extras, &saved).IsOk());
    QVERIFY(saved.ok);

    CListingExtras read;
    CListingExtras::Status status = read.Load(dir.path(), record.m_strPathName);
    QCOMPARE(status.kind, CListingExtras::Loaded);
    QVERIFY2(!status.stale, qPrintable(status.text));
    QCOMPARE(read, extras);

    // Only the project file changes: the extras are from an earlier save.
    record.m_strCaption = QStringLiteral("Saved alone");
    QVERIFY(record.Save().IsOk());
    status = read.Load(dir.path(), record.m_strPathName);
    QVERIFY(status.stale);
    QVERIFY2(status.text.contains(QStringLiteral("The web address and crops may be from an earlier save.")),
             qPrintable(status.text));
    QCOMPARE(read.m_strListingUrl, extras.m_strListingUrl);
    // Without the project to compare (and in files of older versions) nothing can be told.
    QVERIFY(!read.Load(dir.path()).stale);

    // Saved as a pair again, they agree; a failed extras write leaves the project file as it was.
    QVERIFY(SaveProjectPair(record, &extras).IsOk());
    QVERIFY(!read.Load(dir.path(), record.m_strPathName).stale);
    const QByteArray before = ReadAll(record.m_strPathName);
    QVERIFY(QFile::remove(dir.filePath(CListingExtras::FileName())));
    QVERIFY(QDir(dir.path()).mkdir(CListingExtras::FileName()));
    record.m_strCaption = QStringLiteral("Never written");
    QVERIFY(!SaveProjectPair(record, &extras, &saved).IsOk());
    QVERIFY(!saved.ok);
    QCOMPARE(ReadAll(record.m_strPathName), before);
}

void TestListingExtras::roundTripKeepsUnknownKeys()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(CListingExtras::FileName());
    WriteAll(path, R"({"listing_url": "https://homes.example/12-elm?a=1&b=2", "crops": [null, {"x": 10, "y": 0,
               "w": 900, "h": 600}, null, null], "virtual_tour": {"url": "https://tour.example"}})");

    CListingExtras extras;
    QCOMPARE(extras.Load(dir.path()).kind, CListingExtras::Loaded);
    QCOMPARE(extras.m_strListingUrl, QStringLiteral("https://homes.example/12-elm?a=1&b=2"));
    QVERIFY(!extras.m_crops[0]);
    QCOMPARE(extras.m_crops[1], std::optional<QRect>(QRect(10, 0, 900, 600)));

    extras.m_strListingUrl.clear();
    extras.m_crops[1].reset();
    extras.m_crops[3] = QRect(0, 5, 1200, 800);
    QVERIFY(extras.Save(dir.path()).ok);

    const QJsonObject written = QJsonDocument::fromJson(ReadAll(path)).object();
    QCOMPARE(written.value(QStringLiteral("virtual_tour")).toObject().value(QStringLiteral("url")).toString(),
             QStringLiteral("https://tour.example"));
    QCOMPARE(written.value(QStringLiteral("listing_url")).toString(), QString());
    CListingExtras again;
    QCOMPARE(again.Load(dir.path()).kind, CListingExtras::Loaded);
    QCOMPARE(again, extras);
    // Only the unknown key is left to keep, so emptying everything still writes the file.
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).size() == 1);
}

void TestListingExtras::damagedFileIsReportedAndLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("why");

    QTest::newRow("cut short") << QByteArray(R"({"listing_url": "https://a.exa)") << QStringLiteral("cannot be read");
    QTest::newRow("array") << QByteArray("[1, 2]") << QStringLiteral("no JSON object");
    QTest::newRow("url number") << QByteArray(R"({"listing_url": 5})") << QStringLiteral("listing_url");
    QTest::newRow("script url") << QByteArray(R"x({"listing_url": "javascript:alert(1)"})x")
                                << QStringLiteral("http or https");
    QTest::newRow("three crops") << QByteArray(R"({"crops": [null, null, null]})") << QStringLiteral("4 entries");
    QTest::newRow("negative crop") << QByteArray(R"({"crops": [{"x": -1, "y": 0, "w": 5, "h": 5}, null, null, null]})")
                                   << QStringLiteral("crop 1");
    QTest::newRow("empty crop") << QByteArray(R"({"crops": [null, {"x": 1, "y": 0, "w": 0, "h": 5}, null, null]})")
                                << QStringLiteral("crop 2");
    // The refusal names the field and every word it may hold.
    QTest::newRow("unknown status") << QByteArray(R"({"status": "pending"})")
                                    << QStringLiteral("\"status\" must be one of \"\", \"just_listed\", "
                                                      "\"coming_soon\", \"open_house\", \"price_reduced\", "
                                                      "\"under_contract\", \"sold\"");
    QTest::newRow("status label") << QByteArray(R"({"status": "Sold"})") << QStringLiteral("\"status\" must be");
    QTest::newRow("open house ends first")
        << QByteArray(R"({"open_house": {"date": "2027-03-07", "start": "16:00", "end": "13:00"}})")
        << QStringLiteral("ends (13:00) before it starts (16:00)");
    QTest::newRow("open house bad date")
        << QByteArray(R"({"open_house": {"date": "2027-02-30", "start": "13:00", "end": "16:00"}})")
        << QStringLiteral("YYYY-MM-DD");
    QTest::newRow("open house 1pm") << QByteArray(
                                           R"({"open_house": {"date": "2027-03-07", "start": "1pm", "end": "16:00"}})")
                                    << QStringLiteral("HH:MM");
    QTest::newRow("open house without end") << QByteArray(R"({"open_house": {"date": "2027-03-07", "start": "13:00"}})")
                                            << QStringLiteral("\"open_house\" must be null or");
}

void TestListingExtras::damagedFileIsReportedAndLeftAlone()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath(CListingExtras::FileName());
    WriteAll(path, content);

    CListingExtras extras;
    const CListingExtras::Status status = extras.Load(dir.path());
    QCOMPARE(status.kind, CListingExtras::Damaged);
    QVERIFY2(status.text.contains(QDir::toNativeSeparators(path)), qPrintable(status.text));
    QVERIFY2(status.text.contains(why), qPrintable(status.text));
    QVERIFY(extras.IsEmpty());
    QVERIFY(extras.m_bDamaged);
    QCOMPARE(ReadAll(path), content);
}

void TestListingExtras::checkListingUrl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("result");

    QTest::newRow("empty") << QString() << true << QString();
    QTest::newRow("blanks only") << QStringLiteral("   ") << true << QString();
    QTest::newRow("https trimmed") << QStringLiteral(" https://homes.example/l/12 ") << true
                                   << QStringLiteral("https://homes.example/l/12");
    QTest::newRow("http upper") << QStringLiteral("HTTP://Homes.Example") << true
                                << QStringLiteral("HTTP://Homes.Example");
    QTest::newRow("no scheme") << QStringLiteral("homes.example/12") << false << QString();
    QTest::newRow("ftp") << QStringLiteral("ftp://homes.example") << false << QString();
    QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false << QString();
    QTest::newRow("no host") << QStringLiteral("https:///path") << false << QString();
    QTest::newRow("blank inside") << QStringLiteral("https://homes.example/a b") << false << QString();
    QTest::newRow("markup") << QStringLiteral("https://a.example/\"><b>") << false << QString();
}

void TestListingExtras::checkListingUrl()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, result);
    const std::optional<QString> checked = CheckListingUrl(text);
    QCOMPARE(checked.has_value(), accepted);
    if (accepted)
        QCOMPARE(*checked, result);
}

void TestListingExtras::qrCodeAddressFallsBackToWebsite_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("website");
    QTest::addColumn<QString>("address");

    QTest::newRow("listing wins") << QStringLiteral("https://l.example/1") << QStringLiteral("www.agent.example")
                                  << QStringLiteral("https://l.example/1");
    QTest::newRow("site gets a scheme") << QString() << QStringLiteral(" www.agent.example ")
                                        << QStringLiteral("http://www.agent.example");
    QTest::newRow("site with scheme") << QString() << QStringLiteral("https://agent.example")
                                      << QStringLiteral("https://agent.example");
    QTest::newRow("site not an address") << QString() << QStringLiteral("ask me in person") << QString();
    QTest::newRow("neither") << QString() << QString() << QString();
}

void TestListingExtras::qrCodeAddressFallsBackToWebsite()
{
    QFETCH(QString, listing);
    QFETCH(QString, website);
    QFETCH(QString, address);
    QCOMPARE(QrCodeAddress(listing, website), address);
}

void TestListingExtras::openHouseLine_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("start");
    QTest::addColumn<QTime>("end");
    QTest::addColumn<QString>("line");
    const QDate sunday(2027, 3, 7);
    QTest::newRow("afternoon") << sunday << QTime(13, 0) << QTime(16, 0)
                               << QStringLiteral("Open House Sunday, March 7, 1-4 PM");
    QTest::newRow("across noon") << sunday << QTime(10, 0) << QTime(13, 0)
                                 << QStringLiteral("Open House Sunday, March 7, 10 AM-1 PM");
    QTest::newRow("minutes") << sunday << QTime(10, 30) << QTime(11, 45)
                             << QStringLiteral("Open House Sunday, March 7, 10:30-11:45 AM");
    QTest::newRow("from noon") << sunday << QTime(12, 0) << QTime(14, 30)
                               << QStringLiteral("Open House Sunday, March 7, 12-2:30 PM");
    QTest::newRow("from midnight") << QDate(2027, 12, 31) << QTime(0, 0) << QTime(0, 30)
                                   << QStringLiteral("Open House Friday, December 31, 12-12:30 AM");
    QTest::newRow("into the night") << QDate(2027, 7, 4) << QTime(11, 5) << QTime(23, 59)
                                    << QStringLiteral("Open House Sunday, July 4, 11:05 AM-11:59 PM");
}

// US English whatever the desktop's language; the half of the day is said once when the range keeps to it.
void TestListingExtras::openHouseLine()
{
    QFETCH(QDate, date);
    QFETCH(QTime, start);
    QFETCH(QTime, end);
    QFETCH(QString, line);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(OpenHouseLine(COpenHouse{date, start, end}), line);
    QLocale::setDefault(QLocale::c());
}

void TestListingExtras::statusAndOpenHouseRoundTrip()
{
    QTemporaryDir dir;
    CListingExtras extras;
    extras.m_status = ListingStatus::UnderContract;
    extras.m_openHouse = COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(16, 0)};
    QVERIFY(!extras.IsEmpty());
    QVERIFY(extras.Save(dir.path()).ok);
    const QJsonObject written = QJsonDocument::fromJson(ReadAll(dir.filePath(CListingExtras::FileName()))).object();
    QCOMPARE(written.value(QStringLiteral("status")).toString(), QStringLiteral("under_contract"));
    QCOMPARE(written.value(QStringLiteral("open_house")).toObject(),
             (QJsonObject{{QStringLiteral("date"), QStringLiteral("2027-03-07")},
                          {QStringLiteral("start"), QStringLiteral("13:00")},
                          {QStringLiteral("end"), QStringLiteral("16:00")}}));
    CListingExtras again;
    QCOMPARE(again.Load(dir.path()).kind, CListingExtras::Loaded);
    QCOMPARE(again, extras);

    // A file of an older version has neither: no status, no open house.
    WriteAll(dir.filePath(CListingExtras::FileName()), R"({"listing_url": "", "crops": [null, null, null, null]})");
    QCOMPARE(again.Load(dir.path()).kind, CListingExtras::Loaded);
    QCOMPARE(again.m_status, ListingStatus::None);
    QVERIFY(!again.m_openHouse);
}

void TestListingExtras::statusLineShowsTheOpenHouseOnlyForOne()
{
    CListingExtras extras;
    QCOMPARE(extras.StatusLine(), QString());
    extras.m_openHouse = COpenHouse{QDate(2027, 3, 7), QTime(13, 0), QTime(16, 0)};
    extras.m_status = ListingStatus::Sold;
    // The open house stays stored for later, but a sold listing shows no open house.
    QCOMPARE(extras.StatusLine(), QStringLiteral("Sold"));
    QCOMPARE(extras.OpenHouseText(), QString());
    extras.m_status = ListingStatus::OpenHouse;
    QCOMPARE(extras.StatusLine(), QStringLiteral("Open House Sunday, March 7, 1-4 PM"));
    extras.m_openHouse.reset();
    QCOMPARE(extras.StatusLine(), QStringLiteral("Open House"));
}

QTEST_GUILESS_MAIN(TestListingExtras)
#include "tst_listingextras.moc"
