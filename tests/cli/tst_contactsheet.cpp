#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// listora-cli contact-sheet: one picture of every installed theme, and each page beside it.

using TestSupport::ChildRun;
using TestSupport::RunCli;

class TestContactSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyInstalledTheme()
    {
        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
        const QString pages = dir.filePath(QStringLiteral("pages"));
        const ChildRun result =
            RunCli({"contact-sheet", "--out", sheet, "--pages", pages, "--columns", "5", "--width", "100"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.isEmpty());

        const QStringList written = QDir(pages).entryList({QStringLiteral("*.png")}, QDir::Files);
        QVERIFY(written.contains(QStringLiteral("Simple - KT101.png")));
        QVERIFY(written.size() >= 12);
        const QImage page(QDir(pages).filePath(QStringLiteral("Simple - KT101.png")));
        QCOMPARE(page.size(), QSize(816, 1056));

        // Five tiles of 100 pixels with gaps of 24 a row; rows of 129 + 34 label + 24 gap.
        const QImage picture(sheet);
        const int rows = int((written.size() + 4) / 5);
        QCOMPARE(picture.size(), QSize(24 + 5 * 124, 24 + rows * (129 + 34 + 24)));
    }

    // A theme whose template is gone does not stop the others; the run still says it failed.
    void brokenThemeIsReported()
    {
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath(QStringLiteral("Themes/Good")));
        QVERIFY(QFile::copy(QStringLiteral(LISTORA_SOURCE_DIR "/data/Themes/Simple-KT101/index.htm"),
                            data.filePath(QStringLiteral("Themes/Good/index.htm"))));
        QFile ini(data.filePath(QStringLiteral("Themes/Themes.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Themes]\nCount=2\nTHEME01=Good\nTHEME02=Gone\n"
                  "[Good]\nName=Good\nPhotos=1\nTypeface=Arial\nColor=RGB(0, 99, 177)\nTemplate=Good\\index.htm\n"
                  "[Gone]\nName=Gone\nPhotos=3\nTypeface=Arial\nColor=RGB(0, 99, 177)\nTemplate=Gone\\index.htm\n");
        ini.close();

        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
        const ChildRun result = RunCli({"contact-sheet", "--out", sheet}, TestSupport::WithDataDir(data.path()));
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("Gone") && result.err.contains("1 of 2"), result.err.constData());
        QCOMPARE(QImage(sheet).size(), QSize(24 + 4 * 296, 24 + 1 * (352 + 34 + 24)));
    }

    void badCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no output") << QStringList{"contact-sheet"};
        QTest::newRow("stray argument") << QStringList{"contact-sheet", "--out", "x.png", "extra"};
        QTest::newRow("colour") << QStringList{"contact-sheet", "--out", "x.png", "--color", "blue"};
        QTest::newRow("columns") << QStringList{"contact-sheet", "--out", "x.png", "--columns", "0"};
        QTest::newRow("width") << QStringList{"contact-sheet", "--out", "x.png", "--width", "5000"};
        QTest::newRow("twice") << QStringList{"contact-sheet", "--out", "x.png", "--out", "y.png"};
    }

    void badCommandLines()
    {
        QFETCH(QStringList, args);
        const ChildRun result = RunCli(args);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(!QFile::exists(QStringLiteral("x.png")));
    }
};

QTEST_GUILESS_MAIN(TestContactSheet)
#include "tst_contactsheet.moc"
