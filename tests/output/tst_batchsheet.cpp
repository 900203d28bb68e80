#include "output/batchflyers.h"
#include "flyer/fieldlimits.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kHeader = QStringLiteral(
    "caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,photo1,photo2,photo3,"
    "photo4");

// One CSV line of a good listing, with some cells replaced ("photo2=small.jpg").
QString Row(const QStringList& overrides)
{
    QStringList cells = {QStringLiteral("Lakeside"),
                         QStringLiteral("MLS# 1"),
                         QStringLiteral("$1"),
                         QStringLiteral("1 A St"),
                         QStringLiteral("Town"),
                         QStringLiteral("Nice."),
                         QString(),
                         QString(),
                         QString(),
                         QString(),
                         QStringLiteral("big.jpg"),
                         QString(),
                         QString(),
                         QString()};
    const QStringList columns = ListingColumns();
    for (const QString& entry : overrides) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        cells[columns.indexOf(entry.left(equals))] = entry.mid(equals + 1);
    }
    return cells.join(QLatin1Char(','));
}

} // namespace

class TestBatchSheet : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    ListingSheet Read(const QString& text)
    {
        return ReadListingSheet(ParseCsv(text, kMaxListingCellLength), m_dir.path());
    }

    bool WritePhoto(const QString& name, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(40, 110, 170));
        return image.save(m_dir.filePath(name), "JPEG", 90);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(WritePhoto(QStringLiteral("big.jpg"), 1000, 700));
        QVERIFY(WritePhoto(QStringLiteral("main-ok.jpg"), 751, 501));
        QVERIFY(WritePhoto(QStringLiteral("main-edge.jpg"), 750, 500));
        QVERIFY(WritePhoto(QStringLiteral("second-ok.jpg"), 551, 351));
        QVERIFY(WritePhoto(QStringLiteral("second-edge.jpg"), 550, 350));
        QVERIFY(WritePhoto(QStringLiteral("upright.jpg"), 600, 800));
        QFile text(m_dir.filePath(QStringLiteral("notes.jpg")));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.jpg")));
    }

    void header_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");   // a part of the whole-file error, or empty
        QTest::addColumn<QString>("problem"); // a part of the one problem reported, or empty

        QTest::newRow("any order, any case") << " Photo1 ,DESCRIPTION,city_state_zip,address,price,mls,caption\n"
                                             << QString() << QString();
        QTest::newRow("one required missing") << "caption,mls,price,address,city_state_zip,description\n"
                                              << "required column photo1" << QString();
        QTest::newRow("two required missing") << "mls,price,address,city_state_zip,description,feature1\n"
                                              << "columns caption, photo1" << QString();
        QTest::newRow("named twice") << kHeader + ",price\n"
                                     << "column price is named twice" << QString();
        QTest::newRow("empty file") << "\n\n"
                                    << "empty" << QString();
        QTest::newRow("malformed header") << "caption,\"mls\n"
                                          << "line 1: the header row" << QString();
        QTest::newRow("unknown column") << kHeader + ",Notes\n" << QString() << "line 1: unknown column \"Notes\"";
    }

    void header()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(QString, problem);
        const ListingSheet sheet = Read(text);
        if (error.isEmpty())
            QCOMPARE(sheet.error, QString());
        else
            QVERIFY2(sheet.error.contains(error), qPrintable(sheet.error));
        QCOMPARE(sheet.problems.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(sheet.problems.first().contains(problem), qPrintable(sheet.problems.first()));
    }

    void row_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("problems"); // parts of the row's error; none for a good row

        QTest::newRow("good") << Row({}) << QStringList();
        QTest::newRow("blank description counts") << Row({"description= "}) << QStringList();
        QTest::newRow("feature of 18") << Row({"feature3=123456789012345678"}) << QStringList();
        QTest::newRow("feature of 19") << Row({"feature3=1234567890123456789"})
                                       << QStringList{"feature3 is longer than 18"};
        QTest::newRow("empty caption") << Row({"caption="}) << QStringList{"caption is empty"};
        QTest::newRow("no main photo") << Row({"photo1="}) << QStringList{"photo1 is empty"};
        QTest::newRow("missing photo") << Row({"photo2=gone.jpg"}) << QStringList{"photo2 \"gone.jpg\" does not exist"};
        QTest::newRow("main just large enough") << Row({"photo1=main-ok.jpg"}) << QStringList();
        QTest::newRow("main at the minimum")
            << Row({"photo1=main-edge.jpg"}) << QStringList{"750 x 500 pixels (landscape); the main photo"};
        QTest::newRow("secondary just large enough") << Row({"photo4=second-ok.jpg"}) << QStringList();
        QTest::newRow("secondary at the minimum")
            << Row({"photo4=second-edge.jpg"}) << QStringList{"photo4", "a secondary photo must be"};
        QTest::newRow("secondary as large as a main") << Row({"photo2=main-ok.jpg"}) << QStringList();
        QTest::newRow("portrait") << Row({"photo3=upright.jpg"}) << QStringList{"(portrait)"};
        QTest::newRow("not a picture") << Row({"photo2=notes.jpg"})
                                       << QStringList{"photo2 \"notes.jpg\" is not a picture that Listora can open "
                                                      "(JPEG, PNG or BMP)"};
        QTest::newRow("a folder") << Row({"photo2=folder.jpg"}) << QStringList{"not a file"};
        QTest::newRow("every problem at once") << Row({"caption=", "photo2=gone.jpg", "photo3=upright.jpg"})
                                               << QStringList{"caption is empty", "gone.jpg", "upright.jpg"};
        QTest::newRow("unquoted comma") << Row({"price=$429,000"}) << QStringList{"15 cells", "14 columns"};
        QTest::newRow("too few cells") << "Lakeside,MLS# 1" << QStringList{"2 cells"};
        QTest::newRow("malformed quote") << Row({"address=12 \"Elm\" St"}) << QStringList{"double quote"};
    }

    void row()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, problems);
        const ListingSheet sheet = Read(kHeader + QLatin1Char('\n') + line + QLatin1Char('\n'));
        QCOMPARE(sheet.error, QString());
        QCOMPARE(sheet.rows.size(), 1);
        const ListingRow& row = sheet.rows.first();
        QCOMPARE(row.line, 2);
        if (problems.isEmpty())
            QCOMPARE(row.error, QString());
        for (const QString& problem : problems)
            QVERIFY2(row.error.contains(problem), qPrintable(row.error));
    }

    void rowBecomesListing()
    {
        const QString absolute = m_dir.filePath(QStringLiteral("main-ok.jpg"));
        const ListingSheet sheet =
            Read(QStringLiteral("photo2,description,caption,mls,price,address,city_state_zip,photo1,feature2\r\n"
                                "\r\n"
                                ",\"Line one\r\nLine two\",Lakeside,MLS# 7,$9,\"7 B St\",\"Town, ST 1\",big.jpg,2 "
                                "Baths\r\n"
                                ",,,,,,,,\r\n"
                                "%1,d,C,M,P,A,Z,%1,\r\n")
                     .arg(absolute));
        QCOMPARE(sheet.error, QString());
        QCOMPARE(sheet.rows.size(), 2); // the empty row is no listing
        const ListingRow& first = sheet.rows.at(0);
        QCOMPARE(first.line, 3);
        QCOMPARE(first.error, QString());
        QCOMPARE(first.flyer.m_strCaption, QStringLiteral("Lakeside"));
        QCOMPARE(first.flyer.m_strCityStateZip, QStringLiteral("Town, ST 1"));
        QCOMPARE(first.flyer.m_strDescription, QStringLiteral("Line one<br>Line two"));
        QCOMPARE(first.flyer.m_strFeatures[0], QString()); // a column left out is empty, not a default text
        QCOMPARE(first.flyer.m_strFeatures[1], QStringLiteral("2 Baths"));
        QCOMPARE(first.flyer.m_photos[0].m_strPath, m_dir.filePath(QStringLiteral("big.jpg")));
        QCOMPARE(first.flyer.m_photos[1].m_strPath, QString());
        const ListingRow& second = sheet.rows.at(1);
        QCOMPARE(second.line, 6);
        QCOMPARE(second.error, QString());
        QCOMPARE(second.flyer.m_photos[1].m_strPath, absolute);
        QVERIFY(first.flyer.m_strId != second.flyer.m_strId);
    }

    void urlAndCropColumns_data()
    {
        QTest::addColumn<QString>("photos"); // photo1,photo2
        QTest::addColumn<QString>("extras"); // url,crop1,crop2,crop3,crop4
        QTest::addColumn<QString>("error");  // a part of the row's error, or empty
        QTest::addColumn<QRect>("crop1");

        QTest::newRow("none") << "big.jpg,"
                              << ",,,," << QString() << QRect();
        QTest::newRow("url") << "big.jpg,"
                             << "https://homes.example/1,,,," << QString() << QRect();
        QTest::newRow("url without scheme") << "big.jpg,"
                                            << "homes.example/1,,,,"
                                            << "url \"homes.example/1\" is not an http or https address" << QRect();
        QTest::newRow("portrait main cropped") << "upright.jpg,"
                                               << ",\"0,100,600,400\",,,"
                                               << "crop1 \"0,100,600,400\" is 600 x 400 pixels" << QRect();
        QTest::newRow("portrait second cropped") << "big.jpg,upright.jpg"
                                                 << ",,\"0, 200, 600, 380\",," << QString() << QRect();
        QTest::newRow("big cropped") << "big.jpg,"
                                     << ",\"100,50,800,520\",,," << QString() << QRect(100, 50, 800, 520);
        QTest::newRow("outside") << "big.jpg,"
                                 << ",\"300,0,800,520\",,,"
                                 << "crop1 \"300,0,800,520\" reaches outside the 1000 x 700 pixels" << QRect();
        QTest::newRow("three numbers") << "big.jpg,"
                                       << ",\"1,2,3\",,,"
                                       << "crop1 \"1,2,3\" must be x,y,w,h" << QRect();
        QTest::newRow("crop of no photo") << "big.jpg,"
                                          << ",,\"0,0,600,380\",,"
                                          << "crop2 is given but photo2 is empty" << QRect();
    }

    void urlAndCropColumns()
    {
        QFETCH(QString, photos);
        QFETCH(QString, extras);
        QFETCH(QString, error);
        QFETCH(QRect, crop1);
        const QStringList photo = photos.split(QLatin1Char(','));
        const QString line = Row({QStringLiteral("photo1=") + photo.at(0), QStringLiteral("photo2=") + photo.at(1)}) +
                             QLatin1Char(',') + extras;
        const ListingSheet sheet = Read(kHeader + QStringLiteral(",url,crop1,crop2,crop3,crop4\n") + line + '\n');
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), 1);
        const ListingRow& row = sheet.rows.at(0);
        if (error.isEmpty()) {
            QVERIFY2(row.error.isEmpty(), qPrintable(row.error));
            QCOMPARE(row.extras.m_crops[0].value_or(QRect()), crop1);
            QCOMPARE(row.extras.m_strListingUrl, extras.section(QLatin1Char(','), 0, 0));
        } else {
            QVERIFY2(row.error.contains(error), qPrintable(row.error));
        }
    }

    void statusColumns_data()
    {
        QTest::addColumn<QString>("cells"); // status,open_house_date,open_house_start,open_house_end
        QTest::addColumn<QString>("error"); // a part of the row's error, or empty
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // the open house line the flyer shows

        QTest::newRow("none") << ",,," << QString() << int(ListingStatus::None) << QString();
        QTest::newRow("sold") << "sold,,," << QString() << int(ListingStatus::Sold) << QString();
        QTest::newRow("open house") << "open_house,2027-03-07,13:00,16:00" << QString() << int(ListingStatus::OpenHouse)
                                    << "Open House Sunday, March 7, 1-4 PM";
        QTest::newRow("unknown status") << "pending,,,"
                                        << "status \"pending\" is not one of \"\", \"just_listed\", \"coming_soon\", "
                                           "\"open_house\", \"price_reduced\", \"under_contract\", \"sold\""
                                        << 0 << QString();
        QTest::newRow("label, not word") << "Just Listed,,,"
                                         << "status \"Just Listed\" is not one of" << 0 << QString();
        QTest::newRow("no end") << "open_house,2027-03-07,13:00,"
                                << "the open house end \"\" is not a time written HH:MM" << 0 << QString();
        QTest::newRow("backwards") << "open_house,2027-03-07,16:00,13:00"
                                   << "the open house ends (13:00) before it starts (16:00)" << 0 << QString();
    }

    // The status and open house columns, with an unknown status refused by name.
    void statusColumns()
    {
        QFETCH(QString, cells);
        QFETCH(QString, error);
        QFETCH(int, status);
        QFETCH(QString, line);
        const ListingSheet sheet =
            Read(kHeader + QStringLiteral(",status,open_house_date,open_house_start,open_house_end\n") +
                 Row({QStringLiteral("photo1=big.jpg")}) + QLatin1Char(',') + cells + '\n');
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), 1);
        const ListingRow& row = sheet.rows.at(0);
        if (!error.isEmpty()) {
            QVERIFY2(row.error.contains(error), qPrintable(row.error));
            return;
        }
        QVERIFY2(row.error.isEmpty(), qPrintable(row.error));
        QCOMPARE(int(row.extras.m_status), status);
        QCOMPARE(row.extras.OpenHouseText(), line);
    }

    void textUnderNoColumn()
    {
        const ListingSheet sheet = Read(kHeader + QStringLiteral(",\n") + Row({}) + QStringLiteral(",\n") + Row({}) +
                                        QStringLiteral(",stray\n"));
        QVERIFY(sheet.problems.isEmpty()); // an empty trailing column, as spreadsheets write
        QCOMPARE(sheet.rows.size(), 2);
        QCOMPARE(sheet.rows.at(0).error, QString());
        QVERIFY2(sheet.rows.at(1).error.contains(QLatin1String("cell 15")), qPrintable(sheet.rows.at(1).error));
    }

    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");

        QTest::newRow("plain") << "MLS# 4471 - 12 Elm Street - Springfield, IL 62704"
                               << "MLS# 4471 - 12 Elm Street - Springfield, IL 62704";
        QTest::newRow("separators and marks") << "Unit 3/12 \\ a:b*c?\"d\"<e>|f"
                                              << "Unit 3_12 _ a_b_c__d__e__f";
        QTest::newRow("control characters") << "a\nb\tc"
                                            << "a_b_c";
        QTest::newRow("climbing") << "../../etc/passwd"
                                  << "_.._etc_passwd";
        QTest::newRow("hidden") << ".profile"
                                << "profile";
        QTest::newRow("trailing dots") << "name. . "
                                       << "name";
        QTest::newRow("nothing left") << " ... "
                                      << "Flyer";
        QTest::newRow("device name") << "con"
                                     << "_con";
        QTest::newRow("device with extension") << "LPT1.txt"
                                               << "_LPT1.txt";
        QTest::newRow("not a device") << "COMA"
                                      << "COMA";
        QTest::newRow("accents stay") << QString::fromUtf8("Château") << QString::fromUtf8("Château");
    }

    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(SafeFlyerFileName(name), safe);
    }

    void longNameIsCutOnACharacter()
    {
        const QString name = QString::fromUtf8("é").repeated(99) + QString::fromUtf8("😀").repeated(10);
        const QString safe = SafeFlyerFileName(name);
        QVERIFY(safe.toUtf8().size() <= 200);
        // A four-byte character that does not fit is dropped whole, never cut in half.
        QCOMPARE(safe, QString::fromUtf8("é").repeated(99));
    }

    void duplicatesAreNumbered()
    {
        QSet<QString> taken;
        QCOMPARE(UniqueFlyerFileName(QStringLiteral("A - B.pdf"), taken), QStringLiteral("A - B.pdf"));
        QCOMPARE(UniqueFlyerFileName(QStringLiteral("A - B.pdf"), taken), QStringLiteral("A - B (2).pdf"));
        QCOMPARE(UniqueFlyerFileName(QStringLiteral("a - b.PDF"), taken), QStringLiteral("a - b (3).PDF"));
        QCOMPARE(UniqueFlyerFileName(QStringLiteral("A - B (2).pdf"), taken), QStringLiteral("A - B (2) (2).pdf"));
        QCOMPARE(UniqueFlyerFileName(QStringLiteral("C.png"), taken), QStringLiteral("C.png"));
    }

    void rowRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        const int end = std::numeric_limits<int>::max();
        QTest::newRow("A-B") << "2-251" << true << 2 << 251;
        QTest::newRow("one line") << "7" << true << 7 << 7;
        QTest::newRow("A-B, blanks") << " 3 - 4 " << true << 3 << 4;
        QTest::newRow("to the end") << "500-" << true << 500 << end;
        QTest::newRow("B before A") << "9-3" << false << 0 << 0;
        QTest::newRow("line 0") << "0-3" << false << 0 << 0;
        QTest::newRow("negative") << "-3" << false << 0 << 0;
        QTest::newRow("words") << "two-three" << false << 0 << 0;
        QTest::newRow("empty") << "" << false << 0 << 0;
        QTest::newRow("two dashes") << "1-2-3" << false << 0 << 0;
    }

    void rowRange()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        BatchRowRange range;
        QCOMPARE(ParseBatchRowRange(text, range), valid);
        if (!valid)
            return;
        QFETCH(int, first);
        QFETCH(int, last);
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
    }

    // The rows of a range are counted by the line they start on; a row over two lines counts once.
    void rowCountOfARange()
    {
        const QString csv = m_dir.filePath(QStringLiteral("count.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((kHeader + QStringLiteral("\n") + Row({}) + QStringLiteral("\n") +
                    Row({QStringLiteral("description=\"two\nlines\"")}) + QStringLiteral("\n\n") + Row({}) +
                    QStringLiteral("\n"))
                       .toUtf8());
        file.close();
        CXListingSheetReader sheet;
        QVERIFY(sheet.Open(csv));
        QCOMPARE(sheet.RowCount(), 3);
        QCOMPARE(sheet.RowCount(3, 6), 2);
        QCOMPARE(sheet.RowCount(4, 5), 0);
        ListingRow row;
        QVERIFY(sheet.Next(row)); // counting leaves the rows to be read from the first
        QCOMPARE(row.line, 2);
    }

    void progressText()
    {
        QCOMPARE(BatchProgressText(0, 50, 0, 0), QStringLiteral("0/50 flyers"));
        QCOMPARE(BatchProgressText(12, 50, 1, 1500), QStringLiteral("12/50 flyers, 8.0/s, 0:05 left, 1 failed"));
        QCOMPARE(BatchProgressText(50, 500, 0, 100000), QStringLiteral("50/500 flyers, 0.5/s, 15:00 left"));
    }

    void reportEntries()
    {
        BatchRowReport made;
        made.line = 2;
        made.status = BatchRowStatus::Made;
        made.file = QStringLiteral("/out/A \"B\".pdf");
        made.problems = {QStringLiteral("photo1 prints at 97 ppi")};
        made.findings = {CXFinding{QStringLiteral("brokerage"), QStringLiteral("brokerage"), CXFinding::Level::Error,
                                   QStringLiteral("The flyer does not name your brokerage.")}};
        made.seconds = 1.23456;
        BatchRowReport failed;
        failed.line = 4;
        const QByteArray json = BatchReportJson({BatchReportEntryJson(made), BatchReportEntryJson(failed)});
        QJsonParseError error;
        const QJsonArray rows = QJsonDocument::fromJson(json, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(rows.size(), 2);
        const QJsonObject first = rows.at(0).toObject();
        QCOMPARE(first.keys(), QStringList({"file", "findings", "line", "problems", "seconds", "status"}));
        QCOMPARE(first.value("findings").toArray().at(0).toObject(),
                 (QJsonObject{{"rule", "brokerage"},
                              {"field", "brokerage"},
                              {"level", "error"},
                              {"message", "The flyer does not name your brokerage."}}));
        QVERIFY(rows.at(1).toObject().value("findings").toArray().isEmpty());
        QCOMPARE(first.value("line").toInt(), 2);
        QCOMPARE(first.value("status").toString(), QStringLiteral("made"));
        QCOMPARE(first.value("file").toString(), made.file);
        QCOMPARE(first.value("problems").toArray().at(0).toString(), made.problems.first());
        QCOMPARE(first.value("seconds").toDouble(), 1.235);
        QCOMPARE(rows.at(1).toObject().value("status").toString(), QStringLiteral("failed"));
        QCOMPARE(BatchReportJson({}), QByteArray("[\n]\n"));
    }
};

QTEST_GUILESS_MAIN(TestBatchSheet)
#include "tst_batchsheet.moc"
