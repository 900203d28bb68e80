#include "mainwin/ui/maindialog.h"

#include "app/appinfo.h"
#include "app/ui/aboutdlg.h"
#include "app/ui/splashwnd.h"
#include "app/workingfolders.h"
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/loadpolicy.h"
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
    connect(m_pRenderer, &CXHTML2Image::RenderFinished, this, &CMainDialog::OnRenderFinished);
    connect(m_pRenderer, &CXHTML2Image::RenderSuperseded, this, [this](quint64 requestId) {
        // Only a cover can be waiting behind another request: put it back in line.
        if (requestId == m_nCoverRequest) {
            m_nCoverRequest = 0;
            DiscardThemeCover(m_coverJob);
            m_coverQueue.prepend(m_coverItem);
        }
    });

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
    m_strSelFont = m_appSettings.LastFont;

    InitColorPalette();

    // Starting the engine now spares the first flyer the engine's start-up.
    m_pRenderer->WarmUp();

    m_pThemeFilter->FillFilter();
    m_pThemes->SetSettings(&m_appSettings);
    m_themes.LoadAvailableThemes(m_appSettings.Path2Themes, WorkingFolders::UserThemesFolder());

    m_strSelTheme = m_appSettings.LastTheme;
    if (!m_themes.ContainsTheme(m_strSelTheme))
        m_strSelTheme = m_appSettings.DefaultThemeTemplate;
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

    if (FindSelectTheme(m_strSelTheme)) {
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
    m_bHasMAPIClient = HasMailClient();
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
    m_crShownColor = m_appSettings.LastColor;
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

void CMainDialog::ReadControls()
{
    const int theme = m_pThemes->GetCurSel();
    m_strSelTheme = theme >= 0 ? m_pThemes->GetText(theme) : QString();
    const int font = m_pFonts->GetCurSel();
    m_strSelFont = font >= 0 ? m_pFonts->GetText(font) : QString();
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
    selectPrefix(*m_pThemes, m_strSelTheme);
    selectPrefix(*m_pFonts, m_strSelFont);
}

bool CMainDialog::LoadTemplate(const QString& path)
{
    return ::LoadTemplate(path, m_strTemplateText);
}

bool CMainDialog::FindSelectTheme(const QString& name)
{
    return ::FindSelectTheme(*m_pThemes, *m_pThemeFilter, m_themes, name);
}

void CMainDialog::RenderFlyer()
{
    ReadControls();
    if (m_bProjectOpen)
        RenderProjectFlyer();
    else
        RenderSampleFlyer();
}

void CMainDialog::RenderProjectFlyer()
{
    RenderWith(true);
}

void CMainDialog::RenderSampleFlyer()
{
    RenderWith(false);
}

void CMainDialog::RenderWith(bool projectMode)
{
    RenderPage(projectMode, flyerData, m_appSettings, m_extras.m_strListingUrl);
}

quint64 CMainDialog::RenderPage(bool projectMode, const CFlyerData& flyer, const CAppSettings& settings,
                                const QString& listingUrl)
{
    ReadControls();
    m_flyerImage = QImage();
    m_crShownColor = FlyerColor();
    if (!m_strSidebarImage.isEmpty())
        m_staleSidebarImages.append(m_strSidebarImage);
    m_strSidebarImage.clear();
    if (m_strTemplateText.isEmpty()) {
        m_nRenderRequest = 0;
        ShowNoFlyer(m_themes.isEmpty() ? QStringLiteral("No flyer themes were found in %1.")
                                             .arg(QDir::toNativeSeparators(m_appSettings.Path2Themes))
                                       : QStringLiteral("The theme's template could not be read."));
        return 0;
    }
    // A sidebar theme gets its caption picture drawn anew for every page.
    const CFlyerPage page = ComposeFlyerPage(m_strTemplateText, m_strSelTheme, projectMode, flyer, settings,
                                             m_strSelFont, FlyerColor(), listingUrl);
    m_strSidebarImage = page.sidebarImage;
    m_pRenderer->SetLoadRoots(
        PageLoadRoots(m_appSettings, m_strSelTemplate, projectMode ? flyer.GetFolder() : QString()));
    m_nRenderRequest = m_pRenderer->RenderAsync(page.page, kFlyerWidth, kFlyerHeight);
    return m_nRenderRequest;
}

void CMainDialog::OnRenderFinished(quint64 requestId, const QImage& image, const QString& error)
{
    if (requestId != 0 && requestId == m_nCoverRequest) {
        m_nCoverRequest = 0;
        OnCoverRendered(image);
    } else if (requestId == m_nRenderRequest) {
        // An older flyer request that finished while a newer one waited is not shown: the newer
        // one decides.
        m_nRenderRequest = 0;
        if (image.isNull()) {
            ShowNoFlyer(QStringLiteral("The flyer could not be drawn.\n%1").arg(error));
        } else {
            m_flyerImage = image;
            m_pCanvas->SetEmptyText(QString());
            m_pCanvas->SetFlyerImage(m_flyerImage);
            Q_EMIT FlyerShown(true);
        }
    }
    if (m_nRenderRequest == 0)
        RemoveStaleSidebarImages();
    if (m_nCoverRequest == 0 && !m_pRenderer->IsBusy())
        StartNextCover();
}

void CMainDialog::RemoveStaleSidebarImages()
{
    // Pages on their way may still load an older picture; once none is, only the shown one stays.
    for (const QString& path : std::as_const(m_staleSidebarImages))
        if (path != m_strSidebarImage)
            QFile::remove(path);
    m_staleSidebarImages.clear();
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
    const QString largeFolder = DeveloperCoverFolder();
    for (qsizetype i = 0; i < m_themes.size(); ++i) {
        if (!QFileInfo::exists(ThemeCoverPath(m_themes.at(i), m_appSettings))) {
            m_coverQueue.append({i, false});
            ++m_nCoversDue;
        }
        if (includeLarge && !largeFolder.isEmpty() &&
            !QFileInfo::exists(LargeThemeCoverPath(m_themes.at(i), largeFolder))) {
            m_coverQueue.append({i, true});
            ++m_nCoversDue;
        }
    }
    if (m_nCoverRequest == 0 && !m_pRenderer->IsBusy())
        StartNextCover();
}

void CMainDialog::StartNextCover()
{
    while (!m_coverQueue.isEmpty()) {
        m_coverItem = m_coverQueue.takeFirst();
        const CXThemeTemplateInfo& theme = m_themes.at(m_coverItem.theme);
        const CoverResult prepared =
            PrepareThemeCover(theme, m_appSettings, m_coverJob, m_coverItem.large ? DeveloperCoverFolder() : QString());
        if (prepared == CoverResult::Ready) {
            m_pCoverProgress->setRange(0, m_nCoversDue);
            m_pCoverProgress->setValue(m_nCoversDone);
            m_pCoverProgress->setFormat(
                QStringLiteral("Making theme pictures: %1 of %2").arg(m_nCoversDone + 1).arg(m_nCoversDue));
            PlaceCoverProgress();
            m_pCoverProgress->show();
            m_pRenderer->SetLoadRoots(PageLoadRoots(m_appSettings, theme.GetTemplate(), QString()));
            m_nCoverRequest = m_pRenderer->RenderAsync(m_coverJob.page, kFlyerWidth, kFlyerHeight);
            return;
        }
        // Made meanwhile, or no template to make it from: nothing to wait for.
        ++m_nCoversDone;
    }
    if (m_nCoversDue > 0) {
        m_nCoversDue = m_nCoversDone = 0;
        m_pCoverProgress->hide();
        Q_EMIT CoversFinished();
    }
}

void CMainDialog::OnCoverRendered(const QImage& image)
{
    if (image.isNull())
        DiscardThemeCover(m_coverJob);
    else
        FinishThemeCover(m_coverJob, image);
    ++m_nCoversDone;
    m_pCoverProgress->setValue(m_nCoversDone);
    m_pThemes->viewport()->update();
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
    const QString previous = m_strSelTemplate;
    ReadControls();
    if (m_pThemes->GetCount() == 0)
        return;
    const int position = std::max(m_pThemes->GetCurSel(), 0);
    qsizetype index = m_pThemes->GetItemData(position);
    if (index < 0 || index >= m_themes.size())
        index = 0;
    m_strSelTemplate = m_themes.at(index).GetTemplate();
    if (m_strSelTemplate != previous && LoadTemplate(m_strSelTemplate)) {
        RenderFlyer();
        if (m_bProjectOpen)
            SetFlyerProjectDirty(true);
    }
    UpdateButtons();
}

void CMainDialog::OnLbnSelchangeListFonts()
{
    const QString previous = m_strSelFont;
    ReadControls();
    if (m_strSelFont != previous) {
        RenderFlyer();
        if (m_bProjectOpen)
            SetFlyerProjectDirty(true);
    }
    UpdateButtons();
}

void CMainDialog::OnCPColorChanged()
{
    // Compared with the colour on the flyer: after opening a project in another colour, picking the
    // remembered colour must still change the flyer.
    const ColorRef color = m_pPalette->GetSelectedColor();
    if (color != m_crShownColor) {
        m_appSettings.LastColor = color;
        m_pCanvas->SetSheetColor(QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)));
        RenderFlyer();
        if (m_bProjectOpen)
            SetFlyerProjectDirty(true);
    }
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
    const auto enable = [this](int id, bool enabled) {
        CXPNGButton* button = Button(id);
        if (button && button->isEnabled() != enabled)
            button->setEnabled(enabled);
    };
    enable(IDC_BTN_SAVE, m_bProjectOpen && m_bProjectDirty);
    enable(IDC_BTN_DETAILS, m_bProjectOpen);
    enable(IDC_BTN_EXPORT, m_bProjectOpen);
    enable(IDC_BTN_EMAIL, m_bProjectOpen && m_bHasMAPIClient);
}

