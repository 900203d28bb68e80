#include "artgen.h"
#include "paint.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

using namespace Art;

namespace {

constexpr int W = 1500;
constexpr int H = 1000;

void Sky(QPainter& p, const QColor& top, const QColor& horizon, double horizonY)
{
    FillVertical(p, QRectF(0, 0, W, horizonY), top, horizon);
}

void Hills(QPainter& p, double baseY, double amplitude, double phase, const QColor& top, const QColor& bottom)
{
    QPainterPath hill;
    hill.moveTo(0, H);
    for (int x = 0; x <= W; x += 10)
        hill.lineTo(x, baseY - amplitude * (0.6 * std::sin(x / 260.0 + phase) + 0.4 * std::sin(x / 97.0 + phase * 2)));
    hill.lineTo(W, H);
    hill.closeSubpath();
    FillVertical(p, hill, top, bottom);
}

// Lap siding: a wall colour with a darker line under every board.
void Siding(QPainter& p, const QRectF& rect, const QColor& wall, double board)
{
    FillVertical(p, rect, Shade(wall, 0.05), Shade(wall, -0.04));
    p.save();
    p.setClipRect(rect);
    for (double y = rect.top() + board; y < rect.bottom(); y += board) {
        p.fillRect(QRectF(rect.left(), y - 1.5, rect.width(), 1.5), Shade(wall, -0.13));
        p.fillRect(QRectF(rect.left(), y, rect.width(), 1), Shade(wall, 0.12));
    }
    p.restore();
}

// Rows of shingles over a roof shape.
void Shingles(QPainter& p, const QPainterPath& roof, const QColor& colour, double row, Rng& rng)
{
    p.save();
    FillVertical(p, roof, Shade(colour, 0.08), Shade(colour, -0.1));
    p.setClipPath(roof);
    const QRectF r = roof.boundingRect();
    int n = 0;
    for (double y = r.top() + row; y < r.bottom(); y += row, ++n) {
        p.fillRect(QRectF(r.left(), y - 2, r.width(), 2), Shade(colour, -0.25));
        const double offset = (n % 2) * row * 0.8;
        for (double x = r.left() - offset; x < r.right(); x += row * 1.6) {
            p.fillRect(QRectF(x, y - row, 1.5, row - 2), Shade(colour, -0.2));
            p.fillRect(QRectF(x + 2, y - row, row * 1.6 - 4, row - 3), Shade(colour, rng.Uniform(-0.05, 0.06)));
        }
    }
    p.restore();
}

void Door(QPainter& p, const QRectF& rect, const QColor& colour)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.fillRect(rect.adjusted(-8, -8, 8, 0), QColor(0xf7, 0xf5, 0xef));
    FillVertical(p, rect, Shade(colour, 0.06), Shade(colour, -0.12));
    const double w = rect.width();
    // Small glass panes at the top, two raised panels below.
    for (int i = 0; i < 3; ++i) {
        const QRectF pane(rect.left() + w * (0.14 + i * 0.25), rect.top() + rect.height() * 0.08, w * 0.2,
                          rect.height() * 0.14);
        FillVertical(p, pane, QColor(0xc9, 0xe0, 0xef), QColor(0x6d, 0x93, 0xb3));
    }
    for (int i = 0; i < 2; ++i) {
        const QRectF panel(rect.left() + w * (0.14 + i * 0.38), rect.top() + rect.height() * 0.32, w * 0.34,
                           rect.height() * 0.56);
        p.fillRect(panel, Shade(colour, -0.16));
        p.fillRect(panel.adjusted(3, 3, -3, -3), Shade(colour, 0.04));
    }
    p.setBrush(QColor(0xd9, 0xb2, 0x5c));
    p.drawEllipse(QPointF(rect.right() - w * 0.12, rect.top() + rect.height() * 0.58), w * 0.045, w * 0.045);
    p.restore();
}

void Shutters(QPainter& p, const QRectF& window, const QColor& colour)
{
    const double w = window.width() * 0.38;
    for (const double x : {window.left() - w - 4, window.right() + 4}) {
        const QRectF s(x, window.top(), w, window.height());
        p.fillRect(s, colour);
        for (double y = s.top() + 6; y < s.bottom() - 4; y += 7)
            p.fillRect(QRectF(s.left() + 3, y, s.width() - 6, 2), Shade(colour, -0.25));
    }
}

void Flowers(QPainter& p, Rng& rng, const QRectF& bed, const QList<QColor>& colours, int count)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF c(rng.Uniform(bed.left(), bed.right()), rng.Uniform(bed.top(), bed.bottom()));
        const QColor colour = colours.at(rng.Int(0, int(colours.size()) - 1));
        const double r = rng.Uniform(2.5, 5);
        p.setBrush(Shade(colour, rng.Uniform(-0.1, 0.2)));
        p.drawEllipse(c, r, r);
    }
}

