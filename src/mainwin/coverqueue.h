#pragma once

#include "compose/themecover.h"

#include <QImage>
#include <QList>
#include <QObject>

class CAppSettings;
class CXThemeCatalogue;
class IFlyerRenderer;

// The theme covers still to make, drawn one after the other by the flyer's renderer whenever it
// has no flyer to draw. The flyer session hands it the renderer's answers about covers.
class CCoverQueue : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCoverQueue)

public:
    // settings, themes and renderer must outlive the queue.
    CCoverQueue(const CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                QObject* parent = nullptr);

    // Queues the covers that are missing; large covers too when includeLarge and a developer folder
    // is set. Starts at once when the renderer is idle.
    void CreateMissingThemeCovers(bool includeLarge);
    bool IsMakingCovers() const { return m_nCoverRequest != 0 || !m_coverQueue.isEmpty(); }
    // A cover is on its way in the renderer.
    bool IsWaiting() const { return m_nCoverRequest != 0; }
    bool Owns(quint64 requestId) const { return requestId != 0 && requestId == m_nCoverRequest; }

    // The renderer's answers about the cover on its way.
    void OnRendered(const QImage& image);
    // It was given up for a flyer: it goes back to the front of the line.
    void OnSuperseded();
    // The renderer is free: the next cover, if any.
    void StartNextCover();

Q_SIGNALS:
    // A cover is being made: done of due made so far.
    void CoverStarted(int done, int due);
    void CoverMade(int done);
    // The last missing cover was made (or could not be).
    void CoversFinished();

private:
    const CAppSettings& m_settings;
    const CXThemeCatalogue& m_themes;
    IFlyerRenderer& m_renderer;

    struct CoverItem
    {
        qsizetype theme;
        bool large;
    };
    QList<CoverItem> m_coverQueue;
    CoverItem m_coverItem{0, false};
    CCoverJob m_coverJob;
    quint64 m_nCoverRequest = 0;
    int m_nCoversDue = 0;
    int m_nCoversDone = 0;
};
