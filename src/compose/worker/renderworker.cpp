#include "compose/worker/renderworker.h"

#include "compose/textfit.h"
#include "compose/worker/renderpage.h"
#include "compose/worker/requestfilter.h"
#include "flyer/pagesize.h"
#include "formats/filewriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cerrno>
#ifdef Q_OS_WIN
#include <io.h>
#define write _write
#else
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcWorker, "listora.render.worker", QtWarningMsg)

namespace {

// The engine refuses inline pages whose data: URL passes 2 MB; percent-encoding can triple the
// size, so anything larger than this cannot fall back to going inline.
constexpr qsizetype kInlinePageLimit = 600 * 1024;
constexpr qint64 kCompleteBoundMs = 10000;
constexpr int kPollMs = 2;
// Before the page reports its load, asking it is only a rare fallback: each question interrupts
// the renderer while it is still parsing and decoding.
constexpr int kLoadingPollMs = 25;
constexpr int kIdleBlankMs = 1000;

// Two colours no flyer is likely to have at its top-left pixel.
constexpr QRgb kSentinelA = 0xFF03FB07;
constexpr QRgb kSentinelB = 0xFFFB05F9;

QString SentinelScript(QRgb colour)
{
    const QString css = QStringLiteral("rgb(%1,%2,%3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour));
    return QStringLiteral(
               "(function(){var d=document.getElementById('__listora_sentinel');"
               "if(!d){d=document.createElement('div');d.id='__listora_sentinel';"
               "document.documentElement.appendChild(d);}"
               "d.style.cssText='position:fixed!important;left:0!important;top:0!important;width:1px!important;"
               "height:1px!important;margin:0!important;padding:0!important;border:0!important;"
               "z-index:2147483647!important;display:block!important;visibility:visible!important;"
               "opacity:1!important;transform:none!important;background:%1!important';return 1;})()")
        .arg(css);
}

const QString kRemoveSentinel =
    QStringLiteral("(function(){var d=document.getElementById('__listora_sentinel');if(d)d.remove();return 1;})()");

} // namespace

CXRenderWorker::CXRenderWorker(int replyFd, QObject* parent) : QObject(parent), m_replyFd(replyFd)
{
    m_profile = std::make_unique<QWebEngineProfile>(); // off the record: nothing stored on disk
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    m_filter = std::make_unique<CXRequestFilter>();
    m_profile->setUrlRequestInterceptor(m_filter.get());

    m_page = std::make_unique<CXRenderPage>(m_profile.get());
    m_page->setBackgroundColor(Qt::white);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScrollAnimatorEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

    m_view = std::make_unique<QWebEngineView>();
    m_view->setPage(m_page.get());
    m_view->setAttribute(Qt::WA_DontShowOnScreen);
    m_view->resize(kLetterPage);
    m_view->show();

    connect(m_page.get(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus ||
            info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
            return;
        // A page given up for this one may still report its end; it would only make this one's
        // readiness be asked too early and too often.
        if (info.url().hasFragment() && info.url().fragment() != PageFragment())
            return;
        if (m_stage == Stage::Loading) {
            qCDebug(lcWorker) << "load finished" << m_clock.elapsed();
            m_bLoadSeen = true;
            Poll();
        }
    });
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
                if (m_stage != Stage::Idle)
                    Fail(QStringLiteral("the page's renderer process ended"));
            });

    // Frames are not rate-limited, so a page left on screen that animates (a project text may
    // bring its own styles) would keep painting; an idle worker drops its page after a moment.
    // Renders in quick succession keep it, and the pictures it has decoded.
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleBlankMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_stage != Stage::Idle)
            return;
        m_page->ExpectNavigation();
        m_page->setContent(QByteArray(), QStringLiteral("text/html"), QUrl(QStringLiteral("file:///")));
    });

    m_pollTimer.setSingleShot(true);
    m_pollTimer.setInterval(kPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CXRenderWorker::Poll);
}

CXRenderWorker::~CXRenderWorker()
{
    m_view.reset();
    m_page.reset();
    m_profile->setUrlRequestInterceptor(nullptr);
    m_profile.reset();
}

void CXRenderWorker::WarmUp()
{
    Job job;
    job.internal = true;
    job.request.width = kLetterPage.width();
    job.request.height = kLetterPage.height();
    job.request.page = "<!DOCTYPE html><html><body style=\"margin:0;background:#fff\"></body></html>";
    m_queue.enqueue(job);
    if (m_stage == Stage::Idle)
        StartNext();
}

void CXRenderWorker::Enqueue(const RenderProtocol::Request& request)
{
    if (request.drop) {
        Drop(request.id);
        return;
    }
    Job job;
    job.request = request;
    if (request.print != RenderProtocol::PrintMode::None &&
        !RenderProtocol::IsValidSize(request.width, request.height)) {
        job.request.width = kLetterPage.width(); // a request that names no page
        job.request.height = kLetterPage.height();
    }
    m_queue.enqueue(job);
    if (m_stage == Stage::Idle)
        StartNext();
}

QString CXRenderWorker::PageFragment() const
{
    return QStringLiteral("listora-render-%1").arg(m_token);
}

