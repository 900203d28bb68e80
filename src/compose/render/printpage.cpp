#include "compose/render/printpage.h"

#include "compose/pdfpages.h"

#include "compose/adrules.h"
#include "compose/loadpolicy.h"
#include "compose/presspage.h"
#include "compose/render/emptyframes.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "compose/textfit.h"
#include "imaging/imagelibrary.h"
#include "imaging/photocrop.h"
#include "imaging/profilepictures.h"
#include "imaging/sidebarimage.h"
#include "flyer/flyerdata.h"
#include "compose/pressbox.h"
#include "settings/appsettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QLoggingCategory>
#include <QPainter>
#include <QPdfDocument>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <optional>

Q_LOGGING_CATEGORY(lcPrintPage, "listora.render.printpage", QtWarningMsg)

namespace {

// A print copy is cut to the part of the original its box shows, so it is drawn whole: the engine
// then embeds its JPEG as it is instead of re-encoding a cut-out losslessly at four times the size.
// Backgrounds and colours print as on screen.
const QString kPrintStyle =
    QStringLiteral("<style>img[src*=\"#listora-slot-\"][src$=\"-cut\"]{object-fit:fill!important}"
                   "html{-webkit-print-color-adjust:exact!important;print-color-adjust:exact!important}</style>");

QString WithPrintStyle(const QString& page, const QString& rules = QString())
{
    const qsizetype head = page.indexOf(QLatin1String("</head>"), 0, Qt::CaseInsensitive);
    QString result = page;
    result.insert(head >= 0 ? head : 0,
                  rules.isEmpty() ? kPrintStyle
                                  : kPrintStyle + QStringLiteral("<style>") + rules + QStringLiteral("</style>"));
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
    QByteArray Find(const QByteArray& key) const
    {
        const QMutexLocker lock(&m_mutex);
        return m_entries.value(key);
    }
    void Add(const QByteArray& key, const QByteArray& layout)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_entries.size() >= 64)
            m_entries.clear();
        m_entries.insert(key, layout);
    }

private:
    // A batch lays pages out on several threads at once.
    mutable QMutex m_mutex;
    QHash<QByteArray, QByteArray> m_entries;
};

} // namespace

