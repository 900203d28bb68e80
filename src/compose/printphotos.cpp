#include "compose/printphotos.h"

#include "settings/workingfolders.h"
#include "compose/loadpolicy.h"
#include "compose/templatemerge.h"
#include "imaging/imagelibrary.h"
#include "imaging/imagescaler.h"
#include "imaging/photointake.h"
#include "imaging/scaledjpeg.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMutex>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcPrintPhotos, "listora.compose.printphotos", QtWarningMsg)

namespace {

// Print copies are photos on paper: quality 92 keeps them free of visible artefacts at a third
// of the size quality 100 gives, which keeps a four-photo PDF small enough to mail.
constexpr int kPrintCopyQuality = 92;
// The decoder's picture is at least this much larger than the copy: a reduction by only a few per
// cent samples between pixels and softens the copy, where a clear reduction averages them.
constexpr double kDecodeHeadroom = 1.2;
// Bumped when the way copies are made changes, so older copies are not taken for new ones.
constexpr int kPrintCopyVersion = 1;

const QString kSlotMark = QStringLiteral("#listora-slot-");

} // namespace

QList<CXPictureBox> ParsePictureLayout(const QByteArray& json)
{
    QList<CXPictureBox> boxes;
    const QJsonArray entries = QJsonDocument::fromJson(json).array();
    for (const QJsonValue& value : entries) {
        if (!value.isObject())
            continue;
        const QJsonObject entry = value.toObject();
        const QRectF box(entry.value(QLatin1String("x")).toDouble(), entry.value(QLatin1String("y")).toDouble(),
                         entry.value(QLatin1String("w")).toDouble(), entry.value(QLatin1String("h")).toDouble());
        if (!(box.width() > 0) || !(box.height() > 0))
            continue;
        CXPictureBox picture;
        picture.url = entry.value(QLatin1String("src")).toString();
        picture.box = box;
        picture.fit = entry.value(QLatin1String("fit")).toString();
        picture.shown = entry.value(QLatin1String("shown")).toBool(true);
        boxes.append(picture);
    }
    return boxes;
}

CXPrintCopyPlan PlanPrintCopy(const QSize& source, const QSizeF& boxCssPixels, const QString& fit)
{
    CXPrintCopyPlan plan;
    plan.boxInches = boxCssPixels / kCssPixelsPerInch;
    plan.crop = QRect(QPoint(0, 0), source);
    plan.size = source;
    if (source.isEmpty() || boxCssPixels.isEmpty())
        return plan;

    const double sw = source.width();
    const double sh = source.height();
    const double bw = boxCssPixels.width();
    const double bh = boxCssPixels.height();
    double visibleW = sw;
    double visibleH = sh;
    double cssPerPixel = 0; // page pixels per source pixel along the coarser axis
    if (fit == QLatin1String("cover")) {
        // Scaled until it covers the box, centred, the overflow cut: only the middle part prints.
        cssPerPixel = std::max(bw / sw, bh / sh);
        visibleW = std::min(sw, bw / cssPerPixel);
        visibleH = std::min(sh, bh / cssPerPixel);
    } else if (fit == QLatin1String("contain") || fit == QLatin1String("scale-down")) {
        cssPerPixel = std::min(bw / sw, bh / sh);
        if (fit == QLatin1String("scale-down"))
            cssPerPixel = std::min(cssPerPixel, 1.0);
    } else if (fit == QLatin1String("none")) {
        cssPerPixel = 1.0;
        visibleW = std::min(sw, bw);
        visibleH = std::min(sh, bh);
    } else {
        // fill: stretched to the box; the axis that is stretched more prints coarser.
        cssPerPixel = std::max(bw / sw, bh / sh);
    }
    const int cropW = std::clamp(int(std::lround(visibleW)), 1, source.width());
    const int cropH = std::clamp(int(std::lround(visibleH)), 1, source.height());
    plan.crop = QRect((source.width() - cropW) / 2, (source.height() - cropH) / 2, cropW, cropH);
    plan.ppi = kCssPixelsPerInch / cssPerPixel;

    // The engine places a box on whole device pixels, so it may print up to a pixel smaller than
    // laid out; the copy is sized for that box, so it never prints finer than kPrintPpi.
    const double snap = std::min(std::max(bw - 1, 1.0) / bw, std::max(bh - 1, 1.0) / bh);
    const double reduce = std::min(1.0, kPrintPpi / plan.ppi * snap);
    plan.size = QSize(std::max(1, int(std::floor(cropW * reduce))), std::max(1, int(std::floor(cropH * reduce))));
    return plan;
}

