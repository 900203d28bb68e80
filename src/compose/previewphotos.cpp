#include "compose/previewphotos.h"

#include "imaging/imagelibrary.h"
#include "imaging/photointake.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>

Q_LOGGING_CATEGORY(lcPreviewPhotos, "listora.compose.previewphotos")

namespace {

QString Join(const QString& folder, const QString& name)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

// A copy carries its sample's modification time, so a sample replaced by an update of the program,
// whether the new file is dated later or earlier, gets a new copy.
bool IsCurrent(const QFileInfo& copy, const QFileInfo& sample)
{
    return copy.isFile() && copy.size() > 0 && copy.lastModified() == sample.lastModified();
}

} // namespace

QString PreviewPhotoPath(const CAppSettings& settings, const QString& fileName, int slot)
{
    const QString sample = Join(settings.Path2SampleData, fileName);
    if (settings.Path2PreviewPhotos.isEmpty() || slot < 1 || slot > kPhotoSlots)
        return sample;

    const int box = PhotoBoxSize(slot);
    const QString copyName = QStringLiteral("%1-%2.jpg").arg(QFileInfo(fileName).completeBaseName()).arg(box);
    const QString copy = Join(settings.Path2PreviewPhotos, copyName);

    // Covers are made on several threads at once; one of them makes a missing copy, the others
    // then find it.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);

    const QFileInfo sampleInfo(sample);
    QString result = sample;
    if (IsCurrent(QFileInfo(copy), sampleInfo)) {
        result = copy;
    } else if (sampleInfo.isFile() && QDir().mkpath(settings.Path2PreviewPhotos)) {
        QString why;
        ConvertImage(sample, settings.Path2PreviewPhotos, copyName, true, box, kImageTypeJpeg, true, &why);
        if (why.isEmpty()) {
            QFile file(copy);
            if (file.open(QIODevice::ReadWrite))
                file.setFileTime(sampleInfo.lastModified(), QFileDevice::FileModificationTime);
            result = copy;
        } else
            qCWarning(lcPreviewPhotos) << "preview uses the full-size sample:" << why;
    }
    return result;
}
