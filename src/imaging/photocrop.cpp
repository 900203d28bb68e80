#include "imaging/photocrop.h"

#include "imaging/imagelibrary.h"
#include "imaging/photointake.h"
#include "flyer/detailschecks.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace PhotoCrop {

namespace {

// The size of the slot's shape with the given width (rounded), and the width for a height.
int HeightFor(int width, int slot)
{
    const QSize shape = SlotShape(slot);
    return int(std::lround(double(width) * shape.height() / shape.width()));
}

int WidthFor(int height, int slot)
{
    const QSize shape = SlotShape(slot);
    return int(std::lround(double(height) * shape.width() / shape.height()));
}

} // namespace

QSize SlotShape(int slot)
{
    return slot == 1 ? QSize(3, 2) : QSize(11, 7);
}

QRect Largest(QSize picture, int slot)
{
    if (picture.isEmpty())
        return QRect();
    int width = picture.width();
    int height = HeightFor(width, slot);
    if (height > picture.height()) {
        height = picture.height();
        width = std::min(picture.width(), WidthFor(height, slot));
    }
    return QRect((picture.width() - width) / 2, (picture.height() - height) / 2, width, height);
}

QRect Inside(QRect crop, QSize picture, int slot)
{
    const QRect largest = Largest(picture, slot);
    if (largest.isEmpty())
        return QRect();
    if (crop.isEmpty())
        return largest;
    if (crop.width() > largest.width() || crop.height() > largest.height()) {
        const int width = std::min(crop.width(), largest.width());
        crop.setSize(QSize(width, std::min(HeightFor(width, slot), picture.height())));
    }
    crop.moveLeft(std::clamp(crop.left(), 0, picture.width() - crop.width()));
    crop.moveTop(std::clamp(crop.top(), 0, picture.height() - crop.height()));
    return crop;
}

QRect FromCorner(QPoint anchor, QPoint point, QSize picture, int slot)
{
    anchor.setX(std::clamp(anchor.x(), 0, picture.width()));
    anchor.setY(std::clamp(anchor.y(), 0, picture.height()));
    const bool right = point.x() >= anchor.x();
    const bool down = point.y() >= anchor.y();
    // Room from the anchor to the picture's edges in the drag's direction.
    const int roomX = right ? picture.width() - anchor.x() : anchor.x();
    const int roomY = down ? picture.height() - anchor.y() : anchor.y();
    int width = std::min(std::abs(point.x() - anchor.x()), roomX);
    width = std::max(width, WidthFor(std::abs(point.y() - anchor.y()), slot));
    width = std::min({width, roomX, WidthFor(roomY, slot)});
    width = std::max(width, 1);
    const int height = std::max(1, HeightFor(width, slot));
    return QRect(right ? anchor.x() : anchor.x() - width, down ? anchor.y() : anchor.y() - height, width, height);
}

bool MeetsSizeRules(QSize area, int slot)
{
    const PhotoMinimum minimum = PhotoMinimumForSlot(slot);
    return area.width() > area.height() && area.width() > minimum.width && area.height() > minimum.height;
}

QRect ForFrame(const std::optional<QRect>& crop, QSize picture, QSizeF frameShape)
{
    const QRect whole(QPoint(0, 0), picture);
    if (picture.isEmpty() || frameShape.isEmpty())
        return whole;
    const double frame = frameShape.width() / frameShape.height();
    if (crop) {
        const QRect shown = crop->intersected(whole);
        if (!shown.isEmpty()) {
            const double ratio = double(shown.width()) / shown.height();
            if (std::min(ratio, frame) / std::max(ratio, frame) >= kCropKeptShare)
                return shown;
        }
    }
    // The largest area of the frame's shape, centred.
    int w = picture.width();
    int h = int(std::lround(w / frame));
    if (h > picture.height()) {
        h = picture.height();
        w = int(std::lround(h * frame));
    }
    w = std::clamp(w, 1, picture.width());
    h = std::clamp(h, 1, picture.height());
    const QRect shown = crop ? crop->intersected(whole) : QRect();
    const QPoint centre = shown.isEmpty() ? QPoint(picture.width() / 2, picture.height() / 2)
                                          : QPoint(shown.x() + shown.width() / 2, shown.y() + shown.height() / 2);
    const int x = std::clamp(centre.x() - w / 2, 0, picture.width() - w);
    const int y = std::clamp(centre.y() - h / 2, 0, picture.height() - h);
    return QRect(x, y, w, h);
}

QImage Apply(const QImage& picture, const std::optional<QRect>& crop)
{
    if (!crop)
        return picture;
    const QRect area = crop->intersected(picture.rect());
    return area.isEmpty() ? QImage() : picture.copy(area);
}

bool MakeSlotPhoto(const QString& folder, int slot, const std::optional<QRect>& crop, QString* error)
{
    const QDir dir(folder);
    const QString original = dir.filePath(OriginalPhotoName(slot));
    QImage picture = LoadImageFile(original, error);
    if (picture.isNull())
        return false;
    picture = Apply(picture, crop);
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("The crop of photo %1 lies outside %2.")
                         .arg(slot)
                         .arg(QDir::toNativeSeparators(original));
        return false;
    }
    PrepareForJpeg(picture, true);
    return WriteConvertedImage(picture, GetImageType(original), dir.filePath(ReducedPhotoName(slot)), true,
                               PhotoBoxSize(slot), kImageTypeJpeg, true, error);
}

QString CropSource(const QString& path, int slot)
{
    const QFileInfo file(path);
    if (file.fileName() == ReducedPhotoName(slot)) {
        const QString original = file.dir().filePath(OriginalPhotoName(slot));
        if (QFileInfo(original).isFile())
            return original;
    }
    return path;
}

} // namespace PhotoCrop
