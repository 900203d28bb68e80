#include "compose/worker/renderpage.h"

bool CXRenderPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    Q_UNUSED(url)
    Q_UNUSED(type)
    // A flyer has no frames: a frame in a project text could only show something that is not the flyer's.
    if (!isMainFrame)
        return false;
    const bool expected = m_bExpectNavigation;
    m_bExpectNavigation = false;
    return expected;
}
