#include "cli/flyerselectors.h"
#include "formats/colorref.h"

#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/flyerexport.h"
#include "output/printexport.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Cli {

QStringList FlyerSelectorOptions()
{
    return {QStringLiteral("theme"), QStringLiteral("template"), QStringLiteral("project"), QStringLiteral("font"),
            QStringLiteral("color")};
}

void LoadProgramSettings(CAppSettings& settings)
{
    WorkingFolders::InitAppSettings(settings);
}

int RenderFlyerFromArgs(const QStringList& args, const QString& command, const QString& outUsage, bool takesSide,
                        RenderedFlyer& made)
{
    Options options;
    QString error;
    QStringList valueOptions = FlyerSelectorOptions();
    valueOptions.append({QStringLiteral("out"), QStringLiteral("quality")});
    if (takesSide)
        valueOptions.append(QStringLiteral("side"));
    if (!ParseOptions(args, valueOptions, {QStringLiteral("marks")}, options, error))
        return Usage(error);
    if (!options.positional.isEmpty())
        return Usage(QStringLiteral("%1 takes no argument %2").arg(command, options.positional.first()));
    if (options.All(QStringLiteral("out")).size() != 1 || options.Value(QStringLiteral("out")).isEmpty())
        return Usage(QStringLiteral("%1 needs one --out %2").arg(command, outUsage));
    made.out = options.Value(QStringLiteral("out"));
    bool marks = false;
    if (const int rc = ParseQuality(options, true, Quality::Screen, made.quality, marks); rc != Done)
        return rc;

    if (takesSide) {
        const QStringList sides = options.All(QStringLiteral("side"));
        if (sides.size() > 1 || (!sides.isEmpty() && sides.constFirst() != QLatin1String("front") &&
                                 sides.constFirst() != QLatin1String("back")))
            return Usage(QStringLiteral("--side takes front or back, once"));
        made.side = !sides.isEmpty() && sides.constFirst() == QLatin1String("back") ? Side::Back : Side::Front;
    }

    LoadProgramSettings(made.settings);
    FlyerSelection& selection = made.selection;
    if (const int rc = SelectFlyer(options, made.settings, selection); rc != Done)
        return rc;
    if (made.side == Side::Back && selection.request.backTemplatePath.isEmpty())
        return Usage(
            QStringLiteral("--side back: the theme \"%1\" has no back page").arg(selection.request.look.themeName));

    // Start the engine while the page is being merged.
    CXHTML2Image renderer;
    renderer.WarmUp();

    if (made.quality != Quality::Screen) {
        CXPrintPage printPage;
        if (const int rc =
                MakeSelectedPrintPage(renderer, selection, made.settings, PrintWorkFor(made.quality, marks), printPage);
            rc != Done)
            return rc;
        made.pdf = printPage.pdf;
        return Done;
    }

    if (IsSocialPage(selection.request.pageSize)) {
        // A feed's picture is seen at its full size: its photos come from the originals.
        CXPrintPage page;
        if (const int rc = MakeSelectedPrintPage(renderer, selection, made.settings, PrintPageWork::Picture, page);
            rc != Done)
            return rc;
        made.flyer = page.picture;
        return Done;
    }
    if (const int rc = RenderSelectedFlyer(renderer, selection, made.settings, made.flyer); rc != Done)
        return rc;
    if (!selection.request.backTemplatePath.isEmpty() && (!takesSide || made.side == Side::Back))
        return RenderSelectedBack(renderer, selection, made.settings, made.back);
    return Done;
}

int RenderSelectedBack(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                       QImage& back)
{
    FlyerSelection backSelection = selection;
    backSelection.request.look.templatePath = selection.request.backTemplatePath;
    backSelection.request.backTemplatePath.clear();
    return RenderSelectedFlyer(renderer, backSelection, settings, back);
}