std::array<CXPhotoSlot, 4> FlyerPhotoSlots(bool projectMode, const CFlyerData& flyer, const CAppSettings& settings)
{
    std::array<CXPhotoSlot, 4> slots;
    for (int i = 0; i < 4; ++i) {
        CXPhotoSlot& slot = slots[size_t(i)];
        slot.slot = i + 1;
        if (!projectMode) {
            slot.screen = QDir(settings.Path2SampleData).filePath(CPreviewData::Get().photos[size_t(i)]);
            slot.original = slot.screen;
            continue;
        }
        slot.screen = flyer.m_photos[size_t(i)].m_strPath;
        if (!slot.screen.isEmpty())
            slot.original = OriginalOfPhoto(slot.screen, i + 1);
    }
    return slots;
}

CXFindings CheckFlyerPhotos(const std::array<CXPhotoSlot, 4>& slots, const CXPageLoadPolicy& policy, bool originals)
{
    CXFindings findings;
    for (const CXPhotoSlot& slot : slots) {
        if (slot.screen.isEmpty())
            continue;
        QStringList files{slot.screen};
        if (originals && !slot.original.isEmpty() && slot.original != slot.screen)
            files.append(slot.original);
        for (const QString& file : std::as_const(files)) {
            // A photo the project names but that is gone is the slot left empty, as it always was.
            if (!QFileInfo::exists(file))
                continue;
            const QString name = QStringLiteral("Photo %1 (%2)").arg(slot.slot).arg(QDir::toNativeSeparators(file));
            CXFinding finding;
            finding.field = QStringLiteral("photo%1").arg(slot.slot);
            if (!policy.MayReadPicture(file)) {
                finding.rule = QLatin1String(kRulePhotoOutside);
                finding.message = PictureOutsideText(name);
            } else {
                finding.rule = QLatin1String(kRulePhotoDamaged);
                finding.message = CheckPictureFile(file, name);
                if (finding.message.isEmpty())
                    continue;
            }
            findings.append(finding);
            break;
        }
    }
    return findings;
}

CXFindings CheckProjectPhotos(bool projectMode, const CFlyerData& flyer, const CAppSettings& settings,
                              const QString& templatePath, bool originals)
{
    if (!projectMode)
        return {};
    CXPageLoadPolicy policy;
    policy.SetRoots(PageLoadRoots(settings, templatePath, flyer.GetFolder()));
    return CheckFlyerPhotos(FlyerPhotoSlots(true, flyer, settings), policy, originals);
}

QString SlotMarkedUrl(const QString& file, int slot)
{
    return ToFileUrl(file) + kSlotMark + QString::number(slot);
}

