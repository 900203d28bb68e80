#include "projects/projectstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestProjectStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathPatterns_data();
    void pathPatterns();
    void createProjectFolderOneLevel();
    void collectFiles();
};

void TestProjectStore::pathPatterns_data()
{
    QTest::addColumn<QString>("projects");
    QTest::newRow("no trailing separator") << QStringLiteral("/home/u/My Listora/Projects");
    QTest::newRow("trailing separator") << QStringLiteral("/home/u/My Listora/Projects/");
}

void TestProjectStore::pathPatterns()
{
    QFETCH(QString, projects);
    const QString id = QStringLiteral("0A1B2C3D-4E5F6071-8293A4B5-C6D7E8F9");
    const QString folder = ProjectFolderPath(projects, id);
    QCOMPARE(folder, QStringLiteral("/home/u/My Listora/Projects/") + id);
    QCOMPARE(ProjectFilePath(folder), folder + QStringLiteral("/FlyerData.lso"));
    QCOMPARE(ProjectFilePath(folder + QLatin1Char('/')), folder + QStringLiteral("/FlyerData.lso"));
}

void TestProjectStore::createProjectFolderOneLevel()
{
    QTemporaryDir dir;
    const QString folder = ProjectFolderPath(dir.path(), QStringLiteral("ID"));
    QVERIFY(CreateProjectFolder(folder));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(CreateProjectFolder(folder)); // already there
    QVERIFY(!CreateProjectFolder(dir.filePath(QStringLiteral("Gone/ID"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Gone"))));
}

void TestProjectStore::collectFiles()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    const auto touch = [&](const QString& relative) {
        root.mkpath(QFileInfo(relative).path());
        QFile file(root.filePath(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    touch(QStringLiteral("B/FlyerData.lso"));
    touch(QStringLiteral("Old/A1/FlyerData.lso")); // an old project moved aside is still found
    touch(QStringLiteral("a/FlyerData.lso"));
    touch(QStringLiteral("a/_photo01.jpg"));
    touch(QStringLiteral("Copy of project.LSO"));
    touch(QStringLiteral(".hidden.lso"));
    touch(QStringLiteral("notes.txt"));
    touch(QStringLiteral("empty/keep.txt"));
    QVERIFY(root.mkpath(QStringLiteral("folder.lso")));
    // A link back up the tree must not make the search endless, and a pipe is no project.
    QVERIFY(QFile::link(root.path(), root.filePath(QStringLiteral("Old/loop"))));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("B/FlyerData.lso")), root.filePath(QStringLiteral("link.lso"))));
    QCOMPARE(mkfifo(QFile::encodeName(root.filePath(QStringLiteral("pipe.lso"))).constData(), 0600), 0);

    const QStringList expected = {
        root.filePath(QStringLiteral("a/FlyerData.lso")),      root.filePath(QStringLiteral("B/FlyerData.lso")),
        root.filePath(QStringLiteral("Old/A1/FlyerData.lso")), root.filePath(QStringLiteral(".hidden.lso")),
        root.filePath(QStringLiteral("Copy of project.LSO")),  root.filePath(QStringLiteral("link.lso")),
    };
    QCOMPARE(CollectFiles(root.path() + QLatin1Char('/'), QStringLiteral("*.lso"), true), expected);
    QCOMPARE(CollectFiles(root.path(), QStringLiteral("*.lso"), false), expected.mid(3));
    QCOMPARE(CollectFiles(root.filePath(QStringLiteral("missing")), QStringLiteral("*.lso"), true), QStringList());
}

QTEST_GUILESS_MAIN(TestProjectStore)
#include "tst_projectstore.moc"
