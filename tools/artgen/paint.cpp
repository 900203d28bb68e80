#include "paint.h"

#include <QImageWriter>
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

namespace Art {

QImage NewImage(int width, int height, const QColor& fill)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void Antialias(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QColor Shade(const QColor& color, double amount)
{
    return amount >= 0 ? Mix(color, Qt::white, amount) : Mix(color, Qt::black, -amount);
}

QColor Mix(const QColor& a, const QColor& b, double t)
{
    auto lerp = [t](double x, double y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QColor WithAlpha(const QColor& color, int alpha)
{
    QColor c = color;
    c.setAlpha(alpha);
    return c;
}

void FillVertical(QPainter& p, const QRectF& rect, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(rect, g);
}

void FillVertical(QPainter& p, const QPainterPath& path, const QColor& top, const QColor& bottom)
{
    const QRectF r = path.boundingRect();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillPath(path, g);
}

void FillHorizontal(QPainter& p, const QRectF& rect, const QColor& left, const QColor& right)
{
    QLinearGradient g(rect.topLeft(), rect.topRight());
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    p.fillRect(rect, g);
}

void Glow(QPainter& p, const QPointF& centre, double radius, const QColor& colour)
{
    QRadialGradient g(centre, radius);
    g.setColorAt(0, colour);
    g.setColorAt(0.4, WithAlpha(colour, colour.alpha() / 2));
    g.setColorAt(1, WithAlpha(colour, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

void SoftShadow(QPainter& p, const QPainterPath& path, const QPointF& offset, double blur, int alpha)
{
    p.save();
    p.setPen(Qt::NoPen);
    const int steps = 8;
    for (int i = steps; i >= 1; --i) {
        const double grow = blur * i / steps;
        QPainterPathStroker stroker;
        stroker.setWidth(grow * 2);
        stroker.setJoinStyle(Qt::RoundJoin);
        const QPainterPath wide = stroker.createStroke(path).united(path).translated(offset);
        p.setBrush(QColor(0, 0, 0, alpha / steps));
        p.drawPath(wide);
    }
    p.restore();
}

QPainterPath RoundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

void Cloud(QPainter& p, Rng& rng, const QPointF& centre, double width, const QColor& colour)
{
    QPainterPath cloud;
    const int puffs = 7;
    for (int i = 0; i < puffs; ++i) {
        const double t = double(i) / (puffs - 1);
        const double x = centre.x() - width / 2 + t * width;
        const double r = width * (0.12 + 0.12 * std::sin(t * M_PI)) * rng.Uniform(0.85, 1.15);
        QPainterPath puff;
        puff.addEllipse(QPointF(x, centre.y() - r * 0.45), r, r);
        cloud = cloud.united(puff);
    }
    QPainterPath below;
    below.addRect(QRectF(centre.x() - width, centre.y(), width * 2, width));
    cloud = cloud.subtracted(below);
    // A softer, shaded belly under the puffs.
    QPainterPath belly;
    belly.addRoundedRect(QRectF(centre.x() - width * 0.5, centre.y() - width * 0.07, width, width * 0.07),
                         width * 0.035, width * 0.035);
    cloud = cloud.united(belly);
    p.setPen(Qt::NoPen);
    FillVertical(p, cloud, colour, Shade(WithAlpha(colour, colour.alpha()), -0.08));
}

void Tree(QPainter& p, Rng& rng, const QPointF& base, double height, const QColor& leaves)
{
    const double trunkW = height * 0.07;
    p.setPen(Qt::NoPen);
    QPainterPath trunk = Polygon({{base.x() - trunkW, base.y()},
                                  {base.x() - trunkW * 0.45, base.y() - height * 0.55},
                                  {base.x() + trunkW * 0.45, base.y() - height * 0.55},
                                  {base.x() + trunkW, base.y()}});
    FillVertical(p, trunk, QColor(0x6b, 0x4f, 0x3a), QColor(0x4a, 0x36, 0x28));

    const QPointF crown(base.x(), base.y() - height * 0.62);
    const double r = height * 0.36;
    struct Puff
    {
        QPointF c;
        double r;
    };
    QList<Puff> puffs;
    for (int i = 0; i < 14; ++i) {
        const double a = rng.Uniform(0, 2 * M_PI);
        const double d = rng.Uniform(0.1, 0.75) * r;
        puffs.append({crown + QPointF(std::cos(a) * d * 1.1, std::sin(a) * d * 0.85), r * rng.Uniform(0.38, 0.55)});
    }
    // Dark base, mid tones, then light on the upper left.
    for (const Puff& puff : puffs) {
        p.setBrush(Shade(leaves, -0.28));
        p.drawEllipse(puff.c + QPointF(puff.r * 0.12, puff.r * 0.15), puff.r, puff.r);
    }
    for (const Puff& puff : puffs) {
        QRadialGradient g(puff.c - QPointF(puff.r * 0.35, puff.r * 0.4), puff.r * 1.3);
        g.setColorAt(0, Shade(leaves, 0.18));
        g.setColorAt(0.6, leaves);
        g.setColorAt(1, Shade(leaves, -0.18));
        p.setBrush(g);
        p.drawEllipse(puff.c, puff.r * 0.92, puff.r * 0.92);
    }
}

void Conifer(QPainter& p, const QPointF& base, double height, const QColor& leaves)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x3f, 0x2e));
    p.drawRect(QRectF(base.x() - height * 0.03, base.y() - height * 0.12, height * 0.06, height * 0.12));
    const int tiers = 4;
    for (int i = 0; i < tiers; ++i) {
        const double bottom = base.y() - height * 0.08 - i * height * 0.2;
        const double w = height * (0.34 - i * 0.065);
        const double top = bottom - height * 0.38;
        QPainterPath tier = Polygon({{base.x() - w, bottom}, {base.x(), top}, {base.x() + w, bottom}});
        QLinearGradient g(QPointF(base.x() - w, 0), QPointF(base.x() + w, 0));
        g.setColorAt(0, Shade(leaves, 0.1));
        g.setColorAt(0.55, leaves);
        g.setColorAt(1, Shade(leaves, -0.3));
        p.setBrush(g);
        p.drawPath(tier);
    }
}

void Shrub(QPainter& p, Rng& rng, const QPointF& base, double width, double height, const QColor& leaves,
           const QColor& flowers)
{
    p.setPen(Qt::NoPen);
    const int puffs = std::max(3, int(width / (height * 0.6)));
    for (int i = 0; i < puffs; ++i) {
        const double t = puffs == 1 ? 0.5 : double(i) / (puffs - 1);
        const double x = base.x() - width / 2 + width * (0.15 + 0.7 * t);
        const double r = height * rng.Uniform(0.45, 0.6);
        const QPointF c(x, base.y() - r * 0.9);
        QRadialGradient g(c - QPointF(r * 0.3, r * 0.4), r * 1.4);
        g.setColorAt(0, Shade(leaves, 0.15));
        g.setColorAt(0.7, leaves);
        g.setColorAt(1, Shade(leaves, -0.25));
        p.setBrush(g);
        p.drawEllipse(c, r, r * 0.9);
    }
    if (flowers.isValid()) {
        for (int i = 0; i < int(width / 5); ++i) {
            const QPointF c(base.x() + rng.Uniform(-width * 0.42, width * 0.42),
                            base.y() - rng.Uniform(height * 0.25, height * 1.0));
            p.setBrush(Shade(flowers, rng.Uniform(-0.1, 0.25)));
            p.drawEllipse(c, height * 0.05, height * 0.05);
        }
    }
}

void Window(QPainter& p, const QRectF& rect, const QColor& frame, int columns, int rows, bool lit)
{
    p.save();
    p.setPen(Qt::NoPen);
    const double f = std::max(3.0, rect.width() * 0.07);
    p.setBrush(frame);
    p.drawRect(rect);
    const QRectF glass = rect.adjusted(f, f, -f, -f);
    if (lit) {
        FillVertical(p, glass, QColor(0xff, 0xd9, 0x8e), QColor(0xf2, 0xa6, 0x4b));
    } else {
        FillVertical(p, glass, QColor(0x9c, 0xc3, 0xe0), QColor(0x3f, 0x66, 0x8a));
        // A diagonal reflection of the sky.
        QPainterPath sheen = Polygon({glass.topLeft() + QPointF(glass.width() * 0.15, 0),
                                      glass.topLeft() + QPointF(glass.width() * 0.45, 0),
                                      glass.bottomLeft() + QPointF(glass.width() * 0.05, -glass.height() * 0.25),
                                      glass.bottomLeft() + QPointF(-glass.width() * 0.25, -glass.height() * 0.25)});
        p.setClipRect(glass);
        p.fillPath(sheen, QColor(255, 255, 255, 55));
        p.setClipping(false);
    }
    const double m = std::max(1.5, f * 0.45);
    p.setBrush(frame);
    for (int c = 1; c < columns; ++c)
        p.drawRect(QRectF(glass.left() + glass.width() * c / columns - m / 2, glass.top(), m, glass.height()));
    for (int r = 1; r < rows; ++r)
        p.drawRect(QRectF(glass.left(), glass.top() + glass.height() * r / rows - m / 2, glass.width(), m));
    // Sill.
    p.setBrush(Shade(frame, -0.08));
    p.drawRect(QRectF(rect.left() - f * 0.6, rect.bottom(), rect.width() + f * 1.2, f * 0.9));
    p.restore();
}

bool Save(const QImage& image, const QString& path, const char* format, int quality)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    const QImage out = (QByteArray(format) == "jpg" || QByteArray(format) == "jpeg")
                           ? image.convertToFormat(QImage::Format_RGB32)
                           : image.convertToFormat(QImage::Format_ARGB32);
    if (!writer.write(out)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace Art
