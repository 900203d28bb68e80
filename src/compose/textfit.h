#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Text that fits its box. A theme marks each one-line or clamped box with data-fit="F": the
// smallest share (0 < F <= 1) of its own font size it may shrink to. After layout the render
// worker shrinks a marked box that overflows in small steps until its text fits or the limit is
// reached; only then does the theme's ellipsis or clamp show. The worker runs this in its own
// isolated script world (the page's scripts stay off) and reports each box.
namespace TextFit {

struct Box
{
    QString name;     // data-fit-name, else the id, else the class
    double base = 0;  // the theme's font size in pixels
    double size = 0;  // the size the box was given
    double limit = 1; // the data-fit share
    bool fits = true; // no overflow left at that size
    bool shown = true;
};

// The script for QWebEnginePage::runJavaScript; its result is the report as a JSON text.
QString Script();

// The report as the worker hands it on; boxes of a text that is not a report are left out.
QList<Box> ParseReport(const QByteArray& json);

} // namespace TextFit
