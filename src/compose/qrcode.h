#pragma once

#include <QByteArray>
#include <QString>

// QR codes for the flyer, drawn as SVG so they stay sharp at any print size: error correction
// level M, a quiet zone of four modules, black modules on white.
namespace QrCode {

constexpr int kQuietZone = 4;

// The SVG of the code for text; empty when the text is empty or too long for a QR code.
QByteArray Svg(const QString& text);
// The SVG as a data: URL for an <img> of a theme; empty as Svg.
QString SvgDataUrl(const QString& text);

} // namespace QrCode
