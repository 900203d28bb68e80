#include "output/socialexport.h"

#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "settings/appinfo.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

namespace {

QImage SrgbPage(const QImage& page)
{
    QImage opaque = page.convertToFormat(QImage::Format_RGB32);
    // The engine draws in sRGB; the tag tells the feeds so instead of leaving them to guess.
    opaque.setColorSpace(QColorSpace::SRgb);
    return opaque;
}

bool Encode(const QImage& image, const char* format, int quality, QByteArray& out)
{
    out.clear();
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image);
}

} // namespace

bool EncodeSocialJpeg(const QImage& page, QByteArray& jpeg, int* quality, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (page.isNull())
        return fail(QStringLiteral("there is no picture"));
    const QImage image = SrgbPage(page);
    QByteArray bytes;
    if (!Encode(image, "jpeg", kSocialJpegQuality, bytes))
        return fail(QStringLiteral("the picture could not be encoded"));
    int best = kSocialJpegQuality;
    if (bytes.size() > kSocialJpegLimit) {
        // The size grows with the quality: the highest that fits, by halving.
        int low = 1, high = kSocialJpegQuality - 1;
        best = 0;
        QByteArray found;
        while (low <= high) {
            const int middle = (low + high) / 2;
            if (!Encode(image, "jpeg", middle, bytes))
                return fail(QStringLiteral("the picture could not be encoded"));
            if (bytes.size() <= kSocialJpegLimit) {
                best = middle;
                found = bytes;
                low = middle + 1;
            } else {
                high = middle - 1;
            }
        }
        if (best == 0)
            return fail(QStringLiteral("the picture does not fit in %1 bytes").arg(kSocialJpegLimit));
        bytes = found;
    }
    jpeg = bytes;
    if (quality)
        *quality = best;
    return true;
}

bool WriteSocialPicture(const QImage& page, const QString& path, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QFileInfo chosen(path);
    const QString suffix = chosen.suffix().toLower();
    QByteArray bytes;
    QString why;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        if (!EncodeSocialJpeg(page, bytes, nullptr, &why))
            return fail(QStringLiteral("The picture could not be exported: %1.").arg(why));
    } else if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")) {
        if (page.isNull() || !Encode(SrgbPage(page), suffix == QLatin1String("png") ? "png" : "bmp", -1, bytes))
            return fail(QStringLiteral("The picture could not be exported: it could not be encoded."));
    } else {
        return fail(QStringLiteral("A social media picture is exported as JPEG, PNG or BMP: %1 cannot write a file "
                                   "named \"%2\". Choose a name that ends in .jpg, .png or .bmp.")
                        .arg(AppInfo::DisplayName(), chosen.fileName()));
    }
    if (!CXFileWriter::WriteFile(path, bytes, &why))
        return fail(QStringLiteral("The picture could not be exported to %1.\n\n%2")
                        .arg(QDir::toNativeSeparators(chosen.absoluteFilePath()), why));
    if (error)
        error->clear();
    return true;
}
