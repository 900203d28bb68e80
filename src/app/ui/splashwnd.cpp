#include "app/ui/splashwnd.h"

#include "app/splashnotice.h"
#include "app/ui/bringforward.h"
#include "settings/appinfo.h"
#include "settings/appsettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>
#include <QUrl>
#include <QWindow>

#include <algorithm>

Q_LOGGING_CATEGORY(lcSplash, "listora.splash", QtWarningMsg)

namespace {

const char kSplashPicture[] = ":/res/136.png";
// How long start-up waits for the desktop to put the splash on screen.
constexpr qint64 kExposeWaitMs = 1000;

QPointer<CSplashWnd>& Running()
{
    static QPointer<CSplashWnd> splash;
    return splash;
}

bool& StartedThisRun()
{
    static bool started = false;
    return started;
}

} // namespace

CSplashWnd::CSplashWnd(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_pMainWindow(mainWindow)
{
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setWindowTitle(AppInfo::DisplayName());
}

CSplashWnd::~CSplashWnd() = default;

bool CSplashWnd::IsExposed() const
{
    const QWindow* window = windowHandle();
    return window && window->isExposed();
}

QPoint CSplashWnd::CentredIn(const QRect& workArea, const QSize& size)
{
    return QPoint(workArea.left() + workArea.width() / 2 - size.width() / 2,
                  workArea.top() + workArea.height() / 2 - size.height() / 2);
}

bool CSplashWnd::Create(const QImage& picture)
{
    if (picture.isNull())
        return false;
    QImage withNotice = picture.convertToFormat(QImage::Format_RGB32);
    SplashNotice::Draw(withNotice, SplashNotice::Text(QDate::currentDate()));

    setFixedSize(withNotice.size());
    QScreen* screen = m_pMainWindow ? m_pMainWindow->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(CentredIn(screen->availableGeometry(), size()));

    SetSplashBitmap(withNotice);
    m_endTimer.start(kDisplayTimeMs, Qt::PreciseTimer, this);
    show();
    raise();
    return true;
}

void CSplashWnd::SetSplashBitmap(const QImage& picture)
{
    m_source = picture;
    m_display = picture.copy();
    m_water.InitWater(picture.width(), picture.height());
    if (!m_animationTimer.isActive())
        m_animationTimer.start(kFrameMs, Qt::PreciseTimer, this);
}

void CSplashWnd::CloseSplash()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    // Start-up work that holds up the GUI thread shows here as a long gap between frames.
    qCDebug(lcSplash) << "frames:" << m_nFrames << "longest gap:" << m_nLongestFrameGapMs << "ms";
    m_animationTimer.stop();
    m_endTimer.stop();
    // Raise only: taking the focus from whatever the user is in would be rude.
    BringWindowForward(m_pMainWindow, false);
    close();
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_display);
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_animationTimer.timerId()) {
        if (m_frameClock.isValid())
            m_nLongestFrameGapMs = std::max(m_nLongestFrameGapMs, m_frameClock.restart());
        else
            m_frameClock.start();
        ++m_nFrames;
        if (m_water.m_bEnabled) {
            m_water.RenderWater(reinterpret_cast<const quint32*>(m_source.constBits()),
                                reinterpret_cast<quint32*>(m_display.bits()));
            m_water.StepWater(m_water.m_nPage, kDampShift);
            m_water.m_nPage ^= 1;
        }
        update();
    } else if (event->timerId() == m_endTimer.timerId()) {
        CloseSplash();
    } else {
        QWidget::timerEvent(event);
    }
}

void CSplashWnd::Ripple(const QPoint& pos)
{
    if (m_water.m_bEnabled)
        m_water.DropBlob(pos.x(), pos.y(), kBlobRadius, kBlobHeight, m_water.m_nPage);
}

void CSplashWnd::mouseMoveEvent(QMouseEvent* event)
{
    Ripple(event->position().toPoint());
}

void CSplashWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(QUrl(AppInfo::SiteUrl()));
        Ripple(event->position().toPoint());
    }
}

bool StartSplash(QWidget* mainWindow, const CAppSettings& settings)
{
    if (!settings.ShowSplashscreen || StartedThisRun() || Running())
        return false;
    StartedThisRun() = true;
    const QImage picture(QString::fromLatin1(kSplashPicture));
    if (picture.isNull()) {
        qCWarning(lcSplash, "Error starting SplashThread");
        return false;
    }
    QPointer<CSplashWnd> splash = new CSplashWnd(mainWindow);
    Running() = splash;
    if (!splash->Create(picture)) {
        delete splash;
        return false;
    }
    // On screen before the caller goes on building its window, so the splash covers that wait.
    QElapsedTimer waited;
    waited.start();
    while (splash && !splash->IsExposed() && waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    if (splash)
        splash->repaint();
    return true;
}

void CloseSplash()
{
    if (CSplashWnd* splash = Running())
        splash->CloseSplash();
}

CSplashWnd* RunningSplash()
{
    return Running();
}
