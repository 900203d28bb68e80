// Every file the program writes reads the same under a comma-decimal locale as under C: the PDFs of
// export and batch, the merged page, the settings and the JSON of listora-cli.

#include "outputfixtures.h"
#include "flyer/flyerdata.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace OutputFixtures;
using TestSupport::ChildRun;

namespace {

const QString kComma = QStringLiteral("de_DE.UTF-8");
const QString kPlain = QStringLiteral("C.UTF-8");

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The only PDF in a folder (batch names its flyers itself).
QString OnlyPdf(const QString& folder)
{
    const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return pdfs.size() == 1 ? QDir(folder).filePath(pdfs.first()) : QString();
}

} // namespace

class TestLocaleFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // listora-cli under a locale, with its own home so that each run starts from the defaults.
    ChildRun Run(const QString& locale, const QString& home, const QStringList& args, const QByteArray& input = {})
    {
        for (const char* folder : {"/.config", "/.local/share", "/.cache", "/Documents", "/Pictures"})
            QDir().mkpath(home + QLatin1String(folder));
        return TestSupport::RunCli(
            args, {.input = input,
                   .env = {"LC_ALL=" + locale, "LANG=" + locale, "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
                           "XDG_DATA_HOME=" + home + "/.local/share", "XDG_CACHE_HOME=" + home + "/.cache"}});
    }

    QString Home(const QString& locale, const QString& test)
    {
        return m_dir.filePath(test + QLatin1Char('-') + locale);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The comparison means nothing unless the C library knows the locale (Debian's locales-all).
        QVERIFY2(std::setlocale(LC_ALL, qPrintable(kComma)) != nullptr, "de_DE.UTF-8 is not installed");
        char number[16];
        std::snprintf(number, sizeof number, "%.2f", 1.5);
        QCOMPARE(QByteArray(number), QByteArray("1,50"));
        std::setlocale(LC_ALL, "C");
    }

    void pdfPage_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("export") << "export";
        QTest::newRow("batch") << "batch";
    }

    // The page a viewer shows is the C-locale page: "612,00 0 0 792,00 0 0 cm" showed a blank one.
    void pdfPage()
    {
        QFETCH(QString, command);

        const QString sheetFolder = m_dir.filePath(QStringLiteral("sheet"));
        if (command == QLatin1String("batch")) {
            QVERIFY(QDir().mkpath(sheetFolder));
            QFile::copy(QStringLiteral(LISTORA_SOURCE_DIR "/data/Samples/House01-02.jpg"),
                        sheetFolder + QStringLiteral("/front.jpg"));
            QFile sheet(sheetFolder + QStringLiteral("/listings.csv"));
            QVERIFY(sheet.open(QIODevice::WriteOnly));
            sheet.write("caption,mls,price,address,city_state_zip,description,photo1\n"
                        "Charming Craftsman,MLS# 4471,\"Offered at $429,000.50\",12 Elm Street,\"Springfield, IL\","
                        "Sunny rooms,front.jpg\n");
        }

        QImage pages[2];
        for (int i = 0; i < 2; ++i) {
            const QString locale = i == 0 ? kPlain : kComma;
            const QString home = Home(locale, command);
            const QString out = home + QStringLiteral("/out");
            QVERIFY(QDir().mkpath(out));
            QStringList args;
            if (command == QLatin1String("export"))
                args = {QStringLiteral("export"), QStringLiteral("--theme"), QStringLiteral("Simple - KT101"),
                        QStringLiteral("--out"), out + QStringLiteral("/flyer.pdf")};
            else
                args = {QStringLiteral("batch"), sheetFolder + QStringLiteral("/listings.csv"),
                        QStringLiteral("--theme"), QStringLiteral("Simple - KT101"), QStringLiteral("--out"), out,
                        QStringLiteral("--format"), QStringLiteral("pdf"),
                        // The program's own PDF writer makes the screen-quality flyer.
                        QStringLiteral("--quality"), QStringLiteral("screen")};
            const ChildRun r = Run(locale, home, args);
            QVERIFY2(r.exitCode == 0, r.err.constData());
            const QString pdf = OnlyPdf(out);
            QVERIFY2(!pdf.isEmpty(), qPrintable(locale));
            QCOMPARE(QpdfCheck(pdf), 0);
            QVERIFY2(Bytes(pdf).contains("612.00 0 0 792.00 0 0 cm"), qPrintable(locale));
            pages[i] = RasterisePdf(pdf, 72).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(pages[i].size(), QSize(612, 792));
        }
        // Not two blank pages: the flyer's frame and photo are drawn.
        QVERIFY(qGray(pages[0].pixel(0, 396)) < 60);
        QVERIFY(pages[0].pixel(306, 200) != pages[0].pixel(306, 790));
        QVERIFY2(pages[1] == pages[0], "the page under de_DE differs from the C-locale page");
    }

    // The merged page (with its CSS), the settings file, and the JSON of settings and projects.
    void textFiles()
    {
        const QString project = m_dir.filePath(QStringLiteral("project/FlyerData.lso"));
        QVERIFY(QDir().mkpath(QFileInfo(project).absolutePath()));
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_strPrice = QStringLiteral("Offered at $1,250,000.00");
        flyer.m_timeCreated = 1700000000;
        flyer.SetPathName(project);
        QVERIFY(flyer.Save().IsOk());

        // One home for both locales: the second run loads and saves what the first one wrote.
        const QString home = Home(QStringLiteral("both"), QStringLiteral("text"));
        const QString settingsFile = home + QStringLiteral("/.config/Tarnwick/Listora.conf");
        QByteArray settingsJson[2], settingsBytes[2], merged[2], shown[2], written[2];
        for (int i = 0; i < 2; ++i) {
            const QString locale = i == 0 ? kPlain : kComma;
            ChildRun r = Run(locale, home, {QStringLiteral("settings")});
            QCOMPARE(r.exitCode, 0);
            settingsJson[i] = r.out;
            settingsBytes[i] = Bytes(settingsFile);
            QVERIFY(!settingsBytes[i].isEmpty());

            r = Run(locale, home,
                    {QStringLiteral("merge"), QStringLiteral("--theme"), QStringLiteral("Classic - KT301"),
                     QStringLiteral("--project"), project, QStringLiteral("--color"), QStringLiteral("#8B0000")});
            QCOMPARE(r.exitCode, 0);
            merged[i] = r.out;

            r = Run(locale, home, {QStringLiteral("project"), QStringLiteral("show"), project});
            QCOMPARE(r.exitCode, 0);
            shown[i] = r.out;

            const QString copy = m_dir.filePath(QStringLiteral("copy-%1.lso").arg(i));
            r = Run(locale, home, {QStringLiteral("project"), QStringLiteral("write"), copy}, shown[i]);
            QVERIFY2(r.exitCode == 0, r.err.constData());
            written[i] = Bytes(copy);
        }
        QVERIFY(merged[0].contains("#8B0000"));
        QCOMPARE(settingsJson[1], settingsJson[0]);
        QCOMPARE(settingsBytes[1], settingsBytes[0]);
        QCOMPARE(merged[1], merged[0]);
        QCOMPARE(shown[1], shown[0]);
        QCOMPARE(written[1], written[0]);
        QCOMPARE(written[0], Bytes(project));
    }
};

QTEST_GUILESS_MAIN(TestLocaleFiles)
#include "tst_localefiles.moc"
