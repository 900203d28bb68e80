#include "imaging/imagelibrary.h"

#include "imaging/imagescaler.h"
#include "imaging/jpegintegrity.h"
#include "settings/appinfo.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcImaging, "listora.imaging", QtWarningMsg)

namespace {

// 96 dots per inch in the unit QImage keeps.
constexpr int kDotsPerMeter96 = 3780;

bool IsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
#else
    return c == QLatin1Char('/');
#endif
}

bool IsRootPath(const QString& path)
{
    if (path.size() == 1)
        return IsSeparator(path.at(0));
#ifdef Q_OS_WIN
    return path.size() == 3 && path.at(0).isLetter() && path.at(1) == QLatin1Char(':') && IsSeparator(path.at(2));
#else
    return false;
#endif
}

void PrepareReader(QImageReader& reader)
{
    reader.setAutoTransform(true);
    // Qt's own default (128 MB) would refuse ordinary 36-megapixel camera pictures; ours is the
    // pixel limit at four bytes a pixel.
    reader.setAllocationLimit(int(kMaxImagePixels * 4 / (1024 * 1024)) + 1);
}

bool IsTooLarge(const QSize& size)
{
    return qint64(size.width()) * qint64(size.height()) > kMaxImagePixels;
}

// The size as the picture will be shown: a photo taken upright is measured upright.
QSize OrientedSize(QImageReader& reader, QSize size)
{
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90))
        size.transpose();
    return size;
}

// Composites the picture onto opaque white in place; transparent parts become white.
void FlattenOnWhite(QImage& image)
{
    if (!image.hasAlphaChannel())
        return;
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int white = 255 - qAlpha(p);
            line[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

} // namespace

void PrepareForJpeg(QImage& image, bool dpi96)
{
    FlattenOnWhite(image);
    if (dpi96) {
        image.setDotsPerMeterX(kDotsPerMeter96);
        image.setDotsPerMeterY(kDotsPerMeter96);
    }
}

QImage LoadImageFile(const QString& path, QString* error)
{
    const auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        qCDebug(lcImaging) << message;
        return QImage();
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(path)));
    QImageReader reader(path);
    PrepareReader(reader);
    // GIF, TIFF, WebP and the like would open, but every text tells the user JPEG, PNG or BMP.
    if (!IsOpenableFormat(reader.format()))
        return fail(NotAPictureText(QDir::toNativeSeparators(path)));
    const QSize size = reader.size();
    if (size.isValid() && IsTooLarge(size))
        return fail(TooLargePictureText(QDir::toNativeSeparators(path), OrientedSize(reader, size)));
    const bool jpeg = reader.format() == "jpeg";
    QImage image = reader.read();
    if (image.isNull()) {
        const QString name = QDir::toNativeSeparators(path);
        if (reader.error() == QImageReader::UnsupportedFormatError)
            return fail(NotAPictureText(name));
        if (reader.error() == QImageReader::InvalidDataError)
            return fail(DamagedPictureText(name));
        return fail(QStringLiteral("%1 cannot be read as a picture (%2)").arg(name, reader.errorString()));
    }
    // Qt's reader paints the rows of a cut-off JPEG grey and calls it a picture.
    if (jpeg && CheckJpegIntegrity(path) == JpegIntegrity::Damaged)
        return fail(DamagedPictureText(QDir::toNativeSeparators(path)));
    if (error)
        error->clear();
    return image;
}

QString DamagedPictureText(const QString& name)
{
    return QStringLiteral("%1 is damaged or incomplete and cannot be used.").arg(name);
}

QString NotAPictureText(const QString& name)
{
    return QStringLiteral("%1 is not a picture that %2 can open (JPEG, PNG or BMP).").arg(name, AppInfo::DisplayName());
}

QString TooLargePictureText(const QString& name, const QSize& size)
{
    return QStringLiteral("%1 is too large to open (%2 x %3 pixels; at most %4 million pixels).")
        .arg(name)
        .arg(size.width())
        .arg(size.height())
        .arg(kMaxImagePixels / 1'000'000);
}

bool IsOpenableFormat(const QByteArray& format)
{
    return format == "jpeg" || format == "png" || format == "bmp";
}

