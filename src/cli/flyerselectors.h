#pragma once

#include "catalogue/themetemplateinfo.h"
#include "compose/render/printpage.h"
#include "cli/clicommand.h"
#include "flyer/flyerrequest.h"

#include <QImage>

#include <optional>

class CAppSettings;
class CXHTML2Image;
struct CFlyerPage;

// The flyer selectors shared by the commands that make a flyer:
//   --theme NAME | --template FILE, [--project FILE], [--font FAMILY], [--color #RRGGBB]
// Theme, font and colour default to the project's own with --project, else to the settings'
// last choices.
namespace Cli {

// Option names for ParseOptions, each taking a value.
QStringList FlyerSelectorOptions();

struct FlyerSelection
{
    FlyerRequest request;                     // the look, the listing with its extras, the mode and the theme's page
    std::optional<CXThemeTemplateInfo> theme; // the catalogue's record; none with --template
};

// Resolves the selectors against the settings and the catalogue. Returns Done, or the exit code
// after the message has been printed.
int SelectFlyer(const Options& options, const CAppSettings& settings, FlyerSelection& out);

// Loads the selected template and merges it (with the sidebar picture it may need). Returns Done,
// or Failed after the message has been printed.
int ComposeSelectedFlyer(const FlyerSelection& selection, const CAppSettings& settings, CFlyerPage& page);

// The screen flyer of the selection, rendered (the renderer's LastFitReport then tells what it cut).
// Returns Done, or Failed after the message has been printed.
int RenderSelectedFlyer(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                        QImage& flyer);

// The print-quality page of the selected flyer (or only its preflight). Returns Done, or Failed
// after the message has been printed.
int MakeSelectedPrintPage(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                          PrintPageWork work, CXPrintPage& page);

// The settings as the program loads them at start-up.
void LoadProgramSettings(CAppSettings& settings);

enum class Quality
{
    Screen, // the 816 x 1056 flyer picture
    Print,  // the vector page with photos at print resolution
    Press   // that page on a sheet with the bleed, trim and bleed boxes (and crop marks)
};

// "--quality screen|print|press" (press only where allowPress) and "--marks", as given: Done, or the
// exit code after the usage message.
int ParseQuality(const Options& options, bool allowPress, Quality fallback, Quality& quality, bool& marks);

// The print work that makes quality (Print or Press) with or without crop marks.
PrintPageWork PrintWorkFor(Quality quality, bool marks);

// The whole road of a command that writes one flyer: "SELECTORS --out FILE" parsed, the settings
// loaded, the flyer selected, merged and rendered. outUsage names the --out argument in the usage
// message. Returns Done with flyer and outPath filled, or the exit code after the message.
// With quality given the command also takes "--quality screen|print|press" and "--marks"; for print
// and press, pdf receives the page and flyer stays null.
// With back given, the screen picture of a two-sided theme's back is rendered into it as well (it
// stays null for one page). With side given, the command also takes "--side front|back" (the page
// a picture shows); back is refused for a theme of one page.
enum class Side
{
    Front,
    Back
};
int RenderFlyerFromArgs(const QStringList& args, const QString& command, const QString& outUsage,
                        CAppSettings& settings, FlyerSelection& selection, QImage& flyer, QString& outPath,
                        Quality* quality = nullptr, QByteArray* pdf = nullptr, QImage* back = nullptr,
                        Side* side = nullptr);

// The screen picture of the selection's back page (RenderSelectedFlyer for the back template).
int RenderSelectedBack(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                       QImage& back);

} // namespace Cli
