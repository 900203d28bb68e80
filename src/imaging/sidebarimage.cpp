#include "imaging/sidebarimage.h"

#include "imaging/imagelibrary.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kLargestCaptionSize = 120;
constexpr int kCaptionMaxTextWidth = 912;
constexpr int kPaddingCellHeight = 88;

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

} // namespace

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
