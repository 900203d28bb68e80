#include "imaging/scaledjpeg.h"

#include "imaging/imagelibrary.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcScaledJpeg, "listora.imaging.scaledjpeg", QtWarningMsg)

int JpegScaleFor(int length, int target)
{
    for (int m = 1; m < 8; ++m) {
        if (qint64(length) * m / 8 >= target)
            return m;
    }
    return 8;
}

#ifndef LISTORA_HAVE_LIBJPEG

ScaledJpeg DecodeJpegBytesScaled(const QByteArray&, QSize, QRect, const QString&)
{
    ScaledJpeg result;
    result.error = QStringLiteral("built without libjpeg");
    return result;
}

ScaledJpeg DecodeJpegScaled(const QString& path, QSize atLeast, QRect crop)
{
    return DecodeJpegBytesScaled(QByteArray(), atLeast, crop, path);
}

#else

#include <QColorSpace>
#include <QImageIOHandler>
#include <QTransform>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/jpegerrors.h"

namespace {

constexpr int kRowBatch = 16;

enum class Outcome
{
    Done,
    TooLarge,
    Damaged,
    Failed,
};

// Everything the decode leaves behind lives here, outside the frame that libjpeg may longjmp out of.
struct Job
{
    const uchar* data = nullptr;
    size_t size = 0;
    QSize atLeast;
    QRect crop;
    QImageIOHandler::Transformations orientation = QImageIOHandler::TransformationNone;
    QSize storedSize;
    QSize orientedSize;
    QByteArray icc;
    QImage image;
    std::vector<uint8_t> rows;
    int scale = 8;
    char message[JMSG_LENGTH_MAX] = {};
};

uint16_t Read16(const uint8_t* p, bool big)
{
    return big ? uint16_t((p[0] << 8) | p[1]) : uint16_t((p[1] << 8) | p[0]);
}

uint32_t Read32(const uint8_t* p, bool big)
{
    return big ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
               : (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// The EXIF orientation tag of the first IFD, mapped as Qt's reader maps it (so this decoder turns a
// photo exactly as the photo intake does); 0 when there is none.
int ExifOrientation(const uint8_t* data, size_t size)
{
    if (size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    const uint8_t* tiff = data + 6;
    const size_t length = size - 6;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 0;
    if (Read16(tiff + 2, big) != 42)
        return 0;
    const uint32_t ifd = Read32(tiff + 4, big);
    if (ifd > length - 2)
        return 0;
    const int entries = Read16(tiff + ifd, big);
    for (int i = 0; i < entries; ++i) {
        const size_t at = size_t(ifd) + 2 + size_t(i) * 12;
        if (at + 12 > length)
            return 0;
        if (Read16(tiff + at, big) == 0x0112)
            return Read16(tiff + at + 8, big);
    }
    return 0;
}

QImageIOHandler::Transformations ExifToTransformation(int orientation)
{
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

// An upright rectangle back in the file's own pixel grid (W x H as stored). Upright = mirror and
// flip first, then a quarter turn clockwise, as Qt applies them.
QRect UprightToStored(const QRect& rect, const QSize& stored, QImageIOHandler::Transformations t)
{
    const auto back = [&](double u, double v) {
        double x = u, y = v;
        if (t & QImageIOHandler::TransformationRotate90) {
            x = v;
            y = stored.height() - u;
        }
        if (t & QImageIOHandler::TransformationMirror)
            x = stored.width() - x;
        if (t & QImageIOHandler::TransformationFlip)
            y = stored.height() - y;
        return QPointF(x, y);
    };
    const QPointF a = back(rect.left(), rect.top());
    const QPointF b = back(rect.left() + rect.width(), rect.top() + rect.height());
    return QRectF(a, b).normalized().toRect();
}

QImage TurnUpright(const QImage& image, QImageIOHandler::Transformations t)
{
    if (t == QImageIOHandler::TransformationNone)
        return image;
    if (t == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    QImage turned = image.mirrored(t & QImageIOHandler::TransformationMirror, t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90)
        turned = turned.transformed(QTransform().rotate(90));
    return turned;
}

struct Span
{
    int first = 0;
    int end = 0;
};

// Source pixels [start, start + length) in a picture scaled by m/8 whose edges seldom fall on whole
// pixels: each edge goes to the pixel edge below or above it, whichever pair misplaces the picture
// least on average once it is stretched over the copy (widening both ends keeps the middle in place;
// moving both one way shifts everything), never trimmed shorter than need.
Span ScaledSpan(int start, int length, int m, int limit, int need)
{
    const double exactFirst = double(start) * m / 8;
    const double exactEnd = double(start + length) * m / 8;
    Span best;
    double bestError = 1e9;
    for (int first : {int(std::floor(exactFirst)), int(std::ceil(exactFirst))}) {
        for (int end : {int(std::floor(exactEnd)), int(std::ceil(exactEnd))}) {
            first = std::clamp(first, 0, limit - 1);
            end = std::clamp(end, first + 1, limit);
            if (end - first < need && !(first == int(std::floor(exactFirst)) && end >= int(std::ceil(exactEnd))))
                continue; // trimmed below what was asked for
            // The misplacement runs linearly from a at one edge to b at the other.
            const double a = first - exactFirst;
            const double b = end - exactEnd;
            const double error = (a < 0) == (b < 0) ? (std::abs(a) + std::abs(b)) / 2
                                                    : (a * a + b * b) / (2 * (std::abs(a) + std::abs(b)));
            if (error < bestError - 1e-9) {
                bestError = error;
                best = {first, end};
            }
        }
    }
    return best;
}

// Only plain data in this frame across the setjmp: a longjmp skips destructors.
Outcome Decode(Job* job)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    InstallJpegErrors(reinterpret_cast<jpeg_common_struct*>(&cinfo), errors);
    if (setjmp(errors.jump)) {
        std::snprintf(job->message, sizeof job->message, "%s", errors.message);
        const bool damaged = errors.dataMissing || errors.fileEnded;
        jpeg_destroy_decompress(&cinfo);
        return damaged ? Outcome::Damaged : Outcome::Failed;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF); // EXIF
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    jpeg_read_header(&cinfo, TRUE);
    if (qint64(cinfo.image_width) * qint64(cinfo.image_height) > kMaxImagePixels) {
        job->storedSize = QSize(int(cinfo.image_width), int(cinfo.image_height));
        jpeg_destroy_decompress(&cinfo);
        return Outcome::TooLarge;
    }
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1) {
            const int exif = ExifOrientation(marker->data, marker->data_length);
            if (exif) {
                job->orientation = ExifToTransformation(exif);
                break;
            }
        }
    }
    JOCTET* iccData = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo, &iccData, &iccLength)) {
        job->icc = QByteArray(reinterpret_cast<const char*>(iccData), qsizetype(iccLength));
        std::free(iccData);
    }

    const int width = int(cinfo.image_width);
    const int height = int(cinfo.image_height);
    job->storedSize = QSize(width, height);
    const bool quarter = job->orientation & QImageIOHandler::TransformationRotate90;
    job->orientedSize = quarter ? job->storedSize.transposed() : job->storedSize;
    const QRect upright = job->crop.isEmpty() ? QRect(QPoint(0, 0), job->orientedSize)
                                              : job->crop.intersected(QRect(QPoint(0, 0), job->orientedSize));
    if (upright.isEmpty()) {
        std::snprintf(job->message, sizeof job->message, "the part asked for lies outside the picture");
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Failed;
    }
    const QRect stored =
        UprightToStored(upright, job->storedSize, job->orientation).intersected(QRect(QPoint(0, 0), job->storedSize));
    const QSize target = quarter ? job->atLeast.transposed() : job->atLeast;
    const int m =
        std::max(JpegScaleFor(stored.width(), target.width()), JpegScaleFor(stored.height(), target.height()));
    job->scale = m;
    cinfo.scale_num = unsigned(m);
    cinfo.scale_denom = 8;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kJpegDecodeSpace;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);