int SlotOfUrl(const QString& url)
{
    static const QRegularExpression pattern(QStringLiteral("#listora-slot-([1-6])(-cut)?$"));
    const QRegularExpressionMatch match = pattern.match(url);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

bool FindSlotBox(const QList<CXPictureBox>& boxes, int slot, CXPictureBox& found)
{
    bool any = false;
    for (const CXPictureBox& box : boxes) {
        if (!box.shown || SlotOfUrl(box.url) != slot)
            continue;
        const double area = box.box.width() * box.box.height();
        if (!any || area > found.box.width() * found.box.height()) {
            found = box;
            any = true;
        }
    }
    return any;
}

QString PrintCopyFolder()
{
    return QDir::cleanPath(WorkingFolders::UserCacheRoot() + QStringLiteral("/Print"));
}

QString MakePrintCopy(const QString& original, const CXPrintCopyPlan& plan, const QString& folder, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        qCWarning(lcPrintPhotos) << text;
        return QString();
    };
    const QFileInfo info(original);
    if (!info.isFile())
        return fail(QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(original)));

    // A changed original (new photo chosen, file replaced) has another size or time, so another copy.
    const QString key = QStringLiteral("%1|%2|%3|%4,%5,%6,%7|%8x%9|v%10")
                            .arg(info.absoluteFilePath())
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(plan.crop.x())
                            .arg(plan.crop.y())
                            .arg(plan.crop.width())
                            .arg(plan.crop.height())
                            .arg(plan.size.width())
                            .arg(plan.size.height())
                            .arg(kPrintCopyVersion);
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(24);
    // A PNG (a logo) keeps its transparency: it is drawn over the theme's colours, not on white.
    const bool keepAlpha = GetImageType(original) == kImageTypePng;
    const QString path = QDir(folder).filePath(
        QStringLiteral("print-%1.%2")
            .arg(QString::fromLatin1(hash), keepAlpha ? QStringLiteral("png") : QStringLiteral("jpg")));

    // Two flyers of one project may be made at once (batch); one makes the copy, the other finds it.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
    // Also a folder made by an older version, whose copies other users could read.
    constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
    QFile::setPermissions(folder, kOwnerOnly | QFile::ExeOwner);
    const QFileInfo existing(path);
    if (existing.isFile() && existing.size() > 0) {
        QFile::setPermissions(path, kOwnerOnly);
        return path;
    }

    QString why;
    QRect crop = plan.crop;
    // A JPEG is decoded only as large as the copy needs and only where the crop lies; anything
    // else (another format, a file the scaled decoder refuses) takes the general reader.
    const QSize decodeAtLeast = (QSizeF(plan.size) * kDecodeHeadroom).toSize();
    const ScaledJpeg scaled = DecodeJpegScaled(original, decodeAtLeast, plan.crop);
    QImage image = scaled.image;
    QSize source = scaled.sourceSize;
    if (!image.isNull()) {
        crop = image.rect();
    } else {
        image = LoadImageFile(original, &why);
        if (image.isNull())
            return fail(why);
        source = image.size();
    }
    if (!QRect(QPoint(0, 0), source).contains(plan.crop))
        return fail(QStringLiteral("%1 is smaller than measured").arg(QDir::toNativeSeparators(original)));
    if (crop != image.rect())
        image = image.copy(crop);
    if (image.hasAlphaChannel() && !keepAlpha) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    if (image.size() != plan.size)
        image = ScaleBicubic(image, plan.size);
    if (image.isNull())
        return fail(QStringLiteral("not enough memory to reduce %1").arg(QDir::toNativeSeparators(original)));
    // The copy's resolution on paper, for whoever opens it in another program.
    const int dotsPerMeter = int(std::lround(std::min(plan.ppi, kPrintPpi) / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);

    if (!WriteImageFile(image, path, keepAlpha ? "png" : "jpeg", keepAlpha ? -1 : kPrintCopyQuality, &why))
        return fail(QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), why));
    QFile::setPermissions(path, kOwnerOnly);
    return path;
}

CXPreflightEntry PreflightFor(int slot, const QSize& source, const CXPictureBox& box)
{
    const CXPrintCopyPlan plan = PlanPrintCopy(source, box.box.size(), box.fit);
    CXPreflightEntry entry;
    entry.slot = slot;
    entry.source = source;
    entry.boxInches = plan.boxInches;
    entry.ppi = plan.ppi;
    entry.ok = plan.ppi >= kPreflightPpi;
    return entry;
}

QString OriginalOfPhoto(const QString& photo, int slot)
{
    const QFileInfo info(photo);
    if (info.fileName().compare(ReducedPhotoName(slot), Qt::CaseInsensitive) != 0)
        return photo;
    const QString original = info.dir().filePath(OriginalPhotoName(slot));
    return QFileInfo(original).isFile() ? original : photo;
}

QString SlotName(int slot)
{
    return slot == kPictureSlot ? QStringLiteral("picture")
           : slot == kLogoSlot  ? QStringLiteral("logo")
                                : QString::number(slot);
}

QString SlotWords(int slot)
{
    return slot == kPictureSlot ? QStringLiteral("Your picture")
           : slot == kLogoSlot  ? QStringLiteral("Your logo")
                                : QStringLiteral("Photo %1").arg(slot);
}

QString PreflightNote(const CXPreflightEntry& entry)
{
    return QStringLiteral("Prints at %1 ppi in this theme: small for print.").arg(qRound(entry.ppi));
}

QString PreflightQuestion(const QList<CXPreflightEntry>& entries, const QString& question)
{
    QStringList lines;
    for (const CXPreflightEntry& entry : entries) {
        if (!entry.ok)
            lines.append(QStringLiteral("%1 will print at %2 ppi").arg(SlotWords(entry.slot)).arg(qRound(entry.ppi)));
    }
    if (lines.isEmpty())
        return QString();
    return lines.join(QStringLiteral(",\n")) +
           QStringLiteral(".\n\nPhotos under %1 ppi look soft on paper; choosing a larger original for %2 "
                          "mends that.\n\n%3")
               .arg(int(kPreflightPpi))
               .arg(lines.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"), question);
}
