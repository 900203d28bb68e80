#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <random>

// Small drawing helpers shared by the pictures. Every picture is drawn from a fixed seed, so a
// run gives the same files again.
namespace Art {

class Rng
{
public:
    explicit Rng(unsigned seed) : m_engine(seed) {}
    double Uniform(double lo, double hi)
    {
        // Own mapping instead of std::uniform_real_distribution, whose output differs between libraries.
        const double unit =
            double(m_engine() - std::mt19937::min()) / double(std::mt19937::max() - std::mt19937::min());
        return lo + (hi - lo) * unit;
    }
    int Int(int lo, int hi) { return lo + int(Uniform(0, 1) * (hi - lo + 1) - 1e-9); }

private:
    std::mt19937 m_engine;
};

QImage NewImage(int width, int height, const QColor& fill = Qt::transparent);
void Antialias(QPainter& p);

// A colour made lighter (amount > 0) or darker (amount < 0) by mixing with white or black.
QColor Shade(const QColor& color, double amount);
QColor Mix(const QColor& a, const QColor& b, double t);
QColor WithAlpha(const QColor& color, int alpha);

void FillVertical(QPainter& p, const QRectF& rect, const QColor& top, const QColor& bottom);
void FillVertical(QPainter& p, const QPainterPath& path, const QColor& top, const QColor& bottom);
void FillHorizontal(QPainter& p, const QRectF& rect, const QColor& left, const QColor& right);
// A round glow fading to nothing at its radius.
void Glow(QPainter& p, const QPointF& centre, double radius, const QColor& colour);
// A soft shadow: the path drawn several times, growing and fading.
void SoftShadow(QPainter& p, const QPainterPath& path, const QPointF& offset, double blur, int alpha);

QPainterPath RoundedRect(const QRectF& rect, double radius);
QPainterPath Polygon(std::initializer_list<QPointF> points);

// A cloud of overlapping circles with a flat bottom.
void Cloud(QPainter& p, Rng& rng, const QPointF& centre, double width, const QColor& colour);
// A round-topped deciduous tree: trunk, then clusters of foliage, lit from the upper left.
void Tree(QPainter& p, Rng& rng, const QPointF& base, double height, const QColor& leaves);
// A pointed conifer of stacked tiers.
void Conifer(QPainter& p, const QPointF& base, double height, const QColor& leaves);
// A rounded shrub sitting on the ground at base.
void Shrub(QPainter& p, Rng& rng, const QPointF& base, double width, double height, const QColor& leaves,
           const QColor& flowers = QColor());
// A window pane with frame, muntins and a sky reflection.
void Window(QPainter& p, const QRectF& rect, const QColor& frame, int columns, int rows, bool lit = false);

// The output goes through QImageWriter; false with a message on failure.
bool Save(const QImage& image, const QString& path, const char* format, int quality = -1);

} // namespace Art
