#pragma once

#include "compose/findings.h"

#include "catalogue/colorpalette.h"
#include "compose/themecover.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "settings/appsettings.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class CXThemeCatalogue;
class IFlyerRenderer;

// The flyer being worked on in the main window: the open project (or none, and the preview), the
// chosen theme, font and colour, whether there are unsaved changes, the flyer last drawn and the
// theme covers still to make. It decides what a choice means (draw again, mark the project
// changed, or nothing) and asks the renderer for pages; the window only shows what it says.
class CFlyerSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFlyerSession)

public:
    static constexpr int kFlyerWidth = 816; // 8.5 x 11 inches at 96 pixels per inch
    static constexpr int kFlyerHeight = 1056;

    // settings, themes and renderer must outlive the session.
    CFlyerSession(CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                  QObject* parent = nullptr);
    ~CFlyerSession() override;

    // The open project and its extras; the preview data fill the flyer while none is open.
    const CFlyerData& FlyerData() const { return m_flyerData; }
    const CListingExtras& Extras() const { return m_extras; }
    // Printing stamps the record it prints.
    CFlyerData& PrintedFlyerData() { return m_flyerData; }
    bool IsProjectOpen() const { return m_bProjectOpen; }
    bool IsProjectDirty() const { return m_bProjectDirty; }
    void SetProjectDirty(bool dirty) { m_bProjectDirty = dirty; }
    bool HasMailClient() const { return m_bHasMAPIClient; }
    void SetHasMailClient(bool has) { m_bHasMAPIClient = has; }

    // The look, as the window's lists and palette show it. SetSelection only takes it over; the
    // Choose functions are the user's choices and decide what follows.
    QString SelTheme() const { return m_strSelTheme; }
    // What the flyer shown last had to cut of its texts, a line each ("The description is cut after
    // 612 of 1,480 characters in Gallery - KT401."), and the photo frames it left empty; empty when
    // every text fits and every frame holds a photo.
    QStringList CutTextMessages() const { return m_cutText; }
    // The advertising rules on the flyer just drawn (errors when the profile's rules are on).
    CXFindings AdRuleFindings() const { return m_adRuleFindings; }
    QString SelFont() const { return m_strSelFont; }
    ColorRef SelColor() const { return m_crSelColor; }
    QString SelTemplate() const { return m_strSelTemplate; }
    QString TemplateText() const { return m_strTemplateText; }
    QString SidebarImage() const { return m_strSidebarImage; }
    void SetSelection(const QString& theme, const QString& font, ColorRef color);
    void SetSelectedFont(const QString& font) { m_strSelFont = font; }
    void SetSelectedColor(ColorRef color) { m_crSelColor = color; }
    // The colour the flyer was last drawn in.
    void SetShownColor(ColorRef color) { m_crShownColor = color; }

    // Reads a template file into the session; false (the text left as it was) when it cannot be read.
    bool LoadTemplate(const QString& path);
    // A theme's template picked. A different template (or any, with reload) is read and drawn; a
    // user's pick (not reload) marks an open project changed. True when a flyer was requested.
    bool ChooseTemplate(const QString& templatePath, bool reload = false);
    bool ChooseFont(const QString& font);
    // Compared with the colour on the flyer, not the last pick: after opening a project in another
    // colour, picking the remembered colour must still change the flyer. Remembered as LastColor.
    bool ChooseColor(ColorRef color);
    // Reads the template from disk again (an edited template shows at once) and draws it.
    bool Refresh();

    struct CButtonStates
    {
        bool save = false;
        bool details = false;
        bool exportFlyer = false;
        bool email = false;
    };
    CButtonStates ButtonStates() const;

    // The options that decide, after the options sheet was accepted, whether the flyer must be drawn
    // again or the font list rebuilt.
    struct COptionsSnapshot
    {
        std::array<int, 9> flags{}; // ColorRealtorName to IncludeMyLogo
        int showAllFonts = 0;
    };
    COptionsSnapshot TakeOptionsSnapshot() const;
    struct COptionsEffect
    {
        bool redrawn = false;
        bool rebuildFonts = false;
    };
    // Draws again when a colouring or logo flag changed or the profile page was shown.
    COptionsEffect OptionsAccepted(const COptionsSnapshot& before, bool myInformationVisited);

    // What a save of the listing files gave: saved or not, and what the user must be told, in order.
    struct CSaveOutcome
    {
        bool saved = false;
        QStringList warnings;
    };
    // Reads a project into a record of its own: a file that cannot be read leaves the open project
    // as it is. The look takes the project's font and colour; the project opens unchanged.
    FlyerFileStatus OpenProject(const QString& path, CListingExtras::Status* extrasStatus = nullptr);
    // A new project from the listing fields of details (caption to photos, features, photo folder)
    // in the default look, written to its own folder with its photos. One that could not be written
    // stays changed, so Save and closing offer to write it.
    CSaveOutcome NewProject(const CFlyerData& details, const CListingExtras& extras);
    // The listing fields edited in Flyer Details, saved at once. A changed theme, font or colour is
    // saved only by Save, so a project with such changes stays changed rather than dropping them.
    // The folder Flyer Details starts choosing photos in: the project's, or Pictures when that is gone
    // (remembered in the record).
    QString RepairPhotoFolder();
    CSaveOutcome UpdateListing(const CFlyerData& details, const CListingExtras& extras);
    // The open project is gone (deleted): the preview is drawn again.
    void CloseProject();
    // Save: the look goes into the project file. Nothing to do (true) unless open and changed.
    bool SaveProject(QString* error = nullptr);
    bool NeedsSavePrompt() const { return m_bProjectOpen && m_bProjectDirty; }
    QString SavePromptText() const;

    // The flyer cycle. A request made while another runs replaces it, so only the newest choice is
    // ever shown (FlyerReady or FlyerFailed).
    void RenderFlyer();
    void RenderProjectFlyer();
    void RenderSampleFlyer();
    bool IsRenderPending() const { return m_nRenderRequest != 0; }
    // The last rendered flyer; null while a render runs and after one failed.
    const QImage& FlyerImage() const { return m_flyerImage; }
    // The project's photos the flyer just drawn shows grey or not at all because they are damaged, no
    // picture or too large to open, each problem handed out once while the project stays open.
    QStringList TakeNewPhotoProblems();

    // A listing (and optionally a profile) not yet saved, drawn in place of the project's: the
    // project stays as it is, unchanged. It stays on the flyer through later draws until EndDraft,
    // which draws the saved state again.
    // extras are the draft's web address, status and open house; none keeps the project's.
    void RenderDraft(const CFlyerData& listing, const CAppSettings* profile = nullptr,
                     const std::optional<CListingExtras>& extras = std::nullopt);
    // A new project's draft is drawn in the look it will be saved in (the theme, font and colour of
    // the options), not in the window's choices; cleared by EndDraft.
    void UseDefaultLookForDraft();
    // Whether a draft page may go out now in place of the flyer page being drawn; the next draft
    // render then replaces it (ReplaceWithNextDraft).
    bool CanReplaceDraftPage() const;
    void ReplaceWithNextDraft() { m_bReplaceRunning = true; }
    // Only the profile is a draft: the open project or the preview with it.
    void RenderProfileDraft(const CAppSettings& profile);
    void EndDraft();
    bool IsDrafting() const { return m_draftListing.has_value() || m_draftProfile.has_value(); }

    // Makes the theme covers that are missing, one after the other between flyers. Large covers too
    // when includeLarge and a developer folder is set.
    void CreateMissingThemeCovers(bool includeLarge);
    bool IsMakingCovers() const { return m_nCoverRequest != 0 || !m_coverQueue.isEmpty(); }

