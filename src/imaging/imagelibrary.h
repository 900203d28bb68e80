#pragma once

#include "imaging/imagelimits.h"

#include "formats/filewriter.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

// The program's small image library: measuring, converting and resizing picture files.

// Image type codes, also the index of the MIME table.
enum ImageType : uint8_t
{
    kImageTypeJpeg = 0,
    kImageTypeBmp = 1,
    kImageTypePng = 2,
    kImageTypeTiff = 3,
    kImageTypeGif = 4,
    kImageTypeUnknown = 255,
};

// Orientation codes of GetImageInfo.
enum ImageOrientation : int
{
    kOrientationPortrait = 0,
    kOrientationLandscape = 1,
    kOrientationSquare = 2,
};

struct ImageInfo
{
    bool ok = false; // false only when no file exists at the path
    int width = 0;   // 0 x 0 when the file is no picture the library can decode
    int height = 0;
    int orientation = kOrientationSquare;
    // Why a file that exists gives 0 x 0: NotAPictureText or TooLargePictureText naming the path.
    QString refusal;

    bool IsPicture() const { return ok && refusal.isEmpty() && width > 0 && height > 0; }
};

// Measures a picture as it will be decoded: EXIF orientation applied, so an upright phone photo
// reports its upright size. Reads only the header where the format allows.
ImageInfo GetImageInfo(const QString& path);
bool GetImageInfo(const QString& path, int& width, int& height, int& orientation);

// Decodes a picture with its EXIF orientation applied. A file that is missing, is no picture, or
// would need more than kMaxImagePixels gives a null image and a one-line reason.
QImage LoadImageFile(const QString& path, QString* error = nullptr);

// The refusals of a photo file, naming it by name: "<name> is damaged or incomplete and cannot be
// used.", "<name> is not a picture that Listora can open (JPEG, PNG or BMP)." and "<name> is too
// large to open (30000 x 20000 pixels; at most 200 million pixels)."
QString DamagedPictureText(const QString& name);
QString NotAPictureText(const QString& name);
QString TooLargePictureText(const QString& name, const QSize& size);
// The formats Listora takes pictures in, as QImageReader names them; every text names these three.
bool IsOpenableFormat(const QByteArray& format);
// Empty when path holds a picture the library can read (with checkData, a JPEG with data for every
// row, found by a quick decode); otherwise one of the refusals above.
QString CheckPictureFile(const QString& path, const QString& name, bool checkData = true);

uint8_t GetImageType(const QString& path);
// The picture types a flyer is exported as (JPEG, PNG, BMP), the ones every text names; TIFF and
// GIF have type codes but are not written.
bool IsExportImageType(uint8_t imageType);
QString GetMimeType(uint8_t imageType);

// Index of the first installed encoder whose MIME type is exactly mimeType, or -1. format receives
// the name under which QImageWriter knows that encoder.
int GetEncoderClsid(const QString& mimeType, QByteArray* format = nullptr);

// Decodes source and writes it as folder/fileName in the format of imageType (JPEG at quality 100),
// fitted into a boxSize square when resize is set, at 96 dpi when dpi96 is set. Transparent parts of
// a PNG source, and of any source written as JPEG, become white. Returns the destination path even
// when nothing could be written; error then receives the reason and stays empty on success.
// An existing destination is replaced only by a complete new file.
QString ConvertImage(const QString& source, const QString& folder, const QString& fileName, bool resize, int boxSize,
                     uint8_t imageType, bool dpi96, QString* error = nullptr);

// Readies a decoded picture for JPEG: transparent parts onto white, and 96 dpi when dpi96 is set.
// Done once before several writes of the same picture, those writes then share it without copying.
void PrepareForJpeg(QImage& image, bool dpi96);

// Same as ConvertImage, from a picture already decoded; sourceType is the type of the file it came from (for the
// white fill of PNG sources).
bool WriteConvertedImage(QImage image, uint8_t sourceType, const QString& destination, bool resize, int boxSize,
                         uint8_t imageType, bool dpi96, QString* error = nullptr);

// The bytes WriteConvertedImage would write, for callers that put several files in place together.
bool EncodeConvertedImage(QImage image, uint8_t sourceType, const QString& destination, bool resize, int boxSize,
                          uint8_t imageType, bool dpi96, QByteArray* bytes, QString* error = nullptr);

// Encodes a picture in format (quality -1: the encoder's default). False when the encoder refuses it.
bool EncodeImage(const QImage& image, const QByteArray& format, int quality, QByteArray* bytes,
                 QString* error = nullptr);
// Encodes and writes a picture through the file writer: the old file is replaced only by a complete one.
bool WriteImageFile(const QImage& image, const QString& path, const QByteArray& format, int quality = -1,
                    QString* error = nullptr, CXFileWriter::Durability durability = CXFileWriter::Durability::Synced);

// Fits width x height into box (its width and height), keeping proportions and never enlarging.
QSize ResizeProportionally(int width, int height, const QRect& box);

// Trims blanks; with add set makes the path end in one separator, else removes one trailing
// separator (the root keeps it). An empty path stays empty.
void NormalizeFolderPath(QString& path, bool add);

// folder/TempPhotoNNNN.png with the first four-digit number from 0000 that names no existing file.
QString MakeTempPhotoName(const QString& folder);
