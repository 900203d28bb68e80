#include "compose/render/xhtml2image.h"

#include "settings/diagnostics.h"
#include "buildconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>

#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcRender, "listora.render", QtWarningMsg)

namespace {

// The worker gives up on a page after 10 s; this much more covers the reply itself, and a
// worker that has only just been started gets time to load the engine.
constexpr int kRenderBoundMs = 10000;
constexpr int kReplyMarginMs = 5000;
constexpr int kStartAllowanceMs = 20000;
// A print page may take the worker its 10 s to load and as long again to print.
constexpr int kPrintAllowanceMs = 12000;

QString WorkerFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("listora-render-worker.exe");
#else
    return QStringLiteral("listora-render-worker");
#endif
}

} // namespace

CXHTML2Image::CXHTML2Image(QObject* parent) : QObject(parent), m_strWorkerPath(FindWorker())
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &CXHTML2Image::OnTimeout);
}

CXHTML2Image::~CXHTML2Image()
{
    if (!m_pProcess)
        return;
    m_pProcess->disconnect(this);
    // End of input tells the worker to shut its engine down cleanly.
    m_pProcess->closeWriteChannel();
    if (!m_pProcess->waitForFinished(3000)) {
        m_pProcess->kill();
        m_pProcess->waitForFinished(1000);
    }
}

QString CXHTML2Image::FindWorker()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList dirs{appDir, appDir + QStringLiteral("/../") + QStringLiteral(LISTORA_LIBEXEC_REL)};
    const QString binDir = qEnvironmentVariable("LISTORA_BIN_DIR");
    if (!binDir.isEmpty())
        dirs.append(binDir);
    for (const QString& dir : std::as_const(dirs)) {
        const QFileInfo info(QDir(dir).filePath(WorkerFileName()));
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return QString();
}

qint64 CXHTML2Image::WorkerProcessId() const
{
    return (m_pProcess && m_pProcess->state() == QProcess::Running) ? m_pProcess->processId() : 0;
}

bool CXHTML2Image::WarmUp(QString* error)
{
    return EnsureWorker(error);
}

bool CXHTML2Image::EnsureWorker(QString* error)
{
    if (m_pProcess && m_pProcess->state() != QProcess::NotRunning)
        return true;
    if (m_strWorkerPath.isEmpty()) {
        if (error)
            *error = QStringLiteral("the renderer %1 was not found beside the program").arg(WorkerFileName());
        return false;
    }
    if (m_pProcess) {
        m_pProcess->disconnect(this);
        m_pProcess->deleteLater();
    }
    m_reader.Clear();

    auto* process = new QProcess(this);
    m_pProcess = process;
    process->setProgram(m_strWorkerPath);
    // The engine is chatty on its error stream; show it only when asked to.
    if (Diagnostics::Enabled())
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this, &CXHTML2Image::ReadReplies);
    connect(process, &QProcess::finished, this, [this, process] {
        if (process == m_pProcess)
            OnWorkerFinished();
    });
#ifdef Q_OS_UNIX
    if (m_bOwnProcessGroup)
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    process->start();
    if (!process->waitForStarted(10000)) {
        const QString reason = process->errorString();
        process->disconnect(this);
        process->kill();
        process->deleteLater();
        m_pProcess = nullptr;
        if (error)
            *error = QStringLiteral("the renderer %1 could not be started: %2").arg(m_strWorkerPath, reason);
        return false;
    }
    qCDebug(lcRender) << "worker started, pid" << process->processId();
    return true;
}

void CXHTML2Image::StopWorker()
{
    if (m_pProcess && m_pProcess->state() != QProcess::NotRunning)
        m_pProcess->kill();
}

CXHTML2Image::Pending CXHTML2Image::MakePending(const QString& page, int width, int height)
{
    Pending pending;
    pending.requestId = ++m_nNextRequestId;
    pending.width = width;
    pending.height = height;
    pending.page = page.toUtf8();
    pending.loadRoots = m_loadRoots;
    return pending;
}

