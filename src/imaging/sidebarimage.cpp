#include "imaging/sidebarimage.h"

#include "imaging/imagelibrary.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QHash>
#include <QMutex>
#include <QScopeGuard>

#include <cmath>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace {

constexpr int kLargestCaptionSize = 120;
constexpr int kCaptionMaxTextWidth = 912;
constexpr int kPaddingCellHeight = 88;

std::optional<WinMetrics> CachedWinMetrics(const QString& family);

class QtCaptionFontMetrics final : public CaptionFontMetrics
{
public:
    QSize BoldTextExtent(const QString& text, const QString& family, int pixelSize) const override
    {
        QFont font(family);
        font.setStyleStrategy(QFont::PreferOutline);
        font.setWeight(QFont::Bold);
        font.setPixelSize(pixelSize);
        const QFontMetrics fm(font);
        return QSize(fm.horizontalAdvance(text), fm.ascent() + fm.descent());
    }

    int LeadingPlusDescent(const QString& family, int cellHeight) const override
    {
        const std::optional<WinMetrics> win = CachedWinMetrics(family);
        if (win)
            return WinLeadingPlusDescent(*win, cellHeight);
        return QtLeadingPlusDescent(family, cellHeight);
    }

private:
    // Faces without an sfnt header (Type 1) have no Windows metrics; Qt's own measure stands in.
    static int QtLeadingPlusDescent(const QString& family, int cellHeight)
    {
        // Measured at a large size so the proportions carry no rounding, then scaled to the em that
        // gives the requested cell.
        constexpr int kProbe = 1000;
        QFont font(family);
        font.setStyleStrategy(QFont::PreferOutline);
        font.setPixelSize(kProbe);
        const QFontMetricsF fm(font);
        const qreal cell = fm.ascent() + fm.descent();
        if (cell <= 0)
            return 0;
        const qreal em = cellHeight * kProbe / cell;
        const qreal internalLeading = cellHeight - em;
        const qreal descent = fm.descent() * em / kProbe;
        return qRound(internalLeading) + qRound(descent);
    }
};

std::optional<WinMetrics> CachedWinMetrics(const QString& family)
{
    static QMutex mutex;
    static QHash<QString, std::optional<WinMetrics>> cache;
    const QMutexLocker lock(&mutex);
    const auto found = cache.constFind(family);
    if (found != cache.cend())
        return *found;
    const std::optional<WinMetrics> metrics = ReadWinMetrics(family);
    cache.insert(family, metrics);
    return metrics;
}

} // namespace

std::optional<WinMetrics> ReadWinMetrics(const QString& family)
{
    // The face fontconfig picks for the family in its regular style, aliases included (Arial is
    // drawn with Liberation Sans and measures like it).
    FcPattern* pattern = FcPatternCreate();
    const QByteArray utf8 = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return std::nullopt;
    QByteArray file;
    int index = 0;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternDestroy(match);
    if (file.isEmpty())
        return std::nullopt;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return std::nullopt;
    const auto done = qScopeGuard([&] { FT_Done_FreeType(library); });
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.constData(), index, &face) != 0)
        return std::nullopt;
    const auto closeFace = qScopeGuard([&] { FT_Done_Face(face); });
    if (!FT_IS_SFNT(face) || face->units_per_EM == 0)
        return std::nullopt;
    WinMetrics metrics;
    metrics.unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        metrics.ascent = os2->usWinAscent;
        metrics.descent = os2->usWinDescent;
        return metrics;
    }
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (!hhea || hhea->Ascender - hhea->Descender <= 0)
        return std::nullopt;
    metrics.ascent = hhea->Ascender;
    metrics.descent = -hhea->Descender;
    return metrics;
}

int WinLeadingPlusDescent(const WinMetrics& metrics, int cellHeight)
{
    // A font asked for by cell height: the cell is ascent plus descent, each rounded at the scale that
    // gives it; the internal leading is what the cell holds beyond the em.
    const int cell = metrics.ascent + metrics.descent;
    if (cell <= 0)
        return 0;
    const double scale = double(cellHeight) / cell;
    const int ascent = int(std::lround(metrics.ascent * scale));
    const int descent = int(std::lround(metrics.descent * scale));
    const int em = int(std::lround(metrics.unitsPerEm * scale));
    return (ascent + descent - em) + descent;
}

