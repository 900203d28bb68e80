#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

// A JPEG decoded only as large as it is needed: libjpeg scales by M/8 (M = 1 to 16) inside its
// inverse DCT, far cheaper than decoding every pixel and throwing most away, and rows and columns
// outside the crop are not decoded at all. The project's scaler does the final reduction.
struct ScaledJpeg
{
    QImage image;      // RGB32, turned upright, at least atLeast where the original allows; null on failure
    QSize sourceSize;  // the whole original after its EXIF orientation
    QString error;     // why image is null
};

// Decodes path so that the part crop (in upright source pixels; empty: the whole picture) comes out
// no smaller than atLeast, or at full size when the original is smaller. The picture covers crop,
// widened at each edge to the next whole pixel of the chosen scale (a crop whose edges lie on
// multiples of 8 comes out exact). EXIF orientation, grey and CMYK pictures and
// progressive files are handled as the program's other readers handle them; a damaged file or one
// that is no JPEG gives an error, never a crash.
ScaledJpeg DecodeJpegScaled(const QString& path, QSize atLeast, QRect crop = {});
// The same for a file already in memory; name only appears in error texts.
ScaledJpeg DecodeJpegScaled(const QByteArray& bytes, QSize atLeast, QRect crop = {},
                            const QString& name = QString());

// The scale M (of M/8) that makes length source pixels at least target long, 8 when none is enough.
int JpegScaleFor(int length, int target);
