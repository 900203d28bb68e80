#pragma once

#include "app/water.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>

class CAppSettings;

// The splash picture shown while the main window starts: frameless, above other windows, centred
// in the work area, gone after three and a half seconds. The picture ripples under the mouse; a
// click opens the maker's site.
class CSplashWnd : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSplashWnd)

public:
    static constexpr int kDisplayTimeMs = 3500;
    static constexpr int kFrameMs = 20;
    static constexpr int kBlobRadius = 5;
    static constexpr int kBlobHeight = 50;
    static constexpr int kDampShift = 5;

    explicit CSplashWnd(QWidget* mainWindow);
    ~CSplashWnd() override;

    // Draws the notice into `picture`, builds the buffers and shows the window centred in the
    // work area. False for a null picture.
    bool Create(const QImage& picture);
    // Ends the splash: the main window goes to the top (under its open dialogs) and this window
    // closes (and is deleted).
    void CloseSplash();
    // The desktop shows the window.
    bool IsExposed() const;

    // The pixels on screen and the picture with its notice, as the effect draws them.
    const QImage& DisplayImage() const { return m_display; }
    const QImage& SourceImage() const { return m_source; }
    CWaterRoutine& Water() { return m_water; }

    // Where a window of `size` is centred in `workArea`.
    static QPoint CentredIn(const QRect& workArea, const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void SetSplashBitmap(const QImage& picture);
    void Ripple(const QPoint& pos);

    QPointer<QWidget> m_pMainWindow;
    QImage m_source;  // the picture with its notice
    QImage m_display; // what the window shows
    CWaterRoutine m_water;
    QBasicTimer m_animationTimer;
    QBasicTimer m_endTimer;
    bool m_bClosing = false;
    QElapsedTimer m_frameClock;
    qint64 m_nLongestFrameGapMs = 0;
    int m_nFrames = 0;
};

// Shows the splash picture (resource 136) over `mainWindow` when the settings ask for it, at once
// and painted, so it is up while the main window initialises; at most once per run. Returns
// whether a splash is up.
bool StartSplash(QWidget* mainWindow, const CAppSettings& settings);
// Ends the running splash early, if there is one.
void CloseSplash();
// The running splash, or null.
CSplashWnd* RunningSplash();
