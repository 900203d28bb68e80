#include "output/ui/flyeroutput.h"
#include "support/flyerrequests.h"

#include "controls/ui/messagebox.h"
#include "cupsscheduler.h"
#include "outputfixtures.h"
#include "settings/workingfolders.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/flyerprint.h"
#include "support/pictures.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"
#include "support/dialogs.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace OutputFixtures;
using TestSupport::GradientEnergy;

namespace {

CFlyerData SavedProject(const QTemporaryDir& dir)
{
    CFlyerData flyer;
    flyer.Reset();
    flyer.m_strMLS = QStringLiteral("ML81234");
    flyer.m_strAddress = QStringLiteral("12 Oak Lane");
    flyer.m_strCityStateZip = QStringLiteral("Springfield");
    flyer.m_strTheme = QStringLiteral("Simple - KT101");
    flyer.m_strFont = QStringLiteral("Tahoma");
    flyer.m_crColor = 0x00B16300;
    flyer.SetPathName(dir.filePath(QStringLiteral("FlyerData.lso")));
    Q_ASSERT(flyer.Save().IsOk());
    return flyer;
}

// The smallest rectangle holding every pixel that is not nearly white.
QRect InkBounds(const QImage& picture)
{
    const QImage page = picture.convertToFormat(QImage::Format_RGB32);
    QRect bounds;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if (qRed(line[x]) < 235 || qGreen(line[x]) < 235 || qBlue(line[x]) < 235)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

    CupsScheduler m_cups;
    QStringList m_seen; // PDFs of earlier jobs

    // The PDF of the job that follows the ones already seen.
    void NextOutput(QString& path)
    {
        QString found;
        const auto poll = [&] {
            const QStringList now = QDir(m_cups.OutputFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
            for (const QString& name : now) {
                if (!m_seen.contains(name)) {
                    // CUPS-PDF writes the file in place; it is done when Ghostscript has closed it.
                    const QString path = QDir(m_cups.OutputFolder()).filePath(name);
                    QFile file(path);
                    if (file.open(QIODevice::ReadOnly) && file.size() > 0 &&
                        file.readAll().trimmed().endsWith("%%EOF")) {
                        found = name;
                        return true;
                    }
                }
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(poll(), 90000);
        m_seen.append(found);
        path = QDir(m_cups.OutputFolder()).filePath(found);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString why = CupsScheduler::Unavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QString error;
        QVERIFY2(m_cups.Start(&error), qPrintable(error));
        // Before the first printing call: the CUPS library reads it once.
        qputenv("CUPS_SERVER", QFile::encodeName(m_cups.Socket()));
    }

    void cleanupTestCase() { m_cups.Stop(); }

    // With no queue at all the command says so and leaves the project as it was.
    void noPrinter()
    {
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        const CFlyerData before = flyer;
        const QImage image = MakeFlyer();
        CXMessageBoxTest::Clear();
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        QVERIFY(!PrintFlyer(nullptr, flyer, true, &image, QStringLiteral("Other"), QStringLiteral("Arial"), 0));
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("The printer does not exist"));
        QCOMPARE(asked[0].caption, QStringLiteral("Error"));
        QCOMPARE(asked[0].type & MsgBox::IconMask, quint32(MsgBox::IconInformation));
        QCOMPARE(flyer, before);
        QCOMPARE(CFlyerData::OpenFromFile(flyer.m_strPathName), before);
    }

    void addQueue()
    {
        QString error;
        QVERIFY2(m_cups.AddPdfQueue(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QPrinterInfo::availablePrinterNames().contains(CupsScheduler::QueueName()), 10000);
    }

    void printOnPage_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<double>("margin"); // millimetres on every side
        QTest::newRow("A4, the queue's default") << "A4" << false << 0.0;
        QTest::newRow("Letter") << "Letter" << false << 0.0;
        QTest::newRow("Letter, 20 mm margins") << "Letter" << false << 20.0;
        QTest::newRow("A4 landscape") << "A4" << true << 0.0;
    }

    // The flyer keeps its proportions on any paper, fitted to the printable area and centred; the
    // job bears the project's name, and the project is marked printed in the look of the moment.
    void printOnPage()
    {
        QFETCH(QString, paper);
        QFETCH(bool, landscape);
        QFETCH(double, margin);

        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        QPrinter printer(QPrinterInfo::printerInfo(CupsScheduler::QueueName()), QPrinter::HighResolution);
        printer.setPageSize(paper == QLatin1String("A4") ? QPageSize(QPageSize::A4) : QPageSize(QPageSize::Letter));
        printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
        const QSizeF pageSize = printer.pageLayout().fullRect(QPageLayout::Point).size();

        CXMessageBoxTest::Clear();
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QVERIFY(PrintFlyerOn(printer, flyer, true, MakeFlyer(), QStringLiteral("Gallery - KT401"),
                             QStringLiteral("Georgia"), 0x00336699));
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);

        const CFlyerData stored = CFlyerData::OpenFromFile(flyer.m_strPathName);
        QCOMPARE(stored.m_bPrinted, 1);
        QVERIFY(stored.m_timePrinted >= before);
        QCOMPARE(stored.m_strTheme, QStringLiteral("Gallery - KT401"));
        QCOMPARE(stored.m_strFont, QStringLiteral("Georgia"));
        QCOMPARE(stored.m_crColor, 0x00336699u);

        QString pdf;
        NextOutput(pdf);
        if (QTest::currentTestFailed())
            return;
        // CUPS-PDF names the file after the job.
        QVERIFY2(QFileInfo(pdf).fileName().startsWith(QStringLiteral("ML81234_-_12_Oak_Lane_-_Springfield")),
                 qPrintable(pdf));
        QCOMPARE(QpdfCheck(pdf), 0);
        // One pixel a point.
        QImage page = RasterisePdf(pdf, 72);
        QVERIFY2(!page.isNull(), qPrintable(m_cups.Log()));
        const QRectF fitted = FitFlyerRect(area.size(), QSizeF(kWidth, kHeight)).translated(area.topLeft());
        if (landscape && page.height() > page.width()) {
            // The CUPS filters turn a landscape page into a portrait one with the content rotated;
            // which way depends on the filter version.
            page = page.transformed(QTransform().rotate(90));
            if (!ShowsFlyer(page, fitted.toRect()))
                page = page.transformed(QTransform().rotate(180));
        }
        QCOMPARE(QSizeF(page.size()), pageSize.toSize().toSizeF());

        // The printed flyer: whatever is not white.
        const QRect printed = InkBounds(page);
        const double aspect = double(printed.width()) / printed.height();
        const double expected = double(kWidth) / kHeight;
        QVERIFY2(std::abs(aspect / expected - 1.0) < 0.01,
                 qPrintable(QStringLiteral("printed %1 x %2").arg(printed.width()).arg(printed.height())));
        // Centred in the printable area, one side of it touched.
        QVERIFY2(std::abs(printed.center().x() - area.center().x()) <= 2 &&
                     std::abs(printed.center().y() - area.center().y()) <= 2,
                 qPrintable(QStringLiteral("flyer at %1,%2 %3 x %4 in %5,%6 %7 x %8")
                                .arg(printed.x())
                                .arg(printed.y())
                                .arg(printed.width())
                                .arg(printed.height())
                                .arg(area.x())
                                .arg(area.y())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY(std::abs(printed.width() - area.width()) <= 2 || std::abs(printed.height() - area.height()) <= 2);
        QVERIFY2(ShowsFlyer(page, fitted.toRect()), qPrintable(m_cups.Log()));
    }

    // A landscape theme's page on Letter paper: the sheet is turned to match before the dialog, and
    // the page fills its width with its own proportions.
    void landscapeFlyerTurnsTheSheet()
    {
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        QPrinter printer(QPrinterInfo::printerInfo(CupsScheduler::QueueName()), QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        const QImage wide = MakeFlyer().scaled(1056, 816);
        MatchFlyerOrientation(printer, wide.size());
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
        QVERIFY(area.width() > area.height());
        QVERIFY(PrintFlyerOn(printer, flyer, true, wide, QStringLiteral("Wide"), QStringLiteral("Tahoma"), 0));

        QString pdf;
        NextOutput(pdf);
        if (QTest::currentTestFailed())
            return;
        QImage page = RasterisePdf(pdf, 72);
        QVERIFY2(!page.isNull(), qPrintable(m_cups.Log()));
        if (page.height() > page.width())
            page = page.transformed(QTransform().rotate(90)); // some CUPS filters turn the sheet back
        QCOMPARE(page.size(), QSize(792, 612));
        const QRect printed = InkBounds(page);
        QVERIFY2(std::abs(double(printed.width()) / printed.height() / (1056.0 / 816.0) - 1.0) < 0.01,
                 qPrintable(QStringLiteral("printed %1 x %2").arg(printed.width()).arg(printed.height())));
        QVERIFY2(printed.width() >= area.width() - 3,
                 qPrintable(QStringLiteral("printed %1 wide of %2").arg(printed.width()).arg(area.width())));
    }

    // At the printer's resolution from the vector page: sharp text where the screen picture prints
    // soft, and the same proportions.
    void printQuality()
    {
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        CAppSettings settings;
        WorkingFolders::InitAppSettings(settings);
        QString templateText;
        QVERIFY(
            LoadTemplate(QDir(settings.Path2Themes).filePath(QStringLiteral("Gallery-KT401/index.htm")), templateText));
        CXFlyerSource source;
        source.templateText = templateText;
        source.request.look.templatePath =
            QDir(settings.Path2Themes).filePath(QStringLiteral("Gallery-KT401/index.htm"));
        source.request.look.themeName = QStringLiteral("Gallery - KT401");
        source.request.mode = FlyerMode::Preview;
        source.request.record = flyer;
        source.settings = &settings;
        source.request.look.font = QStringLiteral("Tahoma");
        source.request.look.color = 0x00B16300;
        CXHTML2Image renderer;
        QImage screen;
        QString error;
        QVERIFY2(renderer.Render(ComposeFlyerPage(templateText,
                                                  TestSupport::Request(flyer, false, QString(),
                                                                       FlyerLook{source.request.look.themeName,
                                                                                 QString(), source.request.look.font,
                                                                                 source.request.look.color}),
                                                  settings)
                                     .page,
                                 816, 1056, screen, &error),
                 qPrintable(error));
        double askedDpi = 0;
        const PrintPictureFn printPicture = [&](double dpi) {
            askedDpi = dpi;
            CXPrintPage page;
            return MakePrintPage(renderer, source, PrintPageWork::Pdf, page) ? RasterisePrintPages(page.pdf, dpi)
                                                                             : QList<QImage>();
        };

        QList<QImage> pages;
        for (const bool sharp : {false, true}) {
            QPrinter printer(QPrinterInfo::printerInfo(CupsScheduler::QueueName()), QPrinter::HighResolution);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            QVERIFY(PrintFlyerOn(printer, flyer, false, screen, source.request.look.themeName, source.request.look.font,
                                 source.request.look.color, sharp ? printPicture : PrintPictureFn()));
            QString pdf;
            NextOutput(pdf);
            if (QTest::currentTestFailed())
                return;
            pages.append(RasterisePdf(pdf, 300));
            QVERIFY(!pages.last().isNull());
        }
        QVERIFY2(askedDpi >= 300 && askedDpi <= 600, qPrintable(QString::number(askedDpi)));
        const QRect soft = InkBounds(pages[0]);
        const QRect sharp = InkBounds(pages[1]);
        QVERIFY2(std::abs(double(sharp.width()) / sharp.height() / (816.0 / 1056.0) - 1.0) < 0.01,
                 qPrintable(QStringLiteral("%1 x %2").arg(sharp.width()).arg(sharp.height())));
        QVERIFY(std::abs(sharp.width() - soft.width()) <= 4 && std::abs(sharp.height() - soft.height()) <= 4);
        // The description block of the theme (CSS pixels 32-784 across, 780-876 down), scaled to the
        // printed flyer.
        const double scale = sharp.width() / 816.0;
        const QRect text = QRect(QPoint(int(32 * scale), int(780 * scale)), QPoint(int(784 * scale), int(876 * scale)))
                               .translated(sharp.topLeft());
        const double ratio = GradientEnergy(pages[1].copy(text)) / GradientEnergy(pages[0].copy(text));
        qInfo("text edge energy, printed at printer resolution against the screen picture: %.2f", ratio);
        QVERIFY2(ratio >= 2.0, qPrintable(QString::number(ratio)));
    }

    // A 6 x 4 in postcard on Letter: its actual size, centred on the sheet, the back on a second
    // sheet, so a duplex printer makes the card.
    void postcardAtActualSize()
    {
        QVERIFY(WriteFormatThemes());
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        CAppSettings settings;
        WorkingFolders::InitAppSettings(settings);
        const QString card = WorkingFolders::UserThemesFolder() + QStringLiteral("/Card/");
        CXFlyerSource source;
        QVERIFY(LoadTemplate(card + QStringLiteral("front.htm"), source.templateText));
        source.request.look = FlyerLook{QStringLiteral("Card Test"), card + QStringLiteral("front.htm"),
                                        QStringLiteral("Tahoma"), 0x00804020};
        source.request.backTemplatePath = card + QStringLiteral("back.htm");
        source.request.pageSize = QSize(576, 384);
        source.request.mode = FlyerMode::Preview;
        source.request.record = flyer;
        source.settings = &settings;
        CXHTML2Image renderer;
        const PrintPictureFn printPicture = [&](double dpi) {
            CXPrintPage page;
            return MakePrintPage(renderer, source, PrintPageWork::Pdf, page) ? RasterisePrintPages(page.pdf, dpi)
                                                                             : QList<QImage>();
        };
        QPrinter printer(QPrinterInfo::printerInfo(CupsScheduler::QueueName()), QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageMargins(QMarginsF(6, 6, 6, 6), QPageLayout::Millimeter);
        QImage screen(576, 384, QImage::Format_RGB32);
        screen.fill(Qt::white);
        MatchFlyerOrientation(printer, screen.size());
        QVERIFY(PrintFlyerOn(printer, flyer, false, screen, source.request.look.themeName, source.request.look.font,
                             source.request.look.color, printPicture));
        QString pdf;
        NextOutput(pdf);
        if (QTest::currentTestFailed())
            return;
        QByteArray info;
        QCOMPARE(RunTool(QStringLiteral("pdfinfo"), {pdf}, &info), 0);
        QVERIFY2(QString::fromUtf8(info).simplified().contains(QLatin1String("Pages: 2")), info.constData());
        QImage page = RasterisePdf(pdf, 72);
        QVERIFY2(!page.isNull(), qPrintable(m_cups.Log()));
        if (page.height() > page.width())
            page = page.transformed(QTransform().rotate(90)); // some CUPS filters turn the sheet back
        QCOMPARE(page.size(), QSize(792, 612));
        // The front's blue fills the card: 432 x 288 pt.
        const QRect printed = InkBounds(page);
        const QString where = QStringLiteral("card at %1,%2 %3 x %4")
                                  .arg(printed.x())
                                  .arg(printed.y())
                                  .arg(printed.width())
                                  .arg(printed.height());
        QVERIFY2(std::abs(printed.width() / 432.0 - 1.0) <= 0.01 && std::abs(printed.height() / 288.0 - 1.0) <= 0.01,
                 qPrintable(where));
        QVERIFY2(std::abs(printed.center().x() - 396) <= 2 && std::abs(printed.center().y() - 306) <= 2,
                 qPrintable(where));
    }

    // The command itself, through the print dialog; without an open project nothing is saved.
    void printThroughDialog()
    {
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        const CFlyerData before = flyer;
        const auto asked = TestSupport::WhenShown<QPrintDialog>(
            [](QPrintDialog& dialog) {
                QVERIFY(!dialog.testOption(QAbstractPrintDialog::PrintToFile));
                QVERIFY(!dialog.testOption(QAbstractPrintDialog::PrintSelection));
                QVERIFY(!dialog.testOption(QAbstractPrintDialog::PrintPageRange));
                dialog.accept();
            },
            TestSupport::kIdleTimeoutMs);
        const QImage image = MakeFlyer();
        QVERIFY(PrintFlyer(nullptr, flyer, false, &image, QStringLiteral("Gallery - KT401"), QStringLiteral("Georgia"),
                           0x00336699));
        asked->Stop();
        QVERIFY(asked->seen);
        QCOMPARE(flyer.m_bPrinted, 1);
        QCOMPARE(CFlyerData::OpenFromFile(flyer.m_strPathName), before);

        QString pdf;
        NextOutput(pdf);
        if (QTest::currentTestFailed())
            return;
        const QImage page = RasterisePdf(pdf, 72);
        QVERIFY(ShowsFlyer(page, page.rect()));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