void CXRenderWorker::Drop(quint32 id)
{
    // Only a page still loading is given up: one that is ready is a frame or two from done, and
    // answering it costs less than starting over. While the readiness script is on its way it may
    // already have put the sentinel up; such a page is let finish too.
    for (qsizetype i = 0; i < m_queue.size(); ++i) {
        if (!m_queue.at(i).internal && m_queue.at(i).request.id == id) {
            m_queue.removeAt(i);
            SendReply(id, RenderProtocol::Dropped, 0, 0, nullptr, 0);
            return;
        }
    }
    if (m_stage != Stage::Loading || m_scriptPending || m_job.internal || m_job.request.id != id || IsPrintJob())
        return;
    qCDebug(lcWorker) << "dropped while loading" << m_clock.elapsed();
    m_pollTimer.stop();
    m_stage = Stage::Idle;
    ++m_token; // late answers of the dropped page are ignored
    // Not stopped: the next page, right behind the drop, replaces it, and a load stopped first
    // would swallow the next page's own load report.
    SendReply(id, RenderProtocol::Dropped, 0, 0, nullptr, 0);
    StartNext();
}

void CXRenderWorker::StartNext()
{
    if (m_queue.isEmpty()) {
        m_stage = Stage::Idle;
        m_idleTimer.start();
        return;
    }
    m_idleTimer.stop();
    m_job = m_queue.dequeue();
    const RenderProtocol::Request& request = m_job.request;
    ++m_token;
    m_scriptPending = false;
    m_bLoadSeen = false;
    m_fitReport.clear();
    m_clock.start();

    if (m_view->size() != QSize(request.width, request.height))
        m_view->resize(request.width, request.height);

    // The fragment tells this page's document apart from the previous one still on screen.
    const QString fragment = PageFragment();
    QUrl base = request.baseUrl.isEmpty() ? QUrl(QStringLiteral("file:///")) : QUrl(QString::fromUtf8(request.baseUrl));
    if (!base.isLocalFile())
        base = QUrl(QStringLiteral("file:///"));
    base.setFragment(fragment);

    m_filter->SetRoots(request.loadRoots);
    m_stage = Stage::Loading;
    // Pages are loaded from a file: one set inline travels as a data: URL, which the engine keeps
    // for the life of the process (about 9 KB a flyer, 18 MB over a batch of 2,000).
    if (!LoadFromFile(request.page, fragment)) {
        if (request.page.size() > kInlinePageLimit) {
            Fail(QStringLiteral("the page could not be written to the scratch folder"));
            return;
        }
        // A full temporary folder still gets its flyer.
        m_page->ExpectNavigation();
        m_page->setContent(request.page, QStringLiteral("text/html;charset=UTF-8"), base);
    }
    SchedulePoll();
}

bool CXRenderWorker::LoadFromFile(const QByteArray& page, const QString& fragment)
{
    if (!m_scratch.isValid())
        return false;
    // A name of its own for every page: the same name with another fragment would only scroll the
    // page on screen. Such a page has no base folder of its own; pictures have absolute file URLs.
    const QString path = m_scratch.filePath(QStringLiteral("page-%1.html").arg(m_token));
    const QByteArray bom("\xEF\xBB\xBF"); // UTF-8 whatever the page declares, as inline
    if (!CXFileWriter::WriteFile(path, bom + page, nullptr, CXFileWriter::Durability::Scratch))
        return false;
    if (!m_strPageFile.isEmpty())
        QFile::remove(m_strPageFile);
    m_strPageFile = path;
    m_filter->SetOwnPage(path);
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(fragment);
    m_page->ExpectNavigation();
    m_page->load(url);
    return true;
}

void CXRenderWorker::SchedulePoll()
{
    m_pollTimer.start(m_stage == Stage::Loading && !m_bLoadSeen ? kLoadingPollMs : kPollMs);
}

