// Writes the icon picture at each size into an icon-theme tree: <out>/<N>x<N>/apps/<name>.png.
// Usage: listora_iconsizes PICTURE OUTDIR NAME SIZE...
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s PICTURE OUTDIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[1]));
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int n = 4; n < argc; ++n) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[n]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "bad size %s\n", argv[n]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
        const QImage scaled = argb.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // A picture that is not square sits centred on a transparent square.
        QImage square(size, size, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        {
            QPainter painter(&square);
            painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
        }
        if (!QDir().mkpath(dir) || !square.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
