#include "cli/batchrun.h"

#include "compose/adrules.h"

#include "settings/diagnostics.h"
#include "compose/loadpolicy.h"
#include "compose/printphotos.h"
#include "compose/render/campaignpages.h"
#include "compose/render/printpage.h"
#include "compose/render/xhtml2image.h"
#include "compose/templatemerge.h"
#include "formats/filewriter.h"
#include "output/batchintake.h"
#include "output/flyerexport.h"
#include "output/printexport.h"
#include "flyer/flyerdata.h"
#include "settings/appsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Cli {
namespace {

// Rows read in one go before the event loop gets a turn (a sheet of a million bad rows).
constexpr int kRowsPerTurn = 500;
// The progress line is redrawn at most this often.
constexpr qint64 kRedrawMs = 150;
constexpr char kNotMadeInterrupted[] = "not made (interrupted)";

// One row on its way through the run. Only one thread works on it at a time: the main thread, then
// an intake thread, then a lane, then the main thread again.
struct RowWork
{
    int index = 0; // 1-based among the rows of the range
    int line = 0;
    CFlyerData flyer;
    CListingExtras extras;
    QString folder;      // the row's scratch project
    QString destination; // its flyer in the output folder
    QStringList problems;
    QStringList warnings; // photos that print small
    CXFindings findings;  // the flyer's preflight findings, for the report
    BatchRowStatus status = BatchRowStatus::Failed;
    bool done = false;
    QElapsedTimer clock;
    double seconds = 0;
};
using RowPtr = std::shared_ptr<RowWork>;

// The campaign's files as this row's listing names them.
QList<CCampaignItem> RowCampaignPlan(const BatchJob& job, const CFlyerData& flyer)
{
    QList<CCampaignItem> plan = job.campaignPlan;
    const QString base = CampaignBaseName(flyer);
    for (CCampaignItem& item : plan)
        item.fileName = CampaignFileName(base, item.format);
    return plan;
}

// A campaign counts as there already only when every one of its files is.
bool CampaignExists(const BatchJob& job, const CFlyerData& flyer, const QString& folder)
{
    for (const CCampaignItem& item : RowCampaignPlan(job, flyer)) {
        if (!QFileInfo::exists(QDir(folder).filePath(item.fileName)))
            return false;
    }
    return true;
}

QString OneLine(QString text)
{
    text.replace(QLatin1String("\n\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.trimmed();
}

// Puts the finished file in place, replacing an earlier one only once the new one is complete.
bool PlaceFile(const QString& source, const QString& destination, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the flyer could not be read back: %1").arg(in.errorString());
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (bytes.size() != in.size()) {
        *error = QStringLiteral("the flyer could not be read back: %1").arg(in.errorString());
        return false;
    }
    return CXFileWriter::WriteFile(destination, bytes, error);
}

// One render worker and the thread that waits for it. Everything but construction happens on that
// thread, where the worker's client object lives.
class CXBatchLane : public QObject
{
public:
    CXBatchLane(const BatchJob& job, const CAppSettings& settings) : m_job(job), m_settings(settings) {}

    bool WarmUp(QString* error) { return Renderer().WarmUp(error); }

    FlyerRequest RowRequest(const RowWork& row) const
    {
        FlyerRequest request;
        request.look = m_job.look;
        request.record = row.flyer;
        request.extras = row.extras;
        request.pageSize = m_job.pageSize;
        request.backTemplatePath = m_job.backTemplatePath;
        return request;
    }

    void Make(RowWork& row)
    {
        CAppSettings rowSettings = m_settings;
        // The sidebar caption picture belongs to the row's folder, not the program's shared one.
        rowSettings.Path2TempFolder = row.folder;
        if (m_job.campaign) {
            MakeCampaign(row, rowSettings);
            return;
        }
        // The export picks the format by the path; a fixed name in the row's folder keeps a ".pdf"
        // somewhere in the output folder's name from turning a PNG into a PDF.
        const QString scratch = QDir(row.folder).filePath(QStringLiteral("flyer") + BatchFormatExtension(m_job.format));
        QString why;
        bool written = false;
        if (m_job.printQuality) {
            CXFlyerSource source;
            source.templateText = m_job.templateText;
            source.request = RowRequest(row);
            source.settings = &rowSettings;
            // The copies are the row's, not the user's cache: nobody prints this row again.
            source.printCopyFolder = row.folder;
            source.pictureRoots = m_job.pictureRoots;
            source.makePrintCopy = &MakeBatchPrintCopy;
            CXPrintPage page;
            const PrintPageWork work = !m_job.press       ? PrintPageWork::Pdf
                                       : m_job.pressMarks ? PrintPageWork::PressWithMarks
                                                          : PrintPageWork::Press;
            if (!MakePrintPage(Renderer(), source, work, page, &why)) {
                row.problems.append(OneLine(why));
                return;
            }
            // Texts cut to fit and the advertising rules are named, as photos that print small are; none
            // stops the flyer.
            row.findings = page.findings;
            for (const CXFinding& finding : std::as_const(page.findings)) {
                if (finding.rule == QLatin1String("text-fit") || finding.rule.startsWith(QLatin1String("brokerage")))
                    row.warnings.append(finding.message);
            }
            if (m_job.press) {
                for (const CXFinding& finding : std::as_const(page.pressFindings))
                    row.warnings.append(finding.message);
            }
            for (const CXPreflightEntry& entry : std::as_const(page.preflight)) {
                if (!entry.ok)
                    row.warnings.append(
                        QStringLiteral("%1 prints at %2 ppi, under %3 ppi: small for print")
                            .arg(entry.slot <= 4 ? QStringLiteral("photo%1").arg(entry.slot) : SlotName(entry.slot))
                            .arg(qRound(entry.ppi))
                            .arg(int(kPreflightPpi)));
            }
            QImage picture;
            if (m_job.format != BatchFormat::Pdf) {
                picture = RasterisePrintPage(page.pdf, kPrintPpi);
                if (picture.isNull()) {
                    row.problems.append(QStringLiteral("the print-quality page could not be drawn as a picture"));
                    return;
                }
            }
            written = WritePrintQualityFile(page.pdf, picture, scratch, &why);
        } else {
            const CFlyerPage page = ComposeFlyerPage(m_job.templateText, RowRequest(row), rowSettings);
            Renderer().SetLoadRoots(PageLoadRoots(rowSettings, m_job.look.templatePath, row.folder));
            QImage image;
            if (!Renderer().Render(page.page, m_job.pageSize.width(), m_job.pageSize.height(), image, &why)) {
                row.problems.append(QStringLiteral("the flyer could not be rendered: %1").arg(why));
                return;
            }
            row.findings = AdRules::Findings(rowSettings, true, AdRules::FromReport(Renderer().LastFitReport()),
                                             m_job.look.themeName);
            for (const CXFinding& finding : std::as_const(row.findings))
                row.warnings.append(finding.message);
            QImage back;
            if (!m_job.backTemplatePath.isEmpty() && IsPdfExportPath(scratch)) {
                CXFlyerSource source;
                source.request = RowRequest(row);
                source.settings = &rowSettings;
                back = RenderBackPicture(Renderer(), source, &why);
                if (back.isNull()) {
                    row.problems.append(OneLine(why));
                    return;
                }
            }
            written = ExportFlyerFile(image, scratch, row.folder, row.flyer.m_strId, &why, back);
        }
        if (written)
            written = PlaceFile(scratch, row.destination, &why);
        if (!written) {
            row.problems.append(OneLine(why));
            return;
        }
        row.status = BatchRowStatus::Made;
    }

    // The row's campaign in its folder: every file is tried; the row is made when all of them are.
    void MakeCampaign(RowWork& row, const CAppSettings& rowSettings)
    {
        if (!QDir().mkpath(row.destination)) {
            row.problems.append(
                QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(row.destination)));
            return;
        }
        CCampaignListing listing;
        listing.record = row.flyer;
        listing.extras = row.extras;
        listing.font = m_job.look.font;
        listing.color = m_job.look.color;
        CXFlyerSource base;
        base.printCopyFolder = row.folder;
        base.pictureRoots = m_job.pictureRoots;
        base.makePrintCopy = &MakeBatchPrintCopy;
        const CCampaignEngine engine = EngineCampaignPages(Renderer(), base);
        for (const CCampaignItem& item : RowCampaignPlan(m_job, row.flyer)) {
            const CCampaignResult result =
                MakeCampaignFile(item, listing, rowSettings, engine, row.destination, row.folder);
            if (!result.made)
                row.problems.append(QStringLiteral("%1: %2").arg(item.fileName, result.error));
        }
        if (row.problems.isEmpty())
            row.status = BatchRowStatus::Made;
    }

    void Shutdown() { m_pRenderer.reset(); }

private:
    CXHTML2Image& Renderer()
    {
        if (!m_pRenderer) {
            m_pRenderer = std::make_unique<CXHTML2Image>();
            m_pRenderer->SetOwnProcessGroup(true);
        }
        return *m_pRenderer;
    }

    const BatchJob& m_job;
    const CAppSettings& m_settings;
    std::unique_ptr<CXHTML2Image> m_pRenderer;
};

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int signo)
{
    // Only the wake-up happens here; the event loop does the rest.
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}
#endif

// SIGINT and SIGTERM, while it lives, become bytes on a pipe that the event loop watches.
class CXStopSignals
{
    Q_DISABLE_COPY_MOVE(CXStopSignals)

public:
    CXStopSignals()
    {
#ifdef Q_OS_UNIX
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        m_bInstalled = true;
#endif
    }
    ~CXStopSignals()
    {
#ifdef Q_OS_UNIX
        if (!m_bInstalled)
            return;
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
#endif
    }
    int ReadEnd() const
    {
#ifdef Q_OS_UNIX
        return m_bInstalled ? g_signalPipe[0] : -1;
#else
        return -1;
#endif
    }
    void Drain() const
    {
#ifdef Q_OS_UNIX
        char bytes[64];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
#endif
    }

private:
#ifdef Q_OS_UNIX
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
#endif
    bool m_bInstalled = false;
};

bool IsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(::fileno(Diagnostics::UserError())) == 1;
#else
    return false;
#endif
}