Q_SIGNALS:
    void FlyerReady(const QImage& image);
    // No flyer: the canvas shows why.
    void FlyerFailed(const QString& why);
    // A cover is being made: done of due made so far.
    void CoverStarted(int done, int due);
    void CoverMade(int done);
    // The last missing cover was made (or could not be).
    void CoversFinished();

private:
    void RenderWith(bool projectMode);
    void OnRenderFinished(quint64 requestId, const QImage& image, const QString& error);
    void OnRenderSuperseded(quint64 requestId);
    void RemoveStaleSidebarImages();
    void StartNextCover();
    void OnCoverRendered(const QImage& image);
    CSaveOutcome SaveListingFiles(const std::array<std::optional<QRect>, CFlyerData::kSlotCount>& previousCrops);
    static void CopyListingFields(const CFlyerData& from, CFlyerData& to);

    CAppSettings& m_settings;
    const CXThemeCatalogue& m_themes;
    IFlyerRenderer& m_renderer;

    CFlyerData m_flyerData;
    CListingExtras m_extras;
    bool m_bProjectOpen = false;
    bool m_bProjectDirty = false;
    bool m_bHasMAPIClient = false;
    QString m_strSelTemplate; // the selected theme's template file
    QString m_strTemplateText;
    QString m_strSidebarImage;
    QString m_strSelTheme;
    QStringList m_cutText;
    CXFindings m_adRuleFindings;
    QString m_strDrawnTheme; // the theme of the page on its way (a new project's draft has its own)
    QString m_strSelFont = QStringLiteral("Arial");
    ColorRef m_crSelColor = 0;
    ColorRef m_crShownColor = 0;

    std::optional<CFlyerData> m_draftListing;
    std::optional<CAppSettings> m_draftProfile;
    std::optional<CListingExtras> m_draftExtras;
    struct CDraftLook
    {
        QString theme;
        QString templatePath;
        QString templateText;
        QString font;
        ColorRef color = 0;
    };
    std::optional<CDraftLook> m_draftLook;

    QImage m_flyerImage;
    QStringList m_drawnPhotoProblems; // of the page being drawn or last drawn
    QStringList m_toldPhotoProblems;  // handed out since the project was opened
    bool m_bReplaceRunning = false;
    quint64 m_nRenderRequest = 0;     // the request whose picture the canvas waits for, or 0
    QStringList m_staleSidebarImages; // sidebar pictures of pages no longer shown

    struct CoverItem
    {
        qsizetype theme;
        bool large;
    };
    QList<CoverItem> m_coverQueue;
    CoverItem m_coverItem{0, false};
    CCoverJob m_coverJob;
    quint64 m_nCoverRequest = 0;
    int m_nCoversDue = 0;
    int m_nCoversDone = 0;
};