int ParseQuality(const Options& options, bool allowPress, Quality fallback, Quality& quality, bool& marks)
{
    const QStringList given = options.All(QStringLiteral("quality"));
    const QStringList names =
        allowPress ? QStringList{QStringLiteral("screen"), QStringLiteral("print"), QStringLiteral("press")}
                   : QStringList{QStringLiteral("screen"), QStringLiteral("print")};
    if (given.size() > 1 || (!given.isEmpty() && !names.contains(given.constFirst())))
        return Usage(QStringLiteral("--quality takes %1, once").arg(names.join(QStringLiteral(", "))));
    quality = given.isEmpty() ? fallback : Quality(names.indexOf(given.constFirst()));
    marks = options.Has(QStringLiteral("marks"));
    // Crop marks belong to the bleed sheet; on any other page they would cut into the flyer.
    if (marks && quality != Quality::Press)
        return Usage(QStringLiteral("--marks needs --quality press"));
    return Done;
}

PrintPageWork PrintWorkFor(Quality quality, bool marks)
{
    if (quality == Quality::Press)
        return marks ? PrintPageWork::PressWithMarks : PrintPageWork::Press;
    return PrintPageWork::Pdf;
}

int RenderSelectedFlyer(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                        QImage& flyer)
{
    CFlyerPage page;
    if (const int rc = ComposeSelectedFlyer(selection, settings, page); rc != Done)
        return rc;
    const FlyerRequest& request = selection.request;
    renderer.SetLoadRoots(PageLoadRoots(settings, request.look.templatePath,
                                        request.ProjectMode() ? request.record.GetFolder() : QString()));
    QString error;
    const bool rendered =
        renderer.Render(page.page, request.pageSize.width(), request.pageSize.height(), flyer, &error);
    if (!page.sidebarImage.isEmpty())
        QFile::remove(page.sidebarImage);
    if (!rendered)
        return Fail(QStringLiteral("cannot render the flyer: %1").arg(error));
    return Done;
}

int SelectFlyer(const Options& options, const CAppSettings& settings, FlyerSelection& out)
{
    for (const QString& name : FlyerSelectorOptions()) {
        if (options.All(name).size() > 1)
            return Usage(QStringLiteral("--%1 given more than once").arg(name));
    }
    const bool byTheme = options.Has(QStringLiteral("theme"));
    const bool byTemplate = options.Has(QStringLiteral("template"));
    if (byTheme && byTemplate)
        return Usage(QStringLiteral("give either --theme or --template, not both"));

    std::optional<quint32> color;
    if (options.Has(QStringLiteral("color"))) {
        quint32 value = 0;
        if (!ParseHexColor(options.Value(QStringLiteral("color")), value))
            return Usage(
                QStringLiteral("--color needs #RRGGBB, not \"%1\"").arg(options.Value(QStringLiteral("color"))));
        color = value;
    }

    out = FlyerSelection();
    out.request.mode = FlyerMode::Preview;
    out.request.record.Reset();
    if (options.Has(QStringLiteral("project"))) {
        const QString path = options.Value(QStringLiteral("project"));
        const FlyerFileStatus status = out.request.record.Load(path);
        if (status.kind == FlyerFileStatus::OpenFailed)
            return Fail(QStringLiteral("cannot open the project file %1").arg(QDir::toNativeSeparators(path)));
        if (!status.IsOk())
            return Fail(status.text);
        out.request.mode = FlyerMode::Project;
        CListingExtras extras;
        const CListingExtras::Status extrasStatus = extras.Load(out.request.record.GetFolder(), path);
        if (extrasStatus.kind == CListingExtras::Damaged || extrasStatus.stale)
            Warn(extrasStatus.text);
        out.request.extras = extras;
    }

    if (byTemplate) {
        out.request.look.templatePath = QFileInfo(options.Value(QStringLiteral("template"))).absoluteFilePath();
        out.request.look.themeName = out.request.look.templatePath;
    } else {
        const QString name = byTheme                     ? options.Value(QStringLiteral("theme"))
                             : out.request.ProjectMode() ? out.request.record.m_strTheme
                                                         : settings.LastTheme;
        const QString whose = byTheme                     ? QString()
                              : out.request.ProjectMode() ? QStringLiteral(" (the project's theme)")
                                                          : QStringLiteral(" (the last theme used)");
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
        qsizetype index = 0;
        if (!catalogue.FindTheme(name, index))
            return Fail(QStringLiteral("the theme \"%1\"%2 is not in the catalogue %3")
                            .arg(name, whose, QDir::toNativeSeparators(ThemeInfo::IniPath(settings.Path2Themes))));
        out.theme = catalogue.at(index);
        out.request.look.themeName = out.theme->GetName();
        out.request.look.templatePath = out.theme->GetTemplate();
        out.request.pageSize = out.theme->GetPageSize();
        out.request.backTemplatePath = out.theme->GetBackTemplate();
    }

    if (options.Has(QStringLiteral("font")))
        out.request.look.font = options.Value(QStringLiteral("font"));
    else
        out.request.look.font = out.request.ProjectMode() ? out.request.record.m_strFont : settings.LastFont;
    if (out.request.look.font.isEmpty() && out.theme)
        out.request.look.font = out.theme->GetTypeface();
    out.request.look.color = color                       ? *color
                             : out.request.ProjectMode() ? out.request.record.m_crColor
                                                         : settings.LastColor;
    return Done;
}

