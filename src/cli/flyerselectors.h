#pragma once

#include "catalogue/themetemplateinfo.h"
#include "compose/render/printpage.h"
#include "cli/clicommand.h"
#include "flyer/flyerrequest.h"
#include "settings/appsettings.h"

#include <QByteArray>
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

// The page of a two-sided theme that a picture shows.
enum class Side
{
    Front,
    Back
};

// What a command that writes one flyer gets from its command line.
struct RenderedFlyer
{
    CAppSettings settings; // as the program loads them
    FlyerSelection selection;
    QString out;
    Quality quality = Quality::Screen;
    Side side = Side::Front;
    QImage flyer;   // the screen picture; null for print and press
    QImage back;    // the screen picture of a two-sided theme's back; null for one page
    QByteArray pdf; // print and press: the page
};

// The whole road of a command that writes one flyer: "SELECTORS --out FILE [--quality
// screen|print|press] [--marks]" parsed, the settings loaded, the flyer selected, merged and
// rendered (for print and press, the page made into pdf). outUsage names the --out argument in the
// usage message. With takesSide the command also takes "--side front|back" (the page a picture
// shows), and back is refused for a theme of one page; the back's picture is then made only when
// asked for. Returns Done, or the exit code after the message.
int RenderFlyerFromArgs(const QStringList& args, const QString& command, const QString& outUsage, bool takesSide,
                        RenderedFlyer& made);

// The screen picture of the selection's back page (RenderSelectedFlyer for the back template).
int RenderSelectedBack(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                       QImage& back);

// The photos of the selection before render or export write: a photo from elsewhere is left out
// with a warning. One that would go out grey or half drawn is a warning too, unless refusal is
// given: then the command fails with refusal after the last such message. Returns Done or Failed.
int CheckSelectedPhotos(const FlyerSelection& selection, const CAppSettings& settings, Quality quality,
                        const QString& refusal = QString());

// Writes the print-quality page: the PDF itself, or page pageIndex of it at 300 dpi when out names a
// picture. With settings, their export folder follows out. Returns Done, or Failed after the message.
int WritePrintQualityOutput(const QByteArray& pdf, const QString& out, int pageIndex = 0,
                            CAppSettings* settings = nullptr);

} // namespace Cli
