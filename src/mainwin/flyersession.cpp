#include "mainwin/flyersession.h"

#include "catalogue/themecatalogue.h"
#include "compose/adrules.h"
#include "compose/findings.h"
#include "compose/flyerrenderer.h"
#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "compose/templatemerge.h"
#include "compose/textfit.h"
#include "flyer/flyerdocument.h"
#include "mainwin/coverqueue.h"

#include <QDir>
#include <QFile>

#include <utility>

CFlyerThemeAccess CatalogueThemeAccess(const CXThemeCatalogue& themes)
{
    CFlyerThemeAccess access;
    access.templateOf = [&themes](const QString& theme) {
        qsizetype index = 0;
        return themes.FindTheme(theme, index) ? themes.at(index).GetTemplate() : QString();
    };
    access.readTemplate = [](const QString& path, QString& text) { return ::LoadTemplate(path, text); };
    return access;
}

CFlyerSession::CFlyerSession(CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                             const CFlyerDocument& document, CCoverQueue& covers, QObject* parent)
    : QObject(parent), m_settings(settings), m_themes(themes), m_renderer(renderer), m_document(document),
      m_covers(covers)
{
    m_renderer.SetCallbacks({[this](quint64 requestId, const QImage& image, const QString& error) {
                                 OnRenderFinished(requestId, image, error);
                             },
                             [this](quint64 requestId) { OnRenderSuperseded(requestId); }});
    connect(&m_document, &CFlyerDocument::ProjectChanged, this, &CFlyerSession::OnProjectChanged);
}

CFlyerSession::~CFlyerSession()
{
    m_renderer.SetCallbacks({});
}

void CFlyerSession::OnProjectChanged()
{
    m_draft.reset();
    m_draftProfile.reset();
    m_draftLook.reset();
    m_toldPhotoProblems.clear();
}

CFlyerSession::COptionsSnapshot CFlyerSession::TakeOptionsSnapshot() const
{
    const CAppSettings& s = m_settings;
    COptionsSnapshot snapshot;
    snapshot.flags = {s.ColorRealtorName, s.ColorListingCaption, s.ColorMLSNumber,
                      s.ColorPrice,       s.ColorListingAddress, s.ColorListingFeatures,
                      s.IncludeRMLSLogo,  s.IncludeEHOLogo,      s.IncludeMyLogo};
    snapshot.showAllFonts = s.ShowAllFonts;
    return snapshot;
}

CFlyerSession::COptionsEffect CFlyerSession::OptionsAccepted(const COptionsSnapshot& before, bool myInformationVisited)
{
    const COptionsSnapshot after = TakeOptionsSnapshot();
    COptionsEffect effect;
    effect.redrawn = after.flags != before.flags || myInformationVisited;
    effect.rebuildFonts = after.showAllFonts != before.showAllFonts;
    if (effect.redrawn)
        RenderFlyer();
    // Covers that show the agent follow the agent's new name, colours and pictures.
    if (myInformationVisited)
        m_covers.CreateMissingThemeCovers(false);
    return effect;
}

void CFlyerSession::RenderFlyer()
{
    if (m_document.IsProjectOpen() || m_draft)
        RenderProjectFlyer();
    else
        RenderSampleFlyer();
}

void CFlyerSession::RenderProjectFlyer()
{
    RenderWith(true);
}

void CFlyerSession::RenderSampleFlyer()
{
    RenderWith(false);
}

void CFlyerSession::RenderDraft(const FlyerRequest& draft, const CAppSettings* profile)
{
    m_draft = draft;
    if (profile)
        m_draftProfile = *profile;
    else
        m_draftProfile.reset();
    RenderFlyer();
}

void CFlyerSession::UseDefaultLookForDraft()
{
    CDraftLook draft{m_document.Look(), m_document.TemplateText()};
    draft.look.font = m_settings.DefaultThemeFont;
    draft.look.color = m_settings.DefaultThemeColor;
    // A default theme that is gone leaves the one on show, as New itself does.
    qsizetype index = 0;
    QString text;
    if (m_themes.FindTheme(m_settings.DefaultThemeTemplate, index) &&
        ::LoadTemplate(m_themes.at(index).GetTemplate(), text)) {
        draft.look.themeName = m_themes.at(index).GetName();
        draft.look.templatePath = m_themes.at(index).GetTemplate();
        draft.templateText = text;
    }
    m_draftLook = draft;
}

void CFlyerSession::RenderProfileDraft(const CAppSettings& profile)
{
    m_draftProfile = profile;
    RenderFlyer();
}

bool CFlyerSession::CanReplaceDraftPage() const
{
    // A cover being drawn is never given up; only a flyer page is.
    return IsDrafting() && m_nRenderRequest != 0 && !m_covers.IsWaiting() && m_renderer.CanReplaceRunning();
}

void CFlyerSession::EndDraft()
{
    // Set up for a draft that never came (nothing typed), it must not colour the next one.
    m_draftLook.reset();
    if (!IsDrafting())
        return;
    m_draft.reset();
    m_draftProfile.reset();
    RenderFlyer();
}

QSize CFlyerSession::PageSizeOf(const QString& themeName) const
{
    qsizetype index = 0;
    return m_themes.FindTheme(themeName, index) ? m_themes.at(index).GetPageSize() : kLetterPage;
}

