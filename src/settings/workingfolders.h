#pragma once

#include <QString>

class CAppSettings;

// Where the program keeps its files. This is the one place that knows the platform's folders
// (besides the user's documents and pictures folders, UserFolders, that the settings default to):
// everything else takes its paths from CAppSettings after InitAppSettings has run.
namespace WorkingFolders {

// The installed data (themes, covers, samples, help): $LISTORA_DATA_DIR when set, else
// <folder of the executable>/../share/listora.
QString DataFolder();
// The per-user folder where an older version may have left its settings file.
QString LegacyAppDataFolder();
QString LegacySettingsFileName();
// The user's own themes, with a "Themes.ini" of their own: ~/.local/share/Tarnwick/Listora/Themes.
QString UserThemesFolder();
// The per-user cache (~/.cache/Tarnwick/Listora): print copies and, on a system-wide install, the
// covers. Empty when the system names no cache folder.
QString UserCacheRoot();

struct Paths
{
    QString strSavePath;
    QString strPath2FlyerProjects;
    QString Path2TempFolder;
    QString Path2Settings;
    QString dataFolder;
    QString Path2Themes;
    QString Path2ThemeCovers;
    QString Path2SampleData;
    QString Path2Help;
    QString Path2BlankImage;
    QString strAppDataPath;
};

// The folders as they would be, without touching the disk.
Paths Resolve();

// Creates the working folders that are missing (silently: a folder that cannot be made fails the
// part that needs it later), moves the covers to a per-user cache when the installed covers folder
// cannot be written, copies an older version's settings file in (never over an existing one), and
// records every path in `settings`.
void SetUp(CAppSettings& settings);

// Start-up as the program does it: load the settings, set up the folders, import an older
// version's settings file and save. Used by the main window and by listora-cli.
void InitAppSettings(CAppSettings& settings);

} // namespace WorkingFolders
