#include "projects/draftphotos.h"

#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/photocrop.h"
#include "imaging/photointake.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>

#include <cmath>

namespace {

QString KeyOf(int slot, const QString& source, const std::optional<QRect>& crop)
{
    const QFileInfo file(source);
    // A photo replaced under the same name is a new photo.
    QString key = QStringLiteral("%1|%2|%3|%4")
                      .arg(slot)
                      .arg(file.absoluteFilePath())
                      .arg(file.lastModified().toMSecsSinceEpoch())
                      .arg(file.size());
    if (crop)
        key += QStringLiteral("|%1,%2,%3,%4").arg(crop->x()).arg(crop->y()).arg(crop->width()).arg(crop->height());
    return key;
}

} // namespace

CXDraftPhotos::CXDraftPhotos(const QString& folder, QObject* parent) : QObject(parent), m_strFolder(folder)
{
    m_pool.setMaxThreadCount(1);
}

CXDraftPhotos::~CXDraftPhotos()
{
    *m_alive = false;
    m_pool.waitForDone();
}

QString CXDraftPhotos::CopyFor(int slot, const QString& source, const std::optional<QRect>& crop)
{
    if (source.isEmpty())
        return QString();
    const QString key = KeyOf(slot, source, crop);
    const auto found = m_entries.constFind(key);
    if (found != m_entries.constEnd())
        return found->ready ? found->path : QString();

    QDir().mkpath(m_strFolder);
    Entry entry;
    entry.path = QDir(m_strFolder).filePath(QStringLiteral("DraftPhoto%1-%2.jpg").arg(slot).arg(++m_nNext));
    m_entries.insert(key, entry);
    ++m_nRunning;

    QPointer<CXDraftPhotos> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    const QString target = entry.path;
    m_pool.start([self, alive, key, slot, source, crop, target] {
        QString why;
        const bool made = MakeDraftPhoto(source, slot, crop, target, &why);
        if (!*alive)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, key, made, why] {
                if (!self)
                    return;
                --self->m_nRunning;
                Entry& done = self->m_entries[key];
                done.ready = made;
                done.failed = !made;
                if (made)
                    Q_EMIT self->CopyReady();
                else
                    Q_EMIT self->CopyFailed(why);
            },
            Qt::QueuedConnection);
    });
    return QString();
}

bool CXDraftPhotos::MakeDraftPhoto(const QString& source, int slot, const std::optional<QRect>& crop,
                                   const QString& target, QString* error)
{
    QImageReader reader(PhotoCrop::CropSource(source, slot));
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid()) {
        if (error)
            *error = reader.errorString();
        return false;
    }
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = turned ? stored.transposed() : stored;
    const QRect area = crop ? crop->intersected(QRect(QPoint(0, 0), upright)) : QRect(QPoint(0, 0), upright);
    if (area.isEmpty()) {
        if (error)
            *error = QStringLiteral("The crop lies outside the photo.");
        return false;
    }
    const int box = PhotoBoxSize(slot);
    const QSize fitted = ResizeProportionally(area.width(), area.height(), QRect(0, 0, box, box));

    // The decoder reduces by 2, 4 or 8 almost for free; keep at least twice the pixels the bicubic
    // reduction needs, so the copy looks like the one the intake makes.
    int denominator = 1;
    while (denominator < 8 && area.width() / (denominator * 2) >= fitted.width() * 2 &&
           area.height() / (denominator * 2) >= fitted.height() * 2)
        denominator *= 2;
    if (denominator > 1)
        reader.setScaledSize(QSize(int(std::ceil(double(stored.width()) / denominator)),
                                   int(std::ceil(double(stored.height()) / denominator))));
    QImage picture = reader.read();
    if (picture.isNull()) {
        if (error)
            *error = reader.errorString();
        return false;
    }
    const double scale = double(picture.width()) / upright.width();
    const QRect scaledArea(int(area.x() * scale), int(area.y() * scale), std::max(1, int(area.width() * scale)),
                           std::max(1, int(area.height() * scale)));
    picture = PhotoCrop::Apply(picture, crop ? std::optional<QRect>(scaledArea) : std::nullopt);
    PrepareForJpeg(picture, false);
    picture = ScaleBicubic(picture, fitted);
    // Scratch: a copy lost in a crash is simply made again.
    return WriteImageFile(picture, target, "jpg", 95, error, CXFileWriter::Durability::Scratch);
}
