#pragma once

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

// Nothing a flyer page holds may reach the network: templates are local files and project texts
// go into the page unescaped. Only local and inline resources pass.
class CXRemoteBlocker : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    static bool IsAllowed(const QUrl& url);
};

// A page that only follows the navigations the worker itself starts, so a refresh tag or a link
// in a project text cannot replace the flyer with another document.
class CXRenderPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;
    void ExpectNavigation() { m_bExpectNavigation = true; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}

private:
    bool m_bExpectNavigation = false;
};
