#include "fixtures.h"
#include "support/childprocess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::ChildRun;
using TestSupport::RunCli;

class TestImagingCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Picture(const QString& name, int width, int height)
    {
        const QString path = m_dir.filePath(name);
        Fixtures::WriteFile(path, Fixtures::Encode(Fixtures::PhotoLike(width, height), "jpeg", 90));
        return path;
    }

private Q_SLOTS:
    void photosFillsTheGivenSlots()
    {
        QTemporaryDir project;
        const QString main = Picture("main.jpg", 1600, 1200);
        const QString third = Picture("third.jpg", 400, 300);
        const ChildRun run = RunCli({"photos", "--folder", project.path(), "--slot", "3", third, "--slot", "1", main});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        const QJsonArray paths = QJsonDocument::fromJson(run.out).array();
        const QDir dir(project.path());
        QCOMPARE(paths, QJsonArray({dir.filePath("_photo01.jpg"), "", dir.filePath("_photo03.jpg"), ""}));
        QCOMPARE(QImage(dir.filePath("_photo01.jpg")).size(), QSize(600, 450));
        QCOMPARE(QImage(dir.filePath("_original01.jpg")).size(), QSize(1600, 1200));
        QCOMPARE(QImage(dir.filePath("_photo03.jpg")).size(), QSize(400, 300));
    }

    void photosWithNoSlotsPrintsFourEmptyPaths()
    {
        QTemporaryDir project;
        const ChildRun run = RunCli({"photos", "--folder", project.path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(run.out).array(), QJsonArray({"", "", "", ""}));
        QVERIFY(QDir(project.path()).isEmpty());
    }

    void photosRefusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString ok = Picture("ok.jpg", 800, 600);
        const QString folder = m_dir.path();
        QTest::newRow("no folder") << QStringList{"--slot", "1", ok} << 2 << "--folder";
        QTest::newRow("slot 0") << QStringList{"--folder", folder, "--slot", "0", ok} << 2 << "from 1 to 4";
        QTest::newRow("slot 5") << QStringList{"--folder", folder, "--slot", "5", ok} << 2 << "from 1 to 4";
        QTest::newRow("slot twice") << QStringList{"--folder", folder, "--slot", "2", ok, "--slot", "2", ok} << 2
                                    << "more than once";
        QTest::newRow("slot without file") << QStringList{"--folder", folder, "--slot", "2"} << 2 << "--slot";
        QTest::newRow("unknown option") << QStringList{"--folder", folder, "--box", "3"} << 2 << "--box";
        QTest::newRow("missing folder") << QStringList{"--folder", m_dir.filePath("nowhere"), "--slot", "1", ok} << 1
                                        << "nowhere";
        QTest::newRow("missing photo") << QStringList{"--folder", folder, "--slot", "1", m_dir.filePath("gone.jpg")}
                                       << 1 << "gone.jpg";
    }
    void photosRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ChildRun run = RunCli(QStringList{"photos"} + args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    }

    void photosReportsAPictureItCannotRead()
    {
        QTemporaryDir project;
        const QString notes = m_dir.filePath("notes.jpg");
        Fixtures::WriteFile(notes, "not a picture");
        const QString ok = Picture("good.jpg", 800, 600);
        const ChildRun run = RunCli({"photos", "--folder", project.path(), "--slot", "1", notes, "--slot", "2", ok});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.contains("notes.jpg"));
        const QJsonArray paths = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(paths.at(0).toString(), notes);
        QCOMPARE(paths.at(1).toString(), QDir(project.path()).filePath("_photo02.jpg"));
    }

    void imageInfo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QJsonObject>("expected");
        QTest::addColumn<QString>("reason"); // on standard error; empty: none, exit 0
        QTest::newRow("portrait") << "p.png" << Fixtures::Encode(Fixtures::PhotoLike(30, 50), "png")
                                  << QJsonObject{{"ok", true}, {"width", 30}, {"height", 50}, {"orientation", 0}}
                                  << QString();
        // ok means a picture was read: neither a text file nor one too large is a 0 x 0 picture.
        QTest::newRow("not a picture") << "n.jpg" << QByteArray("text") << QJsonObject{{"ok", false}}
                                       << "n.jpg is not a picture that Listora can open (JPEG, PNG or BMP).";
        QTest::newRow("too large")
            << "big.jpg" << Fixtures::JpegClaiming(QSize(30000, 20000)) << QJsonObject{{"ok", false}}
            << "big.jpg is too large to open (30000 x 20000 pixels; at most 200 million pixels).";
        QTest::newRow("gif") << "g.gif" << Fixtures::TinyGif() << QJsonObject{{"ok", false}}
                             << "g.gif is not a picture that Listora can open";
    }
    void imageInfo()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QJsonObject, expected);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(name);
        Fixtures::WriteFile(path, bytes);
        const ChildRun run = RunCli({"image-info", path});
        QCOMPARE(run.exitCode, reason.isEmpty() ? 0 : 1);
        QCOMPARE(QJsonDocument::fromJson(run.out).object(), expected);
        QVERIFY2(QString::fromUtf8(run.err).contains(reason), run.err.constData());
    }

    void imageInfoOfNoFile()
    {
        const ChildRun run = RunCli({"image-info", m_dir.filePath("missing.jpg")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(QJsonDocument::fromJson(run.out).object(), QJsonObject({{"ok", false}}));
        QVERIFY(run.err.contains("missing.jpg"));
        QCOMPARE(RunCli({"image-info"}).exitCode, 2);
        QCOMPARE(RunCli({"image-info", "a.jpg", "b.jpg"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestImagingCli)
#include "tst_imagingcli.moc"
