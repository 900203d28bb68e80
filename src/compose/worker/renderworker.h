#pragma once

#include "compose/renderprotocol.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QQueue>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

class QWebEngineProfile;
class QWebEngineView;
class CXRenderPage;
class CXRequestFilter;

// Renders one page at a time in an off-screen web view and hands the pixels back through the
// protocol stream. A page counts as complete only once it is loaded, its fonts and pictures are
// ready and a frame painted after that has been seen: loadFinished alone captures stale frames.
// The frame captured is the one after the first frame that shows the page's sentinel pixel.
class CXRenderWorker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXRenderWorker)

public:
    explicit CXRenderWorker(int replyFd, QObject* parent = nullptr);
    ~CXRenderWorker() override;

    // Loads a small page so that the engine and its renderer process are up before the first request.
    void WarmUp();

public Q_SLOTS:
    void Enqueue(const RenderProtocol::Request& request);

private:
    enum class Stage
    {
        Idle,
        Loading,
        SentinelA,
        SentinelB,
        SentinelGone
    };

    struct Job
    {
        RenderProtocol::Request request;
        bool internal = false; // the warm-up: nothing is sent back
    };

    // Gives up the picture request with this id if its page is still loading (answered Dropped).
    void Drop(quint32 id);
    void StartNext();
    QString PageFragment() const;
    bool LoadFromFile(const QByteArray& page, const QString& fragment);
    void Poll();
    void SchedulePoll();
    void OnReadyAnswer(bool ready, const QByteArray& fitReport);
    QRgb GrabCornerPixel();
    void RemoveSentinel(QRgb shown);
    // The print-quality page (printjob.cpp): the pictures' boxes, then the engine's own PDF.
    bool IsPrintJob() const { return m_job.request.print != RenderProtocol::PrintMode::None; }
    void StartPrint();
    void MeasurePress(const QByteArray& layout);
    void PrintLaidOut(const QByteArray& layout);
    void FinishPrint(const QByteArray& layout, const QByteArray& pdf);
    void FailPrint(const QByteArray& reason);
    void Finish(const QImage& image);
    void Fail(const QString& reason);
    void SendReply(quint32 id, RenderProtocol::Status status, int width, int height, const char* data, qint64 bytes);
    void WriteAll(const char* data, qint64 bytes);

    int m_replyFd;
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<CXRequestFilter> m_filter;
    std::unique_ptr<CXRenderPage> m_page;
    std::unique_ptr<QWebEngineView> m_view;
    QTemporaryDir m_scratch;
    QString m_strPageFile; // the page now loaded, removed when the next one is written

    QQueue<Job> m_queue;
    Job m_job;
    Stage m_stage = Stage::Idle;
    QRgb m_shownSentinel = 0;
    // No page that ended before its sentinel was taken away can still be on screen.
    bool m_bScreenClean = true;
    quint64 m_token = 0;
    bool m_scriptPending = false;
    bool m_bLoadSeen = false;
    QByteArray m_fitReport; // TextFit's report of the page being rendered
    QTimer m_pollTimer;
    QTimer m_idleTimer;
    QElapsedTimer m_clock;
};
