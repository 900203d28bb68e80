#pragma once

#include <QAbstractButton>
#include <QBasicTimer>
#include <QColor>
#include <QImage>

// A push button that is a picture from the program's resources: the picture as it is, a brightened
// copy while the mouse is over it, moved one pixel right and down while pressed, and a grey copy
// while disabled. The text is the button's name and mnemonic ("&New"); it is drawn only when the
// picture is missing, so a button is never an invisible place to click.
class CXPNGButton : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXPNGButton)

public:
    enum class Look
    {
        None, // no picture: only the background (and the text)
        Normal,
        Pressed,
        Hot,
        Disabled
    };

    // How long the mouse rests on the button before its tooltip shows.
    static constexpr int kTooltipDelayMs = 1500;

    explicit CXPNGButton(QWidget* parent = nullptr);

    // The resource ":/res/<id>.png". False when it is missing, empty or not a picture; the previous
    // picture is dropped in every case.
    bool LoadPicture(int resourceId);
    bool LoadPicture(const QString& path);
    // Both derived copies were made: the button draws its picture.
    bool PicturesReady() const { return m_bPicturesReady; }

    // An empty text switches the tooltip off.
    void SetTooltipText(const QString& text);
    QString TooltipText() const { return m_strTooltip; }

    void SetBackgroundColor(const QColor& color);
    QColor BackgroundColor() const { return m_crBackground; }

    bool IsHot() const { return m_bHot; }
    // Where the picture is drawn: shrunk into the button less one pixel, centred.
    QRect PictureRect() const;
    Look CurrentLook() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SetHot(bool hot);
    void ShowTooltip();

    QImage m_normal;
    QImage m_bright;
    QImage m_grey;
    bool m_bPicturesReady = false;
    bool m_bHot = false;
    QString m_strTooltip;
    QColor m_crBackground;
    QBasicTimer m_tooltipTimer;
    QPoint m_tooltipPos; // where the mouse last rested, in global coordinates
};
