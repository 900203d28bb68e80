#pragma once

#include <QByteArray>

// Camera photos taken on their side carry an EXIF orientation instead of upright pixels. Turning
// them by decoding and encoding again costs quality and doubles the file; a JPEG whose size is
// whole blocks can be turned without touching a single coefficient.
namespace JpegTurn {

// The EXIF orientation (1 to 8) of a JPEG file's bytes; 1 when it has none.
int Orientation(const QByteArray& jpeg);

// The JPEG turned upright by a lossless transform, its orientation then set to 1 and every other
// marker (colour profile, EXIF) kept. Empty when it needs no turning, is no JPEG, or its size does
// not allow a perfect transform (then it must be decoded and encoded as any other picture).
QByteArray TurnUpright(const QByteArray& jpeg);

} // namespace JpegTurn
