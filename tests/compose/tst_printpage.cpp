#include "../imaging/fixtures.h"
#include "support/flyerrequests.h"
#include "../output/outputfixtures.h"
#include "support/loopbackhttpserver.h"
#include "settings/workingfolders.h"
#include "compose/printphotos.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "imaging/photointake.h"
#include "output/flyerexport.h"
#include "compose/pressbox.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"
#include "support/pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using OutputFixtures::QpdfCheck;
using OutputFixtures::RunTool;
using TestSupport::LoopbackHttpServer;

namespace {

const QString kGallery = QStringLiteral("Gallery - KT401");

QString GalleryTemplate(const CAppSettings& settings)
{
    QString text;
    LoadTemplate(QDir(settings.Path2Themes).filePath(QStringLiteral("Gallery-KT401/index.htm")), text);
    return text;
}

// A project whose four photos come from originals of the given sizes, made by the photo intake.
CFlyerData MakeProject(const QString& folder, const QList<QSize>& originals)
{
    QDir().mkpath(folder);
    std::array<QString, kPhotoSlots> paths;
    for (int i = 0; i < originals.size(); ++i) {
        const QString source = QDir(folder).filePath(QStringLiteral("chosen%1.jpg").arg(i + 1));
        Fixtures::PhotoLike(originals[i].width(), originals[i].height()).save(source, "JPEG", 90);
        paths[size_t(i)] = source;
    }
    ProcessPhotos(folder, paths);
    for (int i = 0; i < originals.size(); ++i)
        QFile::remove(QDir(folder).filePath(QStringLiteral("chosen%1.jpg").arg(i + 1)));
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strCaption = QStringLiteral("Charming Bungalow");
    flyer.m_strMLS = QStringLiteral("MLS# 4455");
    flyer.m_strPrice = QStringLiteral("Offered at $450,000");
    flyer.m_strAddress = QStringLiteral("12 Oak Lane");
    flyer.m_strCityStateZip = QStringLiteral("Springfield, OR 97477");
    flyer.m_strDescription = QStringLiteral("Bright rooms and a deep garden.");
    for (int i = 0; i < kPhotoSlots; ++i)
        flyer.m_photos[size_t(i)].m_strPath = paths[size_t(i)];
    flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
    return flyer;
}

QString Tool(const QString& program, const QStringList& arguments)
{
    QByteArray output;
    RunTool(program, arguments, &output);
    return QString::fromUtf8(output);
}

// Rows of pdfimages -list for the pictures at least minWidth pixels wide: width, x-ppi, y-ppi.
struct ImageRow
{
    int width = 0;
    int xppi = 0;
    int yppi = 0;
    QString encoding;
};
QList<ImageRow> PdfImages(const QString& pdf, int minWidth)
{
    QList<ImageRow> rows;
    const QStringList lines = Tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n');
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(' ');
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        if (f.size() < 14 || f[2] != QLatin1String("image") || f[3].toInt() < minWidth)
            continue;
        rows.append({f[3].toInt(), f[12].toInt(), f[13].toInt(), f[8]});
    }
    return rows;
}

using TestSupport::GradientEnergy;
using TestSupport::Psnr;

bool WritePdf(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The boxes pdfinfo reads from the first page, by name ("TrimBox" ...): x0, y0, x1, y1 in points.
QHash<QString, QRectF> PdfBoxes(const QString& pdf)
{
    QHash<QString, QRectF> boxes;
    const QStringList lines = Tool(QStringLiteral("pdfinfo"), {QStringLiteral("-box"), pdf}).split('\n');
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() == 5 && f[0].endsWith(QLatin1String("Box:")))
            boxes.insert(f[0].chopped(1),
                         QRectF(QPointF(f[1].toDouble(), f[2].toDouble()), QPointF(f[3].toDouble(), f[4].toDouble())));
    }
    return boxes;
}

// Whether every font of the PDF is embedded, as pdffonts lists them (at least one).
bool AllFontsEmbedded(const QString& pdf)
{
    const QStringList lines = Tool(QStringLiteral("pdffonts"), {pdf}).split('\n');
    int fonts = 0;
    for (const QString& line : lines.mid(2)) {
        // name type encoding emb sub uni object ID: read from the right, names and types have spaces
        const QStringList f = line.simplified().split(' ');
        if (f.size() < 7)
            continue;
        ++fonts;
        if (f[f.size() - 5] != QLatin1String("yes"))
            return false;
    }
    return fonts > 0;
}

