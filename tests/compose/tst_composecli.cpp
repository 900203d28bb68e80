#include "flyer/flyerdata.h"
#include "support/childprocess.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::ChildRun;

class TestComposeCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString DataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    ChildRun RunCli(const QStringList& args) { return TestSupport::RunCli(args, TestSupport::WithDataDir(DataDir())); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QDir data(DataDir());
        QVERIFY(data.mkpath(QStringLiteral("Themes/Plain-KT1")));
        QVERIFY(
            QFile::copy(QStringLiteral(LISTORA_TEST_DATA "/flyer.htm"), data.filePath("Themes/Plain-KT1/index.htm")));
        QVERIFY(data.mkpath(QStringLiteral("Samples")));
        QVERIFY(QFile::copy(QStringLiteral(LISTORA_SOURCE_DIR "/data/Samples/House01-02.jpg"),
                            data.filePath(QStringLiteral("Samples/House01-02.jpg"))));
        QFile ini(data.filePath(QStringLiteral("Themes/Themes.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Themes]\nCount=2\nTHEME01=Plain - KT1\nTHEME02=Lost - KT2\n"
                  "[Plain - KT1]\nName=Plain - KT1\nTemplate=Plain-KT1\\index.htm\nPhotos=1\nWidth=816\nHeight=1056\n"
                  "Color=RGB(32, 64, 128)\nTypeface=DejaVu Serif\nId={AAAA-0001}\n"
                  "[Lost - KT2]\nName=Lost - KT2\nTemplate=Lost-KT2\\index.htm\nColor=RGB(1, 2, 3)\nId={AAAA-0002}\n");
    }

    void mergePreview()
    {
        const ChildRun r = RunCli({"merge", "--theme", "Plain - KT1", "--color", "#102030", "--font", "Foo Sans"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        QVERIFY(r.out.contains("background: #102030;"));
        QVERIFY(r.out.contains("font-family: 'Foo Sans';"));
        QVERIFY(r.out.contains(">New Listing</div>"));
        // The installed sample pictures themselves, never copies somewhere else.
        QVERIFY(r.out.contains(QByteArray("\"file://" + DataDir().toUtf8() + "/Samples/House01-02.jpg\"")));
        QVERIFY(!r.out.contains("/.cache/"));
        QVERIFY(!r.out.contains("$_"));
        // Exactly the page: the template's own last line break, nothing added.
        QVERIFY(r.out.endsWith("</html>\n") && !r.out.endsWith("\n\n"));
    }

    void mergeCover()
    {
        const ChildRun r = RunCli({"merge", "--theme", "Plain - KT1", "--cover"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("background: #204080;"));
        QVERIFY(r.out.contains("font-family: 'DejaVu Serif';"));
        QVERIFY(r.out.contains("color: $_listingCaptionColor$;")); // a cover leaves it
    }

    // The project's own theme, font and colour, unless the selectors say otherwise.
    void mergeProject()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Lot #4"));
        QVERIFY(QDir().mkpath(folder));
        CFlyerData flyer;
        flyer.Reset();
        flyer.m_strTheme = QStringLiteral("Plain - KT1");
        flyer.m_strFont = QStringLiteral("Project Font");
        flyer.m_crColor = 0x00332211;
        flyer.m_strCaption = QStringLiteral("Corner lot");
        flyer.m_photos[0].m_strPath = QDir(folder).filePath(QStringLiteral("_photo01.jpg"));
        flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
        QVERIFY(flyer.Save().IsOk());

        ChildRun r = RunCli({"merge", "--project", flyer.m_strPathName});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("background: #112233;"));
        QVERIFY(r.out.contains("font-family: 'Project Font';"));
        QVERIFY(r.out.contains(">Corner lot</div>"));
        QVERIFY(r.out.contains("/Lot%20%234/_photo01.jpg\""));

        r = RunCli({"merge", "--project", flyer.m_strPathName, "--color", "#ABCDEF"});
        QVERIFY(r.out.contains("background: #ABCDEF;"));
    }

    void renderWritesTheFlyer()
    {
        const QString out = m_dir.filePath(QStringLiteral("flyer.png"));
        const ChildRun r = RunCli({"render", "--theme", "Plain - KT1", "--color", "#FF0000", "--out", out});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        const QImage image(out);
        QCOMPARE(image.size(), QSize(816, 1056));
        QCOMPARE(QColor(image.pixel(50, 1000)).name(), QStringLiteral("#ff0000"));
    }

    // Missing covers are made once; a theme whose template is missing is skipped.
    void coversMadeOnce()
    {
        const QString cover = QDir(DataDir()).filePath(QStringLiteral("Themes/Covers/AAAA-0001.png"));
        ChildRun r = RunCli({"covers"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("1\n"));
        QCOMPARE(QImage(cover).size(), QSize(71, 92));
        r = RunCli({"covers"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("0\n"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("theme and template")
            << QStringList{"merge", "--theme", "Plain - KT1", "--template", "x.htm"} << 2 << "not both";
        QTest::newRow("colour by name") << QStringList{"merge", "--theme", "Plain - KT1", "--color", "red"} << 2
                                        << "#RRGGBB";
        QTest::newRow("unknown theme") << QStringList{"merge", "--theme", "Nowhere"} << 1 << "\"Nowhere\"";
        QTest::newRow("unreadable template") << QStringList{"merge", "--theme", "Lost - KT2"} << 1 << "index.htm";
        QTest::newRow("missing project") << QStringList{"merge", "--project", "/nonexistent/FlyerData.lso"} << 1
                                         << "FlyerData.lso";
        QTest::newRow("cover with a font")
            << QStringList{"merge", "--theme", "Plain - KT1", "--cover", "--font", "X"} << 2 << "--font";
        QTest::newRow("render without --out") << QStringList{"render", "--theme", "Plain - KT1"} << 2 << "--out";
        QTest::newRow("covers with an argument") << QStringList{"covers", "now"} << 2 << "now";
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ChildRun r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestComposeCli)
#include "tst_composecli.moc"
