// The window's controls: building them, placing them, and keeping them in step with the flyer
// document they show.
#include "mainwin/ui/maindialog.h"

#include "app/ui/aboutdlg.h"
#include "app/ui/splashwnd.h"
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/render/htmlflyerrenderer.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/ui/canvas.h"
#include "controls/ui/messagebox.h"
#include "controls/ui/pngbutton.h"
#include "formats/colorref.h"
#include "mainwin/coverqueue.h"
#include "mainwin/mainids.h"
#include "mainwin/mainlayout.h"
#include "controls/ui/dialogunits.h"
#include "output/ui/flyeroutput.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "settings/appinfo.h"
#include "web/ui/helpviewer.h"
#include "web/ui/updatecheckui.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

namespace {

struct ButtonDef
{
    int id;
    const char* name;
    const char* text;
    const char* tooltip;
};

// In the order of kMainButtonsRightToLeft.
const ButtonDef kButtons[12] = {
    {IDC_BTN_EXIT, "IDC_BTN_EXIT", "E&xit", "Exit %1"},
    {IDC_BTN_HELP, "IDC_BTN_HELP", "&Help", "Display Help File"},
    {IDC_BTN_ABOUT, "IDC_BTN_ABOUT", "&About", "About %1"},
    {IDC_BTN_OPTIONS, "IDC_BTN_OPTIONS", "&Options", "Display Program Options"},
    {IDC_BTN_REFRESH, "IDC_BTN_REFRESH", "&Refresh", "Refresh Flyer"},
    {IDC_BTN_EXPORT, "IDC_BTN_EXPORT", "&Export", "Export Flyer..."},
    {IDC_BTN_EMAIL, "IDC_BTN_EMAIL", "E-&mail", "E-mail Flyer to..."},
    {IDC_BTN_PRINT, "IDC_BTN_PRINT", "&Print", "Print Flyer"},
    {IDC_BTN_DETAILS, "IDC_BTN_DETAILS", "&Details", "View/Edit Flyer Details"},
    {IDC_BTN_SAVE, "IDC_BTN_SAVE", "Save", "Save Flyer Project Changes"},
    {IDC_BTN_OPEN, "IDC_BTN_OPEN", "Open", "Open Flyer Project"},
    {IDC_BTN_NEW, "IDC_BTN_NEW", "&New", "Create New Flyer Project"},
};

// One pixel larger than the pictures, which are then drawn at their own size.
constexpr QSize kButtonSize(47, 51);
// QuickStart is offered this long after start-up.
constexpr int kStartupTimerMs = 500;

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

void CMainDialog::CreateControls()
{
    m_pTab = new QTabWidget(this);
    m_pTab->setObjectName(QStringLiteral("IDC_TAB_MAIN"));

    m_pThemeFilter = new CXThemeFilterCB(this);
    m_pThemeFilter->setObjectName(QStringLiteral("IDC_COMBO_THEMEFILTER"));
    m_pThemeFormat = new CXThemeFormatCB(this);
    m_pThemeFormat->setObjectName(QStringLiteral("IDC_COMBO_THEMEFORMAT"));
    m_pThemes = new CXThemesLB(this);
    m_pThemes->setObjectName(QStringLiteral("IDC_LIST_THEMES"));

    m_pChooseColor = new QLabel(QStringLiteral("Theme Template Color:"), this);
    m_pChooseColor->setObjectName(QStringLiteral("IDC_ST_CHOOSE_COLOR"));
    m_pPalette = new CXColorPalette(this);
    m_pPalette->setObjectName(QStringLiteral("IDC_ST_COLORS"));
    m_pMoreColors = m_pPalette->MakeMoreColorsButton(this);
    m_pChooseFont = new QLabel(QStringLiteral("Theme Template Font:"), this);
    m_pChooseFont->setObjectName(QStringLiteral("IDC_ST_CHOOSE_FONT"));
    m_pFonts = new CXFontsLB(this);
    m_pFonts->setObjectName(QStringLiteral("IDC_LIST_FONTS"));
    m_pChooseColor->setBuddy(m_pPalette);
    m_pChooseFont->setBuddy(m_pFonts);

    m_pCanvas = new CXCanvas(this);
    m_pCanvas->setObjectName(QStringLiteral("IDC_ST_CANVAS"));

    // In the order of kButtons.
    const std::array<void (CMainDialog::*)(), 12> handlers = {
        &CMainDialog::OnBnClickedBtnExit,       &CMainDialog::OnBnClickedBtnHelp,
        &CMainDialog::OnBnClickedBtnAbout,      &CMainDialog::OnBnClickedBtnOptions,
        &CMainDialog::OnBnClickedBtnRefresh,    &CMainDialog::OnBnClickedBtnExportFlyer,
        &CMainDialog::OnBnClickedBtnEmailFlyer, &CMainDialog::OnBnClickedBtnPrint,
        &CMainDialog::OnBnClickedBtnProperties, &CMainDialog::OnBnClickedBtnSave,
        &CMainDialog::OnBnClickedBtnOpen,       &CMainDialog::OnBnClickedBtnNew};
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonDef& def = kButtons[i];
        auto* button = new CXPNGButton(this);
        button->setObjectName(QString::fromLatin1(def.name));
        button->setText(QString::fromLatin1(def.text));
        button->resize(kButtonSize);
        connect(button, &QAbstractButton::clicked, this, handlers[i]);
        m_buttons[i] = button;
    }

