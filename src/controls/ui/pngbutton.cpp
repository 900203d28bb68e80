#include "controls/ui/pngbutton.h"

#include "controls/colormatrix.h"
#include "controls/picturefit.h"

#include <QCursor>
#include <QEvent>
#include <QHelpEvent>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTimerEvent>
#include <QToolTip>

CXPNGButton::CXPNGButton(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_crBackground = palette().color(QPalette::Button);
}

bool CXPNGButton::LoadPicture(int resourceId)
{
    return LoadPicture(QStringLiteral(":/res/%1.png").arg(resourceId));
}

bool CXPNGButton::LoadPicture(const QString& path)
{
    m_normal = m_bright = m_grey = QImage();
    m_bPicturesReady = false;
    QImageReader reader(path);
    QImage picture = reader.read();
    if (!picture.isNull()) {
        m_normal = picture.convertToFormat(QImage::Format_ARGB32);
        m_bright = ApplyColorMatrix(m_normal, CXColorMatrix::Brighten());
        m_grey = ApplyColorMatrix(m_normal, CXColorMatrix::Greyscale());
        m_bPicturesReady = !m_bright.isNull() && !m_grey.isNull();
    }
    updateGeometry();
    update();
    return m_bPicturesReady;
}

void CXPNGButton::SetTooltipText(const QString& text)
{
    m_strTooltip = text;
    setToolTip(text);
    if (text.isEmpty()) {
        m_tooltipTimer.stop();
        QToolTip::hideText();
    }
}

void CXPNGButton::SetBackgroundColor(const QColor& color)
{
    m_crBackground = color;
    update();
}

QRect CXPNGButton::PictureRect() const
{
    if (m_normal.isNull())
        return {};
    const QRect box = rect().adjusted(0, 0, -1, -1);
    const QSize fitted = ShrinkToFit(m_normal.size(), box.size());
    return QRect(box.x() + (box.width() - fitted.width()) / 2, box.y() + (box.height() - fitted.height()) / 2,
                 fitted.width(), fitted.height());
}

CXPNGButton::Look CXPNGButton::CurrentLook() const
{
    if (!m_bPicturesReady)
        return Look::None;
    if (!isEnabled())
        return Look::Disabled;
    if (isDown())
        return Look::Pressed;
    if (m_bHot)
        return Look::Hot;
    return Look::Normal;
}

QSize CXPNGButton::sizeHint() const
{
    if (!m_normal.isNull())
        return m_normal.size() + QSize(1, 1);
    return {46, 50};
}

void CXPNGButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_crBackground);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);

    QRect target = PictureRect();
    switch (CurrentLook()) {
    case Look::None:
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextWordWrap, text());
        break;
    case Look::Pressed:
        painter.drawImage(target.translated(1, 1), m_normal);
        break;
    case Look::Hot:
        painter.drawImage(target, m_bright);
        break;
    case Look::Normal:
        painter.drawImage(target, m_normal);
        break;
    case Look::Disabled:
        painter.drawImage(target, m_grey);
        break;
    }

    // Keyboard users need to see where they are.
    if (hasFocus() && (focusPolicy() & Qt::TabFocus)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = m_crBackground;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CXPNGButton::mouseMoveEvent(QMouseEvent* event)
{
    // The whole button, not just its picture: a hot look that ends at the picture's edge flickers
    // as the mouse runs along the spare strip around it.
    SetHot(rect().contains(event->position().toPoint()));
    QAbstractButton::mouseMoveEvent(event);
}

void CXPNGButton::leaveEvent(QEvent* event)
{
    SetHot(false);
    m_tooltipTimer.stop();
    QToolTip::hideText();
    QAbstractButton::leaveEvent(event);
}

void CXPNGButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        SetHot(false);
    QAbstractButton::changeEvent(event);
}

void CXPNGButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_tooltipTimer.timerId()) {
        QAbstractButton::timerEvent(event);
        return;
    }
    m_tooltipTimer.stop();
    ShowTooltip();
}

void CXPNGButton::ShowTooltip()
{
    if (m_strTooltip.isEmpty() || !underMouse())
        return;
    QToolTip::showText(m_tooltipPos, m_strTooltip, this, rect());
}

bool CXPNGButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        // The button keeps its own, later time for the tooltip; the desktop's shorter one would
        // show it while the user is still on the way to another button.
        event->accept();
        return true;
    case QEvent::Enter:
    case QEvent::MouseMove:
        // Seen here as well, because a disabled button gets no mouse moves but still explains itself.
        if (const auto* pointer = dynamic_cast<const QSinglePointEvent*>(event))
            m_tooltipPos = pointer->globalPosition().toPoint();
        else
            m_tooltipPos = QCursor::pos();
        if (!QToolTip::isVisible() || QToolTip::text() != m_strTooltip)
            m_tooltipTimer.start(kTooltipDelayMs, Qt::PreciseTimer, this);
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
        m_tooltipTimer.stop();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

void CXPNGButton::SetHot(bool hot)
{
    if (m_bHot == hot)
        return;
    m_bHot = hot;
    update();
}