QString CFlyerSession::BackTemplateOf(const QString& themeName) const
{
    qsizetype index = 0;
    return m_themes.FindTheme(themeName, index) ? m_themes.at(index).GetBackTemplate() : QString();
}

void CFlyerSession::RenderWith(bool projectMode)
{
    const bool replace = std::exchange(m_bReplaceRunning, false) && IsDrafting();
    const CDraftLook* draftLook = m_draft && m_draftLook ? &*m_draftLook : nullptr;
    const QString& templateText = draftLook ? draftLook->templateText : m_document.TemplateText();
    FlyerRequest request = m_draft ? *m_draft : FlyerRequest{};
    request.look = draftLook ? draftLook->look : m_document.Look();
    if (!m_draft) {
        request.record = m_document.FlyerData();
        request.extras = m_document.Extras();
    }
    request.mode = projectMode ? FlyerMode::Project : FlyerMode::Preview;
    request.pageSize = PageSizeOf(request.look.themeName);
    const QString& templatePath = request.look.templatePath;
    const QString& theme = request.look.themeName;
    m_flyerImage = QImage();
    if (!m_strSidebarImage.isEmpty())
        m_staleSidebarImages.append(m_strSidebarImage);
    m_strSidebarImage.clear();
    if (templateText.isEmpty()) {
        m_nRenderRequest = 0;
        Q_EMIT FlyerFailed(m_themes.isEmpty() ? QStringLiteral("No flyer themes were found in %1.")
                                                    .arg(QDir::toNativeSeparators(m_settings.Path2Themes))
                                              : QStringLiteral("The theme's template could not be read."));
        return;
    }
    const CFlyerData& flyer = request.record;
    const CAppSettings& profile = m_draftProfile ? *m_draftProfile : m_settings;
    // A sidebar theme gets its caption picture drawn anew for every page.
    const CFlyerPage page = ComposeFlyerPage(templateText, request, profile);
    m_strSidebarImage = page.sidebarImage;
    m_drawnPhotoProblems.clear();
    // A draft's photos are still being chosen; the saved project's are what the user is told about.
    // A photo from outside the page's folders is simply not shown, as it never was.
    if (!m_draft) {
        for (const CXFinding& finding : CheckProjectPhotos(projectMode, flyer, profile, templatePath, false)) {
            if (finding.rule == QLatin1String(kRulePhotoDamaged))
                m_drawnPhotoProblems.append(finding.message);
        }
    }
    m_strDrawnTheme = theme;
    const QStringList roots = PageLoadRoots(profile, templatePath, projectMode ? flyer.GetFolder() : QString());
    const QSize size = request.pageSize;
    m_nRenderRequest = replace ? m_renderer.RenderReplacing(page.page, size.width(), size.height(), roots)
                               : m_renderer.RenderAsync(page.page, size.width(), size.height(), roots);
}

void CFlyerSession::OnRenderFinished(quint64 requestId, const QImage& image, const QString& error)
{
    if (m_covers.Owns(requestId)) {
        m_covers.OnRendered(image);
    } else if (requestId == m_nRenderRequest) {
        // An older flyer request that finished while a newer one waited is not shown: the newer
        // one decides.
        m_nRenderRequest = 0;
        if (image.isNull()) {
            Q_EMIT FlyerFailed(QStringLiteral("The flyer could not be drawn.\n%1").arg(error));
        } else {
            m_flyerImage = image;
            m_cutText.clear();
            const QByteArray report = m_renderer.LastFitReport();
            for (const TextFit::Box& box : TextFit::CutBoxes(TextFit::ParseReport(report)))
                m_cutText.append(TextFit::CutMessage(box, m_strDrawnTheme));
            if (const int empty = TextFit::EmptyFrames(report))
                m_cutText.append(EmptyFrameMessage(empty));
            const CAppSettings& profile = m_draftProfile ? *m_draftProfile : m_settings;
            m_adRuleFindings = AdRules::Findings(profile, m_document.IsProjectOpen() || ProfileHasName(profile),
                                                 AdRules::FromReport(report), m_strDrawnTheme);
            Q_EMIT FlyerReady(m_flyerImage);
        }
    }
    if (m_nRenderRequest == 0)
        RemoveStaleSidebarImages();
    if (!m_covers.IsWaiting() && !m_renderer.IsBusy())
        m_covers.StartNextCover();
}

QStringList CFlyerSession::TakeNewPhotoProblems()
{
    QStringList fresh;
    if (m_flyerImage.isNull())
        return fresh;
    for (const QString& problem : std::as_const(m_drawnPhotoProblems)) {
        if (!m_toldPhotoProblems.contains(problem)) {
            m_toldPhotoProblems.append(problem);
            fresh.append(problem);
        }
    }
    return fresh;
}

void CFlyerSession::OnRenderSuperseded(quint64 requestId)
{
    // Only a cover can be waiting behind another request: put it back in line.
    if (m_covers.Owns(requestId))
        m_covers.OnSuperseded();
}

void CFlyerSession::RemoveStaleSidebarImages()
{
    // Pages on their way may still load an older picture; once none is, only the shown one stays.
    for (const QString& path : std::as_const(m_staleSidebarImages))
        if (path != m_strSidebarImage)
            QFile::remove(path);
    m_staleSidebarImages.clear();
}
