#include "flyer/flyerdata.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::ChildRun;

ChildRun Cli(const QStringList& args, const QByteArray& input = QByteArray())
{
    return TestSupport::RunCli(args, {.input = input});
}

CFlyerData Sample()
{
    CFlyerData record;
    record.m_strId = QStringLiteral("0A1B2C3D-4E5F6071-8293A4B5-C6D7E8F9");
    record.m_timeCreated = Q_INT64_C(9007199254740993); // not exact as a double
    record.m_timePrinted = -5;
    record.m_bPrinted = 1;
    record.m_strTheme = QStringLiteral("Simple - KT101");
    record.m_strFont = QStringLiteral("Tahoma");
    record.m_crColor = 0xFFFFFFFF;
    record.m_strCaption = QStringLiteral("Café \U0001F3E1");
    record.m_strMLS = QStringLiteral("MLS# 1");
    record.m_strPrice = QStringLiteral("Offered at $450,000");
    record.m_strAddress = QStringLiteral("12 Elm Street");
    record.m_strCityStateZip = QStringLiteral("Springfield, IL 62704");
    record.m_strDescription = QStringLiteral("One.<br><br>Two.");
    record.m_strFeatures = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    record.m_photos[0].m_strPath = QStringLiteral("/p/_photo01.jpg");
    record.m_photos[0].m_reserved = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFF};
    record.m_strPhotoFolder = QStringLiteral("/home/agent/Pictures");
    return record;
}

} // namespace

class TestProjectCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showThenWriteGivesTheSameBytes();
    void writeRefusesBadInput_data();
    void writeRefusesBadInput();
    void showReportsFileErrors();
    void extrasTravelBesideTheRecord();
    void damagedExtrasAreReportedNotFatal();
    void cropsCutTheScreenCopyAndPairsStayTogether();
};

void TestProjectCli::showThenWriteGivesTheSameBytes()
{
    QTemporaryDir dir;
    CFlyerData record = Sample();
    record.SetPathName(dir.filePath(QStringLiteral("a.lso")));
    QVERIFY(record.Save().IsOk());

    const ChildRun show = Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName});
    QCOMPARE(show.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(show.out).object();
    QCOMPARE(json.size(), 20);
    QCOMPARE(json.value(QStringLiteral("status")).toString(), QString());
    QVERIFY(json.value(QStringLiteral("open_house")).isNull());
    QCOMPARE(json.value(QStringLiteral("listing_url")).toString(), QString());
    QCOMPARE(json.value(QStringLiteral("crops")).toArray(),
             QJsonArray({QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue()}));
    QCOMPARE(json.value(QStringLiteral("created")).toInteger(), record.m_timeCreated);
    QCOMPARE(json.value(QStringLiteral("color")).toInteger(), Q_INT64_C(4294967295));
    QCOMPARE(json.value(QStringLiteral("caption")).toString(), record.m_strCaption);
    QCOMPARE(json.value(QStringLiteral("city_state_zip")).toString(), record.m_strCityStateZip);
    QCOMPARE(json.value(QStringLiteral("features")).toArray().at(3).toString(), QStringLiteral("d"));
    const QJsonObject photo = json.value(QStringLiteral("photos")).toArray().at(0).toObject();
    QCOMPARE(photo.value(QStringLiteral("reserved")).toString(), QStringLiteral("000102030405060708090a0b0c0d0eff"));
    QCOMPARE(photo.value(QStringLiteral("path")).toString(), record.m_photos[0].m_strPath);

    const QString copy = dir.filePath(QStringLiteral("b.lso"));
    const ChildRun write = Cli({QStringLiteral("project"), QStringLiteral("write"), copy}, show.out);
    QCOMPARE(write.exitCode, 0);
    QVERIFY(write.out.isEmpty());
    QFile a(record.m_strPathName), b(copy);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
}

