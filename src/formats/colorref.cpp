#include "formats/colorref.h"

QColor ColorRefToQColor(ColorRef color)
{
    return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}

QString ColorRefToHex(ColorRef color)
{
    return QString::asprintf("#%02X%02X%02X", color & 0xFFu, color >> 8 & 0xFFu, color >> 16 & 0xFFu);
}
