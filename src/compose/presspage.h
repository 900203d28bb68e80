#pragma once

#include "compose/findings.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

// The press page: the laid-out flyer on a sheet larger than its trim by the bleed on every side.
// Elements whose box touches the trim edge continue into the bleed: the worker lays the page out at
// trim size and then, in its isolated world, draws each such element once more beneath a clip that
// leaves the trim alone, so everything inside the trim keeps its place to the pixel. The same pass
// measures what a print shop checks: text near the trim, text too small to read, edges that cannot
// continue.
namespace PressPage {

// 0.125 in, in CSS pixels (96 to the inch).
inline constexpr int kBleedPixels = 12;

// The sheet of a page: trim plus the bleed on every side.
QSize SheetPixels(QSize page);

// The script for QWebEnginePage::runJavaScript on a page laid out at page (CSS pixels). With
// extend, it also moves the page onto the sheet and draws the edge elements into the bleed. Its
// result is the report as a JSON text.
QString Script(QSize page, bool extend);

struct Report
{
    struct Text
    {
        QString name;     // data-fit-name, else the nearest id, else the class
        double value = 0; // the distance to the trim, or the font size, in CSS pixels
    };
    struct Edge
    {
        QString name;
        QString reason; // why it cannot continue: "turned", "border", "media", "picture"
    };
    QList<Text> nearTrim; // text closer to the trim than the bleed, one per field (the closest)
    QList<Text> small;    // text under 6 pt, one per field (the smallest)
    QList<Edge> unbleedable;
    int extended = 0; // elements drawn into the bleed
    QSize page;       // the laid-out page, in CSS pixels
};

// A print job's layout with the press report as one more entry, {"press": {...}}, which readers of
// the picture boxes pass over; and the report taken out of it again (empty when there is none).
QByteArray WithLayout(const QByteArray& layout, const QByteArray& report);
Report FromLayout(const QByteArray& layout);

// A photo's print copy is cut to its box; where the box meets the trim, the original usually has
// more to show. A strip is that more: the part of the original beyond the cut on one side (a left or
// right strip takes the corners), as a copy of its own at the copy's resolution, and where the page
// draws it. crop is the part of the original (original pixels) the copy of size copySize shows in
// box (CSS pixels) on page; no strip where the original ends at the cut.
struct Strip
{
    QRect source; // in the original's pixels
    QSize size;   // the strip's copy
    QRectF rect;  // on the page, CSS pixels
};
QList<Strip> BleedStrips(const QRect& crop, const QSize& original, const QSize& copySize, const QRectF& box,
                         QSize page);

// The hidden picture that hands a strip to the press page's script, for the photo of slot.
QString StripElement(const QString& url, int slot, const QRectF& rect);

// What the agent reads: "safe-zone", "min-size" and "bleed" findings of a report, for themeName.
CXFindings Findings(const Report& report, const QString& themeName);

} // namespace PressPage
