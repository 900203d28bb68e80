#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "compose/render/campaignpages.h"
#include "compose/render/xhtml2image.h"
#include "output/campaign.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    const QStringList valueOptions = {QStringLiteral("project"), QStringLiteral("out"), QStringLiteral("family"),
                                      QStringLiteral("formats")};
    if (!Cli::ParseOptions(args, valueOptions, {}, options, error))
        return Cli::Usage(error);
    if (!options.positional.isEmpty())
        return Cli::Usage(QStringLiteral("campaign takes no argument %1").arg(options.positional.first()));
    for (const QString& name : valueOptions) {
        if (options.All(name).size() > 1)
            return Cli::Usage(QStringLiteral("--%1 given more than once").arg(name));
    }
    if (options.Value(QStringLiteral("project")).isEmpty())
        return Cli::Usage(QStringLiteral("campaign needs --project FILE"));
    if (options.Value(QStringLiteral("out")).isEmpty())
        return Cli::Usage(QStringLiteral("campaign needs --out DIR"));
    QList<CampaignFormat> formats = AllCampaignFormats();
    if (options.Has(QStringLiteral("formats")) &&
        !ParseCampaignFormats(options.Value(QStringLiteral("formats")), formats, &error))
        return Cli::Usage(QStringLiteral("--formats: %1").arg(error));

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());

    CCampaignListing listing;
    const QString projectPath = options.Value(QStringLiteral("project"));
    const FlyerFileStatus status = listing.record.Load(projectPath);
    if (status.kind == FlyerFileStatus::OpenFailed)
        return Cli::Fail(QStringLiteral("cannot open the project file %1").arg(QDir::toNativeSeparators(projectPath)));
    if (!status.IsOk())
        return Cli::Fail(status.text);
    const CListingExtras::Status extrasStatus = listing.extras.Load(listing.record.GetFolder(), projectPath);
    if (extrasStatus.kind == CListingExtras::Damaged || extrasStatus.stale)
        Cli::Warn(extrasStatus.text);
    listing.font = listing.record.m_strFont;
    listing.color = listing.record.m_crColor;

    QString family;
    if (options.Has(QStringLiteral("family"))) {
        family = FindCampaignFamily(catalogue, options.Value(QStringLiteral("family")));
        if (family.isEmpty())
            return Cli::Usage(QStringLiteral("no theme belongs to the family \"%1\"; the families are %2")
                                  .arg(options.Value(QStringLiteral("family")),
                                       CampaignFamilies(catalogue).join(QStringLiteral(", "))));
    } else {
        const QString wanted = FamilyOfTheme(catalogue, listing.record.m_strTheme);
        family = FindCampaignFamily(catalogue, wanted);
        if (family.isEmpty())
            return Cli::Fail(
                QStringLiteral("the project's theme \"%1\" belongs to no family in the catalogue; name "
                               "one with --family (%2)")
                    .arg(listing.record.m_strTheme, CampaignFamilies(catalogue).join(QStringLiteral(", "))));
    }

    const QString folder = QFileInfo(options.Value(QStringLiteral("out"))).absoluteFilePath();
    const QList<CCampaignItem> plan =
        PlanCampaign(catalogue, family, formats, CampaignBaseName(listing.record), listing.record.m_strTheme);
    CXHTML2Image renderer;
    renderer.WarmUp();
    CXCampaignRun run(plan, listing, settings, EngineCampaignPages(renderer), folder);
    QObject::connect(&run, &CXCampaignRun::FileDone, &run, [](const CCampaignResult& result, int, int) {
        const QString path = QDir::toNativeSeparators(result.path);
        Cli::PrintText((result.made ? QStringLiteral("made ") : QStringLiteral("failed ")) + path);
        if (!result.made)
            Cli::Warn(QStringLiteral("cannot make %1: %2").arg(path, result.error));
    });
    if (!run.RunToEnd(&error))
        return Cli::Fail(error);
    return run.FailureLines().isEmpty() ? Cli::Done : Cli::Failed;
}

Cli::Registrar reg("campaign",
                   "campaign --project FILE --out DIR [--family NAME] "
                   "[--formats flyer,press,postcard-6x4,postcard-9x6,square,story,link]",
                   &Run);

} // namespace
