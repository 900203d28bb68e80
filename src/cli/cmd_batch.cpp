#include "settings/diagnostics.h"
#include "cli/batchrun.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "compose/loadpolicy.h"
#include "settings/workingfolders.h"
#include "catalogue/themecatalogue.h"
#include "compose/templatemerge.h"
#include "output/campaign.h"
#include "output/batchflyers.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>

#include <cstdio>

namespace {

// The shell's code for a command ended by Ctrl-C.
constexpr int kInterrupted = 130;
// Each job runs a browser engine of its own.
constexpr int kMaxJobs = 64;

void PrintProgress(const QString& line)
{
    Diagnostics::WriteUserError(line.toUtf8() + '\n');
}

// The first lines by number, the rest counted: a sheet of a million bad rows stays one short line.
QString LineList(const QList<int>& lines, int total)
{
    QStringList texts;
    for (const int line : lines)
        texts.append(QString::number(line));
    QString text = texts.join(QStringLiteral(", "));
    if (total > lines.size())
        text += QStringLiteral(" and %1 more").arg(total - lines.size());
    return text;
}

const char kHelp[] = R"help(usage: listora-cli batch FILE.csv --theme NAME --out DIR [options]

Makes one flyer per listing row of a spreadsheet saved as CSV, into the folder DIR. The flyers are
named "MLS - address - city line" with the format's extension; a name that comes twice is numbered
"(2)", "(3)" ... in the order of the rows.

  --format pdf|png|jpg    the flyers' file format (default pdf)
  --quality print|screen|press
                          print (the default): the vector page with photos at up to 300 ppi (PDF),
                          or that page at 300 dpi (PNG, JPEG: 2550 x 3300); photos that would print
                          under 150 ppi are named on standard error, and the flyer is made anyway.
                          screen: the 816 x 1056 flyer picture, as Export makes it.
                          press: the print page on a sheet 0.125 in larger on every side (the
                          bleed), with trim and bleed boxes, for a print shop.
  --marks                 with --quality press: crop marks outside the bleed
  --jobs N                rows made at once, each with a page engine of its own (default: the
                          number of processor cores, here %1). Every N gives the same files.
  --rows A-B              only the rows that start on the file lines A to B (the header is line
                          1); "A-" runs to the end. The names are those of a run of the whole sheet.
  --skip-existing         leave rows whose flyer is already in DIR (to resume a stopped run)
  --campaign              in place of one flyer, a folder per row (named as its flyer would be)
                          holding the row's campaign in the family of --theme: the flyer, the
                          press flyer, both postcards and the three social pictures
  --formats LIST          with --campaign: only these (flyer,press,postcard-6x4,postcard-9x6,
                          square,story,link)
  --report FILE.json      one entry per row: {"line", "status" (made, failed, exists,
                          interrupted), "file", "problems", "seconds"}

On a terminal, standard error shows one progress line (flyers done of all, flyers per second, time
left, failures); otherwise one line per row. Ctrl-C (or SIGTERM) starts no further rows, finishes
the flyers being drawn, removes every working file, prints the summary and exits with status 130;
a flyer file is never left half-written. Exit status: 0 all made, 1 a row failed, 2 usage.

Splitting a sheet across machines (each runs a part; the names fit together):
  parallel -S host1,host2 listora-cli batch listings.csv --theme "Gallery - KT401" \
      --out /shared/flyers --rows {} ::: 2-251 252-501 502-751 752-1001
  In a cluster's job array (Slurm: sbatch --array=0-3), each task makes 250 rows:
  A=$((2 + SLURM_ARRAY_TASK_ID * 250)); listora-cli batch listings.csv --theme "Gallery - KT401" \
      --out /shared/flyers --rows $A-$((A + 249)) --skip-existing
)help";

