#include "settings/workingfolders.h"

#include "formats/filewriter.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"
#include "settings/userfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace WorkingFolders {

namespace {

QString Join(const QString& folder, const QString& name)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

// One level only: a missing parent means the installation or the profile is broken, and the
// part that needs the folder reports it.
void MakeFolder(const QString& path)
{
    if (!QFileInfo(path).isDir())
        QDir().mkdir(path);
}

// Files the program can make again at any time: never in the user's documents, never backed up.
QString UserCacheFolder(const QString& name)
{
    return Join(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                AppInfo::MakerName() + QLatin1Char('/') + AppInfo::ProductId() + QLatin1Char('/') + name);
}

bool WritableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

// Covers shipped with the program stay usable when covers must go to the per-user cache.
void SeedCovers(const QString& installed, const QString& cache)
{
    const QDir from(installed);
    const QStringList files = from.entryList(QDir::Files);
    for (const QString& name : files) {
        const QString target = Join(cache, name);
        if (!QFileInfo::exists(target))
            CXFileWriter::CopyFileTo(from.filePath(name), target);
    }
}

} // namespace

QString DataFolder()
{
    const QString fromEnv = qEnvironmentVariable("LISTORA_DATA_DIR");
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(QDir(fromEnv).absolutePath());
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/listora"));
}

QString LegacyAppDataFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return Join(base, AppInfo::MakerName() + QLatin1Char('/') + AppInfo::ProductId());
}

QString LegacySettingsFileName()
{
    return AppInfo::ProductId() + QStringLiteral("Settings.dat");
}

QString UserCacheRoot()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString()
                           : QDir::cleanPath(cache + QLatin1Char('/') + AppInfo::MakerName() + QLatin1Char('/') +
                                             AppInfo::ProductId());
}

QString UserThemesFolder()
{
    return Join(LegacyAppDataFolder(), QStringLiteral("Themes"));
}

Paths Resolve()
{
    Paths p;
    p.strSavePath = Join(UserFolders::DocumentsFolder(), QStringLiteral("My ") + AppInfo::ProductId());
    p.strPath2FlyerProjects = Join(p.strSavePath, QStringLiteral("Projects"));
    p.Path2TempFolder = Join(p.strSavePath, QStringLiteral("Temp"));
    p.Path2Settings = Join(p.strSavePath, LegacySettingsFileName());
    p.dataFolder = DataFolder();
    p.Path2Themes = Join(p.dataFolder, QStringLiteral("Themes"));
    p.Path2ThemeCovers = Join(p.Path2Themes, QStringLiteral("Covers"));
    p.Path2SampleData = Join(p.dataFolder, QStringLiteral("Samples"));
    p.Path2Help = Join(p.dataFolder, QStringLiteral("Help"));
    p.Path2BlankImage = Join(p.dataFolder, QStringLiteral("_blank.gif"));
    p.strAppDataPath = LegacyAppDataFolder();
    return p;
}

void SetUp(CAppSettings& settings)
{
    Paths p = Resolve();

    // A fresh account may not have its documents folder yet; the user's own folder is made whole.
    QDir().mkpath(p.strSavePath);
    MakeFolder(p.strPath2FlyerProjects);
    MakeFolder(p.Path2TempFolder);

    MakeFolder(p.dataFolder);
    MakeFolder(p.Path2Themes);
    MakeFolder(p.Path2ThemeCovers);
    MakeFolder(p.Path2SampleData);

    // A system-wide install cannot take the covers made at run time.
    if (!WritableFolder(p.Path2ThemeCovers)) {
        const QString cache = UserCacheFolder(QStringLiteral("Covers"));
        if (QDir().mkpath(cache)) {
            SeedCovers(p.Path2ThemeCovers, cache);
            p.Path2ThemeCovers = cache;
        }
    }

    // An earlier version kept reduced copies of the sample photos here; the samples are small now.
    if (!QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).isEmpty())
        QDir(UserCacheFolder(QStringLiteral("Samples"))).removeRecursively();

    const QString legacySource = Join(p.strAppDataPath, LegacySettingsFileName());
    if (QFileInfo(p.strAppDataPath).isDir() && QFileInfo::exists(legacySource) && !QFileInfo::exists(p.Path2Settings))
        CXFileWriter::CopyFileTo(legacySource, p.Path2Settings);

    settings.strSavePath = p.strSavePath;
    settings.strPath2FlyerProjects = p.strPath2FlyerProjects;
    settings.Path2TempFolder = p.Path2TempFolder;
    settings.Path2Settings = p.Path2Settings;
    settings.Path2Themes = p.Path2Themes;
    settings.Path2ThemeCovers = p.Path2ThemeCovers;
    settings.Path2SampleData = p.Path2SampleData;
    settings.Path2Help = p.Path2Help;
    settings.Path2BlankImage = p.Path2BlankImage;
}

void InitAppSettings(CAppSettings& settings)
{
    settings.LoadSettings();
    SetUp(settings);
    settings.ImportLegacySettings();
    settings._SaveSettings();
}

} // namespace WorkingFolders
