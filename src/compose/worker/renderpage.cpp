#include "compose/worker/renderpage.h"

#include <QWebEngineUrlRequestInfo>

bool CXRemoteBlocker::IsAllowed(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
           scheme == QLatin1String("about");
}

void CXRemoteBlocker::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!IsAllowed(info.requestUrl()))
        info.block(true);
}

bool CXRenderPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    Q_UNUSED(type)
    if (!isMainFrame)
        return CXRemoteBlocker::IsAllowed(url);
    const bool expected = m_bExpectNavigation;
    m_bExpectNavigation = false;
    return expected;
}
