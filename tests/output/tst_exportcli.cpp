#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "imaging/photointake.h"
#include "support/childprocess.h"

#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace OutputFixtures;

namespace {

using TestSupport::ChildRun;
using TestSupport::RunCli;

QString LastExportToPath()
{
    const ChildRun r = RunCli({QStringLiteral("settings")});
    return QJsonDocument::fromJson(r.out).object().value(QStringLiteral("LastExportToPath")).toString();
}

// pdfinfo's page lines ("Page    2 TrimBox: ..."), for pages 1 and 2, on one line each.
QString PdfBoxes(const QString& pdf)
{
    QByteArray out;
    if (RunTool(QStringLiteral("pdfinfo"),
                {QStringLiteral("-box"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                 QStringLiteral("2"), pdf},
                &out) != 0)
        return QString();
    return QString::fromUtf8(out).simplified();
}

QString PdfPageText(const QString& pdf, int page)
{
    QByteArray out;
    RunTool(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page), pdf,
             QStringLiteral("-")},
            &out);
    return QString::fromUtf8(out).simplified();
}

// A large photo as hard on a JPEG as a photo gets: every pixel its own colour.
QImage NoisyPhoto()
{
    QImage photo(3000, 2000, QImage::Format_RGB32);
    QRandomGenerator random(35);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = random.generate() | 0xFF000000u;
    }
    return photo;
}

// Black and white stripes two pixels wide: a 600 pixel copy blurs them to grey.
QImage StripedPhoto()
{
    QImage photo(2160, 1440, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = (x / 2) % 2 ? 0xFF000000u : 0xFFFFFFFFu;
    }
    return photo;
}

// A project whose main photo is photo.
QString ProjectWithPhoto(const QString& folder, const QImage& photo)
{
    QDir().mkpath(folder);
    std::array<QString, kPhotoSlots> paths;
    paths[0] = QDir(folder).filePath(QStringLiteral("chosen.jpg"));
    if (!photo.save(paths[0], "JPEG", 95) || !ProcessPhotos(folder, paths))
        return QString();
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Charming Bungalow");
    flyer.m_strPrice = QStringLiteral("$1,250,000");
    flyer.m_photos[0].m_strPath = paths[0];
    flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
    return flyer.Save().IsOk() ? flyer.m_strPathName : QString();
}

} // namespace

class TestExportCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void exportFile_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<bool>("project");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("format"); // what the file holds: its magic bytes, or empty for none

        QTest::newRow("pdf") << "flyer.pdf" << false << 0 << QByteArray("%PDF-1.3");
        QTest::newRow("png from a project") << "listing.png" << true << 0 << QByteArray("\x89PNG");
        QTest::newRow("folder named .pdf") << "old.pdf.files/flyer.jpg" << false << 0 << QByteArray("%PDF-1.3");
        QTest::newRow("unknown extension") << "flyer.xyz" << false << 1 << QByteArray("");
        QTest::newRow("missing folder") << "gone/flyer.pdf" << false << 1 << QByteArray("");
    }

    void exportFile()
    {
        QFETCH(QString, out);
        QFETCH(bool, project);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, format);

        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("old.pdf.files")));
        const QString path = m_dir.filePath(out);
        QStringList args = {QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Simple - KT101"),
                            QStringLiteral("--out"), path};
        if (project) {
            CFlyerData flyer;
            flyer.Reset();
            flyer.m_strCaption = QStringLiteral("Charming Bungalow");
            flyer.SetPathName(m_dir.filePath(QStringLiteral("Project/FlyerData.lso")));
            QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Project"))));
            QVERIFY(flyer.Save().IsOk());
            args << QStringLiteral("--project") << flyer.m_strPathName;
        }
        const ChildRun r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.isEmpty(), r.out.constData()); // not even the PDF writer's report
        if (exitCode != 0) {
            // One line that names the file.
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY2(r.err.contains(QFileInfo(path).fileName().toUtf8()), r.err.constData());
            QVERIFY(!QFile::exists(path));
            return;
        }
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(8).startsWith(format));
        file.close();
        const QImage picture = format.startsWith("%PDF") ? RasterisePdf(path, 192) : QImage(path);
        QCOMPARE(FramedSides(picture), QStringLiteral("TBLR"));
        QCOMPARE(LastExportToPath(), QFileInfo(path).absolutePath());
    }

    // A two-sided card: both sides on two pages of every PDF, each page of the press PDF with its own
    // trim and bleed.
    void twoSidedPdf_data()
    {
        QTest::addColumn<QStringList>("quality");
        QTest::addColumn<QStringList>("boxes"); // in pdfinfo's words, for each of the two pages
        QTest::addColumn<bool>("text");         // the sides' words are text (vector pages)

        QTest::newRow("picture PDF") << QStringList() << QStringList{"MediaBox: 0.00 0.00 432.00 288.00"} << false;
        QTest::newRow("print quality") << QStringList{"--quality", "print"}
                                       << QStringList{"MediaBox: 0.00 0.00 432.00 288.00"} << true;
        QTest::newRow("press") << QStringList{"--quality", "press"}
                               << QStringList{"TrimBox: 9.00 9.00 441.00 297.00", "BleedBox: 0.00 0.00 450.00 306.00"}
                               << true;
        QTest::newRow("press with marks")
            << QStringList{"--quality", "press", "--marks"}
            << QStringList{"TrimBox: 9.00 9.00 441.00 297.00", "BleedBox: 0.00 0.00 450.00 306.00",
                           "MediaBox: -27.00 -27.00 477.00 333.00"}
            << true;
    }

    void twoSidedPdf()
    {
        QFETCH(QStringList, quality);
        QFETCH(QStringList, boxes);
        QFETCH(bool, text);
        QVERIFY(WriteFormatThemes());
        const QString pdf = m_dir.filePath(QStringLiteral("card-%1.pdf").arg(QTest::currentDataTag()));
        const ChildRun r = RunCli(QStringList{QStringLiteral("export"), QStringLiteral("--theme"),
                                              QStringLiteral("Card Test"), QStringLiteral("--out"), pdf} +
                                  quality);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(QpdfCheck(pdf), 0);
        const QString info = PdfBoxes(pdf);
        QVERIFY2(info.contains(QLatin1String("Pages: 2")), qPrintable(info));
        for (const QString& box : std::as_const(boxes)) {
            for (const QString& page : {QStringLiteral("Page 1 "), QStringLiteral("Page 2 ")})
                QVERIFY2(info.contains(page + box), qPrintable(page + box + QLatin1String(" in ") + info));
        }
        if (text) {
            QVERIFY(PdfPageText(pdf, 1).contains(QLatin1String("FRONT SIDE")));
            QVERIFY(!PdfPageText(pdf, 1).contains(QLatin1String("BACK SIDE")));
            QVERIFY(PdfPageText(pdf, 2).contains(QLatin1String("BACK SIDE")));
        } else {
            // The front is blue, the back white.
            const QImage front = RasterisePdf(pdf, 72);
            QVERIFY(qBlue(front.pixel(20, 270)) > 100 && qRed(front.pixel(20, 270)) < 80);
        }
    }

    // A picture shows one side: the front by default, the back when asked; a one-page theme has none.
    void pictureOfASide_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("blue"); // the front's background at the bottom left

        QTest::newRow("front") << "Card Test" << QStringList() << 0 << true;
        QTest::newRow("back") << "Card Test" << QStringList{"--side", "back"} << 0 << false;
        QTest::newRow("back at print quality")
            << "Card Test" << QStringList{"--side", "back", "--quality", "print"} << 0 << false;
        QTest::newRow("no back") << "Simple - KT101" << QStringList{"--side", "back"} << 2 << false;
        QTest::newRow("no such side") << "Card Test" << QStringList{"--side", "left"} << 2 << false;
    }

    void pictureOfASide()
    {
        QFETCH(QString, theme);
        QFETCH(QStringList, extra);
        QFETCH(int, exitCode);
        QFETCH(bool, blue);
        QVERIFY(WriteFormatThemes());
        const QString png = m_dir.filePath(QStringLiteral("side-%1.png").arg(QTest::currentDataTag()));
        const ChildRun r = RunCli(
            QStringList{QStringLiteral("render"), QStringLiteral("--theme"), theme, QStringLiteral("--out"), png} +
            extra);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        if (exitCode != 0) {
            QVERIFY(!QFile::exists(png));
            return;
        }
        const QImage picture(png);
        const bool print = extra.contains(QLatin1String("print"));
        QCOMPARE(picture.size(), print ? QSize(1800, 1200) : QSize(576, 384));
        const QRgb corner = picture.pixel(10, picture.height() - 10);
        QCOMPARE(qBlue(corner) > 100 && qRed(corner) < 80, blue);
    }

    // Social pictures: the page's own pixels, tagged sRGB, a JPEG within 1 MB even of a noisy photo.
    // A PDF is made only when asked for by name (the Export dialog offers none).
    void socialPicture_data()
    {
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("jpeg") << "square.jpg" << QStringList() << 0;
        QTest::newRow("png") << "square.png" << QStringList() << 0;
        QTest::newRow("pdf asked for by name") << "square.pdf" << QStringList() << 0;
    }

    void socialPicture()
    {
        QFETCH(QString, out);
        QFETCH(QStringList, extra);
        QFETCH(int, exitCode);
        QVERIFY(WriteFormatThemes());
        const QString project = ProjectWithPhoto(m_dir.filePath(QStringLiteral("Noisy")), NoisyPhoto());
        QVERIFY(!project.isEmpty());
        const QString path = m_dir.filePath(out);
        const ChildRun r =
            RunCli(QStringList{QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Square Test"),
                               QStringLiteral("--project"), project, QStringLiteral("--out"), path} +
                   extra);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        if (exitCode != 0) {
            QVERIFY2(r.err.contains("social media"), r.err.constData());
            QVERIFY(!QFile::exists(path));
            return;
        }
        if (out.endsWith(QLatin1String(".pdf"))) {
            QFile pdf(path);
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
            return;
        }
        const QImage picture(path);
        QCOMPARE(picture.size(), QSize(1080, 1080));
        QCOMPARE(picture.colorSpace().primaries(), QColorSpace::Primaries::SRgb);
        QCOMPARE(picture.colorSpace().transferFunction(), QColorSpace::TransferFunction::SRgb);
        if (out.endsWith(QLatin1String(".jpg")))
            QVERIFY2(QFileInfo(path).size() <= 1000 * 1000, qPrintable(QString::number(QFileInfo(path).size())));
        // No frame: the photo reaches the very corner.
        const QColor corner = picture.pixelColor(0, 0);
        QVERIFY(corner.red() > 20 || corner.green() > 20 || corner.blue() > 20);
    }

    // A 1080 pixel frame is filled from the original, not from the 600 pixel screen copy blown up:
    // stripes two pixels wide still alternate in the picture.
    void socialPhotoIsSharp()
    {
        QVERIFY(WriteFormatThemes());
        const QString project = ProjectWithPhoto(m_dir.filePath(QStringLiteral("Striped")), StripedPhoto());
        QVERIFY(!project.isEmpty());
        const QString png = m_dir.filePath(QStringLiteral("striped.png"));
        const ChildRun r = RunCli({QStringLiteral("render"), QStringLiteral("--theme"), QStringLiteral("Square Test"),
                                   QStringLiteral("--project"), project, QStringLiteral("--out"), png});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QImage picture = QImage(png).convertToFormat(QImage::Format_Grayscale8);
        QCOMPARE(picture.size(), QSize(1080, 1080));
        // The mean step from one pixel to the next across the middle of the photo.
        double steps = 0;
        int count = 0;
        for (int y = 300; y < 400; ++y) {
            const uchar* line = picture.constScanLine(y);
            for (int x = 300; x < 780; ++x, ++count)
                steps += std::abs(int(line[x + 1]) - int(line[x]));
        }
        QVERIFY2(steps / count > 60, qPrintable(QString::number(steps / count)));
    }

    // A batch of a two-sided theme makes two-page PDFs, the picture PDF as the print-quality one.
    void batchOfATwoSidedTheme_data()
    {
        QTest::addColumn<QString>("quality");
        QTest::newRow("screen") << "screen";
        QTest::newRow("press") << "press";
    }

    void batchOfATwoSidedTheme()
    {
        QFETCH(QString, quality);
        QVERIFY(WriteFormatThemes());
        const QString photo = qEnvironmentVariable("LISTORA_DATA_DIR") + QStringLiteral("/Samples/House01-02.jpg");
        QVERIFY(QFileInfo::exists(photo));
        const QString sheet = m_dir.filePath(QStringLiteral("cards.csv"));
        QFile csv(sheet);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("caption,mls,price,address,city_state_zip,description,feature1,feature2,feature3,feature4,"
                  "photo1,photo2,photo3,photo4\nNice,ML1,$500000,1 Main St,Town,Desc,a,b,c,d," +
                  photo.toUtf8() + ",,,\n");
        csv.close();
        const QString out = m_dir.filePath(QStringLiteral("cards-") + quality);
        QVERIFY(QDir().mkpath(out));
        const ChildRun r =
            RunCli({QStringLiteral("batch"), sheet, QStringLiteral("--theme"), QStringLiteral("Card Test"),
                    QStringLiteral("--out"), out, QStringLiteral("--format"), QStringLiteral("pdf"),
                    QStringLiteral("--quality"), quality});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QStringList made = QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(made.size(), 1);
        const QString info = PdfBoxes(QDir(out).filePath(made.constFirst()));
        QVERIFY2(info.contains(QLatin1String("Pages: 2")), qPrintable(info));
    }

    void usage()
    {
        const ChildRun r =
            RunCli({QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Simple - KT101")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("--out"));
    }
};

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