const CaptionFontMetrics& SystemCaptionFontMetrics()
{
    static const QtCaptionFontMetrics metrics;
    return metrics;
}

int FitCaptionFontSize(const QString& text, const QString& family, const CaptionFontMetrics& metrics)
{
    int size = kLargestCaptionSize;
    for (; size > 1; --size) {
        const QSize extent = metrics.BoldTextExtent(text, family, size);
        if (extent.width() <= kCaptionMaxTextWidth && extent.height() < kSidebarHeight)
            break;
    }
    return std::max(size - 1, 1);
}

int CaptionTopPaddingFor(int s)
{
    const int padding = s < 22 ? 10 : s / 2;
    return std::min(padding, 18);
}

QString GetCaptionTopPadding(const QString& family, const CaptionFontMetrics& metrics)
{
    return QStringLiteral("%1px").arg(CaptionTopPaddingFor(metrics.LeadingPlusDescent(family, kPaddingCellHeight)));
}

QFont CaptionFont(const QString& family, int pixelSize)
{
    bool bold = false, regular = false, boldItalic = false, italic = false;
    const QStringList styles = QFontDatabase::styles(family);
    for (const QString& style : styles) {
        const bool isBold = QFontDatabase::weight(family, style) >= QFont::Bold;
        const bool isItalic = QFontDatabase::italic(family, style);
        bold |= isBold && !isItalic;
        regular |= !isBold && !isItalic;
        boldItalic |= isBold && isItalic;
        italic |= !isBold && isItalic;
    }
    QFont font(family);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setPixelSize(pixelSize);
    if (bold || (!regular && !boldItalic && !italic)) {
        font.setWeight(QFont::Bold);
    } else if (!regular) {
        font.setWeight(boldItalic ? QFont::Bold : QFont::Normal);
        font.setItalic(true);
    }
    return font;
}

QString CreateSidebarImage(const QString& text, bool outlined, const QString& family, const QString& tempFolder,
                           QString* error, const CaptionFontMetrics& metrics)
{
    QImage canvas(kSidebarWidth, kSidebarHeight, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    const QFont font = CaptionFont(family, FitCaptionFontSize(text, family, metrics));
    {
        QPainter painter(&canvas);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        const QRect layout(0, 0, kSidebarWidth, kSidebarHeight);
        if (!outlined) {
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(layout, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
        } else {
            const QFontMetricsF fm(font);
            const qreal baseline = (kSidebarHeight - (fm.ascent() + fm.descent())) / 2 + fm.ascent();
            QString line = text;
            line.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
            QPainterPath path;
            path.addText(0, baseline, font, line);
            QPen pen(Qt::black, 2.0);
            pen.setJoinStyle(Qt::MiterJoin);
            painter.strokePath(path, pen);
            painter.fillPath(path, Qt::white);
        }
    }
    // A quarter turn to the left: the text then reads from bottom to top.
    QImage rotated = canvas.transformed(QTransform().rotate(270)).convertToFormat(QImage::Format_ARGB32);
    // Invisible pixels stay white, as the picture was filled, rather than the black premultiplied
    // storage leaves them.
    for (int y = 0; y < rotated.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(rotated.scanLine(y));
        for (int x = 0; x < rotated.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                line[x] = qRgba(255, 255, 255, 0);
        }
    }

    const QString path = MakeTempPhotoName(tempFolder);
    QByteArray format;
    GetEncoderClsid(GetMimeType(GetImageType(path)), &format);
    // Read by the renderer at once and gone with the temporary folder: complete, but not synced.
    if (!WriteImageFile(rotated, path, format, -1, error, CXFileWriter::Durability::Scratch))
        return path;
    if (error)
        error->clear();
    return path;
}
