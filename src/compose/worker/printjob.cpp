#include "compose/presspage.h"
#include "compose/textfit.h"
#include "flyer/pagesize.h"
#include "compose/worker/renderpage.h"
#include "compose/worker/renderworker.h"

#include <QLoggingCategory>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPointer>
#include <QTimer>
#include <QWebEngineScript>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

namespace {

constexpr int kPrintBoundMs = 10000;

// Every picture of the laid-out page with the box its content is drawn into, in CSS pixels
// (96 per inch) from the page's top-left corner. Runs in the isolated world: page scripts stay off.
const QString kBoxesScript =
    QStringLiteral("(function(){var out=[];Array.from(document.images).forEach(function(i){"
                   "var r=i.getBoundingClientRect(),c=getComputedStyle(i);"
                   "function n(v){v=parseFloat(v);return isFinite(v)?v:0;}"
                   "var l=n(c.borderLeftWidth)+n(c.paddingLeft),t=n(c.borderTopWidth)+n(c.paddingTop),"
                   "rr=n(c.borderRightWidth)+n(c.paddingRight),b=n(c.borderBottomWidth)+n(c.paddingBottom);"
                   "out.push({src:i.currentSrc||i.src,x:r.left+window.scrollX+l,y:r.top+window.scrollY+t,"
                   "w:Math.max(0,r.width-l-rr),h:Math.max(0,r.height-t-b),fit:c.objectFit,"
                   "shown:c.display!=='none'&&c.visibility!=='hidden'&&r.width>0&&r.height>0});});"
                   "return JSON.stringify(out);})()");

} // namespace

void CXRenderWorker::StartPrint()
{
    qCDebug(lcWorker) << "page ready for print" << m_clock.elapsed();
    // Poll stays quiet while this runs; the job has its own bound instead.
    m_scriptPending = true;
    const quint64 token = m_token;
    QTimer::singleShot(kPrintBoundMs, this, [this, token] {
        if (token == m_token && m_stage != Stage::Idle)
            Fail(QStringLiteral("the print page did not complete within %1 seconds").arg(kPrintBoundMs / 1000));
    });
    m_page->runJavaScript(kBoxesScript, QWebEngineScript::ApplicationWorld, [this, token](const QVariant& result) {
        if (token != m_token || m_stage == Stage::Idle)
            return;
        const QByteArray boxes = result.toString().toUtf8();
        if (boxes.isEmpty()) {
            Fail(QStringLiteral("the page's pictures could not be measured"));
            return;
        }
        // What the text fit had to cut rides along, as an entry that is no picture box.
        const QByteArray layout = TextFit::WithLayout(boxes, m_fitReport);
        MeasurePress(layout);
    });
}

void CXRenderWorker::MeasurePress(const QByteArray& layout)
{
    // The press checks (and, for the press page, the bleed) on the page as laid out at trim size.
    const quint64 token = m_token;
    const bool press = m_job.request.print == RenderProtocol::PrintMode::Press;
    const QSize page(m_job.request.width, m_job.request.height);
    m_page->runJavaScript(PressPage::Script(page, press), QWebEngineScript::ApplicationWorld,
                          [this, token, layout](const QVariant& result) {
                              if (token != m_token || m_stage == Stage::Idle)
                                  return;
                              PrintLaidOut(PressPage::WithLayout(layout, result.toString().toUtf8()));
                          });
}

void CXRenderWorker::PrintLaidOut(const QByteArray& layout)
{
    const quint64 token = m_token;
    if (m_job.request.print == RenderProtocol::PrintMode::Layout) {
        FinishPrint(layout, QByteArray());
        return;
    }
    // One page without margins, as large as the page laid out (96 CSS pixels to the inch), or the
    // press sheet around it. A wide page is a landscape sheet, so that viewers and printers turn it
    // the right way.
    const QSize laidOut(m_job.request.width, m_job.request.height);
    const QSizeF points =
        PagePoints(m_job.request.print == RenderProtocol::PrintMode::Press ? PressPage::SheetPixels(laidOut) : laidOut);
    const bool wide = points.width() > points.height();
    const QPageLayout pageLayout(QPageSize(wide ? points.transposed() : points, QPageSize::Point),
                                 wide ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    QPageRanges firstPage;
    firstPage.addPage(1);
    m_page->printToPdf(
        [self = QPointer<CXRenderWorker>(this), token, layout](const QByteArray& pdf) {
            if (!self || token != self->m_token || self->m_stage == Stage::Idle)
                return;
            if (pdf.isEmpty())
                self->Fail(QStringLiteral("the engine made no PDF of the page"));
            else
                self->FinishPrint(layout, pdf);
        },
        pageLayout, firstPage);
}

void CXRenderWorker::FinishPrint(const QByteArray& layout, const QByteArray& pdf)
{
    qCDebug(lcWorker) << "print page done" << m_clock.elapsed() << pdf.size();
    m_stage = Stage::Idle;
    ++m_token;
    if (!m_job.internal) {
        const QByteArray header = RenderProtocol::EncodePrintReplyHeader(
            m_job.request.id, RenderProtocol::Ok, m_job.request.print, layout.size(), pdf.size());
        WriteAll(header.constData(), header.size());
        WriteAll(layout.constData(), layout.size());
        WriteAll(pdf.constData(), pdf.size());
    }
    StartNext();
}

void CXRenderWorker::FailPrint(const QByteArray& reason)
{
    const QByteArray text = reason.left(64 * 1024);
    const QByteArray header = RenderProtocol::EncodePrintReplyHeader(m_job.request.id, RenderProtocol::Failed,
                                                                     m_job.request.print, text.size(), 0);
    WriteAll(header.constData(), header.size());
    WriteAll(text.constData(), text.size());
}
