#include "imaging/jpegturn.h"

#include <cstring>

#ifdef LISTORA_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace JpegTurn {
namespace {

quint16 Read16(const uchar* p, bool little)
{
    return little ? quint16(p[0] | (p[1] << 8)) : quint16((p[0] << 8) | p[1]);
}

quint32 Read32(const uchar* p, bool little)
{
    return little ? quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24)
                  : (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// The offset of the orientation's value (a SHORT in IFD0 of the EXIF block) and the block's byte
// order; -1 when the file has none. Only the markers before the first scan are looked at.
qsizetype OrientationOffset(const QByteArray& jpeg, bool* little)
{
    const auto* data = reinterpret_cast<const uchar*>(jpeg.constData());
    const qsizetype size = jpeg.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return -1;
    qsizetype at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const uchar marker = data[at + 1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = (qsizetype(data[at + 2]) << 8) | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            break;
        const uchar* body = data + at + 4;
        const qsizetype bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 14 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            const uchar* tiff = body + 6;
            const qsizetype tiffSize = bodySize - 6;
            *little = tiff[0] == 'I' && tiff[1] == 'I';
            if (!*little && !(tiff[0] == 'M' && tiff[1] == 'M'))
                return -1;
            const quint32 ifd = Read32(tiff + 4, *little);
            if (ifd + 2 > quint64(tiffSize))
                return -1;
            const quint16 count = Read16(tiff + ifd, *little);
            for (quint32 i = 0; i < count; ++i) {
                const quint64 entry = quint64(ifd) + 2 + 12 * quint64(i);
                if (entry + 12 > quint64(tiffSize))
                    return -1;
                if (Read16(tiff + entry, *little) == 0x0112 && Read16(tiff + entry + 2, *little) == 3)
                    return (tiff - data) + qsizetype(entry) + 8;
            }
            return -1;
        }
        at += 2 + length;
    }
    return -1;
}

} // namespace

int Orientation(const QByteArray& jpeg)
{
    bool little = false;
    const qsizetype at = OrientationOffset(jpeg, &little);
    if (at < 0)
        return 1;
    const int value = Read16(reinterpret_cast<const uchar*>(jpeg.constData()) + at, little);
    return value >= 1 && value <= 8 ? value : 1;
}

QByteArray TurnUpright(const QByteArray& jpeg)
{
#ifdef LISTORA_HAVE_TURBOJPEG
    static constexpr int kOps[9] = {TJXOP_NONE,      TJXOP_NONE,  TJXOP_HFLIP, TJXOP_ROT180,   TJXOP_VFLIP,
                                    TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
    const int orientation = Orientation(jpeg);
    if (orientation == 1)
        return QByteArray();
    tjhandle handle = tjInitTransform();
    if (!handle)
        return QByteArray();
    tjtransform transform{};
    transform.op = kOps[orientation];
    // Perfect or not at all: a trimmed edge would cut off part of the agent's photo.
    transform.options = TJXOPT_PERFECT;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int failed = tjTransform(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                   static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0);
    QByteArray turned;
    if (failed == 0 && out && outSize > 0)
        turned = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    tjFree(out);
    tjDestroy(handle);
    // The markers came along unchanged: the orientation must now say "upright", or viewers turn it twice.
    bool little = false;
    const qsizetype at = OrientationOffset(turned, &little);
    if (turned.isEmpty() || at < 0)
        return QByteArray();
    turned[at] = char(little ? 1 : 0);
    turned[at + 1] = char(little ? 0 : 1);
    return turned;
#else
    Q_UNUSED(jpeg)
    return QByteArray();
#endif
}

} // namespace JpegTurn