    const int outWidth = int(cinfo.output_width);
    const int outHeight = int(cinfo.output_height);
    const Span columns = ScaledSpan(stored.left(), stored.width(), m, outWidth, target.width());
    const Span lines = ScaledSpan(stored.top(), stored.height(), m, outHeight, target.height());
    const int x0 = columns.first, x1 = columns.end, y0 = lines.first, y1 = lines.end;
    JDIMENSION cropOffset = JDIMENSION(x0);
    JDIMENSION cropWidth = JDIMENSION(x1 - x0);
    if (x0 > 0 || x1 < outWidth)
        jpeg_crop_scanline(&cinfo, &cropOffset, &cropWidth); // moves the start left to a block edge
    const int skipColumns = x0 - int(cropOffset);
    const size_t stride = size_t(cinfo.output_width) * 4;

    job->image = QImage(x1 - x0, y1 - y0, QImage::Format_RGB32);
    if (job->image.isNull()) {
        std::snprintf(job->message, sizeof job->message, "not enough memory");
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Failed;
    }
    job->rows.resize(stride * kRowBatch);
    if (y0 > 0)
        jpeg_skip_scanlines(&cinfo, JDIMENSION(y0));
    JSAMPROW batch[kRowBatch];
    for (int k = 0; k < kRowBatch; ++k)
        batch[k] = job->rows.data() + stride * size_t(k);
    while (int(cinfo.output_scanline) < y1) {
        const int first = int(cinfo.output_scanline);
        const int read = int(jpeg_read_scanlines(&cinfo, batch, JDIMENSION(std::min(kRowBatch, y1 - first))));
        for (int k = 0; k < read; ++k) {
            const uint8_t* in = batch[k] + size_t(skipColumns) * 4;
            uchar* out = job->image.scanLine(first + k - y0);
            if (!cmyk) {
                std::memcpy(out, in, size_t(job->image.width()) * 4);
                continue;
            }
            // Adobe's inverted CMYK, converted as Qt's reader converts it.
            QRgb* pixel = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < job->image.width(); ++x, in += 4) {
                const int key = in[3];
                pixel[x] = qRgb(key * in[0] / 255, key * in[1] / 255, key * in[2] / 255);
            }
        }
    }
    // Rows below the crop are never read; their damage cannot reach this picture.
    const bool whole = int(cinfo.output_scanline) == outHeight;
    if (whole)
        jpeg_finish_decompress(&cinfo);
    const bool damaged = errors.dataMissing || (errors.fileEnded && cinfo.progressive_mode);
    jpeg_destroy_decompress(&cinfo);
    return damaged ? Outcome::Damaged : Outcome::Done;
}

} // namespace

