#include "app/diagnostics.h"
#include "cli/clicommand.h"
#include "cli/flyerselectors.h"
#include "cli/quietstdout.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "output/batchflyers.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

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

int Run(const QStringList& args)
{
    Cli::Options options;
    QString error;
    const QStringList valueOptions = {QStringLiteral("theme"), QStringLiteral("out"), QStringLiteral("format")};
    if (!Cli::ParseOptions(args, valueOptions, {}, options, error))
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
    BatchFormat format = BatchFormat::Pdf;
    if (options.Has(QStringLiteral("format")) && !ParseBatchFormat(options.Value(QStringLiteral("format")), format))
        return Cli::Usage(
            QStringLiteral("--format needs pdf, png or jpg, not \"%1\"").arg(options.Value(QStringLiteral("format"))));
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
    const bool opened = sheet.Open(csvPath);
    // How the file was read explains a header that could not be found in it.
    for (const QString& note : sheet.Notes())
        PrintProgress(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), note));
    if (!opened)
        return Cli::Fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), sheet.Error()));
    for (const QString& problem : sheet.Problems())
        PrintProgress(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(csvPath), problem));
    const int total = sheet.RowCount();

    BatchJob job;
    job.templatePath = selection.templatePath;
    if (!LoadTemplate(selection.templatePath, job.templateText))
        return Cli::Fail(
            QStringLiteral("cannot read the template %1").arg(QDir::toNativeSeparators(selection.templatePath)));
    job.themeName = selection.themeName;
    job.font = selection.font;
    job.color = selection.color;
    job.format = format;
    job.outFolder = outFolder;
    if (!QDir().mkpath(outFolder) || !QFileInfo(outFolder).isDir())
        return Cli::Fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(outFolder)));
    if (!QFileInfo(outFolder).isWritable())
        return Cli::Fail(QStringLiteral("cannot write to the folder %1").arg(QDir::toNativeSeparators(outFolder)));

    // The projects of the rows are scratch: they live in the system's temporary folder, out of reach
    // of the program's own Temp folder, which a closing window empties.
    QTemporaryDir work(QDir(QDir::tempPath()).filePath(QStringLiteral("listora-batch-XXXXXX")));
    if (!work.isValid())
        return Cli::Fail(QStringLiteral("cannot make a working folder: %1").arg(work.errorString()));
    job.workFolder = work.path();

    // The renderer starts with the first row that needs it.
    CXHTML2Image renderer;
    bool started = false;
    bool startFailed = false;
    const auto nextRow = [&](ListingRow& row) {
        if (!sheet.Next(row))
            return false;
        if (!started && row.error.isEmpty()) {
            started = true;
            startFailed = !renderer.WarmUp(&error);
        }
        return !startFailed;
    };

    const Cli::CXQuietStdout quiet;
    const BatchSummary summary =
        MakeBatchFlyers(nextRow, total, job, settings, renderer, [](const BatchProgress& progress) {
            const QString head =
                QStringLiteral("[%1/%2] line %3: ").arg(progress.index).arg(progress.total).arg(progress.line);
            PrintProgress(head + (progress.made ? QDir::toNativeSeparators(progress.file)
                                                : QStringLiteral("skipped: ") + progress.error));
        });

    if (startFailed)
        return Cli::Fail(QStringLiteral("cannot start the renderer: %1").arg(error));

    QString text = QStringLiteral("made %1 of %2 flyer%3 in %4")
                       .arg(summary.made)
                       .arg(total)
                       .arg(total == 1 ? QString() : QStringLiteral("s"), QDir::toNativeSeparators(outFolder));
    if (summary.failed > 0)
        text += QStringLiteral("; %1 row%2 skipped (line%2 %3)")
                    .arg(summary.failed)
                    .arg(summary.failed == 1 ? QString() : QStringLiteral("s"),
                         LineList(summary.failedLines, summary.failed));
    const QStringList problems = sheet.Problems();
    if (!problems.isEmpty())
        text += QStringLiteral("; %1 column%2 ignored")
                    .arg(problems.size())
                    .arg(problems.size() == 1 ? QString() : QStringLiteral("s"));
    PrintProgress(text);
    return summary.failed == 0 && problems.isEmpty() ? Cli::Done : Cli::Failed;
}

Cli::Registrar reg("batch", "batch FILE.csv --theme NAME --out DIR [--format pdf|png|jpg]", &Run);

} // namespace