void TestProjectCli::writeRefusesBadInput_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown key") << QStringLiteral("\"printed\":") << QStringLiteral("\"extra\": 1, \"printed\":")
                                 << QStringLiteral("unknown key \"extra\"");
    QTest::newRow("missing key") << QStringLiteral("\"font\": \"Tahoma\",") << QString()
                                 << QStringLiteral("missing key \"font\"");
    QTest::newRow("text as number") << QStringLiteral("\"MLS# 1\"") << QStringLiteral("1")
                                    << QStringLiteral("\"mls\" must be a string");
    QTest::newRow("fraction") << QStringLiteral("\"printed\": 1") << QStringLiteral("\"printed\": 1.5")
                              << QStringLiteral("\"printed\" must be a whole number");
    QTest::newRow("negative colour") << QStringLiteral("4294967295") << QStringLiteral("-1")
                                     << QStringLiteral("\"color\" must be a whole number");
    QTest::newRow("three features") << QStringLiteral("\"a\",") << QString()
                                    << QStringLiteral("\"features\" must be an array of 4 strings");
    QTest::newRow("short reserved") << QStringLiteral("0eff") << QStringLiteral("0e")
                                    << QStringLiteral("\"reserved\" in photo 1 must be 32 hexadecimal digits");
    QTest::newRow("reserved not hex") << QStringLiteral("0eff") << QStringLiteral("0xff")
                                      << QStringLiteral("\"reserved\" in photo 1 must be 32 hexadecimal digits");
    QTest::newRow("photo key") << QStringLiteral("\"path\": \"/p") << QStringLiteral("\"file\": \"/p")
                               << QStringLiteral("unknown key \"file\" in photo 1");
    // Refused before anything is written, rather than saved and then too long for every render.
    QTest::newRow("description too long")
        << QStringLiteral("One.<br><br>Two.") << QString(64 * 1024 + 1, QLatin1Char('x'))
        << QStringLiteral("\"description\" holds 65,537 characters; at most 65,536 are allowed; nothing written");
    QTest::newRow("feature too long") << QStringLiteral("\"c\"")
                                      << QLatin1Char('"') + QString(4097, QLatin1Char('c')) + QLatin1Char('"')
                                      << QStringLiteral(
                                             "\"features\" 3 holds 4,097 characters; at most 4,096 are allowed");
    // An unknown status is refused, naming the field and the words it may hold.
    QTest::newRow("unknown status") << QStringLiteral("\"status\": \"\"") << QStringLiteral("\"status\": \"pending\"")
                                    << QStringLiteral(
                                           "\"status\" must be one of \"\", \"just_listed\", \"coming_soon\", "
                                           "\"open_house\", \"price_reduced\", \"under_contract\", \"sold\"");
    QTest::newRow("open house backwards")
        << QStringLiteral("\"open_house\": null")
        << QStringLiteral("\"open_house\": {\"date\": \"2027-03-07\", \"start\": \"16:00\", \"end\": \"13:00\"}")
        << QStringLiteral("\"open_house\": the open house ends (13:00) before it starts (16:00)");
    QTest::newRow("not JSON") << QStringLiteral("{") << QStringLiteral("[")
                              << QStringLiteral("standard input is not JSON");
}

void TestProjectCli::writeRefusesBadInput()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);

    QTemporaryDir dir;
    CFlyerData record = Sample();
    record.SetPathName(dir.filePath(QStringLiteral("a.lso")));
    QVERIFY(record.Save().IsOk());
    QString json =
        QString::fromUtf8(Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName}).out);
    QVERIFY(json.contains(from));
    json.replace(json.indexOf(from), from.size(), to);

    const QString target = dir.filePath(QStringLiteral("b.lso"));
    const ChildRun write = Cli({QStringLiteral("project"), QStringLiteral("write"), target}, json.toUtf8());
    QCOMPARE(write.exitCode, 1);
    QVERIFY2(write.err.contains(message.toUtf8()), write.err.constData());
    QVERIFY(write.out.isEmpty());
    QVERIFY(!QFile::exists(target));
}