QString CheckPictureFile(const QString& path, const QString& name, bool checkData)
{
    QImageReader reader(path);
    PrepareReader(reader);
    if (!reader.canRead() || !IsOpenableFormat(reader.format()))
        return NotAPictureText(name);
    if (const QSize size = reader.size(); size.isValid() && IsTooLarge(size))
        return TooLargePictureText(name, OrientedSize(reader, size));
    if (checkData && reader.format() == "jpeg" && CheckJpegIntegrity(path) == JpegIntegrity::Damaged)
        return DamagedPictureText(name);
    return QString();
}

ImageInfo GetImageInfo(const QString& path)
{
    ImageInfo info;
    if (!QFileInfo(path).isFile())
        return info;
    info.ok = true;

    QImageReader reader(path);
    PrepareReader(reader);
    const QString name = QDir::toNativeSeparators(path);
    QSize size = OrientedSize(reader, reader.size());
    if (!IsOpenableFormat(reader.format())) {
        info.refusal = NotAPictureText(name);
        size = QSize(0, 0);
    } else if (size.isValid()) {
        // A picture the library refuses to decode must not pass the callers' size checks.
        if (IsTooLarge(size)) {
            info.refusal = TooLargePictureText(name, size);
            size = QSize(0, 0);
        }
    } else {
        // Some formats only know their size once decoded.
        size = LoadImageFile(path, &info.refusal).size();
    }
    if (size.isEmpty() && info.refusal.isEmpty())
        info.refusal = NotAPictureText(name);
    info.width = std::max(size.width(), 0);
    info.height = std::max(size.height(), 0);
    if (info.height < info.width)
        info.orientation = kOrientationLandscape;
    else if (info.width < info.height)
        info.orientation = kOrientationPortrait;
    else
        info.orientation = kOrientationSquare;
    return info;
}

bool GetImageInfo(const QString& path, int& width, int& height, int& orientation)
{
    const ImageInfo info = GetImageInfo(path);
    if (!info.ok)
        return false;
    width = info.width;
    height = info.height;
    orientation = info.orientation;
    return true;
}

uint8_t GetImageType(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return kImageTypeJpeg;
    if (suffix == QLatin1String("bmp"))
        return kImageTypeBmp;
    if (suffix == QLatin1String("png"))
        return kImageTypePng;
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        return kImageTypeTiff;
    if (suffix == QLatin1String("gif"))
        return kImageTypeGif;
    return kImageTypeUnknown;
}

bool IsExportImageType(uint8_t imageType)
{
    return imageType == kImageTypeJpeg || imageType == kImageTypePng || imageType == kImageTypeBmp;
}

QString GetMimeType(uint8_t imageType)
{
    switch (imageType) {
    case kImageTypeBmp:
        return QStringLiteral("image/bmp");
    case kImageTypePng:
        return QStringLiteral("image/png");
    case kImageTypeTiff:
        return QStringLiteral("image/tiff");
    case kImageTypeGif:
        return QStringLiteral("image/gif");
    default:
        return QStringLiteral("image/jpeg");
    }
}

int GetEncoderClsid(const QString& mimeType, QByteArray* format)
{
    const QList<QByteArray> encoders = QImageWriter::supportedMimeTypes();
    const qsizetype index = encoders.indexOf(mimeType.toLatin1());
    if (index < 0 || mimeType.isEmpty())
        return -1;
    if (format) {
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(encoders.at(index));
        *format = formats.value(0);
    }
    return int(index);
}

bool EncodeConvertedImage(QImage image, uint8_t sourceType, const QString& destination, bool resize, int boxSize,
                          uint8_t imageType, bool dpi96, QByteArray* bytes, QString* error)
{
    const auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        qCDebug(lcImaging) << message;
        return false;
    };
    QByteArray format;
    if (imageType > kImageTypeGif || GetEncoderClsid(GetMimeType(imageType), &format) < 0 || format.isEmpty())
        return fail(QStringLiteral("no encoder can write %1").arg(QDir::toNativeSeparators(destination)));
    if (image.isNull())
        return fail(QStringLiteral("no picture to write to %1").arg(QDir::toNativeSeparators(destination)));

    // JPEG has no alpha channel: left as it is, a transparent area would come out in whatever
    // colour its invisible pixels happen to hold.
    if (imageType == kImageTypeJpeg)
        FlattenOnWhite(image);

    if (resize || dpi96) {
        const QSize size =
            resize ? ResizeProportionally(image.width(), image.height(), QRect(0, 0, boxSize, boxSize)) : image.size();
        if (size.isEmpty())
            return fail(QStringLiteral("%1 would have no pixels").arg(QDir::toNativeSeparators(destination)));
        if (sourceType == kImageTypePng && imageType != kImageTypePng)
            FlattenOnWhite(image);
        if (size != image.size())
            image = ScaleBicubic(image, size);
        if (image.isNull())
            return fail(
                QStringLiteral("out of memory while resizing for %1").arg(QDir::toNativeSeparators(destination)));
        if (dpi96) {
            image.setDotsPerMeterX(kDotsPerMeter96);
            image.setDotsPerMeterY(kDotsPerMeter96);
        }
    }
    QString why;
    if (!EncodeImage(image, format, imageType == kImageTypeJpeg ? 100 : -1, bytes, &why))
        return fail(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(destination), why));
    if (error)
        error->clear();
    return true;
}

