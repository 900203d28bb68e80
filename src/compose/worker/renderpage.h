#pragma once

#include <QWebEnginePage>

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