namespace {

struct CXLayoutPass
{
    CMergeLook look;
    QString sidebar;
    std::array<CXPhotoSlot, 4> slots;
    QList<CXPhotoSlot> profile; // the agent's picture and logo where the page shows the agent's own
    QByteArray fitReport;       // what the text fit did on the laid-out page
    PressPage::Report press;    // what a print shop would check on it
};

// The agent's own picture and logo as the page shows them, each with the original it prints from.
QList<CXPhotoSlot> ProfileSlots(const CAppSettings& settings)
{
    QList<CXPhotoSlot> slots;
    if (!ProfileHasName(settings))
        return slots;
    const struct
    {
        int slot;
        ProfilePicture which;
        bool shown;
    } kinds[] = {{kPictureSlot, ProfilePicture::Picture, true},
                 {kLogoSlot, ProfilePicture::Logo, settings.IncludeMyLogo == 1}};
    for (const auto& kind : kinds) {
        const QString screen = QDir(settings.strSavePath).filePath(ProfileScreenFileName(kind.which));
        if (kind.shown && QFileInfo(screen).isFile())
            slots.append(CXPhotoSlot{kind.slot, screen, ProfilePrintSource(settings.strSavePath, kind.which)});
    }
    return slots;
}

// The screen page with every photo's URL marked with its slot, laid out by the worker (or found
// in the cache). Empty slots are marked on the blank picture when markEmpty is set.
bool LayOut(CXHTML2Image& renderer, const CXFlyerSource& source, bool markEmpty, CXLayoutPass& pass,
            QList<CXPictureBox>& boxes, QString& why)
{
    const CAppSettings& settings = *source.settings;
    const FlyerRequest& request = source.request;
    const CFlyerData& flyer = request.record;
    const bool projectMode = request.ProjectMode();
    // The renderer may have drawn covers or another project since: the page loads from its own folders.
    renderer.SetLoadRoots(
        PageLoadRoots(settings, request.look.templatePath, projectMode ? flyer.GetFolder() : QString()));
    const SidebarKind sidebarKind = SidebarKindFor(request.look.themeName);
    if (sidebarKind != SidebarKind::None) {
        const QString caption = projectMode ? flyer.m_strCaption : CPreviewData::Get().caption;
        pass.sidebar = CreateSidebarImage(caption, sidebarKind == SidebarKind::Outlined, request.look.font,
                                          settings.Path2TempFolder);
    }
    pass.look = MakeMergeLook(request.look.font, request.look.color, pass.sidebar);
    pass.slots = FlyerPhotoSlots(projectMode, flyer, settings);
    for (const CXPhotoSlot& slot : pass.slots) {
        const QString file = !slot.screen.isEmpty() ? slot.screen : markEmpty ? settings.Path2BlankImage : QString();
        if (!file.isEmpty())
            pass.look.photoUrls[size_t(slot.slot - 1)] = SlotMarkedUrl(file, slot.slot);
    }
    // The agent's own picture and logo are measured as well, to print from their originals too.
    pass.profile = ProfileSlots(settings);
    for (const CXPhotoSlot& slot : pass.profile) {
        if (slot.slot == kPictureSlot)
            pass.look.myPictureUrl = SlotMarkedUrl(slot.screen, slot.slot);
        else
            pass.look.companyLogoUrl = SlotMarkedUrl(slot.screen, slot.slot);
    }
    const QString layoutPage = MergeTemplate(source.templateText, request, settings, pass.look);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(layoutPage.toUtf8());
    hash.addData(QString::asprintf("|%dx%d", request.pageSize.width(), request.pageSize.height()).toLatin1());
    const QByteArray key = hash.result();
    QByteArray layout = CXLayoutCache::Get().Find(key);
    if (layout.isEmpty()) {
        QByteArray none;
        if (!renderer.RenderPrint(layoutPage, request.pageSize, RenderProtocol::PrintMode::Layout, layout, none, &why))
            return false;
        CXLayoutCache::Get().Add(key, layout);
    }
    boxes = ParsePictureLayout(layout);
    pass.fitReport = TextFit::FromLayout(layout);
    pass.press = PressPage::FromLayout(layout);
    return true;
}

void RemoveSidebar(const CXLayoutPass& pass)
{
    if (!pass.sidebar.isEmpty())
        QFile::remove(pass.sidebar);
}

} // namespace

bool MeasurePhotoBoxes(CXHTML2Image& renderer, const CXFlyerSource& source, CXSlotBoxes& boxes, QString* error)
{
    Q_ASSERT(source.settings);
    boxes = CXSlotBoxes();
    CXLayoutPass pass;
    QList<CXPictureBox> found;
    QString why;
    const bool laidOut = LayOut(renderer, source, true, pass, found, why);
    RemoveSidebar(pass);
    if (!laidOut) {
        if (error)
            *error = QStringLiteral("The flyer's layout could not be measured: %1").arg(why);
        return false;
    }
    for (int slot = 1; slot <= 4; ++slot) {
        CXPictureBox box;
        if (FindSlotBox(found, slot, box))
            boxes[size_t(slot - 1)] = box;
    }
    return true;
}

namespace {

bool MakeOnePrintPage(CXHTML2Image& renderer, const CXFlyerSource& source, PrintPageWork work, CXPrintPage& out,
                      QString* error)
{
    Q_ASSERT(source.settings);
    const CAppSettings& settings = *source.settings;
    const FlyerRequest& request = source.request;
    const CFlyerData& flyer = request.record;
    const bool projectMode = request.ProjectMode();
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        qCWarning(lcPrintPage) << text;
        return false;
    };
    out = CXPrintPage();

    CXLayoutPass pass;
    QList<CXPictureBox> boxes;
    QString why;
    const auto removeSidebar = qScopeGuard([&pass] { RemoveSidebar(pass); });
    if (!LayOut(renderer, source, false, pass, boxes, why))
        return fail(QStringLiteral("The flyer's layout could not be measured: %1").arg(why));

