#pragma once

#include "projects/draftphotos.h"
#include "flyer/flyerdata.h"
#include "flyer/flyerrequest.h"
#include "flyer/listingextras.h"
#include "settings/appsettings.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <functional>
#include <optional>

// What the flyer shows while Flyer Details or the profile is being edited: the listing, its extras
// (crops, web address, status, open house) and the profile as typed, not yet saved. The look and
// the page are the window's.
struct CFlyerDraft
{
    FlyerRequest request;
    CAppSettings settings;
    bool profileOnly = false; // the listing is the saved one; only the profile is being edited
};

// The live flyer of an edit in progress. Every change hands over the whole newest state; only that
// one is composed and rendered, and only when the renderer has finished the previous draft (or can
// still give it up), so a fast typist costs about one merge per flyer shown, not one per keystroke,
// and the newest keystroke always ends on screen. Photos that differ from the saved ones are shown from quick reduced
// copies. Nothing here touches the project, its folder or the settings store.
class CXLiveDraft : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXLiveDraft)

public:
    // Composes the page of a draft and hands it to the renderer: the request id, or 0 when nothing
    // was sent (then no answer is awaited).
    using RenderFn = std::function<quint64(const CFlyerDraft& draft)>;

    CXLiveDraft(RenderFn render, const QString& photoFolder, QObject* parent = nullptr);
    ~CXLiveDraft() override;

    // A page on its way may be given up for a newer state while canReplace() says so (its page is
    // still loading); the newer one then goes out at once through replace. Once per page shown, so
    // a typist faster than the renderer still sees pages.
    void SetReplacement(std::function<bool()> canReplace, RenderFn replace);

    // The saved photos and crops: a draft that keeps them needs no copies.
    void Begin(const CFlyerData& saved, const std::array<std::optional<QRect>, CFlyerData::kSlotCount>& savedCrops);
    void SetDraft(const CFlyerDraft& draft);
    // Starts the copy of a photo that is about to be taken into the draft, while the dialog still
    // checks it; a photo that is then refused only leaves an unused copy in the scratch folder.
    void Prefetch(int slot, const QString& path);
    // The renderer's answer to any request; only the draft's own is taken.
    void OnRenderFinished(quint64 requestId);
    // No more drafts: a render on its way is no longer waited for.
    void End();

    bool IsActive() const { return m_bActive; }
    // Whether any draft reached the renderer, i.e. the flyer on show may no longer be the saved one.
    bool HasRendered() const { return m_nSent > 0; }
    int RendersSent() const { return m_nSent; }
    bool IsIdle() const;
    // The photo paths the last draft page was made with (reduced copies where photos were changed).
    std::array<QString, CFlyerData::kSlotCount> ShownPhotos() const { return m_shownPhotos; }

Q_SIGNALS:
    void PhotoFailed(const QString& why);
    // A draft page went to the renderer under this request id; with replacing, in place of the
    // page that was on its way, which will not be shown.
    void DraftSent(quint64 requestId, bool replacing);

private:
    void Schedule();
    void Dispatch();

    RenderFn m_render;
    std::function<bool()> m_canReplace;
    RenderFn m_replace;
    bool m_bReplaced = false; // the page on its way already replaced one
    CXDraftPhotos m_photos;
    bool m_bActive = false;
    bool m_bScheduled = false;
    bool m_bPending = false; // m_last has not been rendered yet
    quint64 m_nInFlight = 0;
    int m_nSent = 0;
    std::optional<CFlyerDraft> m_last;
    CFlyerData m_saved;
    std::array<std::optional<QRect>, CFlyerData::kSlotCount> m_savedCrops;
    std::array<QString, CFlyerData::kSlotCount> m_shownPhotos;
};

// Where a dialog of the given frame size stands so that the flyer on the canvas stays in sight: left
// of the flyer, else right of it, at the flyer's height as far as the screen allows. Nothing when
// neither side has room; the dialog then shows the flyer in a pane of its own.
std::optional<QPoint> PlaceBesideFlyer(const QRect& screen, const QRect& flyer, const QSize& dialog);
