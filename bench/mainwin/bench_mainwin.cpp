// From a theme, font or colour change in the main window to the new flyer painted on its canvas; and
// the live flyer of Flyer Details: keystroke to flyer, and a 12 MP photo chosen to flyer.
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/ui/canvas.h"
#include "controls/ui/listctrl.h"
#include "controls/ui/messagebox.h"
#include "compose/render/xhtml2image.h"
#include "imaging/photointake.h"
#include "mainwin/livedraft.h"
#include "projects/draftphotos.h"
#include "controls/ui/pngbutton.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "projects/projectstore.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "projects/ui/openflyerprojectdlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

double Percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    if (values.isEmpty())
        return 0;
    return values[std::min(values.size() - 1, qsizetype(p * double(values.size() - 1) + 0.5))];
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
            Q_EMIT themes->SelChange();
        } else if (kind == 1) {
            font = (font + 1) % std::min(fonts->GetCount(), 8);
            fonts->SetCurSel(font);
            Q_EMIT fonts->SelChange();
        } else {
            color = (color + 7) % int(colors.size());
            window.ColorPalette()->SetSelectedColor(colors[color]);
            Q_EMIT window.ColorPalette()->ColorChanged();
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
        window.Button(IDC_BTN_REFRESH)->click();
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
    window.Button(IDC_BTN_OPEN)->click();
    return window.Document().IsProjectOpen() && WaitIdle(window) && !window.FlyerImage().isNull();
}

// A wall-clock maximum also holds the moments the system gave the processor to another thread.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct LiveFigures
{
    bool ok = false;
    QList<double> latency; // keystroke to the flyer that holds it, painted
    QList<double> busy;    // the keystroke's own handling: the edit and the dialog's handler
    QList<double> busyCpu; // the same in the window thread's own processor time
    QList<double> handler; // what the window's handler does per keystroke: take the dialog's state
    bool newestShown = false;
    int keystrokes = 0;
    int pages = 0;
    int replaced = 0;          // pages given up while loading for a newer one
    QList<double> photo;       // photo chosen to the flyer that shows it, painted
    QList<double> photoDialog; // of which the dialog's own checks of the photo
    QList<double> photoCopy;   // the reduced copy alone, made outside the window
};

// A camera-sized JPEG with photo-like detail, so its decoding costs what a real one costs.
QString MakeCameraPhoto(const QString& folder, int n)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(quint32(17 + n));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(48));
            line[x] = qRgb((x / 16 + noise + n * 40) & 0xFF, (y / 12 + noise) & 0xFF, ((x + y) / 20 + noise) & 0xFF);
        }
    }
    const QString path = QDir(folder).filePath(QStringLiteral("camera%1.jpg").arg(n));
    return image.save(path, "JPEG", 92) ? path : QString();
}

