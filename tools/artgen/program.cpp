#include "artgen.h"
#include "paint.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

using namespace Art;

namespace {

// The program's own colours: one blue, one warm accent, one green, one red, and ink.
const QColor kBlue(0x23, 0x6f, 0xc4);
const QColor kSky(0xdc, 0xea, 0xf8);
const QColor kAmber(0xf0, 0xa2, 0x2e);
const QColor kGreen(0x2f, 0xa4, 0x6b);
const QColor kRed(0xd6, 0x4b, 0x3c);
const QColor kInk(0x33, 0x41, 0x50);
const QColor kPaper(0xff, 0xff, 0xff);

// Button pictures: an icon on a 30 x 30 grid above the button's label, on a transparent ground.
constexpr int kButtonWidth = 46;
constexpr int kButtonHeight = 50;
constexpr int kIconGrid = 30;
constexpr int kSuper = 4; // icons are drawn four times larger and reduced, for clean edges

QPen Line(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with a folded corner; the common ground of several icons.
void Sheet(QPainter& p, const QRectF& r, bool lines)
{
    const double fold = r.width() * 0.32;
    QPainterPath sheet = Polygon(
        {r.topLeft(), {r.right() - fold, r.top()}, {r.right(), r.top() + fold}, r.bottomRight(), r.bottomLeft()});
    p.setPen(Line(kInk, 1.3));
    p.setBrush(kPaper);
    p.drawPath(sheet);
    p.setBrush(kSky);
    p.drawPath(Polygon({{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}}));
    if (lines) {
        p.setPen(Line(QColor(0x9a, 0xab, 0xbd), 1.3));
        for (int i = 0; i < 4; ++i) {
            const double y = r.top() + fold + 3 + i * 3.2;
            if (y < r.bottom() - 2)
                p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - (i == 3 ? 7 : 3), y));
        }
    }
}

void Badge(QPainter& p, const QPointF& c, double radius, const QColor& colour)
{
    p.setPen(QPen(Qt::white, 1.2));
    QRadialGradient g(c - QPointF(radius * 0.4, radius * 0.4), radius * 1.6);
    g.setColorAt(0, Shade(colour, 0.25));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
}

