#include "projects/flyerdata.h"
#include "projects/projectstore.h"
#include "saverecords.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestSaveKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killDuringSaveLeavesWholeFile();
};

// A save child is killed at a random moment while it saves, again and again; after every kill the
// project file must read whole as one of the two records, never cut off or mixed.
void TestSaveKill::killDuringSaveLeavesWholeFile()
{
    const int kills = 200;
    QTemporaryDir dir;
    const QString path = ProjectFilePath(dir.path());
    const CFlyerData variants[2] = {SaveKillRecord(0), SaveKillRecord(1)};
    CFlyerData first = variants[0];
    first.SetPathName(path);
    QVERIFY(first.Save().IsOk());

    int seen[2] = {0, 0};
    qint64 saves = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess child;
        child.start(QStringLiteral(LISTORA_BIN_DIR "/projectsave-child"), {path});
        QVERIFY(child.waitForReadyRead(10000));
        QVERIFY(child.readLine().startsWith("ready"));
        QThread::usleep(QRandomGenerator::global()->bounded(1000, 40000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed while saving, not ended by an error
        saves += child.readAllStandardOutput().count("saved");

        CFlyerData read;
        const FlyerFileStatus status = read.Load(path);
        QVERIFY2(status.IsOk(), qPrintable(QStringLiteral("after kill %1: %2").arg(i).arg(status.text)));
        read.m_strPathName.clear();
        read.m_strFolder.clear();
        const int variant = read == variants[0] ? 0 : read == variants[1] ? 1 : -1;
        QVERIFY2(variant >= 0, qPrintable(QStringLiteral("after kill %1 the file holds neither record").arg(i)));
        ++seen[variant];
    }
    qInfo("%d kills, %lld completed saves, file held record A %d and B %d times", kills, saves, seen[0], seen[1]);
    // Saves did complete between kills, so the kills hit a child that was really replacing the file.
    QVERIFY(seen[0] > 0 && seen[1] > 0);
    // Temporary files of interrupted saves may remain, but are never taken for projects.
    QCOMPARE(CollectFiles(dir.path(), QStringLiteral("*.lso"), true), QStringList{path});
}

QTEST_GUILESS_MAIN(TestSaveKill)
#include "tst_savekill.moc"
