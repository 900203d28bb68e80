#include "settings/userfolders.h"

#include <QDir>
#include <QStandardPaths>

namespace UserFolders {

QString DocumentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::cleanPath(documents.isEmpty() ? QDir::homePath() : documents);
}

QString PicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir::cleanPath(pictures.isEmpty() ? QDir::homePath() : pictures);
}

} // namespace UserFolders
