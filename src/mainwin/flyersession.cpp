#include "mainwin/flyersession.h"

#include "catalogue/themecatalogue.h"
#include "compose/adrules.h"
#include "compose/findings.h"
#include "compose/flyerrenderer.h"
#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "compose/templatemerge.h"
#include "compose/textfit.h"
#include "imaging/photocrop.h"
#include "imaging/photointake.h"
#include "projects/projectstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

CFlyerSession::CFlyerSession(CAppSettings& settings, const CXThemeCatalogue& themes, IFlyerRenderer& renderer,
                             QObject* parent)
    : QObject(parent), m_settings(settings), m_themes(themes), m_renderer(renderer)
{
    m_renderer.SetCallbacks({[this](quint64 requestId, const QImage& image, const QString& error) {
                                 OnRenderFinished(requestId, image, error);
                             },
                             [this](quint64 requestId) { OnRenderSuperseded(requestId); }});
}

CFlyerSession::~CFlyerSession()
{
    m_renderer.SetCallbacks({});
}

void CFlyerSession::SetSelection(const QString& theme, const QString& font, ColorRef color)
{
    m_strSelTheme = theme;
    m_strSelFont = font;
    m_crSelColor = color;
}

bool CFlyerSession::LoadTemplate(const QString& path)
{
    return ::LoadTemplate(path, m_strTemplateText);
}

bool CFlyerSession::ChooseTemplate(const QString& templatePath, bool reload)
{
    const QString previous = reload ? QString() : m_strSelTemplate;
    m_strSelTemplate = templatePath;
    if (m_strSelTemplate == previous || !LoadTemplate(m_strSelTemplate))
        return false;
    RenderFlyer();
    if (m_bProjectOpen && !reload)
        m_bProjectDirty = true;
    return true;
}

bool CFlyerSession::ChooseFont(const QString& font)
{
    if (font == m_strSelFont)
        return false;
    m_strSelFont = font;
    RenderFlyer();
    if (m_bProjectOpen)
        m_bProjectDirty = true;
    return true;
}

bool CFlyerSession::ChooseColor(ColorRef color)
{
    m_crSelColor = color;
    if (color == m_crShownColor)
        return false;
    m_settings.LastColor = color;
    RenderFlyer();
    if (m_bProjectOpen)
        m_bProjectDirty = true;
    return true;
}

bool CFlyerSession::Refresh()
{
    if (!LoadTemplate(m_strSelTemplate))
        return false;
    RenderFlyer();
    return true;
}

CFlyerSession::CButtonStates CFlyerSession::ButtonStates() const
{
    CButtonStates states;
    states.save = m_bProjectOpen && m_bProjectDirty;
    states.details = m_bProjectOpen;
    states.exportFlyer = m_bProjectOpen;
    states.email = m_bProjectOpen && m_bHasMAPIClient;
    return states;
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
        CreateMissingThemeCovers(false);
    return effect;
}

FlyerFileStatus CFlyerSession::OpenProject(const QString& path, CListingExtras::Status* extrasStatus)
{
    CFlyerData opened;
    opened.Reset();
    const FlyerFileStatus status = opened.Load(path);
    if (!status.IsOk())
        return status;
    opened.RepairPhotoPaths();
    m_flyerData = opened;
    const CListingExtras::Status extras = m_extras.Load(m_flyerData.GetFolder(), m_flyerData.m_strPathName);
    if (extrasStatus)
        *extrasStatus = extras;
    m_draftListing.reset();
    m_draftProfile.reset();
    m_toldPhotoProblems.clear();
    m_draftExtras.reset();
    m_draftLook.reset();
    m_bProjectOpen = true;
    m_bProjectDirty = false;
    m_strSelFont = m_flyerData.m_strFont;
    m_crSelColor = m_flyerData.m_crColor;
    return status;
}

void CFlyerSession::CopyListingFields(const CFlyerData& from, CFlyerData& to)
{
    to.m_strCaption = from.m_strCaption;
    to.m_strMLS = from.m_strMLS;
    to.m_strPrice = from.m_strPrice;
    to.m_strAddress = from.m_strAddress;
    to.m_strCityStateZip = from.m_strCityStateZip;
    to.m_strDescription = from.m_strDescription;
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        to.m_photos[i].m_strPath = from.m_photos[i].m_strPath;
        to.m_strFeatures[i] = from.m_strFeatures[i];
    }
    to.m_strPhotoFolder = from.m_strPhotoFolder;
}