    connect(m_pThemeFilter, &CXThemeFilterCB::SelChange, this, &CMainDialog::OnCbnSelchangeComboThemeFilter);
    connect(m_pThemeFormat, &CXThemeFormatCB::SelChange, this, &CMainDialog::OnCbnSelchangeComboThemeFilter);
    connect(m_pThemes, &CXThemesLB::SelChange, this, &CMainDialog::OnLbnSelchangeListThemes);
    connect(m_pFonts, &CXFontsLB::SelChange, this, &CMainDialog::OnLbnSelchangeListFonts);
    connect(m_pPalette, &CXColorPalette::ColorChanged, this, &CMainDialog::OnCPColorChanged);
    connect(m_pPalette, &CXColorPalette::CustomColorsChanged, this, &CMainDialog::OnCustomColorsChanged);
    connect(m_pTab, &QTabWidget::currentChanged, this, &CMainDialog::ShowTabPage);
    connect(m_pCanvas, &CXCanvas::DoubleClicked, this, &CMainDialog::OnCanvasDoubleClicked);
    connect(m_pCanvas, &CXCanvas::CoverGestureRequested, this, &CMainDialog::OnCanvasCoverGesture);

    m_pCoverProgress = new QProgressBar(m_pThemes);
    m_pCoverProgress->setObjectName(QStringLiteral("CoverProgress"));
    m_pCoverProgress->setTextVisible(true);
    m_pCoverProgress->hide();
    CreateCampaignControls();

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
    m_pCovers = std::make_unique<CCoverQueue>(m_appSettings, m_themes, *m_pFlyerRenderer);
    m_pSession = std::make_unique<CFlyerSession>(m_appSettings, m_themes, *m_pFlyerRenderer, m_document, *m_pCovers);
    ConnectSession();
    ConnectDocument();

    m_pStartupTimer = new QTimer(this);
    m_pStartupTimer->setSingleShot(true);
    m_pStartupTimer->setInterval(kStartupTimerMs);
    connect(m_pStartupTimer, &QTimer::timeout, this, &CMainDialog::OnStartupTimer);
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
    m_pPalette->SetCustomColors(CustomColorsFromText(m_appSettings.CustomColors));
    m_pPalette->update();
}

