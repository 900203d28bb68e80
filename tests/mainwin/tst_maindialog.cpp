#include "imaging/imagelibrary.h"
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/themelist.h"
#include "catalogue/ui/themeslb.h"
#include "compose/render/xhtml2image.h"
#include "compose/ui/canvas.h"
#include "controls/messageboxtypes.h"
#include "controls/ui/listctrl.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/pngbutton.h"
#include "mainwin/mainids.h"
#include "mainwin/ui/maindialog.h"
#include "settings/workingfolders.h"
#include "output/flyermail.h"
#include "flyer/listingextras.h"
#include "projects/projectstore.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "projects/ui/openflyerprojectdlg.h"
#include "support/dialogs.h"
#include "support/folders.h"
#include "support/settingsstore.h"
#include "support/urlcatcher.h"
#include "windowfixture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <functional>
#include <memory>

namespace {

QColor ColorOf(ColorRef color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

} // namespace

using TestSupport::Child;
using TestSupport::CopyTree;
using TestSupport::kPatienceMs;
using TestSupport::SavePath;
using TestSupport::Store;
using TestSupport::WhenShown;

class TestMainDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data; // the program's data folder, a copy the tests may change
    QTemporaryDir m_photos;
    QString m_mainPhoto;

    std::unique_ptr<CMainDialog> StartWindow() { return ShowMainWindow(WaitIdle); }

    static bool WaitIdle(CMainDialog& window) { return TestSupport::WaitIdle(window); }

    static QString Theme(const CMainDialog& window)
    {
        const int row = window.ThemesList()->GetCurSel();
        return row < 0 ? QString() : window.ThemesList()->GetText(row);
    }

    static QString Font(const CMainDialog& window)
    {
        const int row = window.FontsList()->GetCurSel();
        return row < 0 ? QString() : window.FontsList()->GetText(row);
    }

    static bool Enabled(const CMainDialog& window, int id) { return window.Button(id)->isEnabled(); }

    // A project written straight into the projects folder, as an earlier run would have left it.
    QString MakeProject(const CMainDialog& window, const QString& mls, const QString& theme, const QString& font,
                        ColorRef color)
    {
        CFlyerData data;
        data.Reset();
        data.m_strMLS = mls;
        data.m_strCaption = QStringLiteral("Caption of ") + mls;
        data.m_strAddress = QStringLiteral("12 Quay Street");
        data.m_strCityStateZip = QStringLiteral("Bayport, CA 94000");
        data.m_strTheme = theme;
        data.m_strFont = font;
        data.m_crColor = color;
        data.m_photos[0].m_strPath = m_mainPhoto;
        return StoreNewProject(window, data);
    }

