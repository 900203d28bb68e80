#pragma once

#include <QColor>
#include <QString>

// A colour as the program stores it (settings, project file, "Themes.ini"): 0x00BBGGRR, red in the
// low byte. These are the only conversions to and from it; the high byte is never looked at.
using ColorRef = quint32;

constexpr ColorRef MakeColorRef(int r, int g, int b)
{
    return ColorRef(r & 0xFF) | ColorRef(g & 0xFF) << 8 | ColorRef(b & 0xFF) << 16;
}

// Opaque.
QColor ColorRefToQColor(ColorRef color);
// "#RRGGBB", upper-case hexadecimal: what templates and the palette show.
QString ColorRefToHex(ColorRef color);
// "#RRGGBB" (case-insensitive) as a ColorRef; false for anything else.
bool ParseHexColor(const QString& text, ColorRef& color);
