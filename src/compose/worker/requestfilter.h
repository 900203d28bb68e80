#pragma once

#include "compose/loadpolicy.h"

#include <QMutex>
#include <QWebEngineUrlRequestInterceptor>

// Every request a page makes passes here: what the page may load is decided by CXPageLoadPolicy,
// with the folders the client sends along with each page.
class CXRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void SetRoots(const QStringList& roots);
    void SetOwnPage(const QString& path);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    // The engine may ask from its own thread while the next page's folders are being set.
    mutable QMutex m_mutex;
    CXPageLoadPolicy m_policy;
};