CFlyerSession::CSaveOutcome CFlyerSession::NewProject(const CFlyerData& details, const CListingExtras& extras)
{
    m_flyerData.Reset();
    m_toldPhotoProblems.clear();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    m_flyerData.m_timeCreated = now;
    m_flyerData.m_timePrinted = now;
    m_flyerData.m_bPrinted = 0;
    m_flyerData.m_strTheme = m_settings.DefaultThemeTemplate;
    m_flyerData.m_strFont = m_settings.DefaultThemeFont;
    m_flyerData.m_crColor = m_settings.DefaultThemeColor;
    CopyListingFields(details, m_flyerData);
    m_extras = CListingExtras();
    m_extras.m_strListingUrl = extras.m_strListingUrl;
    m_extras.m_crops = extras.m_crops;
    m_extras.m_status = extras.m_status;
    m_extras.m_openHouse = extras.m_openHouse;
    m_draftListing.reset();
    m_draftProfile.reset();
    m_draftExtras.reset();
    m_draftLook.reset();

    const CSaveOutcome outcome = SaveListingFiles({});
    m_bProjectOpen = true;
    m_bProjectDirty = !outcome.saved;
    m_strSelFont = m_flyerData.m_strFont;
    m_crSelColor = m_flyerData.m_crColor;
    return outcome;
}

QString CFlyerSession::RepairPhotoFolder()
{
    if (!QFileInfo(m_flyerData.m_strPhotoFolder).isDir())
        m_flyerData.m_strPhotoFolder = m_settings.PicturesFolder;
    return m_flyerData.m_strPhotoFolder;
}

CFlyerSession::CSaveOutcome CFlyerSession::UpdateListing(const CFlyerData& details, const CListingExtras& extras)
{
    CopyListingFields(details, m_flyerData);
    // Saving the details is the user's save: a damaged extras file is replaced now, not before.
    const auto previousCrops = m_extras.m_crops;
    m_extras.m_strListingUrl = extras.m_strListingUrl;
    m_extras.m_crops = extras.m_crops;
    m_extras.m_status = extras.m_status;
    m_extras.m_openHouse = extras.m_openHouse;
    m_extras.m_bDamaged = false;

    const CSaveOutcome outcome = SaveListingFiles(previousCrops);
    m_bProjectOpen = true;
    m_bProjectDirty = m_bProjectDirty || !outcome.saved;
    return outcome;
}

CFlyerSession::CSaveOutcome
CFlyerSession::SaveListingFiles(const std::array<std::optional<QRect>, CFlyerData::kSlotCount>& previousCrops)
{
    CSaveOutcome outcome;
    if (m_flyerData.m_strId.isEmpty()) {
        outcome.warnings << QStringLiteral("The flyer project could not be given an id, so it was not saved.");
        return outcome;
    }
    const QString folder = ProjectFolderPath(m_settings.strPath2FlyerProjects, m_flyerData.m_strId);
    CreateProjectFolder(folder);
    QStringList photoErrors;
    ProcessPhotos(folder, m_flyerData, &photoErrors);
    // The flyer's photo is made from the cropped area; "_original0N.jpg" stays whole for the next crop.
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        if (m_flyerData.m_photos[i].m_strPath.isEmpty() || m_extras.m_crops[i] == previousCrops[i])
            continue;
        QString why;
        if (!PhotoCrop::MakeSlotPhoto(folder, i + 1, m_extras.m_crops[i], &why))
            photoErrors.append(why);
    }
    m_flyerData.SetPathName(ProjectFilePath(folder));
    const FlyerFileStatus status = SaveProjectPair(m_flyerData, &m_extras);
    outcome.saved = status.IsOk();
    if (!outcome.saved)
        outcome.warnings << status.SaveFailureText();
    if (outcome.saved && !photoErrors.isEmpty())
        outcome.warnings << QStringLiteral("Some photos could not be taken into the flyer project:\n\n%1")
                                .arg(photoErrors.join(QLatin1Char('\n')));
    return outcome;
}

void CFlyerSession::CloseProject()
{
    m_flyerData.Reset();
    m_extras = CListingExtras();
    m_draftListing.reset();
    m_draftProfile.reset();
    m_toldPhotoProblems.clear();
    m_draftExtras.reset();
    m_draftLook.reset();
    m_bProjectOpen = false;
    m_bProjectDirty = false;
    // Through the whole cycle, so a sidebar theme loses the closed project's caption too.
    RenderFlyer();
}