void DrawIcon(QPainter& p, int id)
{
    switch (id) {
    case 1024: { // New: a blank sheet and a plus
        Sheet(p, QRectF(5, 3, 17, 22), false);
        Badge(p, QPointF(21.5, 21.5), 6.5, kGreen);
        p.setPen(Line(Qt::white, 2));
        p.drawLine(QPointF(21.5, 18.3), QPointF(21.5, 24.7));
        p.drawLine(QPointF(18.3, 21.5), QPointF(24.7, 21.5));
        break;
    }
    case 1023: { // Open: a folder with a sheet in it
        p.setPen(Line(Shade(kAmber, -0.35), 1.3));
        p.setBrush(Shade(kAmber, -0.1));
        p.drawPath(Polygon({{3, 8}, {11, 8}, {13.5, 10.5}, {26, 10.5}, {26, 25}, {3, 25}}));
        p.setPen(Line(kInk, 1.1));
        p.setBrush(kPaper);
        p.drawRect(QRectF(7, 6, 15, 13));
        p.setPen(Line(Shade(kAmber, -0.35), 1.3));
        QLinearGradient g(0, 13, 0, 25);
        g.setColorAt(0, Shade(kAmber, 0.35));
        g.setColorAt(1, kAmber);
        p.setBrush(g);
        p.drawPath(Polygon({{6, 13.5}, {28.5, 13.5}, {25.5, 25}, {3, 25}}));
        break;
    }
    case 1022: { // Save: a disk
        p.setPen(Line(Shade(kBlue, -0.4), 1.3));
        p.setBrush(kBlue);
        p.drawPath(Polygon({{4, 4}, {22, 4}, {26, 8}, {26, 26}, {4, 26}}));
        p.setBrush(kPaper);
        p.drawRect(QRectF(8, 4, 12, 8));
        p.setBrush(Shade(kBlue, -0.3));
        p.drawRect(QRectF(16, 5.5, 2.5, 5));
        p.setBrush(kSky);
        p.drawRoundedRect(QRectF(7.5, 15.5, 15, 10.5), 1.2, 1.2);
        p.setPen(Line(QColor(0x9a, 0xab, 0xbd), 1.1));
        p.drawLine(QPointF(10, 19), QPointF(20, 19));
        p.drawLine(QPointF(10, 22.5), QPointF(20, 22.5));
        break;
    }
    case 1021: { // Details: a filled-in sheet and a pencil
        Sheet(p, QRectF(4, 3, 18, 24), true);
        p.save();
        p.translate(20, 17);
        p.rotate(45);
        p.setPen(Line(Shade(kAmber, -0.45), 1.1));
        p.setBrush(kAmber);
        p.drawRect(QRectF(-2.6, -10, 5.2, 14));
        p.setBrush(QColor(0xf1, 0xd3, 0xa8));
        p.drawPath(Polygon({{-2.6, 4}, {2.6, 4}, {0, 9}}));
        p.setBrush(kRed);
        p.drawRect(QRectF(-2.6, -12.5, 5.2, 2.5));
        p.restore();
        break;
    }
    case 1020: { // Print: a printer with a sheet coming out
        p.setPen(Line(kInk, 1.2));
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 3, 12, 9));
        QLinearGradient g(0, 10, 0, 22);
        g.setColorAt(0, QColor(0x8c, 0x9b, 0xab));
        g.setColorAt(1, QColor(0x5d, 0x6c, 0x7c));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(3, 10, 24, 12), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(23, 14), 1.3, 1.3);
        p.setPen(Line(kInk, 1.2));
        p.setBrush(kPaper);
        p.drawRect(QRectF(8, 18, 14, 9));
        p.setPen(Line(QColor(0x9a, 0xab, 0xbd), 1.1));
        p.drawLine(QPointF(10.5, 21.5), QPointF(19.5, 21.5));
        p.drawLine(QPointF(10.5, 24.3), QPointF(17, 24.3));
        break;
    }
    case 1017: { // E-mail: an envelope
        p.setPen(Line(Shade(kBlue, -0.4), 1.3));
        QLinearGradient g(0, 7, 0, 24);
        g.setColorAt(0, kPaper);
        g.setColorAt(1, kSky);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(3, 7, 24, 17), 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(3.5, 8), QPointF(15, 17), QPointF(26.5, 8)}));
        p.setPen(Line(Shade(kBlue, 0.3), 1.1));
        p.drawLine(QPointF(4, 23.5), QPointF(12, 16));
        p.drawLine(QPointF(26, 23.5), QPointF(18, 16));
        break;
    }
    case 1016: { // Export: a sheet with an arrow leaving it
        Sheet(p, QRectF(3, 3, 17, 23), true);
        p.setPen(Line(Shade(kGreen, -0.2), 3));
        p.drawLine(QPointF(13, 18), QPointF(24, 18));
        p.drawPolyline(QPolygonF({QPointF(20, 13.5), QPointF(25.5, 18), QPointF(20, 22.5)}));
        break;
    }
    case 1015: { // Refresh: two arrows chasing each other
        p.setBrush(Qt::NoBrush);
        const QRectF ring(5, 5, 20, 20);
        p.setPen(Line(kGreen, 3));
        p.drawArc(ring, 30 * 16, 140 * 16);
        p.setPen(Line(kBlue, 3));
        p.drawArc(ring, 210 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPath(Polygon({{2.5, 11}, {9.5, 11}, {6, 16.5}}).translated(0, -2.5));
        p.setBrush(kBlue);
        p.drawPath(Polygon({{20.5, 19}, {27.5, 19}, {24, 13.5}}).translated(0, 2.5));
        break;
    }
    case 1014: { // Options: a gear
        QPainterPath gear;
        const QPointF c(15, 15);
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const double a0 = (i - 0.5) * M_PI / teeth;
            const double a1 = (i + 0.5) * M_PI / teeth;
            const double r = i % 2 == 0 ? 12 : 9.2;
            const QPointF p0 = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
            const QPointF p1 = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(c, 4, 4);
        gear = gear.subtracted(hole);
        p.setPen(Line(Shade(kInk, -0.1), 1.2));
        QLinearGradient g(0, 3, 0, 27);
        g.setColorAt(0, QColor(0x9f, 0xae, 0xbe));
        g.setColorAt(1, QColor(0x61, 0x71, 0x83));
        p.setBrush(g);
        p.drawPath(gear);
        break;
    }
    case 1013: { // About: an i in a round badge
        Badge(p, QPointF(15, 15), 12, kBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(15, 9.2), 2, 2);
        p.drawRoundedRect(QRectF(13.2, 12.5, 3.6, 10.5), 1.2, 1.2);
        break;
    }
    case 1012: { // Help: a question mark in a round badge
        Badge(p, QPointF(15, 15), 12, kAmber);
        p.setPen(Line(Qt::white, 3.2));
        p.setBrush(Qt::NoBrush);
        QPainterPath q;
        q.moveTo(10.5, 11.5);
        q.cubicTo(10.5, 6.5, 19.5, 6.5, 19.5, 11);
        q.cubicTo(19.5, 14, 15, 14.5, 15, 17.5);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(15, 22.2), 2, 2);
        break;
    }
    case 1011: { // Exit: an open door and an arrow out
        p.setPen(Line(kInk, 1.3));
        p.setBrush(QColor(0xe9, 0xee, 0xf3));
        p.drawRect(QRectF(4, 4, 14, 22));
        p.setBrush(Shade(kRed, -0.05));
        p.drawPath(Polygon({{4, 4}, {12, 7}, {12, 28}, {4, 26}}));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10, 16.5), 1, 1);
        p.setPen(Line(kRed, 3));
        p.drawLine(QPointF(15, 15), QPointF(26, 15));
        p.drawPolyline(QPolygonF({QPointF(22, 10.5), QPointF(26.5, 15), QPointF(22, 19.5)}));
        break;
    }
    default:
        break;
    }
}

