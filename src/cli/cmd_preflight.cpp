#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "settings/appsettings.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

double Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    if (!Cli::ParseOptions(args, Cli::FlyerSelectorOptions(), {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("preflight takes no argument %1").arg(options.positional.first()));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    Cli::FlyerSelection selection;
    if (const int rc = Cli::SelectFlyer(options, settings, selection); rc != Cli::Done)
        return rc;
    CXHTML2Image renderer;
    renderer.WarmUp();
    CXPrintPage page;
    if (const int rc = Cli::MakeSelectedPrintPage(renderer, selection, settings, PrintPageWork::PreflightOnly, page);
        rc != Cli::Done)
        return rc;

    QJsonArray slots;
    bool allOk = true;
    for (const CXPreflightEntry& entry : std::as_const(page.preflight)) {
        // The agent's picture and logo are named, the photos numbered.
        const QJsonValue slot = entry.slot <= 4 ? QJsonValue(entry.slot) : QJsonValue(SlotName(entry.slot));
        slots.append(QJsonObject{{QStringLiteral("slot"), slot},
                                 {QStringLiteral("source_width"), entry.source.width()},
                                 {QStringLiteral("source_height"), entry.source.height()},
                                 {QStringLiteral("box_width_in"), Rounded(entry.boxInches.width(), 3)},
                                 {QStringLiteral("box_height_in"), Rounded(entry.boxInches.height(), 3)},
                                 {QStringLiteral("ppi"), Rounded(entry.ppi, 1)},
                                 {QStringLiteral("ok"), entry.ok}});
        allOk = allOk && entry.ok;
    }
    QJsonArray findings;
    for (const CXFinding& finding : page.findings + page.pressFindings) {
        findings.append(QJsonObject{{QStringLiteral("rule"), finding.rule},
                                    {QStringLiteral("field"), finding.field},
                                    {QStringLiteral("level"), LevelName(finding.level)},
                                    {QStringLiteral("message"), finding.message}});
    }
    allOk = allOk && !HasErrors(page.findings) && !HasErrors(page.pressFindings);
    Cli::PrintJson(QJsonObject{
        {QStringLiteral("ok"), allOk}, {QStringLiteral("photos"), slots}, {QStringLiteral("findings"), findings}});
    return allOk ? Cli::Done : Cli::Failed;
}

Cli::Registrar reg("preflight",
                   "preflight (--theme NAME | --template FILE) [--project FILE] [--font FAMILY] [--color #RRGGBB]",
                   &Run);

} // namespace
