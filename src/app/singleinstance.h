#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class QWindow;
class CSingleInstanceImpl;

// One running copy per user. The first start listens on a local socket private to the user; a
// later start hands its command line over, which wakes the first, and then ends.
class CSingleInstance
{
public:
    CSingleInstance();
    // Stops the listener and waits for it, so no wake-up arrives after the owner is gone.
    virtual ~CSingleInstance();
    Q_DISABLE_COPY_MOVE(CSingleInstance)

    // True: this is the first instance and start-up goes on. False: another instance runs and has
    // been handed this command line; start-up must end. Call once, after the QCoreApplication
    // exists.
    bool ClaimInstance();
    // As above with the text to hand over given; a text of 256 characters or more is handed
    // over as an empty text.
    bool ClaimInstance(const QString& commandLine);

    // Runs on the GUI thread of the first instance whenever another start hands over its text.
    // By default it brings the main window forward, restored if it was minimised.
    virtual void OnWakeUp(const QString& text);

    // The window OnWakeUp brings forward; it may be destroyed at any time.
    void SetMainWindow(QWindow* window);
    QWindow* MainWindow() const;

    // True while this instance listens for later starts.
    bool IsListening() const;

    // The process's command line as one text, arguments with blanks or quotes quoted.
    static QString CommandLineText();
    // Where the listener's socket lives: private to the user, named from the program's GUID.
    static QString ServerName();

    static constexpr int kMaxTextLength = 255;

private:
    std::unique_ptr<CSingleInstanceImpl> m_pImpl;
};