int Run(const QStringList& args)
{
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        Cli::PrintText(QString::fromUtf8(kHelp).arg(QThread::idealThreadCount()).trimmed());
        return Cli::Done;
    }
    Cli::Options options;
    QString error;
    const QStringList valueOptions = {QStringLiteral("theme"),   QStringLiteral("out"),    QStringLiteral("format"),
                                      QStringLiteral("quality"), QStringLiteral("jobs"),   QStringLiteral("report"),
                                      QStringLiteral("rows"),    QStringLiteral("formats")};
    if (!Cli::ParseOptions(args, valueOptions,
                           {QStringLiteral("skip-existing"), QStringLiteral("marks"), QStringLiteral("campaign")},
                           options, error))
        return Cli::Usage(error);
    for (const QString& name : valueOptions) {
        if (options.All(name).size() > 1)
            return Cli::Usage(QStringLiteral("--%1 given more than once").arg(name));
    }
    if (options.positional.size() != 1)
        return Cli::Usage(QStringLiteral("batch needs exactly one spreadsheet FILE.csv"));
    if (!options.Has(QStringLiteral("theme")))
        return Cli::Usage(QStringLiteral("batch needs --theme NAME"));
    if (options.Value(QStringLiteral("out")).isEmpty())
        return Cli::Usage(QStringLiteral("batch needs --out DIR"));
    const bool campaign = options.Has(QStringLiteral("campaign"));
    // A campaign names the format and quality of each of its files itself.
    if (campaign) {
        for (const char* name : {"format", "quality", "marks"}) {
            if (options.Has(QString::fromLatin1(name)))
                return Cli::Usage(QStringLiteral("--%1 does not go with --campaign").arg(QString::fromLatin1(name)));
        }
    } else if (options.Has(QStringLiteral("formats"))) {
        return Cli::Usage(QStringLiteral("--formats needs --campaign"));
    }
    QList<CampaignFormat> campaignFormats = AllCampaignFormats();
    if (options.Has(QStringLiteral("formats")) &&
        !ParseCampaignFormats(options.Value(QStringLiteral("formats")), campaignFormats, &error))
        return Cli::Usage(QStringLiteral("--formats: %1").arg(error));
    BatchFormat format = BatchFormat::Pdf;
    if (options.Has(QStringLiteral("format")) && !ParseBatchFormat(options.Value(QStringLiteral("format")), format))
        return Cli::Usage(
            QStringLiteral("--format needs pdf, png or jpg, not \"%1\"").arg(options.Value(QStringLiteral("format"))));
    Cli::Quality quality = Cli::Quality::Print;
    bool marks = false;
    if (const int rc = Cli::ParseQuality(options, true, Cli::Quality::Print, quality, marks); rc != Cli::Done)
        return rc;
    const bool print = quality != Cli::Quality::Screen;
    Cli::BatchRunOptions run;
    run.jobs = QThread::idealThreadCount();
    if (options.Has(QStringLiteral("jobs"))) {
        bool ok = false;
        run.jobs = options.Value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || run.jobs < 1 || run.jobs > kMaxJobs)
            return Cli::Usage(QStringLiteral("--jobs needs a number from 1 to %1, not \"%2\"")
                                  .arg(kMaxJobs)
                                  .arg(options.Value(QStringLiteral("jobs"))));
    }
    run.jobs = std::clamp(run.jobs, 1, kMaxJobs);
    if (options.Has(QStringLiteral("rows")) && !ParseBatchRowRange(options.Value(QStringLiteral("rows")), run.rows))
        return Cli::Usage(QStringLiteral("--rows needs the file lines A-B (A-: to the end), not \"%1\"")
                              .arg(options.Value(QStringLiteral("rows"))));
    run.skipExisting = options.Has(QStringLiteral("skip-existing"));
    if (options.Has(QStringLiteral("report"))) {
        run.reportPath = QFileInfo(options.Value(QStringLiteral("report"))).absoluteFilePath();
        // Found out now rather than after an hour of flyers.
        const QFileInfo folder(QFileInfo(run.reportPath).absolutePath());
        if (!folder.isDir() || !folder.isWritable())
            return Cli::Fail(QStringLiteral("cannot write the report %1: its folder is missing or read-only")
                                 .arg(QDir::toNativeSeparators(run.reportPath)));
    }
    const QString csvPath = options.positional.first();
    const QString outFolder = QFileInfo(options.Value(QStringLiteral("out"))).absoluteFilePath();

    CAppSettings settings;
    Cli::LoadProgramSettings(settings);
    // Theme, font and colour as for any flyer made without a project: the highlight colour and font
    // are the user's last choices, the profile and its switches come from the settings.
    Cli::FlyerSelection selection;
    if (const int rc = Cli::SelectFlyer(options, settings, selection); rc != Cli::Done)
        return rc;

    // The rows are read one at a time as their flyers are made; only the sheet's text is held.
    CXListingSheetReader sheet;
    // The rows' photos may come from the sheet's folder and from where a flyer page may load.
    sheet.SetPictureRoots(PageLoadRoots(settings, selection.request.look.templatePath, QString()));
    const bool opened = sheet.Open(csvPath);
    // How the file was read explains a header that could not be found in it.
    for (const QString& note : sheet.Notes())
        PrintProgress(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), note));
    if (!opened)
        return Cli::Fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), sheet.Error()));
    for (const QString& problem : sheet.Problems())
        PrintProgress(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), problem));

    BatchJob& job = run.job;
    job.look = selection.request.look;
    job.pageSize = selection.request.pageSize;
    job.backTemplatePath = selection.request.backTemplatePath;
    if (!LoadTemplate(selection.request.look.templatePath, job.templateText))
        return Cli::Fail(QStringLiteral("cannot read the template %1")
                             .arg(QDir::toNativeSeparators(selection.request.look.templatePath)));
    job.format = format;
    job.printQuality = print;
    job.press = quality == Cli::Quality::Press;
    job.pressMarks = marks;
    job.pictureRoots = QStringList{QFileInfo(csvPath).absolutePath()};
    job.outFolder = outFolder;
    if (campaign) {
        // The family of the theme named; its other formats make the rest of each row's set.
        CXThemeCatalogue catalogue;
        catalogue.LoadAvailableThemes(settings.Path2Themes, WorkingFolders::UserThemesFolder());
        const QString family = FindCampaignFamily(catalogue, FamilyOfTheme(catalogue, job.look.themeName));
        job.campaign = true;
        job.printQuality = true; // the rows keep their originals for the print pages
        job.campaignPlan = PlanCampaign(catalogue, family, campaignFormats, QString(), job.look.themeName);
    }
    if (!QDir().mkpath(outFolder) || !QFileInfo(outFolder).isDir())
        return Cli::Fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(outFolder)));
    if (!QFileInfo(outFolder).isWritable())
        return Cli::Fail(QStringLiteral("cannot write to the folder %1").arg(QDir::toNativeSeparators(outFolder)));

    // The projects of the rows are scratch: they live in the system's temporary folder, out of reach
    // of the program's own Temp folder, which a closing window empties.
    RemoveDeadBatchFolders(QDir::tempPath());
    QTemporaryDir work(BatchWorkFolderTemplate(QDir::tempPath()));
    if (!work.isValid())
        return Cli::Fail(QStringLiteral("cannot make a working folder: %1").arg(work.errorString()));
    job.workFolder = work.path();

    Cli::BatchRunResult result;
    {
        const Cli::CXQuietStdout quiet;
        result = Cli::RunBatch(sheet, run, settings);
    }
    if (!result.error.isEmpty() && result.made == 0 && !result.stopped)
        return Cli::Fail(result.error);

    const int total = result.total;
    QString text = QStringLiteral("made %1 of %2 flyer%3 in %4")
                       .arg(result.made)
                       .arg(total)
                       .arg(total == 1 ? QString() : QStringLiteral("s"), QDir::toNativeSeparators(outFolder));
    if (result.exists > 0)
        text += QStringLiteral("; %1 %2 there already").arg(result.exists).arg(result.exists == 1 ? "was" : "were");
    if (result.failed > 0)
        text +=
            QStringLiteral("; %1 row%2 skipped (line%2 %3)")
                .arg(result.failed)
                .arg(result.failed == 1 ? QString() : QStringLiteral("s"), LineList(result.failedLines, result.failed));
    const QStringList problems = sheet.Problems();
    if (!problems.isEmpty())
        text += QStringLiteral("; %1 column%2 ignored")
                    .arg(problems.size())
                    .arg(problems.size() == 1 ? QString() : QStringLiteral("s"));
    if (result.stopped)
        text += QStringLiteral("; stopped before the end, %1 row%2 not made")
                    .arg(total - result.made - result.exists - result.failed)
                    .arg(total - result.made - result.exists - result.failed == 1 ? QString() : QStringLiteral("s"));
    PrintProgress(text);
    if (!result.error.isEmpty())
        PrintProgress(result.error);
    if (result.stopped)
        return kInterrupted;
    return result.failed == 0 && problems.isEmpty() && result.error.isEmpty() ? Cli::Done : Cli::Failed;
}

Cli::Registrar reg(
    "batch",
    "batch FILE.csv --theme NAME --out DIR [--format pdf|png|jpg] [--quality print|screen|press [--marks]] [--jobs N] "
    "[--rows A-B] [--skip-existing] [--report FILE.json] [--campaign [--formats LIST]]  (batch --help: more)",
    &Run);

} // namespace