void SendKey(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

// Inside Flyer Details of the open project: a character typed into the description every 30 ms, then
// photos chosen for slot 2; every figure is taken when the flyer holding the change is painted.
void MeasureLiveDetails(CMainDialog& window, CDLGFlyerDetails& dialog, int keystrokes, const QStringList& photos,
                        LiveFigures& figures)
{
    CXLiveDraft* live = window.LiveDraft();
    auto* description = dialog.findChild<QPlainTextEdit*>(QStringLiteral("id1327"));
    if (!live || !description)
        return;
    QElapsedTimer clock;
    clock.start();
    QList<double> typedAt;
    // Draft pages in the order they went out; the next flyer shown is the oldest. The draft sends
    // its next page from the same signal, possibly before this handler runs, hence the queue. A page
    // that replaces the one on its way takes that one's place.
    QList<int> sentUpTo;
    int shownUpTo = 0;
    QObject::connect(live, &CXLiveDraft::DraftSent, &dialog, [&](quint64, bool replacing) {
        if (replacing && !sentUpTo.isEmpty())
            sentUpTo.last() = int(typedAt.size());
        else
            sentUpTo.append(int(typedAt.size()));
        figures.replaced += replacing ? 1 : 0;
    });
    const auto finished = QObject::connect(&window, &CMainDialog::FlyerShown, &dialog, [&](bool rendered) {
        if (sentUpTo.isEmpty())
            return;
        const int upTo = sentUpTo.takeFirst();
        if (!rendered)
            return;
        window.Canvas()->repaint();
        ++figures.pages;
        const double now = clock.nsecsElapsed() / 1e6;
        for (int k = shownUpTo; k < upTo; ++k)
            figures.latency.append(now - typedAt[k]);
        shownUpTo = std::max(shownUpTo, upTo);
    });

    description->setFocus();
    description->moveCursor(QTextCursor::End);
    const QString text = QStringLiteral("Sunlit rooms open to a deep porch and a garden of old roses. ");
    for (int k = 0; k < keystrokes; ++k) {
        const double due = k * 30.0;
        while (clock.nsecsElapsed() / 1e6 < due)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const QChar c = text.at(k % text.size());
        typedAt.append(clock.nsecsElapsed() / 1e6);
        QElapsedTimer busy;
        const double cpuBefore = ThreadCpuMs();
        busy.start();
        SendKey(description, c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_A, QString(c));
        figures.busy.append(busy.nsecsElapsed() / 1e6);
        figures.busyCpu.append(ThreadCpuMs() - cpuBefore);
        QElapsedTimer handler;
        handler.start();
        CFlyerDraft state;
        state.request.record = dialog.DraftRecord();
        state.request.extras = dialog.DraftExtras();
        state.settings = window.AppSettings();
        figures.handler.append(handler.nsecsElapsed() / 1e6 + (state.request.ProjectMode() ? 0 : 1));
    }
    figures.keystrokes = keystrokes;
    WaitIdle(window);
    while (!live->IsIdle() || window.IsRenderPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    figures.newestShown = shownUpTo == keystrokes;

    // A photo chosen for slot 2, cleared again before the next one.
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("id1333"));
    for (const QString& photo : photos) {
        if (button->text().startsWith(QLatin1String("Clear")))
            button->click();
        while (!live->IsIdle() || window.IsRenderPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        // The clock starts when the chooser hands the file over, as the user's click does.
        double started = 0;
        QTimer::singleShot(0, &dialog, [&, photo] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            chooser->selectFile(photo);
            started = clock.nsecsElapsed() / 1e6;
            static_cast<QDialog*>(chooser)->accept();
        });
        button->click();
        if (started == 0)
            return;
        figures.photoDialog.append(clock.nsecsElapsed() / 1e6 - started);
        const QString drafts = window.AppSettings().Path2TempFolder;
        QElapsedTimer limit;
        limit.start();
        while (!(live->ShownPhotos()[1].startsWith(drafts) && live->IsIdle() && !window.IsRenderPending()) &&
               limit.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        window.Canvas()->repaint();
        if (!live->ShownPhotos()[1].startsWith(drafts))
            return;
        figures.photo.append(clock.nsecsElapsed() / 1e6 - started);
    }
    QObject::disconnect(finished);
    for (const QString& photo : photos) {
        QElapsedTimer copy;
        copy.start();
        CXDraftPhotos::MakeDraftPhoto(photo, 2, std::nullopt, photo + QStringLiteral(".copy.jpg"));
        figures.photoCopy.append(copy.nsecsElapsed() / 1e6);
    }
    figures.ok = true;
}

LiveFigures MeasureLive(CMainDialog& window, int keystrokes, const QStringList& photos)
{
    LiveFigures figures;
    QTimer::singleShot(0, &window, [&] {
        auto* dialog = qobject_cast<CDLGFlyerDetails*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        MeasureLiveDetails(window, *dialog, keystrokes, photos, figures);
        // What was typed is thrown away: the dialog asks first.
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        dialog->reject();
    });
    window.Button(IDC_BTN_DETAILS)->click();
    WaitIdle(window);
    return figures;
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
    Q_EMIT window.ThemeFilter()->SelChange();
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

    // The live flyer of Flyer Details, in the four-photo project.
    QTemporaryDir cameraFolder;
    QStringList cameraPhotos;
    for (int n = 0; n < std::max(3, runs / 4); ++n)
        cameraPhotos << MakeCameraPhoto(cameraFolder.path(), n);
    const int keystrokes = std::max(60, runs * 10);
    const LiveFigures live = MeasureLive(window, keystrokes, cameraPhotos);
    if (!live.ok) {
        std::fprintf(stderr, "the live flyer of Flyer Details was not measured\n");
        return 1;
    }
    const double median = Median(live.latency), p95 = Percentile(live.latency, 0.95);
    const double busyMax = Percentile(live.busy, 1.0), busyMedian = Median(live.busy);
    std::printf("Flyer Details, live: a description keystroke every 30 ms, %d keystrokes, %d flyers drawn, "
                "%d pages given up while loading\n",
                live.keystrokes, live.pages, live.replaced);
    std::printf("%-46s median %7.1f ms  (%.2f of the 100 ms goal)\n", "  keystroke to flyer painted", median,
                median / 100.0);
    std::printf("%-46s        %7.1f ms  (%.2f of the 150 ms goal)\n", "  95th percentile", p95, p95 / 150.0);
    std::printf("%-46s median %7.2f ms, p95 %.2f, max %.2f ms  (%.2f of the 2 ms goal)\n", "  keystroke handling",
                busyMedian, Percentile(live.busy, 0.95), busyMax, busyMax / 2.0);
    std::printf("%-46s median %7.2f ms, max %.2f ms\n", "    in the window thread's processor time",
                Median(live.busyCpu), Percentile(live.busyCpu, 1.0));
    std::printf("%-46s median %7.2f ms, max %.2f ms\n", "    of which the window's handler", Median(live.handler),
                Percentile(live.handler, 1.0));
    std::printf("%-46s %s\n", "  newest keystroke on screen", live.newestShown ? "yes" : "NO");
    const double photoMedian = Median(live.photo), photoMax = Percentile(live.photo, 1.0);
    std::printf("%-46s median %7.1f ms, max %.1f ms  (%.2f of the 400 ms goal)\n",
                "  12 MP photo chosen to flyer painted", photoMedian, photoMax, photoMax / 400.0);
    std::printf("%-46s median %7.1f ms\n", "    of which the dialog's own photo checks", Median(live.photoDialog));
    std::printf("%-46s median %7.1f ms\n", "    the reduced copy alone", Median(live.photoCopy));
    std::printf("goal: keystroke median <= 100 ms %s, p95 <= 150 ms %s, handling <= 2 ms %s, photo <= 400 ms %s\n",
                median <= 100 ? "met" : "NOT met", p95 <= 150 ? "met" : "NOT met", busyMax <= 2 ? "met" : "NOT met",
                photoMax <= 400 ? "met" : "NOT met");
    return 0;
}
