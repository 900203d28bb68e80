#include "mainwin/ui/maindialog.h"

#include "app/appinfo.h"
#include "app/ui/aboutdlg.h"
#include "app/ui/splashwnd.h"
#include "app/workingfolders.h"
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/loadpolicy.h"
#include "compose/render/htmlflyerrenderer.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/ui/canvas.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/pngbutton.h"
#include "imaging/photocrop.h"
#include "imaging/photointake.h"
#include "mainwin/mainids.h"
#include "mainwin/mainlayout.h"
#include "mainwin/ui/quickstartdlg.h"
#include "options/ui/optionsgeneralpage.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/optionssheet.h"
#include "output/ui/flyeroutput.h"
#include "projects/foldertree.h"
#include "projects/projectstore.h"
#include "projects/ui/dialogunits.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "projects/ui/openflyerprojectdlg.h"
#include "web/ui/helpviewer.h"
#include "web/ui/updatecheckui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

// The print-quality page of the flyer on show, made on demand by the window's own renderer.
PrintPageFn PrintPageOf(CXHTML2Image* renderer, const CXFlyerSource& source)
{
    return [renderer, source](PrintPageWork work, CXPrintPage& page, QString* error) {
        return MakePrintPage(*renderer, source, work, page, error);
    };
}

struct ButtonSpec
{
    int id;
    const char* name;
    const char* text;
    const char* tooltip;
    void (CMainDialog::*handler)();
};

// In the order of kMainButtonsRightToLeft.
const ButtonSpec kButtons[12] = {
    {IDC_BTN_EXIT, "IDC_BTN_EXIT", "E&xit", "Exit %1", &CMainDialog::OnBnClickedBtnExit},
    {IDC_BTN_HELP, "IDC_BTN_HELP", "&Help", "Display Help File", &CMainDialog::OnBnClickedBtnHelp},
    {IDC_BTN_ABOUT, "IDC_BTN_ABOUT", "&About", "About %1", &CMainDialog::OnBnClickedBtnAbout},
    {IDC_BTN_OPTIONS, "IDC_BTN_OPTIONS", "&Options", "Display Program Options", &CMainDialog::OnBnClickedBtnOptions},
    {IDC_BTN_REFRESH, "IDC_BTN_REFRESH", "&Refresh", "Refresh Flyer", &CMainDialog::OnBnClickedBtnRefresh},
    {IDC_BTN_EXPORT, "IDC_BTN_EXPORT", "&Export", "Export Flyer...", &CMainDialog::OnBnClickedBtnExportFlyer},
    {IDC_BTN_EMAIL, "IDC_BTN_EMAIL", "E-&mail", "E-mail Flyer to...", &CMainDialog::OnBnClickedBtnEmailFlyer},
    {IDC_BTN_PRINT, "IDC_BTN_PRINT", "&Print", "Print Flyer", &CMainDialog::OnBnClickedBtnPrint},
    {IDC_BTN_DETAILS, "IDC_BTN_DETAILS", "&Details", "View/Edit Flyer Details", &CMainDialog::OnBnClickedBtnProperties},
    {IDC_BTN_SAVE, "IDC_BTN_SAVE", "Save", "Save Flyer Project Changes", &CMainDialog::OnBnClickedBtnSave},
    {IDC_BTN_OPEN, "IDC_BTN_OPEN", "Open", "Open Flyer Project", &CMainDialog::OnBnClickedBtnOpen},
    {IDC_BTN_NEW, "IDC_BTN_NEW", "&New", "Create New Flyer Project", &CMainDialog::OnBnClickedBtnNew},
};

// One pixel larger than the pictures, which are then drawn at their own size.
constexpr QSize kButtonSize(47, 51);
constexpr int kStartupTimerMs = 500;
constexpr int kStartupRetryMs = 100;

QString Caption()
{
    return AppInfo::DisplayName();
}

void ShowWarning(QWidget* owner, const QString& text)
{
    TemplateMessageBox(owner, text, Caption(), MsgBox::IconExclamation | MsgBox::OK);
}

// The earlier settings file stays as it was; the user should know the change is not kept.
QString SettingsNotSavedText(const CAppSettings& settings)
{
    return QStringLiteral("Your settings could not be saved.\n\n%1").arg(settings.SaveErrorText());
}

