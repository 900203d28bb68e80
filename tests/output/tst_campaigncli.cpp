#include "campaignfixture.h"
#include "outputfixtures.h"

#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::ChildRun;
using TestSupport::RunCli;

namespace {

struct PdfBoxes
{
    int pages = 0;
    QList<QRectF> trim; // per page asked for
    QList<QRectF> bleed;
};

PdfBoxes ReadBoxes(const QString& pdf)
{
    PdfBoxes boxes;
    QByteArray out;
    if (OutputFixtures::RunTool(QStringLiteral("pdfinfo"),
                                {QStringLiteral("-box"), QStringLiteral("-f"), QStringLiteral("1"),
                                 QStringLiteral("-l"), QStringLiteral("2"), pdf},
                                &out) != 0)
        return boxes;
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    static const QRegularExpression box(
        QStringLiteral("^Page\\s+\\d+\\s+(TrimBox|BleedBox):\\s+([\\d.]+)\\s+([\\d.]+)\\s+([\\d.]+)\\s+([\\d.]+)"),
        QRegularExpression::MultilineOption);
    const QString text = QString::fromUtf8(out);
    boxes.pages = pages.match(text).captured(1).toInt();
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QRectF rect(QPointF(m.captured(2).toDouble(), m.captured(3).toDouble()),
                          QPointF(m.captured(4).toDouble(), m.captured(5).toDouble()));
        (m.captured(1) == QLatin1String("TrimBox") ? boxes.trim : boxes.bleed).append(rect);
    }
    return boxes;
}

ChildRun Campaign(const QStringList& extra)
{
    return RunCli(QStringList{QStringLiteral("campaign")} + extra);
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestCampaignCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void wholeSetIsNamedAndListed();
    void socialPictures_data();
    void socialPictures();
    void pdfPages_data();
    void pdfPages();
    void postcardBacks_data();
    void postcardBacks();
    void formatsPickSome();
    void failedFileIsNamedOthersMade_data();
    void failedFileIsNamedOthersMade();
    void badInputIsUsage_data();
    void badInputIsUsage();
    void batchMakesAFolderPerRow();

private:
    QTemporaryDir m_dir;
    QString m_strProject;
    QString m_strOut; // the whole set, made once
    ChildRun m_run;
};

void TestCampaignCli::initTestCase()
{
    QString error;
    QVERIFY2(CampaignFixture::MakeFamily(QStringLiteral("Testfamily"), {}, &error), qPrintable(error));
    QVERIFY2(CampaignFixture::MakeFamily(QStringLiteral("Shortfamily"),
                                         {QStringLiteral("Letter"), QStringLiteral("Square")}, &error),
             qPrintable(error));
    m_strProject =
        CampaignFixture::MakeProject(m_dir.filePath(QStringLiteral("project")),
                                     CampaignFixture::ThemeName(QStringLiteral("Testfamily"), "Letter"), &error);
    QVERIFY2(!m_strProject.isEmpty(), qPrintable(error));
    m_strOut = m_dir.filePath(QStringLiteral("whole set"));
    // The family of the project's theme, every format.
    m_run = Campaign({QStringLiteral("--project"), m_strProject, QStringLiteral("--out"), m_strOut});
}

void TestCampaignCli::wholeSetIsNamedAndListed()
{
    QVERIFY2(m_run.exitCode == 0, m_run.err.constData());
    QStringList expected = CampaignFixture::CampaignFiles();
    QStringList lines;
    for (const QString& name : std::as_const(expected))
        lines.append(QStringLiteral("made ") + QDir(m_strOut).filePath(name));
    QCOMPARE(m_run.Out().trimmed().split(QLatin1Char('\n')), lines);
    expected.sort();
    QCOMPARE(FilesIn(m_strOut), expected);
}

void TestCampaignCli::socialPictures_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QSize>("size");
    QTest::newRow("square") << QStringLiteral(" - Square.jpg") << QSize(1080, 1080);
    QTest::newRow("story") << QStringLiteral(" - Story.jpg") << QSize(1080, 1920);
    QTest::newRow("link") << QStringLiteral(" - Link.jpg") << QSize(1200, 630);
}

// Exact pixels, sRGB and small enough for every feed.
void TestCampaignCli::socialPictures()
{
    QFETCH(QString, ending);
    QFETCH(QSize, size);
    const QString path = QDir(m_strOut).filePath(CampaignFixture::kBase + ending);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage picture = reader.read();
    QCOMPARE(picture.size(), size);
    QVERIFY2(QFileInfo(path).size() <= 1024 * 1024, qPrintable(QString::number(QFileInfo(path).size())));
    QCOMPARE(picture.colorSpace(), QColorSpace(QColorSpace::SRgb));
}

