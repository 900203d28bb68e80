#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

enum class JpegStreamResult
{
    Done,
    Failed,        // a file could not be made; error says why
    NotApplicable, // nothing was written: take the general way
};

// Takes one JPEG photo in while it is being decoded, the way a djpeg | cjpeg pipe overlaps: the
// full-size copy (quality 100, 96 dpi) is encoded on a second thread as rows arrive, and the
// reduction into a boxSize square follows the decoder row by row. Only for JPEGs in RGB or grey that
// need no turning (EXIF orientation 1 or none); any other picture, and any failure before the first
// row, gives NotApplicable. Without libjpeg at build time it is always NotApplicable.
JpegStreamResult StreamJpegIntake(const QString& source, const QString& originalPath, const QString& reducedPath,
                                  int boxSize, QString* error);

// Encodes a Format_RGB32 picture as JPEG into out while another thread is still making its rows:
// rowsReady(next) waits until rows past next exist and returns how many do, or -1 to give up.
// Returns false with error set when libjpeg fails or is missing (then the caller takes Qt's writer).
bool EncodeJpegRows(const QImage& picture, int quality, const std::function<int(int next)>& rowsReady, QByteArray* out,
                    QString* error);
