#pragma once

// What the main window's tests share.

#include "mainwin/ui/maindialog.h"
#include "projects/flyerdata.h"

#include <QTest>

#include <functional>
#include <memory>

// The main window on screen with QuickStart off (the chooser would open half a second after
// start-up), once `settled` has waited out its start-up work.
inline std::unique_ptr<CMainDialog> ShowMainWindow(const std::function<bool(CMainDialog&)>& settled)
{
    auto window = std::make_unique<CMainDialog>();
    window->AppSettings().ShowQuickStart = 0;
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    settled(*window);
    return window;
}

// A project as its file holds it now.
inline CFlyerData StoredProject(const QString& path)
{
    CFlyerData data;
    data.Reset();
    data.Load(path);
    return data;
}