void TestCampaignCli::pdfPages_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSizeF>("trim");
    QTest::addColumn<double>("bleed");
    QTest::newRow("flyer") << QStringLiteral(" - Flyer.pdf") << 1 << QSizeF(612, 792) << 0.0;
    QTest::newRow("press flyer") << QStringLiteral(" - Flyer (press).pdf") << 1 << QSizeF(612, 792) << 9.0;
    QTest::newRow("postcard 6x4") << QStringLiteral(" - Postcard 6x4.pdf") << 2 << QSizeF(432, 288) << 9.0;
    QTest::newRow("postcard 9x6") << QStringLiteral(" - Postcard 9x6.pdf") << 2 << QSizeF(648, 432) << 9.0;
}

// pdfinfo gives the trim box as the media box where none is set.
void TestCampaignCli::pdfPages()
{
    QFETCH(QString, ending);
    QFETCH(int, pages);
    QFETCH(QSizeF, trim);
    QFETCH(double, bleed);
    const QString path = QDir(m_strOut).filePath(CampaignFixture::kBase + ending);
    QCOMPARE(OutputFixtures::QpdfCheck(path), 0);
    const PdfBoxes boxes = ReadBoxes(path);
    QCOMPARE(boxes.pages, pages);
    QCOMPARE(boxes.trim.size(), pages);
    for (int page = 0; page < pages; ++page) {
        const QRectF trimBox = boxes.trim.at(page);
        QCOMPARE(trimBox.size(), trim);
        QCOMPARE(boxes.bleed.at(page), trimBox.adjusted(-bleed, -bleed, bleed, bleed));
    }
}

void TestCampaignCli::postcardBacks_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("6x4") << QStringLiteral(" - Postcard 6x4.pdf");
    QTest::newRow("9x6") << QStringLiteral(" - Postcard 9x6.pdf");
}

// The back carries the listing's code, readable at print resolution, and the card its price.
void TestCampaignCli::postcardBacks()
{
    QFETCH(QString, ending);
    const QString path = QDir(m_strOut).filePath(CampaignFixture::kBase + ending);
    QTemporaryDir dir;
    const QString back = dir.filePath(QStringLiteral("back"));
    QCOMPARE(OutputFixtures::RunTool(QStringLiteral("pdftoppm"),
                                     {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"),
                                      QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
                                      QStringLiteral("-singlefile"), QStringLiteral("-png"), path, back}),
             0);
    // The code alone: zbarimg's complaints about a missing system bus go to standard error.
    const TestSupport::ChildRun read = TestSupport::RunChild(
        QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), back + QStringLiteral(".png")});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    QCOMPARE(QString::fromUtf8(read.out).trimmed(), CampaignFixture::kUrl);
    QByteArray text;
    QCOMPARE(OutputFixtures::RunTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}, &text), 0);
    QVERIFY2(QString::fromUtf8(text).contains(CampaignFixture::kPrice), text.constData());
}

void TestCampaignCli::formatsPickSome()
{
    // ".pdf" in a folder's name makes Export write a PDF; the campaign's pictures stay pictures.
    const QString out = m_dir.filePath(QStringLiteral("old.pdf.files"));
    const ChildRun run = Campaign({QStringLiteral("--project"), m_strProject, QStringLiteral("--out"), out,
                                   QStringLiteral("--formats"), QStringLiteral(" Link,flyer ,link")});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    // In the order given, each once.
    const QString link = CampaignFixture::kBase + QStringLiteral(" - Link.jpg");
    const QString flyer = CampaignFixture::kBase + QStringLiteral(" - Flyer.pdf");
    QCOMPARE(run.Out().trimmed().split(QLatin1Char('\n')),
             QStringList({QStringLiteral("made ") + QDir(out).filePath(link),
                          QStringLiteral("made ") + QDir(out).filePath(flyer)}));
    QCOMPARE(FilesIn(out), QStringList({flyer, link}));
    QCOMPARE(QImageReader(QDir(out).filePath(link)).format(), QByteArray("jpeg"));
}

void TestCampaignCli::failedFileIsNamedOthersMade_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("blockSquare");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("format missing in the family")
        << QStringLiteral("shortfamily") << false << QStringLiteral(" - Link.jpg")
        << QStringLiteral("the family \"Shortfamily\" has no link theme");
    QTest::newRow("file cannot be written")
        << QStringLiteral("Testfamily") << true << QStringLiteral(" - Square.jpg") << QString();
}

