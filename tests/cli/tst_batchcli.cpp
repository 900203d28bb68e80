#include "../imaging/fixtures.h"
#include "support/pictures.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <ctime>
#include <sys/time.h>

namespace {

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Result RunCli(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(LISTORA_BIN_DIR "/listora-cli"), args);
    Result result;
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The PDF's one page drawn at 192 dpi: at exactly 96 dpi pdftoppm drops the last pixel row and
// column of the picture, and with them the frame on those sides.
QImage RasterisePdf(const QString& pdf, const QString& scratchPrefix)
{
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("192"), QStringLiteral("-png"),
                                               QStringLiteral("-singlefile"), pdf, scratchPrefix});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
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

// A print-quality page (Letter, times scale 96-dpi pixels) that shows photos in the band of the main
// photo; it has no export frame.
void CheckPrintPage(const QImage& image, double scale)
{
    QCOMPARE(image.size(), QSize(qRound(816 * scale), qRound(1056 * scale)));
    QSet<QRgb> colours;
    for (int y = 150; y < 450; y += 3) {
        for (int x = 50; x < 766; x += 3)
            colours.insert(image.pixel(int(x * scale), int(y * scale)) & 0xF0F0F0);
    }
    QVERIFY2(colours.size() > 100, qPrintable(QString::number(colours.size())));
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonArray ReadReport(const QString& path)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(Bytes(path), &error);
    return error.error == QJsonParseError::NoError ? document.array() : QJsonArray();
}

