#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QWidget>

class QLabel;
class QPushButton;

// The whole picture with a frame of the slot's shape that the user moves (drag inside) and
// resizes (drag a corner). Works in the picture's own pixels; the view only scales.
class CXCropView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXCropView)

public:
    CXCropView(const QImage& picture, int slot, QWidget* parent = nullptr);

    QRect Crop() const { return m_crop; }
    void SetCrop(const QRect& crop);
    // Where the picture is drawn in the view.
    QRect PictureRect() const;

Q_SIGNALS:
    void CropChanged(const QRect& crop);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint ToPicture(QPointF viewPoint) const;
    QRectF ToView(const QRect& pictureRect) const;

    QImage m_picture;
    int m_nSlot;
    QRect m_crop;
    enum class Drag
    {
        None,
        Move,
        Resize
    } m_drag = Drag::None;
    QPoint m_anchor;     // resize: the fixed corner, in picture pixels
    QPoint m_grabOffset; // move: where in the frame it was taken
};

class CDLGPhotoCrop : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDLGPhotoCrop)

public:
    // slot is 1-4; crop is the one to start from (the largest frame when empty).
    CDLGPhotoCrop(QWidget* parent, const QImage& picture, int slot, const QRect& crop);

    QRect m_crop; // the result after Accepted

    CXCropView* View() const { return m_pView; }

private:
    void OnCropChanged(const QRect& crop);

    int m_nSlot;
    CXCropView* m_pView = nullptr;
    QLabel* m_pSize = nullptr;
    QPushButton* m_pOk = nullptr;
};
