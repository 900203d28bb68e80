#include "settings/workingfolders.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestWorkingFolders : public QObject
{
    Q_OBJECT

    QString m_dataDir;

private Q_SLOTS:
    void initTestCase() { m_dataDir = qEnvironmentVariable("LISTORA_DATA_DIR"); }
    void cleanup() { qputenv("LISTORA_DATA_DIR", m_dataDir.toLocal8Bit()); }

    void firstStartCreatesTheUsersFolders()
    {
        // A fresh account without a documents folder still gets its working folders.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir(documents).removeRecursively());

        CAppSettings settings;
        WorkingFolders::InitAppSettings(settings);
        QCOMPARE(settings.strSavePath, documents + "/My Listora");
        QCOMPARE(settings.strPath2FlyerProjects, documents + "/My Listora/Projects");
        QCOMPARE(settings.Path2TempFolder, documents + "/My Listora/Temp");
        for (const QString& folder : {settings.strSavePath, settings.strPath2FlyerProjects, settings.Path2TempFolder})
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));

        const QString data = QDir::cleanPath(m_dataDir);
        QCOMPARE(settings.Path2Themes, data + "/Themes");
        const QFileInfo installedCovers(data + "/Themes/Covers");
        if (installedCovers.isDir() && installedCovers.isWritable())
            QCOMPARE(settings.Path2ThemeCovers, data + "/Themes/Covers");
        else
            QVERIFY(settings.Path2ThemeCovers.endsWith("/Tarnwick/Listora/Covers"));
        QCOMPARE(settings.Path2SampleData, data + "/Samples");
        QCOMPARE(settings.Path2Help, data + "/Help");
        QCOMPARE(settings.Path2BlankImage, data + "/_blank.gif");
    }

    // An earlier version kept reduced copies of the sample photos in the cache; nothing names them now.
    void oldSampleCopiesAreRemoved()
    {
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        const QString copies = cache + "/Tarnwick/Listora/Samples";
        QVERIFY(QDir().mkpath(copies));
        QFile copy(copies + "/House01-02-600.jpg");
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.close();

        CAppSettings settings;
        WorkingFolders::SetUp(settings);
        QVERIFY(!QFileInfo::exists(copies));
        QVERIFY(QFileInfo(cache + "/Tarnwick/Listora").isDir());
    }

    void coversGoToTheCacheWhenTheInstallCannotTakeThem()
    {
        QTemporaryDir install;
        QVERIFY(QDir(install.path()).mkdir("Themes"));
        QFile blocker(install.filePath("Themes/Covers")); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("LISTORA_DATA_DIR", install.path().toLocal8Bit());

        CAppSettings settings;
        WorkingFolders::SetUp(settings);
        QCOMPARE(settings.Path2Themes, install.filePath("Themes"));
        QCOMPARE(settings.Path2ThemeCovers,
                 QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Tarnwick/Listora/Covers");
        QVERIFY(QFileInfo(settings.Path2ThemeCovers).isDir());
    }

    void shippedCoversAreKeptInTheCache()
    {
        if (geteuid() == 0)
            QSKIP("folder permissions do not bind root");
        QTemporaryDir install;
        QVERIFY(QDir(install.path()).mkpath("Themes/Covers"));
        QFile cover(install.filePath("Themes/Covers/Shipped.png"));
        QVERIFY(cover.open(QIODevice::WriteOnly));
        cover.write("png");
        cover.close();
        QVERIFY(QFile::setPermissions(install.filePath("Themes/Covers"), QFile::ReadOwner | QFile::ExeOwner));
        qputenv("LISTORA_DATA_DIR", install.path().toLocal8Bit());

        CAppSettings settings;
        WorkingFolders::SetUp(settings);
        QFile::setPermissions(install.filePath("Themes/Covers"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!settings.Path2ThemeCovers.startsWith(install.path()));
        QVERIFY(QFile::exists(settings.Path2ThemeCovers + "/Shipped.png"));
    }
};

QTEST_GUILESS_MAIN(TestWorkingFolders)
#include "tst_workingfolders.moc"
