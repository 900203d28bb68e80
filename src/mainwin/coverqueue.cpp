#include "mainwin/coverqueue.h"

#include "catalogue/themecatalogue.h"
#include "compose/flyerrenderer.h"
#include "compose/loadpolicy.h"
#include "flyer/pagesize.h"

#include <algorithm>

CCoverQueue::CCoverQueue(const CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                         QObject* parent)
    : QObject(parent), m_settings(settings), m_themes(themes), m_renderer(renderer)
{
}

void CCoverQueue::CreateMissingThemeCovers(bool includeLarge)
{
    const QString largeFolder = DeveloperCoverFolder();
    for (qsizetype i = 0; i < m_themes.size(); ++i) {
        const bool queued = (m_nCoverRequest != 0 && m_coverItem.theme == i && !m_coverItem.large) ||
                            std::any_of(m_coverQueue.cbegin(), m_coverQueue.cend(),
                                        [i](const CoverItem& item) { return item.theme == i && !item.large; });
        if (!queued && ThemeCoverIsDue(m_themes.at(i), m_settings)) {
            m_coverQueue.append({i, false});
            ++m_nCoversDue;
        }
        if (includeLarge && !largeFolder.isEmpty() &&
            !IsThemeCoverCurrent(LargeThemeCoverPath(m_themes.at(i), largeFolder), m_themes.at(i))) {
            m_coverQueue.append({i, true});
            ++m_nCoversDue;
        }
    }
    if (m_nCoverRequest == 0 && !m_renderer.IsBusy())
        StartNextCover();
}

void CCoverQueue::StartNextCover()
{
    if (m_nCoverRequest != 0)
        return;
    while (!m_coverQueue.isEmpty()) {
        m_coverItem = m_coverQueue.takeFirst();
        const CXThemeTemplateInfo& theme = m_themes.at(m_coverItem.theme);
        const CoverResult prepared =
            PrepareThemeCover(theme, m_settings, m_coverJob, m_coverItem.large ? DeveloperCoverFolder() : QString());
        if (prepared == CoverResult::Ready) {
            Q_EMIT CoverStarted(m_nCoversDone, m_nCoversDue);
            const QSize page = theme.GetPageSize();
            m_nCoverRequest = m_renderer.RenderAsync(m_coverJob.page, page.width(), page.height(),
                                                     PageLoadRoots(m_settings, theme.GetTemplate(), QString()));
            return;
        }
        // Made meanwhile, or no template to make it from: nothing to wait for.
        ++m_nCoversDone;
    }
    if (m_nCoversDue > 0) {
        m_nCoversDue = m_nCoversDone = 0;
        Q_EMIT CoversFinished();
    }
}

void CCoverQueue::OnRendered(const QImage& image)
{
    m_nCoverRequest = 0;
    if (image.isNull())
        DiscardThemeCover(m_coverJob);
    else
        FinishThemeCover(m_coverJob, image);
    ++m_nCoversDone;
    Q_EMIT CoverMade(m_nCoversDone);
}

void CCoverQueue::OnSuperseded()
{
    m_nCoverRequest = 0;
    DiscardThemeCover(m_coverJob);
    m_coverQueue.prepend(m_coverItem);
}
