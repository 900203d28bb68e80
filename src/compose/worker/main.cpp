#include "settings/diagnostics.h"
#include "catalogue/fontcatalogue.h"
#include "compose/renderprotocol.h"
#include "compose/worker/renderworker.h"

#include <QApplication>
#include <QThread>

#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Reads request frames from standard input on its own thread; the engine lives on the GUI thread.
class CXRequestReader : public QThread
{
public:
    explicit CXRequestReader(CXRenderWorker* worker) : m_worker(worker) {}

protected:
    void run() override
    {
        RenderProtocol::CFrameReader reader(RenderProtocol::CFrameReader::Kind::Request);
        QByteArray chunk(1 << 16, Qt::Uninitialized);
        for (;;) {
            const auto n = ::read(STDIN_FILENO, chunk.data(), size_t(chunk.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // the client closed its end: it has ended or restarts us
            reader.Append(QByteArray(chunk.constData(), n));
            RenderProtocol::Request request;
            while (reader.TakeRequest(request)) {
                QMetaObject::invokeMethod(
                    m_worker, [worker = m_worker, request] { worker->Enqueue(request); }, Qt::QueuedConnection);
            }
            if (reader.HasError())
                break;
        }
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    }

private:
    CXRenderWorker* m_worker;
};

void PrepareEnvironment()
{
    // The flyer must not depend on the desktop: no display, no scaling, no graphics driver.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                             "QT_DEVICE_PIXEL_RATIO", "QT_FONT_DPI", "QT_SCALE_FACTOR_ROUNDING_POLICY"})
        qunsetenv(name);
    // Frames follow each other as fast as they are drawn, not at 60 per second: the readiness
    // handshake waits for three of them.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--disable-gpu --disable-frame-rate-limit --disable-logging --no-default-browser-check");
    // The engine's sandbox cannot start as root; for everybody else it stays on.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    else
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
}

} // namespace

int main(int argc, char* argv[])
{
    // Replies go to a private copy of standard output; anything the engine prints lands on stderr.
    const int replyFd = ::dup(STDOUT_FILENO);
    if (replyFd < 0)
        return 1;
    ::fcntl(replyFd, F_SETFD, FD_CLOEXEC);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    std::signal(SIGPIPE, SIG_IGN);
    Diagnostics::Install();

    PrepareEnvironment();
    ApplyFontRules();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    CXRenderWorker worker(replyFd);
    worker.WarmUp();
    CXRequestReader reader(&worker);
    reader.start();
    const int rc = app.exec();
    // The reader may still be blocked on standard input; it ends with the process.
    reader.terminate();
    reader.wait(1000);
    return rc;
}
