#include "compose/qrcode.h"

#include <qrencode.h>

#include <memory>

namespace QrCode {

QByteArray Svg(const QString& text)
{
    if (text.isEmpty())
        return QByteArray();
    const QByteArray bytes = text.toUtf8();
    // Version 0: the smallest code that holds the text.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M),
                                                         &QRcode_free);
    if (!code)
        return QByteArray();

    const int width = code->width;
    const int side = width + 2 * kQuietZone;
    // One path of horizontal runs keeps the picture small; crispEdges keeps modules from
    // blurring into each other on screen.
    QByteArray path;
    for (int y = 0; y < width; ++y) {
        const unsigned char* row = code->data + qsizetype(y) * width;
        for (int x = 0; x < width;) {
            if (!(row[x] & 1)) {
                ++x;
                continue;
            }
            int run = 1;
            while (x + run < width && (row[x + run] & 1))
                ++run;
            path += 'M' + QByteArray::number(x + kQuietZone) + ' ' + QByteArray::number(y + kQuietZone) + 'h' +
                    QByteArray::number(run) + "v1h-" + QByteArray::number(run) + 'z';
            x += run;
        }
    }
    const QByteArray n = QByteArray::number(side);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + n + ' ' + n +
           "\" shape-rendering=\"crispEdges\"><rect width=\"" + n + "\" height=\"" + n +
           "\" fill=\"#fff\"/><path fill=\"#000\" d=\"" + path + "\"/></svg>";
}

QString SvgDataUrl(const QString& text)
{
    const QByteArray svg = Svg(text);
    if (svg.isEmpty())
        return QString();
    return QStringLiteral("data:image/svg+xml;base64,") + QString::fromLatin1(svg.toBase64());
}

} // namespace QrCode