// A painted two-storey family house on a summer day.
QImage FrontExterior()
{
    QImage image = NewImage(W, H, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);
    Rng rng(101);

    const double ground = 700;
    Sky(p, QColor(0x4f, 0x8f, 0xcf), QColor(0xd4, 0xea, 0xf7), ground);
    Glow(p, QPointF(1280, 120), 420, QColor(255, 250, 225, 150));
    for (const auto& [x, y, w] :
         {std::tuple{260.0, 150.0, 300.0}, {760.0, 95.0, 220.0}, {1180.0, 210.0, 260.0}, {520.0, 260.0, 180.0}})
        Cloud(p, rng, QPointF(x, y), w, QColor(255, 255, 255, 235));
    Hills(p, 560, 26, 0.4, QColor(0x9c, 0xbf, 0xae), QColor(0x86, 0xad, 0x98));
    Hills(p, 610, 18, 1.7, QColor(0x7a, 0xa5, 0x6f), QColor(0x5f, 0x8f, 0x57));

    // Trees behind the house.
    for (int i = 0; i < 9; ++i)
        Tree(p, rng, QPointF(120 + i * 160 + rng.Uniform(-30, 30), ground - 20), rng.Uniform(260, 330),
             QColor(0x4d, 0x7f, 0x45));

    // Lawn with mowing stripes.
    FillVertical(p, QRectF(0, ground - 30, W, H - ground + 30), QColor(0x8c, 0xc0, 0x63), QColor(0x5a, 0x96, 0x3d));
    for (int i = -8; i < 20; ++i) {
        QPainterPath stripe = Polygon(
            {{i * 120.0, H}, {i * 120.0 + 60, H}, {750 + i * 26.0, ground - 30}, {750 + i * 26.0 - 13, ground - 30}});
        if (i % 2 == 0)
            p.fillPath(stripe, QColor(255, 255, 255, 10));
    }

    // Driveway and path.
    FillVertical(p, Polygon({{1110, 722}, {1330, 722}, {1500, 880}, {1500, H}, {1180, H}}), QColor(0xc4, 0xc4, 0xc0),
                 QColor(0x9d, 0x9d, 0x98));
    QPainterPath walk = Polygon({{700, 722}, {800, 722}, {860, H}, {640, H}});
    FillVertical(p, walk, QColor(0xe3, 0xd7, 0xc2), QColor(0xc8, 0xb8, 0x9c));
    p.save();
    p.setClipPath(walk);
    for (double y = 740; y < H; y += 18 + (y - 722) * 0.12)
        p.fillRect(QRectF(600, y, 300, 2), QColor(0xa8, 0x98, 0x7d));
    p.restore();

    // Shadow of the house on the lawn.
    SoftShadow(p, RoundedRect(QRectF(400, 700, 960, 30), 10), QPointF(12, 6), 18, 90);

    // Garage wing.
    const QColor wall(0xe8, 0xdf, 0xcb);
    const QColor trim(0xfb, 0xfa, 0xf6);
    const QColor roof(0x4c, 0x55, 0x63);
    Siding(p, QRectF(1080, 520, 250, 200), wall, 13);
    Shingles(p, Polygon({{1060, 525}, {1350, 525}, {1300, 450}, {1100, 450}}), roof, 16, rng);
    p.fillRect(QRectF(1055, 520, 300, 9), trim);
    {
        const QRectF door(1110, 575, 190, 145);
        p.fillRect(door.adjusted(-7, -7, 7, 0), trim);
        FillVertical(p, door, QColor(0xf4, 0xf1, 0xe9), QColor(0xdc, 0xd6, 0xc9));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const QRectF panel(door.left() + 8 + c * 45.5, door.top() + 8 + r * 34.5, 38, 27);
                p.fillRect(panel, QColor(0xe0, 0xda, 0xcc));
                p.fillRect(panel.adjusted(2, 2, -2, -2), QColor(0xf2, 0xee, 0xe4));
            }
    }

    // Main house: two storeys with a front gable.
    const QRectF body(420, 400, 660, 320);
    Siding(p, body, wall, 13);
    Shingles(p, Polygon({{395, 408}, {1105, 408}, {985, 262}, {515, 262}}), roof, 18, rng);
    // Chimney.
    {
        const QRectF chimney(540, 196, 48, 110);
        FillHorizontal(p, chimney, QColor(0xa4, 0x5a, 0x45), QColor(0x86, 0x46, 0x36));
        for (double y = chimney.top() + 9; y < chimney.bottom(); y += 9)
            p.fillRect(QRectF(chimney.left(), y, chimney.width(), 1.5), QColor(0xc9, 0xb6, 0xa5));
        p.fillRect(QRectF(532, 188, 64, 12), QColor(0x6e, 0x6a, 0x66));
    }
    // Front gable with shingle siding.
    QPainterPath gable = Polygon({{620, 408}, {880, 408}, {750, 300}});
    p.fillPath(gable, Shade(wall, -0.04));
    p.save();
    p.setClipPath(gable);
    for (double y = 312; y < 408; y += 10)
        for (double x = 620 + std::fmod(y, 20.0); x < 880; x += 20)
            p.fillRect(QRectF(x, y, 1.2, 9), Shade(wall, -0.15));
    p.restore();
    QPainterPath gableRoof;
    gableRoof.moveTo(598, 414);
    gableRoof.lineTo(750, 286);
    gableRoof.lineTo(902, 414);
    p.setPen(QPen(trim, 12, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(gableRoof);
    p.setPen(Qt::NoPen);
    Window(p, QRectF(718, 340, 64, 50), trim, 2, 1);
    // Eave shadow and fascia.
    FillVertical(p, QRectF(420, 408, 660, 22), QColor(0, 0, 0, 60), QColor(0, 0, 0, 0));
    p.fillRect(QRectF(395, 404, 710, 8), trim);
    // Corner boards.
    p.fillRect(QRectF(420, 408, 10, 312), trim);
    p.fillRect(QRectF(1070, 408, 10, 312), trim);
    p.fillRect(QRectF(420, 556, 660, 8), trim);

    const QColor shutter(0x33, 0x4d, 0x5c);
    for (const double x : {480.0, 620.0, 820.0, 960.0}) {
        const QRectF w(x, 440, 62, 92);
        Shutters(p, w, shutter);
        Window(p, w, trim, 2, 3);
    }
    for (const double x : {482.0, 900.0}) {
        const QRectF w(x, 596, 118, 100);
        Window(p, w, trim, 3, 2);
    }

    // Porch with columns and a little roof.
    p.fillRect(QRectF(640, 700, 220, 20), QColor(0xd8, 0xd2, 0xc6));
    p.fillRect(QRectF(628, 716, 244, 10), QColor(0xc2, 0xba, 0xab));
    Door(p, QRectF(712, 600, 76, 100), QColor(0x7a, 0x2e, 0x2e));
    Window(p, QRectF(664, 612, 30, 70), trim, 1, 2);
    Window(p, QRectF(806, 612, 30, 70), trim, 1, 2);
    Shingles(p, Polygon({{620, 588}, {880, 588}, {850, 566}, {650, 566}}), roof, 11, rng);
    p.fillRect(QRectF(620, 586, 260, 7), trim);
    for (const double x : {640.0, 850.0}) {
        FillHorizontal(p, QRectF(x, 593, 12, 108), trim, QColor(0xe0, 0xdc, 0xd2));
        p.fillRect(QRectF(x - 2, 693, 16, 8), QColor(0xe6, 0xe2, 0xd8));
    }
    p.fillRect(QRectF(400, 712, 700, 10), QColor(0x9a, 0x95, 0x8c));

    // Planting along the front.
    const QList<QColor> blooms = {QColor(0xe8, 0x6a, 0x8f), QColor(0xf6, 0xd3, 0x5b), QColor(0xff, 0xff, 0xff),
                                  QColor(0xb3, 0x7f, 0xd6)};
    for (const double x : {470.0, 560.0, 940.0, 1030.0})
        Shrub(p, rng, QPointF(x, 728), 90, 60, QColor(0x4f, 0x8a, 0x3e), blooms.at(int(x) % 4));
    Flowers(p, rng, QRectF(420, 722, 190, 18), blooms, 60);
    Flowers(p, rng, QRectF(890, 722, 190, 18), blooms, 60);
    Shrub(p, rng, QPointF(1350, 730), 80, 70, QColor(0x46, 0x7d, 0x3a));

    // Trees in front, framing the house.
    Tree(p, rng, QPointF(190, 820), 560, QColor(0x5a, 0x91, 0x48));
    Conifer(p, QPointF(1410, 760), 330, QColor(0x2f, 0x5e, 0x3d));
    Shrub(p, rng, QPointF(260, 840), 160, 70, QColor(0x56, 0x8e, 0x44));

    // A light vignette, as a lens would give.
    QRadialGradient vignette(QPointF(W / 2.0, H / 2.0), W * 0.75);
    vignette.setColorAt(0.6, QColor(0, 0, 0, 0));
    vignette.setColorAt(1, QColor(0, 0, 0, 60));
    p.fillRect(image.rect(), vignette);
    return image;
}

// A bright living room with a garden window.
QImage LivingRoom()
{
    QImage image = NewImage(W, H, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);
    Rng rng(202);

    const double floorY = 700;
    const QPointF vp(750, 360);
    FillVertical(p, QRectF(0, 0, W, floorY), QColor(0xf1, 0xeb, 0xe1), QColor(0xe2, 0xd8, 0xc8));
    // Crown moulding.
    p.fillRect(QRectF(0, 0, W, 26), QColor(0xfb, 0xf9, 0xf5));
    p.fillRect(QRectF(0, 26, W, 4), QColor(0xdc, 0xd3, 0xc4));

    // Wood floor in perspective.
    QPainterPath floor = Polygon({{0, floorY}, {W, floorY}, {W, H}, {0, H}});
    FillVertical(p, floor, QColor(0xb0, 0x82, 0x55), QColor(0x8a, 0x5f, 0x3a));
    p.save();
    p.setClipPath(floor);
    for (int i = -30; i <= 30; ++i) {
        const double xb = W / 2.0 + i * 95;
        const double t = (floorY - vp.y()) / (H - vp.y());
        const double xt = vp.x() + (xb - vp.x()) * t;
        p.setPen(QPen(QColor(0x6e, 0x48, 0x2b, 150), 2));
        p.drawLine(QPointF(xt, floorY), QPointF(xb, H));
        for (int k = 0; k < 4; ++k) {
            const double y = rng.Uniform(floorY + 10, H);
            const double s = (y - vp.y()) / (H - vp.y());
            const double x0 = vp.x() + (xb - vp.x()) * s;
            const double x1 = vp.x() + (xb + 95 - vp.x()) * s;
            p.drawLine(QPointF(x0, y), QPointF(x1, y));
        }
        p.setPen(Qt::NoPen);
        const double s0 = (floorY - vp.y()) / (H - vp.y());
        QPainterPath board = Polygon(
            {{vp.x() + (xb - vp.x()) * s0, floorY}, {vp.x() + (xb + 95 - vp.x()) * s0, floorY}, {xb + 95, H}, {xb, H}});
        p.fillPath(board, QColor(i % 3 == 0 ? 255 : 0, i % 3 == 0 ? 255 : 0, i % 3 == 0 ? 255 : 0, 12));
    }
    p.restore();
    // Baseboard.
    p.fillRect(QRectF(0, floorY - 24, W, 24), QColor(0xfb, 0xf9, 0xf5));
    p.fillRect(QRectF(0, floorY - 2, W, 2), QColor(0xcf, 0xc5, 0xb5));

    // Garden window with curtains.
    const QRectF win(170, 130, 500, 470);
    p.fillRect(win.adjusted(-18, -18, 18, 18), QColor(0xfb, 0xf9, 0xf5));
    {
        p.save();
        p.setClipRect(win);
        FillVertical(p, win, QColor(0x8e, 0xc3, 0xe8), QColor(0xd8, 0xec, 0xf6));
        Cloud(p, rng, QPointF(330, 220), 200, QColor(255, 255, 255, 230));
        Hills(p, 470, 12, 0.2, QColor(0x92, 0xc2, 0x7a), QColor(0x7b, 0xad, 0x64));
        for (int i = 0; i < 5; ++i)
            Tree(p, rng, QPointF(190 + i * 110, 520), rng.Uniform(180, 240), QColor(0x5c, 0x94, 0x4b));
        FillVertical(p, QRectF(win.left(), 520, win.width(), 90), QColor(0x7e, 0xb5, 0x5c), QColor(0x69, 0xa1, 0x4a));
        p.restore();
    }
    p.fillRect(QRectF(win.center().x() - 7, win.top(), 14, win.height()), QColor(0xfb, 0xf9, 0xf5));
    p.fillRect(QRectF(win.left(), win.top() + win.height() * 0.38, win.width(), 10), QColor(0xfb, 0xf9, 0xf5));
    p.fillRect(QRectF(win.left() - 30, win.bottom() + 14, win.width() + 60, 16), QColor(0xf4, 0xf0, 0xe8));
    for (const double x : {win.left() - 95, win.right() + 15}) {
        const QRectF curtain(x, 70, 80, floorY - 110);
        for (int f = 0; f < 5; ++f) {
            const QRectF fold(curtain.left() + f * 16, curtain.top(), 16, curtain.height());
            FillHorizontal(p, fold, QColor(0xd9, 0xc7, 0xa8), QColor(0xbf, 0xa8, 0x84));
        }
    }
    p.fillRect(QRectF(win.left() - 120, 62, win.width() + 240, 8), QColor(0x6b, 0x5a, 0x46));

    // Sunlight on the floor.
    p.fillPath(Polygon({{250, floorY}, {640, floorY}, {820, H}, {360, H}}), QColor(255, 244, 214, 45));

    // Art above the sofa.
    for (const auto& [x, colour] : {std::pair{840.0, QColor(0x3f, 0x7c, 0x85)}, {1080.0, QColor(0xd9, 0x8b, 0x5f)}}) {
        const QRectF frame(x, 190, 190, 230);
        SoftShadow(p, RoundedRect(frame, 2), QPointF(4, 6), 10, 60);
        p.fillRect(frame, QColor(0x2c, 0x2a, 0x28));
        const QRectF mat = frame.adjusted(10, 10, -10, -10);
        p.fillRect(mat, QColor(0xfa, 0xf8, 0xf3));
        const QRectF art = mat.adjusted(18, 18, -18, -18);
        FillVertical(p, art, Shade(colour, 0.45), Shade(colour, 0.15));
        p.setBrush(colour);
        p.drawEllipse(QPointF(art.center().x(), art.bottom() - art.height() * 0.35), art.width() * 0.32,
                      art.width() * 0.32);
        p.fillRect(QRectF(art.left(), art.bottom() - art.height() * 0.25, art.width(), art.height() * 0.25),
                   Shade(colour, -0.3));
    }

    // Rug.
    QPainterPath rug = Polygon({{700, 760}, {1330, 760}, {1440, 960}, {600, 960}});
    SoftShadow(p, rug, QPointF(0, 3), 6, 50);
    p.fillPath(rug, QColor(0xe9, 0xe1, 0xd3));
    p.fillPath(Polygon({{728, 772}, {1302, 772}, {1398, 948}, {642, 948}}), QColor(0xc9, 0x7f, 0x5d));
    p.fillPath(Polygon({{752, 784}, {1278, 784}, {1362, 936}, {678, 936}}), QColor(0xe9, 0xe1, 0xd3));

    // Sofa.
    const QColor fabric(0x5b, 0x6f, 0x7e);
    SoftShadow(p, RoundedRect(QRectF(760, 640, 600, 90), 20), QPointF(0, 10), 18, 70);
    p.setBrush(Shade(fabric, -0.1));
    p.drawPath(RoundedRect(QRectF(790, 470, 540, 170), 22));
    for (int i = 0; i < 3; ++i) {
        const QRectF back(806 + i * 172, 488, 168, 130);
        FillVertical(p, RoundedRect(back, 18), Shade(fabric, 0.12), fabric);
    }
    FillVertical(p, RoundedRect(QRectF(780, 600, 560, 90), 16), Shade(fabric, 0.08), Shade(fabric, -0.12));
    for (int i = 0; i < 3; ++i)
        FillVertical(p, RoundedRect(QRectF(800 + i * 176, 588, 170, 44), 14), Shade(fabric, 0.18), Shade(fabric, 0.02));
    for (const double x : {752.0, 1308.0})
        FillVertical(p, RoundedRect(QRectF(x, 540, 62, 150), 24), Shade(fabric, 0.1), Shade(fabric, -0.15));
    p.setBrush(QColor(0x3b, 0x2c, 0x20));
    for (const double x : {790.0, 1320.0})
        p.drawRect(QRectF(x, 688, 12, 22));
    // Cushions.
    for (const auto& [x, colour] : {std::pair{830.0, QColor(0xe3, 0xb2, 0x5b)},
                                    {1000.0, QColor(0xf2, 0xee, 0xe6)},
                                    {1170.0, QColor(0xc9, 0x7f, 0x5d)}}) {
        QTransform t;
        t.translate(x + 60, 545);
        t.rotate(x == 1000.0 ? 0 : (x < 1000 ? -7 : 7));
        p.save();
        p.setTransform(t, true);
        FillVertical(p, RoundedRect(QRectF(-55, -48, 110, 96), 26), Shade(colour, 0.12), Shade(colour, -0.12));
        p.restore();
    }

    // Coffee table.
    SoftShadow(p, RoundedRect(QRectF(850, 850, 360, 12), 6), QPointF(0, 4), 10, 40);
    p.setBrush(QColor(0x4a, 0x34, 0x24));
    for (const double x : {860.0, 1190.0})
        p.drawRect(QRectF(x, 790, 14, 70));
    FillVertical(p, RoundedRect(QRectF(830, 770, 400, 26), 6), QColor(0x9c, 0x6d, 0x45), QColor(0x74, 0x4e, 0x30));
    // Books and a vase.
    p.fillRect(QRectF(900, 752, 110, 10), QColor(0x2f, 0x4b, 0x6e));
    p.fillRect(QRectF(906, 742, 96, 10), QColor(0xe2, 0xd6, 0xbd));
    FillHorizontal(p, QRectF(1100, 712, 40, 58), QColor(0xf6, 0xf4, 0xee), QColor(0xd6, 0xd1, 0xc6));
    for (int i = 0; i < 7; ++i) {
        p.setPen(QPen(QColor(0x5a, 0x84, 0x4c), 3));
        p.drawLine(QPointF(1120, 716), QPointF(1120 + (i - 3) * 14, 650 + std::abs(i - 3) * 10));
        p.setPen(Qt::NoPen);
        p.setBrush(i % 2 ? QColor(0xf2, 0xf0, 0xea) : QColor(0xf0, 0xc4, 0x5a));
        p.drawEllipse(QPointF(1120 + (i - 3) * 14, 650 + std::abs(i - 3) * 10), 9, 9);
    }

    // Floor lamp with a warm glow.
    p.setBrush(QColor(0x2b, 0x2b, 0x2b));
    p.drawRect(QRectF(706, 330, 6, 370));
    p.drawEllipse(QPointF(709, 700), 30, 7);
    Glow(p, QPointF(709, 320), 200, QColor(255, 214, 140, 90));
    FillVertical(p, Polygon({{664, 270}, {754, 270}, {776, 350}, {642, 350}}), QColor(0xfb, 0xf1, 0xdc),
                 QColor(0xe8, 0xd2, 0xa8));

    // Tall plant in a pot.
    Rng leaves(7);
    for (int i = 0; i < 22; ++i) {
        const double a = leaves.Uniform(-1.2, 1.2);
        const double len = leaves.Uniform(90, 190);
        QTransform t;
        t.translate(1400, 600);
        t.rotate(a * 57.3 - 90 + 90);
        p.save();
        p.setTransform(t, true);
        p.setBrush(Shade(QColor(0x3f, 0x7a, 0x45), leaves.Uniform(-0.2, 0.2)));
        p.drawEllipse(QRectF(-14, -len, 28, len));
        p.restore();
    }
    FillHorizontal(p, Polygon({{1350, 590}, {1450, 590}, {1436, 700}, {1364, 700}}).boundingRect(),
                   QColor(0xd9, 0xcf, 0xbf), QColor(0xb3, 0xa7, 0x93));
    return image;
}

// Shaker cabinets, a window over the sink and an island with stools.
QImage Kitchen()
{
    QImage image = NewImage(W, H, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);
    Rng rng(303);

    FillVertical(p, QRectF(0, 0, W, H), QColor(0xf4, 0xf1, 0xeb), QColor(0xe6, 0xe1, 0xd8));
    const QColor cabinet(0x8f, 0xa8, 0x95);
    const QColor paleCabinet(0xf6, 0xf4, 0xef);

    // Backsplash of small white tiles.
    const QRectF splash(0, 330, W, 240);
    p.fillRect(splash, QColor(0xfa, 0xfa, 0xf8));
    p.save();
    p.setClipRect(splash);
    int row = 0;
    for (double y = splash.top(); y < splash.bottom(); y += 24, ++row) {
        p.fillRect(QRectF(0, y, W, 1.5), QColor(0xd8, 0xd6, 0xd0));
        for (double x = (row % 2) * 24.0; x < W; x += 48)
            p.fillRect(QRectF(x, y, 1.5, 24), QColor(0xd8, 0xd6, 0xd0));
    }
    p.restore();

    // Window over the sink.
    const QRectF win(590, 120, 320, 330);
    p.fillRect(win.adjusted(-16, -16, 16, 16), QColor(0xfb, 0xfa, 0xf7));
    p.save();
    p.setClipRect(win);
    FillVertical(p, win, QColor(0x9b, 0xcd, 0xee), QColor(0xe2, 0xf1, 0xf8));
    Hills(p, 380, 10, 2.1, QColor(0x8f, 0xc1, 0x76), QColor(0x78, 0xab, 0x61));
    for (int i = 0; i < 4; ++i)
        Tree(p, rng, QPointF(600 + i * 95, 440), rng.Uniform(180, 230), QColor(0x5b, 0x93, 0x49));
    p.restore();
    p.fillRect(QRectF(win.center().x() - 6, win.top(), 12, win.height()), QColor(0xfb, 0xfa, 0xf7));

    // Upper cabinets on both sides of the window.
    auto shakerDoor = [&](const QRectF& door, const QColor& colour) {
        FillVertical(p, door, Shade(colour, 0.05), Shade(colour, -0.05));
        const QRectF inset =
            door.adjusted(door.width() * 0.16, door.width() * 0.16, -door.width() * 0.16, -door.width() * 0.16);
        p.fillRect(inset, Shade(colour, -0.09));
        p.fillRect(inset.adjusted(2, 2, 0, 0), Shade(colour, 0.03));
    };
    for (const auto& [from, to] : {std::pair{0.0, 560.0}, {940.0, 1500.0}}) {
        p.fillRect(QRectF(from, 40, to - from, 290), Shade(paleCabinet, -0.04));
        for (double x = from + 10; x + 130 <= to; x += 136)
            shakerDoor(QRectF(x, 48, 128, 270), paleCabinet);
        FillVertical(p, QRectF(from, 318, to - from, 22), QColor(0, 0, 0, 40), QColor(0, 0, 0, 0));
    }
    // Range hood on the right.
    {
        const QPainterPath hood = Polygon({{1120, 330}, {1380, 330}, {1310, 250}, {1190, 250}});
        QLinearGradient g(1120, 0, 1380, 0);
        g.setColorAt(0, QColor(0xd4, 0xd8, 0xdc));
        g.setColorAt(1, QColor(0x9e, 0xa5, 0xab));
        p.fillPath(hood, g);
        p.fillRect(QRectF(1210, 40, 80, 210), QColor(0xc2, 0xc7, 0xcc));
    }

    // Counter and lower cabinets along the wall.
    FillVertical(p, QRectF(0, 570, W, 26), QColor(0xfa, 0xfa, 0xf9), QColor(0xe4, 0xe3, 0xe0));
    p.setPen(QPen(QColor(0xcf, 0xcf, 0xcd), 1));
    for (int i = 0; i < 12; ++i) {
        const double x = rng.Uniform(0, W);
        p.drawLine(QPointF(x, 572), QPointF(x + rng.Uniform(40, 120), 594));
    }
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(0, 596, W, 240), Shade(cabinet, -0.1));
    for (double x = 8; x + 140 <= W; x += 148) {
        shakerDoor(QRectF(x, 604, 140, 210), cabinet);
        p.setBrush(QColor(0xc8, 0xa2, 0x5c));
        p.drawRoundedRect(QRectF(x + 62, 624, 16, 5), 2, 2);
    }
    // Sink and faucet.
    p.fillRect(QRectF(650, 568, 200, 8), QColor(0xb6, 0xba, 0xbf));
    p.setPen(QPen(QColor(0xc9, 0xa4, 0x5e), 9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath faucet;
    faucet.moveTo(750, 568);
    faucet.lineTo(750, 500);
    faucet.quadTo(750, 476, 776, 476);
    faucet.lineTo(790, 490);
    p.drawPath(faucet);
    p.setPen(Qt::NoPen);
    // Range with knobs.
    p.fillRect(QRectF(1160, 600, 180, 230), QColor(0x3a, 0x3e, 0x44));
    p.fillRect(QRectF(1176, 660, 148, 150), QColor(0x22, 0x25, 0x29));
    for (int i = 0; i < 5; ++i) {
        p.setBrush(QColor(0xc9, 0xcd, 0xd1));
        p.drawEllipse(QPointF(1180 + i * 35, 628), 8, 8);
    }
    // Plant on the counter, a bowl of lemons.
    FillHorizontal(p, QRectF(170, 500, 60, 70), QColor(0xf4, 0xf2, 0xec), QColor(0xd4, 0xcf, 0xc4));
    for (int i = 0; i < 9; ++i) {
        p.setBrush(Shade(QColor(0x4a, 0x86, 0x4a), (i % 3 - 1) * 0.12));
        p.drawEllipse(QPointF(200 + (i - 4) * 11, 480 - std::abs(i - 4) * -6 - 30), 12, 30);
    }
    p.setBrush(QColor(0xf2, 0xf0, 0xea));
    p.drawChord(QRectF(380, 530, 120, 70), 180 * 16, 180 * 16);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(0xf5, 0xd0, 0x3c));
        p.drawEllipse(QPointF(405 + i * 23, 556 - (i % 2) * 8), 15, 12);
    }

    // Pendant lights.
    for (const double x : {480.0, 750.0, 1020.0}) {
        p.fillRect(QRectF(x - 1, 0, 2, 150), QColor(0x3a, 0x3a, 0x3a));
        Glow(p, QPointF(x, 215), 120, QColor(255, 220, 150, 45));
        FillVertical(p, Polygon({{x - 18, 150}, {x + 18, 150}, {x + 55, 205}, {x - 55, 205}}), QColor(0xd9, 0xb3, 0x63),
                     QColor(0xa8, 0x7f, 0x34));
        p.setBrush(QColor(0xff, 0xf3, 0xd6));
        p.drawEllipse(QPointF(x, 205), 40, 6);
    }

    // Floor.
    FillVertical(p, QRectF(0, 836, W, H - 836), QColor(0xc9, 0xb9, 0x9f), QColor(0xa8, 0x96, 0x78));
    for (double x = -200; x < W + 200; x += 110)
        p.fillRect(QRectF(x, 836, 2, H - 836), QColor(0x8c, 0x7a, 0x5d, 90));

    // Island in front with a stone top and stools.
    const QColor navy(0x2f, 0x43, 0x5c);
    SoftShadow(p, RoundedRect(QRectF(240, 960, 1020, 30), 6), QPointF(0, 6), 16, 80);
    p.fillRect(QRectF(250, 738, 1000, 250), navy);
    for (double x = 262; x + 150 <= 1240; x += 162)
        shakerDoor(QRectF(x, 756, 150, 220), navy);
    FillVertical(p, QRectF(225, 712, 1050, 30), QColor(0xfb, 0xfb, 0xfa), QColor(0xe2, 0xe1, 0xdd));
    p.setPen(QPen(QColor(0xc8, 0xc8, 0xc6), 1.2));
    for (int i = 0; i < 10; ++i) {
        const double x = rng.Uniform(230, 1250);
        p.drawLine(QPointF(x, 714), QPointF(x + rng.Uniform(30, 90), 740));
    }
    p.setPen(Qt::NoPen);
    // Things on the island.
    FillHorizontal(p, QRectF(420, 652, 34, 62), QColor(0xf7, 0xf5, 0xf0), QColor(0xd8, 0xd3, 0xca));
    for (int i = 0; i < 5; ++i) {
        p.setBrush(QColor(0xf2, 0xa3, 0xb6));
        p.drawEllipse(QPointF(437 + (i - 2) * 10, 636 - std::abs(i - 2) * -4), 10, 10);
    }
    p.fillRect(QRectF(900, 698, 160, 14), QColor(0xb0, 0x84, 0x58));
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(0xe8, 0x5d, 0x3f));
        p.drawEllipse(QPointF(940 + i * 30, 688), 13, 13);
    }
    // Stools.
    for (const double x : {380.0, 750.0, 1120.0}) {
        p.setBrush(QColor(0x2b, 0x2b, 0x2b));
        p.drawRect(QRectF(x - 48, 840, 8, 160));
        p.drawRect(QRectF(x + 40, 840, 8, 160));
        p.drawRect(QRectF(x - 44, 930, 88, 6));
        FillVertical(p, RoundedRect(QRectF(x - 62, 818, 124, 28), 12), QColor(0xb8, 0x8a, 0x5a),
                     QColor(0x8c, 0x63, 0x3c));
    }
    return image;
}

