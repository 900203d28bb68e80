#include "catalogue/ui/colorpalette.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QToolButton>
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

void CXColorPalette::SetCustomColors(const QList<ColorRef>& colors)
{
    m_colors.SetCustomColors(colors);
    update();
}

void CXColorPalette::ChooseMoreColors()
{
    QColorDialog dialog(ColorRefToQColor(m_colors.GetSelectedColor()), this);
    dialog.setObjectName(QStringLiteral("MoreColorsDialog"));
    dialog.setWindowTitle(QStringLiteral("More Colors"));
    // Qt's own dialog everywhere, with its hex field, whatever the desktop offers.
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return;
    const bool remembered = m_colors.ChooseCustomColor(MakeColorRef(chosen.red(), chosen.green(), chosen.blue()));
    update();
    if (remembered)
        Q_EMIT CustomColorsChanged();
    Q_EMIT ColorChanged();
}

QAbstractButton* CXColorPalette::MakeMoreColorsButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("IDC_BTN_MORECOLORS"));
    button->setText(QStringLiteral("More Colors..."));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, &CXColorPalette::ChooseMoreColors);
    return button;
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
    const QList<ColorRef> colors = m_colors.Swatches();
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
    const QList<ColorRef> colors = m_colors.Swatches();
    const int index = HitTestColor(CalcRects(), int(colors.size()), event->position().toPoint());
    if (index < 0)
        return;
    m_colors.SetSelectedColor(colors.at(index));
    update(CalcRects().previewBox);
    Q_EMIT ColorChanged();
}
