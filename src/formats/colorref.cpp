#include "formats/colorref.h"

#include <QRegularExpression>

QColor ColorRefToQColor(ColorRef color)
{
    return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}

QString ColorRefToHex(ColorRef color)
{
    return QString::asprintf("#%02X%02X%02X", color & 0xFFu, color >> 8 & 0xFFu, color >> 16 & 0xFFu);
}

bool ParseHexColor(const QString& text, ColorRef& color)
{
    static const QRegularExpression pattern(QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const ColorRef red = match.captured(1).toUInt(nullptr, 16);
    const ColorRef green = match.captured(2).toUInt(nullptr, 16);
    const ColorRef blue = match.captured(3).toUInt(nullptr, 16);
    color = red | (green << 8) | (blue << 16);
    return true;
}