class CXBatchRun : public QObject
{
public:
    CXBatchRun(CXListingSheetReader& sheet, const BatchRunOptions& options, const CAppSettings& settings)
        : m_sheet(sheet), m_options(options), m_settings(settings), m_bTerminal(IsTerminal())
    {
        m_pool.setMaxThreadCount(std::max(1, options.jobs));
    }
    ~CXBatchRun() override { StopLanes(); }
    Q_DISABLE_COPY_MOVE(CXBatchRun)

    BatchRunResult Run()
    {
        m_result.total = m_sheet.RowCount(m_options.rows.first, m_options.rows.last);
        // Each lane holds a browser engine: no more of them than there are rows to make.
        m_nLanes = std::max(1, std::min(m_options.jobs, m_result.total));
        m_nWindow = 2 * m_nLanes + 2;

        QEventLoop loop;
        m_pLoop = &loop;
        const CXStopSignals stopSignals;
        std::unique_ptr<QSocketNotifier> notifier;
        if (stopSignals.ReadEnd() >= 0) {
            notifier = std::make_unique<QSocketNotifier>(stopSignals.ReadEnd(), QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, this, [this, &stopSignals] {
                stopSignals.Drain();
                OnStopSignal();
            });
        }
        m_clock.start();
        PostFill();
        loop.exec();
        m_pLoop = nullptr;
        notifier.reset();

        m_pool.waitForDone();
        StopLanes();
        if (m_bStopping)
            ReportUnread();
        if (m_bTerminal && m_nShownLength > 0) {
            DrawProgress(true);
            Diagnostics::WriteUserError("\n");
        }
        if (!m_options.reportPath.isEmpty()) {
            QString why;
            if (!CXFileWriter::WriteFile(m_options.reportPath, BatchReportJson(m_reportEntries), &why) &&
                m_result.error.isEmpty())
                m_result.error = QStringLiteral("the report could not be written: %1").arg(OneLine(why));
        }
        return m_result;
    }

private:
    struct Lane
    {
        std::unique_ptr<QThread> thread;
        CXBatchLane* worker = nullptr;
        bool busy = false;
    };