    // Opens the project with this MLS number through the Open command.
    static void OpenProject(CMainDialog& window, const QString& mls)
    {
        WhenShown<CDLGOpenFlyerProject>([mls](CDLGOpenFlyerProject& dialog) {
            CXListCtrl* list = dialog.ProjectList();
            for (int row = 0; row < list->rowCount(); ++row)
                if (list->item(row, 0)->text() == mls)
                    list->SelectItem(row);
            Child<QPushButton>(dialog, OpenFlyerProjectId::Open)->click();
        });
        ClickButton(window, IDC_BTN_OPEN);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_data.isValid());
        QVERIFY(CopyTree(qEnvironmentVariable("LISTORA_DATA_DIR"), m_data.path()));
        qputenv("LISTORA_DATA_DIR", m_data.path().toLocal8Bit());
        m_mainPhoto = m_photos.filePath(QStringLiteral("house.jpg"));
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(QColor(90, 120, 60));
        QVERIFY(photo.save(m_mainPhoto));
    }

    void init()
    {
        QDir(SavePath()).removeRecursively();
        QFile::remove(Store().fileName());
        CXMessageBoxTest::Clear();
    }

    void firstStart()
    {
        auto window = StartWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Listora"));
        QCOMPARE(window->size(), QSize(925, 578));
        // Centred on the screen by integer halves, but never above or left of it (the offscreen screen
        // is narrower than the window).
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.width() < 925);
        QCOMPARE(window->pos(), screen.topLeft() + QPoint(0, std::max(screen.height() / 2 - 578 / 2, 0)));
        QCOMPARE(window->windowHandle()->minimumSize(), QSize(925, 580));

        QCOMPARE(Theme(*window), QStringLiteral("Simple - KT101"));
        QCOMPARE(window->Document().SelTheme(), QStringLiteral("Simple - KT101"));
        QCOMPARE(Font(*window), QStringLiteral("Tahoma"));
        QCOMPARE(window->ColorPalette()->GetColorHex(), QStringLiteral("#0063B1"));
        QVERIFY(!window->Document().IsProjectOpen());

        for (int id : {IDC_BTN_SAVE, IDC_BTN_DETAILS, IDC_BTN_EXPORT, IDC_BTN_EMAIL})
            QVERIFY2(!Enabled(*window, id), qPrintable(QString::number(id)));
        for (int id : {IDC_BTN_NEW, IDC_BTN_OPEN, IDC_BTN_PRINT, IDC_BTN_REFRESH, IDC_BTN_OPTIONS, IDC_BTN_ABOUT,
                       IDC_BTN_HELP, IDC_BTN_EXIT})
            QVERIFY2(Enabled(*window, id), qPrintable(QString::number(id)));
        QVERIFY(window->Button(IDC_BTN_NEW)->PicturesReady());
        QCOMPARE(window->Button(IDC_BTN_NEW)->toolTip(), QStringLiteral("Create New Flyer Project"));
        QCOMPARE(window->Button(IDC_BTN_EXIT)->toolTip(), QStringLiteral("Exit Listora"));
        // The disabled E-mail button says why: no mail program, or no project yet.
        for (const bool hasMailClient : {false, true}) {
            window->SetHasMailClient(hasMailClient);
            window->SetButtonTooltips(true);
            QCOMPARE(window->Button(IDC_BTN_EMAIL)->toolTip(),
                     hasMailClient ? QStringLiteral("Open or create a flyer project first.")
                                   : QStringLiteral("No mail program is set up on this computer."));
        }
        window->SetButtonTooltips(false);
        QVERIFY(window->Button(IDC_BTN_NEW)->toolTip().isEmpty());
        QVERIFY(window->Button(IDC_BTN_EMAIL)->toolTip().isEmpty());

        // Enter with no button focused does not end the window around the exit question.
        window->ThemesList()->setFocus();
        QTest::keyClick(window.get(), Qt::Key_Return);
        QVERIFY(window->isVisible());
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());

        QCOMPARE(window->TabControl()->tabText(0), QStringLiteral("Theme Templates"));
        QCOMPARE(window->TabControl()->tabText(1), QStringLiteral("Customize (Colors && Fonts)  "));
        QVERIFY(window->ThemesList()->isVisible());
        QVERIFY(!window->FontsList()->isVisible());

        // The preview flyer is on the canvas, at full size in memory and fitted on screen.
        QCOMPARE(window->FlyerImage().size(), QSize(816, 1056));
        QCOMPARE(window->Canvas()->FlyerImage(), window->FlyerImage());
        QVERIFY(window->Canvas()->EmptyText().isEmpty());
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("canvas");
        QTest::newRow("minimum") << QSize(925, 580) << QRect(299, 10, 618, 503);
        QTest::newRow("larger") << QSize(1300, 860) << QRect(299, 10, 993, 783);
    }
    void layout()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, canvas);
        auto window = StartWindow();
        window->resize(size);
        QCOMPARE(window->TabControl()->geometry(), QRect(8, 6, 283, size.height() - 14));
        QCOMPARE(window->Canvas()->geometry(), canvas);
        const CXPNGButton* exit = window->Button(IDC_BTN_EXIT);
        QCOMPARE(exit->geometry().right() + 1, size.width() - 8);
        QCOMPARE(exit->geometry().bottom() + 1, size.height() - 8);
        QCOMPARE(window->Button(IDC_BTN_NEW)->geometry().bottom() + 1, size.height() - 8);
        QCOMPARE(window->Button(IDC_BTN_NEW)->geometry().top() - 8, canvas.bottom() + 1);
        QCOMPARE(window->ThemesList()->geometry().width(), 281);
        // The sheet follows the canvas.
        QVERIFY(QRect(QPoint(0, 0), canvas.size()).contains(window->Canvas()->PageRect()));

        window->ShowTabPage(1);
        QVERIFY(window->FontsList()->isVisible());
        QVERIFY(window->ColorPalette()->isVisible());
        QVERIFY(!window->ThemesList()->isVisible());
        QVERIFY(!window->ThemeFilter()->isVisible());
        QCOMPARE(window->ColorPalette()->geometry().size(), QSize(265, 96));
        QCOMPARE(window->TabControl()->currentIndex(), 1);
    }

    void themeFontAndColourChangesWithoutProject()
    {
        auto window = StartWindow();
        QSignalSpy shown(window.get(), &CMainDialog::FlyerShown);

        // The same theme again: nothing is drawn.
        ClickListRow(*window, *window->ThemesList(), window->ThemesList()->GetCurSel());
        QVERIFY(!window->IsRenderPending());

        // Another theme: drawn, and without a project nothing becomes changed.
        ChooseThemeFilter(*window, 0);
        WaitIdle(*window);
        ChooseTheme(*window, QStringLiteral("Gallery - KT401"));
        QVERIFY(window->IsRenderPending());
        QVERIFY(WaitIdle(*window));
        QCOMPARE(window->Document().SelTheme(), QStringLiteral("Gallery - KT401"));
        QCOMPARE(window->m_strSelTheme, QStringLiteral("Gallery - KT401"));
        QVERIFY(window->Document().SelTemplate().endsWith(QStringLiteral("Gallery-KT401/index.htm")));
        QVERIFY(!window->Document().IsProjectDirty());

        // The colour on the flyer picked again: nothing happens.
        shown.clear();
        QVERIFY(ClickSwatch(*window, window->Document().SelColor()));
        QVERIFY(!window->IsRenderPending());
        const ColorRef violet = 0x00E22B8A; // #8A2BE2
        QVERIFY(ClickSwatch(*window, violet));
        QVERIFY(window->IsRenderPending());
        QCOMPARE(window->Document().SelColor(), violet);
        QCOMPARE(window->AppSettings().LastColor, violet);
        QCOMPARE(window->Canvas()->SheetColor(), ColorOf(violet));
        QVERIFY(WaitIdle(*window));
        QCOMPARE(shown.size(), 1);
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(!Enabled(*window, IDC_BTN_SAVE));

        // The document changed directly: the views follow it, the flyer is drawn again.
        window->Document().ChooseFont(QStringLiteral("Arial"));
        window->Document().ChooseColor(0x00102030);
        QCOMPARE(Font(*window), QStringLiteral("Arial"));
        QCOMPARE(window->ColorPalette()->GetSelectedColor(), 0x00102030u);
        QVERIFY(window->IsRenderPending());
        QVERIFY(WaitIdle(*window));
    }

    void changesWhileRenderingAreCoalesced()
    {
        auto window = StartWindow();
        QSignalSpy shown(window.get(), &CMainDialog::FlyerShown);
        CXFontsLB* fonts = window->FontsList();
        QVERIFY(fonts->GetCount() >= 3);
        // Three choices in quick succession: the window takes each at once, the last one is drawn.
        for (int i = 0; i < 3; ++i) {
            ClickListRow(*window, *fonts, i);
            QCOMPARE(window->Document().SelFont(), fonts->GetText(i));
        }
        QVERIFY(WaitIdle(*window));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first().toBool(), true);
        QVERIFY(!window->FlyerImage().isNull());
        QCOMPARE(window->Document().SelFont(), fonts->GetText(2));
    }

    void failedRenderLeavesNoOldFlyer()
    {
        auto window = StartWindow();
        QVERIFY(!window->Canvas()->FlyerImage().isNull());
        CXHTML2Image* renderer = window->Renderer();
        renderer->SetWorkerPath(m_data.filePath(QStringLiteral("no-such-worker")));
        const qint64 pid = renderer->WorkerProcessId();
        QVERIFY(pid > 0);
        ::kill(pid_t(pid), SIGKILL);
        QTRY_COMPARE(renderer->WorkerProcessId(), qint64(0));

        QSignalSpy shown(window.get(), &CMainDialog::FlyerShown);
        ClickButton(*window, IDC_BTN_REFRESH);
        QVERIFY(shown.wait(10000));
        QCOMPARE(shown.first().first().toBool(), false);
        QVERIFY(window->FlyerImage().isNull());
        QVERIFY(window->Canvas()->FlyerImage().isNull());
        QVERIFY(window->Canvas()->EmptyText().startsWith(QStringLiteral("The flyer could not be drawn.")));
    }

    void openSaveAndColourOfTheProject()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 501"), QStringLiteral("Classic - KT301"),
                                         QStringLiteral("Arial"), 0x00C07B7B);
        OpenProject(*window, QStringLiteral("MLS# 501"));
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(Theme(*window), QStringLiteral("Classic - KT301"));
        QCOMPARE(Font(*window), QStringLiteral("Arial"));
        QCOMPARE(window->ColorPalette()->GetSelectedColor(), 0x00C07B7Bu);
        QVERIFY(Enabled(*window, IDC_BTN_DETAILS));
        QVERIFY(Enabled(*window, IDC_BTN_EXPORT));
        QVERIFY(!Enabled(*window, IDC_BTN_SAVE));
        QCOMPARE(Enabled(*window, IDC_BTN_EMAIL), window->HasMailClient());
        QVERIFY(WaitIdle(*window));

        // Open keeps the remembered colour; picking it must still recolour the project's flyer.
        QCOMPARE(window->AppSettings().LastColor, 0x00B16300u);
        QVERIFY(ClickSwatch(*window, 0x00B16300));
        QVERIFY(window->IsRenderPending());
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(Enabled(*window, IDC_BTN_SAVE));

        // A font change marks it changed too; Save writes the window's choices into the file.
        ChooseFont(*window, QStringLiteral("Tahoma"));
        QVERIFY(WaitIdle(*window));
        ClickButton(*window, IDC_BTN_SAVE);
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(!Enabled(*window, IDC_BTN_SAVE));
        const CFlyerData saved = StoredProject(path);
        QCOMPARE(saved.m_strFont, QStringLiteral("Tahoma"));
        QCOMPARE(saved.m_crColor, 0x00B16300u);
        QCOMPARE(saved.m_strTheme, QStringLiteral("Classic - KT301"));

        // Save without changes does nothing.
        QFile::remove(path);
        ClickButton(*window, IDC_BTN_SAVE);
        QVERIFY(!QFile::exists(path));

        // Refresh draws again and leaves the state alone.
        ClickButton(*window, IDC_BTN_REFRESH);
        QVERIFY(window->IsRenderPending());
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(WaitIdle(*window));
    }

    void newWhileChangedAsksAboutTheOldProject()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 777"), QStringLiteral("Simple - KT101"),
                                         QStringLiteral("Tahoma"), 0x00B16300);
        OpenProject(*window, QStringLiteral("MLS# 777"));
        QVERIFY(WaitIdle(*window));
        ChooseFont(*window, QStringLiteral("Arial"));
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(WaitIdle(*window));

        // Yes saves the old project before the details dialog opens; Cancel there keeps it open and clean.
        bool savedBeforeDialog = false;
        WhenShown<CDLGFlyerDetails>([&](CDLGFlyerDetails& dialog) {
            savedBeforeDialog = StoredProject(path).m_strFont == QStringLiteral("Arial");
            QVERIFY(dialog.m_bNewMode);
            dialog.reject();
        });
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        ClickButton(*window, IDC_BTN_NEW);
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Save changes to flyer project:\n\n[MLS# 777] 12 Quay Street - "
                                               "Bayport, CA 94000\n\nbefore closing?"));
        QVERIFY(savedBeforeDialog);
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(window->Document().FlyerData().m_strMLS, QStringLiteral("MLS# 777"));
    }

    void newProjectFromTheDetailsDialog()
    {
        auto window = StartWindow();
        window->SetHasMailClient(true);
        window->AppSettings().DefaultThemeFont = QStringLiteral("Arial");
        window->AppSettings().DefaultThemeColor = 0x00102030;
        const QString photo = m_mainPhoto;
        WhenShown<CDLGFlyerDetails>([photo](CDLGFlyerDetails& dialog) {
            WhenShown<QFileDialog>(
                [photo](QFileDialog& chooser) {
                    chooser.selectFile(photo);
                    static_cast<QDialog&>(chooser).accept();
                },
                kPatienceMs);
            Child<QPushButton>(dialog, FlyerDetailsId::ChoosePhoto1)->click();
            Child<QLineEdit>(dialog, FlyerDetailsId::Caption)->setText(QStringLiteral("Sunny Cottage"));
            Child<QLineEdit>(dialog, FlyerDetailsId::MLSNumber)->setText(QStringLiteral("MLS# 9001"));
            Child<QPlainTextEdit>(dialog, FlyerDetailsId::Description)
                ->setPlainText(QStringLiteral("First line\nSecond line"));
            Child<QPushButton>(dialog, FlyerDetailsId::Save)->click();
        });
        ClickButton(*window, IDC_BTN_NEW);
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(window->Document().FlyerData().m_strCaption, QStringLiteral("Sunny Cottage"));
        QCOMPARE(window->Document().FlyerData().m_strDescription, QStringLiteral("First line<br>Second line"));
        QCOMPARE(Font(*window), QStringLiteral("Arial"));
        QCOMPARE(window->ColorPalette()->GetSelectedColor(), 0x00102030u);
        QCOMPARE(Theme(*window), QStringLiteral("Simple - KT101"));

        // The project lives in its own folder under the projects folder, with its reduced photo.
        const QString file = window->Document().FlyerData().m_strPathName;
        QCOMPARE(QFileInfo(file).absolutePath(), window->AppSettings().strPath2FlyerProjects + QLatin1Char('/') +
                                                     window->Document().FlyerData().m_strId);
        const CFlyerData stored = StoredProject(file);
        QCOMPARE(stored.m_strMLS, QStringLiteral("MLS# 9001"));
        QCOMPARE(stored.m_strFont, QStringLiteral("Arial"));
        QCOMPARE(stored.m_photos[0].m_strPath, QFileInfo(file).absolutePath() + QStringLiteral("/_photo01.jpg"));
        QVERIFY(QFile::exists(stored.m_photos[0].m_strPath));
        QVERIFY(Enabled(*window, IDC_BTN_DETAILS));
        QVERIFY(!Enabled(*window, IDC_BTN_SAVE));
        QCOMPARE(window->Button(IDC_BTN_EMAIL)->toolTip(), QStringLiteral("E-mail Flyer to..."));
        QVERIFY(WaitIdle(*window));
        QVERIFY(!window->FlyerImage().isNull());
    }

    void detailsKeepsUnsavedLookChanges()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 12"), QStringLiteral("Simple - KT101"),
                                         QStringLiteral("Tahoma"), 0x00B16300);
        OpenProject(*window, QStringLiteral("MLS# 12"));
        QVERIFY(WaitIdle(*window));

        // Without a change pending, Details leaves the project clean.
        WhenShown<CDLGFlyerDetails>([](CDLGFlyerDetails& dialog) {
            QVERIFY(!dialog.m_bNewMode);
            Child<QLineEdit>(dialog, FlyerDetailsId::Price)->setText(QStringLiteral("Offered at $1"));
            Child<QPushButton>(dialog, FlyerDetailsId::Save)->click();
        });
        ClickButton(*window, IDC_BTN_DETAILS);
        QCOMPARE(StoredProject(path).m_strPrice, QStringLiteral("Offered at $1"));
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(WaitIdle(*window));

        // A theme change is not part of Details: the file keeps its theme and the change stays pending.
        ChooseThemeFilter(*window, 0);
        ChooseTheme(*window, QStringLiteral("Gallery - KT401"));
        QCOMPARE(window->Document().SelTheme(), QStringLiteral("Gallery - KT401"));
        QVERIFY(window->Document().IsProjectDirty());
        WhenShown<CDLGFlyerDetails>([](CDLGFlyerDetails& dialog) {
            Child<QLineEdit>(dialog, FlyerDetailsId::Price)->setText(QStringLiteral("Offered at $2"));
            Child<QPushButton>(dialog, FlyerDetailsId::Save)->click();
        });
        ClickButton(*window, IDC_BTN_DETAILS);
        const CFlyerData stored = StoredProject(path);
        QCOMPARE(stored.m_strPrice, QStringLiteral("Offered at $2"));
        QCOMPARE(stored.m_strTheme, QStringLiteral("Simple - KT101"));
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(Enabled(*window, IDC_BTN_SAVE));
        QVERIFY(WaitIdle(*window));

        // Cancel changes nothing; a double-click on the canvas opens the same dialog.
        bool opened = false;
        WhenShown<CDLGFlyerDetails>([&](CDLGFlyerDetails& dialog) {
            opened = true;
            dialog.reject();
        });
        QTest::mouseDClick(window->Canvas(), Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(opened);
        QVERIFY(window->Document().IsProjectDirty());

        // Closing asks about the pending change after the exit question, and Yes keeps it.
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        ClickButton(*window, IDC_BTN_EXIT);
        QVERIFY(!window->isVisible());
        const auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].text, QStringLiteral("Are you sure you want to Exit?"));
        QVERIFY(asked[1].text.startsWith(QStringLiteral("Save changes to flyer project:\n\n[MLS# 12]")));
        QCOMPARE(StoredProject(path).m_strTheme, QStringLiteral("Gallery - KT401"));
    }

    // A brand's exact colour: chosen with "More Colors...", saved in the project file as its 32-bit
    // value, drawn exactly, and offered again as a swatch after the standard ones.
    void customColourRoundTrip()
    {
        const ColorRef brand = MakeColorRef(0x00, 0x53, 0x9B);
        const QColor exact(0x00, 0x53, 0x9B);
        // Simple's accent band runs across the top of the page in the highlight colour.
        const QPoint band(408, 5);
        QString path;
        {
            auto window = StartWindow();
            path = MakeProject(*window, QStringLiteral("MLS# 539"), QStringLiteral("Simple - KT101"),
                               QStringLiteral("Tahoma"), 0x00B16300);
            OpenProject(*window, QStringLiteral("MLS# 539"));
            QVERIFY(WaitIdle(*window));
            QVERIFY(!window->Document().IsProjectDirty());
            QVERIFY(window->FlyerImage().pixelColor(band) != exact);

            window->ShowTabPage(1);
            QVERIFY(window->MoreColorsButton()->isVisible());
            auto typed = std::make_shared<bool>(false);
            const auto watch = TestSupport::AnswerColorDialog(QStringLiteral("#00539B"), typed);
            QTest::mouseClick(window->MoreColorsButton(), Qt::LeftButton);
            QVERIFY(watch->seen);
            QVERIFY(*typed);
            QCOMPARE(window->Document().SelColor(), brand);
            QCOMPARE(window->ColorPalette()->GetSelectedColor(), brand);
            QCOMPARE(window->ColorPalette()->Colors().Swatches().value(70), brand);
            QCOMPARE(window->ColorPalette()->Colors().GetRows(), 8);
            QCOMPARE(window->AppSettings().CustomColors, QStringLiteral("#00539B"));
            QVERIFY(window->Document().IsProjectDirty());
            QVERIFY(WaitIdle(*window));
            QCOMPARE(window->FlyerImage().pixelColor(band), exact);

            ClickButton(*window, IDC_BTN_SAVE);
            QCOMPARE(StoredProject(path).m_crColor, brand);
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            ClickButton(*window, IDC_BTN_EXIT);
            QVERIFY(!window->isVisible());
        }
        QCOMPARE(Store().value("CustomColors").toString(), QStringLiteral("#00539B"));

        // The next run offers the colour as a swatch, and the project draws in it from its file.
        auto window = StartWindow();
        QCOMPARE(window->ColorPalette()->Colors().Swatches().value(70), brand);
        OpenProject(*window, QStringLiteral("MLS# 539"));
        QCOMPARE(window->Document().SelColor(), brand);
        QVERIFY(WaitIdle(*window));
        QCOMPARE(window->FlyerImage().pixelColor(band), exact);
        // Picking its swatch again is no change.
        QVERIFY(ClickSwatch(*window, brand));
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(!window->IsRenderPending());
    }

    // A project whose font this computer lacks keeps it: the list shows no other font as chosen, and
    // a Save of another change does not put the font that happened to be selected into the file.
    void fontNotInstalledIsKept()
    {
        auto window = StartWindow();
        const QString missing = QStringLiteral("Garamond Not Installed");
        const QString path =
            MakeProject(*window, QStringLiteral("MLS# 404"), QStringLiteral("Simple - KT101"), missing, 0x00B16300);
        OpenProject(*window, QStringLiteral("MLS# 404"));
        QVERIFY(WaitIdle(*window));
        QCOMPARE(window->m_strSelFont, missing);
        QCOMPARE(Font(*window), QString());
        QVERIFY(ClickSwatch(*window, 0x00E22B8A));
        ClickButton(*window, IDC_BTN_SAVE);
        QVERIFY(!window->Document().IsProjectDirty());
        QCOMPARE(StoredProject(path).m_strFont, missing);
        QCOMPARE(StoredProject(path).m_crColor, 0x00E22B8Au);
        QVERIFY(WaitIdle(*window));
    }

    void extrasOfTheOpenProject()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 88"), QStringLiteral("Gallery - KT401"),
                                         QStringLiteral("Tahoma"), 0x00B16300);
        const QDir folder = QFileInfo(path).dir();
        const QString extrasPath = folder.filePath(QStringLiteral("ListingExtras.json"));
        QFile damaged(extrasPath);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("{\"listing_url\": ") > 0);
        damaged.close();

        // A damaged extras file is reported once, the project opens without it, and the file stays.
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        OpenProject(*window, QStringLiteral("MLS# 88"));
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].text.contains(QStringLiteral("ListingExtras.json cannot be read")),
                 qPrintable(asked[0].text));
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(WaitIdle(*window));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), QByteArray("{\"listing_url\": "));
        damaged.close();

        // Saving the details writes the web address and the crop; the flyer's photo is the cropped area.
        const QString url = QStringLiteral("https://homes.example/listing/88");
        WhenShown<CDLGFlyerDetails>([url](CDLGFlyerDetails& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("IDC_EDIT_LISTINGURL"))->setText(url);
            dialog.m_crops[0] = QRect(0, 0, 900, 700);
            Child<QPushButton>(dialog, FlyerDetailsId::Save)->click();
        });
        ClickButton(*window, IDC_BTN_DETAILS);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 0);
        QVERIFY(WaitIdle(*window));
        CListingExtras stored;
        QCOMPARE(stored.Load(folder.path()).kind, CListingExtras::Loaded);
        QCOMPARE(stored.m_strListingUrl, url);
        QCOMPARE(stored.m_crops[0], std::optional<QRect>(QRect(0, 0, 900, 700)));
        QCOMPARE(QImage(folder.filePath(QStringLiteral("_photo01.jpg"))).size(), QSize(600, 466));
        QCOMPARE(QImage(folder.filePath(QStringLiteral("_original01.jpg"))).size(), QSize(1200, 800));

        // The flyer on the canvas carries the address as a code a phone can read.
        const QString png = m_photos.filePath(QStringLiteral("flyer88.png"));
        QVERIFY(window->FlyerImage().save(png));
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png});
        QVERIFY(zbar.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), url);
    }

    void failedSaveKeepsTheWindowOpen()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 66"), QStringLiteral("Simple - KT101"),
                                         QStringLiteral("Tahoma"), 0x00B16300);
        OpenProject(*window, QStringLiteral("MLS# 66"));
        ChooseFont(*window, QStringLiteral("Arial"));
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(WaitIdle(*window));
        // A folder where the project file should be: every save of it fails.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));

        CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // exit
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes); // save first
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);  // the failure
        ClickButton(*window, IDC_BTN_EXIT);
        auto asked = CXMessageBoxTest::TakeAsked();
        QCOMPARE(asked.size(), 3);
        QVERIFY(asked[2].text.contains(QStringLiteral("Could not save")));
        QVERIFY(window->isVisible());
        QVERIFY(window->Document().IsProjectDirty());
        QVERIFY(QFileInfo::exists(SavePath() + QStringLiteral("/Temp")));

        // New stops the same way, before its dialog; declining the save lets the window close.
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        ClickButton(*window, IDC_BTN_NEW);
        QCOMPARE(CXMessageBoxTest::TakeAsked().size(), 2);
        QCOMPARE(window->Document().FlyerData().m_strMLS, QStringLiteral("MLS# 66"));
        CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
        CXMessageBoxTest::AnswerNext(MsgBox::IdNo);
        ClickButton(*window, IDC_BTN_EXIT);
        QVERIFY(!window->isVisible());
    }

    // A photo damaged inside the project is told once, after the flyer is drawn, not at every draw.
    void damagedPhotoIsToldOnce()
    {
        auto window = StartWindow();
        const QString path = MakeProject(*window, QStringLiteral("MLS# 77"), QStringLiteral("Gallery - KT401"),
                                         QStringLiteral("Arial"), 0x00B16300);
        const QString photo = QDir(QFileInfo(path).absolutePath()).filePath(QStringLiteral("_photo01.jpg"));
        QFile file(photo);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Sunday 2 to 4 pm\n") > 0);
        file.close();
        CFlyerData data = StoredProject(path);
        data.m_photos[0].m_strPath = photo;
        QVERIFY(data.Save().IsOk());

        CXMessageBoxTest::AnswerNext(MsgBox::IdOK);
        OpenProject(*window, QStringLiteral("MLS# 77"));
        QVERIFY(WaitIdle(*window));
        auto asked = CXMessageBoxTest::TakeAsked();
        QTRY_VERIFY((asked += CXMessageBoxTest::TakeAsked(), !asked.isEmpty()));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text,
                 QStringLiteral("Photo 1 (%1) is not a picture that Listora can open (JPEG, PNG or BMP).")
                     .arg(QDir::toNativeSeparators(photo)));

        // Drawn again in another font: nothing new to tell.
        ChooseFont(*window, QStringLiteral("Tahoma"));
        QVERIFY(WaitIdle(*window));
        QTest::qWait(50);
        QVERIFY(CXMessageBoxTest::TakeAsked().isEmpty());
    }

    void deletingTheOpenProjectShowsThePreview()
    {
        auto window = StartWindow();
        MakeProject(*window, QStringLiteral("MLS# 3"), QStringLiteral("Simple - KT101"), QStringLiteral("Tahoma"),
                    0x00B16300);
        OpenProject(*window, QStringLiteral("MLS# 3"));
        QVERIFY(window->Document().IsProjectOpen());
        QVERIFY(WaitIdle(*window));

        WhenShown<CDLGOpenFlyerProject>([](CDLGOpenFlyerProject& dialog) {
            dialog.ProjectList()->SelectItem(0);
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            Child<QPushButton>(dialog, OpenFlyerProjectId::Delete)->click();
            dialog.reject();
        });
        ClickButton(*window, IDC_BTN_OPEN);
        QVERIFY(!window->Document().IsProjectOpen());
        QVERIFY(!window->Document().IsProjectDirty());
        QVERIFY(window->IsRenderPending());
        for (int id : {IDC_BTN_SAVE, IDC_BTN_DETAILS, IDC_BTN_EXPORT, IDC_BTN_EMAIL})
            QVERIFY(!Enabled(*window, id));
        QVERIFY(WaitIdle(*window));
        QVERIFY(!window->FlyerImage().isNull());

        // Without a project, a double-click on the canvas does nothing.
        QTest::mouseDClick(window->Canvas(), Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void choicesAndGeometryAreRemembered()
    {
        {
            auto window = StartWindow();
            window->resize(1100, 700);
            ChooseFont(*window, QStringLiteral("Arial"));
            QVERIFY(ClickSwatch(*window, 0x00E22B8A));
            ChooseThemeFilter(*window, 3);
            QVERIFY(WaitIdle(*window));
            const QString theme = Theme(*window);
            QVERIFY(!theme.isEmpty());
            // A copy staged for the mail program earlier in the run goes with the program.
            const QString staged = OutgoingMailFolder() + QStringLiteral("/0123/ML1 - 1 Main St.pdf");
            QVERIFY(QDir().mkpath(QFileInfo(staged).absolutePath()));
            QFile file(staged);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("%PDF") == 4);
            file.close();
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            ClickButton(*window, IDC_BTN_EXIT);
            QVERIFY(!QFileInfo::exists(OutgoingMailFolder()));
            QVERIFY(!window->isVisible());
            QCOMPARE(Store().value("LastTheme").toString(), theme);
        }
        QSettings store = Store();
        QCOMPARE(store.value("LastFont").toString(), QStringLiteral("Arial"));
        QCOMPARE(store.value("LastThemeFilter").toInt(), 3);
        QCOMPARE(store.value("WindowWidth").toInt(), 1100);
        QVERIFY(!QFileInfo::exists(SavePath() + QStringLiteral("/Temp")));

        auto window = StartWindow();
        QCOMPARE(window->size(), QSize(1100, 700));
        QCOMPARE(Font(*window), QStringLiteral("Arial"));
        QCOMPARE(window->ColorPalette()->GetSelectedColor(), 0x00E22B8Au);
        QCOMPARE(Theme(*window), store.value("LastTheme").toString());

        // Closing while maximised keeps the size the window returns to.
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
        window->SaveStateOnClose();
        QCOMPARE(window->AppSettings().WindowWidth, 1100);
        QCOMPARE(window->AppSettings().WindowHeight, 700);
        QCOMPARE(Store().value("WindowWidth").toInt(), 1100);
    }

    // The format filter beside the photo filter: flyers at first, as the list always looked; the
    // user's choice lists only that group's themes and holds after a restart.
    void formatFilterIsRemembered()
    {
        const QString themes = WorkingFolders::UserThemesFolder();
        const auto removeThemes = qScopeGuard([&themes] { QDir(themes).removeRecursively(); });
        QVERIFY(QDir().mkpath(themes + QStringLiteral("/Card")));
        QFile page(themes + QStringLiteral("/Card/index.htm"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<!DOCTYPE html><html><body style=\"margin:0;width:576px;height:384px\">"
                   "<p>$_listingPrice$</p></body></html>");
        page.close();
        QFile ini(themes + QStringLiteral("/Themes.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Themes]\nCount=1\nTHEME01=Card Test\n\n[Card Test]\nName=Card Test\nWidth=576\nHeight=384\n"
                  "Orientation=1\nColor=RGB(32, 80, 160)\nPhotos=1\nTypeface=Tahoma\n"
                  "Id={0B8D9E21-5C3A-4F7E-9D61-2A4C8E0F1B36}\nVersion=1.0\nCreated=1796860800\n"
                  "Template=Card\\index.htm\n");
        ini.close();
        const auto listed = [](const CMainDialog& window) {
            QStringList names;
            for (int row = 0; row < window.ThemesList()->GetCount(); ++row)
                names.append(window.ThemesList()->GetText(row));
            return names;
        };
        {
            auto window = StartWindow();
            QCOMPARE(window->ThemeFormat()->currentText(), QStringLiteral("Flyers"));
            QVERIFY(!listed(*window).contains(QStringLiteral("Card Test")));
            QVERIFY(!listed(*window).isEmpty());
            window->TabControl()->setCurrentIndex(0);
            const int postcards = window->ThemeFormat()->findText(QStringLiteral("Postcards"));
            QVERIFY(postcards >= 0);
            window->ThemeFormat()->setCurrentIndex(postcards);
            Q_EMIT window->ThemeFormat()->activated(postcards);
            QCOMPARE(listed(*window), QStringList{QStringLiteral("Card Test")});
            QCOMPARE(Theme(*window), QStringLiteral("Card Test"));
            QVERIFY(WaitIdle(*window));
            CXMessageBoxTest::AnswerNext(MsgBox::IdYes);
            ClickButton(*window, IDC_BTN_EXIT);
            QVERIFY(!window->isVisible());
        }
        QCOMPARE(Store().value("LastThemeFormat").toInt(), int(kFormatPostcards));
        auto window = StartWindow();
        QCOMPARE(window->ThemeFormat()->currentText(), QStringLiteral("Postcards"));
        QCOMPARE(listed(*window), QStringList{QStringLiteral("Card Test")});
        QCOMPARE(Theme(*window), QStringLiteral("Card Test"));
        QCOMPARE(window->FlyerImage().size(), QSize(576, 384));
    }

    void missingThemeFallsBack_data()
    {
        QTest::addColumn<QString>("defaultTheme");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("expected"); // empty: the first theme listed under the saved filter
        QTest::newRow("default theme") << QStringLiteral("Simple - KT101") << 1 << QStringLiteral("Simple - KT101");
        QTest::newRow("neither installed") << QStringLiteral("Nor This One") << 3 << QString();
    }
    void missingThemeFallsBack()
    {
        QFETCH(QString, defaultTheme);
        QFETCH(int, filter);
        QFETCH(QString, expected);
        {
            CAppSettings settings; // the first run's store, with every default
        }
        {
            QSettings store = Store();
            store.setValue("LastTheme", QStringLiteral("No Such Theme"));
            store.setValue("DefaultThemeTemplate", defaultTheme);
            store.setValue("LastThemeFilter", filter);
        }
        auto window = StartWindow();
        if (expected.isEmpty())
            expected = BuildThemeList(window->ThemeCatalogue(), filter).value(0).name;
        QVERIFY(!expected.isEmpty());
        QCOMPARE(Theme(*window), expected);
        QCOMPARE(window->ThemeFilter()->GetFilterValue(), filter);
        QVERIFY(!window->FlyerImage().isNull());
    }

    void missingCoversAreMadeWhileTheWindowWorks()
    {
        const QString covers = m_data.filePath(QStringLiteral("Themes/Covers"));
        QDir(covers).removeRecursively();
        auto window = std::make_unique<CMainDialog>();
        window->AppSettings().ShowQuickStart = 0;
        window->show();
        QVERIFY(window->IsMakingCovers());
        QVERIFY(window->findChild<QProgressBar*>(QStringLiteral("CoverProgress"))->isVisibleTo(window.get()));
        // The window takes choices meanwhile.
        window->ShowTabPage(1);
        QVERIFY(window->FontsList()->isVisible());
        window->ShowTabPage(0);
        QSignalSpy finished(window.get(), &CMainDialog::CoversFinished);
        QVERIFY(finished.wait(60000));
        QVERIFY(!window->findChild<QProgressBar*>(QStringLiteral("CoverProgress"))->isVisibleTo(window.get()));
        for (const CXThemeTemplateInfo& theme : window->ThemeCatalogue().Themes()) {
            // The page's proportions in a 92 pixel box: 71 x 92 for Letter.
            const QImage cover(covers + QLatin1Char('/') + theme.GetCover());
            QCOMPARE(cover.size(), theme.GetPageSize().scaled(92, 92, Qt::KeepAspectRatio));
        }
        QVERIFY(WaitIdle(*window));
        QVERIFY(!window->FlyerImage().isNull());
    }

    void coverGestureMakesMissingCovers()
    {
        auto window = StartWindow();
        const CXThemeTemplateInfo& theme = window->ThemeCatalogue().at(0);
        const QString cover = window->AppSettings().Path2ThemeCovers + QLatin1Char('/') + theme.GetCover();
        QVERIFY(QFile::exists(cover));
        const QDateTime kept = QFileInfo(cover).lastModified();
        QVERIFY(QFile::remove(window->AppSettings().Path2ThemeCovers + QLatin1Char('/') +
                              window->ThemeCatalogue().at(1).GetCover()));

        // Only with Ctrl and Shift held; existing covers are left as they are.
        QTest::mouseDClick(window->Canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(40, 40));
        QVERIFY(!window->IsMakingCovers());
        QTest::mouseDClick(window->Canvas(), Qt::RightButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(40, 40));
        QVERIFY(window->IsMakingCovers());
        QVERIFY(WaitIdle(*window));
        const CXThemeTemplateInfo& remade = window->ThemeCatalogue().at(1);
        QCOMPARE(QImage(window->AppSettings().Path2ThemeCovers + QLatin1Char('/') + remade.GetCover()).size(),
                 remade.GetPageSize().scaled(92, 92, Qt::KeepAspectRatio));
        QCOMPARE(QFileInfo(cover).lastModified(), kept);
    }

    void aboutMenuAndWebItems()
    {
        auto window = StartWindow();
        ClickButton(*window, IDC_BTN_ABOUT);
        QMenu* menu = window->AboutMenu();
        QTRY_VERIFY(menu->isVisible());
        const CXPNGButton* about = window->Button(IDC_BTN_ABOUT);
        QCOMPARE(menu->geometry().bottom() + 1, about->mapToGlobal(QPoint(0, 0)).y());
        QStringList items;
        for (QAction* action : menu->actions())
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items, QStringList({"About", "-", "www.tarnwick.example", "Help Desk", "-", "Check for Updates"}));
        menu->hide();

        TestSupport::UrlCatcher catcher({QStringLiteral("https"), QStringLiteral("file")});
        menu->findChild<QAction*>(QStringLiteral("ID%1").arg(ID_ABOUT_WEBSITE))->trigger();
        menu->findChild<QAction*>(QStringLiteral("ID%1").arg(ID_ABOUT_HELPDESK))->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl("https://www.tarnwick.example/Index.php"),
                                            QUrl("https://www.tarnwick.example/Support/Index.php")}));

        // Help shows the contents page of the program's own help.
        ClickButton(*window, IDC_BTN_HELP);
        QCOMPARE(catcher.urls.size(), 3);
        QVERIFY(catcher.urls.last().toLocalFile().startsWith(window->AppSettings().Path2Help));
        QVERIFY(QFile::exists(catcher.urls.last().toLocalFile()));
    }
};

QTEST_MAIN(TestMainDialog)
#include "tst_maindialog.moc"