// A white page under the tab, as the lists and labels on it expect.
QWidget* MakeTabPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    QPalette white = page->palette();
    white.setColor(QPalette::Window, Qt::white);
    page->setPalette(white);
    page->setAutoFillBackground(true);
    return page;
}

} // namespace

CMainDialog::CMainDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(AppInfo::DisplayName());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("CMainDialog"));
    SetMessageBoxMainWindow(this);
    OnInitDialog();
    ConnectHandOver();
}

CMainDialog::~CMainDialog()
{
    if (MessageBoxMainWindow() == this)
        SetMessageBoxMainWindow(nullptr);
}

void CMainDialog::CreateControls()
{
    m_pTab = new QTabWidget(this);
    m_pTab->setObjectName(QStringLiteral("IDC_TAB_MAIN"));

    m_pThemeFilter = new CXThemeFilterCB(this);
    m_pThemeFilter->setObjectName(QStringLiteral("IDC_COMBO_THEMEFILTER"));
    m_pThemes = new CXThemesLB(this);
    m_pThemes->setObjectName(QStringLiteral("IDC_LIST_THEMES"));

    m_pChooseColor = new QLabel(QStringLiteral("Theme Template Color:"), this);
    m_pChooseColor->setObjectName(QStringLiteral("IDC_ST_CHOOSE_COLOR"));
    m_pPalette = new CXColorPalette(this);
    m_pPalette->setObjectName(QStringLiteral("IDC_ST_COLORS"));
    m_pChooseFont = new QLabel(QStringLiteral("Theme Template Font:"), this);
    m_pChooseFont->setObjectName(QStringLiteral("IDC_ST_CHOOSE_FONT"));
    m_pFonts = new CXFontsLB(this);
    m_pFonts->setObjectName(QStringLiteral("IDC_LIST_FONTS"));
    m_pChooseColor->setBuddy(m_pPalette);
    m_pChooseFont->setBuddy(m_pFonts);

    m_pCanvas = new CXCanvas(this);
    m_pCanvas->setObjectName(QStringLiteral("IDC_ST_CANVAS"));

    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonSpec& spec = kButtons[i];
        auto* button = new CXPNGButton(this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setText(QString::fromLatin1(spec.text));
        button->resize(kButtonSize);
        connect(button, &QAbstractButton::clicked, this, spec.handler);
        m_buttons[i] = button;
    }

    connect(m_pThemeFilter, &CXThemeFilterCB::SelChange, this, &CMainDialog::OnCbnSelchangeComboThemeFilter);
    connect(m_pThemes, &CXThemesLB::SelChange, this, &CMainDialog::OnLbnSelchangeListThemes);
    connect(m_pFonts, &CXFontsLB::SelChange, this, &CMainDialog::OnLbnSelchangeListFonts);
    connect(m_pPalette, &CXColorPalette::ColorChanged, this, &CMainDialog::OnCPColorChanged);
    connect(m_pTab, &QTabWidget::currentChanged, this, &CMainDialog::ShowTabPage);
    connect(m_pCanvas, &CXCanvas::DoubleClicked, this, &CMainDialog::OnCanvasDoubleClicked);
    connect(m_pCanvas, &CXCanvas::CoverGestureRequested, this, &CMainDialog::OnCanvasCoverGesture);

    m_pCoverProgress = new QProgressBar(m_pThemes);
    m_pCoverProgress->setObjectName(QStringLiteral("CoverProgress"));
    m_pCoverProgress->setTextVisible(true);
    m_pCoverProgress->hide();

    m_pAboutMenu = new QMenu(this);
    m_pAboutMenu->setObjectName(QStringLiteral("AboutMenu"));
    const auto addItem = [this](int id, const QString& text, void (CMainDialog::*handler)()) {
        QAction* action = m_pAboutMenu->addAction(text, this, handler);
        action->setObjectName(QStringLiteral("ID%1").arg(id));
        action->setData(id);
    };
    addItem(ID_ABOUT_ABOUT, QStringLiteral("About"), &CMainDialog::OnAboutAbout);
    m_pAboutMenu->addSeparator();
    addItem(ID_ABOUT_WEBSITE, QUrl(AppInfo::SiteUrl()).host(), &CMainDialog::OnAboutWebsite);
    addItem(ID_ABOUT_HELPDESK, QStringLiteral("Help Desk"), &CMainDialog::OnAboutHelpDesk);
    m_pAboutMenu->addSeparator();
    addItem(ID_ABOUT_CHECKFORUPDATES, QStringLiteral("Check for Updates"), &CMainDialog::OnAboutCheckForUpdates);

    m_pRenderer = new CXHTML2Image(this);
    m_pRenderer->SetWorkerPath(CXHTML2Image::FindWorker());
    m_pFlyerRenderer = std::make_unique<CXHTMLFlyerRenderer>(*m_pRenderer);
    m_pSession = std::make_unique<CFlyerSession>(m_appSettings, m_themes, *m_pFlyerRenderer);
    ConnectSession();

    m_pStartupTimer = new QTimer(this);
    m_pStartupTimer->setSingleShot(true);
    m_pStartupTimer->setInterval(kStartupTimerMs);
    connect(m_pStartupTimer, &QTimer::timeout, this, &CMainDialog::OnStartupTimer);
}

