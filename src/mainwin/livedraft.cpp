#include "mainwin/livedraft.h"

#include <QTimer>

#include <algorithm>

CXLiveDraft::CXLiveDraft(RenderFn render, const QString& photoFolder, QObject* parent)
    : QObject(parent), m_render(std::move(render)), m_photos(photoFolder)
{
    connect(&m_photos, &CXDraftPhotos::CopyReady, this, [this] {
        // The copy changes the newest state's page even though the user typed nothing.
        if (m_bActive && m_last) {
            m_bPending = true;
            Schedule();
        }
    });
    connect(&m_photos, &CXDraftPhotos::CopyFailed, this, [this](const QString& why) {
        Q_EMIT PhotoFailed(why);
        if (m_bActive && m_last) {
            m_bPending = true;
            Schedule();
        }
    });
}

CXLiveDraft::~CXLiveDraft() = default;

void CXLiveDraft::Begin(const CFlyerData& saved,
                        const std::array<std::optional<QRect>, CFlyerData::kSlotCount>& savedCrops)
{
    m_saved = saved;
    m_savedCrops = savedCrops;
    for (int i = 0; i < CFlyerData::kSlotCount; ++i)
        m_shownPhotos[i] = saved.m_photos[i].m_strPath;
    m_bActive = true;
}

void CXLiveDraft::SetDraft(const CFlyerDraft& draft)
{
    if (!m_bActive)
        return;
    m_last = draft;
    m_bPending = true;
    Schedule();
}

void CXLiveDraft::Schedule()
{
    // Edits made in one pass of the event loop (a paste, a photo and its caption) make one page.
    if (m_bScheduled)
        return;
    m_bScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bScheduled = false;
        Dispatch();
    });
}

void CXLiveDraft::SetReplacement(std::function<bool()> canReplace, RenderFn replace)
{
    m_canReplace = std::move(canReplace);
    m_replace = std::move(replace);
}

void CXLiveDraft::Dispatch()
{
    if (!m_bActive || !m_bPending || !m_last)
        return;
    const bool replacing = m_nInFlight != 0;
    if (replacing && (m_bReplaced || !m_canReplace || !m_replace || !m_canReplace()))
        return;
    CFlyerDraft draft = *m_last;
    for (int i = 0; i < CFlyerData::kSlotCount; ++i) {
        QString& path = draft.request.record.m_photos[i].m_strPath;
        const std::optional<QRect>& crop = draft.request.extras.m_crops[size_t(i)];
        if (path.isEmpty() || (path == m_saved.m_photos[i].m_strPath && crop == m_savedCrops[i]))
            continue;
        const QString copy = m_photos.CopyFor(i + 1, path, crop);
        // A page without the new photo would only delay the one with it: wait for the copy
        // (CopyReady dispatches again). A photo that cannot be copied keeps the slot as it was.
        if (copy.isEmpty() && m_photos.IsMaking())
            return;
        path = copy.isEmpty() ? m_shownPhotos[i] : copy;
    }
    m_bPending = false;
    for (int i = 0; i < CFlyerData::kSlotCount; ++i)
        m_shownPhotos[i] = draft.request.record.m_photos[i].m_strPath;
    const quint64 sent = replacing ? m_replace(draft) : m_render(draft);
    // A replacement that did not go out leaves the page on its way in place.
    if (!replacing || sent != 0) {
        m_nInFlight = sent;
        m_bReplaced = replacing;
    }
    ++m_nSent;
    if (m_nInFlight != 0 && (!replacing || sent != 0))
        Q_EMIT DraftSent(m_nInFlight, replacing);
    // Nothing went out (no template): the next change tries again.
}

void CXLiveDraft::Prefetch(int slot, const QString& path)
{
    if (m_bActive)
        m_photos.CopyFor(slot, path, std::nullopt);
}

void CXLiveDraft::OnRenderFinished(quint64 requestId)
{
    if (requestId == 0 || requestId != m_nInFlight)
        return;
    m_nInFlight = 0;
    m_bReplaced = false;
    if (m_bPending)
        Dispatch();
}

void CXLiveDraft::End()
{
    m_bActive = false;
    m_bPending = false;
    m_nInFlight = 0;
    m_bReplaced = false;
    m_last.reset();
}

bool CXLiveDraft::IsIdle() const
{
    return !m_bScheduled && !m_bPending && m_nInFlight == 0 && !m_photos.IsMaking();
}

std::optional<QPoint> PlaceBesideFlyer(const QRect& screen, const QRect& flyer, const QSize& dialog)
{
    if (dialog.height() > screen.height())
        return std::nullopt;
    constexpr int kGap = 8;
    const int y = std::clamp(flyer.top(), screen.top(), screen.top() + screen.height() - dialog.height());
    if (flyer.left() - kGap - dialog.width() >= screen.left())
        return QPoint(flyer.left() - kGap - dialog.width(), y);
    if (flyer.left() + flyer.width() + kGap + dialog.width() <= screen.left() + screen.width())
        return QPoint(flyer.left() + flyer.width() + kGap, y);
    return std::nullopt;
}
