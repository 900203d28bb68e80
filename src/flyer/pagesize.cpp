#include "flyer/pagesize.h"

QSize FlyerPageSize(int width, int height)
{
    const auto inRange = [](int side) { return side >= kMinPagePixels && side <= kMaxPagePixels; };
    if (!inRange(width) || !inRange(height))
        return kLetterPage;
    return QSize(width, height);
}

QSizeF PagePoints(QSize page)
{
    return QSizeF(page.width() * 72.0 / kPixelsPerInch, page.height() * 72.0 / kPixelsPerInch);
}

QSizeF PageInches(QSize page)
{
    return QSizeF(double(page.width()) / kPixelsPerInch, double(page.height()) / kPixelsPerInch);
}

namespace {

struct NamedFormat
{
    const char* name;
    QSize page;
};

constexpr NamedFormat kFormats[] = {
    {"letter", kLetterPage},           {"letter-landscape", QSize(1056, 816)},
    {"square", QSize(1080, 1080)},     {"story", QSize(1080, 1920)},
    {"link", QSize(1200, 630)},        {"postcard-6x4", QSize(576, 384)},
    {"postcard-9x6", QSize(864, 576)},
};

} // namespace

QString PageFormatName(QSize page)
{
    for (const NamedFormat& format : kFormats) {
        if (format.page == page)
            return QLatin1String(format.name);
    }
    return QStringLiteral("custom");
}

QStringList PageFormatNames()
{
    QStringList names;
    for (const NamedFormat& format : kFormats)
        names.append(QLatin1String(format.name));
    names.append(QStringLiteral("custom"));
    return names;
}

PageGroup PageGroupOf(QSize page)
{
    const QString name = PageFormatName(page);
    if (name.startsWith(QLatin1String("postcard-")))
        return PageGroup::Postcards;
    if (name == QLatin1String("square") || name == QLatin1String("story") || name == QLatin1String("link"))
        return PageGroup::Social;
    return PageGroup::Flyers;
}
