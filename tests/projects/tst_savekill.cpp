#include "flyer/flyerdata.h"
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
    void killDuringPairSaveNeverPassesOffOtherExtras();
};

namespace {

// Starts a save child on path and kills it at a random moment while it saves; the number of saves it
// completed, or -1 when the child did not run as it should.
int SaveThenKill(const QString& path, const QStringList& extra = {})
{
    QProcess child;
    child.start(QStringLiteral(LISTORA_BIN_DIR "/projectsave-child"), QStringList{path} + extra);
    if (!child.waitForReadyRead(10000) || !child.readLine().startsWith("ready"))
        return -1;
    QThread::usleep(QRandomGenerator::global()->bounded(1000, 40000));
    child.kill();
    // Killed while saving, not ended by an error.
    if (!child.waitForFinished(10000) || child.exitStatus() != QProcess::CrashExit)
        return -1;
    return int(child.readAllStandardOutput().count("saved"));
}

int VariantOf(CFlyerData read)
{
    read.m_strPathName.clear();
    read.m_strFolder.clear();
    return read == SaveKillRecord(0) ? 0 : read == SaveKillRecord(1) ? 1 : -1;
}

} // namespace

// A save child is killed at a random moment while it saves, again and again; after every kill the
// project file must read whole as one of the two records, never cut off or mixed.
void TestSaveKill::killDuringSaveLeavesWholeFile()
{
    const int kills = 200;
    QTemporaryDir dir;
    const QString path = ProjectFilePath(dir.path());
    CFlyerData first = SaveKillRecord(0);
    first.SetPathName(path);
    QVERIFY(first.Save().IsOk());

    int seen[2] = {0, 0};
    qint64 saves = 0;
    for (int i = 0; i < kills; ++i) {
        const int saved = SaveThenKill(path);
        QVERIFY(saved >= 0);
        saves += saved;

        CFlyerData read;
        const FlyerFileStatus status = read.Load(path);
        QVERIFY2(status.IsOk(), qPrintable(QStringLiteral("after kill %1: %2").arg(i).arg(status.text)));
        const int variant = VariantOf(read);
        QVERIFY2(variant >= 0, qPrintable(QStringLiteral("after kill %1 the file holds neither record").arg(i)));
        ++seen[variant];
    }
    qInfo("%d kills, %lld completed saves, file held record A %d and B %d times", kills, saves, seen[0], seen[1]);
    // Saves did complete between kills, so the kills hit a child that was really replacing the file.
    QVERIFY(seen[0] > 0 && seen[1] > 0);
    // Temporary files of interrupted saves may remain, but are never taken for projects.
    QCOMPARE(CollectFiles(dir.path(), QStringLiteral("*.lso"), true), QStringList{path});
}

// Killed between the two files of a save, the project holds one record and its extras the other's
// web address: that pair must be named stale when read, never taken for the project's own.
void TestSaveKill::killDuringPairSaveNeverPassesOffOtherExtras()
{
    const int kills = 100;
    QTemporaryDir dir;
    const QString path = ProjectFilePath(dir.path());
    CFlyerData first = SaveKillRecord(0);
    first.SetPathName(path);
    const CListingExtras firstExtras = SaveKillExtras(0);
    QVERIFY(SaveProjectPair(first, &firstExtras).IsOk());

    int matched = 0;
    int stale = 0;
    for (int i = 0; i < kills; ++i) {
        QVERIFY(SaveThenKill(path, {QStringLiteral("--pair")}) >= 0);
        CFlyerData read;
        const FlyerFileStatus status = read.Load(path);
        QVERIFY2(status.IsOk(), qPrintable(QStringLiteral("after kill %1: %2").arg(i).arg(status.text)));
        const int variant = VariantOf(read);
        QVERIFY2(variant >= 0, qPrintable(QStringLiteral("after kill %1 the file holds neither record").arg(i)));
        CListingExtras extras;
        const CListingExtras::Status extrasStatus = extras.Load(dir.path(), path);
        QCOMPARE(extrasStatus.kind, CListingExtras::Loaded);
        if (extrasStatus.stale) {
            ++stale;
            continue;
        }
        QVERIFY2(extras == SaveKillExtras(variant),
                 qPrintable(QStringLiteral("after kill %1 the extras of the other save pass as the project's").arg(i)));
        ++matched;
    }
    qInfo("%d kills: extras matched the project %d times, were named stale %d times", kills, matched, stale);
    QVERIFY(matched > 0);
}

QTEST_GUILESS_MAIN(TestSaveKill)
#include "tst_savekill.moc"