// A sheet of rows listings with the sample photos; every fifth repeats the listing before it, so its
// flyer's name is numbered.
QString ListingLines(int rows)
{
    QString text = QStringLiteral("caption,mls,price,address,city_state_zip,description,photo1,photo2,photo3,photo4\n");
    for (int i = 0; i < rows; ++i) {
        const int listing = i % 5 == 4 ? i - 1 : i;
        text += QStringLiteral("Home %1,MLS# %2,$%3,%4 Elm Street,\"Lakeview, OR 97630\",Nice.,House0%5-0%6.jpg,"
                               "House02-01.jpg,House03-01.jpg,House04-01.jpg\n")
                    .arg(i)
                    .arg(4000 + listing)
                    .arg(100 + i)
                    .arg(listing)
                    .arg(i % 2 == 0 ? 1 : 3)
                    .arg(i % 2 == 0 ? 2 : 1);
    }
    return text;
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

    QString WriteSheet(const QString& name, const QString& text)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return QString();
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The same flyers under the same names whatever the number of jobs: names go by row order, never
    // by which row finishes first.
    void sameFilesWithAnyJobs_data()
    {
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("format");
        QTest::newRow("screen png") << "screen"
                                    << "png";
        QTest::newRow("print pdf") << "print"
                                   << "pdf";
    }

    void sameFilesWithAnyJobs()
    {
        QFETCH(QString, quality);
        QFETCH(QString, format);
        Prepare(QStringLiteral("listings-good.csv"));
        const QString csv = WriteSheet(QStringLiteral("jobs.csv"), ListingLines(7));
        QStringList names[2];
        QString folders[2];
        for (int run = 0; run < 2; ++run) {
            folders[run] = m_dir.filePath(QStringLiteral("jobs-%1-%2-%3").arg(quality, format).arg(run));
            const Result r = RunCli({"batch", csv, "--theme", "Gallery - KT401", "--out", folders[run], "--quality",
                                     quality, "--format", format, "--jobs", run == 0 ? "1" : "3"});
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            names[run] = QDir(folders[run]).entryList(QDir::Files, QDir::Name);
        }
        QCOMPARE(names[0].size(), 7);
        QCOMPARE(names[1], names[0]);
        QVERIFY(names[0].contains(QStringLiteral("MLS# 4003 - 3 Elm Street - Lakeview, OR 97630 (2).") + format));
        for (const QString& name : std::as_const(names[0])) {
            const QString one = QDir(folders[0]).filePath(name);
            const QString other = QDir(folders[1]).filePath(name);
            const QImage a =
                format == QLatin1String("pdf") ? RasterisePdf(one, m_dir.filePath(QStringLiteral("a"))) : QImage(one);
            const QImage b = format == QLatin1String("pdf") ? RasterisePdf(other, m_dir.filePath(QStringLiteral("b")))
                                                            : QImage(other);
            QVERIFY(!a.isNull());
            QVERIFY2(a == b, qPrintable(name));
        }
    }

    // Ctrl-C mid-run: the flyers being drawn are finished, no half-written file and no working folder
    // remain, every row is in the report, and the exit status is 130. --skip-existing then makes
    // only the missing flyers. Working folders of killed runs go when a run starts; a live run's stay.
    void interruptThenResume()
    {
        const QDir temp(QDir::tempPath());
        QProcess gone;
        gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString dead = QStringLiteral("listora-batch-%1-Ab3x9Q").arg(deadPid);
        const QString older = QStringLiteral("listora-batch-Cd4y8R");
        const QString live = QStringLiteral("listora-batch-%1-Ef5z7S").arg(QCoreApplication::applicationPid());
        for (const QString& name : {dead, older, live})
            QVERIFY(temp.mkpath(name + QStringLiteral("/line-2")));
        const struct timeval twoDaysAgo[2] = {{::time(nullptr) - 2 * 86400, 0}, {::time(nullptr) - 2 * 86400, 0}};
        QCOMPARE(::utimes(QFile::encodeName(temp.filePath(older)).constData(), twoDaysAgo), 0);

        Prepare(QStringLiteral("listings-good.csv"));
        const int rows = 40;
        const QString csv = WriteSheet(QStringLiteral("long.csv"), ListingLines(rows));
        const QString out = m_dir.filePath(QStringLiteral("interrupted"));
        const QString report = m_dir.filePath(QStringLiteral("interrupted.json"));
        QProcess batch;
        batch.start(QStringLiteral(LISTORA_BIN_DIR "/listora-cli"),
                    {"batch", csv, "--theme", "Gallery - KT401", "--out", out, "--quality", "screen", "--jobs", "2",
                     "--report", report});
        QVERIFY(batch.waitForStarted());
        QDeadlineTimer deadline(180000);
        while (QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files).size() < 2 && !deadline.hasExpired() &&
               batch.state() == QProcess::Running)
            QTest::qWait(20);
        QCOMPARE(batch.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(batch.processId()), SIGINT), 0);
        QVERIFY(batch.waitForFinished(180000));
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromUtf8(batch.readAllStandardError());
        QVERIFY2(batch.exitCode() == 130, qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("stopped before the end")), qPrintable(err));

        const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        QVERIFY2(files.size() >= 2 && files.size() < rows, qPrintable(files.join('\n')));
        QHash<QString, QDateTime> times;
        for (const QString& name : files) {
            const QString path = QDir(out).filePath(name);
            QVERIFY2(name.endsWith(QLatin1String(".pdf")), qPrintable(name));
            QProcess check;
            check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
            QVERIFY(check.waitForFinished(60000));
            QVERIFY2(check.exitCode() == 0, qPrintable(name));
            times.insert(name, QFileInfo(path).lastModified());
        }
        QCOMPARE(temp.entryList({QStringLiteral("listora-batch-*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList{live});
        QVERIFY(QDir(temp.filePath(live)).removeRecursively());

        // Every row of the sheet is in the report, those not made named so.
        QJsonArray entries = ReadReport(report);
        QCOMPARE(entries.size(), rows);
        int made = 0;
        int line = 1;
        for (const QJsonValue& value : std::as_const(entries)) {
            const QJsonObject entry = value.toObject();
            QCOMPARE(entry.value("line").toInt(), ++line);
            const QString status = entry.value("status").toString();
            QVERIFY2(status == QLatin1String("made") || status == QLatin1String("interrupted"), qPrintable(status));
            if (status == QLatin1String("made")) {
                ++made;
                QVERIFY(files.contains(QFileInfo(entry.value("file").toString()).fileName()));
            } else {
                QCOMPARE(entry.value("problems").toArray().last().toString(), QStringLiteral("not made (interrupted)"));
            }
        }
        QCOMPARE(made, files.size());

        const Result r = RunCli({"batch", csv, "--theme", "Gallery - KT401", "--out", out, "--quality", "screen",
                                 "--jobs", "2", "--skip-existing", "--report", report});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("made %1 of %2 flyers in %3; %4 were there already")
                                    .arg(rows - files.size())
                                    .arg(rows)
                                    .arg(out)
                                    .arg(files.size())),
                 qPrintable(r.err));
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), rows);
        for (auto it = times.cbegin(); it != times.cend(); ++it)
            QCOMPARE(QFileInfo(QDir(out).filePath(it.key())).lastModified(), it.value());
        entries = ReadReport(report);
        QCOMPARE(entries.size(), rows);
        int exists = 0;
        for (const QJsonValue& value : std::as_const(entries))
            exists += value.toObject().value("status").toString() == QLatin1String("exists") ? 1 : 0;
        QCOMPARE(exists, files.size());
    }

    // --rows takes the rows that start on those file lines, named as in a run of the whole sheet.
    void rowsSelect()
    {
        const QString csv = Prepare(QStringLiteral("listings-mixed.csv"));
        const QString out = m_dir.filePath(QStringLiteral("rows-flyers"));
        const QString report = m_dir.filePath(QStringLiteral("rows.json"));
        const Result r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out, "--quality", "screen",
                                 "--rows", "9-11", "--report", report});
        QCOMPARE(r.exitCode, 1); // line 9 has no caption
        // Line 11 repeats the listing of line 2, outside the range.
        const QString elm = QStringLiteral("MLS# 1001 - 12 Elm Street - Springfield, IL 62704");
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList(elm + QStringLiteral(" (2).pdf")));
        QVERIFY2(r.err.contains(QStringLiteral("made 1 of 2 flyers in %1; 1 row skipped (line 9)").arg(out)),
                 qPrintable(r.err));
        const QJsonArray entries = ReadReport(report);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).toObject().value("line").toInt(), 9);
        QCOMPARE(entries.at(1).toObject().value("status").toString(), QStringLiteral("made"));
    }

    // A crop names the part of the photo the flyer shows, on paper as on screen.
    void printShowsTheCroppedPart()
    {
        Prepare(QStringLiteral("listings-good.csv"));
        const QImage photo = TestSupport::YellowBlueHalves(QSize(2400, 800));
        QVERIFY(photo.save(m_dir.filePath(QStringLiteral("two-halves.jpg")), "JPEG", 95));
        const QString csv =
            WriteSheet(QStringLiteral("crop.csv"),
                       QStringLiteral("caption,mls,price,address,city_state_zip,description,photo1,crop1\n"
                                      "Cropped,MLS# 5001,$1,5 Elm,\"Lakeview, OR 97630\",Nice.,two-halves.jpg,"
                                      "\"1200,0,1200,800\"\n"));
        const QString out = m_dir.filePath(QStringLiteral("crop-flyers"));
        const Result r = RunCli({"batch", csv, "--theme", "Gallery - KT401", "--out", out, "--format", "png"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QImage page(QDir(out).filePath(QStringLiteral("MLS# 5001 - 5 Elm - Lakeview, OR 97630.png")));
        QCOMPARE(page.size(), QSize(2550, 3300));
        QString counts;
        QVERIFY2(TestSupport::ShowsOnlyBlueHalf(page, &counts), qPrintable(counts));
    }

    void helpPage()
    {
        const Result r = RunCli({"batch", "--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        for (const char* text : {"--jobs N", "--quality print|screen", "--rows A-B", "--skip-existing",
                                 "--report FILE.json", "parallel -S", "SLURM_ARRAY_TASK_ID"})
            QVERIFY2(r.out.contains(text), text);
    }

    void mixedSheet()
    {
        const QString csv = Prepare(QStringLiteral("listings-mixed.csv"));
        const QString out = m_dir.filePath(QStringLiteral("flyers"));
        const QString report = m_dir.filePath(QStringLiteral("mixed-report.json"));
        const Result r = RunCli(
            {"batch", csv, "--theme", "Gallery - KT401", "--out", out, "--quality", "screen", "--report", report});
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
        QVERIFY2(r.err.contains(QStringLiteral("[1/9] line 2: ") + QDir(out).filePath(elm + QStringLiteral(".pdf"))),
                 qPrintable(r.err));
        QVERIFY(
            r.err.contains(QStringLiteral("[8/9] line 11: ") + QDir(out).filePath(elm + QStringLiteral(" (2).pdf"))));
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
            const qsizetype at = r.err.indexOf(head);
            QVERIFY2(at >= 0, qPrintable(head + QLatin1Char('\n') + r.err));
            const QString line = r.err.mid(at, r.err.indexOf(QLatin1Char('\n'), at) - at);
            QVERIFY2(line.contains(QLatin1String(row.why)), qPrintable(line));
        }
        QVERIFY2(r.err.contains(
                     QStringLiteral("made 3 of 9 flyers in %1; 6 rows skipped (lines 4, 5, 6, 7, 9, 12)").arg(out)),
                 qPrintable(r.err));

        // The report: every row once, in row order, with its status, file and problems.
        const QJsonArray rows = ReadReport(report);
        QStringList seen;
        for (const QJsonValue& value : rows) {
            const QJsonObject row = value.toObject();
            seen.append(QStringLiteral("%1 %2").arg(row.value("line").toInt()).arg(row.value("status").toString()));
            QVERIFY(row.value("seconds").toDouble() >= 0);
            const QString file = row.value("file").toString();
            if (row.value("status").toString() == QLatin1String("made")) {
                QVERIFY2(QFile::exists(file), qPrintable(file));
                QVERIFY(row.value("problems").toArray().isEmpty());
            } else {
                QVERIFY(file.isEmpty());
                QCOMPARE(row.value("problems").toArray().size(), 1);
            }
        }
        QCOMPARE(seen, QStringList({"2 made", "4 failed", "5 failed", "6 failed", "7 failed", "8 made", "9 failed",
                                    "11 made", "12 failed"}));
        QCOMPARE(rows.at(7).toObject().value("file").toString(), QDir(out).filePath(elm + QStringLiteral(" (2).pdf")));
    }

    // A sheet from someone else cannot put the user's own files into its flyers: a row naming a
    // picture under ~/.ssh, or a link beside the sheet that leads there, is a bad row with the reason;
    // a valid picture too large to open is named as such, not as "not a picture".
    void photosFromElsewhereAndTooLarge()
    {
        const QString sshFolder = QDir::home().filePath(QStringLiteral(".ssh"));
        QVERIFY(QDir().mkpath(sshFolder));
        const QString secret = QDir(sshFolder).filePath(QStringLiteral("secret.jpg"));
        QImage magenta(2400, 1600, QImage::Format_RGB32);
        magenta.fill(QColor(255, 0, 255));
        QVERIFY(magenta.save(secret, "JPEG", 95));
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        Prepare(QStringLiteral("listings-good.csv"));
        const QString link = m_dir.filePath(QStringLiteral("innocent.jpg"));
        QFile::remove(link);
        QVERIFY(QFile::link(secret, link));
        QVERIFY(Fixtures::WriteFile(m_dir.filePath(QStringLiteral("huge.jpg")),
                                    Fixtures::JpegClaiming(QSize(30000, 30000))));
        const QString row = QStringLiteral("Home,MLS# %1,$1,%1 Elm Street,\"Lakeview, OR 97630\",Nice.,%2,%3\n");
        const QString csv = WriteSheet(
            QStringLiteral("elsewhere.csv"),
            QStringLiteral("caption,mls,price,address,city_state_zip,description,photo1,photo2\n") +
                row.arg(QStringLiteral("1"), QStringLiteral("House01-02.jpg"), QStringLiteral("House02-01.jpg")) +
                row.arg(QStringLiteral("2"), secret, QStringLiteral("House02-01.jpg")) +
                row.arg(QStringLiteral("3"), QStringLiteral("House01-02.jpg"), QStringLiteral("innocent.jpg")) +
                row.arg(QStringLiteral("4"), QStringLiteral("huge.jpg"), QString()));
        const QString out = m_dir.filePath(QStringLiteral("elsewhere"));
        const QString report = m_dir.filePath(QStringLiteral("elsewhere.json"));
        const Result r = RunCli({"batch", csv, "--theme", "Gallery - KT401", "--out", out, "--report", report});
        QCOMPARE(r.exitCode, 1);

        const QJsonArray rows = ReadReport(report);
        QCOMPARE(rows.size(), 4);
        const QStringList why = {
            QString(),
            QStringLiteral("photo1 \"%1\" lies outside the folders a flyer may show pictures from").arg(secret),
            QStringLiteral("photo2 \"innocent.jpg\" lies outside the folders a flyer may show pictures from"),
            QStringLiteral("photo1 \"huge.jpg\" is too large to open (30000 x 30000 pixels; at most 200 million "
                           "pixels)"),
        };
        for (int i = 0; i < 4; ++i) {
            const QJsonObject entry = rows.at(i).toObject();
            const QString problems = entry.value("problems").toArray().toVariantList().value(0).toString();
            QCOMPARE(entry.value("status").toString(), why.at(i).isEmpty() ? "made" : "failed");
            QVERIFY2(problems.contains(why.at(i)), qPrintable(problems));
        }
        const QStringList made = QDir(out).entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        const QImage page = RasterisePdf(QDir(out).filePath(made.constFirst()), m_dir.filePath(QStringLiteral("e")));
        QCOMPARE(
            TestSupport::CountPixels(page, 2, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) > 200; }),
            0);
    }

    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("reader"); // the format the file must really be in
        QTest::addColumn<QString>("quality");   // empty: the default, print

        QTest::newRow("pdf") << "pdf"
                             << "flyers-pdf" << QByteArray("pdf") << "screen";
        // The export goes by ".pdf" anywhere in the path; a folder named so must not turn PNGs into PDFs.
        QTest::newRow("png in a .pdf folder") << "png"
                                              << "old.pdf.files" << QByteArray("png") << "screen";
        QTest::newRow("jpg, any case") << "JPG"
                                       << "flyers-jpg" << QByteArray("jpeg") << "screen";
        QTest::newRow("print pdf, the default") << "pdf"
                                                << "print-pdf" << QByteArray("pdf") << "";
        QTest::newRow("print png") << "png"
                                   << "print-png" << QByteArray("png") << "print";
    }

    void formats()
    {
        QFETCH(QString, format);
        QFETCH(QString, folder);
        QFETCH(QByteArray, reader);
        QFETCH(QString, quality);
        const QString csv = Prepare(QStringLiteral("listings-good.csv"));
        const QString out = m_dir.filePath(folder);
        QStringList args = {"batch", csv, "--theme", "Simple - KT101", "--out", out, "--format", format};
        if (!quality.isEmpty())
            args << "--quality" << quality;
        const Result r = RunCli(args);
        // A photo that prints small is named, and is no error.
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(QStringLiteral("made 2 of 2 flyers")), qPrintable(r.err));
        QCOMPARE(r.err.contains(QLatin1String("line 2: photo1 prints at ")), quality != QLatin1String("screen"));
        const QStringList files = QDir(out).entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files) {
            const QString path = QDir(out).filePath(name);
            QVERIFY(name.endsWith(QLatin1Char('.') + format.toLower()));
            if (quality != QLatin1String("screen")) {
                CheckPrintPage(reader == "pdf" ? RasterisePdf(path, m_dir.filePath(QStringLiteral("page")))
                                               : QImage(path),
                               reader == "pdf" ? 2 : 3.125);
                // The vector page: its text is text, in embedded fonts.
                QVERIFY(reader != "pdf" || Bytes(path).contains("/FontFile"));
            } else if (reader == "pdf") {
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

    // --quality press makes every row's flyer for a print shop: the bleed sheet with its boxes and marks.
    void pressSheets()
    {
        const QString csv = Prepare(QStringLiteral("listings-good.csv"));
        const QString out = m_dir.filePath(QStringLiteral("press"));
        const Result r = RunCli(
            {"batch", csv, "--theme", "Simple - KT101", "--out", out, "--quality", "press", "--marks", "--jobs", "2"});
        QCOMPARE(r.exitCode, 0);
        const QStringList files = QDir(out).entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-box"), QDir(out).filePath(name)});
            QVERIFY(info.waitForFinished(60000));
            const QString boxes = QString::fromUtf8(info.readAllStandardOutput()).simplified();
            QVERIFY2(boxes.contains(QStringLiteral("TrimBox: 9.00 9.00 621.00 801.00")) &&
                         boxes.contains(QStringLiteral("BleedBox: 0.00 0.00 630.00 810.00")) &&
                         boxes.contains(QStringLiteral("MediaBox: -27.00 -27.00 657.00 837.00")),
                     qPrintable(boxes));
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
        const Result r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList(QStringLiteral("MLS# 3001 - 3 Rue Street - Lakeview, OR 97630.pdf")));
        QVERIFY2(r.err.contains(QStringLiteral("[2/2] line 3: skipped: photo intake failed: %1 is damaged or "
                                               "incomplete and cannot be used.")
                                    .arg(QDir::toNativeSeparators(cut.fileName()))),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("made 1 of 2 flyers in %1; 1 row skipped (line 3)").arg(out)),
                 qPrintable(r.err));
    }

    void notUtf8NoteComesWithARefusedSheet()
    {
        // The note explains why no header could be found in the file.
        const QString csv = m_dir.filePath(QStringLiteral("latin.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("capti\xF3n,mls,price\nA,B,C\n");
        file.close();
        const Result r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", m_dir.filePath("latin")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QLatin1String("the file is not UTF-8; it was read as Windows-1252")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QLatin1String("lacks the required column")), qPrintable(r.err));
    }

    void wholeFileRefused()
    {
        const QString csv = m_dir.filePath(QStringLiteral("no-photo-column.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("caption,mls,price,address,city_state_zip,description\nA,B,C,D,E,F\n");
        file.close();
        const QString out = m_dir.filePath(QStringLiteral("refused"));
        const Result r = RunCli({"batch", csv, "--theme", "Simple - KT101", "--out", out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QLatin1String("line 1: the header row lacks the required column photo1")),
                 qPrintable(r.err));
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
        const QStringList sheet = {"batch", "a.csv", "--theme", "Simple - KT101", "--out", "x"};
        QTest::newRow("no jobs") << sheet + QStringList{"--jobs", "0"} << 2;
        QTest::newRow("jobs in words") << sheet + QStringList{"--jobs", "two"} << 2;
        QTest::newRow("quality") << sheet + QStringList{"--quality", "best"} << 2;
        QTest::newRow("marks without press") << sheet + QStringList{"--marks"} << 2;
        QTest::newRow("rows backwards") << sheet + QStringList{"--rows", "9-3"} << 2;
        QTest::newRow("report folder missing") << sheet + QStringList{"--report", "/nonexistent/r.json"} << 1;
        QTest::newRow("missing spreadsheet")
            << QStringList{"batch", "/nonexistent/a.csv", "--theme", "Simple - KT101", "--out", "x"} << 1;
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const Result r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x"))));
    }
};

QTEST_GUILESS_MAIN(TestBatchCli)
#include "tst_batchcli.moc"
