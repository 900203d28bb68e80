// From a theme, font or colour change in the main window to the new flyer painted on its canvas.
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/ui/canvas.h"
#include "controls/ui/listctrl.h"
#include "imaging/photointake.h"
#include "mainwin/ui/maindialog.h"
#include "projects/projectstore.h"
#include "projects/ui/openflyerprojectdlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// Runs the event loop until the window shows its next flyer; false on a failed render or a time-out.
bool WaitForFlyer(CMainDialog& window)
{
    bool rendered = false;
    QEventLoop loop;
    QObject::connect(&window, &CMainDialog::FlyerShown, &loop, [&](bool ok) {
        rendered = ok;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return rendered;
}

bool WaitIdle(CMainDialog& window)
{
    QElapsedTimer clock;
    clock.start();
    while ((window.IsRenderPending() || window.IsMakingCovers()) && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return !window.IsRenderPending() && !window.IsMakingCovers();
}

struct Figures
{
    bool ok = false;
    double median = 0;
    QList<double> byKind[3];
    QList<double> busy;
    QList<double> refresh;
};

// Theme, font and colour changes in turn, each timed from the handler's call until the new flyer is
// painted on the canvas; then Refresh, the same page again.
Figures MeasureChanges(CMainDialog& window, int runs)
{
    Figures figures;
    CXThemesLB* themes = window.ThemesList();
    CXFontsLB* fonts = window.FontsList();
    const QList<ColorRef> colors = window.ColorPalette()->Colors().Colors();
    int theme = std::max(themes->GetCurSel(), 0);
    int font = std::max(fonts->GetCurSel(), 0);
    int color = 0;
    // One warm-up change of each kind first.
    for (int i = -3; i < runs; ++i) {
        const int kind = (i + 3) % 3;
        QElapsedTimer clock;
        clock.start();
        if (kind == 0) {
            theme = (theme + 1) % themes->GetCount();
            themes->SetCurSel(theme);
            window.OnLbnSelchangeListThemes();
        } else if (kind == 1) {
            font = (font + 1) % std::min(fonts->GetCount(), 8);
            fonts->SetCurSel(font);
            window.OnLbnSelchangeListFonts();
        } else {
            color = (color + 7) % int(colors.size());
            window.ColorPalette()->SetSelectedColor(colors[color]);
            window.OnCPColorChanged();
        }
        const double busy = clock.nsecsElapsed() / 1e6;
        if (!window.IsRenderPending() || !WaitForFlyer(window)) {
            std::fprintf(stderr, "change %d drew no flyer\n", i);
            return figures;
        }
        window.Canvas()->repaint();
        if (i >= 0) {
            figures.byKind[kind].append(clock.nsecsElapsed() / 1e6);
            figures.busy.append(busy);
        }
    }
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        window.OnBnClickedBtnRefresh();
        if (!window.IsRenderPending() || !WaitForFlyer(window))
            return figures;
        window.Canvas()->repaint();
        figures.refresh.append(clock.nsecsElapsed() / 1e6);
    }
    figures.median = Median(figures.byKind[0] + figures.byKind[1] + figures.byKind[2]);
    figures.ok = true;
    return figures;
}

void Print(const char* title, const Figures& figures)
{
    std::printf("%s\n", title);
    std::printf("%-46s median %7.1f ms  (%.2f of the 100 ms goal)\n", "  theme, font or colour change", figures.median,
                figures.median / 100.0);
    const char* names[3] = {"    theme changes", "    font changes", "    colour changes"};
    for (int kind = 0; kind < 3; ++kind)
        std::printf("%-46s median %7.1f ms  (%lld)\n", names[kind], Median(figures.byKind[kind]),
                    static_cast<long long>(figures.byKind[kind].size()));
    std::printf("%-46s median %7.1f ms\n", "    of which the window is busy", Median(figures.busy));
    std::printf("%-46s median %7.1f ms\n", "  Refresh (the same page again)", Median(figures.refresh));
}

// A project with four photos taken in from the sample pictures, opened through the Open command.
bool OpenFourPhotoProject(CMainDialog& window)
{
    const CAppSettings& settings = window.AppSettings();
    CFlyerData data;
    data.Reset();
    data.m_strCaption = QStringLiteral("Lakeside Craftsman");
    data.m_strMLS = QStringLiteral("MLS# 4242");
    data.m_strAddress = QStringLiteral("18 Birch Lane");
    data.m_strCityStateZip = QStringLiteral("Seaside, OR 97138");
    data.m_strTheme = QStringLiteral("Gallery - KT401");
    data.m_strFont = QStringLiteral("Tahoma");
    data.m_crColor = settings.LastColor;
    const QStringList samples = {"House01-02.jpg", "House02-01.jpg", "House03-01.jpg", "House04-01.jpg"};
    for (int i = 0; i < 4; ++i)
        data.m_photos[i].m_strPath = QDir(settings.Path2SampleData).filePath(samples[i]);
    const QString folder = ProjectFolderPath(settings.strPath2FlyerProjects, data.m_strId);
    if (!CreateProjectFolder(folder) || !ProcessPhotos(folder, data))
        return false;
    data.SetPathName(ProjectFilePath(folder));
    if (!data.Save().IsOk())
        return false;

    QTimer::singleShot(0, &window, [] {
        auto* dialog = qobject_cast<CDLGOpenFlyerProject*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->ProjectList()->SelectItem(0);
        dialog->OnBnClickedBtnOpen();
    });
    window.OnBnClickedBtnOpen();
    return window.Session().IsProjectOpen() && WaitIdle(window) && !window.FlyerImage().isNull();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("runs"), QStringLiteral("changes to time"), QStringLiteral("n"), "20"});
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());

    CMainDialog window;
    window.AppSettings().ShowQuickStart = 0;
    window.show();
    if (!WaitIdle(window) || window.FlyerImage().isNull()) {
        std::fprintf(stderr, "the window showed no first flyer\n");
        return 1;
    }

    // Every theme, the first fonts and the swatches, taken in turn: first on the preview, then with a
    // four-photo project open, as after Open.
    window.ThemeFilter()->SelectFilterValue(0);
    window.OnCbnSelchangeComboThemeFilter();
    WaitIdle(window);
    if (window.ThemesList()->GetCount() < 2 || window.FontsList()->GetCount() < 2) {
        std::fprintf(stderr, "not enough themes or fonts to change between\n");
        return 1;
    }
    std::printf("main window: change to new flyer on the canvas, off-screen, %d changes each\n", runs);
    const Figures preview = MeasureChanges(window, runs);
    if (!preview.ok)
        return 1;
    Print("preview (no project open)", preview);

    if (!OpenFourPhotoProject(window)) {
        std::fprintf(stderr, "the four-photo project did not open\n");
        return 1;
    }
    const Figures project = MeasureChanges(window, runs);
    if (!project.ok)
        return 1;
    Print("four-photo project open", project);

    std::printf("goal: median <= 100 ms: preview %s, project %s\n", preview.median <= 100.0 ? "met" : "NOT met",
                project.median <= 100.0 ? "met" : "NOT met");
    return 0;
}
