#include "mainwin/ui/maindialog.h"
#include "controls/confirm.h"
#include "formats/colorref.h"

#include "app/processevents.h"
#include "app/ui/splashwnd.h"
#include "settings/workingfolders.h"
#include "catalogue/ui/colorpalette.h"
#include "catalogue/ui/fontslb.h"
#include "catalogue/ui/themeslb.h"
#include "compose/render/htmlflyerrenderer.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/ui/canvas.h"
#include "controls/ui/messagebox.h"
#include "mainwin/coverqueue.h"
#include "mainwin/projectfiles.h"
#include "mainwin/ui/quickstartdlg.h"
#include "options/ui/optionsgeneralpage.h"
#include "options/ui/optionsmyinfopage.h"
#include "options/ui/optionssheet.h"
#include "output/campaign.h"
#include "output/flyermail.h"
#include "output/ui/flyeroutput.h"
#include "projects/foldertree.h"
#include "projects/ui/flyerdetailsdlg.h"
#include "projects/ui/openflyerprojectdlg.h"
#include "settings/appinfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// The print-quality page of the flyer on show, made on demand by the window's own renderer.
PrintPageFn PrintPageOf(CXHTML2Image* renderer, const CXFlyerSource& source)
{
    return [renderer, source](PrintPageWork work, CXPrintPage& page, QString* error) {
        return MakePrintPage(*renderer, source, work, page, error);
    };
}

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

} // namespace

CMainDialog::CMainDialog(QWidget* parent)
    : QDialog(parent), m_document(CatalogueThemeAccess(m_themes)), m_strSelTheme(m_document.SelTheme()),
      m_strSelFont(m_document.SelFont()), m_strSelTemplate(m_document.SelTemplate()),
      m_strTemplateText(m_document.TemplateText()), m_bProjectOpen(m_document.IsProjectOpen()),
      m_bProjectDirty(m_document.IsProjectDirty()), flyerData(m_document.FlyerData())
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

    InitColorPalette();

    // Starting the engine now spares the first flyer the engine's start-up.
    m_pRenderer->WarmUp();

    m_pThemeFilter->FillFilter();
    // Flyers unless the user chose another group of formats.
    if (!m_pThemeFormat->SelectFormatValue(m_appSettings.LastThemeFormat))
        m_pThemeFormat->SelectFormatValue(kFormatFlyers);
    m_pThemes->SetSettings(&m_appSettings);
    m_themes.LoadAvailableThemes(m_appSettings.Path2Themes, WorkingFolders::UserThemesFolder());

    // The last run's look; its template is read when the theme list's selection is taken below.
    FlyerLook look;
    look.themeName = m_appSettings.LastTheme;
    if (!m_themes.ContainsTheme(look.themeName))
        look.themeName = m_appSettings.DefaultThemeTemplate;
    look.font = m_appSettings.LastFont;
    look.color = m_appSettings.LastColor;
    m_document.SetLook(look);
    // What SetLook found already held (the font a new window starts with) is shown as well.
    OnFontChanged(m_document.SelFont());
    OnColorChanged(m_document.SelColor());

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

    if (FindSelectTheme(look.themeName)) {
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
    SetHasMailClient(::HasMailClient());
}

void CMainDialog::SetHasMailClient(bool has)
{
    m_bHasMAPIClient = has;
    UpdateButtons();
}

bool CMainDialog::LoadTemplate(const QString& path)
{
    return m_document.LoadTemplate(path);
}

bool CMainDialog::FindSelectTheme(const QString& name)
{
    const QSignalBlocker quiet(m_pThemes);
    return ::FindSelectTheme(*m_pThemes, *m_pThemeFilter, m_themes, name, m_pThemeFormat);
}

void CMainDialog::RenderFlyer()
{
    m_pSession->RenderFlyer();
}

void CMainDialog::RenderProjectFlyer()
{
    m_pSession->RenderProjectFlyer();
}

void CMainDialog::RenderSampleFlyer()
{
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
    m_pCovers->CreateMissingThemeCovers(includeLarge);
}

void CMainDialog::OnCanvasCoverGesture()
{
    CreateMissingThemeCovers(false);
}

void CMainDialog::OnLbnSelchangeListThemes()
{
    QString name;
    qsizetype index = 0;
    if (ListedTheme(name, index))
        m_document.ChooseTheme(name, m_themes.at(index).GetTemplate());
    UpdateButtons();
}

void CMainDialog::OnLbnSelchangeListFonts()
{
    m_document.ChooseFont(ListedFont());
    UpdateButtons();
}