void CMainDialog::OnCustomColorsChanged()
{
    m_appSettings.CustomColors = CustomColorsToText(m_pPalette->CustomColors());
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
    input.moreColorsWidth = m_pMoreColors->sizeHint().width();
    for (size_t i = 0; i < m_buttons.size(); ++i)
        input.buttons[i] = m_buttons[i]->size();
    const MainLayout layout = CalcMainLayout(input);

    m_pTab->setGeometry(layout.tab);
    m_pThemeFilter->setGeometry(layout.themeFilter);
    m_pThemeFormat->setGeometry(layout.themeFormat);
    m_pThemes->setGeometry(layout.themeList);
    m_pChooseColor->setGeometry(layout.colorLabel);
    m_pPalette->setGeometry(layout.colorPalette);
    m_pMoreColors->setGeometry(layout.moreColors);
    m_pChooseFont->setGeometry(layout.fontLabel);
    m_pFonts->setGeometry(layout.fontList);
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(layout.buttons[i]);
    m_pCanvas->setGeometry(layout.canvas);
    PlaceCoverProgress();
    PlaceCampaignControls(layout.canvas);
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
                             static_cast<QWidget*>(m_pMoreColors), static_cast<QWidget*>(m_pChooseFont),
                             static_cast<QWidget*>(m_pFonts)}) {
        control->setVisible(!themes);
        control->raise();
    }
    for (QWidget* control : {static_cast<QWidget*>(m_pThemeFilter), static_cast<QWidget*>(m_pThemeFormat),
                             static_cast<QWidget*>(m_pThemes)}) {
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

void CMainDialog::ConnectSession()
{
    connect(m_pSession.get(), &CFlyerSession::FlyerReady, this, [this](const QImage& image) {
        m_pCanvas->SetEmptyText(QString());
        m_pCanvas->ShowPage(image);
        ShowFindingsNote(m_pCanvas, m_pSession->AdRuleFindings());
        Q_EMIT FlyerShown(true);
        // Told after the flyer shows, outside the render cycle, so the box does not hold it up.
        if (const QStringList problems = m_pSession->TakeNewPhotoProblems(); !problems.isEmpty()) {
            QMetaObject::invokeMethod(
                this,
                [this, problems] {
                    TemplateMessageBox(this, problems.join(QStringLiteral("\n\n")), AppInfo::DisplayName(),
                                       MsgBox::IconExclamation | MsgBox::OK);
                },
                Qt::QueuedConnection);
        }
    });
    connect(m_pSession.get(), &CFlyerSession::FlyerFailed, this, &CMainDialog::ShowNoFlyer);
    connect(m_pCovers.get(), &CCoverQueue::CoverStarted, this, [this](int done, int due) {
        m_pCoverProgress->setRange(0, due);
        m_pCoverProgress->setValue(done);
        m_pCoverProgress->setFormat(QStringLiteral("Making theme pictures: %1 of %2").arg(done + 1).arg(due));
        PlaceCoverProgress();
        m_pCoverProgress->show();
    });
    connect(m_pCovers.get(), &CCoverQueue::CoverMade, this, [this](int done) {
        m_pCoverProgress->setValue(done);
        m_pThemes->viewport()->update();
    });
    connect(m_pCovers.get(), &CCoverQueue::CoversFinished, this, [this] {
        m_pCoverProgress->hide();
        Q_EMIT CoversFinished();
    });
}

void CMainDialog::ConnectDocument()
{
    connect(&m_document, &CFlyerDocument::ThemeChanged, this, &CMainDialog::OnThemeChanged);
    connect(&m_document, &CFlyerDocument::FontChanged, this, &CMainDialog::OnFontChanged);
    connect(&m_document, &CFlyerDocument::ColorChanged, this, &CMainDialog::OnColorChanged);
    connect(&m_document, &CFlyerDocument::StateChanged, this, &CMainDialog::UpdateButtons);
    connect(&m_document, &CFlyerDocument::FlyerChanged, m_pSession.get(), &CFlyerSession::RenderFlyer);
}

void CMainDialog::OnThemeChanged(const QString& theme)
{
    // Shown in the list, the filter switched when it hides the theme; one not installed leaves the
    // list as it is.
    FindSelectTheme(theme);
}

void CMainDialog::OnFontChanged(const QString& font)
{
    // The first entry that begins with the name, ignoring case; a font the list does not hold
    // leaves nothing selected rather than showing another font.
    const QSignalBlocker quiet(m_pFonts);
    int row = -1;
    for (int i = 0; i < m_pFonts->GetCount() && row < 0 && !font.isEmpty(); ++i)
        if (m_pFonts->GetText(i).startsWith(font, Qt::CaseInsensitive))
            row = i;
    m_pFonts->SetCurSel(row);
}

void CMainDialog::OnColorChanged(ColorRef color)
{
    const QSignalBlocker quiet(m_pPalette);
    m_pPalette->SetSelectedColor(color);
    m_pPalette->update();
    m_pCanvas->SetSheetColor(ColorRefToQColor(color));
}

bool CMainDialog::ListedTheme(QString& name, qsizetype& index) const
{
    if (m_pThemes->GetCount() == 0)
        return false;
    const int position = std::max(m_pThemes->GetCurSel(), 0);
    name = m_pThemes->GetText(position);
    index = m_pThemes->GetItemData(position);
    if (index < 0 || index >= m_themes.size())
        index = 0;
    return index < m_themes.size();
}

QString CMainDialog::ListedFont() const
{
    const int font = m_pFonts->GetCurSel();
    return font >= 0 ? m_pFonts->GetText(font) : QString();
}

void CMainDialog::ShowNoFlyer(const QString& why)
{
    // The canvas never keeps a flyer the window no longer has.
    m_pCanvas->SetFlyerImage(QImage());
    m_pCanvas->SetEmptyText(why);
    Q_EMIT FlyerShown(false);
}

void CMainDialog::UpdateButtons()
{
    const MainButtonStates states =
        CalcMainButtonStates(m_document.IsProjectOpen(), m_document.IsProjectDirty(), m_bHasMAPIClient);
    const auto enable = [this](int id, bool enabled) {
        CXPNGButton* button = Button(id);
        if (button && button->isEnabled() != enabled)
            button->setEnabled(enabled);
    };
    enable(IDC_BTN_SAVE, states.save);
    enable(IDC_BTN_DETAILS, states.details);
    enable(IDC_BTN_EXPORT, states.exportFlyer);
    enable(IDC_BTN_EMAIL, states.email);
    // A campaign is made of the open listing, one at a time.
    if (m_pCampaignButton)
        m_pCampaignButton->setEnabled(states.exportFlyer && !m_pCampaign);
    // The E-mail button's tooltip says why it is disabled, which changes with the project.
    SetButtonTooltips(m_appSettings.ShowTooltips != 0);
}

void CMainDialog::SetButtonTooltips(bool enabled)
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        QString tooltip = QString::fromLatin1(kButtons[i].tooltip).replace(QLatin1String("%1"), AppInfo::DisplayName());
        // A button that can never be used says why.
        if (kButtons[i].id == IDC_BTN_EMAIL && !m_bHasMAPIClient)
            tooltip = QStringLiteral("No mail program is set up on this computer.");
        else if (kButtons[i].id == IDC_BTN_EMAIL && !m_document.IsProjectOpen())
            tooltip = QStringLiteral("Open or create a flyer project first.");
        m_buttons[i]->SetTooltipText(enabled ? tooltip : QString());
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