void CMainDialog::OnInitDialog()
{
    CreateControls();
    InitAppSettings();
    StartSplash(this, m_appSettings);

    const QString iconPath = QStringLiteral(":/res/127.png");
    if (QFileInfo::exists(iconPath))
        setWindowIcon(QIcon(iconPath));

    InitTabControl();
    InitButtons();

    m_fonts.BuildKnownFonts();
    InitFontsLB();
    m_pSession->SetSelectedFont(m_appSettings.LastFont);

    InitColorPalette();

    // Starting the engine now spares the first flyer the engine's start-up.
    m_pRenderer->WarmUp();

    m_pThemeFilter->FillFilter();
    m_pThemes->SetSettings(&m_appSettings);
    m_themes.LoadAvailableThemes(m_appSettings.Path2Themes, WorkingFolders::UserThemesFolder());

    QString theme = m_appSettings.LastTheme;
    if (!m_themes.ContainsTheme(theme))
        theme = m_appSettings.DefaultThemeTemplate;
    m_pSession->SetSelection(theme, m_pSession->SelFont(), m_appSettings.LastColor);
    WriteControls();

    m_pCanvas->SetPageSize(kFlyerWidth, kFlyerHeight);
    m_pCanvas->SetMargin(10);
    m_pCanvas->SizeToFit();
    m_pCanvas->update();
    m_pCanvas->SetShadow(true, 4);

    PlaceWindow();
    ResizeMoveControls();
    SetButtonTooltips(m_appSettings.ShowTooltips != 0);

    CreateMissingThemeCovers(!DeveloperCoverFolder().isEmpty());

    ShowTabPage(0);

    if (FindSelectTheme(theme)) {
        OnLbnSelchangeListThemes();
    } else {
        m_pThemeFilter->SelectFilterValue(m_appSettings.LastThemeFilter);
        m_bSelectFirstTheme = true;
        OnCbnSelchangeComboThemeFilter();
        m_bSelectFirstTheme = false;
    }

    RenderFlyer();
    UpdateButtons();

    m_pStartupTimer->start();
}

void CMainDialog::InitAppSettings()
{
    WorkingFolders::InitAppSettings(m_appSettings);
    m_pSession->SetHasMailClient(HasMailClient());
}

void CMainDialog::InitTabControl()
{
    QTabBar* bar = m_pTab->tabBar();
    bar->setUsesScrollButtons(false);
    bar->setElideMode(Qt::ElideNone);
    m_pTab->addTab(MakeTabPage(m_pTab), QStringLiteral("Theme Templates"));
    m_pTab->addTab(MakeTabPage(m_pTab), QStringLiteral("Customize (Colors && Fonts)  "));
    // Both page names must fit the pane's fixed width whatever the desktop's font size.
    QFont font = bar->font();
    while (bar->sizeHint().width() > kMainLeftPaneWidth - 4 && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        bar->setFont(font);
    }
}

void CMainDialog::InitButtons()
{
    const QColor face = palette().color(QPalette::Button);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->LoadPicture(kButtons[i].id);
        m_buttons[i]->SetBackgroundColor(face);
    }
}