void CXRenderWorker::Poll()
{
    if (m_stage == Stage::Idle)
        return;
    if (m_clock.elapsed() > kCompleteBoundMs) {
        Fail(QStringLiteral("the page did not complete within %1 seconds").arg(kCompleteBoundMs / 1000));
        return;
    }

    const QSize size(m_job.request.width, m_job.request.height);
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::Loading: {
        if (m_scriptPending)
            return;
        m_scriptPending = true;
        // One round trip: a page that is ready has its marked boxes fitted (and a picture job its
        // first sentinel set) by the same call that finds it ready. Fitting runs before the
        // sentinel, so the frame that shows the sentinel shows the fitted text.
        const QString script =
            QStringLiteral("(function(){if(location.hash!=='#listora-render-%1')return 0;"
                           "if(document.readyState!=='complete')return 0;"
                           "if(document.fonts&&document.fonts.status!=='loaded')return 0;"
                           "var imgs=Array.from(document.images);"
                           "if(!imgs.every(function(i){return i.complete;}))return 0;"
                           "var fit=%2;%3return [1,fit];})()")
                .arg(m_token)
                .arg(TextFit::Script(), IsPrintJob() ? QString() : SentinelScript(kSentinelA) + QLatin1Char(';'));
        const quint64 token = m_token;
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [this, token](const QVariant& result) {
            if (token != m_token || m_stage != Stage::Loading)
                return;
            m_scriptPending = false;
            const QVariantList answer = result.toList();
            const bool ready = answer.size() == 2 && answer[0].toInt() == 1;
            OnReadyAnswer(ready, ready ? answer[1].toString().toUtf8() : QByteArray());
        });
        return;
    }
    case Stage::SentinelA:
        if (GrabCornerPixel() == kSentinelA && m_view->size() == size) {
            qCDebug(lcWorker) << "sentinel A seen" << m_clock.elapsed();
            // A page that ended early may have left sentinel A on screen, so that seeing it proves
            // nothing; then a second colour must be seen first. Otherwise the frame showing A is
            // already the finished page and one more frame without the sentinel is enough.
            if (m_bScreenClean) {
                RemoveSentinel(kSentinelA);
            } else {
                m_stage = Stage::SentinelB;
                m_page->runJavaScript(SentinelScript(kSentinelB), QWebEngineScript::ApplicationWorld);
            }
        }
        break;
    case Stage::SentinelB:
        if (GrabCornerPixel() == kSentinelB) {
            qCDebug(lcWorker) << "sentinel B seen" << m_clock.elapsed();
            RemoveSentinel(kSentinelB);
        }
        break;
    case Stage::SentinelGone: {
        // The corner is watched until the sentinel has gone; only then is the whole view grabbed,
        // once, instead of on every poll while the frame without it is still being made.
        if (GrabCornerPixel() == m_shownSentinel)
            break;
        QImage image = m_view->grab().toImage();
        if (!image.isNull() && image.pixel(0, 0) != m_shownSentinel) {
            Finish(image);
            return;
        }
        break;
    }
    }
    SchedulePoll();
}

void CXRenderWorker::OnReadyAnswer(bool ready, const QByteArray& fitReport)
{
    if (!ready) {
        SchedulePoll();
        return;
    }
    m_fitReport = fitReport;
    if (IsPrintJob()) {
        StartPrint();
        return;
    }
    qCDebug(lcWorker) << "page ready" << m_clock.elapsed();
    m_stage = Stage::SentinelA;
    SchedulePoll();
}

void CXRenderWorker::RemoveSentinel(QRgb shown)
{
    m_stage = Stage::SentinelGone;
    m_shownSentinel = shown;
    m_page->runJavaScript(kRemoveSentinel, QWebEngineScript::ApplicationWorld);
}

QRgb CXRenderWorker::GrabCornerPixel()
{
    const QImage image = m_view->grab(QRect(0, 0, 1, 1)).toImage();
    return image.isNull() ? 0 : image.pixel(0, 0);
}

void CXRenderWorker::Finish(const QImage& grabbed)
{
    const RenderProtocol::Request& request = m_job.request;
    if (grabbed.size() != QSize(request.width, request.height)) {
        Fail(QStringLiteral("the view gave %1 x %2 pixels instead of %3 x %4")
                 .arg(grabbed.width())
                 .arg(grabbed.height())
                 .arg(request.width)
                 .arg(request.height));
        return;
    }
    // Opaque: RGB32 keeps 0xFF in the alpha byte, so its bytes are already ARGB32.
    const QImage image = grabbed.convertToFormat(QImage::Format_RGB32);
    qCDebug(lcWorker) << "captured" << m_clock.elapsed() << grabbed.format();
    m_stage = Stage::Idle;
    m_bScreenClean = true;
    if (!m_job.internal) {
        // The text-fit report rides behind the pixels; a client that reads only the pixels skips it.
        const QByteArray payload =
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()) + m_fitReport;
        SendReply(request.id, RenderProtocol::Ok, image.width(), image.height(), payload.constData(), payload.size());
    }
    StartNext();
}

void CXRenderWorker::Fail(const QString& reason)
{
    qCWarning(lcWorker) << "render failed:" << reason;
    m_pollTimer.stop();
    m_stage = Stage::Idle;
    m_bScreenClean = false;
    ++m_token; // late script answers of the failed page are ignored
    m_page->triggerAction(QWebEnginePage::Stop);
    if (!m_job.internal && IsPrintJob()) {
        FailPrint(reason.toUtf8());
    } else if (!m_job.internal) {
        const QByteArray text = reason.toUtf8();
        SendReply(m_job.request.id, RenderProtocol::Failed, 0, 0, text.constData(), text.size());
    }
    StartNext();
}

void CXRenderWorker::SendReply(quint32 id, RenderProtocol::Status status, int width, int height, const char* data,
                               qint64 bytes)
{
    const QByteArray header = RenderProtocol::EncodeReplyHeader(id, status, width, height, bytes);
    WriteAll(header.constData(), header.size());
    WriteAll(data, bytes);
}

void CXRenderWorker::WriteAll(const char* data, qint64 bytes)
{
    while (bytes > 0) {
        const auto n = ::write(m_replyFd, data, size_t(qMin<qint64>(bytes, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The client is gone; nobody is left to render for.
            QCoreApplication::exit(0);
            return;
        }
        data += n;
        bytes -= n;
    }
}
