#pragma once

// What the main window's tests share.

#include "mainwin/ui/maindialog.h"
#include "flyer/flyerdata.h"
#include "projects/projectstore.h"

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

// Stores `data` as a new project of the window's projects folder, as Save would: its file's path.
inline QString StoreNewProject(const CMainDialog& window, CFlyerData& data)
{
    const QString folder = ProjectFolderPath(window.AppSettings().strPath2FlyerProjects, data.m_strId);
    CreateProjectFolder(folder);
    data.SetPathName(ProjectFilePath(folder));
    if (!data.Save().IsOk())
        qWarning("fixture project not written");
    return data.m_strPathName;
}

// A project as its file holds it now.
inline CFlyerData StoredProject(const QString& path)
{
    CFlyerData data;
    data.Reset();
    data.Load(path);
    return data;
}
