#include "output/flyerprint.h"

#include "flyer/flyerdata.h"

#include <QDateTime>

QString PrintJobName(const CFlyerData& flyer)
{
    return QStringLiteral("%1 - %2 - %3").arg(flyer.m_strMLS, flyer.m_strAddress, flyer.m_strCityStateZip);
}

QSizeF PrintableAreaHundredths(const QSizeF& millimetres)
{
    constexpr float kHundredthsPerMillimetre = 3.937007874015748f;
    const float width = float(millimetres.width()) * kHundredthsPerMillimetre;
    const float height = float(millimetres.height()) * kHundredthsPerMillimetre;
    return QSizeF(width, height);
}

void MarkFlyerPrinted(CFlyerData& flyer, const QString& theme, const QString& font, quint32 color)
{
    flyer.m_bPrinted = 1;
    flyer.m_timePrinted = QDateTime::currentSecsSinceEpoch();
    flyer.m_crColor = color;
    flyer.m_strFont = font;
    flyer.m_strTheme = theme;
}

QRectF FitFlyerRect(const QSizeF& area, const QSizeF& flyer)
{
    if (flyer.isEmpty() || area.isEmpty())
        return QRectF();
    const QSizeF fitted = flyer.scaled(area, Qt::KeepAspectRatio);
    return QRectF(QPointF((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2), fitted);
}