void CMainDialog::SetButtonTooltips(bool enabled)
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        QString tooltip = QString::fromLatin1(kButtons[i].tooltip).replace(QLatin1String("%1"), AppInfo::DisplayName());
        // A button that can never be used says why.
        if (kButtons[i].id == IDC_BTN_EMAIL && !m_bHasMAPIClient)
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
    EndLiveDraft(!taken);
    if (taken)
        RenderFlyer();
}

void CMainDialog::OnCanvasDoubleClicked()
{
    if (m_bProjectOpen)
        OnBnClickedBtnProperties();
}

bool CMainDialog::PromptSaveProject()
{
    if (!m_bProjectOpen || !m_bProjectDirty)
        return true;
    const QString question = QStringLiteral("Save changes to flyer project:\n\n[%1] %2 - %3\n\nbefore closing?")
                                 .arg(flyerData.m_strMLS, flyerData.m_strAddress, flyerData.m_strCityStateZip);
    if (!m_appSettings.Confirm(CAppSettings::ConfirmKind::SaveBeforeClosing, question))
        return true;
    OnBnClickedBtnSave();
    return !m_bProjectDirty;
}

bool CMainDialog::SaveProjectFile()
{
    const FlyerFileStatus status = flyerData.Save();
    if (status.IsOk())
        return true;
    ShowWarning(this, status.SaveFailureText());
    return false;
}

