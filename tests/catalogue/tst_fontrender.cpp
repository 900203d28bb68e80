// Every font the list offers is the one the flyer is drawn in: each listed name, rendered with
// listora-cli, differs from the theme's fallback face unless it is that face.

#include "catalogue/fontcatalogue.h"
#include "support/childprocess.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Simple - KT101 writes its page font as '$_pageFont$', Tahoma, Arial, sans-serif.
const QString kTheme = QStringLiteral("Simple - KT101");
const QString kFallbackFamily = QStringLiteral("Tahoma");

// Pixels darker than mid-grey in rows [top, bottom).
int Ink(const QImage& image, int top, int bottom)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(line[x]) < 128;
    }
    return ink;
}

QImage Render(const QString& font, const QString& out, QByteArray* error)
{
    const TestSupport::ChildRun run =
        TestSupport::RunCli({QStringLiteral("render"), QStringLiteral("--theme"), kTheme, QStringLiteral("--font"),
                             font, QStringLiteral("--out"), out});
    if (run.exitCode != 0) {
        *error = run.err;
        return QImage();
    }
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestFontRender : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CXFontCatalogue m_catalogue;
    QImage m_fallback;

private Q_SLOTS:
    void initTestCase()
    {
        m_catalogue.BuildKnownFonts();
        m_catalogue.InitInstalledFonts();
        QVERIFY(!m_catalogue.ListFonts(false).isEmpty());
        // A name no font answers to: the theme's next family draws the page.
        QByteArray error;
        m_fallback =
            Render(QStringLiteral("No Such Family Anywhere"), m_dir.filePath(QStringLiteral("none.png")), &error);
        QVERIFY2(!m_fallback.isNull(), error.constData());
        QCOMPARE(m_fallback.size(), QSize(816, 1056));
    }

    void fullListHoldsTheShortList()
    {
        const QStringList all = m_catalogue.ListFonts(true);
        for (const QString& name : m_catalogue.ListFonts(false))
            QVERIFY2(all.contains(name), qPrintable(name));
    }

    void listedFontIsDrawn_data()
    {
        QTest::addColumn<QString>("font");
        for (const QString& name : m_catalogue.ListFonts(true))
            QTest::newRow(qPrintable(name)) << name;
    }

    void listedFontIsDrawn()
    {
        QFETCH(QString, font);
        QByteArray error;
        const QImage page = Render(font, m_dir.filePath(QStringLiteral("font.png")), &error);
        QVERIFY2(!page.isNull(), error.constData());
        const bool isFallback = m_catalogue.ResolveFamily(font).compare(kFallbackFamily, Qt::CaseInsensitive) == 0;
        if (isFallback)
            QVERIFY2(page == m_fallback, "the theme's own face rendered differently");
        else
            QVERIFY2(page != m_fallback, qPrintable(QStringLiteral("%1 fell back to %2").arg(font, kFallbackFamily)));
    }

    // The print PDF carries every face as an outline font; a Type 3 face is glyph pictures that
    // print soft and cannot be searched.
    void printPdfEmbedsOutlineFonts_data() { listedFontIsDrawn_data(); }

    void printPdfEmbedsOutlineFonts()
    {
        QFETCH(QString, font);
        const QString pdf = m_dir.filePath(QStringLiteral("print.pdf"));
        const TestSupport::ChildRun run = TestSupport::RunCli(
            {QStringLiteral("export"), QStringLiteral("--theme"), kTheme, QStringLiteral("--font"), font,
             QStringLiteral("--quality"), QStringLiteral("print"), QStringLiteral("--out"), pdf});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const TestSupport::ChildRun fonts = TestSupport::RunChild(QStringLiteral("pdffonts"), {pdf});
        QVERIFY2(fonts.exitCode == 0, fonts.err.constData());
        // Two header lines, then one line per font: name, type, encoding, emb, sub, uni, object.
        const QStringList lines = QString::fromUtf8(fonts.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY2(!lines.isEmpty(), fonts.out.constData());
        for (const QString& line : lines) {
            QVERIFY2(!line.contains(QLatin1String(" Type 3 ")), qPrintable(line));
            QVERIFY2(line.contains(QLatin1String(" yes yes ")), qPrintable(line)); // embedded, subset
        }
    }

    void boldIsBold_data()
    {
        QTest::addColumn<QString>("font");
        for (const char* name : {"Tahoma", "Arial", "Times New Roman", "Palatino Linotype", "Helvetica", "Calibri"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    // <b> in a description and the themes' bold headings: the bold line puts clearly more ink on
    // the page than the same words in regular.
    void boldIsBold()
    {
        QFETCH(QString, font);
        if (!m_catalogue.IsInstalled(font))
            QSKIP("not installed here");
        const QString out = m_dir.filePath(QStringLiteral("bold.png"));
        const TestSupport::ChildRun run =
            TestSupport::RunCli({QStringLiteral("render"), QStringLiteral("--template"),
                                 QStringLiteral(LISTORA_TEST_DATA "/regular-and-bold.htm"), QStringLiteral("--font"),
                                 font, QStringLiteral("--out"), out});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QImage page = QImage(out).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(page.size(), QSize(816, 1056));
        const int regular = Ink(page, 0, 528);
        const int bold = Ink(page, 528, 1056);
        QVERIFY2(regular > 2000, qPrintable(QString::number(regular)));
        QVERIFY2(bold * 100 >= regular * 120,
                 qPrintable(QStringLiteral("regular %1, bold %2 dark pixels").arg(regular).arg(bold)));
    }
};

QTEST_MAIN(TestFontRender)
#include "tst_fontrender.moc"
