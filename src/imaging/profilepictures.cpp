#include "imaging/profilepictures.h"

#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "imaging/jpegturn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

QString OriginalBase(ProfilePicture which)
{
    return which == ProfilePicture::Picture ? QStringLiteral("MyPicture-original") : QStringLiteral("Logo-original");
}

} // namespace

QString ProfileScreenFileName(ProfilePicture which)
{
    return which == ProfilePicture::Picture ? QStringLiteral("MyPicture.jpg") : QStringLiteral("Logo.jpg");
}

QString FindProfileOriginal(const QString& folder, ProfilePicture which)
{
    for (const char* extension : {".jpg", ".png"}) {
        const QString path = QDir(folder).filePath(OriginalBase(which) + QLatin1String(extension));
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString ProfilePrintSource(const QString& folder, ProfilePicture which)
{
    const QString original = FindProfileOriginal(folder, which);
    return original.isEmpty() ? QDir(folder).filePath(ProfileScreenFileName(which)) : original;
}

bool StoreProfilePicture(const QString& source, const QString& folder, ProfilePicture which, int box,
                         QString* stored, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return fail(CXFileWriter::ErrorTextFor(file, source));
    const QByteArray bytes = file.readAll();
    file.close();
    QString why;
    const QImage image = LoadImageFile(source, &why);
    if (image.isNull())
        return fail(why);

    const uint8_t type = GetImageType(source);
    const QString screen = QDir(folder).filePath(ProfileScreenFileName(which));
    QByteArray screenBytes;
    if (!EncodeConvertedImage(image, type, screen, true, box, kImageTypeJpeg, true, &screenBytes, &why))
        return fail(why);

    QByteArray originalBytes;
    QString extension = QStringLiteral(".png");
    if (type == kImageTypeJpeg && bytes.startsWith("\xFF\xD8")) {
        extension = QStringLiteral(".jpg");
        originalBytes = JpegTurn::Orientation(bytes) == 1 ? bytes : JpegTurn::TurnUpright(bytes);
        if (originalBytes.isEmpty() && !EncodeImage(image, "jpeg", 95, &originalBytes, &why))
            return fail(why);
    } else if (type == kImageTypePng && bytes.startsWith("\x89PNG")) {
        originalBytes = bytes;
    } else if (!EncodeImage(image, "png", -1, &originalBytes, &why)) {
        return fail(why);
    }
    const QString original = QDir(folder).filePath(OriginalBase(which) + extension);

    CXFileWriter writer;
    if (!writer.Stage(screen, screenBytes) || !writer.Stage(original, originalBytes) || !writer.Commit())
        return fail(writer.ErrorText());
    // The original of the other type belongs to the picture chosen before.
    const QString other = QDir(folder).filePath(OriginalBase(which) +
                                                (extension == QLatin1String(".png") ? QStringLiteral(".jpg")
                                                                                     : QStringLiteral(".png")));
    QFile::remove(other);
    if (stored)
        *stored = screen;
    if (error)
        error->clear();
    return true;
}