    // Every picture read from here on passes the page's own rule: a project that names a file
    // elsewhere (or links to one) must not get it printed at full size.
    CXPageLoadPolicy policy;
    policy.SetRoots(PageLoadRoots(settings, request.look.templatePath, projectMode ? flyer.GetFolder() : QString()) +
                    source.pictureRoots);
    out.findings = CheckFlyerPhotos(pass.slots, policy, true);
    // A listing text cut to fit is named before the flyer goes out, as a soft photo is.
    if (projectMode) {
        for (const TextFit::Box& box : TextFit::CutBoxes(TextFit::ParseReport(pass.fitReport)))
            out.findings.append(CXFinding{QStringLiteral("text-fit"), box.name, CXFinding::Level::Error,
                                          TextFit::CutMessage(box, request.look.themeName)});
    }
    out.findings += AdRules::Findings(settings, projectMode || ProfileHasName(settings),
                                      AdRules::FromReport(pass.fitReport), request.look.themeName);
    // A theme without a layout for fewer photos draws the frames of the missing ones empty.
    if (const int empty = EmptyFramesIn(boxes))
        out.findings.append(EmptyFrameFinding(empty));
    out.pressFindings = PressPage::Findings(pass.press, request.look.themeName);

    std::array<std::optional<CXPrintCopyPlan>, 6> plans;
    std::array<QString, 6> fits;
    for (const CXPhotoSlot& slot : pass.slots) {
        CXPictureBox box;
        if (slot.screen.isEmpty() || !FindSlotBox(boxes, slot.slot, box))
            continue;
        if (!policy.MayReadPicture(slot.screen) || !policy.MayReadPicture(slot.original))
            continue;
        const ImageInfo info = GetImageInfo(slot.original);
        if (!info.IsPicture())
            continue;
        // A cropped photo shows only its crop: that part is what prints, and at what resolution.
        const std::optional<QRect>& crop = request.extras.m_crops[size_t(slot.slot - 1)];
        // A crop made for another frame's shape gives way to the part of the original this frame needs.
        const QRect shown = crop ? PhotoCrop::ForFrame(crop, QSize(info.width, info.height), box.box.size())
                                 : QRect(0, 0, info.width, info.height);
        if (shown.isEmpty())
            continue;
        out.preflight.append(PreflightFor(slot.slot, shown.size(), box));
        CXPrintCopyPlan plan = PlanPrintCopy(shown.size(), box.box.size(), box.fit);
        plan.crop.translate(shown.topLeft());
        plans[size_t(slot.slot - 1)] = plan;
        fits[size_t(slot.slot - 1)] = box.fit;
    }
    for (const CXPhotoSlot& slot : pass.profile) {
        CXPictureBox box;
        if (!FindSlotBox(boxes, slot.slot, box) || !policy.MayReadPicture(slot.original))
            continue;
        const ImageInfo info = GetImageInfo(slot.original);
        if (!info.IsPicture())
            continue;
        out.preflight.append(PreflightFor(slot.slot, QSize(info.width, info.height), box));
        plans[size_t(slot.slot - 1)] = PlanPrintCopy(QSize(info.width, info.height), box.box.size(), box.fit);
        fits[size_t(slot.slot - 1)] = box.fit;
    }
    if (work == PrintPageWork::PreflightOnly)
        return true;
    if (work == PrintPageWork::Picture) {
        // One pixel of the copy to a pixel of the page, never enlarged.
        for (std::optional<CXPrintCopyPlan>& plan : plans) {
            if (!plan || plan->crop.isEmpty() || plan->boxInches.isEmpty())
                continue;
            const QSizeF box = plan->boxInches * kCssPixelsPerInch;
            const double f = std::min({1.0, box.width() / plan->crop.width(), box.height() / plan->crop.height()});
            plan->size = QSize(std::max(1, int(std::lround(plan->crop.width() * f))),
                               std::max(1, int(std::lround(plan->crop.height() * f))));
        }
    }