bool CXHTML2Image::CanReplaceRunning() const
{
    // A page spends about the first third of its time loading; after that the worker no longer
    // gives it up, and the newer page would only wait behind it.
    constexpr int kLoadingPercent = 30;
    return m_inFlight && !m_inFlight->pending.blocking &&
           m_inFlight->pending.print == RenderProtocol::PrintMode::None && !m_inFlight->replacement &&
           !m_inFlight->retried && m_nBlockingDepth == 0 && m_pProcess &&
           m_inFlight->sent.elapsed() < m_nLastRenderMs * kLoadingPercent / 100;
}

quint64 CXHTML2Image::RenderReplacing(const QString& page, int width, int height)
{
    if (!RenderProtocol::IsValidSize(width, height) || !CanReplaceRunning())
        return RenderAsync(page, width, height);
    Pending pending = MakePending(page, width, height);
    const quint64 id = pending.requestId;
    QList<quint64> given;
    given.append(m_inFlight->pending.requestId);
    if (m_queued)
        given.append(m_queued->requestId);
    m_queued.reset();
    m_pProcess->write(RenderProtocol::EncodeDrop(m_inFlight->wireId));
    m_inFlight.reset(); // whatever the worker still answers for it is ignored
    m_timeout.stop();
    Send(std::move(pending), false);
    if (m_inFlight)
        m_inFlight->replacement = true;
    for (const quint64 dropped : given)
        QMetaObject::invokeMethod(
            this, [this, dropped] { Q_EMIT RenderSuperseded(dropped); }, Qt::QueuedConnection);
    return id;
}

quint64 CXHTML2Image::RenderAsync(const QString& page, int width, int height)
{
    Pending pending = MakePending(page, width, height);
    const quint64 id = pending.requestId;

    if (!RenderProtocol::IsValidSize(width, height)) {
        QMetaObject::invokeMethod(
            this,
            [this, id, width, height] {
                Q_EMIT RenderFinished(id, QImage(),
                                      QStringLiteral("cannot render a page of %1 x %2 pixels").arg(width).arg(height));
            },
            Qt::QueuedConnection);
        return id;
    }
    if (!m_inFlight && m_nBlockingDepth == 0) {
        Send(std::move(pending), false);
        return id;
    }
    // Only the newest waiting request is worth rendering.
    if (m_queued) {
        const quint64 dropped = m_queued->requestId;
        QMetaObject::invokeMethod(
            this, [this, dropped] { Q_EMIT RenderSuperseded(dropped); }, Qt::QueuedConnection);
    }
    m_queued = std::move(pending);
    return id;
}

CXHTML2Image::Result CXHTML2Image::RunBlocking(const QString& page, int width, int height,
                                               RenderProtocol::PrintMode mode)
{
    ++m_nBlockingDepth;
    if (m_inFlight)
        WaitForInFlight(); // an asynchronous request goes first; its result is delivered later

    Pending pending = MakePending(page, width, height);
    pending.blocking = true;
    pending.print = mode;
    m_blockingResult.reset();
    Send(std::move(pending), false);
    WaitForInFlight();
    --m_nBlockingDepth;

    Result result = m_blockingResult.value_or(Result{QImage(), QStringLiteral("the renderer gave no answer")});
    m_blockingResult.reset();
    if (m_nBlockingDepth == 0)
        StartQueued();
    return result;
}

bool CXHTML2Image::Render(const QString& page, int width, int height, QImage& image, QString* error)
{
    if (!RenderProtocol::IsValidSize(width, height)) {
        if (error)
            *error = QStringLiteral("cannot render a page of %1 x %2 pixels").arg(width).arg(height);
        return false;
    }
    const Result result = RunBlocking(page, width, height, RenderProtocol::PrintMode::None);
    if (result.image.isNull()) {
        if (error)
            *error = result.error;
        return false;
    }
    image = result.image;
    return true;
}

