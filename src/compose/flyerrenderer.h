#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

// What the flyer session needs of the renderer: pages in, pictures out later, the newest request
// winning. The window's engine client implements it; a test stands in a fake.
class IFlyerRenderer
{
public:
    struct CCallbacks
    {
        // image is null when the render failed; error then says why.
        std::function<void(quint64 requestId, const QImage& image, const QString& error)> finished;
        // A request that waited was replaced by a newer one and will never finish.
        std::function<void(quint64 requestId)> superseded;
    };

    virtual ~IFlyerRenderer() = default;

    virtual void SetCallbacks(CCallbacks callbacks) = 0;
    // Returns at once with the request's id; the picture arrives through the callbacks. The page may
    // load only below loadRoots (PageLoadRoots).
    virtual quint64 RenderAsync(const QString& page, int width, int height, const QStringList& loadRoots) = 0;
    // Whether the running request has only just started, so that a newer page may take its place.
    virtual bool CanReplaceRunning() const { return false; }
    // As RenderAsync; when CanReplaceRunning(), the running request is given up (superseded) and
    // this page is drawn at once instead of after it.
    virtual quint64 RenderReplacing(const QString& page, int width, int height, const QStringList& loadRoots)
    {
        return RenderAsync(page, width, height, loadRoots);
    }
    // A request is running or waiting.
    virtual bool IsBusy() const = 0;
    // The text-fit report (TextFit::ParseReport) of the page handed on last; read it in `finished`.
    virtual QByteArray LastFitReport() const { return QByteArray(); }
};