bool CFlyerSession::SaveProject(QString* error)
{
    if (!m_bProjectOpen || !m_bProjectDirty)
        return true;
    m_flyerData.m_crColor = m_crSelColor;
    m_flyerData.m_strFont = m_strSelFont;
    m_flyerData.m_strTheme = m_strSelTheme;
    // A damaged extras file stays as it is until the details are saved.
    const FlyerFileStatus status = SaveProjectPair(m_flyerData, m_extras.m_bDamaged ? nullptr : &m_extras);
    if (!status.IsOk()) {
        if (error)
            *error = status.SaveFailureText();
        return false;
    }
    m_bProjectDirty = false;
    return true;
}

QString CFlyerSession::SavePromptText() const
{
    return QStringLiteral("Save changes to flyer project:\n\n[%1] %2 - %3\n\nbefore closing?")
        .arg(m_flyerData.m_strMLS, m_flyerData.m_strAddress, m_flyerData.m_strCityStateZip);
}

void CFlyerSession::RenderFlyer()
{
    if (m_bProjectOpen || m_draftListing)
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

void CFlyerSession::RenderDraft(const CFlyerData& listing, const CAppSettings* profile,
                                const std::optional<CListingExtras>& extras)
{
    m_draftListing = listing;
    if (profile)
        m_draftProfile = *profile;
    else
        m_draftProfile.reset();
    m_draftExtras = extras;
    RenderFlyer();
}

void CFlyerSession::UseDefaultLookForDraft()
{
    CDraftLook look;
    look.theme = m_strSelTheme;
    look.templatePath = m_strSelTemplate;
    look.templateText = m_strTemplateText;
    look.font = m_settings.DefaultThemeFont;
    look.color = m_settings.DefaultThemeColor;
    // A default theme that is gone leaves the one on show, as New itself does.
    qsizetype index = 0;
    QString text;
    if (m_themes.FindTheme(m_settings.DefaultThemeTemplate, index) &&
        ::LoadTemplate(m_themes.at(index).GetTemplate(), text)) {
        look.theme = m_themes.at(index).GetName();
        look.templatePath = m_themes.at(index).GetTemplate();
        look.templateText = text;
    }
    m_draftLook = look;
}

void CFlyerSession::RenderProfileDraft(const CAppSettings& profile)
{
    m_draftProfile = profile;
    RenderFlyer();
}

bool CFlyerSession::CanReplaceDraftPage() const
{
    // A cover being drawn is never given up; only a flyer page is.
    return IsDrafting() && m_nRenderRequest != 0 && m_nCoverRequest == 0 && m_renderer.CanReplaceRunning();
}

void CFlyerSession::EndDraft()
{
    // Set up for a draft that never came (nothing typed), it must not colour the next one.
    m_draftExtras.reset();
    m_draftLook.reset();
    if (!IsDrafting())
        return;
    m_draftListing.reset();
    m_draftProfile.reset();
    RenderFlyer();
}

void CFlyerSession::RenderWith(bool projectMode)
{
    const bool replace = std::exchange(m_bReplaceRunning, false) && IsDrafting();
    const CDraftLook* look = m_draftListing && m_draftLook ? &*m_draftLook : nullptr;
    const QString& templateText = look ? look->templateText : m_strTemplateText;
    const QString& templatePath = look ? look->templatePath : m_strSelTemplate;
    const QString& theme = look ? look->theme : m_strSelTheme;
    const QString& font = look ? look->font : m_strSelFont;
    const ColorRef color = look ? look->color : m_crSelColor;
    m_flyerImage = QImage();
    // The colour the window's palette compares with is the window's, not a new project's draft.
    if (!look)
        m_crShownColor = m_crSelColor;
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
    const CFlyerData& flyer = m_draftListing ? *m_draftListing : m_flyerData;
    const CAppSettings& profile = m_draftProfile ? *m_draftProfile : m_settings;
    // A sidebar theme gets its caption picture drawn anew for every page.
    const CListingExtras& extras = m_draftListing && m_draftExtras ? *m_draftExtras : m_extras;
    const CFlyerPage page = ComposeFlyerPage(templateText, theme, projectMode, flyer, profile, font, color, extras);
    m_strSidebarImage = page.sidebarImage;
    m_drawnPhotoProblems.clear();
    // A draft's photos are still being chosen; the saved project's are what the user is told about.
    // A photo from outside the page's folders is simply not shown, as it never was.
    if (!m_draftListing) {
        for (const CXFinding& finding : CheckProjectPhotos(projectMode, flyer, profile, templatePath, false)) {
            if (finding.rule == QLatin1String(kRulePhotoDamaged))
                m_drawnPhotoProblems.append(finding.message);
        }
    }
    m_strDrawnTheme = theme;
    const QStringList roots = PageLoadRoots(profile, templatePath, projectMode ? flyer.GetFolder() : QString());
    m_nRenderRequest = replace ? m_renderer.RenderReplacing(page.page, kFlyerWidth, kFlyerHeight, roots)
                               : m_renderer.RenderAsync(page.page, kFlyerWidth, kFlyerHeight, roots);
}

void CFlyerSession::OnRenderFinished(quint64 requestId, const QImage& image, const QString& error)
{
    if (requestId != 0 && requestId == m_nCoverRequest) {
        m_nCoverRequest = 0;
        OnCoverRendered(image);
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
            m_adRuleFindings = AdRules::Findings(profile, m_bProjectOpen || ProfileHasName(profile),
                                                 AdRules::FromReport(report), m_strDrawnTheme);
            Q_EMIT FlyerReady(m_flyerImage);
        }
    }
    if (m_nRenderRequest == 0)
        RemoveStaleSidebarImages();
    if (m_nCoverRequest == 0 && !m_renderer.IsBusy())
        StartNextCover();
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
    if (requestId != 0 && requestId == m_nCoverRequest) {
        m_nCoverRequest = 0;
        DiscardThemeCover(m_coverJob);
        m_coverQueue.prepend(m_coverItem);
    }
}

