#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Social media pictures (square, story, link) go out at the page's exact pixels, with no frame, tagged
// as sRGB; a JPEG at the highest quality that keeps it within what the feeds take.
inline constexpr qint64 kSocialJpegLimit = 1000 * 1000; // bytes
inline constexpr int kSocialJpegQuality = 100;          // tried first

// The page as a JPEG of at most kSocialJpegLimit bytes: the highest quality that fits, searched down
// from kSocialJpegQuality. False, with error set, when even the lowest does not fit or nothing could
// be encoded.
bool EncodeSocialJpeg(const QImage& page, QByteArray& jpeg, int* quality = nullptr, QString* error = nullptr);

// Writes page to path as JPEG (EncodeSocialJpeg), PNG or BMP by its extension; an existing file is
// replaced only by a complete new one. False, with a sentence for the user in error.
bool WriteSocialPicture(const QImage& page, const QString& path, QString* error = nullptr);
