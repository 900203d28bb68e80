// The live flyer of the main window: Flyer Details and the profile page show their edits on the
// canvas while they are open. The rules (newest state only, photo copies, nothing saved) live in
// CXLiveDraft; this file only connects the dialogs, the renderer and the canvas to it.
#include "mainwin/ui/maindialog.h"

#include "compose/ui/canvas.h"
#include "mainwin/flyersession.h"
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
    EndLiveDraft();
    const QString photos = QDir(m_appSettings.Path2TempFolder).filePath(QStringLiteral("Drafts"));
    // The session shows only its newest flyer, and the draft sends one page at a time: the next
    // flyer shown is the draft's page.
    constexpr quint64 kDraftPage = 1;
    const auto render = [this](const CFlyerDraft& draft) -> quint64 {
        if (draft.profileOnly)
            m_pSession->RenderProfileDraft(draft.settings);
        else
            m_pSession->RenderDraft(draft.request, &draft.settings);
        return m_pSession->IsRenderPending() ? kDraftPage : 0;
    };
    m_pLiveDraft = new CXLiveDraft(render, photos, this);
    m_pLiveDraft->SetReplacement([this] { return m_pSession->CanReplaceDraftPage(); },
                                 [this, render](const CFlyerDraft& draft) {
                                     m_pSession->ReplaceWithNextDraft();
                                     return render(draft);
                                 });
    CXLiveDraft* draft = m_pLiveDraft;
    connect(this, &CMainDialog::FlyerShown, draft, [draft] { draft->OnRenderFinished(kDraftPage); });
    m_pLiveDraft->Begin(saved, savedExtras.m_crops);
}

void CMainDialog::BeginDetailsDraft(CDLGFlyerDetails& dialog)
{
    // A new project starts from no photos at all, not from those of the project that is open.
    CListingExtras saved;
    saved.m_crops = dialog.m_crops;
    StartLiveDraft(dialog.BaseRecord(), saved);
    if (dialog.m_bNewMode)
        m_pSession->UseDefaultLookForDraft();
    CXLiveDraft* draft = m_pLiveDraft;
    // A new project is drawn as a project from the first keystroke; the open one stays until Save.
    connect(&dialog, &CDLGFlyerDetails::DraftChanged, draft, [this, draft, &dialog] {
        CFlyerDraft state;
        state.request.record = dialog.DraftRecord();
        state.request.extras = dialog.DraftExtras();
        state.settings = m_appSettings;
        draft->SetDraft(state);
    });
    connect(&dialog, &CDLGFlyerDetails::PhotoChosen, draft,
            [draft](int slot, const QString& path) { draft->Prefetch(slot + 1, path); });
    // The pane shows what the canvas shows: the session's flyer is already null again when the
    // next draft page went out at once, and a pane showing it would flash a blank page. Tied to
    // the draft, which ends before the dialog goes.
    connect(this, &CMainDialog::FlyerShown, draft, [this, &dialog] {
        dialog.SetPreviewImage(m_pCanvas->FlyerImage());
        dialog.SetFitNotes(m_pSession->CutTextMessages());
    });
    dialog.SetPreviewImage(m_pCanvas->FlyerImage());
    dialog.SetFitNotes(m_pSession->CutTextMessages());
    if (!PlaceBesideCanvas(*m_pCanvas, dialog, dialog.size()))
        dialog.ShowPreviewPane(true);
}

void CMainDialog::BeginProfileDraft(CPPDLGOptionsMyInfo& page)
{
    StartLiveDraft(m_document.FlyerData(), m_document.Extras());
    CXLiveDraft* draft = m_pLiveDraft;
    connect(&page, &CPPDLGOptionsMyInfo::ProfileChanged, draft, [this, draft, &page] {
        CFlyerDraft state;
        state.request.record = m_document.FlyerData();
        state.request.extras = m_document.Extras();
        state.request.mode = m_document.IsProjectOpen() ? FlyerMode::Project : FlyerMode::Preview;
        state.settings = m_appSettings;
        state.profileOnly = true;
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

void CMainDialog::EndLiveDraft()
{
    if (!m_pLiveDraft)
        return;
    m_pLiveDraft->End();
    delete m_pLiveDraft;
    m_pLiveDraft = nullptr;
    // The canvas shows the last draft: the saved flyer comes back (after a Save the caller draws the
    // new one at once, which replaces it).
    m_pSession->EndDraft();
}
