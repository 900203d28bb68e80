#include "app/ui/mainapplication.h"

#include "app/ui/bringforward.h"
#include "controls/ui/messagebox.h"
#include "mainwin/ui/maindialog.h"
#include "settings/appinfo.h"

#include "buildconfig.h"

#include <QGuiApplication>
#include <QOperatingSystemVersion>

#include <memory>

namespace {

constexpr int kRequiredMajorVersion = 10;

std::optional<int> CurrentSystemMajorVersion()
{
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    // Only Windows has an older release the program cannot run on.
    if (os.type() != QOperatingSystemVersion::Windows)
        return kRequiredMajorVersion;
    if (os.majorVersion() < 0)
        return std::nullopt;
    return os.majorVersion();
}

CMainApplication::SystemVersionProbe& VersionProbe()
{
    static CMainApplication::SystemVersionProbe probe = &CurrentSystemMajorVersion;
    return probe;
}

} // namespace

CMainApplication::CMainApplication() = default;

CMainApplication::~CMainApplication() = default;

void CMainApplication::SetSystemVersionProbe(SystemVersionProbe probe)
{
    VersionProbe() = probe ? std::move(probe) : SystemVersionProbe(&CurrentSystemMajorVersion);
}

bool CMainApplication::CheckSystem()
{
    const std::optional<int> major = VersionProbe()();
    if (major && *major >= kRequiredMajorVersion)
        return true;
    TemplateMessageBox(nullptr,
                       AppInfo::DisplayName() +
                           QStringLiteral(" requires Microsoft Windows 10 (or newer) in order to run.\nExiting..."),
                       AppInfo::DisplayName(), MsgBox::IconInformation | MsgBox::OK);
    return false;
}

bool CMainApplication::InitInstance()
{
    if (!ClaimInstance())
        return false;

    QGuiApplication::setDesktopFileName(QStringLiteral(LISTORA_APP_ID));
    QCoreApplication::setOrganizationName(AppInfo::MakerName());
    QCoreApplication::setApplicationName(AppInfo::ProductId());
    QCoreApplication::setApplicationVersion(AppInfo::VersionString());

    if (!CheckSystem())
        return false;

    // The window's constructor creates the settings (and on a first run the store with its defaults).
    auto dialog = std::make_unique<CMainDialog>();
    m_pMainDialog = dialog.get();
    dialog->exec();
    m_pMainDialog = nullptr;
    return false;
}

void CMainApplication::OnWakeUp(const QString& text)
{
    Q_UNUSED(text);
    // Not shown yet, it comes up by itself when start-up ends; an open dialog stays above it.
    BringWindowForward(m_pMainDialog, true);
}

int CMainApplication::ExitInstance()
{
    return 0;
}