void CMainDialog::InitFontsLB()
{
    ::InitFontsLB(*m_pFonts, m_fonts, m_appSettings.ShowAllFonts != 0);
}

void CMainDialog::InitColorPalette()
{
    m_pPalette->SetupStandardPalette(m_appSettings.LastColor, 52);
    m_pSession->SetShownColor(m_appSettings.LastColor);
    m_pPalette->update();
}

void CMainDialog::PlaceWindow()
{
    if (m_appSettings.IsZoomed) {
        resize(DialogUnits(font()).Size(571, 287));
        return;
    }
    resize(m_appSettings.WindowWidth, m_appSettings.WindowHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    int left = area.width() / 2 - m_appSettings.WindowWidth / 2;
    int top = area.height() / 2 - m_appSettings.WindowHeight / 2;
    // A window larger than the screen still keeps its title bar on it.
    left = std::max(left, 0);
    top = std::max(top, 0);
    move(area.x() + left, area.y() + top);
}

void CMainDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Without a window manager keeping it on top, the splash would vanish under the window.
    if (CSplashWnd* splash = RunningSplash())
        splash->raise();
    // The smallest size the user can drag the window to. It binds the user only: a stored size
    // below it (the first start's height) is restored as it was.
    if (QWindow* window = windowHandle())
        window->setMinimumSize(kMainMinimumSize);
}

void CMainDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ResizeMoveControls();
}

void CMainDialog::ResizeMoveControls()
{
    if (!m_pTab)
        return;
    MainLayoutInput input;
    input.client = size();
    input.filterHeight = m_pThemeFilter->sizeHint().height();
    input.colorLabelHeight = m_pChooseColor->sizeHint().height();
    input.fontLabelHeight = m_pChooseFont->sizeHint().height();
    for (size_t i = 0; i < m_buttons.size(); ++i)
        input.buttons[i] = m_buttons[i]->size();
    const MainLayout layout = CalcMainLayout(input);

    m_pTab->setGeometry(layout.tab);
    m_pThemeFilter->setGeometry(layout.themeFilter);
    m_pThemes->setGeometry(layout.themeList);
    m_pChooseColor->setGeometry(layout.colorLabel);
    m_pPalette->setGeometry(layout.colorPalette);
    m_pChooseFont->setGeometry(layout.fontLabel);
    m_pFonts->setGeometry(layout.fontList);
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(layout.buttons[i]);
    m_pCanvas->setGeometry(layout.canvas);
    PlaceCoverProgress();
}

void CMainDialog::PlaceCoverProgress()
{
    const QRect list = m_pThemes->rect();
    const int height = m_pCoverProgress->sizeHint().height();
    m_pCoverProgress->setGeometry(list.x() + 6, list.bottom() - height - 5, list.width() - 12, height);
}

void CMainDialog::ShowTabPage(int index)
{
    if (index != 0 && index != 1)
        return;
    const bool themes = index == 0;
    for (QWidget* control : {static_cast<QWidget*>(m_pChooseColor), static_cast<QWidget*>(m_pPalette),
                             static_cast<QWidget*>(m_pChooseFont), static_cast<QWidget*>(m_pFonts)}) {
        control->setVisible(!themes);
        control->raise();
    }
    for (QWidget* control : {static_cast<QWidget*>(m_pThemeFilter), static_cast<QWidget*>(m_pThemes)}) {
        control->setVisible(themes);
        control->raise();
    }
    if (m_pTab->currentIndex() != index)
        m_pTab->setCurrentIndex(index);
}

CXPNGButton* CMainDialog::Button(int id) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i)
        if (kButtons[i].id == id)
            return m_buttons[i];
    return nullptr;
}

ColorRef CMainDialog::FlyerColor() const
{
    return m_pPalette->GetSelectedColor();
}

