#include "projects/foldertree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

class TestFolderTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void removesNestedReadOnlyAndHiddenEntries()
    {
        QTemporaryDir root;
        const QString tree = root.filePath("Temp");
        QVERIFY(QDir().mkpath(tree + "/a/b/c"));
        Touch(tree + "/top.jpg");
        Touch(tree + "/.hidden");
        Touch(tree + "/a/b/c/deep.png");
        Touch(tree + "/a/readonly.lso");
        QVERIFY(QFile::setPermissions(tree + "/a/readonly.lso", QFile::ReadOwner));
        Touch(tree + "/a/b/locked.txt");
        QVERIFY(QFile::setPermissions(tree + "/a/b", QFile::ReadOwner | QFile::ExeOwner));

        QVERIFY(DeleteFolderTree(tree));
        QVERIFY(!QFileInfo::exists(tree));
        QVERIFY(QFileInfo(root.path()).isDir());
    }

    void linksAreRemovedNeverFollowed()
    {
        QTemporaryDir root;
        // Stands for the user's home: it must come through whole.
        const QString home = root.filePath("home");
        QVERIFY(QDir().mkpath(home + "/Documents"));
        Touch(home + "/Documents/letter.txt");
        Touch(home + "/notes.txt");

        const QString project = root.filePath("Projects/1234");
        QVERIFY(QDir().mkpath(project + "/E-mailed"));
        Touch(project + "/FlyerData.lso");
        QVERIFY(QFile::link(home, project + "/home-link"));
        QVERIFY(QFile::link(home, project + "/E-mailed/nested-link"));
        QVERIFY(QFile::link(home + "/notes.txt", project + "/file-link"));
        QVERIFY(QFile::link(root.filePath("missing"), project + "/dangling"));

        QVERIFY(DeleteFolderTree(project));
        QVERIFY(!QFileInfo::exists(project));
        QVERIFY(QFile::exists(home + "/Documents/letter.txt"));
        QVERIFY(QFile::exists(home + "/notes.txt"));

        // The folder itself a link: the link goes, its target stays.
        const QString linkedTemp = root.filePath("Temp");
        QVERIFY(QFile::link(home, linkedTemp));
        QVERIFY(DeleteFolderTree(linkedTemp));
        QVERIFY(!QFileInfo(linkedTemp).isSymLink());
        QVERIFY(QFile::exists(home + "/Documents/letter.txt"));
    }

    void missingOrFileIsFailure()
    {
        QTemporaryDir root;
        QVERIFY(!DeleteFolderTree(root.filePath("nothing")));
        Touch(root.filePath("plain"));
        QVERIFY(!DeleteFolderTree(root.filePath("plain")));
        QVERIFY(QFile::exists(root.filePath("plain")));
    }
};

QTEST_GUILESS_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
