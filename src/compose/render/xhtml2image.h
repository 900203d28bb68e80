#pragma once

#include "compose/pagerenderer.h"
#include "compose/renderprotocol.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

class QProcess;

// The HTML-to-image renderer. The browser engine runs in a worker process of our own
// (listora-render-worker), so a crash of the engine never takes the window or the open
// project with it. The worker is started on first use (or early, by WarmUp), kept running
// between renders and started again when it has died.
//
// Two forms share the one worker and never interleave:
// - RenderAsync returns at once; the result arrives through RenderFinished while the caller's
//   event loop keeps running. A request made while another is running waits; a newer one
//   replaces a waiting one, which is then reported through RenderSuperseded.
// - Render blocks until the picture is there (for listora-cli and the cover maker). It first
//   waits for a running asynchronous request, whose result is then delivered later through
//   the event loop.
class CXHTML2Image : public QObject, public CXPageRenderer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXHTML2Image)

public:
    explicit CXHTML2Image(QObject* parent = nullptr);
    ~CXHTML2Image() override;

    // The worker beside the executable, else in <prefix>/libexec/listora, else in the folder
    // named by LISTORA_BIN_DIR; empty when none is found.
    static QString FindWorker();
    void SetWorkerPath(const QString& path) { m_strWorkerPath = path; }
    QString WorkerPath() const { return m_strWorkerPath; }
    // The worker in a process group of its own does not get the Ctrl-C that a terminal sends to the
    // whole group of a command: a batch finishes the pages in progress before it stops.
    void SetOwnProcessGroup(bool own) { m_bOwnProcessGroup = own; }

    // Starts the worker now, so that the first flyer does not wait for the engine to load.
    bool WarmUp(QString* error = nullptr);

    bool Render(const QString& page, int width, int height, QImage& image, QString* error = nullptr) override;
    // Each request takes the folders set when it is made.
    void SetLoadRoots(const QStringList& roots) override { m_loadRoots = roots; }
    quint64 RenderAsync(const QString& page, int width, int height);
    // Whether the running request is an asynchronous picture that was sent only moments ago (its
    // page is most likely still loading) and does not itself replace another.
    bool CanReplaceRunning() const;
    // As RenderAsync, but when CanReplaceRunning() this page goes to the worker at once and the
    // running request is given up (RenderSuperseded): a typist's newest flyer does not wait for
    // a page that is already out of date. A replacement is never replaced, so pages keep coming.
    quint64 RenderReplacing(const QString& page, int width, int height);

    // The print-quality form of a page, blocking as Render does. layout receives the JSON array of
    // the page's pictures and their boxes in CSS pixels ({src, x, y, w, h, fit, shown}); with
    // PrintMode::Pdf, pdf receives the engine's own one-page PDF of the page, pageSize CSS pixels
    // at 96 to the inch.
    bool RenderPrint(const QString& page, QSize pageSize, RenderProtocol::PrintMode mode, QByteArray& layout,
                     QByteArray& pdf, QString* error = nullptr);
    // The text-fit report (TextFit::ParseReport) of the last page rendered successfully.
    QByteArray LastFitReport() const { return m_fitReport; }

    bool IsBusy() const { return m_inFlight.has_value() || m_queued.has_value(); }
    qint64 WorkerProcessId() const; // 0 when no worker runs

Q_SIGNALS:
    // image is null when the render failed; error then says why.
    void RenderFinished(quint64 requestId, const QImage& image, const QString& error);
    void RenderSuperseded(quint64 requestId);

private:
    struct Pending
    {
        quint64 requestId = 0;
        bool blocking = false;
        int width = 0;
        int height = 0;
        QByteArray page;
        QStringList loadRoots;
        RenderProtocol::PrintMode print = RenderProtocol::PrintMode::None;
    };
    struct InFlight
    {
        Pending pending;
        quint32 wireId = 0;
        bool retried = false;
        bool timedOut = false;
        bool replacement = false;
        QDeadlineTimer deadline;
        QElapsedTimer sent;
    };
    struct Result
    {
        Result() = default;
        Result(QImage i, QString e) : image(std::move(i)), error(std::move(e)) {}
        QImage image;
        QString error;
        QByteArray layout; // print requests
        QByteArray pdf;
    };

    bool EnsureWorker(QString* error);
    Pending MakePending(const QString& page, int width, int height);
    void Send(Pending pending, bool retried);
    // Sends one request ahead of any queued one and waits for its answer.
    Result RunBlocking(const QString& page, int width, int height, RenderProtocol::PrintMode mode);
    void ReadReplies();
    void OnWorkerFinished();
    void OnTimeout();
    void Complete(const Result& result);
    void StartQueued();
    void StopWorker();
    void WaitForInFlight(); // blocks until the running request has its result

    QString m_strWorkerPath;
    bool m_bOwnProcessGroup = false;
    QStringList m_loadRoots;
    QProcess* m_pProcess = nullptr;
    RenderProtocol::CFrameReader m_reader{RenderProtocol::CFrameReader::Kind::Reply};
    quint32 m_nNextWireId = 0;
    quint64 m_nNextRequestId = 0;
    std::optional<InFlight> m_inFlight;
    std::optional<Pending> m_queued;
    std::optional<Result> m_blockingResult;
    int m_nBlockingDepth = 0;
    QTimer m_timeout;
    QByteArray m_fitReport;
    qint64 m_nLastRenderMs = 0; // send to answer of the last asynchronous picture
};