void CMainDialog::ConnectSession()
{
    connect(m_pSession.get(), &CFlyerSession::FlyerReady, this, [this](const QImage& image) {
        m_pCanvas->SetEmptyText(QString());
        m_pCanvas->SetFlyerImage(image);
        Q_EMIT FlyerShown(true);
    });
    connect(m_pSession.get(), &CFlyerSession::FlyerFailed, this, &CMainDialog::ShowNoFlyer);
    connect(m_pSession.get(), &CFlyerSession::CoverStarted, this, [this](int done, int due) {
        m_pCoverProgress->setRange(0, due);
        m_pCoverProgress->setValue(done);
        m_pCoverProgress->setFormat(QStringLiteral("Making theme pictures: %1 of %2").arg(done + 1).arg(due));
        PlaceCoverProgress();
        m_pCoverProgress->show();
    });
    connect(m_pSession.get(), &CFlyerSession::CoverMade, this, [this](int done) {
        m_pCoverProgress->setValue(done);
        m_pThemes->viewport()->update();
    });
    connect(m_pSession.get(), &CFlyerSession::CoversFinished, this, [this] {
        m_pCoverProgress->hide();
        Q_EMIT CoversFinished();
    });
}

QString CMainDialog::ListedTheme() const
{
    const int theme = m_pThemes->GetCurSel();
    return theme >= 0 ? m_pThemes->GetText(theme) : QString();
}

QString CMainDialog::ListedFont() const
{
    const int font = m_pFonts->GetCurSel();
    return font >= 0 ? m_pFonts->GetText(font) : QString();
}

void CMainDialog::ReadControls()
{
    m_pSession->SetSelection(ListedTheme(), ListedFont(), FlyerColor());
}

void CMainDialog::WriteControls()
{
    const auto selectPrefix = [](auto& list, const QString& text) {
        for (int i = 0; i < list.GetCount(); ++i) {
            if (list.GetText(i).startsWith(text, Qt::CaseInsensitive)) {
                list.SetCurSel(i);
                return;
            }
        }
    };
    selectPrefix(*m_pThemes, m_pSession->SelTheme());
    selectPrefix(*m_pFonts, m_pSession->SelFont());
}

bool CMainDialog::LoadTemplate(const QString& path)
{
    return m_pSession->LoadTemplate(path);
}

bool CMainDialog::FindSelectTheme(const QString& name)
{
    return ::FindSelectTheme(*m_pThemes, *m_pThemeFilter, m_themes, name);
}

void CMainDialog::RenderFlyer()
{
    ReadControls();
    m_pSession->RenderFlyer();
}

void CMainDialog::RenderProjectFlyer()
{
    ReadControls();
    m_pSession->RenderProjectFlyer();
}

void CMainDialog::RenderSampleFlyer()
{
    ReadControls();
    m_pSession->RenderSampleFlyer();
}

void CMainDialog::WaitForFlyer()
{
    if (!IsRenderPending())
        return;
    QEventLoop loop;
    connect(this, &CMainDialog::FlyerShown, &loop, &QEventLoop::quit);
    // The renderer gives up on a page itself; this only guards against a lost answer.
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void CMainDialog::CreateMissingThemeCovers(bool includeLarge)
{
    m_pSession->CreateMissingThemeCovers(includeLarge);
}

void CMainDialog::OnCanvasCoverGesture()
{
    CreateMissingThemeCovers(false);
}

void CMainDialog::ShowNoFlyer(const QString& why)
{
    // The canvas never keeps a flyer the window no longer has.
    m_pCanvas->SetFlyerImage(QImage());
    m_pCanvas->SetEmptyText(why);
    Q_EMIT FlyerShown(false);
}

void CMainDialog::OnLbnSelchangeListThemes()
{
    TakeThemeSelection(false);
}

void CMainDialog::TakeThemeSelection(bool reload)
{
    ReadControls();
    if (m_pThemes->GetCount() == 0)
        return;
    const int position = std::max(m_pThemes->GetCurSel(), 0);
    qsizetype index = m_pThemes->GetItemData(position);
    if (index < 0 || index >= m_themes.size())
        index = 0;
    m_pSession->ChooseTemplate(m_themes.at(index).GetTemplate(), reload);
    UpdateButtons();
}

void CMainDialog::OnLbnSelchangeListFonts()
{
    m_pSession->SetSelection(ListedTheme(), m_pSession->SelFont(), FlyerColor());
    m_pSession->ChooseFont(ListedFont());
    UpdateButtons();
}

void CMainDialog::OnCPColorChanged()
{
    ReadControls();
    const ColorRef color = FlyerColor();
    if (m_pSession->ChooseColor(color))
        m_pCanvas->SetSheetColor(QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)));
    UpdateButtons();
}

