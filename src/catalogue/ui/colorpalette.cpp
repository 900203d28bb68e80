#include "catalogue/ui/colorpalette.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kOutline(137, 140, 149);

// A filled rectangle with a 1-pixel frame on its outermost pixels.
void FillFramed(QPainter& painter, const QRect& rect, const QColor& fill)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    painter.fillRect(rect, fill);
    painter.setPen(kOutline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

} // namespace

CXColorPalette::CXColorPalette(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CXColorPalette::SetupStandardPalette(ColorRef selected, int previewWidth)
{
    m_colors.SetupStandardPalette(selected, previewWidth);
    update();
}

CXPaletteLayout CXColorPalette::CalcRects() const
{
    return ::CalcRects(size(), m_colors.GetPreviewWidth(), m_colors.GetColumns(), m_colors.GetRows());
}

void CXColorPalette::paintEvent(QPaintEvent*)
{
    const CXPaletteLayout layout = CalcRects();
    QPainter painter(this);
    FillFramed(painter, rect(), Qt::white);
    FillFramed(painter, layout.previewBox, ColorRefToQColor(m_colors.GetSelectedColor()));
    const QList<ColorRef>& colors = m_colors.Colors();
    const int count = std::min(int(colors.size()), int(layout.cells.size()));
    for (int i = 0; i < count; ++i)
        FillFramed(painter, layout.cells.at(i).adjusted(1, 1, -1, -1), ColorRefToQColor(colors.at(i)));
}

void CXColorPalette::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int index = HitTestColor(CalcRects(), int(m_colors.Colors().size()), event->position().toPoint());
    if (index < 0)
        return;
    m_colors.SetSelectedColor(m_colors.Colors().at(index));
    update(CalcRects().previewBox);
    Q_EMIT ColorChanged();
}
