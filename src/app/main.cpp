#include "settings/diagnostics.h"
#include "app/launchproject.h"
#include "app/ui/mainapplication.h"
#include "catalogue/fontcatalogue.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    Diagnostics::Install();
    // Without any display the window still runs, off-screen, so the program can be driven headless.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    ApplyFontRules();
    QApplication app(argc, argv);
    LaunchProject::SetProgramArguments(QCoreApplication::arguments());
    CMainApplication theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
