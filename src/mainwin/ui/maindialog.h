#pragma once

#include "catalogue/colorpalette.h"
#include "catalogue/fontcatalogue.h"
#include "catalogue/themecatalogue.h"
#include "flyer/flyerdocument.h"
#include "mainwin/coverqueue.h"
#include "mainwin/flyersession.h"
#include "settings/appsettings.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class CDLGFlyerDetails;
class CXCampaignRun;
class CPPDLGOptionsMyInfo;
class CXLiveDraft;
struct CFlyerDraft;
struct CXFlyerSource;

class CXCanvas;
class CXColorPalette;
class CXFontsLB;
class CXHTML2Image;
class CXHTMLFlyerRenderer;
class CXPNGButton;
class CXThemeFilterCB;
class CXThemeFormatCB;
class CXThemesLB;
class QAbstractButton;
class QLabel;
class QMenu;
class QProgressBar;
class QTabWidget;
class QTimer;
class QToolButton;

// The program's one top-level window. It owns the settings, the theme catalogue, the renderer, the
// flyer document (the look and the open project) and the flyer cycle for its whole life. Its lists,
// palette and buttons are views of the document: they show what it holds and pass the user's
// choices to it; the flyer is drawn again whenever the document says so. Closing it ends the program.
class CMainDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainDialog)

public:
    static constexpr int kFlyerWidth = CFlyerSession::kFlyerWidth;
    static constexpr int kFlyerHeight = CFlyerSession::kFlyerHeight;

    explicit CMainDialog(QWidget* parent = nullptr);
    ~CMainDialog() override;

    CAppSettings& AppSettings() { return m_appSettings; }
    const CAppSettings& AppSettings() const { return m_appSettings; }
    const CXThemeCatalogue& ThemeCatalogue() const { return m_themes; }
    CFlyerDocument& Document() { return m_document; }
    const CFlyerDocument& Document() const { return m_document; }

    // Loads the settings and resolves and creates the working folders; the first step of the
    // window's initialisation.
    void InitAppSettings();

    // The flyer cycle. RenderFlyer merges the selected template with the open project (or the
    // preview data) and asks the renderer for the picture; the window keeps working meanwhile and
    // the picture reaches the canvas when it is ready (FlyerShown). A request made while another
    // runs replaces it, so only the newest choice is ever shown.
    bool LoadTemplate(const QString& path);
    void RenderFlyer();
    void RenderProjectFlyer();
    void RenderSampleFlyer();
    bool IsRenderPending() const { return m_pSession->IsRenderPending(); }
    // The last rendered flyer; null while a render runs and after one failed. Export, printing and
    // mail take it as it stands.
    const QImage& FlyerImage() const { return m_pSession->FlyerImage(); }
    // What the print-quality page of the flyer on show is made from.
    CXFlyerSource FlyerSource() const;

    // Makes the named theme visible and selected in the theme list (switching the filter when it
    // hides the theme). False when the catalogue has no such theme.
    bool FindSelectTheme(const QString& name);
    void UpdateButtons();
    void SetButtonTooltips(bool enabled);
    void SetFlyerProjectDirty(bool dirty) { m_document.SetProjectDirty(dirty); }
    bool HasMailClient() const { return m_bHasMAPIClient; }
    // Set at start-up from the desktop; tests set it.
    void SetHasMailClient(bool has);
    void ResizeMoveControls();
    void ShowTabPage(int index);
    // Asks whether to save a changed project first (when that question is on) and saves it on Yes.
    // False when the user asked for the save and it failed (and was told so): the caller stops.
    bool PromptSaveProject();
    // Stores the window's choices and geometry, saves the settings and removes the temporary folder.
    // False, changing nothing else, when a save the user asked for failed.
    bool SaveStateOnClose();

    // Makes the theme covers that are missing, one after the other while the window goes on
    // working, with progress shown under the theme list. Large covers too in developer mode.
    void CreateMissingThemeCovers(bool includeLarge);
    bool IsMakingCovers() const { return m_pCovers->IsMakingCovers(); }

    using COptionsSnapshot = CFlyerSession::COptionsSnapshot;
    COptionsSnapshot TakeOptionsSnapshot() const { return m_pSession->TakeOptionsSnapshot(); }
    // After the options sheet was accepted and its pages were taken into the settings: saves them,
    // applies the tooltip choice, and draws the flyer again when a colouring or logo flag changed or
    // the profile page was shown; rebuilds the font list when ShowAllFonts changed.
    void ApplyAcceptedOptions(const COptionsSnapshot& before, bool myInformationVisited);

    // Opening a project by its path, as Open does after its dialog: false (the user told why, the
    // open project left as it was) when the file cannot be read as a project.
    bool OpenProjectFile(const QString& path);
    // A project named on this start's command line (`listora FILE.lso`) or handed over by a later
    // start: opened once start-up is over and no other dialog is open, after the question about
    // saving the open project's changes; then the window comes to the front. A later start whose
    // command line was too long to hand over is told about here too.
    void OnProjectHandedOver(const QString& text, bool tooLong);
    bool IsStartupDone() const { return m_bStartupDone; }

    // The QuickStart chooser, offered once after start-up while ShowQuickStart is set, and the
    // profile sheet its "View/Edit Your Profile" opens.
    void RunQuickStart();
    void EditProfile();

    // The live flyer while Flyer Details or the profile is edited (maindialog_live.cpp): every edit
    // shows on the canvas at once, nothing is saved or marked changed until the dialog's Save, and
    // EndLiveDraft puts the saved flyer back (after a Save, the new one follows at once).
    void BeginDetailsDraft(CDLGFlyerDetails& dialog);
    void BeginProfileDraft(CPPDLGOptionsMyInfo& page);
    void EndLiveDraft();
    CXLiveDraft* LiveDraft() const { return m_pLiveDraft; }

    CXPNGButton* Button(int id) const;
    CXCanvas* Canvas() const { return m_pCanvas; }
    CXThemesLB* ThemesList() const { return m_pThemes; }
    CXThemeFilterCB* ThemeFilter() const { return m_pThemeFilter; }
    CXThemeFormatCB* ThemeFormat() const { return m_pThemeFormat; }
    CXFontsLB* FontsList() const { return m_pFonts; }
    CXColorPalette* ColorPalette() const { return m_pPalette; }
    QAbstractButton* MoreColorsButton() const { return m_pMoreColors; }
    QTabWidget* TabControl() const { return m_pTab; }
    QMenu* AboutMenu() const { return m_pAboutMenu; }
    CXHTML2Image* Renderer() const { return m_pRenderer; }
    // Make Campaign (maindialog_campaign.cpp): the command at the canvas's top right, and the run it
    // started while that runs.
    QToolButton* CampaignButton() const { return m_pCampaignButton; }
    CXCampaignRun* CampaignRun() const { return m_pCampaign.get(); }

    // Picks the first theme of a filter instead of the remembered one.
    bool m_bSelectFirstTheme = true;