QImage Button(int id, const QString& label)
{
    QImage big = NewImage(kIconGrid * kSuper, kIconGrid * kSuper);
    {
        QPainter p(&big);
        Antialias(p);
        p.scale(kSuper, kSuper);
        DrawIcon(p, id);
    }
    const QImage icon = big.scaled(kIconGrid, kIconGrid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QImage image = NewImage(kButtonWidth, kButtonHeight);
    QPainter p(&image);
    Antialias(p);
    p.drawImage(QPointF((kButtonWidth - kIconGrid) / 2.0, 2), icon);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(0, 34, kButtonWidth, 14), Qt::AlignHCenter | Qt::AlignVCenter, label);
    return image;
}

// The program's mark: a flyer with a house photo on it, a little turned, with a price tag.
void Mark(QPainter& p, const QRectF& box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    p.setPen(Qt::NoPen);

    // A second sheet behind.
    p.save();
    p.translate(50, 52);
    p.rotate(8);
    SoftShadow(p, RoundedRect(QRectF(-33, -44, 66, 86), 4), QPointF(1.5, 2.5), 3, 70);
    p.setBrush(QColor(0xe3, 0xec, 0xf6));
    p.drawRoundedRect(QRectF(-33, -44, 66, 86), 4, 4);
    p.restore();

    p.save();
    p.translate(46, 50);
    p.rotate(-5);
    const QRectF sheet(-33, -44, 66, 86);
    SoftShadow(p, RoundedRect(sheet, 4), QPointF(1.5, 2.5), 3, 80);
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 4, 4);
    // Photo: sky, ground and a house.
    const QRectF photo(-27, -38, 54, 38);
    p.save();
    p.setClipPath(RoundedRect(photo, 2));
    FillVertical(p, photo, QColor(0x6f, 0xb1, 0xea), QColor(0xc9, 0xe4, 0xf8));
    p.fillRect(QRectF(-27, -10, 54, 10), QColor(0x63, 0xa8, 0x55));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(-12, -22, 24, 14));
    p.setBrush(kAmber);
    p.drawPath(Polygon({{-16, -21}, {0, -33}, {16, -21}}));
    p.setBrush(kBlue);
    p.drawRect(QRectF(-3, -17, 6, 9));
    p.restore();
    // Caption and text lines in the accent colour and grey.
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(-27, 5, 38, 6), 2, 2);
    p.setBrush(QColor(0xbf, 0xcb, 0xd8));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(-27, 16 + i * 7, i == 2 ? 30 : 54, 3.5), 1.5, 1.5);
    p.restore();

    // Price tag in the corner.
    p.save();
    p.translate(74, 74);
    p.rotate(-20);
    QPainterPath tag = Polygon({{-16, -11}, {10, -11}, {20, 0}, {10, 11}, {-16, 11}});
    SoftShadow(p, tag, QPointF(1, 2), 2, 80);
    FillVertical(p, tag, Shade(kAmber, 0.15), Shade(kAmber, -0.08));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 0), 2.6, 2.6);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-10, -3), QPointF(3, -3));
    p.drawLine(QPointF(-10, 3.5), QPointF(0, 3.5));
    p.restore();
    p.restore();
}

