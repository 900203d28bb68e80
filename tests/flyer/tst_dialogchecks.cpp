#include "controls/listcompare.h"
#include "controls/picturefit.h"
#include "flyer/detailschecks.h"
#include "flyer/formatting.h"

#include <QTest>

#include <limits>

class TestDialogChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatThousands_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("thousands");
        QTest::addColumn<QString>("pixels");
        QTest::newRow("zero") << qint64(0) << "0"
                              << "0 pixels";
        QTest::newRow("one") << qint64(1) << "1"
                             << "1 pixel";
        QTest::newRow("three digits") << qint64(750) << "750"
                                      << "750 pixels";
        QTest::newRow("four digits") << qint64(1024) << "1,024"
                                     << "1,024 pixels";
        QTest::newRow("seven digits") << qint64(1234567) << "1,234,567"
                                      << "1,234,567 pixels";
        QTest::newRow("six digits") << qint64(100000) << "100,000"
                                    << "100,000 pixels";
        QTest::newRow("minus one") << qint64(-1) << "-1"
                                   << "-1 pixels";
        QTest::newRow("negative, no comma after sign") << qint64(-123456) << "-123,456"
                                                       << "-123,456 pixels";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-9,223,372,036,854,775,808"
                                  << "-9,223,372,036,854,775,808 pixels";
    }
    void formatThousands()
    {
        QFETCH(qint64, number);
        QFETCH(QString, thousands);
        QFETCH(QString, pixels);
        QCOMPARE(FormatThousands(number), thousands);
        QCOMPARE(FormatCount(number, QStringLiteral("pixel")), pixels);
    }

    void projectTimeText()
    {
        // Tests run in UTC.
        QCOMPARE(FormatProjectTime(0), QStringLiteral("01-01-1970  12:00:00 AM"));
        QCOMPARE(FormatProjectTime(1715691900), QStringLiteral("05-14-2024  01:05:00 PM"));
        QCOMPARE(FormatProjectTime(1715686200), QStringLiteral("05-14-2024  11:30:00 AM"));
        // A garbled time from a damaged file must not break the list.
        QCOMPARE(FormatProjectTime(std::numeric_limits<qint64>::max()), QString());
    }

    void compareCells_data()
    {
        QTest::addColumn<QString>("smaller");
        QTest::addColumn<QString>("larger");
        QTest::newRow("sizes across units") << "900 MB"
                                            << "1 GB";
        QTest::newRow("sizes, decimals and commas") << "1,023 KB"
                                                    << "1.5 MB";
        QTest::newRow("numbers with commas") << "300"
                                             << "1,200";
        QTest::newRow("numbers stop at the point") << "12.9"
                                                   << "13";
        QTest::newRow("empty cell as number") << ""
                                              << "7";
        QTest::newRow("text ignores case") << "alpha"
                                           << "Beta";
        QTest::newRow("PM after AM") << "05-14-2024  11:00:00 AM"
                                     << "05-14-2024  01:00:00 PM";
        QTest::newRow("midnight before noon") << "05-14-2024  12:30:00 AM"
                                              << "05-14-2024  12:10:00 PM";
        QTest::newRow("year before month") << "12-31-2023  11:59:59 PM"
                                           << "01-01-2024  12:00:00 AM";
        QTest::newRow("archive extension taken off") << "report.zip"
                                                     << "report 2";
        QTest::newRow("rar numbers") << "2.rar"
                                     << "10.RAR";
        QTest::newRow("other extension kept") << "report.zip"
                                              << "report.txt";
    }
    void compareCells()
    {
        QFETCH(QString, smaller);
        QFETCH(QString, larger);
        QVERIFY2(CompareListCells(smaller, larger) < 0, qPrintable(smaller + " < " + larger));
        QVERIFY2(CompareListCells(larger, smaller) > 0, qPrintable(larger + " > " + smaller));
        QCOMPARE(CompareListCells(larger, larger), 0);
    }

    void comparisonKindFollowsFirstCell()
    {
        // A size against a cell without a unit counts the latter as 0.
        QVERIFY(CompareListCells(QStringLiteral("1 KB"), QStringLiteral("N/A")) > 0);
        // A date-time against a cell of another shape puts the odd cell first.
        QVERIFY(CompareListCells(QStringLiteral("05-14-2024  11:00:00 AM"), QStringLiteral("unknown")) > 0);
        QCOMPARE(StripListedExtension(QStringLiteral("a.zip/b")), QStringLiteral("a.zip/b"));
        QCOMPARE(StripListedExtension(QStringLiteral("archive.tar.ZIP")), QStringLiteral("archive.tar"));
    }

    void shrinkToFit_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("landscape photo") << QSize(4000, 3000) << QSize(200, 200) << QSize(200, 150);
        QTest::newRow("portrait photo") << QSize(1200, 1600) << QSize(500, 500) << QSize(375, 500);
        QTest::newRow("wide box, tall picture") << QSize(300, 900) << QSize(400, 100) << QSize(33, 100);
        QTest::newRow("landscape too tall only") << QSize(600, 400) << QSize(700, 200) << QSize(300, 200);
        QTest::newRow("never enlarged") << QSize(400, 300) << QSize(600, 600) << QSize(400, 300);
        QTest::newRow("square") << QSize(1000, 1000) << QSize(150, 90) << QSize(90, 90);
        QTest::newRow("empty box") << QSize(100, 50) << QSize(0, 0) << QSize(0, 0);
        QTest::newRow("empty picture") << QSize(0, 0) << QSize(10, 10) << QSize(0, 0);
    }
    void shrinkToFit()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QFETCH(QSize, fitted);
        QCOMPARE(ShrinkToFit(picture, box), fitted);
    }

    void pictureRects()
    {
        QCOMPARE(FitPictureRect(QSize(4000, 3000), QRect(0, 0, 200, 200), 0), QRect(0, 25, 200, 150));
        QCOMPARE(FitPictureRect(QSize(4000, 3000), QRect(0, 0, 212, 212), 6), QRect(6, 31, 200, 150));
        QCOMPARE(FitPictureRect(QSize(4000, 3000), QRect(0, 0, 10, 10), 6), QRect());
        QCOMPARE(PlaceResourcePicture(QSize(50, 20), QRect(0, 0, 100, 100), false, 0), QRect(0, 0, 50, 20));
        QCOMPARE(PlaceResourcePicture(QSize(50, 20), QRect(0, 0, 100, 100), true, 1), QRect(25, 40, 50, 20));
        QCOMPARE(PlaceResourcePicture(QSize(400, 100), QRect(0, 0, 100, 100), true, 2), QRect(0, 75, 100, 25));
    }

    void saveChecksInOrder_data()
    {
        QTest::addColumn<QString>("emptied");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::newRow("caption") << "caption"
                                 << "Please provide a 'Listing Caption.'" << int(DetailsField::Caption);
        QTest::newRow("mls") << "mls"
                             << "Please provide an 'MLS Number.'" << int(DetailsField::MLSNumber);
        QTest::newRow("price") << "price"
                               << "Please enter in a 'Listing Price.'" << int(DetailsField::Price);
        QTest::newRow("address") << "address"
                                 << "Please provide a 'Listing Address.'" << int(DetailsField::Address);
        QTest::newRow("city") << "city"
                              << "Please enter in the 'City, State && Zipcode (Postal Code)' for this flyer."
                              << int(DetailsField::CityStateZip);
        QTest::newRow("description") << "description"
                                     << "Please provide a 'Listing Description.'" << int(DetailsField::Description);
        QTest::newRow("photo") << "photo"
                               << "Please choose a main photo for this flyer project."
                               << int(DetailsField::MainPhotoButton);
    }
    void saveChecksInOrder()
    {
        // Everything from the named field onwards is missing: the first of them must be reported.
        QFETCH(QString, emptied);
        QFETCH(QString, message);
        QFETCH(int, focus);
        FlyerDetailsInput input{QStringLiteral(" "),
                                QStringLiteral("MLS# "),
                                QStringLiteral("$1"),
                                QStringLiteral("1 Main St"),
                                QStringLiteral("City|State|Zip code"),
                                QStringLiteral("Nice."),
                                {},
                                true};
        const QStringList order = {"caption", "mls", "price", "address", "city", "description", "photo"};
        QString* fields[] = {&input.caption, &input.mlsNumber,    &input.price,
                             &input.address, &input.cityStateZip, &input.description};
        for (int i = int(order.indexOf(emptied)); i < order.size(); ++i) {
            if (i < 6)
                fields[i]->clear();
            else
                input.hasMainPhoto = false;
        }
        const auto failure = CheckFlyerDetails(input);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->message, message);
        QCOMPARE(int(failure->focus), focus);
        QVERIFY(!failure->warning);
    }

    void saveChecksPassAndFeatureLimit()
    {
        FlyerDetailsInput input{QStringLiteral(" "),
                                QStringLiteral(" "),
                                QStringLiteral(" "),
                                QStringLiteral(" "),
                                QStringLiteral(" "),
                                QStringLiteral(" "),
                                {},
                                true};
        QVERIFY(!CheckFlyerDetails(input).has_value());
        input.features[2] = QString(18, QLatin1Char('x'));
        QVERIFY(!CheckFlyerDetails(input).has_value());
        // An over-long feature from the project file comes first, even before an empty caption.
        input.caption.clear();
        input.features[2] += QLatin1Char('x');
        const auto failure = CheckFlyerDetails(input);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->message, QStringLiteral("Enter no more than 18 characters."));
        QCOMPARE(failure->focus, DetailsField::Feature3);
        QVERIFY(failure->warning);
    }

    void textLimits_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("caption") << int(DetailsField::Caption) << 4096;
        QTest::newRow("city") << int(DetailsField::CityStateZip) << 4096;
        QTest::newRow("description") << int(DetailsField::Description) << 65536;
    }
    void textLimits()
    {
        QFETCH(int, field);
        QFETCH(int, limit);
        FlyerDetailsInput input{QStringLiteral("c"),
                                QStringLiteral("m"),
                                QStringLiteral("p"),
                                QStringLiteral("a"),
                                QStringLiteral("z"),
                                QStringLiteral("d"),
                                {},
                                false};
        QString* texts[] = {&input.caption, &input.mlsNumber,    &input.price,
                            &input.address, &input.cityStateZip, &input.description};
        QString& text = *texts[field];
        text = QString(limit, QLatin1Char('x'));
        // At the limit the text passes; the next check (the main photo) is the one that fails.
        QCOMPARE(CheckFlyerDetails(input)->focus, DetailsField::MainPhotoButton);
        text += QLatin1Char('x');
        const auto failure = CheckFlyerDetails(input);
        QVERIFY(failure.has_value());
        QCOMPARE(int(failure->focus), field);
        QVERIFY(failure->warning);
        QCOMPARE(failure->limit, limit);
        QVERIFY2(failure->message.contains(QStringLiteral("%1 characters").arg(FormatThousands(limit + 1))),
                 qPrintable(failure->message));
        QVERIFY(failure->message.startsWith(QStringLiteral("The 'Listing ")) ||
                failure->message.startsWith(QStringLiteral("The 'City, State, Zip'")));
    }

    // The description counts as stored: each line break is the four characters "<br>".
    void descriptionCountsStoredBreaks()
    {
        FlyerDetailsInput input{QStringLiteral("c"),
                                QStringLiteral("m"),
                                QStringLiteral("p"),
                                QStringLiteral("a"),
                                QStringLiteral("z"),
                                QString(65536 - 4, QLatin1Char('x')) + QLatin1Char('\n'),
                                {},
                                true};
        QVERIFY(!CheckFlyerDetails(input).has_value());
        input.description += QLatin1Char('x');
        const auto failure = CheckFlyerDetails(input);
        QVERIFY(failure.has_value());
        QCOMPARE(failure->message,
                 QStringLiteral("The 'Listing Description' holds 65,537 characters; at most 65,536 are allowed. "
                                "Please shorten it."));
    }

    void photoChecks_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("note");
        QTest::newRow("main 751x501") << 1 << 751 << 501 << 1 << true << QString();
        QTest::newRow("main 750x500")
            << 1 << 750 << 500 << 1 << false
            << "NOTE: The photo you selected 'house.jpg' properties are (Width: 750 pixels, Height: 500 pixels and "
               "Landscape orientation).";
        QTest::newRow("main 751x500") << 1 << 751 << 500 << 1 << false
                                      << "(Width: 751 pixels, Height: 500 pixels and Landscape orientation).";
        QTest::newRow("main portrait") << 1 << 600 << 800 << 0 << false
                                       << "(Width: 600 pixels, Height: 800 pixels and Portrait orientation).";
        QTest::newRow("second portrait") << 2 << 600 << 800 << 0 << false << "Portrait orientation";
        QTest::newRow("main square") << 1 << 900 << 900 << 2 << false
                                     << "(Width: 900 pixels, Height: 900 pixels and Equal Width & Height orientation).";
        QTest::newRow("fourth square") << 4 << 900 << 900 << 2 << false << "Equal Width & Height orientation";
        QTest::newRow("second 551x351") << 2 << 551 << 351 << 1 << true << QString();
        QTest::newRow("third 550x351") << 3 << 550 << 351 << 1 << false << "Width: 550 pixels";
        QTest::newRow("large") << 1 << 4000 << 3000 << 1 << true << QString();
        QTest::newRow("undecodable") << 2 << 0 << 0 << 2 << false << "(Width: 0 pixels, Height: 0 pixels";
    }
    void photoChecks()
    {
        QFETCH(int, slot);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, orientation);
        QFETCH(bool, accepted);
        QFETCH(QString, note);
        const QString message =
            CheckListingPhoto(slot, QStringLiteral("/home/agent/Pictures/house.jpg"), true, width, height, orientation);
        QCOMPARE(message.isEmpty(), accepted);
        if (accepted)
            return;
        QVERIFY2(message.endsWith(note) || message.contains(note), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("'house.jpg'")));
        const QString expectedHead =
            slot == 1 ? QStringLiteral("The Main listing photo should have the following minimum properties:\n\n"
                                       "     Width: 750 pixels\n     Height: 500 pixels\n")
                      : QStringLiteral("Secondary listing photos should have the following minimum properties:\n\n"
                                       "     Width: 550 pixels\n     Height: 350 pixels\n");
        QVERIFY2(message.startsWith(expectedHead), qPrintable(message));
        QVERIFY(
            message.contains(QStringLiteral("     Orientation: Landscape (Width > Height).\n\nPlease select another "
                                            "photo.\n\nNOTE: ")));
    }

    void photoThatCannotBeExaminedIsRefused()
    {
        QVERIFY(!CheckListingPhoto(1, QStringLiteral("gone.jpg"), false, 4000, 3000, 1).isEmpty());
        QCOMPARE(PhotoOrientationWord(7), QStringLiteral("N/A"));
    }

    void descriptionLineBreaks()
    {
        const QString stored = QStringLiteral("First line<br><br>Second");
        QCOMPARE(DescriptionForEdit(stored), QStringLiteral("First line\n\nSecond"));
        QCOMPARE(DescriptionForEdit(QStringLiteral("a\r\nb<br>c")), QStringLiteral("a\nb\nc"));
        QCOMPARE(DescriptionFromEdit(QStringLiteral("First line\n\nSecond")), stored);
        QCOMPARE(DescriptionFromEdit(QStringLiteral("a\r\nb\rc")), QStringLiteral("a<br>b<br>c"));
    }
};

QTEST_GUILESS_MAIN(TestDialogChecks)
#include "tst_dialogchecks.moc"
