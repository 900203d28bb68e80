#include "controls/listcompare.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include <limits>

namespace {

const QString kArchiveExtensions = QStringLiteral(".zip;.rar;");

bool IsNumberText(const QString& text)
{
    for (const QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

// Leading blanks, an optional sign, then digits up to the first other character (so "12.9" is 12);
// anything that is not a number counts 0. Saturates instead of overflowing.
qint64 LeadingInteger(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

bool HasSizeUnit(const QString& text)
{
    return text.contains(QLatin1String(" GB")) || text.contains(QLatin1String(" MB")) ||
           text.contains(QLatin1String(" KB"));
}

// "1.5 GB" is 1572864 KB; a cell without a unit counts 0.
double SizeInKB(const QString& text)
{
    double factor = 0;
    int unitAt = -1;
    if ((unitAt = text.indexOf(QLatin1String(" GB"))) >= 0)
        factor = 1048576.0;
    else if ((unitAt = text.indexOf(QLatin1String(" MB"))) >= 0)
        factor = 1024.0;
    else if ((unitAt = text.indexOf(QLatin1String(" KB"))) >= 0)
        factor = 1.0;
    else
        return 0;
    QString number = text.left(unitAt).trimmed();
    number.remove(QLatin1Char(','));
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value * factor : 0;
}

bool IsDigitAt(const QString& text, int pos)
{
    return text.at(pos) >= QLatin1Char('0') && text.at(pos) <= QLatin1Char('9');
}

bool IsListDateTime(const QString& text)
{
    if (text.size() != 23)
        return false;
    for (int pos : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (!IsDigitAt(text, pos))
            return false;
    }
    return text.at(2) == QLatin1Char('-') && text.at(5) == QLatin1Char('-');
}

// Fixed positions of "%m-%d-%Y  %I:%M:%S %p"; a cell of another shape sorts before every date.
QDateTime ListDateTime(const QString& text)
{
    if (!IsListDateTime(text))
        return QDateTime();
    const auto field = [&text](int pos, int length) { return text.mid(pos, length).toInt(); };
    int hour = field(12, 2);
    const QString marker = text.mid(21, 2).toUpper();
    if (marker == QLatin1String("AM") && hour == 12)
        hour = 0;
    else if (marker == QLatin1String("PM") && hour >= 1 && hour <= 11)
        hour += 12;
    return QDateTime(QDate(field(6, 4), field(0, 2), field(3, 2)), QTime(hour, field(15, 2), field(18, 2)), Qt::UTC);
}

template <typename T> int ThreeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

QString StripListedExtension(const QString& text)
{
    const int nameStart = int(std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\')))) + 1;
    const int dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        return text;
    const QString extension = text.mid(dot).toLower();
    if (extension.size() < 2)
        return text;
    const QStringList listed = kArchiveExtensions.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return listed.contains(extension) ? text.left(dot) : text;
}

int CompareListCells(const QString& firstCell, const QString& secondCell)
{
    const QString first = StripListedExtension(firstCell);
    const QString second = StripListedExtension(secondCell);

    if (IsNumberText(first)) {
        return ThreeWay(LeadingInteger(QString(first).remove(QLatin1Char(','))),
                        LeadingInteger(QString(second).remove(QLatin1Char(','))));
    }
    if (HasSizeUnit(first))
        return ThreeWay(SizeInKB(first), SizeInKB(second));
    if (IsListDateTime(first)) {
        const QDateTime a = ListDateTime(first);
        const QDateTime b = ListDateTime(second);
        if (!b.isValid())
            return a.isValid() ? 1 : 0;
        if (!a.isValid())
            return -1;
        return ThreeWay(a, b);
    }
    return first.compare(second, Qt::CaseInsensitive);
}
