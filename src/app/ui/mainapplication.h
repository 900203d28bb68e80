#pragma once

#include "app/singleinstance.h"

#include <functional>
#include <optional>

class CMainDialog;

// The application object: start-up, the main window's modal run, and shutdown. Created in main()
// after the QApplication; InitInstance runs the whole program. It is also the single-instance
// guard, whose listener stops when the object goes.
class CMainApplication : public CSingleInstance
{
public:
    CMainApplication();
    ~CMainApplication() override;
    CMainApplication(const CMainApplication&) = delete;
    CMainApplication& operator=(const CMainApplication&) = delete;

    // Runs start-up and the main window until it closes. Always false: there is no loop of the
    // application object's own after the window.
    bool InitInstance();
    // The exit code of the process.
    int ExitInstance();

    // The major version of the running system as the system check sees it; nullopt when it cannot
    // be told. Replaceable so tests can walk the refusal path.
    using SystemVersionProbe = std::function<std::optional<int>()>;
    static void SetSystemVersionProbe(SystemVersionProbe probe);
    // Shows the "requires ..." notice and returns false when the system is too old.
    static bool CheckSystem();

    // The main window while it runs, else null.
    CMainDialog* MainDialog() const { return m_pMainDialog; }

    // Another start of the program: the main window comes forward, restored if minimised.
    void OnWakeUp(const QString& text) override;

private:
    CMainDialog* m_pMainDialog = nullptr;
};
