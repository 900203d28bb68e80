#include "app/splashnotice.h"

#include "settings/appinfo.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace SplashNotice {

namespace {
constexpr int kFirstYear = 2006;
}

QString Years(const QDate& today)
{
    if (!today.isValid() || today.year() <= kFirstYear)
        return QString::number(kFirstYear);
    return QString::number(kFirstYear) + QLatin1Char('-') + QString::number(today.year());
}

QString Text(const QDate& today)
{
    return QStringLiteral("Copyright \u00a9 ") + Years(today) + QLatin1Char(' ') + AppInfo::MakerName() +
           QStringLiteral(". All rights reserved.\n") + AppInfo::DisplayName() + QLatin1Char(' ') +
           AppInfo::VersionString();
}

void Draw(QImage& picture, const QString& text)
{
    if (picture.isNull())
        return;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::PreferAntialias));

    const int width = picture.width();
    const int height = picture.height();
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QFontMetrics metrics(font);
    const int textHeight = metrics.boundingRect(QRect(0, 0, width, height), flags, text).height();
    const QRect band(6, height - (textHeight + 4), width - 12, textHeight + 4);

    QPainter painter(&picture);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int drawFlags = Qt::AlignCenter | Qt::TextWordWrap;
    painter.setPen(QColor(0x35, 0x35, 0x35));
    painter.drawText(band.translated(1, 1), drawFlags, text);
    painter.setPen(Qt::white);
    painter.drawText(band, drawFlags, text);
}

} // namespace SplashNotice
