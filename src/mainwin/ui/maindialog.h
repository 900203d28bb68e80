#pragma once

#include "settings/appsettings.h"

#include <QDialog>

// The program's one top-level window. It owns the settings for its whole life and runs from
// start-up to exit; closing it ends the program.
class CMainDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainDialog)

public:
    explicit CMainDialog(QWidget* parent = nullptr);
    ~CMainDialog() override;

    CAppSettings& AppSettings() { return m_appSettings; }

    // Loads the settings and resolves and creates the working folders; the first step of the
    // window's initialisation.
    void InitAppSettings();

    // The Exit command; the close box and Escape come here too. Asks "Are you sure you want to
    // Exit?" unless that question is switched off, then saves and ends the window.
    void OnBnClickedBtnExit();
    // Stores the window's choices and geometry, saves the settings and removes the temporary folder.
    void SaveStateOnClose();

    bool m_bHasMAPIClient = false; // a mail client can take the flyer

protected:
    void OnInitDialog();
    void reject() override; // Escape
    void closeEvent(QCloseEvent* event) override;

private:
    CAppSettings m_appSettings;
    bool m_bClosing = false;
};