bool CMainDialog::SaveNewProjectFiles(const std::array<std::optional<QRect>, CFlyerData::kSlotCount>& previousCrops)
{
    if (flyerData.m_strId.isEmpty()) {
        ShowWarning(this, QStringLiteral("The flyer project could not be given an id, so it was not saved."));
        return false;
    }
    const QString folder = ProjectFolderPath(m_appSettings.strPath2FlyerProjects, flyerData.m_strId);
    CreateProjectFolder(folder);
    QStringList photoErrors;
    ProcessPhotos(folder, flyerData, &photoErrors);
    // The flyer's photo is made from the cropped area; "_original0N.jpg" stays whole for the next crop.
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        if (flyerData.m_photos[i].m_strPath.isEmpty() || m_extras.m_crops[i] == previousCrops[i])
            continue;
        QString why;
        if (!PhotoCrop::MakeSlotPhoto(folder, i + 1, m_extras.m_crops[i], &why))
            photoErrors.append(why);
    }
    flyerData.SetPathName(ProjectFilePath(folder));
    bool saved = SaveProjectFile();
    if (saved) {
        const CListingExtras::Status extras = m_extras.Save(folder);
        if (!extras.ok)
            ShowWarning(this, extras.text);
        saved = extras.ok;
    }
    if (saved && !photoErrors.isEmpty())
        ShowWarning(this, QStringLiteral("Some photos could not be taken into the flyer project:\n\n%1")
                              .arg(photoErrors.join(QLatin1Char('\n'))));
    return saved;
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
    EndLiveDraft(!accepted);
    if (!accepted)
        return;

    flyerData.Reset();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    flyerData.m_timeCreated = now;
    flyerData.m_timePrinted = now;
    flyerData.m_bPrinted = 0;
    flyerData.m_strTheme = m_appSettings.DefaultThemeTemplate;
    flyerData.m_strFont = m_appSettings.DefaultThemeFont;
    flyerData.m_crColor = m_appSettings.DefaultThemeColor;
    m_extras = CListingExtras();
    dialog.SaveToRecord(flyerData, m_extras);

    const bool saved = SaveNewProjectFiles();

    m_bProjectOpen = true;
    m_strSelFont = flyerData.m_strFont;
    m_pPalette->SetSelectedColor(flyerData.m_crColor);
    m_pPalette->update();
    WriteControls();
    if (FindSelectTheme(flyerData.m_strTheme)) {
        m_strSelTemplate.clear();
        OnLbnSelchangeListThemes();
    } else {
        OnBnClickedBtnRefresh();
    }
    // A project that could not be written stays changed, so Save and closing offer to write it.
    SetFlyerProjectDirty(!saved);
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
    } else if (dialog.m_bDeleted && m_bProjectOpen && dialog.IsProjectDeleted(flyerData.m_strPathName)) {
        flyerData.Reset();
        m_extras = CListingExtras();
        m_bProjectOpen = false;
        m_bProjectDirty = false;
        // Through the whole cycle, so a sidebar theme loses the deleted project's caption too.
        RenderFlyer();
    }
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnSave()
{
    ReadControls();
    if (!m_bProjectOpen || !m_bProjectDirty)
        return;
    flyerData.m_crColor = FlyerColor();
    flyerData.m_strFont = m_strSelFont;
    flyerData.m_strTheme = m_strSelTheme;
    if (SaveProjectFile())
        m_bProjectDirty = false;
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnProperties()
{
    ReadControls();
    if (!m_bProjectOpen)
        return;
    if (!QFileInfo(flyerData.m_strPhotoFolder).isDir())
        flyerData.m_strPhotoFolder = m_appSettings.PicturesFolder;

    CDLGFlyerDetails dialog(this, m_appSettings);
    MeasurePrintBoxes(dialog);
    dialog.m_bNewMode = 0;
    dialog.LoadFromRecord(flyerData, m_extras);
    BeginDetailsDraft(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    EndLiveDraft(!accepted);
    if (!accepted)
        return;

    // Saving the details is the user's save: a damaged extras file is replaced now, not before.
    const auto previousCrops = m_extras.m_crops;
    dialog.SaveToRecord(flyerData, m_extras);
    m_extras.m_bDamaged = false;

    // The listing data is saved here; a changed theme, font or colour is saved only by Save, so a
    // project that had such changes stays changed rather than dropping them silently.
    const bool saved = SaveNewProjectFiles(previousCrops);
    m_bProjectOpen = true;
    m_bProjectDirty = m_bProjectDirty || !saved;
    WriteControls();
    if (LoadTemplate(m_strSelTemplate))
        RenderFlyer();
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnPrint()
{
    ReadControls();
    WaitForFlyer();
    PrintFlyer(this, flyerData, m_bProjectOpen, &m_flyerImage, m_strSelTheme, m_strSelFont, FlyerColor(),
               PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::MeasurePrintBoxes(CDLGFlyerDetails& dialog)
{
    // Without a measure the dialog simply shows no print notes.
    if (m_strTemplateText.isEmpty())
        return;
    CXSlotBoxes boxes;
    if (MeasurePhotoBoxes(*m_pRenderer, FlyerSource(), boxes))
        dialog.m_printBoxes = boxes;
}

CXFlyerSource CMainDialog::FlyerSource() const
{
    CXFlyerSource source;
    source.templateText = m_strTemplateText;
    source.templatePath = m_strSelTemplate;
    source.themeName = m_strSelTheme;
    source.projectMode = m_bProjectOpen;
    source.flyer = &flyerData;
    source.settings = &m_appSettings;
    source.font = m_strSelFont;
    source.color = FlyerColor();
    source.listingUrl = m_extras.m_strListingUrl;
    return source;
}

void CMainDialog::OnBnClickedBtnEmailFlyer()
{
    ReadControls();
    WaitForFlyer();
    EmailFlyer(this, m_appSettings, flyerData, &m_flyerImage, PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::OnBnClickedBtnExportFlyer()
{
    ReadControls();
    WaitForFlyer();
    ExportFlyer(this, m_appSettings, flyerData, &m_flyerImage, PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::OnBnClickedBtnRefresh()
{
    ReadControls();
    // Read from disk again, so an edited template shows at once.
    if (LoadTemplate(m_strSelTemplate))
        RenderFlyer();
}

CMainDialog::COptionsSnapshot CMainDialog::TakeOptionsSnapshot() const
{
    const CAppSettings& s = m_appSettings;
    COptionsSnapshot snapshot;
    snapshot.flags = {s.ColorRealtorName, s.ColorListingCaption, s.ColorMLSNumber,
                      s.ColorPrice,       s.ColorListingAddress, s.ColorListingFeatures,
                      s.IncludeRMLSLogo,  s.IncludeEHOLogo,      s.IncludeMyLogo};
    snapshot.showAllFonts = s.ShowAllFonts;
    return snapshot;
}

void CMainDialog::OnBnClickedBtnOptions()
{
    ReadControls();
    const COptionsSnapshot before = TakeOptionsSnapshot();
    CPSDLGOptions sheet(m_appSettings, this, m_themes, m_fonts);
    BeginProfileDraft(sheet.MyInfo());
    const bool accepted = sheet.exec() == QDialog::Accepted;
    EndLiveDraft(!accepted);
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

    const COptionsSnapshot after = TakeOptionsSnapshot();
    if (after.flags != before.flags || myInformationVisited)
        RenderFlyer();

    if (after.showAllFonts != before.showAllFonts) {
        const QString current = m_strSelFont;
        InitFontsLB();
        const bool listed = m_pFonts->FindStringExact(current) >= 0;
        SelectFontAfterRebuild(*m_pFonts, current, m_appSettings.DefaultThemeFont);
        if (!listed)
            OnLbnSelchangeListFonts();
    }
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
    m_appSettings.LastFont = m_strSelFont;
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