QImage Icon()
{
    QImage big = NewImage(1024, 1024);
    {
        QPainter p(&big);
        Antialias(p);
        Mark(p, QRectF(40, 40, 944, 944));
    }
    return big.scaled(256, 256, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage AboutLogo()
{
    QImage big = NewImage(512, 448);
    {
        QPainter p(&big);
        Antialias(p);
        Mark(p, QRectF(40, 8, 432, 432));
    }
    return big.scaled(128, 112, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The splash picture: the mark and the name on a deep blue ground over a row of houses. The
// bottom band stays dark and plain for the notice the program writes there in white.
QImage Splash()
{
    const int w = 424, h = 265;
    QImage image = NewImage(w, h, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x1b, 0x4f, 0x8f));
    sky.setColorAt(0.7, QColor(0x2f, 0x7f, 0xd0));
    sky.setColorAt(1, QColor(0x4f, 0x9a, 0xe0));
    p.fillRect(image.rect(), sky);
    Glow(p, QPointF(330, 60), 190, QColor(255, 255, 255, 55));

    // A street of houses in silhouette, lighter towards the back.
    Rng rng(136);
    auto street = [&](double base, double scale, const QColor& colour, int seed) {
        Rng r(seed);
        double x = -20;
        while (x < w + 20) {
            const double hw = r.Uniform(34, 58) * scale;
            const double hh = r.Uniform(26, 40) * scale;
            const double roof = r.Uniform(16, 26) * scale;
            p.setBrush(colour);
            p.drawRect(QRectF(x, base - hh, hw, hh + 1));
            p.drawPath(
                Polygon({{x - 4 * scale, base - hh}, {x + hw / 2, base - hh - roof}, {x + hw + 4 * scale, base - hh}}));
            if (r.Uniform(0, 1) < 0.5)
                p.drawRect(QRectF(x + hw * 0.7, base - hh - roof * 0.9, 6 * scale, roof * 0.6));
            // Lit windows.
            p.setBrush(QColor(0xff, 0xd9, 0x8a, 220));
            for (int i = 0; i < 2; ++i)
                if (r.Uniform(0, 1) < 0.7)
                    p.drawRect(QRectF(x + hw * (0.2 + i * 0.4), base - hh * 0.7, 6 * scale, 7 * scale));
            x += hw + r.Uniform(6, 18) * scale;
        }
    };
    street(226, 0.8, QColor(0x3d, 0x78, 0xbb), 3);
    street(236, 1.0, QColor(0x25, 0x5b, 0x98), 5);
    (void)rng;

    // The notice band.
    FillVertical(p, QRectF(0, 229, w, h - 229), QColor(0x16, 0x3c, 0x6c), QColor(0x10, 0x2e, 0x55));
    p.fillRect(QRectF(0, 229, w, 2), QColor(0xf0, 0xa2, 0x2e));

    // Mark and name.
    QImage mark = NewImage(400, 400);
    {
        QPainter m(&mark);
        Antialias(m);
        Mark(m, QRectF(0, 0, 400, 400));
    }
    p.drawImage(QRectF(34, 34, 120, 120), mark);

    QFont name(QStringLiteral("Liberation Sans"));
    name.setPixelSize(54);
    name.setBold(true);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(name);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(QRectF(170, 48, 250, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Listora"));
    p.setPen(Qt::white);
    p.drawText(QRectF(168, 46, 250, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Listora"));

    QFont tag(QStringLiteral("Liberation Sans"));
    tag.setPixelSize(15);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    p.setFont(tag);
    p.setPen(QColor(0xdc, 0xea, 0xf8));
    p.drawText(QRectF(170, 110, 250, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Listing flyers, beautifully done"));
    p.fillRect(QRectF(171, 138, 46, 3), QColor(0xf0, 0xa2, 0x2e));
    return image;
}

} // namespace

bool WriteProgramPictures(const QString& resFolder)
{
    const std::pair<int, const char*> buttons[] = {
        {1024, "New"},    {1023, "Open"},    {1022, "Save"},    {1021, "Details"}, {1020, "Print"}, {1017, "E-mail"},
        {1016, "Export"}, {1015, "Refresh"}, {1014, "Options"}, {1013, "About"},   {1012, "Help"},  {1011, "Exit"},
    };
    for (const auto& [id, label] : buttons)
        if (!Save(Button(id, QString::fromLatin1(label)), QStringLiteral("%1/%2.png").arg(resFolder).arg(id), "png"))
            return false;
    return Save(Icon(), resFolder + "/127.png", "png") && Save(Splash(), resFolder + "/136.png", "png") &&
           Save(AboutLogo(), resFolder + "/137.png", "png");
}
