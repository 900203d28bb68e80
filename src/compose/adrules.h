#pragma once

#include "compose/findings.h"

#include <QByteArray>
#include <QString>

#include <optional>

class CAppSettings;

// The advertising rules that state regulators commonly set for a listing flyer: the brokerage's
// name must be on it, at no less than half the size of the largest of the agent's name and phone
// numbers. Measured on the laid-out page, in the render worker's isolated script world, on the
// same pass as the text fit; never guessed from the template text.
namespace AdRules {

struct Measure
{
    bool found = false; // the brokerage's whole name is shown somewhere on the page
    double size = 0;    // its largest font size in CSS pixels
    double contact = 0; // the largest of the agent's name and phone numbers; 0 when none is shown
};

// The head entry that names what the measure looks for (the brokerage, the agent's name and
// phones as the page shows them); empty when there is no brokerage to look for, so a page without
// one stays as it was.
QString HeadEntry(const CAppSettings& settings, bool ownAgent);
// A page with HeadEntry added before its "</head>" (or at its start).
QString WithHeadEntry(const QString& page, const CAppSettings& settings, bool ownAgent);

// Script statements that append {"adRules": {...}} to the report array "out" when the page names
// a brokerage; run after the text fit, so the sizes are those printed.
QString ScriptPart();

// The measure in a text-fit report, if the page had one.
std::optional<Measure> FromReport(const QByteArray& report);

// The findings "brokerage" and "brokerage-size" for a flyer of the agent's own (errors when the
// rules are on, warnings when off). measure is what the page reported (none: nothing was found
// to measure). Nothing for the sample agent of the preview, nor with the rules off and no brokerage.
CXFindings Findings(const CAppSettings& settings, bool ownAgent, const std::optional<Measure>& measure,
                    const QString& themeName);

} // namespace AdRules