private:
    CAppSettings m_appSettings;
    CXThemeCatalogue m_themes;
    CXFontCatalogue m_fonts;
    // The one owner of the look and the open project; the names below read it.
    CFlyerDocument m_document;

public:
    // The window's state under the names it has always had, read from the document.
    const QString& m_strSelTheme;
    const QString& m_strSelFont;
    const QString& m_strSelTemplate;
    const QString& m_strTemplateText;
    const bool& m_bProjectOpen;
    const bool& m_bProjectDirty;
    const CFlyerData& flyerData;

Q_SIGNALS:
    // A render result reached the canvas: the new flyer, or (rendered false) an empty sheet.
    void FlyerShown(bool rendered);
    // The last missing cover was made (or could not be).
    void CoversFinished();

protected:
    void OnInitDialog();
    void reject() override; // Escape
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    // The user's choices in the lists and the palette.
    void OnLbnSelchangeListThemes();
    void OnLbnSelchangeListFonts();
    void OnCPColorChanged();
    void OnCbnSelchangeComboThemeFilter();

    // Commands of the button row.
    void OnBnClickedBtnNew();
    void OnBnClickedBtnOpen();
    void OnBnClickedBtnSave();
    void OnBnClickedBtnProperties();
    void OnBnClickedBtnPrint();
    void OnBnClickedBtnEmailFlyer();
    void OnBnClickedBtnExportFlyer();
    // Asks for the folder and the files, then makes the open listing's campaign one file after the
    // other with the progress under the flyer; at the end names the files that could not be made.
    void OnMakeCampaign();
    void OnBnClickedBtnRefresh();
    void OnBnClickedBtnOptions();
    void OnBnClickedBtnAbout();
    void OnBnClickedBtnHelp();
    // The Exit command; the close box and Escape come here too. Asks "Are you sure you want to
    // Exit?" unless that question is switched off, then saves and ends the window.
    void OnBnClickedBtnExit();

    // Items of the About menu.
    void OnAboutAbout();
    void OnAboutWebsite();
    void OnAboutHelpDesk();
    void OnAboutCheckForUpdates();

    // The document changed: its views follow.
    void OnThemeChanged(const QString& theme);
    void OnFontChanged(const QString& font);
    void OnColorChanged(ColorRef color);

