#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Text that fits its box. A theme marks each text box with data-fit="F": the smallest share
// (0 < F <= 1) of its own font size it may shrink to. After layout the render worker shrinks a
// marked box that overflows in small steps until its text fits or the limit is reached (a box of
// columns reflows them as it shrinks); only then is the text cut, at a word, and ended with an
// ellipsis, so that no box ever loses text without showing it. The worker runs this in its own
// isolated script world (the page's scripts stay off) and reports each box, so that what was cut
// can be named.
namespace TextFit {

struct Box
{
    QString name;     // data-fit-name, else the id, else the class
    double base = 0;  // the theme's font size in pixels
    double size = 0;  // the size the box was given
    double limit = 1; // the data-fit share
    bool fits = true; // no overflow left at that size, before any cut
    bool shown = true;
    int chars = 0;    // the characters of its text
    int kept = 0;     // those still shown after a cut (all of them when nothing was cut)
    bool cut = false; // the text was cut and ended with an ellipsis
};

// The script for QWebEnginePage::runJavaScript; its result is the report as a JSON text.
QString Script();

// The report as the worker hands it on; boxes of a text that is not a report are left out.
QList<Box> ParseReport(const QByteArray& json);

// A print job's layout (the JSON array of picture boxes) with the fit report as one more entry,
// {"textfit": [...]}, which readers of the boxes pass over; and the report taken out of it again.
QByteArray WithLayout(const QByteArray& layout, const QByteArray& report);
QByteArray FromLayout(const QByteArray& layout);

// How many photo frames the page drew without a photo (a theme with no layout for fewer photos).
int EmptyFrames(const QByteArray& report);

// The boxes of a report whose text was cut.
QList<Box> CutBoxes(const QList<Box>& boxes);
// What the agent reads about a cut box: "The description is cut after 612 of 1,480 characters in
// Gallery - KT401."
QString CutMessage(const Box& box, const QString& themeName);
// The field a box shows, as the agent calls it ("the description"), from its data-fit-name.
QString FieldWords(const QString& name);

} // namespace TextFit
