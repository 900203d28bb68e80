#include "controls/ui/linkctrl.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

CXLinkCtrl::CXLinkCtrl(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &CXLinkCtrl::OpenLink);
}

void CXLinkCtrl::SetAddress(const QString& strAddress, const QString& strPrefix)
{
    m_strAddress = strAddress.trimmed();
    m_strPrefix = strPrefix;
    setToolTip(Target().toString());
}

QUrl CXLinkCtrl::Target() const
{
    return QUrl::fromUserInput(m_strPrefix + m_strAddress);
}

void CXLinkCtrl::SizeToContent(int nCentre)
{
    const QRect old = geometry();
    QRect fitted(old.topLeft(), sizeHint());
    if (nCentre & CentreHorizontal)
        fitted.moveLeft(old.left() + (old.width() - fitted.width()) / 2);
    if (nCentre & CentreVertical)
        fitted.moveTop(old.top() + (old.height() - fitted.height()) / 2);
    setGeometry(fitted);
}

QFont CXLinkCtrl::LinkFont() const
{
    QFont linkFont = font();
    linkFont.setUnderline(true);
    return linkFont;
}

QSize CXLinkCtrl::sizeHint() const
{
    const QFontMetrics metrics(LinkFont());
    // Room for the focus frame around the caption.
    return QSize(metrics.horizontalAdvance(text()) + 4, metrics.height() + 2);
}

void CXLinkCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(LinkFont());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   m_bVisited ? QPalette::LinkVisited : QPalette::Link));
    const QRect textRect = rect().adjusted(2, 1, -2, -1);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CXLinkCtrl::keyPressEvent(QKeyEvent* event)
{
    // Space does not follow a link, and Enter only on release; the dialog's default button gets neither.
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void CXLinkCtrl::keyReleaseEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        if (!event->isAutoRepeat())
            OpenLink();
        return;
    case Qt::Key_Space:
        event->accept();
        return;
    default:
        QAbstractButton::keyReleaseEvent(event);
    }
}

void CXLinkCtrl::OpenLink()
{
    const QUrl target = Target();
    const bool opened = target.isValid() && !target.isEmpty() && QDesktopServices::openUrl(target);
    m_bVisited = true;
    update();
    Q_EMIT LinkOpened(target, opened);
}