private:
    void CreateControls();
    void InitTabControl();
    void InitButtons();
    void InitFontsLB();
    void InitColorPalette();
    void PlaceWindow();
    void OnStartupTimer();
    void StartLiveDraft(const CFlyerData& saved, const CListingExtras& savedExtras);
    void ConnectDocument();
    void ConnectSession();
    // The theme list's selection: its name and its catalogue record (position 0 when nothing is
    // selected, record 0 for an item value outside the catalogue). False when the list is empty.
    bool ListedTheme(QString& name, qsizetype& index) const;
    QString ListedFont() const;
    // Where the print notes of Flyer Details come from: where the flyer on show draws each photo.
    void MeasurePrintBoxes(CDLGFlyerDetails& dialog);
    // Runs Flyer Details over the live draft; on OK, what the user entered.
    bool RunFlyerDetails(bool newMode, const QString& startFolder, CFlyerData& listing, CListingExtras& details);
    void ShowNoFlyer(const QString& why);
    void ShowWarnings(const QStringList& warnings);
    // Export, printing and mail take the flyer as it stands: let a render that is on its way arrive.
    void WaitForFlyer();
    void PlaceCoverProgress();
    void CreateCampaignControls();
    void PlaceCampaignControls(const QRect& canvas);
    void OnCampaignFinished();
    void OnCanvasCoverGesture();
    void OnCanvasDoubleClicked();
    void ConnectHandOver();
    // Start-up is over: opens the project of the command line, if one was named. True when it did.
    bool OpenStartupProject();
    void OpenPendingProject();
    // The palette's custom colours changed: remembered in the settings.
    void OnCustomColorsChanged();

    CXHTML2Image* m_pRenderer = nullptr;
    // These outlive neither: they are made after the engine client and dropped before it.
    std::unique_ptr<CXHTMLFlyerRenderer> m_pFlyerRenderer;
    std::unique_ptr<CCoverQueue> m_pCovers;
    std::unique_ptr<CFlyerSession> m_pSession;
    bool m_bHasMAPIClient = false;
    bool m_bClosing = false;
    bool m_bStartupDone = false;
    // A project path handed over while start-up or another dialog ran, and whether a hand-over was
    // refused for its length meanwhile.
    QString m_strPendingProject;
    bool m_bPendingTooLong = false;
    QTimer* m_pHandOverTimer = nullptr;
    CXLiveDraft* m_pLiveDraft = nullptr;

    QTabWidget* m_pTab = nullptr;
    CXThemeFilterCB* m_pThemeFilter = nullptr;
    CXThemeFormatCB* m_pThemeFormat = nullptr;
    CXThemesLB* m_pThemes = nullptr;
    QLabel* m_pChooseColor = nullptr;
    CXColorPalette* m_pPalette = nullptr;
    QAbstractButton* m_pMoreColors = nullptr;
    QLabel* m_pChooseFont = nullptr;
    CXFontsLB* m_pFonts = nullptr;
    CXCanvas* m_pCanvas = nullptr;
    std::array<CXPNGButton*, 12> m_buttons{}; // in the order of kMainButtonsRightToLeft
    QMenu* m_pAboutMenu = nullptr;
    QTimer* m_pStartupTimer = nullptr;
    QProgressBar* m_pCoverProgress = nullptr;
    QToolButton* m_pCampaignButton = nullptr;
    QProgressBar* m_pCampaignProgress = nullptr;
    std::unique_ptr<CXCampaignRun> m_pCampaign;
};
