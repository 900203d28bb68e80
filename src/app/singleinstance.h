#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <QStringList>

#include <memory>

class QWindow;
class CSingleInstanceImpl;

// Every hand-over is announced here too, on the GUI thread right after OnWakeUp, for the parts of
// the program that act on the text (opening a project named on the command line).
class CHandOverNotifier : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // text is empty when nothing came over; tooLong says the text was refused for its length.
    void HandedOver(const QString& text, bool tooLong);
};

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

    // Hand-overs as they arrive, for anyone who acts on their text.
    CHandOverNotifier* HandOvers() const;
    // The instance of this process that listens for later starts, or null.
    static CSingleInstance* Listening();

    // The process's command line as one text, arguments with blanks or quotes quoted. Arguments
    // that name existing files go as absolute paths: the first instance runs in another folder.
    static QString CommandLineText();
    // The arguments of such a text again.
    static QStringList SplitCommandLineText(const QString& text);
    // Where the listener's socket lives: private to the user, named from the program's GUID.
    static QString ServerName();

    static constexpr int kMaxTextLength = 255;

private:
    std::unique_ptr<CSingleInstanceImpl> m_pImpl;
};