void TestProjectCli::showReportsFileErrors()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.lso"));
    ChildRun run = Cli({QStringLiteral("project"), QStringLiteral("show"), missing});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QStringLiteral("%1 was not found.").arg(missing).toUtf8()));

    const QString cut = dir.filePath(QStringLiteral("cut.lso"));
    QFile file(cut);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Sample().Serialize().left(100));
    file.close();
    run = Cli({QStringLiteral("project"), QStringLiteral("show"), cut});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QStringLiteral("Attempted to access %1 past its end.").arg(cut).toUtf8()));
    QVERIFY(run.out.isEmpty());

    QCOMPARE(Cli({QStringLiteral("project"), QStringLiteral("show")}).exitCode, 2);
    QCOMPARE(Cli({QStringLiteral("project"), QStringLiteral("erase"), cut}).exitCode, 2);
}

void TestProjectCli::extrasTravelBesideTheRecord()
{
    QTemporaryDir dir;
    CFlyerData record = Sample();
    record.SetPathName(dir.filePath(QStringLiteral("a.lso")));
    QVERIFY(record.Save().IsOk());
    QJsonObject json =
        QJsonDocument::fromJson(Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName}).out)
            .object();
    json.insert(QStringLiteral("listing_url"), QStringLiteral("https://homes.example/12-elm"));
    json.insert(QStringLiteral("crops"), QJsonArray{QJsonObject{{QStringLiteral("x"), 0},
                                                                {QStringLiteral("y"), 125},
                                                                {QStringLiteral("w"), 3000},
                                                                {QStringLiteral("h"), 2000}},
                                                    QJsonValue(), QJsonValue(), QJsonValue()});
    json.insert(QStringLiteral("status"), QStringLiteral("open_house"));
    json.insert(QStringLiteral("open_house"), QJsonObject{{QStringLiteral("date"), QStringLiteral("2027-03-07")},
                                                          {QStringLiteral("start"), QStringLiteral("13:00")},
                                                          {QStringLiteral("end"), QStringLiteral("16:00")}});

    QDir(dir.path()).mkdir(QStringLiteral("p"));
    const QString target = dir.filePath(QStringLiteral("p/FlyerData.lso"));
    QCOMPARE(Cli({QStringLiteral("project"), QStringLiteral("write"), target}, QJsonDocument(json).toJson()).exitCode,
             0);
    // The project file itself is the same as one written without extras.
    QFile a(record.m_strPathName), b(target);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("p/ListingExtras.json"))));

    const ChildRun show = Cli({QStringLiteral("project"), QStringLiteral("show"), target});
    QCOMPARE(show.exitCode, 0);
    const QJsonObject shown = QJsonDocument::fromJson(show.out).object();
    QCOMPARE(shown.value(QStringLiteral("listing_url")), json.value(QStringLiteral("listing_url")));
    QCOMPARE(shown.value(QStringLiteral("crops")), json.value(QStringLiteral("crops")));
    QCOMPARE(shown.value(QStringLiteral("status")), json.value(QStringLiteral("status")));
    QCOMPARE(shown.value(QStringLiteral("open_house")), json.value(QStringLiteral("open_house")));

    // A bad crop writes nothing at all, not even the project file.
    json.insert(QStringLiteral("crops"),
                QJsonArray{QJsonObject{{QStringLiteral("x"), 0}}, QJsonValue(), QJsonValue(), QJsonValue()});
    const QString other = dir.filePath(QStringLiteral("c.lso"));
    const ChildRun bad = Cli({QStringLiteral("project"), QStringLiteral("write"), other}, QJsonDocument(json).toJson());
    QCOMPARE(bad.exitCode, 1);
    QVERIFY2(bad.err.contains("crop 1"), bad.err.constData());
    QVERIFY(!QFile::exists(other));
}

