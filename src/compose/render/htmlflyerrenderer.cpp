#include "compose/render/htmlflyerrenderer.h"

#include "compose/render/xhtml2image.h"

CXHTMLFlyerRenderer::~CXHTMLFlyerRenderer()
{
    Disconnect();
}

void CXHTMLFlyerRenderer::Disconnect()
{
    QObject::disconnect(m_finished);
    QObject::disconnect(m_superseded);
}

void CXHTMLFlyerRenderer::SetCallbacks(CCallbacks callbacks)
{
    Disconnect();
    if (callbacks.finished)
        m_finished = QObject::connect(&m_renderer, &CXHTML2Image::RenderFinished, &m_renderer, callbacks.finished);
    if (callbacks.superseded)
        m_superseded =
            QObject::connect(&m_renderer, &CXHTML2Image::RenderSuperseded, &m_renderer, callbacks.superseded);
}

quint64 CXHTMLFlyerRenderer::RenderAsync(const QString& page, int width, int height, const QStringList& loadRoots)
{
    m_renderer.SetLoadRoots(loadRoots);
    return m_renderer.RenderAsync(page, width, height);
}

bool CXHTMLFlyerRenderer::CanReplaceRunning() const
{
    return m_renderer.CanReplaceRunning();
}

quint64 CXHTMLFlyerRenderer::RenderReplacing(const QString& page, int width, int height, const QStringList& loadRoots)
{
    m_renderer.SetLoadRoots(loadRoots);
    return m_renderer.RenderReplacing(page, width, height);
}

bool CXHTMLFlyerRenderer::IsBusy() const
{
    return m_renderer.IsBusy();
}

QByteArray CXHTMLFlyerRenderer::LastFitReport() const
{
    return m_renderer.LastFitReport();
}
