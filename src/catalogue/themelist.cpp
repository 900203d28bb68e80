#include "catalogue/themelist.h"

#include "catalogue/listitemstyle.h"
#include "catalogue/themecatalogue.h"
#include "catalogue/themefilter.h"
#include "controls/picturefit.h"
#include "flyer/formatting.h"

const QList<ThemeFilterEntry>& ThemeFilterEntries()
{
    static const QList<ThemeFilterEntry> entries = {
        {QStringLiteral("Show All Flyer Themes"), 0},
        {QStringLiteral("Show One-Photo Flyer Themes"), 1},
        {QStringLiteral("Show Three-Photo Flyer Themes"), 3},
        {QStringLiteral("Show Four-Photo Flyer Themes"), 4},
    };
    return entries;
}

int ThemeFilterIndexOf(int value)
{
    const QList<ThemeFilterEntry>& entries = ThemeFilterEntries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).value == value)
            return i;
    }
    return -1;
}

const QList<ThemeFilterEntry>& ThemeFormatEntries()
{
    static const QList<ThemeFilterEntry> entries = {{QStringLiteral("Flyers"), kFormatFlyers},
                                                    {QStringLiteral("Postcards"), kFormatPostcards},
                                                    {QStringLiteral("Social media"), kFormatSocial},
                                                    {QStringLiteral("All"), kFormatAll}};
    return entries;
}

QList<ThemeListEntry> BuildThemeList(const CXThemeCatalogue& catalogue, int filterValue, int formatValue)
{
    QList<ThemeListEntry> entries;
    for (qsizetype index : FilterThemes(catalogue, filterValue, formatValue))
        entries.append({catalogue.at(index).GetName(), index});
    return entries;
}

int FindThemeEntry(const QList<ThemeListEntry>& entries, const QString& name)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString ThemeDetailsText(const CXThemeTemplateInfo& theme)
{
    const auto inches = [](int pixels) { return QString::number(pixels * (1.0 / 96.0), 'f', 1); };
    return FormatCount(theme.GetPhotos(), QStringLiteral("Photo")) + QStringLiteral("\nOrientation: ") +
           (theme.GetOrientation() != 0 ? QStringLiteral("Landscape") : QStringLiteral("Portrait")) +
           QStringLiteral("\nPage size: ") + inches(theme.GetWidth()) + QStringLiteral("\" x ") +
           inches(theme.GetHeight()) + QStringLiteral("\"\nVersion: ") + theme.GetVersion() +
           QStringLiteral("\nCreated: ") + theme.GetCreated();
}

namespace {

// Rectangles from left/top/right/bottom edges, right and bottom outside.
QRect FromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

QRect Shrunk(const QRect& rect, int dx, int dy)
{
    return rect.adjusted(dx, dy, -dx, -dy);
}

} // namespace

ThemeItemLayout CalcThemeItemLayout(const QRect& item)
{
    ThemeItemLayout layout;
    const int left = item.left(), top = item.top();
    const int right = item.left() + item.width(), bottom = item.top() + item.height();
    layout.coverBox = FromEdges(left + kListMargin, top, left + kListMargin + 70, bottom);
    layout.coverFrame = Shrunk(layout.coverBox, 2, 3);
    layout.textArea = Shrunk(FromEdges(layout.coverBox.left() + layout.coverBox.width(), top, right, bottom), 2, 2);
    const int h = layout.textArea.height();
    const int titleHeight = int(0.24 * h);
    const int detailsHeight = int(0.76 * h);
    const QRect& area = layout.textArea;
    layout.titleBox = Shrunk(QRect(area.left(), area.top(), area.width(), titleHeight), 2, 2);
    layout.detailsBox = Shrunk(QRect(area.left(), area.top() + titleHeight, area.width(), detailsHeight), 2, 2);
    layout.selectionBar = SelectionBarRect(item);
    return layout;
}

QRect CoverPictureRect(QSize picture, const QRect& frame)
{
    return FitPictureRect(picture, frame, 0);
}

QList<ShadowStrip> CoverShadow(const QRect& frame)
{
    QList<ShadowStrip> strips;
    if (frame.isEmpty())
        return strips;
    // Base colour at half brightness next to the frame, fading to full brightness 3 pixels out.
    const int base[3] = {250, 230, 230};
    const int right = frame.left() + frame.width(), bottom = frame.top() + frame.height();
    for (int d = 0; d < 3; ++d) {
        const double brightness = 0.5 + 0.25 * d;
        const QRgb color = qRgb(int(base[0] * brightness), int(base[1] * brightness), int(base[2] * brightness));
        // Each ring starts one pixel further from the corner, so the shadow's ends soften too.
        strips.append({FromEdges(right + d, frame.top() + 3 + d, right + d + 1, bottom + d + 1), color});
        strips.append({FromEdges(frame.left() + 3 + d, bottom + d, right + d, bottom + d + 1), color});
    }
    return strips;
}
