// Writes the icon picture at each size into an icon-theme tree: <out>/<N>x<N>/<context>/<name>.png.
// With --document the picture is set on a sheet of paper with a folded corner: the icon of the
// program's project files.
// Usage: listora_iconsizes [--document] PICTURE OUTDIR NAME SIZE...
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstring>

namespace {

// A sheet in the letter proportions of a flyer, the program's picture in its middle.
QImage DocumentIcon(const QImage& picture, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal height = size * 0.94;
    const qreal width = height * 8.5 / 11.0;
    const QRectF sheet((size - width) / 2.0, (size - height) / 2.0, width, height);
    const qreal fold = width * 0.28;
    QPainterPath outline;
    outline.moveTo(sheet.topLeft());
    outline.lineTo(sheet.right() - fold, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + fold);
    outline.lineTo(sheet.bottomRight());
    outline.lineTo(sheet.bottomLeft());
    outline.closeSubpath();
    const qreal pen = qMax<qreal>(1.0, size / 48.0);
    painter.setPen(QPen(QColor(120, 128, 140), pen));
    painter.setBrush(QColor(252, 252, 250));
    painter.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(sheet.right() - fold, sheet.top());
    corner.lineTo(sheet.right() - fold, sheet.top() + fold);
    corner.lineTo(sheet.right(), sheet.top() + fold);
    corner.closeSubpath();
    painter.setBrush(QColor(214, 220, 228));
    painter.drawPath(corner);
    const int inner = qMax(1, int(width * 0.78));
    const QImage scaled = picture.scaled(inner, inner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(
        QPointF(sheet.center().x() - scaled.width() / 2.0, sheet.top() + height * 0.58 - scaled.height() / 2.0),
        scaled);
    return icon;
}

QImage AppIcon(const QImage& picture, int size)
{
    const QImage scaled = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // A picture that is not square sits centred on a transparent square.
    QImage square(size, size, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return square;
}

} // namespace

int main(int argc, char* argv[])
{
    int first = 1;
    const bool document = argc > 1 && std::strcmp(argv[1], "--document") == 0;
    if (document)
        ++first;
    if (argc - first < 4) {
        std::fprintf(stderr, "usage: %s [--document] PICTURE OUTDIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[first]));
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[first]);
        return 1;
    }
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QString outDir = QString::fromLocal8Bit(argv[first + 1]);
    const QString name = QString::fromLocal8Bit(argv[first + 2]);
    const QString context = document ? QStringLiteral("mimetypes") : QStringLiteral("apps");
    for (int n = first + 3; n < argc; ++n) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[n]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "bad size %s\n", argv[n]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/%3").arg(outDir).arg(size).arg(context);
        const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
        const QImage icon = document ? DocumentIcon(argb, size) : AppIcon(argb, size);
        if (!QDir().mkpath(dir) || !icon.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