ScaledJpeg DecodeJpegBytesScaled(const QByteArray& bytes, QSize atLeast, QRect crop, const QString& name)
{
    ScaledJpeg result;
    const QString shown = QDir::toNativeSeparators(name.isEmpty() ? QStringLiteral("The picture") : name);
    if (bytes.size() < 3 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8 || uchar(bytes[2]) != 0xFF) {
        result.error = NotAPictureText(shown);
        return result;
    }
    Job job;
    job.data = reinterpret_cast<const uchar*>(bytes.constData());
    job.size = size_t(bytes.size());
    job.atLeast = atLeast.expandedTo(QSize(1, 1));
    job.crop = crop;
    const Outcome outcome = Decode(&job);
    switch (outcome) {
    case Outcome::Done:
        break;
    case Outcome::TooLarge:
        result.error = QStringLiteral("%1 is too large to open (%2 x %3 pixels; at most %4 million pixels)")
                           .arg(shown)
                           .arg(job.storedSize.width())
                           .arg(job.storedSize.height())
                           .arg(kMaxImagePixels / 1'000'000);
        return result;
    case Outcome::Damaged:
        result.error = DamagedPictureText(shown);
        qCDebug(lcScaledJpeg) << result.error << job.message;
        return result;
    case Outcome::Failed:
        result.error =
            QStringLiteral("%1 cannot be read as a picture (%2)").arg(shown, QString::fromLocal8Bit(job.message));
        return result;
    }
    result.sourceSize = job.orientedSize;
    result.image = TurnUpright(job.image, job.orientation);
    if (!job.icc.isEmpty())
        result.image.setColorSpace(QColorSpace::fromIccProfile(job.icc));
    qCDebug(lcScaledJpeg) << name << "decoded at" << job.scale << "/ 8:" << result.image.size();
    return result;
}

ScaledJpeg DecodeJpegScaled(const QString& path, QSize atLeast, QRect crop)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ScaledJpeg result;
        result.error = QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(path));
        if (file.exists())
            result.error =
                QStringLiteral("%1 cannot be opened (%2)").arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    // Mapped, not read: a 12 MP photo is several megabytes that the decoder walks through once.
    const qint64 size = file.size();
    const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    const QByteArray bytes =
        mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size)) : file.readAll();
    return DecodeJpegBytesScaled(bytes, atLeast, crop, path);
}

#endif
