// The live flyer of the main window: Flyer Details and the profile page show their edits on the
// canvas while they are open. The rules (newest state only, photo copies, nothing saved) live in
// CXLiveDraft; this file only connects the dialogs, the renderer and the canvas to it.
#include "mainwin/ui/maindialog.h"

#include "compose/render/xhtml2image.h"
#include "compose/ui/canvas.h"
#include "mainwin/livedraft.h"
#include "options/ui/optionsmyinfopage.h"
#include "projects/ui/flyerdetailsdlg.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

// What the window frame adds around a dialog of the given size, judged from the main window's own.
QSize FramedSize(const QWidget& owner, QSize client)
{
    const QRect frame = owner.frameGeometry();
    const QRect inner = owner.geometry();
    return client + QSize(frame.width() - inner.width(), frame.height() - inner.height());
}

// Puts a dialog beside the flyer on the canvas; false when the screen has no room on either side.
bool PlaceBesideCanvas(const CXCanvas& canvas, QWidget& dialog, QSize client)
{
    const QScreen* screen = canvas.screen();
    if (!screen || !canvas.isVisible())
        return false;
    const QRect flyer(canvas.mapToGlobal(canvas.PageRect().topLeft()), canvas.PageRect().size());
    const std::optional<QPoint> at =
        PlaceBesideFlyer(screen->availableGeometry(), flyer, FramedSize(*canvas.window(), client));
    if (!at)
        return false;
    dialog.move(*at);
    return true;
}

} // namespace

void CMainDialog::StartLiveDraft(const CFlyerData& saved, const CListingExtras& savedExtras)
{
    EndLiveDraft(false);
    const QString photos = QDir(m_appSettings.Path2TempFolder).filePath(QStringLiteral("Drafts"));
    m_pLiveDraft = new CXLiveDraft([this](const CFlyerDraft& draft) { return RenderDraft(draft); }, photos, this);
    CXLiveDraft* draft = m_pLiveDraft;
    connect(m_pRenderer, &CXHTML2Image::RenderFinished, draft,
            [draft](quint64 requestId, const QImage&, const QString&) { draft->OnRenderFinished(requestId); });
    connect(m_pRenderer, &CXHTML2Image::RenderSuperseded, draft,
            [draft](quint64 requestId) { draft->OnRenderFinished(requestId); });
    m_pLiveDraft->Begin(saved, savedExtras.m_crops);
}

void CMainDialog::BeginDetailsDraft(CDLGFlyerDetails& dialog)
{
    // A new project starts from no photos at all, not from those of the project that is open.
    CListingExtras saved;
    saved.m_crops = dialog.m_crops;
    StartLiveDraft(dialog.BaseRecord(), saved);
    CXLiveDraft* draft = m_pLiveDraft;
    // A new project is drawn as a project from the first keystroke; the open one stays until Save.
    connect(&dialog, &CDLGFlyerDetails::DraftChanged, draft, [this, draft, &dialog] {
        CFlyerDraft state{dialog.DraftRecord(), dialog.m_crops, dialog.DraftListingUrl(), m_appSettings, true};
        draft->SetDraft(state);
    });
    connect(&dialog, &CDLGFlyerDetails::PhotoChosen, draft,
            [draft](int slot, const QString& path) { draft->Prefetch(slot + 1, path); });
    connect(this, &CMainDialog::FlyerShown, &dialog, [this, &dialog] { dialog.SetPreviewImage(m_flyerImage); });
    dialog.SetPreviewImage(m_flyerImage);
    if (!PlaceBesideCanvas(*m_pCanvas, dialog, dialog.size()))
        dialog.ShowPreviewPane(true);
}

void CMainDialog::BeginProfileDraft(CPPDLGOptionsMyInfo& page)
{
    StartLiveDraft(flyerData, m_extras);
    CXLiveDraft* draft = m_pLiveDraft;
    connect(&page, &CPPDLGOptionsMyInfo::ProfileChanged, draft, [this, draft, &page] {
        CFlyerDraft state{flyerData, m_extras.m_crops, m_extras.m_strListingUrl, m_appSettings, m_bProjectOpen};
        page.CurrentProfileTo(state.settings);
        draft->SetDraft(state);
    });
    // The sheet has its size only once it is shown.
    QTimer::singleShot(0, &page, [this, &page] {
        QWidget* sheet = page.window();
        if (sheet && sheet != this && sheet->isVisible())
            PlaceBesideCanvas(*m_pCanvas, *sheet, sheet->size());
    });
}

void CMainDialog::EndLiveDraft(bool restore)
{
    if (!m_pLiveDraft)
        return;
    const bool drawn = m_pLiveDraft->HasRendered();
    m_pLiveDraft->End();
    delete m_pLiveDraft;
    m_pLiveDraft = nullptr;
    // The canvas shows the last draft; Cancel puts the saved flyer back.
    if (restore && drawn)
        RenderFlyer();
}

quint64 CMainDialog::RenderDraft(const CFlyerDraft& draft)
{
    return RenderPage(draft.projectMode, draft.record, draft.settings, draft.listingUrl);
}
