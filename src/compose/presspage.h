#pragma once

#include "compose/findings.h"

#include <QByteArray>
#include <QList>
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
    QList<Text> nearTrim;  // text closer to the trim than the bleed, one per field (the closest)
    QList<Text> small;     // text under 6 pt, one per field (the smallest)
    QList<Edge> unbleedable;
    int extended = 0; // elements drawn into the bleed
};

// A print job's layout with the press report as one more entry, {"press": {...}}, which readers of
// the picture boxes pass over; and the report taken out of it again (empty when there is none).
QByteArray WithLayout(const QByteArray& layout, const QByteArray& report);
Report FromLayout(const QByteArray& layout);

// What the agent reads: "safe-zone", "min-size" and "bleed" findings of a report, for themeName.
CXFindings Findings(const Report& report, const QString& themeName);

} // namespace PressPage
