#include "artgen.h"
#include "paint.h"

#include <QFile>
#include <QFont>
#include <QLinearGradient>
#include <QRadialGradient>

using namespace Art;

namespace {

QFont Face(const QString& family, double pixels, int weight = QFont::Normal, double spacing = 0)
{
    QFont font(family);
    font.setPixelSize(int(pixels));
    font.setWeight(QFont::Weight(weight));
    if (spacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Head and shoulders of a smiling agent in a blazer: a friendly stand-in until the agent's own picture.
QImage Portrait()
{
    const int w = 360, h = 450;
    QImage image = NewImage(w, h, Qt::white);
    QPainter p(&image);
    Antialias(p);
    p.setPen(Qt::NoPen);

    QRadialGradient bg(QPointF(w * 0.5, h * 0.35), h * 0.8);
    bg.setColorAt(0, QColor(0xe9, 0xee, 0xf3));
    bg.setColorAt(1, QColor(0xb9, 0xc6, 0xd3));
    p.fillRect(image.rect(), bg);

    const QColor skin(0xe8, 0xb9, 0x94);
    const QColor hair(0x4a, 0x33, 0x26);
    const QColor blazer(0x2c, 0x3e, 0x57);

    // Shoulders and blazer.
    QPainterPath body;
    body.moveTo(20, h);
    body.cubicTo(20, 360, 70, 320, 150, 305);
    body.lineTo(210, 305);
    body.cubicTo(290, 320, 340, 360, 340, h);
    body.closeSubpath();
    FillVertical(p, body, Shade(blazer, 0.1), Shade(blazer, -0.15));
    // Shirt and lapels.
    p.fillPath(Polygon({{150, 305}, {210, 305}, {180, 395}}), QColor(0xf7, 0xf8, 0xfa));
    p.fillPath(Polygon({{150, 305}, {180, 395}, {165, 450}, {120, 330}}), Shade(blazer, -0.25));
    p.fillPath(Polygon({{210, 305}, {180, 395}, {195, 450}, {240, 330}}), Shade(blazer, -0.25));
    // Neck.
    FillVertical(p, RoundedRect(QRectF(155, 250, 50, 70), 18), Shade(skin, -0.12), Shade(skin, -0.2));
    p.fillPath(Polygon({{155, 300}, {205, 300}, {180, 330}}), Shade(skin, -0.15));

    // Hair behind the head.
    p.setBrush(hair);
    p.drawEllipse(QRectF(108, 88, 144, 130));
    // Head and ears.
    QRadialGradient face(QPointF(165, 165), 110);
    face.setColorAt(0, Shade(skin, 0.08));
    face.setColorAt(1, Shade(skin, -0.08));
    p.setBrush(face);
    p.drawEllipse(QRectF(118, 105, 124, 160));
    p.setBrush(Shade(skin, -0.05));
    p.drawEllipse(QRectF(108, 170, 20, 34));
    p.drawEllipse(QRectF(232, 170, 20, 34));
    // Hair on top, parted to one side.
    QPainterPath top;
    top.moveTo(112, 190);
    top.cubicTo(100, 100, 180, 70, 230, 100);
    top.cubicTo(262, 120, 258, 170, 250, 195);
    top.cubicTo(240, 150, 215, 135, 180, 132);
    top.cubicTo(150, 140, 125, 150, 112, 190);
    FillVertical(p, top, Shade(hair, 0.12), hair);

    // A calm face: brows, eyes, a smile.
    p.setBrush(QColor(0x3a, 0x2a, 0x22));
    p.drawEllipse(QPointF(157, 186), 5, 5.5);
    p.drawEllipse(QPointF(203, 186), 5, 5.5);
    p.setPen(QPen(Shade(hair, -0.1), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(145, 170), QPointF(166, 167));
    p.drawLine(QPointF(194, 167), QPointF(215, 170));
    p.setPen(QPen(QColor(0xa8, 0x5a, 0x4c), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(158, 205, 44, 28), 200 * 16, 140 * 16);
    p.setPen(QPen(Shade(skin, -0.2), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(172, 190, 16, 20), 240 * 16, 60 * 16);
    return image;
}

// The sample company's mark: a roof line over water, and the company's name.
QImage CompanyLogo()
{
    const int w = 600, h = 220;
    QImage image = NewImage(w, h, Qt::white);
    QPainter p(&image);
    Antialias(p);

    const QColor teal(0x0f, 0x6e, 0x7a);
    const QColor sand(0xe0, 0x9f, 0x3e);
    const QRectF mark(20, 30, 160, 160);
    FillVertical(p, RoundedRect(mark, 30), Shade(teal, 0.1), Shade(teal, -0.1));
    p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath roof;
    roof.moveTo(48, 110);
    roof.lineTo(100, 62);
    roof.lineTo(152, 110);
    p.drawPath(roof);
    p.drawLine(QPointF(128, 70), QPointF(128, 86));
    p.setPen(QPen(sand, 8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 2; ++i) {
        QPainterPath wave;
        const double y = 132 + i * 22;
        wave.moveTo(48, y);
        wave.cubicTo(68, y - 12, 80, y + 12, 100, y);
        wave.cubicTo(120, y - 12, 132, y + 12, 152, y);
        p.drawPath(wave);
    }

    p.setPen(QColor(0x1d, 0x2b, 0x36));
    p.setFont(Face(QStringLiteral("Liberation Sans"), 54, QFont::Bold, 3));
    p.drawText(QRectF(205, 46, 390, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LAKESHORE"));
    p.setPen(teal);
    p.setFont(Face(QStringLiteral("Liberation Sans"), 25, QFont::Normal, 7.5));
    p.drawText(QRectF(208, 118, 390, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("REALTY GROUP"));
    p.fillRect(QRectF(208, 166, 60, 4), sand);
    return image;
}

// A listing-service mark of our own: a roof over the letters.
QImage ListingServiceMark()
{
    const int w = 240, h = 240;
    QImage image = NewImage(w, h, Qt::white);
    QPainter p(&image);
    Antialias(p);
    const QColor navy(0x1f, 0x3a, 0x68);
    FillVertical(p, RoundedRect(QRectF(10, 10, 220, 220), 26), Shade(navy, 0.12), Shade(navy, -0.08));
    p.setPen(QPen(Qt::white, 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath roof;
    roof.moveTo(50, 96);
    roof.lineTo(120, 40);
    roof.lineTo(190, 96);
    p.drawPath(roof);
    p.setPen(Qt::white);
    p.setFont(Face(QStringLiteral("Liberation Sans"), 74, QFont::Bold, 2));
    p.drawText(QRectF(10, 92, 220, 86), Qt::AlignCenter, QStringLiteral("MLS"));
    p.setFont(Face(QStringLiteral("Liberation Sans"), 19, QFont::Bold, 3.5));
    p.drawText(QRectF(10, 172, 220, 30), Qt::AlignCenter, QStringLiteral("LISTED"));
    return image;
}

// The fair-housing mark: a house with an equals sign, and the words below.
QImage FairHousingMark()
{
    const int w = 240, h = 240;
    QImage image = NewImage(w, h, Qt::white);
    QPainter p(&image);
    Antialias(p);
    const QColor ink(0x22, 0x22, 0x22);
    QPainterPath house = Polygon({{120, 22}, {206, 86}, {186, 86}, {186, 156}, {54, 156}, {54, 86}, {34, 86}});
    p.setPen(QPen(ink, 12, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(house);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(84, 96, 72, 14));
    p.drawRect(QRectF(84, 122, 72, 14));
    p.setPen(ink);
    p.setFont(Face(QStringLiteral("Liberation Sans"), 23, QFont::Bold, 0.5));
    p.drawText(QRectF(0, 168, w, 30), Qt::AlignCenter, QStringLiteral("EQUAL HOUSING"));
    p.setFont(Face(QStringLiteral("Liberation Sans"), 21, QFont::Bold, 1));
    p.drawText(QRectF(0, 198, w, 30), Qt::AlignCenter, QStringLiteral("OPPORTUNITY"));
    return image;
}

// A transparent 1 x 1 GIF; Qt reads GIF but cannot write it, so the bytes are laid out here.
bool WriteBlankGif(const QString& path)
{
    static const unsigned char bytes[] = {
        'G',  'I',  'F',  '8',  '9',  'a',  0x01, 0x00, 0x01, 0x00, // header, 1 x 1 screen
        0x80, 0x00, 0x00,                                           // global table of 2 colours, background 0
        0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF,                         // black, white
        0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00,             // graphic control: colour 0 is transparent
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, // image 1 x 1 at 0,0
        0x02, 0x02, 0x44, 0x01, 0x00,                               // LZW: clear, 0, end
        0x3B};                                                      // trailer
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(reinterpret_cast<const char*>(bytes), sizeof bytes) == qint64(sizeof bytes);
}

} // namespace

bool WriteSampleMarks(const QString& dataFolder)
{
    const QString samples = dataFolder + "/Samples";
    return Save(Portrait(), samples + "/photo_small.jpg", "jpg", 92) &&
           Save(CompanyLogo(), samples + "/logo.jpg", "jpg", 95) &&
           Save(ListingServiceMark(), samples + "/MLS_Realtor.jpg", "jpg", 95) &&
           Save(FairHousingMark(), samples + "/EHO.jpg", "jpg", 95) && WriteBlankGif(dataFolder + "/_blank.gif");
}