int MakeSelectedPrintPage(CXHTML2Image& renderer, const FlyerSelection& selection, const CAppSettings& settings,
                          PrintPageWork work, CXPrintPage& page)
{
    CXFlyerSource source;
    if (!LoadTemplate(selection.request.look.templatePath, source.templateText))
        return Fail(QStringLiteral("cannot read the template %1")
                        .arg(QDir::toNativeSeparators(selection.request.look.templatePath)));
    source.request = selection.request;
    source.settings = &settings;
    QString error;
    if (!MakePrintPage(renderer, source, work, page, &error))
        return Fail(error.simplified());
    return Done;
}

int ComposeSelectedFlyer(const FlyerSelection& selection, const CAppSettings& settings, CFlyerPage& page)
{
    QString templateText;
    if (!LoadTemplate(selection.request.look.templatePath, templateText))
        return Fail(QStringLiteral("cannot read the template %1")
                        .arg(QDir::toNativeSeparators(selection.request.look.templatePath)));
    page = ComposeFlyerPage(templateText, selection.request, settings);
    return Done;
}

int CheckSelectedPhotos(const FlyerSelection& selection, const CAppSettings& settings, Quality quality,
                        const QString& refusal)
{
    QStringList damaged;
    for (const CXFinding& finding :
         CheckProjectPhotos(selection.request.ProjectMode(), selection.request.record, settings,
                            selection.request.look.templatePath, quality != Quality::Screen)) {
        if (!refusal.isEmpty() && finding.rule == QLatin1String(kRulePhotoDamaged))
            damaged.append(finding.message);
        else
            Warn(finding.message);
    }
    if (damaged.isEmpty())
        return Done;
    for (qsizetype i = 0; i + 1 < damaged.size(); ++i)
        Warn(damaged.at(i));
    return Fail(damaged.constLast() + QLatin1Char(' ') + refusal);
}

int WritePrintQualityOutput(const QByteArray& pdf, const QString& out, int pageIndex, CAppSettings* settings)
{
    QImage picture;
    if (PrintExportWantsPicture(out)) {
        picture = RasterisePrintPage(pdf, 300.0, pageIndex);
        if (picture.isNull())
            return Fail(QStringLiteral("cannot draw the print-quality page as a picture"));
    }
    QString error;
    const bool written = settings ? WritePrintQualityFile(*settings, pdf, picture, out, &error)
                                  : WritePrintQualityFile(pdf, picture, out, &error);
    return written ? Done : Fail(error.simplified());
}

} // namespace Cli