void CMainDialog::OnCbnSelchangeComboThemeFilter()
{
    ThemeFilterChanged(*m_pThemes, *m_pThemeFilter, m_themes, m_bSelectFirstTheme, m_appSettings.LastTheme);
    OnLbnSelchangeListThemes();
    UpdateButtons();
}

void CMainDialog::UpdateButtons()
{
    ReadControls();
    const CFlyerSession::CButtonStates states = m_pSession->ButtonStates();
    const auto enable = [this](int id, bool enabled) {
        CXPNGButton* button = Button(id);
        if (button && button->isEnabled() != enabled)
            button->setEnabled(enabled);
    };
    enable(IDC_BTN_SAVE, states.save);
    enable(IDC_BTN_DETAILS, states.details);
    enable(IDC_BTN_EXPORT, states.exportFlyer);
    enable(IDC_BTN_EMAIL, states.email);
}

void CMainDialog::SetButtonTooltips(bool enabled)
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        QString tooltip = QString::fromLatin1(kButtons[i].tooltip).replace(QLatin1String("%1"), AppInfo::DisplayName());
        // A button that can never be used says why.
        if (kButtons[i].id == IDC_BTN_EMAIL && !m_pSession->HasMailClient())
            tooltip = QStringLiteral("No mail program is set up on this computer.");
        m_buttons[i]->SetTooltipText(enabled ? tooltip : QString());
    }
}

void CMainDialog::OnStartupTimer()
{
    m_pStartupTimer->stop();
    QCoreApplication::processEvents();
    // Opened under the splash, or while a dialog the user opened meanwhile is up, the chooser
    // would end up hidden behind a window it blocks: it waits until both are gone.
    const QWidget* modal = QApplication::activeModalWidget();
    if (RunningSplash() || (modal && modal != this)) {
        m_pStartupTimer->start(kStartupRetryMs);
        return;
    }
    // A project named on the command line is what the user asked for: QuickStart would only ask again.
    if (OpenStartupProject())
        return;
    RunQuickStart();
}

void CMainDialog::RunQuickStart()
{
    QuickStartActions actions;
    actions.newProject = [this] { OnBnClickedBtnNew(); };
    actions.openProject = [this] { OnBnClickedBtnOpen(); };
    actions.editProfile = [this] { EditProfile(); };
    RunQuickStartChooser(this, m_appSettings, actions);
}

void CMainDialog::EditProfile()
{
    const bool taken =
        RunProfileSheet(this, m_appSettings, [this](CPPDLGOptionsMyInfo& page) { BeginProfileDraft(page); });
    EndLiveDraft();
    if (taken)
        RenderFlyer();
}

void CMainDialog::OnCanvasDoubleClicked()
{
    if (m_pSession->IsProjectOpen())
        OnBnClickedBtnProperties();
}

bool CMainDialog::PromptSaveProject()
{
    if (!m_pSession->NeedsSavePrompt())
        return true;
    if (!m_appSettings.Confirm(CAppSettings::ConfirmKind::SaveBeforeClosing, m_pSession->SavePromptText()))
        return true;
    OnBnClickedBtnSave();
    return !m_pSession->IsProjectDirty();
}

void CMainDialog::ShowWarnings(const QStringList& warnings)
{
    for (const QString& text : warnings)
        ShowWarning(this, text);
}

