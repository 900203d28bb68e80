#pragma once

#include <QString>

// Removes `folder` with everything in it. Links inside it (and `folder` itself, when it is a link)
// are removed as links: nothing outside the folder is ever touched, so a link to the user's home
// inside a project folder leaves the home alone. Read-only files and folders inside are made
// writable first. Stops at the first entry that cannot be removed and returns false; false also
// when the folder does not exist.
bool DeleteFolderTree(const QString& folder);
