// Projects that reach the main window from outside: named on the command line (the file manager
// starts `listora FILE.lso`) or handed over by a later start while this one runs.
#include "mainwin/ui/maindialog.h"

#include "app/launchproject.h"
#include "app/singleinstance.h"
#include "controls/ui/messagebox.h"
#include "settings/appinfo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcHandOver, "listora.mainwin.handover", QtWarningMsg)

namespace {

// How often a path waiting for another dialog to close looks again.
constexpr int kPendingRetryMs = 300;

void ShowOpenProblem(QWidget* owner, const QString& text)
{
    TemplateMessageBox(owner, text, AppInfo::DisplayName(), MsgBox::IconExclamation | MsgBox::OK);
}

} // namespace

bool CMainDialog::OpenProjectFile(const QString& path)
{
    CListingExtras::Status extras;
    // The document takes the project's look and the views follow it.
    const FlyerFileStatus status = m_document.OpenProject(path, &extras);
    if (!status.IsOk()) {
        ShowOpenProblem(
            this,
            status.IsError()
                ? status.text
                : QStringLiteral("The flyer project %1 could not be opened.").arg(QDir::toNativeSeparators(path)));
        UpdateButtons();
        return false;
    }
    if (extras.kind == CListingExtras::Damaged || extras.stale)
        ShowOpenProblem(this, extras.text);
    UpdateButtons();
    return true;
}

void CMainDialog::ConnectHandOver()
{
    m_pHandOverTimer = new QTimer(this);
    m_pHandOverTimer->setSingleShot(true);
    m_pHandOverTimer->setInterval(kPendingRetryMs);
    connect(m_pHandOverTimer, &QTimer::timeout, this, &CMainDialog::OpenPendingProject);
    if (CSingleInstance* guard = CSingleInstance::Listening())
        connect(guard->HandOvers(), &CHandOverNotifier::HandedOver, this, &CMainDialog::OnProjectHandedOver);
}

bool CMainDialog::OpenStartupProject()
{
    m_bStartupDone = true;
    // A path handed over during start-up is newer than our own command line.
    if (m_strPendingProject.isEmpty())
        m_strPendingProject = LaunchProject::ProgramProject();
    const bool named = !m_strPendingProject.isEmpty() || m_bPendingTooLong;
    OpenPendingProject();
    return named;
}

void CMainDialog::OnProjectHandedOver(const QString& text, bool tooLong)
{
    if (tooLong) {
        m_bPendingTooLong = true;
    } else {
        const QString path = LaunchProject::FromHandOver(text);
        if (path.isEmpty())
            return;                 // a plain second start: coming to the front is all it asks
        m_strPendingProject = path; // the newest wins
    }
    OpenPendingProject();
}

void CMainDialog::OpenPendingProject()
{
    if (m_strPendingProject.isEmpty() && !m_bPendingTooLong)
        return;
    if (m_bClosing) {
        m_strPendingProject.clear();
        m_bPendingTooLong = false;
        return;
    }
    if (!m_bStartupDone)
        return; // start-up's end takes it
    // Another dialog works on the window's state (the Details, the options, a question): the
    // project waits until it is closed.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        qCDebug(lcHandOver) << "waiting for" << modal->objectName() << "to close";
        m_pHandOverTimer->start();
        return;
    }

    const QString path = m_strPendingProject;
    const bool tooLong = m_bPendingTooLong;
    m_strPendingProject.clear();
    m_bPendingTooLong = false;

    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    if (tooLong)
        ShowOpenProblem(this, QStringLiteral("A flyer project was not opened: the path %1 was handed is longer than "
                                             "the %2 characters a start of the program can pass on. Open it with the "
                                             "Open command instead.")
                                  .arg(AppInfo::DisplayName())
                                  .arg(CSingleInstance::kMaxTextLength));
    if (!path.isEmpty() && PromptSaveProject())
        OpenProjectFile(path);
    raise();
    activateWindow();
    // Another path may have arrived while the question or the message was open.
    if (!m_strPendingProject.isEmpty() || m_bPendingTooLong)
        m_pHandOverTimer->start();
}
