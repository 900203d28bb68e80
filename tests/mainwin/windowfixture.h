#pragma once

// What the main window's tests share.

#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "controls/ui/pngbutton.h"
#include "flyer/flyerdata.h"
#include "mainwin/ui/maindialog.h"
#include "projects/projectstore.h"

#include <QTabWidget>
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

// The user at the window: a button clicked, a list row or a swatch picked with the mouse, a theme
// filter chosen. Lists and the palette are brought to the front on their tab page first.
inline void ClickButton(CMainDialog& window, int id)
{
    window.Button(id)->click();
}

inline void ClickListRow(CMainDialog& window, CXOwnerDrawnLB& list, int row)
{
    window.TabControl()->setCurrentIndex(&list == window.ThemesList() ? 0 : 1);
    QListWidgetItem* item = list.item(row);
    if (!item) {
        qWarning("no list row %d", row);
        return;
    }
    list.scrollToItem(item);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
}

inline void ChooseFont(CMainDialog& window, const QString& font)
{
    ClickListRow(window, *window.FontsList(), window.FontsList()->FindStringExact(font));
}

inline void ChooseThemeFilter(CMainDialog& window, int value)
{
    window.TabControl()->setCurrentIndex(0);
    CXThemeFilterCB* filter = window.ThemeFilter();
    for (int i = 0; i < filter->count(); ++i) {
        if (filter->itemData(i).toInt() == value) {
            filter->setCurrentIndex(i);
            Q_EMIT filter->activated(i);
            return;
        }
    }
    qWarning("no theme filter %d", value);
}

// Under the filter that shows every theme, when the one shown hides it.
inline void ChooseTheme(CMainDialog& window, const QString& theme)
{
    if (window.ThemesList()->FindStringExact(theme) < 0)
        ChooseThemeFilter(window, 0);
    ClickListRow(window, *window.ThemesList(), window.ThemesList()->FindStringExact(theme));
}

// False when the colour is no swatch of the window's palette.
inline bool ClickSwatch(CMainDialog& window, ColorRef color)
{
    window.TabControl()->setCurrentIndex(1);
    CXColorPalette* palette = window.ColorPalette();
    const int index = int(palette->Colors().Swatches().indexOf(color));
    if (index < 0)
        return false;
    QTest::mouseClick(palette, Qt::LeftButton, {}, palette->CalcRects().cells.at(index).center());
    return true;
}