void TestCampaignCli::failedFileIsNamedOthersMade()
{
    QFETCH(QString, family);
    QFETCH(bool, blockSquare);
    QFETCH(QString, failed);
    QFETCH(QString, reason);
    QTemporaryDir out;
    const QString square = CampaignFixture::kBase + QStringLiteral(" - Square.jpg");
    // A folder where the picture should go: no file can take its place.
    if (blockSquare)
        QVERIFY(QDir(out.path()).mkdir(square));
    const ChildRun run = Campaign({QStringLiteral("--project"), m_strProject, QStringLiteral("--out"), out.path(),
                                   QStringLiteral("--family"), family, QStringLiteral("--formats"),
                                   QStringLiteral("flyer,square,link")});
    QCOMPARE(run.exitCode, 1);
    const QString failedPath = QDir(out.path()).filePath(CampaignFixture::kBase + failed);
    QVERIFY2(run.Out().contains(QStringLiteral("failed ") + failedPath), run.out.constData());
    QVERIFY2(run.Err().contains(failedPath), run.err.constData());
    QVERIFY2(run.Err().contains(reason), run.err.constData());
    QVERIFY2(run.Out().count(QStringLiteral("made ")) == 2, QByteArray(run.out + run.err).constData());
    for (const char* made : {" - Flyer.pdf", " - Square.jpg", " - Link.jpg"}) {
        const QString path = QDir(out.path()).filePath(CampaignFixture::kBase + QString::fromLatin1(made));
        if (path != failedPath)
            QVERIFY2(QFileInfo(path).isFile() && QFileInfo(path).size() > 0, qPrintable(path));
    }
    // Nothing half-written beside them.
    for (const QString& name : FilesIn(out.path()))
        QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
}

void TestCampaignCli::badInputIsUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown format") << QStringList{QStringLiteral("--formats"), QStringLiteral("flyer,poster")}
                                    << QStringLiteral("\"poster\" is not a campaign format");
    QTest::newRow("no format") << QStringList{QStringLiteral("--formats"), QStringLiteral(" , ")}
                               << QStringLiteral("no campaign format given");
    QTest::newRow("unknown family") << QStringList{QStringLiteral("--family"), QStringLiteral("Nosuch")}
                                    << QStringLiteral("no theme belongs to the family \"Nosuch\"");
    QTest::newRow("family twice") << QStringList{QStringLiteral("--family"), QStringLiteral("Testfamily"),
                                                 QStringLiteral("--family"), QStringLiteral("Testfamily")}
                                  << QStringLiteral("--family given more than once");
    QTest::newRow("stray argument") << QStringList{QStringLiteral("extra")}
                                    << QStringLiteral("campaign takes no argument extra");
}

void TestCampaignCli::badInputIsUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("set"));
    const ChildRun run =
        Campaign(QStringList{QStringLiteral("--project"), m_strProject, QStringLiteral("--out"), folder} + args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.Err().contains(message), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFileInfo::exists(folder));
    // Without the project or the folder.
    QCOMPARE(Campaign({QStringLiteral("--out"), folder}).exitCode, 2);
    QCOMPARE(Campaign({QStringLiteral("--project"), m_strProject}).exitCode, 2);
}

// Rows of one listing twice and a bad row: two numbered folders with the row's set, the bad row named.
void TestCampaignCli::batchMakesAFolderPerRow()
{
    const QString samples = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Samples/");
    const QString row =
        QStringLiteral("Sunny home,ML7,\"$500,000\",3 Oak Lane,\"Dayton, OH 45402\",Bright.,3 Beds,2 Baths,"
                       "Garage,Garden,%1House01-02.jpg,%1House02-01.jpg,,,https://homes.example/7\n")
            .arg(samples);
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("sheet.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,"
               "photo1,photo2,photo3,photo4,url\n");
    file.write(row.toUtf8());
    file.write("Bad row,ML8,$1,4 Oak Lane,\"Dayton, OH\",x,a,b,c,d,/nowhere/missing.jpg,,,,\n");
    file.write(row.toUtf8());
    file.close();
    const QString out = dir.filePath(QStringLiteral("out"));
    const QStringList args = {QStringLiteral("batch"),
                              csv,
                              QStringLiteral("--theme"),
                              CampaignFixture::ThemeName(QStringLiteral("Testfamily"), "Letter"),
                              QStringLiteral("--out"),
                              out,
                              QStringLiteral("--campaign"),
                              QStringLiteral("--formats"),
                              QStringLiteral("flyer,postcard-6x4,square"),
                              QStringLiteral("--jobs"),
                              QStringLiteral("2")};
    const ChildRun run = RunCli(args);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.Err().contains(QStringLiteral("line 3: skipped")), run.err.constData());
    const QString base = QStringLiteral("ML7 - 3 Oak Lane - Dayton, OH 45402");
    QCOMPARE(FilesIn(out), QStringList({base, base + QStringLiteral(" (2)")}));
    for (const QString& folder : FilesIn(out))
        QCOMPARE(FilesIn(QDir(out).filePath(folder)),
                 QStringList({base + QStringLiteral(" - Flyer.pdf"), base + QStringLiteral(" - Postcard 6x4.pdf"),
                              base + QStringLiteral(" - Square.jpg")}));
    // A resumed run finds both sets whole.
    const ChildRun again = RunCli(args + QStringList{QStringLiteral("--skip-existing")});
    QVERIFY2(again.Err().contains(QStringLiteral("2 were there already")), again.err.constData());
    // A campaign names its own formats.
    QCOMPARE(RunCli(args + QStringList{QStringLiteral("--format"), QStringLiteral("png")}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestCampaignCli)
#include "tst_campaigncli.moc"