    void PostFill()
    {
        if (m_bFillPosted)
            return;
        m_bFillPosted = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bFillPosted = false;
                Fill();
                CheckEnd();
            },
            Qt::QueuedConnection);
    }

    QString NameFor(const CFlyerData& flyer)
    {
        QString name = DefaultExportName(flyer);
        if (name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            name.chop(4);
        // A campaign's folder has no extension; the stand-in keeps a dot in the address from being
        // numbered as one.
        if (m_options.job.campaign)
            return UniqueFlyerFileName(SafeFlyerFileName(name) + QStringLiteral(".d"), m_taken).chopped(2);
        return UniqueFlyerFileName(SafeFlyerFileName(name) + BatchFormatExtension(m_options.job.format), m_taken);
    }

    void Fill()
    {
        for (int turn = 0; !m_bStopping && !m_bSheetDone && int(m_rows.size()) < m_nWindow; ++turn) {
            if (turn == kRowsPerTurn) {
                PostFill();
                return;
            }
            ListingRow listing;
            if (!m_sheet.Next(listing)) {
                m_bSheetDone = true;
                break;
            }
            // The rows before the range take their names as in a run of the whole sheet, so that
            // sheets split across machines never give two flyers one name.
            if (listing.line < m_options.rows.first) {
                if (listing.error.isEmpty())
                    NameFor(listing.flyer);
                continue;
            }
            if (listing.line > m_options.rows.last) {
                m_bSheetDone = true;
                break;
            }
            auto row = std::make_shared<RowWork>();
            row->clock.start();
            row->index = ++m_nRead;
            row->line = listing.line;
            m_rows.push_back(row);
            if (!listing.error.isEmpty()) {
                row->problems.append(listing.error);
                Complete(*row, BatchRowStatus::Failed);
                Drain();
                continue;
            }
            row->flyer = std::move(listing.flyer);
            row->flyer.m_strTheme = m_options.job.look.themeName;
            row->flyer.m_strFont = m_options.job.look.font;
            row->flyer.m_crColor = m_options.job.look.color;
            row->extras = std::move(listing.extras);
            // Names are decided here, in row order, never by which flyer is done first.
            row->destination = QDir(m_options.job.outFolder).filePath(NameFor(row->flyer));
            const bool exists = m_options.job.campaign ? CampaignExists(m_options.job, row->flyer, row->destination)
                                                       : QFileInfo::exists(row->destination);
            if (m_options.skipExisting && exists) {
                Complete(*row, BatchRowStatus::Exists);
                Drain();
                continue;
            }
            StartLanes();
            const QString folder = QDir(m_options.job.workFolder).filePath(QStringLiteral("line-%1").arg(row->line));
            QDir(folder).removeRecursively();
            if (!QDir().mkpath(folder)) {
                row->problems.append(
                    QStringLiteral("cannot make the working folder %1").arg(QDir::toNativeSeparators(folder)));
                Complete(*row, BatchRowStatus::Failed);
                Drain();
                continue;
            }
            row->folder = folder;
            row->flyer.SetPathName(QDir(folder).filePath(QStringLiteral("FlyerData.lso")));
            ++m_nInIntake;
            const bool print = m_options.job.printQuality;
            m_pool.start([this, row, print] {
                QStringList errors;
                if (!TakeInRowPhotos(row->folder, row->flyer, row->extras.m_crops, print, &errors))
                    row->problems.append(
                        QStringLiteral("photo intake failed: %1").arg(errors.join(QStringLiteral("; "))));
                QMetaObject::invokeMethod(
                    this, [this, row] { OnIntakeDone(row); }, Qt::QueuedConnection);
            });
        }
    }

    void OnIntakeDone(const RowPtr& row)
    {
        --m_nInIntake;
        if (!row->problems.isEmpty())
            Complete(*row, BatchRowStatus::Failed);
        else if (m_bStopping)
            Complete(*row, BatchRowStatus::Interrupted);
        else
            m_ready.emplace(row->index, row);
        Dispatch();
        Drain();
        Fill();
        CheckEnd();
    }

    void Dispatch()
    {
        for (int i = 0; i < int(m_lanes.size()) && !m_ready.empty(); ++i) {
            Lane& lane = m_lanes[size_t(i)];
            if (lane.busy || m_bLanesFailed)
                continue;
            const RowPtr row = m_ready.begin()->second;
            m_ready.erase(m_ready.begin());
            lane.busy = true;
            CXBatchLane* worker = lane.worker;
            QMetaObject::invokeMethod(
                worker,
                [this, worker, row, i] {
                    worker->Make(*row);
                    QMetaObject::invokeMethod(
                        this, [this, row, i] { OnMade(i, row); }, Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        }
    }

    void OnMade(int lane, const RowPtr& row)
    {
        m_lanes[size_t(lane)].busy = false;
        Complete(*row, row->status);
        Dispatch();
        Drain();
        Fill();
        CheckEnd();
    }

    void Complete(RowWork& row, BatchRowStatus status)
    {
        row.status = status;
        row.done = true;
        row.seconds = double(row.clock.nsecsElapsed()) / 1e9;
        if (!row.folder.isEmpty())
            QDir(row.folder).removeRecursively();
        switch (status) {
        case BatchRowStatus::Made:
            ++m_result.made;
            break;
        case BatchRowStatus::Exists:
            ++m_result.exists;
            break;
        case BatchRowStatus::Interrupted:
            ++m_result.interrupted;
            break;
        case BatchRowStatus::Failed:
            ++m_result.failed;
            if (m_result.failedLines.size() < kNamedFailedLines)
                m_result.failedLines.append(row.line);
            break;
        }
    }

    // Reports the finished rows at the front, in row order.
    void Drain()
    {
        while (!m_rows.empty() && m_rows.front()->done) {
            Report(*m_rows.front());
            m_rows.pop_front();
        }
        DrawProgress(false);
    }

    void Report(const RowWork& row)
    {
        ++m_nDone;
        const QString file = QDir::toNativeSeparators(row.destination);
        if (!m_options.reportPath.isEmpty()) {
            BatchRowReport entry;
            entry.line = row.line;
            entry.status = row.status;
            // A name is decided for every good row; the report names a file only where there is one.
            if (row.status == BatchRowStatus::Made || row.status == BatchRowStatus::Exists)
                entry.file = file;
            entry.problems = row.problems + row.warnings;
            entry.findings = row.findings;
            if (row.status == BatchRowStatus::Interrupted)
                entry.problems << QString::fromLatin1(kNotMadeInterrupted);
            entry.seconds = row.seconds;
            m_reportEntries.append(BatchReportEntryJson(entry));
        }
        const QString head = QStringLiteral("[%1/%2] line %3: ").arg(row.index).arg(m_result.total).arg(row.line);
        switch (row.status) {
        case BatchRowStatus::Made:
            if (!m_bTerminal)
                Say(head + file);
            break;
        case BatchRowStatus::Exists:
            if (!m_bTerminal)
                Say(head + file + QStringLiteral(" is there already"));
            break;
        case BatchRowStatus::Failed:
            Say(head + QStringLiteral("skipped: ") + row.problems.join(QStringLiteral("; ")));
            break;
        case BatchRowStatus::Interrupted:
            Say(head + QStringLiteral("not made: the batch was stopped"));
            break;
        }
        for (const QString& warning : row.warnings)
            Say(QStringLiteral("line %1: %2").arg(row.line).arg(warning));
    }

    // A stopped run still accounts for every row of its range in the report, and counts them: the rows it
    // never read are named "not made (interrupted)" like those it dropped.
    void ReportUnread()
    {
        int line = 0;
        while (!m_bSheetDone && m_sheet.NextLine(line)) {
            if (line < m_options.rows.first)
                continue;
            if (line > m_options.rows.last)
                break;
            ++m_nRead;
            ++m_result.interrupted;
            if (m_options.reportPath.isEmpty())
                continue;
            BatchRowReport entry;
            entry.line = line;
            entry.status = BatchRowStatus::Interrupted;
            entry.problems << QString::fromLatin1(kNotMadeInterrupted);
            m_reportEntries.append(BatchReportEntryJson(entry));
        }
        m_bSheetDone = true;
    }

    // A line of its own; on a terminal above the progress line, which is drawn again below it.
    void Say(const QString& text)
    {
        if (m_bTerminal && m_nShownLength > 0) {
            Diagnostics::WriteUserError("\r\x1b[K");
            m_nShownLength = 0;
        }
        Diagnostics::WriteUserError(text.toUtf8() + '\n');
    }

    void DrawProgress(bool force)
    {
        if (!m_bTerminal)
            return;
        if (!force && m_nShownLength > 0 && m_redraw.isValid() && m_redraw.elapsed() < kRedrawMs)
            return;
        m_redraw.start();
        const QString text = BatchProgressText(m_nDone, m_result.total, m_result.failed, m_clock.elapsed()) +
                             (m_bStopping ? QStringLiteral(", stopping") : QString());
        Diagnostics::WriteUserError("\r" + text.toUtf8() + "\x1b[K");
        m_nShownLength = int(text.size());
    }

    void OnStopSignal()
    {
        if (m_bStopping)
            return;
        m_bStopping = true;
        m_result.stopped = true;
        // The rows waiting for a renderer are dropped; those in a renderer finish.
        for (auto& [index, row] : m_ready)
            Complete(*row, BatchRowStatus::Interrupted);
        m_ready.clear();
        Drain();
        CheckEnd();
    }

    void CheckEnd()
    {
        const bool lanesIdle = std::none_of(m_lanes.begin(), m_lanes.end(), [](const Lane& l) { return l.busy; });
        const bool noMoreRows = m_bStopping || m_bSheetDone;
        if (m_pLoop && noMoreRows && !m_bFillPosted && m_nInIntake == 0 && lanesIdle && m_ready.empty() &&
            m_rows.empty())
            m_pLoop->quit();
    }

    // The workers start with the first row that needs them, while its photos are taken in.
    void StartLanes()
    {
        if (!m_lanes.empty())
            return;
        for (int i = 0; i < m_nLanes; ++i) {
            Lane lane;
            lane.thread = std::make_unique<QThread>();
            lane.worker = new CXBatchLane(m_options.job, m_settings);
            lane.worker->moveToThread(lane.thread.get());
            lane.thread->start();
            CXBatchLane* worker = lane.worker;
            QMetaObject::invokeMethod(
                worker,
                [this, worker] {
                    QString error;
                    if (!worker->WarmUp(&error))
                        QMetaObject::invokeMethod(
                            this, [this, error] { OnLaneFailed(error); }, Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
            m_lanes.push_back(std::move(lane));
        }
    }

    void OnLaneFailed(const QString& error)
    {
        if (m_result.error.isEmpty())
            m_result.error = QStringLiteral("cannot start the renderer: %1").arg(error);
        m_bLanesFailed = true;
        m_bStopping = true;
        for (auto& [index, row] : m_ready)
            Complete(*row, BatchRowStatus::Interrupted);
        m_ready.clear();
        Drain();
        CheckEnd();
    }

    void StopLanes()
    {
        for (Lane& lane : m_lanes) {
            CXBatchLane* worker = lane.worker;
            QThread* home = thread();
            // The worker's client ends the engine on the thread it lives on, then comes home to be deleted.
            QMetaObject::invokeMethod(
                worker,
                [worker, home] {
                    worker->Shutdown();
                    worker->moveToThread(home);
                    QThread::currentThread()->quit();
                },
                Qt::QueuedConnection);
        }
        for (Lane& lane : m_lanes) {
            lane.thread->wait();
            delete lane.worker;
        }
        m_lanes.clear();
    }

    CXListingSheetReader& m_sheet;
    const BatchRunOptions& m_options;
    const CAppSettings& m_settings;
    const bool m_bTerminal;
    QThreadPool m_pool;
    std::vector<Lane> m_lanes;
    int m_nLanes = 1;
    int m_nWindow = 4;
    std::deque<RowPtr> m_rows;     // read and not yet reported, in row order
    std::map<int, RowPtr> m_ready; // photos taken in, waiting for a lane
    QSet<QString> m_taken;
    int m_nRead = 0;
    int m_nDone = 0;
    int m_nInIntake = 0;
    bool m_bSheetDone = false;
    bool m_bStopping = false;
    bool m_bFillPosted = false;
    bool m_bLanesFailed = false;
    QEventLoop* m_pLoop = nullptr;
    QElapsedTimer m_clock;
    QElapsedTimer m_redraw;
    int m_nShownLength = 0;
    QList<QByteArray> m_reportEntries;
    BatchRunResult m_result;
};

} // namespace

BatchRunResult RunBatch(CXListingSheetReader& sheet, const BatchRunOptions& options, const CAppSettings& settings)
{
    CXBatchRun run(sheet, options, settings);
    return run.Run();
}

} // namespace Cli
