#include "output/flyerprint.h"

#include "flyer/flyerdata.h"
#include "flyer/pagesize.h"

#include <QDateTime>

#include <algorithm>

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

QRectF PrintPageRect(const QSizeF& paper, const QRectF& area, QSize page)
{
    const bool letter = page == kLetterPage || page == kLetterPage.transposed();
    const QSizeF actual = PageInches(page) * 100.0;
    if (letter || actual.width() > area.width() + 0.01 || actual.height() > area.height() + 0.01)
        return FitFlyerRect(area.size(), QSizeF(page));
    // Centred on the sheet, so a card cut from it has even borders; margins that are not even may
    // push it back into what the printer can reach.
    const double x = std::clamp((paper.width() - actual.width()) / 2, area.left(),
                                std::max(area.left(), area.right() - actual.width()));
    const double y = std::clamp((paper.height() - actual.height()) / 2, area.top(),
                                std::max(area.top(), area.bottom() - actual.height()));
    return QRectF(QPointF(x, y) - area.topLeft(), actual);
}
