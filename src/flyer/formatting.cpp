#include "flyer/formatting.h"

#include <QDateTime>
#include <QLocale>

QString FormatThousands(qint64 number)
{
    QString text = QString::number(number);
    const int digitsStart = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (int pos = text.size() - 3; pos > digitsStart; pos -= 3)
        text.insert(pos, QLatin1Char(','));
    return text;
}

QString FormatCount(qint64 number, const QString& unit)
{
    QString text = FormatThousands(number) + QLatin1Char(' ') + unit;
    if (number != 1)
        text += QLatin1Char('s');
    return text;
}

QString FormatProjectTime(qint64 secondsSinceEpoch)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toLocalTime();
    if (!local.isValid() || local.date().year() < 1 || local.date().year() > 9999)
        return QString();
    // AM/PM must not follow the user's language: the list's date-time ordering reads it back.
    return QLocale::c().toString(local, QStringLiteral("MM-dd-yyyy  hh:mm:ss AP"));
}
