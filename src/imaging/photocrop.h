#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// Photos of any shape: the user picks the part of a photo that a slot shows, as a frame of the
// slot's shape (3:2 for the main photo, 11:7 for the others, as their minimum sizes imply). The
// crop is kept in the pixels of the slot's whole picture, "_original0N.jpg"; "_photo0N.jpg" is
// made from the cropped area.
namespace PhotoCrop {

// The slot's shape as width : height.
QSize SlotShape(int slot);
// The largest frame of the slot's shape, centred in the picture.
QRect Largest(QSize picture, int slot);
// The crop moved (and if need be shrunk, keeping its shape) so that it lies inside the picture.
QRect Inside(QRect crop, QSize picture, int slot);
// The frame of the slot's shape with one corner at anchor and the opposite corner towards point,
// as large as both the point and the picture allow.
QRect FromCorner(QPoint anchor, QPoint point, QSize picture, int slot);
// Whether the cropped area passes the slot's size rules (landscape, above the minimum size).
bool MeetsSizeRules(QSize area, int slot);

// The part of the original a frame of frameShape shows: the crop (clipped to the picture) when its
// proportions are within tolerance of the frame's, else the largest area of the frame's shape in the
// whole picture, centred on the crop's centre as far as the picture allows (on the picture's centre
// without a crop): a tall frame is never filled by a thin slice of a wide crop blown up.
inline constexpr double kFrameShapeTolerance = 0.25; // Letter frames differ from the crop shapes by up to this
QRect ForFrame(const std::optional<QRect>& crop, QSize picture, QSizeF frameShape);

// The part of the picture the crop names, clipped to it; the whole picture without a crop.
QImage Apply(const QImage& picture, const std::optional<QRect>& crop);

// Makes the slot's "_photo0N.jpg" in folder from its "_original0N.jpg" and the crop (the whole
// picture without one). False with the reason in error when it cannot.
bool MakeSlotPhoto(const QString& folder, int slot, const std::optional<QRect>& crop, QString* error = nullptr);

// The picture a crop of a slot's photo is measured on: the project's "_original0N.jpg" when path
// is that project's "_photo0N.jpg", else path itself.
QString CropSource(const QString& path, int slot);

} // namespace PhotoCrop