bool WriteConvertedImage(QImage image, uint8_t sourceType, const QString& destination, bool resize, int boxSize,
                         uint8_t imageType, bool dpi96, QString* error)
{
    QByteArray bytes;
    if (!EncodeConvertedImage(std::move(image), sourceType, destination, resize, boxSize, imageType, dpi96, &bytes,
                              error))
        return false;
    return CXFileWriter::WriteFile(destination, bytes, error);
}

bool EncodeImage(const QImage& image, const QByteArray& format, int quality, QByteArray* bytes, QString* error)
{
    bytes->clear();
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (image.isNull() || !writer.write(image)) {
        if (error)
            *error = image.isNull() ? QStringLiteral("there is no picture") : writer.errorString();
        bytes->clear();
        return false;
    }
    return true;
}

bool WriteImageFile(const QImage& image, const QString& path, const QByteArray& format, int quality, QString* error,
                    CXFileWriter::Durability durability)
{
    QByteArray bytes;
    QString why;
    if (!EncodeImage(image, format, quality, &bytes, &why)) {
        if (error)
            *error = QStringLiteral("%1 could not be made: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return CXFileWriter::WriteFile(path, bytes, error, durability);
}

QString ConvertImage(const QString& source, const QString& folder, const QString& fileName, bool resize, int boxSize,
                     uint8_t imageType, bool dpi96, QString* error)
{
    const QString sourcePath = source.trimmed();
    QString destinationFolder = folder;
    NormalizeFolderPath(destinationFolder, true);
    const QString destination = destinationFolder + fileName;
    // An empty folder would otherwise put the file in the file-system root.
    if (destinationFolder.isEmpty()) {
        if (error)
            *error = QStringLiteral("no folder given for %1").arg(fileName);
        return destination;
    }
    QString why;
    QImage image = LoadImageFile(sourcePath, &why);
    if (image.isNull()) {
        if (error)
            *error = why;
        return destination;
    }
    WriteConvertedImage(std::move(image), GetImageType(sourcePath), destination, resize, boxSize, imageType, dpi96,
                        error);
    return destination;
}

QSize ResizeProportionally(int width, int height, const QRect& box)
{
    if (width <= 0 || height <= 0)
        return QSize(std::max(width, 0), std::max(height, 0));
    // Single precision throughout, each quotient taken before it is multiplied: the sizes must come
    // out exactly as they always have.
    const float boxWidth = float(std::max(box.width(), 0));
    const float boxHeight = float(std::max(box.height(), 0));
    const float sourceWidth = float(width);
    const float sourceHeight = float(height);
    float w = sourceWidth;
    float h = sourceHeight;
    while (w > boxWidth || h > boxHeight) {
        const bool fitHeight = height >= width ? h > boxHeight : !(w > boxWidth);
        if (fitHeight) {
            h = boxHeight;
            w = std::trunc(boxHeight / sourceHeight * sourceWidth);
        } else {
            w = boxWidth;
            h = std::trunc(boxWidth / sourceWidth * sourceHeight);
        }
    }
    return QSize(int(w), int(h));
}

void NormalizeFolderPath(QString& path, bool add)
{
    path = path.trimmed();
    if (path.isEmpty())
        return;
    if (add) {
        if (!IsSeparator(path.back()))
            path += QLatin1Char('/');
    } else if (IsSeparator(path.back()) && !IsRootPath(path)) {
        path.chop(1);
    }
    path = path.trimmed();
}

QString MakeTempPhotoName(const QString& folder)
{
    QString prefix = folder;
    NormalizeFolderPath(prefix, true);
    for (int number = 0;; ++number) {
        const QString path = prefix + QStringLiteral("TempPhoto%1.png").arg(number, 4, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(path))
            return path;
    }
}
