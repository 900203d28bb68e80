#pragma once

#include "output/batchflyers.h"

#include <QList>
#include <QString>

class CAppSettings;

// A batch run of listora-cli: rows read in order, their photos taken in on a pool of threads while
// earlier rows render, each rendered by one of several render workers (one per job), and the flyers
// named in row order, so that any number of jobs gives the same files. A SIGINT or SIGTERM stops the
// run cleanly: no new rows, the rows in the renderers finished, the others dropped.
namespace Cli {

struct BatchRunOptions
{
    BatchJob job;
    int jobs = 1;
    bool skipExisting = false;
    BatchRowRange rows;
    QString reportPath; // empty: no report
};

struct BatchRunResult
{
    int total = 0; // rows in the range
    int made = 0;
    int failed = 0;
    int exists = 0;
    int interrupted = 0;
    QList<int> failedLines; // the first kNamedFailedLines of them
    bool stopped = false;   // by a signal
    QString error;          // the run as a whole failed (the renderer could not start, the report not be written)
};

BatchRunResult RunBatch(CXListingSheetReader& sheet, const BatchRunOptions& options, const CAppSettings& settings);

} // namespace Cli
