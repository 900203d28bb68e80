#pragma once

#include "formats/colorref.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// The swatch colours and the chosen colour of a colour palette, without any drawing.
class CXPaletteColors
{
public:
    // Inserts at its place in ascending 32-bit order; a colour already present changes nothing.
    void AddColor(ColorRef color);
    // Empties the swatches and adds the first standard set.
    void ResetColors();
    // Adds the second standard set.
    void AddStandardColors();
    // The setup both owners use: reset, both standard sets, the owners' twelve, 10 columns and as many
    // rows as the colours (and the custom colours after them) need.
    void SetupStandardPalette(ColorRef selected, int previewWidth);

    const QList<ColorRef>& Colors() const { return m_colors; }

    // Colours chosen with "More Colors...", newest first: swatches after the standard ones. A colour
    // that is a standard swatch is not repeated; the rows grow with them when columns are set.
    void SetCustomColors(const QList<ColorRef>& colors);
    const QList<ColorRef>& CustomColors() const { return m_customColors; }
    // A colour chosen with "More Colors...": selected, and remembered first among the custom colours
    // unless it is a standard swatch. True when the custom colours changed.
    bool ChooseCustomColor(ColorRef color);
    // Every swatch in cell order: the standard colours, then the custom ones.
    QList<ColorRef> Swatches() const { return m_colors + m_customColors; }

    ColorRef GetSelectedColor() const { return m_crSelected; }
    void SetSelectedColor(ColorRef color) { m_crSelected = color; }
    QString GetColorHex() const { return ColorRefToHex(m_crSelected); }

    int GetPreviewWidth() const { return m_nPreviewWidth; }
    void SetPreviewWidth(int width) { m_nPreviewWidth = width; }
    int GetColumns() const { return m_nColumns; }
    void SetColumns(int columns) { m_nColumns = columns; }
    int GetRows() const { return m_nRows; }
    void SetRows(int rows) { m_nRows = rows; }

    static const QList<ColorRef>& FirstStandardSet();
    static const QList<ColorRef>& SecondStandardSet();
    static const QList<ColorRef>& OwnerColors();

private:
    void FitRows();

    QList<ColorRef> m_colors;
    QList<ColorRef> m_customColors;
    ColorRef m_crSelected = 0xFFFFFF;
    int m_nPreviewWidth = 28;
    int m_nColumns = 12;
    int m_nRows = 2;
};

// How many custom colours a palette remembers.
inline constexpr int kMaxCustomColors = 10;

// Custom colours as the settings keep them: "#RRGGBB" words separated by spaces, newest first.
// Words that are no such colour are skipped, and only the first kMaxCustomColors distinct are kept.
QList<ColorRef> CustomColorsFromText(const QString& text);
QString CustomColorsToText(const QList<ColorRef>& colors);

// Where a palette of a given client size draws its parts. Rectangles follow the list-box convention of
// left/top inside, right/bottom outside: QRect(left, top, right - left, bottom - top).
struct CXPaletteLayout
{
    QRect previewBox;
    QList<QRect> cells; // rows x columns, row by row, also positions without a colour
};

CXPaletteLayout CalcRects(QSize client, int previewWidth, int columns, int rows);

// Index of the colour whose cell holds the point, or -1 (preview box, gaps, empty cells).
int HitTestColor(const CXPaletteLayout& layout, int colorCount, QPoint point);
