#include "compose/render/printpage.h"

#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "imaging/imagelibrary.h"
#include "imaging/sidebarimage.h"
#include "projects/flyerdata.h"
#include "settings/appsettings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QPainter>
#include <QPdfDocument>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <optional>

Q_LOGGING_CATEGORY(lcPrintPage, "listora.render.printpage", QtWarningMsg)

namespace {

// A print copy is cut to the part of the original its box shows, so it is drawn whole: the engine
// then embeds its JPEG as it is instead of re-encoding a cut-out losslessly at four times the size.
// Backgrounds and colours print as on screen.
const QString kPrintStyle = QStringLiteral(
    "<style>img[src*=\"#listora-slot-\"][src$=\"-cut\"]{object-fit:fill!important}"
    "html{-webkit-print-color-adjust:exact!important;print-color-adjust:exact!important}</style>");

QString WithPrintStyle(const QString& page)
{
    const qsizetype head = page.indexOf(QLatin1String("</head>"), 0, Qt::CaseInsensitive);
    QString result = page;
    result.insert(head >= 0 ? head : 0, kPrintStyle);
    return result;
}

// Where the photos of a page sit depends only on the page, so a page printed again (another
// copy, the export after the print) need not be laid out twice.
class CXLayoutCache
{
public:
    static CXLayoutCache& Get()
    {
        static CXLayoutCache cache;
        return cache;
    }
    QByteArray Find(const QByteArray& key) const { return m_entries.value(key); }
    void Add(const QByteArray& key, const QByteArray& layout)
    {
        if (m_entries.size() >= 64)
            m_entries.clear();
        m_entries.insert(key, layout);
    }

private:
    QHash<QByteArray, QByteArray> m_entries;
};

} // namespace

bool MakePrintPage(CXHTML2Image& renderer, const CXFlyerSource& source, PrintPageWork work, CXPrintPage& out,
                   QString* error)
{
    Q_ASSERT(source.flyer && source.settings);
    const CAppSettings& settings = *source.settings;
    const CFlyerData& flyer = *source.flyer;
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        qCWarning(lcPrintPage) << text;
        return false;
    };
    out = CXPrintPage();

    QString sidebar;
    const SidebarKind sidebarKind = SidebarKindFor(source.themeName);
    if (sidebarKind != SidebarKind::None) {
        const QString caption = source.projectMode ? flyer.m_strCaption : CPreviewData::Get().caption;
        sidebar = CreateSidebarImage(caption, sidebarKind == SidebarKind::Outlined, source.font,
                                     settings.Path2TempFolder);
    }
    const auto removeSidebar = qScopeGuard([&sidebar] {
        if (!sidebar.isEmpty())
            QFile::remove(sidebar);
    });
    CMergeLook look = MakeMergeLook(source.font, source.color, sidebar);

    // The layout page is the screen page with each photo's URL marked with its slot.
    const std::array<CXPhotoSlot, 4> slots = FlyerPhotoSlots(source.projectMode, flyer, settings);
    for (const CXPhotoSlot& slot : slots) {
        if (!slot.screen.isEmpty())
            look.photoUrls[size_t(slot.slot - 1)] = SlotMarkedUrl(slot.screen, slot.slot);
    }
    const QString layoutPage = MergeTemplate(source.templateText, source.projectMode, flyer, settings, look);
    const QByteArray key = QCryptographicHash::hash(layoutPage.toUtf8(), QCryptographicHash::Sha1);
    QByteArray layout = CXLayoutCache::Get().Find(key);
    QString why;
    if (layout.isEmpty()) {
        QByteArray none;
        if (!renderer.RenderPrint(layoutPage, RenderProtocol::PrintMode::Layout, layout, none, &why))
            return fail(QStringLiteral("The flyer's layout could not be measured: %1").arg(why));
        CXLayoutCache::Get().Add(key, layout);
    }
    const QList<CXPictureBox> boxes = ParsePictureLayout(layout);

    std::array<std::optional<CXPrintCopyPlan>, 4> plans;
    std::array<QString, 4> fits;
    for (const CXPhotoSlot& slot : slots) {
        CXPictureBox box;
        if (slot.screen.isEmpty() || !FindSlotBox(boxes, slot.slot, box))
            continue;
        const ImageInfo info = GetImageInfo(slot.original);
        if (info.width <= 0 || info.height <= 0)
            continue;
        const CXPrintCopyPlan plan = PlanPrintCopy(QSize(info.width, info.height), box.box.size(), box.fit);
        CXPreflightEntry entry;
        entry.slot = slot.slot;
        entry.source = QSize(info.width, info.height);
        entry.boxInches = plan.boxInches;
        entry.ppi = plan.ppi;
        entry.ok = plan.ppi >= kPreflightPpi;
        out.preflight.append(entry);
        plans[size_t(slot.slot - 1)] = plan;
        fits[size_t(slot.slot - 1)] = box.fit;
    }
    if (work == PrintPageWork::PreflightOnly)
        return true;

    const QString folder = PrintCopyFolder();
    for (const CXPhotoSlot& slot : slots) {
        const size_t i = size_t(slot.slot - 1);
        if (!plans[i])
            continue;
        const QString copy = MakePrintCopy(slot.original, *plans[i], folder, &why);
        if (copy.isEmpty())
            continue; // the screen photo still shows; the page is printed all the same
        const bool cut = fits[i] == QLatin1String("cover");
        look.photoUrls[i] = SlotMarkedUrl(copy, slot.slot) + (cut ? QStringLiteral("-cut") : QString());
    }
    const QString page = WithPrintStyle(MergeTemplate(source.templateText, source.projectMode, flyer, settings, look));
    QByteArray printedLayout;
    if (!renderer.RenderPrint(page, RenderProtocol::PrintMode::Pdf, printedLayout, out.pdf, &why))
        return fail(QStringLiteral("The print-quality flyer could not be made: %1").arg(why));
    if (error)
        error->clear();
    return true;
}

QImage RasterisePrintPage(const QByteArray& pdf, double dpi)
{
    // The document reads its file as it renders, so the bytes go to a file of their own.
    QTemporaryFile file;
    if (pdf.isEmpty() || !file.open() || file.write(pdf) != pdf.size() || !file.flush())
        return QImage();
    QPdfDocument document;
    if (document.load(file.fileName()) != QPdfDocument::Error::None || document.pageCount() < 1)
        return QImage();
    const QSizeF points = document.pagePointSize(0);
    const QSize size(qRound(points.width() * dpi / 72.0), qRound(points.height() * dpi / 72.0));
    if (size.isEmpty())
        return QImage();
    const QImage rendered = document.render(0, size);
    if (rendered.isNull())
        return QImage();
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.drawImage(0, 0, rendered);
    }
    const int dotsPerMeter = qRound(dpi / 0.0254);
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    return page;
}