void CMainDialog::OnBnClickedBtnNew()
{
    ReadControls();
    if (!PromptSaveProject())
        return;

    CDLGFlyerDetails dialog(this, m_appSettings);
    MeasurePrintBoxes(dialog);
    dialog.m_bNewMode = 1;
    dialog.m_strStartFolder = m_appSettings.PicturesFolder;
    BeginDetailsDraft(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    EndLiveDraft();
    if (!accepted)
        return;

    CFlyerData listing;
    CListingExtras extras;
    dialog.SaveToRecord(listing, extras);
    ShowWarnings(m_pSession->NewProject(listing, extras).warnings);

    m_pPalette->SetSelectedColor(m_pSession->SelColor());
    m_pPalette->update();
    WriteControls();
    if (FindSelectTheme(m_pSession->FlyerData().m_strTheme))
        TakeThemeSelection(true);
    else
        OnBnClickedBtnRefresh();
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnOpen()
{
    if (!PromptSaveProject())
        return;

    CDLGOpenFlyerProject dialog(this, m_appSettings);
    if (dialog.exec() == QDialog::Accepted) {
        if (!OpenProjectFile(dialog.m_strSelectedPath))
            return;
        if (dialog.m_bAlwaysShowFlyerDetails)
            OnBnClickedBtnProperties();
    } else if (dialog.m_bDeleted && m_pSession->IsProjectOpen() &&
               dialog.IsProjectDeleted(m_pSession->FlyerData().m_strPathName)) {
        ReadControls();
        m_pSession->CloseProject();
    }
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnSave()
{
    ReadControls();
    QString error;
    if (!m_pSession->SaveProject(&error))
        ShowWarning(this, error);
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnProperties()
{
    ReadControls();
    if (!m_pSession->IsProjectOpen())
        return;
    const QString photoFolder = m_pSession->RepairPhotoFolder();
    const CFlyerData& flyer = m_pSession->FlyerData();

    CDLGFlyerDetails dialog(this, m_appSettings);
    MeasurePrintBoxes(dialog);
    dialog.m_bNewMode = 0;
    dialog.LoadFromRecord(flyer, m_pSession->Extras());
    dialog.m_strStartFolder = photoFolder;
    BeginDetailsDraft(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    EndLiveDraft();
    if (!accepted)
        return;

    CFlyerData listing;
    CListingExtras extras;
    dialog.SaveToRecord(listing, extras);
    ShowWarnings(m_pSession->UpdateListing(listing, extras).warnings);
    WriteControls();
    ReadControls();
    m_pSession->Refresh();
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnPrint()
{
    ReadControls();
    WaitForFlyer();
    PrintFlyer(this, m_pSession->PrintedFlyerData(), m_pSession->IsProjectOpen(), &FlyerImage(), m_pSession->SelTheme(),
               m_pSession->SelFont(), FlyerColor(), PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::MeasurePrintBoxes(CDLGFlyerDetails& dialog)
{
    // Without a measure the dialog simply shows no print notes.
    if (m_pSession->TemplateText().isEmpty())
        return;
    CXSlotBoxes boxes;
    if (MeasurePhotoBoxes(*m_pRenderer, FlyerSource(), boxes))
        dialog.m_printBoxes = boxes;
}

CXFlyerSource CMainDialog::FlyerSource() const
{
    CXFlyerSource source;
    source.templateText = m_pSession->TemplateText();
    source.templatePath = m_pSession->SelTemplate();
    source.themeName = m_pSession->SelTheme();
    source.projectMode = m_pSession->IsProjectOpen();
    source.flyer = &m_pSession->FlyerData();
    source.settings = &m_appSettings;
    source.font = m_pSession->SelFont();
    source.color = FlyerColor();
    source.listingUrl = m_pSession->Extras().m_strListingUrl;
    return source;
}

void CMainDialog::OnBnClickedBtnEmailFlyer()
{
    ReadControls();
    WaitForFlyer();
    EmailFlyer(this, m_appSettings, m_pSession->FlyerData(), &FlyerImage(), PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::OnBnClickedBtnExportFlyer()
{
    ReadControls();
    WaitForFlyer();
    ExportFlyer(this, m_appSettings, m_pSession->FlyerData(), &FlyerImage(), PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::OnBnClickedBtnRefresh()
{
    ReadControls();
    m_pSession->Refresh();
}

void CMainDialog::OnBnClickedBtnOptions()
{
    ReadControls();
    const COptionsSnapshot before = TakeOptionsSnapshot();
    CPSDLGOptions sheet(m_appSettings, this, m_themes, m_fonts);
    BeginProfileDraft(sheet.MyInfo());
    const bool accepted = sheet.exec() == QDialog::Accepted;
    EndLiveDraft();
    if (!accepted)
        return;
    sheet.General().SaveTo(m_appSettings);
    // The profile is taken only from a page the user has seen.
    const bool visited = sheet.MyInfo().m_bVisited != 0;
    if (visited)
        sheet.MyInfo().SaveProfileTo(m_appSettings);
    ApplyAcceptedOptions(before, visited);
}

void CMainDialog::ApplyAcceptedOptions(const COptionsSnapshot& before, bool myInformationVisited)
{
    if (!m_appSettings._SaveSettings() && !m_appSettings.SaveErrorText().isEmpty())
        ShowWarning(this, SettingsNotSavedText(m_appSettings));
    SetButtonTooltips(m_appSettings.ShowTooltips != 0);

    // Let the window under the closed sheet repaint before the flyer work starts.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 100) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::msleep(1);
    }

    ReadControls();
    if (!m_pSession->OptionsAccepted(before, myInformationVisited).rebuildFonts)
        return;
    const QString current = m_pSession->SelFont();
    InitFontsLB();
    const bool listed = m_pFonts->FindStringExact(current) >= 0;
    SelectFontAfterRebuild(*m_pFonts, current, m_appSettings.DefaultThemeFont);
    if (!listed)
        OnLbnSelchangeListFonts();
}

void CMainDialog::OnBnClickedBtnAbout()
{
    CXPNGButton* button = Button(IDC_BTN_ABOUT);
    const QSize menuSize = m_pAboutMenu->sizeHint();
    const QPoint top = button->mapToGlobal(QPoint(0, 0));
    // Centred over the button, its bottom edge on the button's top edge.
    const QPoint at(top.x() + button->width() / 2 - menuSize.width() / 2, top.y() - menuSize.height());
    activateWindow();
    raise();
    m_pAboutMenu->popup(at);
}

void CMainDialog::OnAboutAbout()
{
    CDLGAbout about(this);
    about.exec();
}

void CMainDialog::OnAboutWebsite()
{
    QDesktopServices::openUrl(QUrl(AppInfo::SiteUrl() + QStringLiteral("/Index.php")));
}

void CMainDialog::OnAboutHelpDesk()
{
    QDesktopServices::openUrl(QUrl(AppInfo::SiteUrl() + QStringLiteral("/Support/Index.php")));
}

void CMainDialog::OnAboutCheckForUpdates()
{
    RunUpdateCheck(this);
}

void CMainDialog::OnBnClickedBtnHelp()
{
    OpenHelpTopic(this, m_appSettings);
}

void CMainDialog::OnBnClickedBtnExit()
{
    if (m_bClosing)
        return;
    if (!m_appSettings.Confirm(CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")))
        return;
    m_bClosing = true;
    if (!SaveStateOnClose()) {
        m_bClosing = false;
        return;
    }
    done(QDialog::Accepted);
}

bool CMainDialog::SaveStateOnClose()
{
    ReadControls();
    if (isMinimized())
        showNormal();
    // The user asked for the project to be saved and was told it could not be: stay open, so the
    // changes are not lost with the window.
    if (!PromptSaveProject())
        return false;
    // A maximised window keeps the size it will return to.
    if (!isMaximized()) {
        m_appSettings.IsZoomed = 0;
        m_appSettings.WindowWidth = width();
        m_appSettings.WindowHeight = height();
    }
    m_appSettings.LastFont = m_pSession->SelFont();
    m_appSettings.LastColor = FlyerColor();
    m_appSettings.LastThemeFilter = m_pThemeFilter->GetFilterValue();
    if (m_pThemes->GetCount() > 0) {
        const qsizetype index = m_pThemes->GetItemData(std::max(m_pThemes->GetCurSel(), 0));
        if (index >= 0 && index < m_themes.size())
            m_appSettings.LastTheme = m_themes.at(index).GetName();
    }
    if (!m_appSettings._SaveSettings() && !m_appSettings.SaveErrorText().isEmpty())
        ShowWarning(this, SettingsNotSavedText(m_appSettings));
    if (!m_appSettings.Path2TempFolder.isEmpty())
        DeleteFolderTree(m_appSettings.Path2TempFolder);
    return true;
}

void CMainDialog::reject()
{
    OnBnClickedBtnExit();
}

void CMainDialog::closeEvent(QCloseEvent* event)
{
    // The window only ever ends through the Exit path, which asks first and cleans up.
    event->ignore();
    OnBnClickedBtnExit();
}
