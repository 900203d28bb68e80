#include "support/urlcatcher.h"

#include <QDesktopServices>

namespace TestSupport {

UrlCatcher::UrlCatcher(const QStringList& schemes) : m_schemes(schemes)
{
    for (const QString& scheme : m_schemes)
        QDesktopServices::setUrlHandler(scheme, this, "Open");
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& scheme : m_schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void UrlCatcher::Open(const QUrl& url)
{
    urls.append(url);
}

} // namespace TestSupport
