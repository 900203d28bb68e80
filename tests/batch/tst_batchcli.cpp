#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::ChildRun;
using TestSupport::RunCli;

namespace {

// The PDF's one page drawn at 192 dpi: at exactly 96 dpi pdftoppm drops the last pixel row and
// column of the picture, and with them the frame on those sides.
QImage RasterisePdf(const QString& pdf, const QString& scratchPrefix)
{
    if (TestSupport::RunChild(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-r"), QStringLiteral("192"), QStringLiteral("-png"),
                               QStringLiteral("-singlefile"), pdf, scratchPrefix})
            .exitCode != 0)
        return QImage();
    return QImage(scratchPrefix + QStringLiteral(".png"));
}

// A finished flyer of 816 x 1056 pixels (times scale): the export's black frame on all four sides
// around a page that shows photos (many colours in the band of the main photo), not an empty or
// broken render.
void CheckFlyerPicture(const QImage& image, int scale = 1)
{
    QCOMPARE(image.size(), QSize(816, 1056) * scale);
    const int right = image.width() - 1, bottom = image.height() - 1;
    for (const QPoint edge :
         {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom), QPoint(right / 2, 0),
          QPoint(right / 2, bottom), QPoint(0, bottom / 2), QPoint(right, bottom / 2)})
        QVERIFY2(qGray(image.pixel(edge)) < 40,
                 qPrintable(QStringLiteral("frame at %1,%2").arg(edge.x()).arg(edge.y())));
    QSet<QRgb> colours;
    for (int y = 150; y < 450; y += 3) {
        for (int x = 50; x < 766; x += 3)
            colours.insert(image.pixel(x * scale, y * scale) & 0xF0F0F0);
    }
    QVERIFY2(colours.size() > 100, qPrintable(QString::number(colours.size())));
}

} // namespace

class TestBatchCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // The spreadsheet with the sample house pictures beside it, and a photo too small for the main slot.
    QString Prepare(const QString& fixture)
    {
        const QDir dir(m_dir.path());
        for (const char* name : {"House01-02.jpg", "House02-01.jpg", "House03-01.jpg", "House04-01.jpg"}) {
            const QString target = dir.filePath(QLatin1String(name));
            if (!QFile::exists(target))
                QFile::copy(QStringLiteral(LISTORA_SOURCE_DIR "/data/Samples/") + QLatin1String(name), target);
        }
        QImage small(700, 450, QImage::Format_RGB32);
        small.fill(Qt::darkGreen);
        small.save(dir.filePath(QStringLiteral("small.jpg")), "JPEG");
        const QString csv = dir.filePath(fixture);
        QFile::remove(csv);
        QFile::copy(QStringLiteral(LISTORA_TEST_DATA "/") + fixture, csv);
        return csv;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void mixedSheet()
    {
        const QString csv = Prepare(QStringLiteral("listings-mixed.csv"));
        const QString out = m_dir.filePath(QStringLiteral("flyers"));
        const ChildRun r = RunCli({"batch", csv, "--theme", "Gallery - KT401", "--out", out});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray()); // the PDF writer's page reports included

        const QString elm = QStringLiteral("MLS# 1001 - 12 Elm Street - Springfield, IL 62704");
        const QStringList expected = {elm + QStringLiteral(" (2).pdf"), elm + QStringLiteral(".pdf"),
                                      // "/" is replaced as in Export's suggested name.
                                      QStringLiteral("MLS# 1006 - Unit 4-12 Harbor Road - Bayside, CA 94000.pdf")};
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), expected);
        for (const QString& name : expected) {
            const QString path = QDir(out).filePath(name);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.read(5) == "%PDF-");
            CheckFlyerPicture(RasterisePdf(path, m_dir.filePath(QStringLiteral("page"))), 2);
            if (QTest::currentTestFailed())
                return;
        }

        // One progress line per row, in order; the duplicate is the later row.
        QVERIFY2(r.Err().contains(QStringLiteral("[1/9] line 2: ") + QDir(out).filePath(elm + QStringLiteral(".pdf"))),
                 qPrintable(r.Err()));
        QVERIFY(
            r.Err().contains(QStringLiteral("[8/9] line 11: ") + QDir(out).filePath(elm + QStringLiteral(" (2).pdf"))));
        const struct
        {
            int line;
            const char* why;
        } skipped[] = {
            {4, "photo2 \"missing-photo.jpg\" does not exist"},
            {5, "photo1 \"small.jpg\" is 700 x 450 pixels"},
            {6, "double quote"},
            {7, "the row has 15 cells but the header has 14 columns"},
            {9, "caption is empty"},
            {12, "text follows the closing quote"},
        };
        for (const auto& row : skipped) {
            const QString head = QStringLiteral("] line %1: skipped: ").arg(row.line);
            const qsizetype at = r.Err().indexOf(head);
            QVERIFY2(at >= 0, qPrintable(head + QLatin1Char('\n') + r.Err()));
            const QString line = r.Err().mid(at, r.Err().indexOf(QLatin1Char('\n'), at) - at);
            QVERIFY2(line.contains(QLatin1String(row.why)), qPrintable(line));
        }
        QVERIFY2(r.Err().contains(
                     QStringLiteral("made 3 of 9 flyers in %1; 6 rows skipped (lines 4, 5, 6, 7, 9, 12)").arg(out)),
                 qPrintable(r.Err()));
    }

    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("reader"); // the format the file must really be in

        QTest::newRow("pdf") << "pdf"
                             << "flyers-pdf" << QByteArray("pdf");
        // The export goes by ".pdf" anywhere in the path; a folder named so must not turn PNGs into PDFs.
        QTest::newRow("png in a .pdf folder") << "png"
                                              << "old.pdf.files" << QByteArray("png");
        QTest::newRow("jpg, any case") << "JPG"
                                       << "flyers-jpg" << QByteArray("jpeg");
    }

    void formats()
    {
        QFETCH(QString, format);
        QFETCH(QString, folder);
        QFETCH(QByteArray, reader);
        const QString csv = Prepare(QStringLiteral("listings-good.csv"));
        const QString out = m_dir.filePath(folder);
        const ChildRun r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out, "--format", format});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.Err().contains(QStringLiteral("made 2 of 2 flyers")), qPrintable(r.Err()));
        const QStringList files = QDir(out).entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files) {
            const QString path = QDir(out).filePath(name);
            QVERIFY(name.endsWith(QLatin1Char('.') + format.toLower()));
            if (reader == "pdf") {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-");
                CheckFlyerPicture(RasterisePdf(path, m_dir.filePath(QStringLiteral("page"))), 2);
            } else {
                QImageReader picture(path);
                picture.setDecideFormatFromContent(true);
                QCOMPARE(picture.format(), reader);
                CheckFlyerPicture(picture.read());
            }
        }
    }

    // A sheet saved as "Unicode text" (UTF-16 with its byte-order mark) is read as such; a row whose
    // photo was cut off in copying is skipped instead of making a flyer with a grey photo.
    void utf16SheetAndCutOffPhoto()
    {
        Prepare(QStringLiteral("listings-good.csv"));
        QFile whole(m_dir.filePath(QStringLiteral("House02-01.jpg")));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath(QStringLiteral("cut-copy.jpg")));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(whole.read(whole.size() / 2)) > 0);
        cut.close();
        const QString text = QStringLiteral(
            "caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,photo1,photo2,"
            "photo3,photo4\r\n"
            "Caf\u00E9 Corner,MLS# 3001,\"Offered at $519,000\",3 Rue Street,\"Lakeview, OR 97630\",Bright.,,,,,"
            "House03-01.jpg,,,\r\n"
            "Cut Copy,MLS# 3002,$1,4 Elm,\"Lakeview, OR 97630\",Nice.,,,,,cut-copy.jpg,,,\r\n");
        QByteArray bytes("\xFF\xFE");
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        const QString csv = m_dir.filePath(QStringLiteral("unicode.csv"));
        QFile sheet(csv);
        QVERIFY(sheet.open(QIODevice::WriteOnly) && sheet.write(bytes) == bytes.size());
        sheet.close();

        const QString out = m_dir.filePath(QStringLiteral("unicode-flyers"));
        const ChildRun r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList(QStringLiteral("MLS# 3001 - 3 Rue Street - Lakeview, OR 97630.pdf")));
        QVERIFY2(r.Err().contains(QStringLiteral("[2/2] line 3: skipped: photo intake failed: %1 is damaged or "
                                                 "incomplete and cannot be used.")
                                      .arg(QDir::toNativeSeparators(cut.fileName()))),
                 qPrintable(r.Err()));
        QVERIFY2(r.Err().contains(QStringLiteral("made 1 of 2 flyers in %1; 1 row skipped (line 3)").arg(out)),
                 qPrintable(r.Err()));
    }

    void notUtf8NoteComesWithARefusedSheet()
    {
        // The note explains why no header could be found in the file.
        const QString csv = m_dir.filePath(QStringLiteral("latin.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("capti\xF3n,mls,price\nA,B,C\n");
        file.close();
        const ChildRun r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", m_dir.filePath("latin")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.Err().contains(QLatin1String("the file is not UTF-8; it was read as Windows-1252")),
                 qPrintable(r.Err()));
        QVERIFY2(r.Err().contains(QLatin1String("lacks the required column")), qPrintable(r.Err()));
    }

    void wholeFileRefused()
    {
        const QString csv = m_dir.filePath(QStringLiteral("no-photo-column.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("caption,mls,price,address,city_state_zip,description\nA,B,C,D,E,F\n");
        file.close();
        const QString out = m_dir.filePath(QStringLiteral("refused"));
        const ChildRun r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.Err().contains(QLatin1String("line 1: the header row lacks the required column photo1")),
                 qPrintable(r.Err()));
        QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("no spreadsheet") << QStringList{"batch", "--theme", "Simple - KT101", "--out", "x"} << 2;
        QTest::newRow("no theme") << QStringList{"batch", "a.csv", "--out", "x"} << 2;
        QTest::newRow("no out") << QStringList{"batch", "a.csv", "--theme", "Simple - KT101"} << 2;
        QTest::newRow("bmp") << QStringList{"batch", "a.csv", "--theme",  "Simple - KT101",
                                            "--out", "x",     "--format", "bmp"}
                             << 2;
        QTest::newRow("unknown theme") << QStringList{"batch", "a.csv", "--theme", "Nope", "--out", "x"} << 1;
        QTest::newRow("missing spreadsheet")
            << QStringList{"batch", "/nonexistent/a.csv", "--theme", "Simple - KT101", "--out", "x"} << 1;
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const ChildRun r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(!r.Err().isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x"))));
    }
};

QTEST_GUILESS_MAIN(TestBatchCli)
#include "tst_batchcli.moc"