    CMergeLook look = pass.look;
    const QString folder = source.printCopyFolder.isEmpty() ? PrintCopyFolder() : source.printCopyFolder;
    const bool press = work == PrintPageWork::Press || work == PrintPageWork::PressWithMarks;
    const auto copyOf = [&](const QString& original, const CXPrintCopyPlan& plan) {
        return source.makePrintCopy ? source.makePrintCopy(original, plan, folder, &why)
                                    : MakePrintCopy(original, plan, folder, &why);
    };
    QString strips; // the press page's pictures of what the originals show beyond the photos' edges
    for (const CXPhotoSlot& slot : pass.slots) {
        const size_t i = size_t(slot.slot - 1);
        if (!plans[i])
            continue;
        const QString copy = copyOf(slot.original, *plans[i]);
        if (copy.isEmpty())
            continue; // the screen photo still shows; the page is printed all the same
        const bool cut = fits[i] == QLatin1String("cover");
        look.photoUrls[i] = SlotMarkedUrl(copy, slot.slot) + (cut ? QStringLiteral("-cut") : QString());
        CXPictureBox box;
        if (!press || !cut || !FindSlotBox(boxes, slot.slot, box))
            continue;
        const ImageInfo info = GetImageInfo(slot.original);
        for (const PressPage::Strip& strip : PressPage::BleedStrips(plans[i]->crop, QSize(info.width, info.height),
                                                                    plans[i]->size, box.box, pass.press.page)) {
            CXPrintCopyPlan plan = *plans[i];
            plan.crop = strip.source;
            plan.size = strip.size;
            const QString part = copyOf(slot.original, plan);
            if (!part.isEmpty())
                strips += PressPage::StripElement(ToFileUrl(part), slot.slot, strip.rect);
        }
    }
    // Themes size the agent's picture and logo by the picture itself; the copy is larger than the
    // screen's, so it is held to the box the screen page gave it.
    QString profileRules;
    for (const CXPhotoSlot& slot : pass.profile) {
        const size_t i = size_t(slot.slot - 1);
        if (!plans[i])
            continue;
        CXPictureBox box;
        if (FindSlotBox(boxes, slot.slot, box))
            profileRules += QStringLiteral("img[src*=\"#listora-slot-%1\"]{width:%2px!important;height:%3px!important}")
                                .arg(slot.slot)
                                .arg(box.box.width(), 0, 'f', 3)
                                .arg(box.box.height(), 0, 'f', 3);
        const QString copy = source.makePrintCopy ? source.makePrintCopy(slot.original, *plans[i], folder, &why)
                                                  : MakePrintCopy(slot.original, *plans[i], folder, &why);
        if (copy.isEmpty())
            continue;
        const QString url =
            SlotMarkedUrl(copy, slot.slot) + (fits[i] == QLatin1String("cover") ? QStringLiteral("-cut") : QString());
        (slot.slot == kPictureSlot ? look.myPictureUrl : look.companyLogoUrl) = url;
    }
    out.page = WithPrintStyle(MergeTemplate(source.templateText, request, settings, look), profileRules);
    if (!strips.isEmpty()) {
        const qsizetype end = out.page.lastIndexOf(QLatin1String("</body>"), -1, Qt::CaseInsensitive);
        out.page.insert(end >= 0 ? end : out.page.size(), strips);
    }
    if (work == PrintPageWork::Picture) {
        if (!renderer.Render(out.page, request.pageSize.width(), request.pageSize.height(), out.picture, &why))
            return fail(QStringLiteral("The flyer could not be drawn: %1").arg(why));
        if (error)
            error->clear();
        return true;
    }
    QByteArray printedLayout;
    if (!renderer.RenderPrint(out.page, request.pageSize,
                              press ? RenderProtocol::PrintMode::Press : RenderProtocol::PrintMode::Pdf, printedLayout,
                              out.pdf, &why))
        return fail(QStringLiteral("The print-quality flyer could not be made: %1").arg(why));
    if (press) {
        // What could not continue into the bleed is known only once the page went onto its sheet.
        out.pressFindings = PressPage::Findings(PressPage::FromLayout(printedLayout), request.look.themeName);
        QByteArray sheet;
        sheet.swap(out.pdf);
        if (!PressBox::MakePressPdf(sheet, work == PrintPageWork::PressWithMarks, out.pdf, &why))
            return fail(why);
    }
    if (error)
        error->clear();
    return true;
}

template <typename T> void AppendMissing(QList<T>& to, const QList<T>& from)
{
    for (const T& item : from) {
        if (!to.contains(item))
            to.append(item);
    }
}

} // namespace

