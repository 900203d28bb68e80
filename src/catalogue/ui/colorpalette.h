#pragma once

#include "catalogue/colorpalette.h"

#include <QWidget>

class QAbstractButton;

// The highlight-colour picker: a preview box of the chosen colour beside a grid of swatches, the
// custom colours after the standard ones. A click on a swatch chooses its colour and emits
// ColorChanged(); the owner then reads the colour. "More Colors..." chooses any colour.
class CXColorPalette : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXColorPalette)

public:
    explicit CXColorPalette(QWidget* parent = nullptr);

    CXPaletteColors& Colors() { return m_colors; }
    const CXPaletteColors& Colors() const { return m_colors; }

    void AddColor(ColorRef color) { m_colors.AddColor(color); }
    void ResetColors() { m_colors.ResetColors(); }
    void AddStandardColors() { m_colors.AddStandardColors(); }
    void SetupStandardPalette(ColorRef selected, int previewWidth);

    ColorRef GetSelectedColor() const { return m_colors.GetSelectedColor(); }
    void SetSelectedColor(ColorRef color) { m_colors.SetSelectedColor(color); }
    QString GetColorHex() const { return m_colors.GetColorHex(); }
    void SetPreviewWidth(int width) { m_colors.SetPreviewWidth(width); }
    void SetColumns(int columns) { m_colors.SetColumns(columns); }
    void SetRows(int rows) { m_colors.SetRows(rows); }

    void SetCustomColors(const QList<ColorRef>& colors);
    const QList<ColorRef>& CustomColors() const { return m_colors.CustomColors(); }

    // The colour dialog (its "HTML" field takes #RRGGBB), opened at the chosen colour. A colour
    // taken becomes the chosen one and, unless it is a standard swatch, the first custom colour.
    void ChooseMoreColors();
    // The "More Colors..." button an owner places beside the palette.
    QAbstractButton* MakeMoreColorsButton(QWidget* parent);

    CXPaletteLayout CalcRects() const;

    QSize sizeHint() const override { return {265, 96}; }

Q_SIGNALS:
    // A swatch was clicked; GetSelectedColor() holds its colour.
    void ColorChanged();
    // The custom colours changed; CustomColors() holds them.
    void CustomColorsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CXPaletteColors m_colors;
};
