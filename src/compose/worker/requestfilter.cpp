#include "compose/worker/requestfilter.h"

#include <QLoggingCategory>
#include <QWebEngineUrlRequestInfo>

Q_LOGGING_CATEGORY(lcRequestFilter, "listora.render.filter", QtWarningMsg)

namespace {

PageResourceKind KindOf(QWebEngineUrlRequestInfo::ResourceType type)
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return PageResourceKind::MainFrame;
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
        return PageResourceKind::Picture;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        return PageResourceKind::Font;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        return PageResourceKind::StyleSheet;
    default:
        return PageResourceKind::Other;
    }
}

} // namespace

void CXRequestFilter::SetRoots(const QStringList& roots)
{
    QMutexLocker lock(&m_mutex);
    m_policy.SetRoots(roots);
}

void CXRequestFilter::SetOwnPage(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_policy.SetOwnPage(path);
}

void CXRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QUrl url = info.requestUrl();
    bool allowed;
    {
        QMutexLocker lock(&m_mutex);
        allowed = m_policy.IsAllowed(url, KindOf(info.resourceType()));
    }
    if (!allowed) {
        qCDebug(lcRequestFilter) << "refused" << info.resourceType() << url.toDisplayString().left(200);
        info.block(true);
    }
}
