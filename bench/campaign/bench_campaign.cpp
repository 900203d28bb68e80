// A listing's whole campaign (seven files), warm, against Chromium making the same merged pages.
#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "compose/render/campaignpages.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/campaign.h"
#include "settings/appsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// One page for the peer: the merged HTML and what Chromium is to make of it.
struct PeerPage
{
    QString html;
    QSize size;
    bool picture = false;
};

bool WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// Chromium, one process per page as a script would run it; the wall-clock milliseconds of the set.
double TimeChromium(const QString& chromium, const QList<PeerPage>& pages, const QDir& work)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < pages.size(); ++i) {
        const PeerPage& page = pages.at(i);
        const QString output = work.filePath(QStringLiteral("chromium-%1.%2").arg(i).arg(page.picture ? "png" : "pdf"));
        QFile::remove(output);
        QStringList args = {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                            QStringLiteral("--disable-gpu"), QStringLiteral("--hide-scrollbars"),
                            QStringLiteral("--user-data-dir=") + work.filePath(QStringLiteral("chromium-profile"))};
        if (page.picture)
            args << QStringLiteral("--window-size=%1,%2").arg(page.size.width()).arg(page.size.height())
                 << QStringLiteral("--screenshot=") + output;
        else
            args << QStringLiteral("--no-pdf-header-footer") << QStringLiteral("--print-to-pdf=") + output;
        args << QUrl::fromLocalFile(page.html).toString();
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(chromium, args);
        if (!process.waitForFinished(120000) || process.exitCode() != 0 || !QFile::exists(output)) {
            std::fprintf(stderr, "chromium failed on %s\n", qPrintable(page.html));
            return -1;
        }
    }
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Listora"));
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("project"), QStringLiteral("The listing."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("family"), QStringLiteral("The theme family."), QStringLiteral("NAME")});
    parser.addOption(
        {QStringLiteral("runs"), QStringLiteral("Timed campaigns."), QStringLiteral("N"), QStringLiteral("9")});
    parser.addOption(
        {QStringLiteral("peer-runs"), QStringLiteral("Timed peer sets."), QStringLiteral("N"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("work"), QStringLiteral("Scratch folder."), QStringLiteral("DIR")});
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const int peerRuns = std::max(1, parser.value(QStringLiteral("peer-runs")).toInt());
    const QDir work(parser.value(QStringLiteral("work")));

    CAppSettings settings;
    WorkingFolders::InitAppSettings(settings);
    CXThemeCatalogue catalogue;
    catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
    CCampaignListing listing;
    const QString project = parser.value(QStringLiteral("project"));
    if (!listing.record.Load(project).IsOk()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(project));
        return 1;
    }
    listing.extras.Load(listing.record.GetFolder(), project);
    listing.font = listing.record.m_strFont;
    listing.color = listing.record.m_crColor;
    const QString family = FindCampaignFamily(catalogue, parser.value(QStringLiteral("family")));
    const QList<CCampaignItem> plan = PlanCampaign(catalogue, family, AllCampaignFormats(),
                                                   CampaignBaseName(listing.record), listing.record.m_strTheme);
    for (const CCampaignItem& item : plan) {
        if (!item.theme) {
            std::fprintf(stderr, "%s\n", qPrintable(item.problem));
            return 1;
        }
    }

    CXHTML2Image renderer;
    if (!renderer.WarmUp()) {
        std::fprintf(stderr, "the renderer could not be started\n");
        return 1;
    }
    const CCampaignEngine engine = EngineCampaignPages(renderer);
    QList<double> times;
    for (int i = -1; i < runs; ++i) { // one campaign to warm up (engine, print copies)
        const QString folder = work.filePath(QStringLiteral("campaign-%1").arg(i + 1));
        CXCampaignRun run(plan, listing, settings, engine, folder);
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (!run.RunToEnd(&error) || !run.FailureLines().isEmpty()) {
            std::fprintf(stderr, "the campaign failed: %s\n",
                         qPrintable(error + run.FailureLines().join(QStringLiteral("; "))));
            return 1;
        }
        if (i >= 0)
            times.append(clock.nsecsElapsed() / 1e6);
    }
    const double ours = Median(times);

    // The same pages merged once and handed to Chromium: the pictures as screenshots, the flyer
    // (twice, as the campaign makes it) and each card's front and back as PDFs.
    QList<PeerPage> pages;
    for (const CCampaignItem& item : plan) {
        const CXThemeTemplateInfo& theme = *item.theme;
        QStringList templates = {theme.GetTemplate()};
        if (!theme.GetBackTemplate().isEmpty())
            templates.append(theme.GetBackTemplate());
        for (const QString& path : std::as_const(templates)) {
            QString text;
            if (!LoadTemplate(path, text))
                return 1;
            FlyerRequest request;
            request.look = FlyerLook{theme.GetName(), path, listing.font, listing.color};
            request.record = listing.record;
            request.extras = listing.extras;
            request.pageSize = theme.GetPageSize();
            const QString html = work.filePath(QStringLiteral("page-%1.html").arg(pages.size()));
            if (!WriteText(html, ComposeFlyerPage(text, request, settings).page))
                return 1;
            pages.append(PeerPage{html, theme.GetPageSize(), IsCampaignPicture(item.format)});
        }
    }
    QList<double> peerTimes;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    for (int i = 0; !chromium.isEmpty() && i < peerRuns; ++i) {
        const double ms = TimeChromium(chromium, pages, work);
        if (ms < 0) {
            peerTimes.clear();
            break;
        }
        peerTimes.append(ms);
    }

    std::printf("campaign: family \"%s\", %lld files (%lld pages), four photos, %d runs\n", qPrintable(family),
                static_cast<long long>(plan.size()), static_cast<long long>(pages.size()), runs);
    std::printf("%-48s median %8.1f ms\n", "listora campaign (warm)", ours);
    if (peerTimes.isEmpty())
        std::printf("%-48s not available\n", "chromium --headless, one process per page");
    else
        std::printf("%-48s median %8.1f ms  (listora / peer = %.3f)\n", "chromium --headless, one process per page",
                    Median(peerTimes), ours / Median(peerTimes));
    std::printf("goal: median <= 2500 ms: %s\n", ours <= 2500.0 ? "met" : "NOT met");
    return 0;
}
