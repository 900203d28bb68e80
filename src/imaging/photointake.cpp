#include "imaging/photointake.h"

#include "formats/filewriter.h"
#include "imaging/imagelibrary.h"
#include "imaging/jpegstream.h"
#include "imaging/jpegturn.h"
#include "flyer/flyerdata.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <thread>

namespace {

bool IsSameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// A new photo beside an old original (or the reverse) would show one picture and print another, so
// the two are written aside first and replace the old pair only once both are complete. An empty
// originalBytes leaves the original as it is.
bool PutPairInPlace(const QString& original, const QByteArray& originalBytes, const QString& reduced,
                    const QByteArray& reducedBytes, CXFileWriter::Durability durability, QString* error)
{
    CXFileWriter writer(durability);
    const bool done = (originalBytes.isEmpty() || writer.Stage(original, originalBytes)) &&
                      writer.Stage(reduced, reducedBytes) && writer.Commit();
    if (!done)
        *error = writer.ErrorText();
    return done;
}

} // namespace

QString OriginalPhotoName(int slot)
{
    return QStringLiteral("_original%1.jpg").arg(slot, 2, 10, QLatin1Char('0'));
}

QString ReducedPhotoName(int slot)
{
    return QStringLiteral("_photo%1.jpg").arg(slot, 2, 10, QLatin1Char('0'));
}

int PhotoBoxSize(int slot)
{
    return slot == 1 ? 600 : 500;
}

bool ProcessPhotos(const QString& folder, std::array<QString, kPhotoSlots>& paths, QStringList* errors,
                   CXFileWriter::Durability durability)
{
    QString dir = folder;
    NormalizeFolderPath(dir, true);
    bool allDone = true;
    const auto fail = [&](const QString& message) {
        allDone = false;
        if (errors)
            errors->append(message);
    };

    // A slot may name a file that an earlier slot is about to replace (a project photo moved to
    // another slot); such photos are decoded before anything is written over them.
    std::array<QImage, kPhotoSlots> decodedEarly;
    std::array<QString, kPhotoSlots> earlyError;

    for (int i = 0; i < kPhotoSlots; ++i) {
        const int slot = i + 1;
        const QString source = paths[size_t(i)];
        if (!QFileInfo(source).isFile())
            continue;
        const QString original = dir + OriginalPhotoName(slot);
        const QString reduced = dir + ReducedPhotoName(slot);

        // The slot already holds this project's own photo: encoding it again would only lose quality,
        // and overwriting _original0N.jpg with the reduced copy would throw away the full picture.
        if (IsSameFile(source, reduced) && QFileInfo(original).isFile()) {
            paths[size_t(i)] = reduced;
            continue;
        }

        for (int j = i + 1; j < kPhotoSlots; ++j) {
            const QString& later = paths[size_t(j)];
            if (decodedEarly[size_t(j)].isNull() && (IsSameFile(later, original) || IsSameFile(later, reduced)))
                decodedEarly[size_t(j)] = LoadImageFile(later.trimmed(), &earlyError[size_t(j)]);
        }

        QString why;
        const bool decodedAlready = !decodedEarly[size_t(i)].isNull() || !earlyError[size_t(i)].isEmpty();
        // The usual case, a camera JPEG, streams: decoding, the full-size encode and the reduction
        // overlap.
        if (!decodedAlready && !IsSameFile(source, original)) {
            QByteArray originalBytes;
            QByteArray reducedBytes;
            const JpegStreamResult streamed = StreamJpegIntake(source.trimmed(), reduced, PhotoBoxSize(slot),
                                                               &originalBytes, &reducedBytes, &why);
            if (streamed == JpegStreamResult::Done) {
                if (PutPairInPlace(original, originalBytes, reduced, reducedBytes, durability, &why))
                    paths[size_t(i)] = reduced;
                else
                    fail(why);
                continue;
            }
            if (streamed == JpegStreamResult::Failed) {
                fail(why);
                continue;
            }
        }

        QImage image = decodedEarly[size_t(i)];
        if (!decodedAlready)
            image = LoadImageFile(source.trimmed(), &why);
        if (image.isNull()) {
            fail(earlyError[size_t(i)].isEmpty() ? why : earlyError[size_t(i)]);
            continue;
        }

        // Both files are opaque 96-dpi JPEGs: prepared once here, the shared picture is only read from
        // now on and never copied.
        const uint8_t sourceType = GetImageType(source.trimmed());
        PrepareForJpeg(image, true);

        // The full-size encode and the reduction are independent, so they run side by side.
        bool originalDone = true;
        QString originalWhy;
        QByteArray originalBytes;
        QByteArray reducedBytes;
        bool reducedDone = false;
        // A camera JPEG taken on its side is turned without a new encode where its size allows.
        if (sourceType == kImageTypeJpeg && !decodedAlready && !IsSameFile(source, original)) {
            QFile file(source.trimmed());
            if (file.open(QIODevice::ReadOnly))
                originalBytes = JpegTurn::TurnUpright(file.readAll());
        }
        {
            std::jthread originalWriter;
            // The chosen file may itself be this slot's full copy; it is already what it should be.
            if (!IsSameFile(source, original) && originalBytes.isEmpty()) {
                originalWriter = std::jthread([&] {
                    originalDone = EncodeConvertedImage(image, sourceType, original, false, 0, kImageTypeJpeg, true,
                                                        &originalBytes, &originalWhy);
                });
            }
            reducedDone = EncodeConvertedImage(image, sourceType, reduced, true, PhotoBoxSize(slot), kImageTypeJpeg,
                                               true, &reducedBytes, &why);
        }
        if (!originalDone || !reducedDone) {
            fail(originalDone ? why : originalWhy);
            continue;
        }
        if (!PutPairInPlace(original, originalBytes, reduced, reducedBytes, durability, &why)) {
            fail(why);
            continue;
        }
        paths[size_t(i)] = reduced;
    }
    return allDone;
}

bool ProcessPhotos(const QString& folder, CFlyerData& data, QStringList* errors, CXFileWriter::Durability durability)
{
    static_assert(CFlyerData::kSlotCount == kPhotoSlots);
    std::array<QString, kPhotoSlots> paths;
    for (int i = 0; i < kPhotoSlots; ++i)
        paths[size_t(i)] = data.m_photos[size_t(i)].m_strPath;
    const bool done = ProcessPhotos(folder, paths, errors, durability);
    for (int i = 0; i < kPhotoSlots; ++i)
        data.m_photos[size_t(i)].m_strPath = paths[size_t(i)];
    return done;
}
