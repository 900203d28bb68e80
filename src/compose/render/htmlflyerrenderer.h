#pragma once

#include "compose/flyerrenderer.h"

#include <QMetaObject>

class CXHTML2Image;

// The engine client as the flyer session sees it.
class CXHTMLFlyerRenderer : public IFlyerRenderer
{
    Q_DISABLE_COPY_MOVE(CXHTMLFlyerRenderer)

public:
    explicit CXHTMLFlyerRenderer(CXHTML2Image& renderer) : m_renderer(renderer) {}
    ~CXHTMLFlyerRenderer() override;

    void SetCallbacks(CCallbacks callbacks) override;
    quint64 RenderAsync(const QString& page, int width, int height, const QStringList& loadRoots) override;
    bool CanReplaceRunning() const override;
    quint64 RenderReplacing(const QString& page, int width, int height, const QStringList& loadRoots) override;
    bool IsBusy() const override;
    QByteArray LastFitReport() const override;

private:
    void Disconnect();

    CXHTML2Image& m_renderer;
    QMetaObject::Connection m_finished;
    QMetaObject::Connection m_superseded;
};