void CFlyerSession::RemoveStaleSidebarImages()
{
    // Pages on their way may still load an older picture; once none is, only the shown one stays.
    for (const QString& path : std::as_const(m_staleSidebarImages))
        if (path != m_strSidebarImage)
            QFile::remove(path);
    m_staleSidebarImages.clear();
}

void CFlyerSession::CreateMissingThemeCovers(bool includeLarge)
{
    const QString largeFolder = DeveloperCoverFolder();
    for (qsizetype i = 0; i < m_themes.size(); ++i) {
        const bool queued = (m_nCoverRequest != 0 && m_coverItem.theme == i && !m_coverItem.large) ||
                            std::any_of(m_coverQueue.cbegin(), m_coverQueue.cend(),
                                        [i](const CoverItem& item) { return item.theme == i && !item.large; });
        if (!queued && ThemeCoverIsDue(m_themes.at(i), m_settings)) {
            m_coverQueue.append({i, false});
            ++m_nCoversDue;
        }
        if (includeLarge && !largeFolder.isEmpty() &&
            !IsThemeCoverCurrent(LargeThemeCoverPath(m_themes.at(i), largeFolder), m_themes.at(i))) {
            m_coverQueue.append({i, true});
            ++m_nCoversDue;
        }
    }
    if (m_nCoverRequest == 0 && !m_renderer.IsBusy())
        StartNextCover();
}

void CFlyerSession::StartNextCover()
{
    while (!m_coverQueue.isEmpty()) {
        m_coverItem = m_coverQueue.takeFirst();
        const CXThemeTemplateInfo& theme = m_themes.at(m_coverItem.theme);
        const CoverResult prepared =
            PrepareThemeCover(theme, m_settings, m_coverJob, m_coverItem.large ? DeveloperCoverFolder() : QString());
        if (prepared == CoverResult::Ready) {
            Q_EMIT CoverStarted(m_nCoversDone, m_nCoversDue);
            m_nCoverRequest = m_renderer.RenderAsync(m_coverJob.page, kFlyerWidth, kFlyerHeight,
                                                     PageLoadRoots(m_settings, theme.GetTemplate(), QString()));
            return;
        }
        // Made meanwhile, or no template to make it from: nothing to wait for.
        ++m_nCoversDone;
    }
    if (m_nCoversDue > 0) {
        m_nCoversDue = m_nCoversDone = 0;
        Q_EMIT CoversFinished();
    }
}

void CFlyerSession::OnCoverRendered(const QImage& image)
{
    if (image.isNull())
        DiscardThemeCover(m_coverJob);
    else
        FinishThemeCover(m_coverJob, image);
    ++m_nCoversDone;
    Q_EMIT CoverMade(m_nCoversDone);
}
