#pragma once

#include "compose/findings.h"
#include "flyer/flyerdata.h"
#include "flyer/flyerrequest.h"
#include "formats/colorref.h"
#include "settings/appsettings.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class CCoverQueue;
class CFlyerDocument;
struct CFlyerThemeAccess;
class CXThemeCatalogue;
class IFlyerRenderer;

// The installed themes as the flyer document sees them: their templates by name, read from disk.
CFlyerThemeAccess CatalogueThemeAccess(const CXThemeCatalogue& themes);

// The flyer cycle of the main window: turns the document's look and listing (or a draft of them)
// into pages for the renderer and hands back the newest flyer, while the covers wait their turn.
// It keeps the request on its way, the flyer last drawn, what that flyer cut or could not show,
// and the sidebar pictures of pages no longer shown.
class CFlyerSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CFlyerSession)

public:
    static constexpr int kFlyerWidth = kLetterPage.width(); // until a theme names its own page
    static constexpr int kFlyerHeight = kLetterPage.height();

    // Everything given must outlive the session.
    CFlyerSession(CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                  const CFlyerDocument& document, CCoverQueue& covers, QObject* parent = nullptr);
    ~CFlyerSession() override;

    // The page a theme of the catalogue is drawn on; Letter for a name it does not hold.
    QSize PageSizeOf(const QString& themeName) const;
    // The back page's template of a two-sided theme; empty for one page or a name it does not hold.
    QString BackTemplateOf(const QString& themeName) const;
    // What the flyer shown last had to cut of its texts, a line each ("The description is cut after
    // 612 of 1,480 characters in Gallery - KT401."), and the photo frames it left empty; empty when
    // every text fits and every frame holds a photo.
    QStringList CutTextMessages() const { return m_cutText; }
    // The advertising rules on the flyer just drawn (errors when the profile's rules are on).
    CXFindings AdRuleFindings() const { return m_adRuleFindings; }
    QString SidebarImage() const { return m_strSidebarImage; }

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
    // The draft names the listing and its extras; its look is the project's, or the default look
    // of a new project (UseDefaultLookForDraft), and its page the look's theme's.
    void RenderDraft(const FlyerRequest& draft, const CAppSettings* profile = nullptr);
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
    bool IsDrafting() const { return m_draft.has_value() || m_draftProfile.has_value(); }

Q_SIGNALS:
    void FlyerReady(const QImage& image);
    // No flyer: the canvas shows why.
    void FlyerFailed(const QString& why);

private:
    void RenderWith(bool projectMode);
    void OnRenderFinished(quint64 requestId, const QImage& image, const QString& error);
    void OnRenderSuperseded(quint64 requestId);
    void RemoveStaleSidebarImages();
    // Another project (or none) is open: its drafts and told problems go with the last one.
    void OnProjectChanged();

    CAppSettings& m_settings;
    const CXThemeCatalogue& m_themes;
    IFlyerRenderer& m_renderer;
    const CFlyerDocument& m_document;
    CCoverQueue& m_covers;

    QString m_strSidebarImage;
    QStringList m_cutText;
    CXFindings m_adRuleFindings;
    QString m_strDrawnTheme; // the theme of the page on its way (a new project's draft has its own)

    std::optional<FlyerRequest> m_draft; // the listing and extras as typed
    std::optional<CAppSettings> m_draftProfile;
    struct CDraftLook
    {
        FlyerLook look;
        QString templateText;
    };
    std::optional<CDraftLook> m_draftLook;

    QImage m_flyerImage;
    QStringList m_drawnPhotoProblems; // of the page being drawn or last drawn
    QStringList m_toldPhotoProblems;  // handed out since the project was opened
    bool m_bReplaceRunning = false;
    quint64 m_nRenderRequest = 0;     // the request whose picture the canvas waits for, or 0
    QStringList m_staleSidebarImages; // sidebar pictures of pages no longer shown
};
