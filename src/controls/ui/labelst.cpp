#include "controls/ui/labelst.h"

#include <QPaintEvent>
#include <QPainter>

CXLabelST::CXLabelST(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CXLabelST::SetFont(const QString& strFace, int nHeight, const QColor& crText)
{
    m_bOwnFont = true;
    if (strFace.isEmpty()) {
        m_font = font();
    } else {
        m_font = QFont(strFace);
        if (nHeight > 0)
            m_font.setPixelSize(nHeight);
        m_font.setWeight(QFont::Bold);
        m_font.setStyleStrategy(QFont::PreferAntialias);
    }
    m_crText = crText;
    m_crBack = Qt::white;
    m_crFrame = QColor(137, 140, 149);
    m_bFrame = false;
    updateGeometry();
    update();
}

void CXLabelST::SetText(const QString& strText)
{
    if (m_strText == strText)
        return;
    m_strText = strText;
    setAccessibleName(strText);
    updateGeometry();
    update();
}

void CXLabelST::SetAlignment(int nAlign)
{
    m_nAlign = qBound(0, nAlign, 2);
    update();
}

void CXLabelST::SetColors(const QColor& crText, const QColor& crBack, const QColor& crFrame)
{
    m_crText = crText;
    m_crBack = crBack;
    m_crFrame = crFrame;
    update();
}

void CXLabelST::SetFrame(bool bFrame)
{
    m_bFrame = bFrame;
    update();
}

Qt::Alignment CXLabelST::TextFlags(int nAlign)
{
    const Qt::Alignment horizontal = nAlign == AlignCenter  ? Qt::AlignHCenter
                                     : nAlign == AlignRight ? Qt::AlignRight
                                                            : Qt::AlignLeft;
    return horizontal | Qt::AlignVCenter;
}

QSize CXLabelST::sizeHint() const
{
    const QFontMetrics metrics(LabelFont());
    return QSize(metrics.horizontalAdvance(m_strText) + 4, metrics.height() + 2);
}

QSize CXLabelST::minimumSizeHint() const
{
    return QSize(0, QFontMetrics(LabelFont()).height());
}

void CXLabelST::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_crBack);
    if (m_bFrame) {
        painter.setPen(m_crFrame);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.setFont(LabelFont());
    painter.setPen(m_crText);
    painter.drawText(rect(), int(TextFlags(m_nAlign)) | Qt::TextSingleLine, m_strText);
}

QFont CXLabelST::LabelFont() const
{
    // Until it is given a font of its own, the label follows the font of its dialog.
    return m_bOwnFont ? m_font : font();
}
