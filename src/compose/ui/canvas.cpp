#include "compose/ui/canvas.h"

#include "compose/canvasgeometry.h"
#include "imaging/imagescaler.h"

#include <QMouseEvent>
#include <QPainter>

CXCanvas::CXCanvas(QWidget* parent) : QWidget(parent)
{
    // The paint covers every pixel; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void CXCanvas::SetPageSize(int width, int height)
{
    m_nPageWidth = width;
    m_nPageHeight = height;
}

void CXCanvas::SetShadow(bool shadow, int depth)
{
    m_bShadow = shadow;
    m_nShadowDepth = depth;
}

void CXCanvas::SizeToFit()
{
    m_pageRect = CanvasPageRect(size(), QSize(m_nPageWidth, m_nPageHeight), m_nMargin);
}

void CXCanvas::SetFlyerImage(const QImage& image)
{
    m_flyerImage = image;
    m_scaledFlyer = QImage();
    update();
}

void CXCanvas::ShowPage(const QImage& page)
{
    if (!page.isNull() && page.size() != QSize(m_nPageWidth, m_nPageHeight)) {
        SetPageSize(page.width(), page.height());
        SizeToFit();
    }
    SetFlyerImage(page);
}

void CXCanvas::SetEmptyText(const QString& text)
{
    m_strEmptyText = text;
    update();
}

void CXCanvas::SetSheetColor(const QColor& color)
{
    m_crSheet = color;
    update();
}

const QImage& CXCanvas::ScaledFlyer(const QRect& target)
{
    // Scaled once per size with the bicubic filter, in device pixels so a high-density screen
    // shows the flyer sharp; painting then only copies.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qRound(target.width() * ratio), qRound(target.height() * ratio));
    if (m_scaledFlyer.size() != pixels) {
        m_scaledFlyer = pixels == m_flyerImage.size() ? m_flyerImage : ScaleBicubic(m_flyerImage, pixels);
        m_scaledFlyer.setDevicePixelRatio(ratio);
    }
    return m_scaledFlyer;
}

void CXCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    painter.fillRect(client, BackgroundColor());
    painter.setPen(FrameColor());
    painter.drawRect(client.adjusted(0, 0, -1, -1));

    if (m_pageRect.isEmpty())
        return;

    if (m_bShadow) {
        for (const CanvasShadowRing& ring : CanvasShadow(m_pageRect, m_nShadowDepth)) {
            const QColor shade(0, 0, 0, qRound((1.0 - ring.brightness) * 255));
            painter.fillRect(ring.right, shade);
            painter.fillRect(ring.bottom, shade);
        }
    }

    painter.fillRect(m_pageRect, m_crSheet);

    if (!m_flyerImage.isNull()) {
        const QRect target = CanvasPictureRect(m_flyerImage.size(), m_pageRect);
        if (!target.isEmpty())
            painter.drawImage(target.topLeft(), ScaledFlyer(target));
    } else if (!m_strEmptyText.isEmpty()) {
        // On the sheet colour, which may be any highlight colour: pick the readable ink.
        painter.setPen(m_crSheet.lightnessF() > 0.55 ? QColor(80, 80, 80) : QColor(255, 255, 255));
        painter.drawText(m_pageRect.adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, m_strEmptyText);
    }
}

void CXCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A minimised window reports an empty area; the sheet keeps its place for the way back.
    if (width() > 0 && height() > 0) {
        SizeToFit();
        update();
    }
}

void CXCanvas::mousePressEvent(QMouseEvent* event)
{
    // Single clicks do nothing, and are not handed on to the window.
    event->accept();
}

void CXCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        Q_EMIT DoubleClicked();
    } else if (event->button() == Qt::RightButton) {
        const Qt::KeyboardModifiers held = event->modifiers();
        if ((held & Qt::ControlModifier) && (held & Qt::ShiftModifier))
            Q_EMIT CoverGestureRequested();
    }
}
