#include "projects/foldertree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A link to a folder (or a Windows junction) is removed without looking inside.
bool RemoveLink(const QString& path)
{
    return QFile::remove(path) || QDir().rmdir(path);
}

bool MakeWritable(const QFileInfo& info)
{
    if (info.isWritable())
        return true;
    return QFile::setPermissions(info.filePath(), info.permissions() | QFile::WriteOwner | QFile::WriteUser);
}

} // namespace

bool DeleteFolderTree(const QString& folder)
{
    const QFileInfo top(folder);
    if (top.isSymLink() || top.isJunction())
        return RemoveLink(folder);
    if (!top.isDir())
        return false;
    // Entries of a folder without write permission cannot be removed.
    MakeWritable(top);

    const QDir dir(folder);
    if (!dir.isReadable())
        return false;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.filePath();
        if (entry.isSymLink() || entry.isJunction()) {
            if (!RemoveLink(path))
                return false;
        } else if (entry.isDir()) {
            if (!DeleteFolderTree(path))
                return false;
        } else {
            MakeWritable(entry);
            if (!QFile::remove(path))
                return false;
        }
    }
    return QDir().rmdir(folder);
}
