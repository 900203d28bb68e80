#include "projects/projectstore.h"

#include <QDir>
#include <QFileInfo>

QString ProjectFileName()
{
    return QStringLiteral("FlyerData.lso");
}

QString ProjectFolderPath(const QString& projectsFolder, const QString& id)
{
    return QDir(projectsFolder).filePath(id);
}

QString ProjectFilePath(const QString& projectFolder)
{
    return QDir(projectFolder).filePath(ProjectFileName());
}

bool CreateProjectFolder(const QString& projectFolder)
{
    return QFileInfo(projectFolder).isDir() || QDir().mkdir(projectFolder);
}

namespace {

void Collect(const QDir& dir, const QStringList& masks, bool recurse, QStringList& out)
{
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    if (recurse) {
        const QStringList folders =
            dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, order);
        for (const QString& name : folders)
            Collect(QDir(dir.filePath(name)), masks, recurse, out);
    }
    // Without System: a pipe or device named like a project would hang or confuse the reader.
    const QStringList files = dir.entryList(masks, QDir::Files | QDir::Hidden, order);
    for (const QString& name : files)
        out.append(dir.filePath(name));
}

} // namespace

QStringList CollectFiles(const QString& folder, const QString& mask, bool recurse)
{
    QStringList out;
    Collect(QDir(folder), QStringList{mask}, recurse, out);
    return out;
}