bool MakePrintPage(CXHTML2Image& renderer, const CXFlyerSource& source, PrintPageWork work, CXPrintPage& out,
                   QString* error)
{
    if (!MakeOnePrintPage(renderer, source, work, out, error))
        return false;
    const QString& backPath = source.request.backTemplatePath;
    if (backPath.isEmpty() || work == PrintPageWork::Picture)
        return true;
    // The back is the same listing on the same page size, from its own template in the theme.
    CXFlyerSource back = source;
    back.request.look.templatePath = backPath;
    back.request.backTemplatePath.clear();
    if (!LoadTemplate(backPath, back.templateText)) {
        if (error)
            *error = QStringLiteral("The back page's template %1 could not be read.")
                         .arg(QDir::toNativeSeparators(backPath));
        return false;
    }
    CXPrintPage backPage;
    QString why;
    if (!MakeOnePrintPage(renderer, back, work, backPage, &why)) {
        if (error)
            *error = QStringLiteral("The back page: %1").arg(why);
        return false;
    }
    AppendMissing(out.findings, backPage.findings);
    AppendMissing(out.pressFindings, backPage.pressFindings);
    // A slot shown on both sides is measured once; the back adds what only it shows.
    for (const CXPreflightEntry& entry : std::as_const(backPage.preflight)) {
        if (std::none_of(out.preflight.cbegin(), out.preflight.cend(),
                         [&entry](const CXPreflightEntry& e) { return e.slot == entry.slot; }))
            out.preflight.append(entry);
    }
    if (work == PrintPageWork::PreflightOnly)
        return true;
    QByteArray joined;
    if (!JoinPdfPages({out.pdf, backPage.pdf}, joined, &why)) {
        if (error)
            *error = why;
        return false;
    }
    out.pdf = joined;
    return true;
}

QImage RenderBackPicture(CXHTML2Image& renderer, const CXFlyerSource& source, QString* error)
{
    Q_ASSERT(source.settings);
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return QImage();
    };
    FlyerRequest request = source.request;
    if (request.backTemplatePath.isEmpty())
        return fail(QStringLiteral("The theme has no back page."));
    request.look.templatePath = request.backTemplatePath;
    request.backTemplatePath.clear();
    QString text;
    if (!LoadTemplate(request.look.templatePath, text))
        return fail(QStringLiteral("The back page's template %1 could not be read.")
                        .arg(QDir::toNativeSeparators(request.look.templatePath)));
    const CFlyerPage page = ComposeFlyerPage(text, request, *source.settings);
    renderer.SetLoadRoots(PageLoadRoots(*source.settings, request.look.templatePath,
                                        request.ProjectMode() ? request.record.GetFolder() : QString()));
    QImage picture;
    QString why;
    const bool rendered =
        renderer.Render(page.page, request.pageSize.width(), request.pageSize.height(), picture, &why);
    if (!page.sidebarImage.isEmpty())
        QFile::remove(page.sidebarImage);
    if (!rendered)
        return fail(QStringLiteral("The back page could not be drawn: %1").arg(why));
    return picture;
}

namespace {

QImage RenderPdfPage(QPdfDocument& document, int pageIndex, double dpi)
{
    const QSizeF points = document.pagePointSize(pageIndex);
    const QSize size(qRound(points.width() * dpi / 72.0), qRound(points.height() * dpi / 72.0));
    if (size.isEmpty())
        return QImage();
    const QImage rendered = document.render(pageIndex, size);
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

// The document reads its file as it renders, so the bytes go to a file of their own.
bool LoadPdf(const QByteArray& pdf, QTemporaryFile& file, QPdfDocument& document)
{
    return !pdf.isEmpty() && file.open() && file.write(pdf) == pdf.size() && file.flush() &&
           document.load(file.fileName()) == QPdfDocument::Error::None;
}

} // namespace

QImage RasterisePrintPage(const QByteArray& pdf, double dpi, int pageIndex)
{
    QTemporaryFile file;
    QPdfDocument document;
    if (!LoadPdf(pdf, file, document) || pageIndex < 0 || pageIndex >= document.pageCount())
        return QImage();
    return RenderPdfPage(document, pageIndex, dpi);
}

QList<QImage> RasterisePrintPages(const QByteArray& pdf, double dpi)
{
    QList<QImage> pages;
    QTemporaryFile file;
    QPdfDocument document;
    if (!LoadPdf(pdf, file, document))
        return pages;
    for (int i = 0; i < document.pageCount(); ++i) {
        const QImage page = RenderPdfPage(document, i, dpi);
        if (page.isNull())
            return {};
        pages.append(page);
    }
    return pages;
}
