#pragma once

// Small pictures made on the fly for the imaging tests, and a reader for the JPEG facts they check.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSize>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstdint>

namespace Fixtures {

// Smooth sky and hills, hard-edged "windows" and fine grain: enough structure that a poor resampler
// shows, unlike a flat colour or a plain gradient.
inline QImage PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double hill = 0.55 + 0.1 * std::sin(fx * 9.0) + 0.05 * std::sin(fx * 31.0 + 1.0);
            double r, g, b;
            if (fy < hill) {
                r = 90 + 100 * fy;
                g = 140 + 80 * fy;
                b = 230 - 30 * fy;
            } else {
                r = 60 + 40 * std::sin(fx * 57.0) * std::sin(fy * 23.0);
                g = 120 + 50 * std::sin(fx * 13.0 + fy * 7.0);
                b = 50 + 20 * fy;
            }
            const int wx = int(fx * 24), wy = int(fy * 18);
            if ((wx % 4 == 1) && (wy % 5 == 3))
                r = g = b = (wx + wy) % 2 ? 240 : 25;
            const auto channel = [grain](double v) { return std::clamp(int(v) + grain, 0, 255); };
            line[x] = qRgb(channel(r), channel(g), channel(b));
        }
    }
    return image;
}

inline QByteArray Encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A JPEG whose EXIF block says how the camera was held (1 upright, 6 turned a quarter clockwise...).
inline QByteArray WithExifOrientation(const QByteArray& jpeg, uint16_t orientation)
{
    QByteArray tiff("II*\0", 4);
    const auto u16 = [&](uint16_t v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto u32 = [&](uint32_t v) { u16(uint16_t(v & 0xFFFF)), u16(uint16_t(v >> 16)); };
    u32(8);      // first IFD
    u16(1);      // one entry
    u16(0x0112); // Orientation
    u16(3);      // SHORT
    u32(1);
    u16(orientation);
    u16(0);
    u32(0); // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    const uint16_t length = uint16_t(payload.size() + 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

struct JpegFacts
{
    int densityUnit = -1; // 1 = dots per inch
    int xDensity = 0;
    int yDensity = 0;
    int quantTables = 0;
    bool allQuantOne = true; // every quantisation step 1: quality 100
};

inline JpegFacts ReadJpegFacts(const QByteArray& bytes)
{
    JpegFacts facts;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    qsizetype i = 2;
    while (i + 4 <= bytes.size() && p[i] == 0xFF) {
        const uint8_t marker = p[i + 1];
        const int length = (p[i + 2] << 8) | p[i + 3];
        const uint8_t* body = p + i + 4;
        if (marker == 0xE0 && length >= 14 && std::memcmp(body, "JFIF", 5) == 0) {
            facts.densityUnit = body[7];
            facts.xDensity = (body[8] << 8) | body[9];
            facts.yDensity = (body[10] << 8) | body[11];
        } else if (marker == 0xDB) {
            for (int t = 0; t + 65 <= length - 2;) {
                const bool wide = body[t] >> 4;
                ++facts.quantTables;
                for (int k = 0; k < 64; ++k) {
                    const int q = wide ? (body[t + 1 + 2 * k] << 8) | body[t + 2 + 2 * k] : body[t + 1 + k];
                    facts.allQuantOne = facts.allQuantOne && q == 1;
                }
                t += wide ? 129 : 65;
            }
        } else if (marker == 0xDA) {
            break;
        }
        i += 2 + length;
    }
    return facts;
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small JPEG whose frame header claims size: what a camera file too large to open looks like to
// every check that reads only the header.
inline QByteArray JpegClaiming(const QSize& size)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray jpeg = Encode(image, "jpeg", 90);
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        return QByteArray();
    qToBigEndian<quint16>(quint16(size.height()), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(size.width()), jpeg.data() + sof + 7);
    return jpeg;
}

// A whole 1 x 1 GIF (Qt reads GIF but cannot write it).
inline QByteArray TinyGif()
{
    static const char bytes[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\x00\x00\x00\x00\x00"
                                ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
    return QByteArray(bytes, sizeof(bytes) - 1);
}

} // namespace Fixtures