int Whiteness(QRgb pixel)
{
    return qMax(qMax(255 - qRed(pixel), 255 - qGreen(pixel)), 255 - qBlue(pixel));
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestPrintPage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CAppSettings m_settings;
    CXHTML2Image m_renderer;

    CXFlyerSource Source(const CFlyerData& flyer, bool projectMode = true,
                         const QString& folder = QStringLiteral("Gallery-KT401"), const QString& name = kGallery)
    {
        CXFlyerSource source;
        source.request.look.templatePath = QDir(m_settings.Path2Themes).filePath(folder + QStringLiteral("/index.htm"));
        LoadTemplate(source.request.look.templatePath, source.templateText);
        source.request.look.themeName = name;
        source.request.mode = projectMode ? FlyerMode::Project : FlyerMode::Preview;
        source.request.record = flyer;
        source.settings = &m_settings;
        source.request.look.font = QStringLiteral("Tahoma");
        source.request.look.color = 0x00B16300;
        return source;
    }

private Q_SLOTS:
    void initTestCase()
    {
        WorkingFolders::InitAppSettings(m_settings);
        m_settings.FullName = QStringLiteral("Jordan Avery");
        QVERIFY(!GalleryTemplate(m_settings).isEmpty());
        QString error;
        QVERIFY2(m_renderer.WarmUp(&error), qPrintable(error));
    }

    void plan_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSizeF>("box"); // CSS pixels
        QTest::addColumn<QString>("fit");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<double>("ppi");
        QTest::addColumn<bool>("reduced");

        // Gallery's main box (752 x 380): a 4000 x 3000 original is cut to the box's shape.
        QTest::newRow("cover, wide box") << QSize(4000, 3000) << QSizeF(752, 380) << "cover"
                                         << QRect(0, 489, 4000, 2021) << 510.6 << true;
        QTest::newRow("cover, small original")
            << QSize(900, 600) << QSizeF(752, 380) << "cover" << QRect(0, 72, 900, 455) << 114.9 << false;
        QTest::newRow("contain keeps the whole")
            << QSize(3000, 2000) << QSizeF(480, 480) << "contain" << QRect(0, 0, 3000, 2000) << 600.0 << true;
        QTest::newRow("fill, stretched axis")
            << QSize(1000, 1000) << QSizeF(480, 240) << "fill" << QRect(0, 0, 1000, 1000) << 200.0 << false;
    }

    // The part of the original the page shows, its resolution there, and a copy never enlarged nor
    // finer than 300 ppi.
    void plan()
    {
        QFETCH(QSize, source);
        QFETCH(QSizeF, box);
        QFETCH(QString, fit);
        QFETCH(QRect, crop);
        QFETCH(double, ppi);
        QFETCH(bool, reduced);

        const CXPrintCopyPlan plan = PlanPrintCopy(source, box, fit);
        QCOMPARE(plan.crop, crop);
        QVERIFY2(std::abs(plan.ppi - ppi) < 0.1, qPrintable(QString::number(plan.ppi)));
        QCOMPARE(plan.size.width() < crop.width(), reduced);
        QVERIFY(plan.size.width() <= crop.width() && plan.size.height() <= crop.height());
        const double copyPpi = plan.size.width() / ((box.width() - 1) / 96.0);
        QVERIFY2(copyPpi <= 300.0, qPrintable(QString::number(copyPpi)));
        if (reduced)
            QVERIFY2(copyPpi >= 295.0, qPrintable(QString::number(copyPpi)));
        QCOMPARE(PlanPrintCopy(source, box, fit).size, plan.size);
    }

    // The vector page: one Letter page, every font embedded, the listing as text, each photo
    // from its print copy at 280 to 300 ppi, a clean file; copies in the cache, not the project.
    void vectorPage()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Large"));
        const CFlyerData flyer = MakeProject(folder, {{3000, 2000}, {3000, 2000}, {3000, 2000}, {3000, 2000}});
        const QStringList projectFiles = FilesIn(folder);

        CXPrintPage page;
        QString error;
        QVERIFY2(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page, &error), qPrintable(error));
        const QString pdf = m_dir.filePath(QStringLiteral("large.pdf"));
        QVERIFY(WritePdf(page.pdf, pdf));

        QCOMPARE(QpdfCheck(pdf), 0);
        const QString info = Tool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("612 x 792 pts")), qPrintable(info));

        const QStringList fonts = Tool(QStringLiteral("pdffonts"), {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts) {
            const QStringList f = font.simplified().split(' ');
            QVERIFY2(f.size() >= 5 && f[f.size() - 5] == QLatin1String("yes"), qPrintable(font)); // emb
        }
        const QString text = Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (const QString& expected : {QStringLiteral("CHARMING BUNGALOW"), QStringLiteral("Offered at $450,000"),
                                        QStringLiteral("12 Oak Lane"), QStringLiteral("Jordan Avery")})
            QVERIFY2(text.contains(expected, Qt::CaseInsensitive), qPrintable(expected + " in\n" + text));

        const QList<ImageRow> photos = PdfImages(pdf, 700);
        QCOMPARE(photos.size(), 4);
        for (const ImageRow& photo : photos) {
            QVERIFY2(photo.xppi >= 280 && photo.xppi <= 300 && photo.yppi >= 280 && photo.yppi <= 300,
                     qPrintable(QStringLiteral("%1 x %2 ppi").arg(photo.xppi).arg(photo.yppi)));
            QCOMPARE(photo.encoding, QStringLiteral("jpeg")); // embedded as it is, not re-encoded
        }

        QCOMPARE(page.preflight.size(), 4);
        for (const CXPreflightEntry& entry : std::as_const(page.preflight))
            QVERIFY(entry.ok);
        QCOMPARE(FilesIn(folder), projectFiles);
        QVERIFY(!FilesIn(PrintCopyFolder()).isEmpty());
    }

    // Laid out like the screen flyer, and sharper: at 96 dpi the page matches the screen render;
    // at 300 dpi its text has at least twice the edge energy of the picture PDF.
    void looksLikeScreen()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Screen"));
        const CFlyerData flyer = MakeProject(folder, {{3000, 2000}, {3000, 2000}, {3000, 2000}, {3000, 2000}});
        CXPrintPage page;
        QString error;
        QVERIFY2(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page, &error), qPrintable(error));

        const CFlyerPage screenPage =
            ComposeFlyerPage(GalleryTemplate(m_settings),
                             TestSupport::Request(flyer, true, QString(),
                                                  FlyerLook{kGallery, QString(), QStringLiteral("Tahoma"), 0x00B16300}),
                             m_settings);
        QImage screen;
        QVERIFY2(m_renderer.Render(screenPage.page, 816, 1056, screen, &error), qPrintable(error));

        // Drawn finely and averaged down, as the screen's own anti-aliasing does.
        const QImage printed =
            RasterisePrintPage(page.pdf, 288.0).scaled(816, 1056, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(printed.size(), QSize(816, 1056));
        const double psnr = Psnr(screen, printed);
        qInfo("print page at 96 dpi against the screen render: %.2f dB", psnr);
        QVERIFY2(psnr >= 25.0, qPrintable(QString::number(psnr)));

        const QString picturePdf = m_dir.filePath(QStringLiteral("picture.pdf"));
        QVERIFY2(ExportFlyerFile(screen, picturePdf, m_settings.Path2TempFolder, flyer.m_strId, &error),
                 qPrintable(error));
        const QString vectorPdf = m_dir.filePath(QStringLiteral("vector.pdf"));
        QVERIFY(WritePdf(page.pdf, vectorPdf));
        QCOMPARE(RasterisePrintPage(page.pdf, 300.0).size(), QSize(kPrintPictureWidth, kPrintPictureHeight));
        const QImage softer = OutputFixtures::RasterisePdf(picturePdf, 300);
        const QImage sharper = OutputFixtures::RasterisePdf(vectorPdf, 300);
        QCOMPARE(sharper.size(), softer.size());
        // The price line and the description of the theme (CSS pixels 32-784 across, 692-876 down).
        const QRect text(100, 2163, 2350, 575);
        const double ratio = GradientEnergy(sharper.copy(text)) / GradientEnergy(softer.copy(text));
        qInfo("text edge energy, vector page against picture PDF: %.2f", ratio);
        QVERIFY2(ratio >= 2.0, qPrintable(QString::number(ratio)));
    }

    void pressPage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("Gallery") << "Gallery-KT401" << kGallery;
        QTest::newRow("Bold Banner, a photo across the top") << "BoldBanner-KT104"
                                                             << "Bold Banner - KT104";
    }

    // The press page: the print page's trim on a sheet 9 pt larger on every side, whatever touches the
    // trim continued into the bleed, crop marks only outside the bleed; a clean file, fonts embedded.
    void pressPage()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        const CFlyerData flyer = MakeProject(m_dir.filePath(QStringLiteral("Press-") + folder),
                                             {{3000, 2000}, {3000, 2000}, {3000, 2000}, {3000, 2000}});
        const CXFlyerSource source = Source(flyer, true, folder, name);
        QHash<PrintPageWork, QString> files;
        for (const PrintPageWork work : {PrintPageWork::Pdf, PrintPageWork::Press, PrintPageWork::PressWithMarks}) {
            CXPrintPage page;
            QString error;
            QVERIFY2(MakePrintPage(m_renderer, source, work, page, &error), qPrintable(error));
            files[work] = m_dir.filePath(QStringLiteral("%1-%2.pdf").arg(folder).arg(int(work)));
            QVERIFY(WritePdf(page.pdf, files[work]));
            QCOMPARE(QpdfCheck(files[work]), 0);
            QVERIFY(AllFontsEmbedded(files[work]));
        }

        const QRectF trim(9, 9, 612, 792), bleed(0, 0, 630, 810);
        QHash<QString, QRectF> boxes = PdfBoxes(files[PrintPageWork::Press]);
        QCOMPARE(boxes.value(QStringLiteral("TrimBox")), trim);
        QCOMPARE(boxes.value(QStringLiteral("BleedBox")), bleed);
        QCOMPARE(boxes.value(QStringLiteral("MediaBox")), bleed);
        boxes = PdfBoxes(files[PrintPageWork::PressWithMarks]);
        QCOMPARE(boxes.value(QStringLiteral("TrimBox")), trim);
        QCOMPARE(boxes.value(QStringLiteral("BleedBox")), bleed);
        const QRectF media = boxes.value(QStringLiteral("MediaBox"));
        QVERIFY2(
            media.contains(bleed.adjusted(-18, -18, 18, 18)),
            qPrintable(
                QStringLiteral("%1 %2 %3 %4").arg(media.x()).arg(media.y()).arg(media.width()).arg(media.height())));

        // At 72 dpi a pixel is a point: the trim of the press sheet is the print page.
        const QImage print = OutputFixtures::RasterisePdf(files[PrintPageWork::Pdf], 72);
        const QImage sheet = OutputFixtures::RasterisePdf(files[PrintPageWork::Press], 72);
        const QImage marked = OutputFixtures::RasterisePdf(files[PrintPageWork::PressWithMarks], 72);
        QCOMPARE(print.size(), QSize(612, 792));
        QCOMPARE(sheet.size(), QSize(630, 810));
        const double psnr = Psnr(sheet.copy(9, 9, 612, 792), print);
        qInfo("%s: press trim against the print page: %.2f dB", qPrintable(name), psnr);
        QVERIFY2(psnr >= 30.0, qPrintable(QString::number(psnr)));

        // No white seam: a coloured pixel on the trim's edge has colour beyond it, to the sheet's edge.
        int coloured = 0;
        const auto seam = [&](QPoint inside, QPoint outward) {
            if (Whiteness(sheet.pixel(inside)) <= 30)
                return QString();
            ++coloured;
            for (int step = 2; step <= 9; ++step) {
                const QPoint out = inside + outward * step;
                if (Whiteness(sheet.pixel(out)) < 12)
                    return QStringLiteral("white at %1,%2 beyond %3,%4")
                        .arg(out.x())
                        .arg(out.y())
                        .arg(inside.x())
                        .arg(inside.y());
            }
            return QString();
        };
        for (int x = 12; x < 618; x += 3) {
            for (const QString& fault : {seam({x, 9}, {0, -1}), seam({x, 800}, {0, 1})})
                QVERIFY2(fault.isEmpty(), qPrintable(fault));
        }
        for (int y = 12; y < 798; y += 3) {
            for (const QString& fault : {seam({9, y}, {-1, 0}), seam({620, y}, {1, 0})})
                QVERIFY2(fault.isEmpty(), qPrintable(fault));
        }
        QVERIFY2(coloured >= 15, qPrintable(QString::number(coloured)));

        // The marks: the same trim and bleed, and dark lines at each corner of the margin beyond the bleed,
        // nowhere else there.
        const QPoint origin((marked.width() - 630) / 2, (marked.height() - 810) / 2);
        QVERIFY(origin.x() >= 18 && origin.y() >= 18);
        QVERIFY2(Psnr(marked.copy(QRect(origin, QSize(630, 810))), sheet) >= 45.0, "the crop marks changed the sheet");
        QHash<int, int> corners;
        int elsewhere = 0;
        for (int y = 0; y < marked.height(); ++y) {
            for (int x = 0; x < marked.width(); ++x) {
                const QPoint p = QPoint(x, y) - origin;
                if (QRect(0, 0, 630, 810).contains(p) || Whiteness(marked.pixel(x, y)) < 100)
                    continue;
                // Within the marks' reach of a corner of the trim (9 pt off it, 18 pt long).
                const bool right = p.x() > 315, bottom = p.y() > 405;
                const QPoint corner(right ? 621 : 9, bottom ? 801 : 9);
                if (std::abs(p.x() - corner.x()) <= 28 && std::abs(p.y() - corner.y()) <= 28)
                    ++corners[(right ? 1 : 0) + (bottom ? 2 : 0)];
                else
                    ++elsewhere;
            }
        }
        QCOMPARE(corners.size(), 4);
        QCOMPARE(elsewhere, 0);
    }

    // A photo cut to its box shows in the bleed what its original has beyond the cut, at its own scale;
    // where the original ends at the cut it is scaled up to cover. The press file stays about the size
    // of the print page's.
    void pressPhotoShowsMore()
    {
        const QString folder = m_dir.filePath(QStringLiteral("PressPhoto"));
        CFlyerData flyer = MakeProject(folder, {{3000, 2000}});
        // Bold Banner's photo box (816 x 420) cuts 228 rows off the top of a 3000 x 2000 original: red ones.
        QImage original = Fixtures::PhotoLike(3000, 2000);
        for (int y = 0; y < 228; ++y) {
            for (int x = 0; x < 3000; ++x)
                original.setPixel(x, y, qRgb(230, 0, 0));
        }
        QVERIFY(original.save(QDir(folder).filePath(QStringLiteral("_original01.jpg")), "JPEG", 95));
        const CXFlyerSource source =
            Source(flyer, true, QStringLiteral("BoldBanner-KT104"), QStringLiteral("Bold Banner - KT104"));
        CXPrintPage print, press;
        QString error;
        QVERIFY2(MakePrintPage(m_renderer, source, PrintPageWork::Pdf, print, &error), qPrintable(error));
        QVERIFY2(MakePrintPage(m_renderer, source, PrintPageWork::Press, press, &error), qPrintable(error));
        const QString pdf = m_dir.filePath(QStringLiteral("press-photo.pdf"));
        QVERIFY(WritePdf(press.pdf, pdf));
        const QImage sheet = OutputFixtures::RasterisePdf(pdf, 72);
        QCOMPARE(sheet.size(), QSize(630, 810));
        const auto red = [](QRgb p) { return qRed(p) > 180 && qGreen(p) < 70 && qBlue(p) < 70; };
        int bleedRed = 0, trimRed = 0;
        for (int x = 20; x < 610; x += 5) {
            bleedRed += red(sheet.pixel(x, 3)) ? 1 : 0;
            trimRed += red(sheet.pixel(x, 12)) ? 1 : 0;
        }
        QVERIFY2(bleedRed >= 110 && trimRed == 0, qPrintable(QStringLiteral("%1 %2").arg(bleedRed).arg(trimRed)));
        // The sides have nothing more: the photo goes on there, no white.
        for (int y = 20; y < 300; y += 10)
            QVERIFY(Whiteness(sheet.pixel(3, y)) >= 12 && Whiteness(sheet.pixel(626, y)) >= 12);
        const double ratio = double(press.pdf.size()) / print.pdf.size();
        qInfo("press file against the print page's: %.3f", ratio);
        QVERIFY2(ratio <= 1.1, qPrintable(QString::number(ratio)));
    }

    // Bytes that are no PDF give no press file and a sentence saying so.
    void pressBoxRefusesNonPdf()
    {
        QByteArray out = "untouched";
        QString error;
        QVERIFY(!PressBox::MakePressPdf("%PDF-1.4\nnot really\n", false, out, &error));
        QCOMPARE(out, QByteArray("untouched"));
        QVERIFY2(error.startsWith(QStringLiteral("The press-ready PDF could not be made")), qPrintable(error));
    }

    // A copy is made once, made again when its original changes, and a project without originals
    // prints from its reduced photos, which the preflight then calls too small.
    void copiesFollowTheOriginal()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Cache"));
        const CFlyerData flyer = MakeProject(folder, {{2400, 1600}});
        QDir(PrintCopyFolder()).removeRecursively();
        CXPrintPage page;
        QVERIFY(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page));
        const QStringList first = FilesIn(PrintCopyFolder());
        QCOMPARE(first.size(), 1);
        const QString copy = QDir(PrintCopyFolder()).filePath(first.constFirst());
        const QDateTime made = QFileInfo(copy).lastModified();

        QTest::qWait(20);
        QVERIFY(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page));
        QCOMPARE(FilesIn(PrintCopyFolder()), first);
        QCOMPARE(QFileInfo(copy).lastModified(), made);

        const QString original = QDir(folder).filePath(OriginalPhotoName(1));
        QVERIFY(Fixtures::PhotoLike(2400, 1500).save(original, "JPEG", 90));
        QVERIFY(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page));
        QCOMPARE(FilesIn(PrintCopyFolder()).size(), 2);

        QVERIFY(QFile::remove(original));
        QVERIFY(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::PreflightOnly, page));
        QCOMPARE(page.preflight.size(), 1);
        QCOMPARE(page.preflight[0].source, QSize(600, 400)); // _photo01.jpg
        QVERIFY(!page.preflight[0].ok);
        // The lone photo takes the thumbnails' room too: 752 x 556 CSS pixels.
        QCOMPARE(PreflightNote(page.preflight[0]), QStringLiteral("Prints at 69 ppi in this theme: small for print."));
        QVERIFY(PreflightQuestion(page.preflight, QStringLiteral("Print anyway?"))
                    .startsWith(QStringLiteral("Photo 1 will print at 69 ppi")));
    }

    // Listing texts stay inert on the print page as on the screen: no script runs, nothing is
    // fetched from the network, no other page replaces the flyer.
    void hostileTexts()
    {
        LoopbackHttpServer server;
        server.body = "body{background:red}";
        QVERIFY(server.Start());
        const QString remote = server.BaseUrl();
        const QString folder = m_dir.filePath(QStringLiteral("Hostile"));
        CFlyerData flyer = MakeProject(folder, {{1600, 1000}});
        flyer.m_strCaption = QStringLiteral("Safe<script>document.body.innerHTML='PWNED'</script>");
        flyer.m_strDescription = QStringLiteral("<img src=\"%1/photo.png\"><iframe src=\"%1/frame\"></iframe>"
                                                "<link rel=\"stylesheet\" href=\"%1/style.css\">"
                                                "<meta http-equiv=\"refresh\" content=\"0;url=%1/away\">Quiet street")
                                     .arg(remote);
        CXPrintPage page;
        QString error;
        QVERIFY2(MakePrintPage(m_renderer, Source(flyer), PrintPageWork::Pdf, page, &error), qPrintable(error));
        const QString pdf = m_dir.filePath(QStringLiteral("hostile.pdf"));
        QVERIFY(WritePdf(page.pdf, pdf));
        const QString text = Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY2(!text.contains(QStringLiteral("PWNED")), qPrintable(text));
        QVERIFY2(text.simplified().contains(QStringLiteral("Quiet street")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("12 Oak Lane")), qPrintable(text));
        QVERIFY(server.Settle());
        QCOMPARE(server.connections, 0);
        QVERIFY2(server.requests.isEmpty(), server.requests.value(0).constData());
    }
};

QTEST_MAIN(TestPrintPage)
#include "tst_printpage.moc"
