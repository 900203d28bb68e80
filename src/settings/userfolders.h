#pragma once

#include <QString>

// The user's own folders that the settings default to. The working folders of the program are
// built on them (WorkingFolders), so they live here, below both.
namespace UserFolders {

// The documents folder, or the home folder on an account that has none.
QString DocumentsFolder();
// The pictures folder, or the home folder on an account that has none.
QString PicturesFolder();

} // namespace UserFolders
