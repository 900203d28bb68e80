#include "output/ui/flyeroutput.h"

#include "controls/ui/messagebox.h"
#include "cupsscheduler.h"
#include "outputfixtures.h"
#include "projects/flyerdata.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace OutputFixtures;

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
        QTest::newRow("Letter, 20 mm margins") << "Letter" << false << 20.0;
        QTest::newRow("A4 landscape") << "A4" << true << 0.0;
    }

    // The flyer fills the printable area whatever its proportions, the job bears the project's
    // name, and the project is marked printed in the look of the moment.
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
        QImage page = RasterisePdf(pdf, 72);
        QVERIFY2(!page.isNull(), qPrintable(m_cups.Log()));
        if (landscape && page.height() > page.width()) {
            // The CUPS filters turn a landscape page into a portrait one with the content rotated;
            // which way depends on the filter version.
            page = page.transformed(QTransform().rotate(90));
            if (!ShowsFlyer(page, area.toRect()))
                page = page.transformed(QTransform().rotate(180));
        }
        QCOMPARE(QSizeF(page.size()), pageSize.toSize().toSizeF());

        // Inset by two points against rounding and the printer's smoothing at the edges.
        const QRect inside = area.toAlignedRect().adjusted(2, 2, -2, -2);
        QVERIFY2(ShowsFlyer(page, area.toRect()), qPrintable(m_cups.Log()));
        QVERIFY(Near(page.pixelColor(inside.topLeft()), kTopLeft));
        QVERIFY(Near(page.pixelColor(inside.topRight()), kTopRight));
        QVERIFY(Near(page.pixelColor(inside.bottomLeft()), kBottomLeft));
        QVERIFY(Near(page.pixelColor(inside.bottomRight()), kBottomRight));
        // Stretched, not fitted: the quadrants meet in the middle of the area.
        const QPointF middle = area.center();
        QVERIFY(Near(page.pixelColor(int(middle.x()) - 4, inside.top()), kTopLeft));
        QVERIFY(Near(page.pixelColor(int(middle.x()) + 4, inside.top()), kTopRight));
        QVERIFY(Near(page.pixelColor(inside.left(), int(middle.y()) - 4), kTopLeft));
        QVERIFY(Near(page.pixelColor(inside.left(), int(middle.y()) + 4), kBottomLeft));
        if (margin > 0) {
            QCOMPARE(page.pixelColor(area.toRect().topLeft() - QPoint(4, 4)), QColor(Qt::white));
            QCOMPARE(page.pixelColor(area.toRect().bottomRight() + QPoint(4, 4)), QColor(Qt::white));
        }
    }

    // The command itself, through the print dialog; without an open project nothing is saved.
    void printThroughDialog()
    {
        QTemporaryDir dir;
        CFlyerData flyer = SavedProject(dir);
        const CFlyerData before = flyer;
        bool sawDialog = false;
        QTimer accept;
        QObject::connect(&accept, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                sawDialog = true;
                QVERIFY(!dialog->testOption(QAbstractPrintDialog::PrintToFile));
                QVERIFY(!dialog->testOption(QAbstractPrintDialog::PrintSelection));
                QVERIFY(!dialog->testOption(QAbstractPrintDialog::PrintPageRange));
                dialog->accept();
            }
        });
        accept.start(50);
        const QImage image = MakeFlyer();
        QVERIFY(PrintFlyer(nullptr, flyer, false, &image, QStringLiteral("Gallery - KT401"), QStringLiteral("Georgia"),
                           0x00336699));
        accept.stop();
        QVERIFY(sawDialog);
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