bool CXHTML2Image::RenderPrint(const QString& page, QSize pageSize, RenderProtocol::PrintMode mode, QByteArray& layout,
                               QByteArray& pdf, QString* error)
{
    Q_ASSERT(mode != RenderProtocol::PrintMode::None);
    // Laid out at the page's own CSS pixels.
    const Result result = RunBlocking(page, pageSize.width(), pageSize.height(), mode);
    const bool ok = result.error.isEmpty() && !result.layout.isEmpty() &&
                    (mode == RenderProtocol::PrintMode::Layout || !result.pdf.isEmpty());
    if (!ok) {
        if (error)
            *error = result.error.isEmpty() ? QStringLiteral("the renderer gave an empty answer") : result.error;
        return false;
    }
    layout = result.layout;
    pdf = result.pdf;
    return true;
}

void CXHTML2Image::Send(Pending pending, bool retried)
{
    const bool fresh = !(m_pProcess && m_pProcess->state() != QProcess::NotRunning);
    InFlight flight;
    flight.pending = std::move(pending);
    flight.retried = retried;
    flight.wireId = ++m_nNextWireId;
    const int bound = kRenderBoundMs + kReplyMarginMs + (fresh ? kStartAllowanceMs : 0) +
                      (flight.pending.print == RenderProtocol::PrintMode::Pdf ||
                               flight.pending.print == RenderProtocol::PrintMode::Press
                           ? kPrintAllowanceMs
                           : 0);
    flight.deadline = QDeadlineTimer(bound);
    flight.sent.start();

    QString error;
    const bool tooLarge = flight.pending.page.size() > RenderProtocol::kMaxPageBytes;
    if (tooLarge)
        error = QStringLiteral("the page is too large to render (%1 bytes)").arg(flight.pending.page.size());
    const bool started = !tooLarge && EnsureWorker(&error);
    m_inFlight = std::move(flight);
    if (!started) {
        Complete(Result{QImage(), error});
        return;
    }
    RenderProtocol::Request request;
    request.id = m_inFlight->wireId;
    request.width = m_inFlight->pending.width;
    request.height = m_inFlight->pending.height;
    request.page = m_inFlight->pending.page;
    request.loadRoots = m_inFlight->pending.loadRoots;
    request.print = m_inFlight->pending.print;
    m_pProcess->write(RenderProtocol::EncodeRequest(request));
    if (!m_inFlight->pending.blocking)
        m_timeout.start(bound);
}

void CXHTML2Image::ReadReplies()
{
    if (!m_pProcess)
        return;
    m_reader.Append(m_pProcess->readAllStandardOutput());
    RenderProtocol::Reply reply;
    while (m_reader.TakeReply(reply)) {
        if (!m_inFlight || reply.id != m_inFlight->wireId)
            continue; // the answer to a request that was already given up
        Result result;
        const int width = m_inFlight->pending.width;
        const int height = m_inFlight->pending.height;
        if (reply.status != RenderProtocol::Ok) {
            result.error = QString::fromUtf8(reply.payload);
        } else if (reply.print != m_inFlight->pending.print) {
            result.error = QStringLiteral("the renderer answered another kind of request");
        } else if (reply.print != RenderProtocol::PrintMode::None) {
            result.layout = reply.layout;
            result.pdf = reply.payload;
        } else if (reply.width != width || reply.height != height) {
            result.error = QStringLiteral("the renderer gave %1 x %2 pixels instead of %3 x %4")
                               .arg(reply.width)
                               .arg(reply.height)
                               .arg(width)
                               .arg(height);
        } else {
            QImage image(width, height, QImage::Format_ARGB32);
            if (image.isNull()) {
                result.error = QStringLiteral("not enough memory for the rendered page");
            } else {
                const qsizetype rowBytes = qsizetype(width) * 4;
                for (int y = 0; y < height; ++y)
                    std::memcpy(image.scanLine(y), reply.payload.constData() + y * rowBytes, size_t(rowBytes));
                m_fitReport = reply.payload.mid(qsizetype(height) * rowBytes);
                image.setDotsPerMeterX(3780); // 96 dots per inch
                image.setDotsPerMeterY(3780);
                result.image = std::move(image);
            }
        }
        Complete(result);
    }
    if (m_reader.HasError()) {
        qCWarning(lcRender) << "worker stream broken:" << m_reader.Error();
        StopWorker();
    }
}