void CMainDialog::OnCPColorChanged()
{
    const ColorRef color = m_pPalette->GetSelectedColor();
    if (m_document.ChooseColor(color))
        m_appSettings.LastColor = color;
    UpdateButtons();
}

void CMainDialog::OnCbnSelchangeComboThemeFilter()
{
    {
        const QSignalBlocker quiet(m_pThemes);
        ThemeFilterChanged(*m_pThemes, *m_pThemeFilter, m_themes, m_bSelectFirstTheme, m_appSettings.LastTheme,
                           m_pThemeFormat);
    }
    OnLbnSelchangeListThemes();
    UpdateButtons();
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
    if (m_document.IsProjectOpen())
        OnBnClickedBtnProperties();
}

bool CMainDialog::PromptSaveProject()
{
    if (!m_document.NeedsSavePrompt())
        return true;
    if (!Confirm(m_appSettings, CAppSettings::ConfirmKind::SaveBeforeClosing, m_document.SavePromptText()))
        return true;
    OnBnClickedBtnSave();
    return !m_document.IsProjectDirty();
}

void CMainDialog::ShowWarnings(const QStringList& warnings)
{
    for (const QString& text : warnings)
        ShowWarning(this, text);
}

bool CMainDialog::RunFlyerDetails(bool newMode, const QString& startFolder, CFlyerData& listing,
                                  CListingExtras& details)
{
    CDLGFlyerDetails dialog(this, m_appSettings);
    MeasurePrintBoxes(dialog);
    dialog.m_bNewMode = newMode ? 1 : 0;
    if (!newMode)
        dialog.LoadFromRecord(m_document.FlyerData(), m_document.Extras());
    dialog.m_strStartFolder = startFolder;
    BeginDetailsDraft(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    EndLiveDraft();
    if (accepted)
        dialog.SaveToRecord(listing, details);
    return accepted;
}

void CMainDialog::OnBnClickedBtnNew()
{
    if (!PromptSaveProject())
        return;

    CFlyerData listing;
    CListingExtras details;
    if (!RunFlyerDetails(true, m_appSettings.PicturesFolder, listing, details))
        return;
    CFlyerData record = ProjectFiles::NewRecord(listing, m_appSettings);
    CListingExtras extras;
    ProjectFiles::CopyDetailsExtras(details, extras);
    const ProjectFiles::CSaveOutcome outcome = ProjectFiles::SaveListingFiles(record, extras, {}, m_appSettings);
    // Shown in its own look, the project's theme when it is installed.
    m_document.AdoptNewProject(record, extras, outcome.saved);
    ShowWarnings(outcome.warnings);
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
    } else if (dialog.m_bDeleted && m_document.IsProjectOpen() &&
               dialog.IsProjectDeleted(m_document.FlyerData().m_strPathName)) {
        m_document.CloseProject();
    }
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnSave()
{
    QString error;
    if (!m_document.SaveProject(&error))
        ShowWarning(this, error);
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnProperties()
{
    if (!m_document.IsProjectOpen())
        return;
    const QString photoFolder = m_document.RepairPhotoFolder(m_appSettings.PicturesFolder);

    CFlyerData listing;
    CListingExtras details;
    if (!RunFlyerDetails(false, photoFolder, listing, details))
        return;
    CFlyerData record = m_document.FlyerData();
    ProjectFiles::CopyListingFields(listing, record);
    CListingExtras extras = m_document.Extras();
    const ProjectFiles::Crops previousCrops = extras.m_crops;
    ProjectFiles::CopyDetailsExtras(details, extras);
    // Saving the details is the user's save: a damaged extras file is replaced now, not before.
    extras.m_bDamaged = false;
    const ProjectFiles::CSaveOutcome outcome =
        ProjectFiles::SaveListingFiles(record, extras, previousCrops, m_appSettings);
    m_document.ListingSaved(record, extras, outcome.saved);
    ShowWarnings(outcome.warnings);
    m_document.ReloadTemplate();
    UpdateButtons();
}

void CMainDialog::OnBnClickedBtnPrint()
{
    WaitForFlyer();
    PrintFlyer(this, m_document.PrintedFlyerData(), m_document.IsProjectOpen(), &FlyerImage(), m_document.SelTheme(),
               m_document.SelFont(), m_document.SelColor(), PrintPageOf(m_pRenderer, FlyerSource()));
}

void CMainDialog::MeasurePrintBoxes(CDLGFlyerDetails& dialog)
{
    // Without a measure the dialog simply shows no print notes.
    if (m_document.TemplateText().isEmpty())
        return;
    CXSlotBoxes boxes;
    if (MeasurePhotoBoxes(*m_pRenderer, FlyerSource(), boxes))
        dialog.m_printBoxes = boxes;
    // The agent's picture and logo print from their own originals; a soft one is named here too.
    CXPrintPage page;
    if (MakePrintPage(*m_pRenderer, FlyerSource(), PrintPageWork::PreflightOnly, page)) {
        for (const CXPreflightEntry& entry : std::as_const(page.preflight)) {
            if (entry.slot >= kPictureSlot && !entry.ok)
                dialog.m_profilePrintNotes.append(QStringLiteral("%1 prints at %2 ppi in this theme: small for print.")
                                                      .arg(SlotWords(entry.slot))
                                                      .arg(qRound(entry.ppi)));
        }
    }
}

CXFlyerSource CMainDialog::FlyerSource() const
{
    CXFlyerSource source;
    source.templateText = m_document.TemplateText();
    FlyerRequest& request = source.request;
    request.look =
        FlyerLook{m_document.SelTheme(), m_document.SelTemplate(), m_document.SelFont(), m_document.SelColor()};
    request.record = m_document.FlyerData();
    request.extras = m_document.Extras();
    request.mode = m_document.IsProjectOpen() ? FlyerMode::Project : FlyerMode::Preview;
    request.pageSize = m_pSession->PageSizeOf(request.look.themeName);
    request.backTemplatePath = m_pSession->BackTemplateOf(request.look.themeName);
    source.settings = &m_appSettings;
    return source;
}

void CMainDialog::OnBnClickedBtnEmailFlyer()
{
    WaitForFlyer();
    EmailFlyer(this, m_appSettings, m_document.FlyerData(), &FlyerImage(), PrintPageOf(m_pRenderer, FlyerSource()),
               m_document.Extras().m_strListingUrl);
}

void CMainDialog::OnBnClickedBtnExportFlyer()
{
    WaitForFlyer();
    const CXFlyerSource source = FlyerSource();
    CXHTML2Image* renderer = m_pRenderer;
    const BackPictureFn backPicture = [renderer, source]() { return RenderBackPicture(*renderer, source); };
    ExportFlyer(this, m_appSettings, m_document.FlyerData(), &FlyerImage(), PrintPageOf(m_pRenderer, source),
                source.request.backTemplatePath.isEmpty() ? BackPictureFn() : backPicture);
}

void CMainDialog::OnBnClickedBtnRefresh()
{
    m_document.ReloadTemplate();
}

void CMainDialog::OnBnClickedBtnOptions()
{
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
    // The options page may have remembered new custom colours.
    m_pPalette->SetCustomColors(CustomColorsFromText(m_appSettings.CustomColors));
    if (!m_appSettings._SaveSettings() && !m_appSettings.SaveErrorText().isEmpty())
        ShowWarning(this, SettingsNotSavedText(m_appSettings));
    SetButtonTooltips(m_appSettings.ShowTooltips != 0);

    // Let the window under the closed sheet repaint before the flyer work starts.
    ProcessEventsFor(100);

    if (!m_pSession->OptionsAccepted(before, myInformationVisited).rebuildFonts)
        return;
    const QString current = m_document.SelFont();
    InitFontsLB();
    const bool listed = m_pFonts->FindStringExact(current) >= 0;
    SelectFontAfterRebuild(*m_pFonts, current, m_appSettings.DefaultThemeFont);
    if (!listed)
        OnLbnSelchangeListFonts();
}

void CMainDialog::OnBnClickedBtnExit()
{
    if (m_bClosing)
        return;
    if (!Confirm(m_appSettings, CAppSettings::ConfirmKind::Exit, QStringLiteral("Are you sure you want to Exit?")))
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
    m_appSettings.LastFont = m_document.SelFont();
    m_appSettings.LastColor = m_document.SelColor();
    m_appSettings.LastThemeFilter = m_pThemeFilter->GetFilterValue();
    m_appSettings.LastThemeFormat = m_pThemeFormat->GetFormatValue();
    if (m_pThemes->GetCount() > 0) {
        const qsizetype index = m_pThemes->GetItemData(std::max(m_pThemes->GetCurSel(), 0));
        if (index >= 0 && index < m_themes.size())
            m_appSettings.LastTheme = m_themes.at(index).GetName();
    }
    if (!m_appSettings._SaveSettings() && !m_appSettings.SaveErrorText().isEmpty())
        ShowWarning(this, SettingsNotSavedText(m_appSettings));
    if (!m_appSettings.Path2TempFolder.isEmpty())
        DeleteFolderTree(m_appSettings.Path2TempFolder);
    RemoveOutgoingMail();
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
