#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>

// Converts the dialog units of a dialog layout to pixels for the dialog's font, the way the
// classic dialog manager does: 4 units across per average character, 8 down per line.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int alphabet =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_nBaseX = qMax(1, (alphabet / 26 + 1) / 2);
        m_nBaseY = qMax(1, metrics.height());
    }

    int X(int units) const { return units * m_nBaseX / 4; }
    int Y(int units) const { return units * m_nBaseY / 8; }
    QRect Rect(int x, int y, int width, int height) const
    {
        return QRect(X(x), Y(y), X(x + width) - X(x), Y(y + height) - Y(y));
    }
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

private:
    int m_nBaseX;
    int m_nBaseY;
};
