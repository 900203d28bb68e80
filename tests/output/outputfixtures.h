#pragma once

// Shared by the output tests: a flyer picture with known colours, and the real tools that read
// back what the program wrote.

#include "support/childprocess.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace OutputFixtures {

// The flyer's size and the colours of its four quadrants: a picture stretched, shifted or cut
// shows at once.
inline constexpr int kWidth = 816;
inline constexpr int kHeight = 1056;
inline const QColor kTopLeft(230, 200, 60);
inline const QColor kTopRight(60, 160, 230);
inline const QColor kBottomLeft(220, 80, 80);
inline const QColor kBottomRight(90, 200, 110);

inline QImage MakeFlyer()
{
    QImage flyer(kWidth, kHeight, QImage::Format_ARGB32);
    QPainter painter(&flyer);
    const int w = kWidth / 2, h = kHeight / 2;
    painter.fillRect(0, 0, w, h, kTopLeft);
    painter.fillRect(w, 0, kWidth - w, h, kTopRight);
    painter.fillRect(0, h, w, kHeight - h, kBottomLeft);
    painter.fillRect(w, h, kWidth - w, kHeight - h, kBottomRight);
    return flyer;
}

inline bool Near(QColor a, QColor b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// JPEG keeps colour at half resolution, so a colour bleeds a little into the black line beside it;
// brightness stays sharp.
inline bool IsBlack(QColor c)
{
    const double luma = 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
    return luma < 40 && std::max({c.red(), c.green(), c.blue()}) < 96;
}

// Which sides of a picture of the flyer carry a black line one pixel wide, tested along each
// whole side, with the flyer's own colours right inside it. Returns "" when a side is neither
// clean flyer nor frame, else the framed sides as letters of "TBLR".
inline QString FramedSides(const QImage& picture)
{
    const int w = picture.width(), h = picture.height();
    QString sides;
    const auto side = [&](QChar letter, auto edgePixel, auto innerPixel, int length) {
        int black = 0, flyer = 0;
        for (int i = 8; i < length - 8; i += 7) {
            black += IsBlack(picture.pixelColor(edgePixel(i)));
            flyer += !IsBlack(picture.pixelColor(innerPixel(i)));
        }
        const int samples = (length - 16 + 6) / 7;
        if (flyer != samples)
            return false;
        if (black == samples)
            sides += letter;
        else if (black != 0)
            return false;
        return true;
    };
    const bool clean =
        side(
            QLatin1Char('T'), [](int i) { return QPoint(i, 0); }, [](int i) { return QPoint(i, 2); }, w) &&
        side(
            QLatin1Char('B'), [h](int i) { return QPoint(i, h - 1); }, [h](int i) { return QPoint(i, h - 3); }, w) &&
        side(
            QLatin1Char('L'), [](int i) { return QPoint(0, i); }, [](int i) { return QPoint(2, i); }, h) &&
        side(
            QLatin1Char('R'), [w](int i) { return QPoint(w - 1, i); }, [w](int i) { return QPoint(w - 3, i); }, h);
    return clean ? sides : QStringLiteral("?");
}

// The quadrant colours seen at the middle of each quadrant of picture.
inline bool ShowsFlyer(const QImage& picture, const QRect& area)
{
    const auto at = [&](double fx, double fy) {
        return picture.pixelColor(area.x() + int(area.width() * fx), area.y() + int(area.height() * fy));
    };
    return Near(at(0.25, 0.25), kTopLeft) && Near(at(0.75, 0.25), kTopRight) && Near(at(0.25, 0.75), kBottomLeft) &&
           Near(at(0.75, 0.75), kBottomRight);
}

inline int RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        qWarning("%s is not installed (scripts/setup.sh installs it)", qPrintable(program));
        return -1;
    }
    const TestSupport::ChildRun run = TestSupport::RunChild(path, arguments, {.mergeChannels = true});
    if (output)
        *output = run.out;
    return run.exitCode;
}

// qpdf --check: 0 for a valid file.
inline int QpdfCheck(const QString& pdf)
{
    QByteArray output;
    const int rc = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}, &output);
    if (rc != 0)
        qWarning("qpdf --check %s: %s", qPrintable(pdf), output.constData());
    return rc;
}

// The first page of a PDF as poppler draws it at dpi; null when it cannot be drawn.
inline QImage RasterisePdf(const QString& pdf, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    if (RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-singlefile"),
                                             QStringLiteral("-png"), pdf, base}) != 0)
        return QImage();
    return QImage(base + QStringLiteral(".png"));
}

// The agent's own themes of the new formats, in the per-user themes folder of the test's private
// home: "Card Test", a 6 x 4 in postcard whose back says "BACK SIDE", and "Square Test", a
// 1080 x 1080 social picture; both fill a frame from the main photo edge to edge.
inline bool WriteFormatThemes()
{
    const QString themes = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Tarnwick/Listora/Themes");
    const auto write = [&themes](const QString& name, const QByteArray& text) {
        QFile file(themes + QLatin1Char('/') + name);
        return QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly) &&
               file.write(text) == text.size();
    };
    const QByteArray head = "<!DOCTYPE html><html><head><style>body{margin:0;font-family:$_pageFont$}"
                            "img.photo{display:block;object-fit:cover}</style></head>";
    return write(QStringLiteral("Card/front.htm"),
                 head + "<body style=\"width:576px;height:384px;background:#204080;color:#fff\">"
                        "<img class=\"photo\" src=\"$_mainPhoto$\" style=\"width:576px;height:280px\">"
                        "<p style=\"margin:16px 30px;font-size:22px\">FRONT SIDE $_listingPrice$</p></body></html>") &&
           write(QStringLiteral("Card/back.htm"),
                 head + "<body style=\"width:576px;height:384px;background:#fff;color:#000\">"
                        "<p style=\"margin:30px;font-size:22px\">BACK SIDE $_listingPrice$</p>"
                        "<img src=\"$_qrCode$\" style=\"margin-left:30px;width:96px;height:96px\"></body></html>") &&
           write(QStringLiteral("Square/index.htm"),
                 head + "<body style=\"width:1080px;height:1080px;background:#fff;color:#123\">"
                        "<img class=\"photo\" src=\"$_mainPhoto$\" style=\"width:1080px;height:760px\">"
                        "<p style=\"margin:30px;font-size:56px\">$_listingPrice$</p></body></html>") &&
           write(QStringLiteral("Themes.ini"),
                 "[Themes]\nCount=2\nTHEME01=Card Test\nTHEME02=Square Test\n\n"
                 "[Card Test]\nName=Card Test\nFamily=Test\nWidth=576\nHeight=384\nOrientation=1\n"
                 "Color=RGB(32, 64, 128)\nPhotos=1\nTypeface=Tahoma\nId={0B8D9E21-5C3A-4F7E-9D61-2A4C8E0F1B34}\n"
                 "Version=1.0\nCreated=1796860800\nTemplate=Card\\front.htm\nBack=Card\\back.htm\n\n"
                 "[Square Test]\nName=Square Test\nFamily=Test\nWidth=1080\nHeight=1080\nOrientation=0\n"
                 "Color=RGB(32, 64, 128)\nPhotos=1\nTypeface=Tahoma\nId={0B8D9E21-5C3A-4F7E-9D61-2A4C8E0F1B35}\n"
                 "Version=1.0\nCreated=1796860800\nTemplate=Square\\index.htm\n");
}

} // namespace OutputFixtures
