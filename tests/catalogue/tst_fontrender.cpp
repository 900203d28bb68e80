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
};

QTEST_MAIN(TestFontRender)
#include "tst_fontrender.moc"
