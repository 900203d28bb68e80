#include "controls/ui/grouplinest.h"

#include <QPainter>

CXGroupLineST::CXGroupLineST(QWidget* parent) : QWidget(parent), m_crBackground(palette().color(QPalette::Window))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CXGroupLineST::SetText(const QString& text)
{
    m_strText = text;
    update();
}

void CXGroupLineST::SetBackgroundColor(const QColor& color)
{
    m_crBackground = color;
    update();
}

QSize CXGroupLineST::sizeHint() const
{
    return QSize(100, fontMetrics().height());
}

void CXGroupLineST::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_crBackground);
    painter.fillRect(QRect(0, LineY(height()), width(), 1), LineColor());
    if (m_strText.isEmpty())
        return;
    // The caption interrupts the line rather than being struck through by it.
    const QRect textArea = rect().adjusted(4, 0, -4, 0);
    const QString shown = fontMetrics().elidedText(m_strText, Qt::ElideRight, textArea.width());
    QRect textRect = fontMetrics().boundingRect(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.fillRect(textRect.adjusted(-2, 0, 2, 0), m_crBackground);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}
