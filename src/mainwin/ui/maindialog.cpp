#include "mainwin/ui/maindialog.h"

#include "app/appinfo.h"
#include "app/workingfolders.h"
#include "controls/ui/messagebox.h"
#include "projects/foldertree.h"

#include <QCloseEvent>

CMainDialog::CMainDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(AppInfo::DisplayName());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    SetMessageBoxMainWindow(this);
    OnInitDialog();
}

CMainDialog::~CMainDialog()
{
    if (MessageBoxMainWindow() == this)
        SetMessageBoxMainWindow(nullptr);
}

void CMainDialog::OnInitDialog()
{
    InitAppSettings();
    if (!m_appSettings.IsZoomed)
        resize(m_appSettings.WindowWidth, m_appSettings.WindowHeight);
}

void CMainDialog::InitAppSettings()
{
    WorkingFolders::InitAppSettings(m_appSettings);
}

void CMainDialog::OnBnClickedBtnExit()
{
    if (m_bClosing)
        return;
    if (!m_appSettings.Confirm(CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")))
        return;
    m_bClosing = true;
    SaveStateOnClose();
    done(QDialog::Accepted);
}

void CMainDialog::SaveStateOnClose()
{
    if (isMinimized())
        showNormal();
    // A maximised window keeps the size it will return to.
    if (!isMaximized()) {
        m_appSettings.IsZoomed = 0;
        m_appSettings.WindowWidth = width();
        m_appSettings.WindowHeight = height();
    }
    m_appSettings._SaveSettings();
    if (!m_appSettings.Path2TempFolder.isEmpty())
        DeleteFolderTree(m_appSettings.Path2TempFolder);
}

void CMainDialog::reject()
{
    OnBnClickedBtnExit();
}

void CMainDialog::closeEvent(QCloseEvent* event)
{
    // The window only ever ends through the Exit path, which asks first and cleans up.
    event->ignore();
    OnBnClickedBtnExit();
}
