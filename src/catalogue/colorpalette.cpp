#include "catalogue/colorpalette.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

QList<ColorRef> FromHex(std::initializer_list<const char*> hexes)
{
    QList<ColorRef> colors;
    colors.reserve(int(hexes.size()));
    for (const char* hex : hexes) {
        const uint rgb = QByteArray(hex + 1).toUInt(nullptr, 16);
        colors.append(MakeColorRef(int(rgb >> 16), int(rgb >> 8), int(rgb)));
    }
    return colors;
}

} // namespace

const QList<ColorRef>& CXPaletteColors::FirstStandardSet()
{
    static const QList<ColorRef> set =
        FromHex({"#FF8C00", "#E81522", "#0063B1", "#2E7D9A", "#4C4A48", "#8E8CD8", "#C30052", "#6B69D6",
                 "#008387", "#505C6B", "#4A5459", "#8765B8", "#BF0077", "#744CA9", "#008574", "#486760",
                 "#525D54", "#D13538", "#9A0089", "#881598", "#15893D", "#157C15", "#7E735F"});
    return set;
}

const QList<ColorRef>& CXPaletteColors::SecondStandardSet()
{
    static const QList<ColorRef> set =
        FromHex({"#70000C", "#710039", "#6F0374", "#391379", "#013B2E", "#402408", "#671E00", "#980B1A", "#970C51",
                 "#900995", "#471A94", "#015441", "#583616", "#8F2A00", "#BB1D2E", "#B21162", "#AD10B4", "#5C27B5",
                 "#15705B", "#673F19", "#AD3300", "#D52437", "#D5207A", "#CC20D4", "#6C2FD2", "#1C856E", "#7C4F23",
                 "#CD3D00", "#F13449", "#F32A8F", "#E624EF", "#7B38ED", "#279980", "#8C5927", "#EB4600"});
    return set;
}

const QList<ColorRef>& CXPaletteColors::OwnerColors()
{
    static const QList<ColorRef> set = FromHex({"#D5E4F2", "#00008B", "#A9A9A9", "#ADD8E6", "#D3D3D3", "#7B68EE",
                                                "#0000CD", "#008B8B", "#E6E6FA", "#BDB76B", "#C0C0C0", "#8A2BE2"});
    return set;
}

void CXPaletteColors::AddColor(ColorRef color)
{
    const auto it = std::lower_bound(m_colors.begin(), m_colors.end(), color);
    if (it == m_colors.end() || *it != color)
        m_colors.insert(it, color);
}

void CXPaletteColors::ResetColors()
{
    m_colors.clear();
    for (ColorRef color : FirstStandardSet())
        AddColor(color);
}

void CXPaletteColors::AddStandardColors()
{
    for (ColorRef color : SecondStandardSet())
        AddColor(color);
}

void CXPaletteColors::SetupStandardPalette(ColorRef selected, int previewWidth)
{
    SetSelectedColor(selected);
    SetPreviewWidth(previewWidth);
    ResetColors();
    AddStandardColors();
    for (ColorRef color : OwnerColors())
        AddColor(color);
    SetColumns(10);
    FitRows();
}

void CXPaletteColors::FitRows()
{
    const int swatches = int(m_colors.size() + m_customColors.size());
    SetRows((swatches + 9) / 10);
}

void CXPaletteColors::SetCustomColors(const QList<ColorRef>& colors)
{
    m_customColors.clear();
    for (ColorRef color : colors) {
        color &= 0xFFFFFF;
        if (!m_colors.contains(color) && !m_customColors.contains(color) && m_customColors.size() < kMaxCustomColors)
            m_customColors.append(color);
    }
    if (m_nColumns == 10)
        FitRows();
}

bool CXPaletteColors::ChooseCustomColor(ColorRef color)
{
    color &= 0xFFFFFF;
    SetSelectedColor(color);
    if (m_colors.contains(color) || m_customColors.value(0, ~0u) == color)
        return false;
    QList<ColorRef> colors{color};
    colors.append(m_customColors);
    SetCustomColors(colors);
    return true;
}

QList<ColorRef> CustomColorsFromText(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    QList<ColorRef> colors;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = hex.match(word);
        if (!match.hasMatch())
            continue;
        const uint rgb = match.captured(1).toUInt(nullptr, 16);
        const ColorRef color = MakeColorRef(int(rgb >> 16), int(rgb >> 8), int(rgb));
        if (!colors.contains(color) && colors.size() < kMaxCustomColors)
            colors.append(color);
    }
    return colors;
}

QString CustomColorsToText(const QList<ColorRef>& colors)
{
    QStringList words;
    for (ColorRef color : colors)
        words.append(ColorRefToHex(color));
    return words.join(QLatin1Char(' '));
}

CXPaletteLayout CalcRects(QSize client, int previewWidth, int columns, int rows)
{
    CXPaletteLayout layout;
    // Edges as left/top/right/bottom, the way the arithmetic is defined.
    const int previewLeft = 4, previewTop = 4, previewRight = previewWidth - 4, previewBottom = client.height() - 4;
    layout.previewBox = QRect(previewLeft, previewTop, previewRight - previewLeft, previewBottom - previewTop);

    int left = previewRight + 1, top = 2, right = client.width() - 1, bottom = client.height() - 2;
    // Without rows or columns there is no grid to divide; the palette then shows only its preview box.
    if (columns <= 0 || rows <= 0)
        return layout;

    const int cellHeight = (bottom - top) / rows;
    const int cellWidth = (right - left) / columns;
    const int hx = ((right - left) - columns * cellWidth) / 2;
    const int hy = ((bottom - top) - rows * cellHeight) / 2;
    left += hx + hx / 2;
    top += hy + hy / 2;

    layout.cells.reserve(rows * columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            layout.cells.append(QRect(left + c * cellWidth, top + r * cellHeight, cellWidth, cellHeight));
    return layout;
}

int HitTestColor(const CXPaletteLayout& layout, int colorCount, QPoint point)
{
    const int count = std::min(colorCount, int(layout.cells.size()));
    for (int i = 0; i < count; ++i) {
        if (layout.cells.at(i).contains(point))
            return i;
    }
    return -1;
}
