#pragma once

#include <functional>
#include <optional>

class CMainDialog;

// The application object: start-up, the main window's modal run, and shutdown. Created in main()
// after the QApplication; InitInstance runs the whole program.
class CMainApplication
{
public:
    CMainApplication();
    ~CMainApplication();
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

private:
    CMainDialog* m_pMainDialog = nullptr;
};
