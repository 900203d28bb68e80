#pragma once

#include "compose/findings.h"
#include "flyer/flyerrequest.h"
#include "formats/csvreader.h"
#include "flyer/flyerdata.h"
#include "flyer/listingextras.h"
#include "output/campaign.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>

// Batch flyers: one finished flyer file per listing row of a spreadsheet, each row taken through the
// same checks, photo intake, merge, renderer and export as a project made in the window.

enum class BatchFormat
{
    Pdf,
    Png,
    Jpeg
};
// "pdf", "png" or "jpg", in any case.
bool ParseBatchFormat(const QString& text, BatchFormat& format);
QString BatchFormatExtension(BatchFormat format); // ".pdf", ".png", ".jpg"

// The column names of the header row, and those without which no row can be made.
QStringList ListingColumns();
QStringList RequiredListingColumns();

struct ListingRow
{
    int line = 0;          // line of the spreadsheet file on which the row starts
    QString error;         // why no flyer can be made from the row; empty when one can
    CFlyerData flyer;      // the row's texts; m_photos holds the chosen photo files as full paths
    CListingExtras extras; // the url and crop columns
};

struct ListingSheet
{
    QString error;          // the file as a whole cannot be used (no header, a required column missing)
    QStringList problems;   // input left unused though the rows are made (an unknown column), naming its line
    QStringList notes;      // for the user's information only (the file's encoding)
    QList<ListingRow> rows; // every listing row, good or bad, in file order; blank rows are left out
};

// A listing spreadsheet read row by row, so that a sheet of any length is never held as rows in
// memory: its text once, and the row being made.
class CXListingSheetReader
{
public:
    CXListingSheetReader();
    ~CXListingSheetReader();
    Q_DISABLE_COPY_MOVE(CXListingSheetReader)

    // Folders besides the sheet's own that its photos may come from (PageLoadRoots without a
    // project); a photo anywhere else is a bad row. Given before Open.
    void SetPictureRoots(const QStringList& roots);

    // Reads the file and its header row. False when the sheet as a whole cannot be used (Error());
    // Notes() then still says how the file was read.
    bool Open(const QString& csvPath);
    // The same over records from next(); photo paths that are not absolute are taken from
    // baseFolder. rewind, when given, starts the records again (RowCount needs it).
    bool Open(std::function<bool(CsvRecord&)> next, const QString& baseFolder, std::function<void()> rewind = {});

    QString Error() const { return m_strError; }
    QStringList Problems() const { return m_problems; }
    QStringList Notes() const { return m_notes; }

    // The next listing row (blank rows are left out), checked as ReadRow does; false at the end.
    bool Next(ListingRow& row);
    // Only the line of the next listing row, unchecked: for the rows a stopped run still reports.
    bool NextLine(int& line);
    // How many listing rows the sheet holds (those starting on the lines firstLine to lastLine); read
    // once more to count them, before the first Next.
    int RowCount(int firstLine = 1, int lastLine = std::numeric_limits<int>::max());

private:
    // The next record that is not blank; false at the end.
    bool NextFilled(CsvRecord& record);

    struct State;
    std::unique_ptr<State> m_pState;
    std::unique_ptr<CXCsvReader> m_pCsv;
    QString m_strError;
    QStringList m_problems;
    QStringList m_notes;
};

// The listing rows of records already read. Photo paths that are not absolute are taken from
// baseFolder, the folder of the spreadsheet. Each row is checked as the Flyer Details dialog checks
// its input, photo sizes included.
ListingSheet ReadListingSheet(const QList<CsvRecord>& records, const QString& baseFolder);
ListingSheet ReadListingSheet(const QString& csvPath);

// A file name from name: characters that Linux, macOS or Windows refuse in a name become "_", and
// the name can neither climb out of its folder nor hide (no leading dot) nor exceed 200 bytes.
QString SafeFlyerFileName(const QString& name);
// name made unique among taken (compared without regard to case, as the file may well end up on a
// disk that ignores it) by numbering it "base (2).ext", "base (3).ext" ...; the result is added.
QString UniqueFlyerFileName(const QString& name, QSet<QString>& taken);

struct BatchJob
{
    QString templateText;
    FlyerLook look;
    QSize pageSize = kLetterPage;
    QString backTemplatePath; // a two-sided theme's back page: the PDFs' second page
    QString outFolder;
    BatchFormat format = BatchFormat::Pdf;
    bool printQuality = false; // the vector page with photos at print resolution, not the 96-dpi picture
    bool press = false;        // that page on its bleed sheet, with trim and bleed boxes
    bool pressMarks = false;   // and crop marks
    // Folders the rows' photos come from besides the page's own (the sheet's): print copies are cut
    // from the originals there.
    QStringList pictureRoots;
    // With a campaign, each row gets a folder (named as its flyer would be) holding these files,
    // in place of one flyer; their names follow the row's listing.
    bool campaign = false;
    QList<CCampaignItem> campaignPlan;
    // Scratch space: each row's project (its intake photos, the sidebar picture, the export's
    // intermediate files) lives in a sub-folder of its own, removed once its flyer is written.
    QString workFolder;
};

// The rows of a sheet that one run makes: those that start on the file lines first to last.
struct BatchRowRange
{
    int first = 1;
    int last = std::numeric_limits<int>::max();
    bool Contains(int line) const { return line >= first && line <= last; }
};
// "A-B", "A-" (to the end) or "A", line numbers from 1; false for anything else or B before A.
bool ParseBatchRowRange(const QString& text, BatchRowRange& range);

// The summary names this many skipped lines and counts the rest.
inline constexpr int kNamedFailedLines = 20;

enum class BatchRowStatus
{
    Made,
    Failed,     // the row or one of its steps failed; problems say why
    Exists,     // --skip-existing: its flyer was there already
    Interrupted // the run was stopped before its flyer was made
};
QString BatchRowStatusName(BatchRowStatus status); // "made", "failed", "exists", "interrupted"

struct BatchRowReport
{
    int line = 0;
    BatchRowStatus status = BatchRowStatus::Failed;
    QString file; // the flyer, made or found there (empty when the row got no name)
    QStringList problems;
    CXFindings findings; // what the preflight found on the flyer made (advertising rules, cut texts ...)
    double seconds = 0;
};
// One entry of the --report file: {"line", "status", "file", "problems", "findings", "seconds"}, compact;
// "findings" as preflight gives them ({"rule", "field", "level", "message"}).
QByteArray BatchReportEntryJson(const BatchRowReport& report);
// The whole report: a JSON array of the entries, one a line.
QByteArray BatchReportJson(const QList<QByteArray>& entries);

// The QTemporaryDir template of a run's scratch folder in tempFolder: "listora-batch-<pid>-XXXXXX",
// so that a later run can tell whether its owner still lives.
QString BatchWorkFolderTemplate(const QString& tempFolder);
// Removes the scratch folders in tempFolder that runs killed before they could clean up left behind:
// those whose owner process is gone, and those of older versions (no owner in the name) once a day
// old. Returns how many went.
int RemoveDeadBatchFolders(const QString& tempFolder);

// The progress line on a terminal: "12/50 flyers, 7.9/s, 0:05 left, 1 failed".
QString BatchProgressText(int done, int total, int failed, qint64 elapsedMs);
