#pragma once

#include <QString>
#include <QStringList>

// The project store: one folder per project, named by the project's id, directly inside the
// projects folder, holding the project file and the project's photos.

// "FlyerData.lso"
QString ProjectFileName();
// The folder of the project with this id inside the projects folder (with or without a trailing
// separator).
QString ProjectFolderPath(const QString& projectsFolder, const QString& id);
// The project file inside a project folder.
QString ProjectFilePath(const QString& projectFolder);
// Makes a missing project folder, one level only: a missing projects folder is not silently
// recreated somewhere. Returns whether the folder exists afterwards.
bool CreateProjectFolder(const QString& projectFolder);

// Full paths of the files in folder whose names match mask (a wildcard pattern such as "*.lso",
// matched without regard to case). With recurse, each subfolder is searched first, in name order,
// then the folder's own files are appended, also in name order. Folders are never listed, and
// linked folders are not entered, so a link back up the tree cannot make the search endless.
QStringList CollectFiles(const QString& folder, const QString& mask, bool recurse);