void CXHTML2Image::OnWorkerFinished()
{
    QProcess* process = m_pProcess;
    ReadReplies(); // a reply may have arrived just before the end
    qCDebug(lcRender) << "worker ended" << process->exitStatus() << process->exitCode();
    process->disconnect(this);
    process->deleteLater();
    m_pProcess = nullptr;
    m_reader.Clear();
    if (!m_inFlight)
        return;
    if (m_inFlight->timedOut) {
        Complete(Result{QImage(), QStringLiteral("the renderer did not answer in time")});
    } else if (!m_inFlight->retried) {
        // One fresh worker gets the page again; a page that kills the engine twice fails.
        Pending pending = std::move(m_inFlight->pending);
        m_inFlight.reset();
        Send(std::move(pending), true);
    } else {
        Complete(Result{QImage(), QStringLiteral("the renderer ended while drawing the page")});
    }
}

void CXHTML2Image::OnTimeout()
{
    if (!m_inFlight || !m_inFlight->deadline.hasExpired())
        return;
    qCWarning(lcRender) << "worker did not answer in time; restarting it";
    m_inFlight->timedOut = true;
    if (!m_pProcess) {
        Complete(Result{QImage(), QStringLiteral("the renderer did not answer in time")});
        return;
    }
    StopWorker(); // OnWorkerFinished completes the request
}

void CXHTML2Image::Complete(const Result& result)
{
    if (!m_inFlight->pending.blocking && !m_inFlight->retried && !result.image.isNull())
        m_nLastRenderMs = m_inFlight->sent.elapsed();
    const Pending pending = std::move(m_inFlight->pending);
    m_inFlight.reset();
    m_timeout.stop();
    if (pending.blocking) {
        m_blockingResult = result;
        return;
    }
    const quint64 id = pending.requestId;
    QMetaObject::invokeMethod(
        this, [this, id, result] { Q_EMIT RenderFinished(id, result.image, result.error); }, Qt::QueuedConnection);
    if (m_nBlockingDepth == 0)
        StartQueued();
}

void CXHTML2Image::StartQueued()
{
    if (m_inFlight || !m_queued)
        return;
    Pending pending = std::move(*m_queued);
    m_queued.reset();
    Send(std::move(pending), false);
}

void CXHTML2Image::WaitForInFlight()
{
    if (!m_inFlight)
        return;
    const quint64 requestId = m_inFlight->pending.requestId;
    while (m_inFlight && m_inFlight->pending.requestId == requestId) {
        QProcess* process = m_pProcess;
        if (!process) {
            Complete(Result{QImage(), QStringLiteral("the renderer is not running")});
            break;
        }
        if (m_inFlight->deadline.hasExpired()) {
            OnTimeout();
            if (m_pProcess == process)
                process->waitForFinished(3000); // delivers finished, which completes the request
            if (m_pProcess == process && m_inFlight && m_inFlight->pending.requestId == requestId)
                OnWorkerFinished();
            continue;
        }
        const qint64 left = m_inFlight->deadline.remainingTime();
        if (process->waitForReadyRead(int(qBound(qint64(1), left, qint64(200))))) {
            ReadReplies();
            continue;
        }
        if (m_pProcess == process && process->state() == QProcess::NotRunning)
            OnWorkerFinished();
    }
}