// A single-storey modern house at dusk, lit from inside, with a pool.
QImage DuskPool()
{
    QImage image = NewImage(W, H, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);
    Rng rng(404);

    const double horizon = 560;
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(0x23, 0x34, 0x63));
    sky.setColorAt(0.55, QColor(0x7b, 0x5e, 0x8f));
    sky.setColorAt(0.85, QColor(0xf0, 0x9a, 0x6a));
    sky.setColorAt(1, QColor(0xfb, 0xc9, 0x8e));
    p.fillRect(QRectF(0, 0, W, horizon), sky);
    for (const auto& [x, y, w] : {std::tuple{300.0, 180.0, 280.0}, {1050.0, 120.0, 340.0}, {760.0, 300.0, 200.0}})
        Cloud(p, rng, QPointF(x, y), w, QColor(0xf6, 0xb8, 0x9c, 110));
    Hills(p, 470, 30, 2.6, QColor(0x55, 0x45, 0x6b), QColor(0x45, 0x3a, 0x58));
    Hills(p, 520, 16, 0.9, QColor(0x3b, 0x3b, 0x52), QColor(0x30, 0x31, 0x45));

    // Garden and terrace.
    FillVertical(p, QRectF(0, 500, W, 200), QColor(0x2f, 0x4a, 0x3a), QColor(0x2a, 0x40, 0x33));
    FillVertical(p, QRectF(0, 640, W, H - 640), QColor(0xb3, 0xa4, 0x92), QColor(0x8a, 0x7d, 0x6d));
    for (double y = 660; y < H; y += 34)
        p.fillRect(QRectF(0, y, W, 2), QColor(0x75, 0x69, 0x5b, 120));

    // The house: a low wing on the left, a taller glass volume on the right.
    const QColor stucco(0xe9, 0xe3, 0xda);
    const QColor cedar(0x8a, 0x5a, 0x3a);
    p.fillRect(QRectF(160, 380, 560, 270), Shade(stucco, -0.08));
    FillVertical(p, QRectF(640, 280, 720, 370), QColor(0x6f, 0x48, 0x2e), QColor(0x5d, 0x3c, 0x27));
    // Cedar slats.
    for (double x = 644; x < 1360; x += 9)
        p.fillRect(QRectF(x, 280, 2, 370), Shade(cedar, -0.35));
    // Big lit windows.
    for (const QRectF& w : {QRectF(700, 330, 270, 300), QRectF(1000, 330, 300, 300), QRectF(210, 430, 230, 200),
                            QRectF(470, 430, 200, 200)}) {
        p.fillRect(w.adjusted(-6, -6, 6, 6), QColor(0x22, 0x22, 0x22));
        QLinearGradient g(w.topLeft(), w.bottomLeft());
        g.setColorAt(0, QColor(0xff, 0xe2, 0xa6));
        g.setColorAt(1, QColor(0xf1, 0xa4, 0x55));
        p.fillRect(w, g);
        for (double x = w.left() + w.width() / 3; x < w.right() - 5; x += w.width() / 3)
            p.fillRect(QRectF(x - 2, w.top(), 4, w.height()), QColor(0x22, 0x22, 0x22));
        // Inside: a lamp and a sofa in shadow.
        p.setBrush(QColor(0x6b, 0x45, 0x2a, 160));
        p.drawRoundedRect(QRectF(w.left() + 20, w.bottom() - 60, w.width() * 0.5, 50), 12, 12);
        Glow(p, QPointF(w.right() - 50, w.top() + 90), 70, QColor(255, 250, 225, 200));
    }
    // Roof slabs.
    p.fillRect(QRectF(130, 362, 620, 22), QColor(0xf4, 0xf1, 0xec));
    p.fillRect(QRectF(610, 258, 790, 26), QColor(0xf4, 0xf1, 0xec));
    FillVertical(p, QRectF(610, 284, 790, 14), QColor(0, 0, 0, 70), QColor(0, 0, 0, 0));
    FillVertical(p, QRectF(130, 384, 620, 14), QColor(0, 0, 0, 70), QColor(0, 0, 0, 0));

    // Palms and garden lights.
    auto palm = [&](double x, double base, double height) {
        QPainterPath trunk;
        trunk.moveTo(x - 8, base);
        trunk.quadTo(x + 20, base - height * 0.5, x + 30, base - height);
        trunk.lineTo(x + 38, base - height);
        trunk.quadTo(x + 28, base - height * 0.5, x + 8, base);
        trunk.closeSubpath();
        p.fillPath(trunk, QColor(0x2a, 0x22, 0x25));
        const QPointF top(x + 34, base - height);
        for (int i = 0; i < 9; ++i) {
            const double a = -M_PI + i * M_PI / 8;
            QPainterPath frond;
            frond.moveTo(top);
            const QPointF tip = top + QPointF(std::cos(a) * 150, std::sin(a) * 70 + 60);
            frond.quadTo(top + QPointF(std::cos(a) * 80, std::sin(a) * 80 - 30), tip);
            frond.quadTo(top + QPointF(std::cos(a) * 70, std::sin(a) * 60 - 5), top);
            p.fillPath(frond, QColor(0x1f, 0x2b, 0x27));
        }
    };
    palm(80, 660, 420);
    palm(1420, 660, 470);
    for (int i = 0; i < 8; ++i) {
        const QPointF c(130 + i * 180, 640);
        Glow(p, c, 40, QColor(255, 220, 150, 160));
        p.setBrush(QColor(0xff, 0xee, 0xc8));
        p.drawEllipse(c, 4, 4);
    }

    // Pool with the lit windows mirrored in it.
    QPainterPath pool = Polygon({{260, 720}, {1240, 720}, {1400, 930}, {100, 930}});
    p.fillPath(Polygon({{240, 706}, {1260, 706}, {1430, 944}, {70, 944}}), QColor(0xe8, 0xe4, 0xdc));
    FillVertical(p, pool, QColor(0x1f, 0x8a, 0x9e), QColor(0x13, 0x5e, 0x78));
    p.save();
    p.setClipPath(pool);
    for (const QRectF& w : {QRectF(700, 720, 270, 200), QRectF(1000, 720, 300, 200), QRectF(210, 720, 230, 130),
                            QRectF(470, 720, 200, 130)}) {
        // The lit windows, broken up by the water into wavering strips.
        for (double y = w.top(); y < w.bottom(); y += 7) {
            const double fade = 1.0 - (y - w.top()) / w.height();
            const double shift = rng.Uniform(-14, 14);
            p.fillRect(QRectF(w.left() + shift, y, w.width() + rng.Uniform(-20, 10), 4.5),
                       QColor(0xff, 0xd6, 0x8c, int(120 * fade)));
        }
    }
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    for (int i = 0; i < 60; ++i) {
        const double x = rng.Uniform(120, 1380);
        const double y = rng.Uniform(730, 925);
        const double w = rng.Uniform(20, 60);
        QPainterPath ripple;
        ripple.moveTo(x, y);
        ripple.quadTo(x + w / 2, y - 5, x + w, y);
        p.drawPath(ripple);
    }
    p.restore();
    p.setPen(Qt::NoPen);

    // Two loungers in front.
    for (const double x : {230.0, 1090.0}) {
        p.setBrush(QColor(0xf7, 0xf4, 0xee));
        p.drawPath(Polygon(
            {{x, 968}, {x + 170, 968}, {x + 200, 938}, {x + 230, 938}, {x + 236, 948}, {x + 180, 982}, {x, 982}}));
        p.setBrush(QColor(0x3a, 0x3a, 0x3a));
        p.drawRect(QRectF(x + 8, 982, 6, 18));
        p.drawRect(QRectF(x + 165, 982, 6, 18));
    }
    return image;
}

} // namespace

// The preview flyer and every theme cover load the samples as they are, so they are shipped about the
// size a project's photos have after intake; just above 750 x 500, the smallest main photo a
// spreadsheet row may use, so the example spreadsheet still works.
constexpr int kShippedWidth = 756;
constexpr int kShippedHeight = 504;

QImage Shipped(const QImage& scene)
{
    return scene.scaled(kShippedWidth, kShippedHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool WriteHousePictures(const QString& samplesFolder)
{
    return Save(Shipped(FrontExterior()), samplesFolder + "/House01-02.jpg", "jpg", 90) &&
           Save(Shipped(LivingRoom()), samplesFolder + "/House02-01.jpg", "jpg", 90) &&
           Save(Shipped(Kitchen()), samplesFolder + "/House03-01.jpg", "jpg", 90) &&
           Save(Shipped(DuskPool()), samplesFolder + "/House04-01.jpg", "jpg", 90);
}
