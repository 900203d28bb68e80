#include "formats/codepage.h"

#include <QStringDecoder>

namespace {

constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return text;
}

QString DecodeUtf8OrWindows1252(QByteArrayView bytes, bool* usedWindows1252)
{
    // Stateless: a decoder with state would keep a cut-off last sequence for a next call that
    // never comes, and the text would silently lose its last letter instead of falling back.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    const bool fallBack = utf8.hasError();
    if (fallBack)
        text = DecodeWindows1252(bytes);
    if (usedWindows1252)
        *usedWindows1252 = fallBack;
    return text;
}