void TestProjectCli::damagedExtrasAreReportedNotFatal()
{
    QTemporaryDir dir;
    CFlyerData record = Sample();
    record.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
    QVERIFY(record.Save().IsOk());
    QFile extras(dir.filePath(QStringLiteral("ListingExtras.json")));
    QVERIFY(extras.open(QIODevice::WriteOnly));
    extras.write("{\"listing_url\": ");
    extras.close();

    const ChildRun show = Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName});
    QCOMPARE(show.exitCode, 0);
    QVERIFY2(show.err.contains("ListingExtras.json cannot be read"), show.err.constData());
    QCOMPARE(QJsonDocument::fromJson(show.out).object().value(QStringLiteral("listing_url")).toString(), QString());
}

// A crop written from the command line reaches the flyer's photo as one made in Flyer Details does;
// taking it away brings back the whole photo. The project file saved alone afterwards makes the
// extras beside it stale, and show says so.
void TestProjectCli::cropsCutTheScreenCopyAndPairsStayTogether()
{
    QTemporaryDir dir;
    const QDir folder(dir.path());
    QImage original(1200, 800, QImage::Format_RGB32);
    original.fill(Qt::red);
    QPainter(&original).fillRect(600, 0, 600, 800, Qt::blue);
    QVERIFY(original.save(folder.filePath(QStringLiteral("_original01.jpg")), "JPEG", 95));
    QVERIFY(original.scaled(600, 400).save(folder.filePath(QStringLiteral("_photo01.jpg")), "JPEG", 95));

    CFlyerData record = Sample();
    record.m_photos[0].m_strPath = folder.filePath(QStringLiteral("_photo01.jpg"));
    record.SetPathName(folder.filePath(QStringLiteral("FlyerData.lso")));
    QVERIFY(record.Save().IsOk());
    QJsonObject json =
        QJsonDocument::fromJson(Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName}).out)
            .object();
    const auto crop = [](int x) {
        return QJsonObject{{QStringLiteral("x"), x},
                           {QStringLiteral("y"), 100},
                           {QStringLiteral("w"), 450},
                           {QStringLiteral("h"), 300}};
    };
    const auto colourAt = [&](double fx) {
        const QImage photo(folder.filePath(QStringLiteral("_photo01.jpg")));
        return photo.pixelColor(int(fx * (photo.width() - 1)), photo.height() / 2);
    };

    json.insert(QStringLiteral("crops"), QJsonArray{crop(700), QJsonValue(), QJsonValue(), QJsonValue()});
    ChildRun run =
        Cli({QStringLiteral("project"), QStringLiteral("write"), record.m_strPathName}, QJsonDocument(json).toJson());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(colourAt(0.02).blue() > 200 && colourAt(0.02).red() < 60);
    QVERIFY(colourAt(0.98).blue() > 200);

    json.insert(QStringLiteral("crops"), QJsonArray{QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue()});
    run = Cli({QStringLiteral("project"), QStringLiteral("write"), record.m_strPathName}, QJsonDocument(json).toJson());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(colourAt(0.02).red() > 200 && colourAt(0.98).blue() > 200);

    json.insert(QStringLiteral("crops"), QJsonArray{crop(0), QJsonValue(), QJsonValue(), QJsonValue()});
    QCOMPARE(
        Cli({QStringLiteral("project"), QStringLiteral("write"), record.m_strPathName}, QJsonDocument(json).toJson())
            .exitCode,
        0);
    QVERIFY(Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName}).err.isEmpty());
    record.m_strCaption = QStringLiteral("Saved without its extras");
    QVERIFY(record.Save().IsOk());
    const ChildRun show = Cli({QStringLiteral("project"), QStringLiteral("show"), record.m_strPathName});
    QCOMPARE(show.exitCode, 0);
    QVERIFY2(show.err.contains("The web address and crops may be from an earlier save."), show.err.constData());
}

QTEST_GUILESS_MAIN(TestProjectCli)
#include "tst_projectcli.moc"
