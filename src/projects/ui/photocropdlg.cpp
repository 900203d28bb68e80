#include "projects/ui/photocropdlg.h"

#include "imaging/photocrop.h"
#include "flyer/detailschecks.h"
#include "flyer/formatting.h"
#include "settings/appinfo.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qreal kHandle = 12; // how near a corner a press resizes, in view pixels

} // namespace

CXCropView::CXCropView(const QImage& picture, int slot, QWidget* parent)
    : QWidget(parent), m_picture(picture), m_nSlot(slot)
{
    setObjectName(QStringLiteral("IDC_ST_CROPVIEW"));
    setMinimumSize(480, 360);
    setMouseTracking(true);
    m_crop = PhotoCrop::Largest(m_picture.size(), m_nSlot);
}

void CXCropView::SetCrop(const QRect& crop)
{
    const QRect inside = PhotoCrop::Inside(crop, m_picture.size(), m_nSlot);
    if (inside == m_crop)
        return;
    m_crop = inside;
    update();
    Q_EMIT CropChanged(m_crop);
}

QRect CXCropView::PictureRect() const
{
    if (m_picture.isNull())
        return QRect();
    QSize size = m_picture.size();
    size.scale(this->size() - QSize(8, 8), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPoint CXCropView::ToPicture(QPointF viewPoint) const
{
    const QRect target = PictureRect();
    if (target.isEmpty())
        return QPoint();
    const qreal scale = qreal(m_picture.width()) / target.width();
    return QPoint(qRound((viewPoint.x() - target.left()) * scale), qRound((viewPoint.y() - target.top()) * scale));
}

QRectF CXCropView::ToView(const QRect& pictureRect) const
{
    const QRect target = PictureRect();
    const qreal scale = m_picture.isNull() ? 1 : qreal(target.width()) / m_picture.width();
    return QRectF(target.left() + pictureRect.left() * scale, target.top() + pictureRect.top() * scale,
                  pictureRect.width() * scale, pictureRect.height() * scale);
}

void CXCropView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x30, 0x33, 0x36));
    const QRect target = PictureRect();
    if (target.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);

    // What the flyer leaves out is dimmed; the frame and its corners stay plain to see.
    const QRectF frame = ToView(m_crop);
    QPainterPath outside;
    outside.addRect(QRectF(target));
    outside.addRect(frame);
    painter.fillPath(outside, QColor(0, 0, 0, 140));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawRect(frame);
    for (const QPointF corner : {frame.topLeft(), frame.topRight(), frame.bottomLeft(), frame.bottomRight()})
        painter.fillRect(QRectF(corner - QPointF(4, 4), QSizeF(8, 8)), Qt::white);
}

void CXCropView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QRectF frame = ToView(m_crop);
    const QPointF at = event->position();
    const struct
    {
        QPointF corner;
        QPoint opposite;
    } corners[] = {
        {frame.topLeft(), m_crop.bottomRight() + QPoint(1, 1)},
        {frame.topRight(), QPoint(m_crop.left(), m_crop.bottom() + 1)},
        {frame.bottomLeft(), QPoint(m_crop.right() + 1, m_crop.top())},
        {frame.bottomRight(), m_crop.topLeft()},
    };
    for (const auto& c : corners) {
        if (std::abs(at.x() - c.corner.x()) <= kHandle && std::abs(at.y() - c.corner.y()) <= kHandle) {
            m_drag = Drag::Resize;
            m_anchor = c.opposite;
            return;
        }
    }
    if (frame.contains(at)) {
        m_drag = Drag::Move;
        m_grabOffset = ToPicture(at) - m_crop.topLeft();
    }
}

void CXCropView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag == Drag::Move) {
        QRect moved = m_crop;
        moved.moveTopLeft(ToPicture(event->position()) - m_grabOffset);
        SetCrop(moved);
    } else if (m_drag == Drag::Resize) {
        SetCrop(PhotoCrop::FromCorner(m_anchor, ToPicture(event->position()), m_picture.size(), m_nSlot));
    }
}

void CXCropView::mouseReleaseEvent(QMouseEvent*)
{
    m_drag = Drag::None;
}

CDLGPhotoCrop::CDLGPhotoCrop(QWidget* parent, const QImage& picture, int slot, const QRect& crop)
    : QDialog(parent), m_nSlot(slot)
{
    setObjectName(QStringLiteral("CDLGPhotoCrop"));
    setWindowTitle(QStringLiteral("Crop %1 - %2")
                       .arg(slot == 1 ? QStringLiteral("Main Photo") : QStringLiteral("Photo #%1").arg(slot),
                            AppInfo::DisplayName()));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Drag the frame to choose the part of the photo the flyer shows; drag a "
                                           "corner to make it larger or smaller."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_pView = new CXCropView(picture, slot, this);
    layout->addWidget(m_pView, 1);
    m_pSize = new QLabel(this);
    m_pSize->setObjectName(QStringLiteral("IDC_ST_CROPSIZE"));
    layout->addWidget(m_pSize);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    m_pOk->setObjectName(QStringLiteral("IDOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("IDCANCEL"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pView, &CXCropView::CropChanged, this, &CDLGPhotoCrop::OnCropChanged);
    resize(720, 600);

    if (!crop.isEmpty())
        m_pView->SetCrop(crop);
    OnCropChanged(m_pView->Crop());
}

void CDLGPhotoCrop::OnCropChanged(const QRect& crop)
{
    m_crop = crop;
    const bool ok = PhotoCrop::MeetsSizeRules(crop.size(), m_nSlot);
    const PhotoMinimum minimum = PhotoMinimumForSlot(m_nSlot);
    QString text = QStringLiteral("Cropped area: %1 x %2 pixels.")
                       .arg(FormatThousands(crop.width()), FormatThousands(crop.height()));
    if (!ok)
        text += QStringLiteral(" It must be more than %1 x %2 pixels; make the frame larger.")
                    .arg(FormatThousands(minimum.width), FormatThousands(minimum.height));
    m_pSize->setText(text);
    m_pOk->setEnabled(ok);
}
