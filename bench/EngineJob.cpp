#include "EngineJob.h"

#include "BenchFiles.h"
#include "CountingWindow.h"
#include "JobSetup.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int kJobTimeoutMs = 30 * 60 * 1000;

// What the dialog does before it starts a job: the window that hears the job's reports,
// the granularity it measured and the progress option.
void PrepareWindow(CountingWindow& window, const EngineJobOptions& options)
{
    window.Reset();
    g_mainWindow = &window;
    g_allocationGranularity = platform::AllocationGranularity();
    g_showProgress = options.showProgress;
}

// Runs the event loop until the job's end reports are in: the one report of the job with
// one worker, one per started task with a thread per piece (as CompleteIfAllEnded counts).
bool WaitForJobEnd(CountingWindow& window)
{
    auto done = [&window] { return AllTasksEnded(window.endReports); };
    if (done())
        return true;
    QEventLoop loop;
    window.onEndReport = [&] {
        if (done())
            loop.quit();
    };
    QTimer::singleShot(kJobTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    window.onEndReport = nullptr;
    return done();
}

// The completion: the job's shared mapping is closed; a job is good only when no copy
// failed and no message box was asked for.
void FinishJob(CountingWindow& window, EngineJobResult& result, bool ended, const QElapsedTimer& timer)
{
    result.viewReports = window.viewReports;
    result.endReports = window.endReports;
    result.peakRssKiB = PeakRssKiB();
    if (!ended)
        result.error = QStringLiteral("the job did not end in time");
    else if (!window.boxes.isEmpty())
        result.error = window.boxes.join(QStringLiteral("; "));
    else if (window.failedCopies > 0 || g_job.failed)
        result.error = QStringLiteral("a copy failed");
    else
        result.error = SealJobOutput(false); // coreutils leaves writing back to the kernel too
    // The seal is part of the job: a checksum file is written, or a joined file checked, there.
    result.seconds = double(timer.nsecsElapsed()) / 1e9;
    result.ok = result.error.isEmpty();
    CloseJob(!result.ok);
    WaitForJobWorkers(); // the next job starts without them
    g_mainWindow = nullptr;
}

// Starts the prepared job and waits for its end; false with the reason when it did not start.
void RunPrepared(CountingWindow& window, const PreparedJob& job, EngineJobResult& result, const QElapsedTimer& timer)
{
    if (!job.ok()) {
        result.error = job.error;
        return;
    }
    result.error = DispatchJob();
    if (!result.error.isEmpty())
        return;
    const bool ended = WaitForJobEnd(window);
    FinishJob(window, result, ended, timer);
}

} // namespace

EngineJobResult RunEngineSplit(
    CountingWindow& window, const QString& source, const QString& folder, const EngineJobOptions& options)
{
    EngineJobResult result;
    PrepareWindow(window, options);
    ResetPeakRss();
    QElapsedTimer timer;
    timer.start();
    const PreparedJob job = PrepareSplit(SplitRequest { .source = source,
        .folder = folder,
        .pieceSizeText = options.pieceSizeText,
        .viewSize = options.bufferFactor * g_allocationGranularity,
        .threadPerPiece = options.threadPerPiece,
        .checksum = options.checksum,
        .flush = false }); // as the merge's below: coreutils leaves writing back to the kernel too
    RunPrepared(window, job, result, timer);
    for (const PieceRecord& record : g_pieceRecords)
        result.pieces.append(record.path);
    return result;
}

EngineJobResult RunEngineMerge(CountingWindow& window, const QStringList& pieces, const EngineJobOptions& options)
{
    EngineJobResult result;
    PrepareWindow(window, options);
    ResetPeakRss();
    QElapsedTimer timer;
    timer.start();
    const PreparedJob job = PrepareMerge(MergeRequest { .pieces = pieces,
        .namingPiece = {},
        .viewSize = options.bufferFactor * g_allocationGranularity,
        .threadPerPiece = options.threadPerPiece,
        .flush = false });
    result.joined = g_job.joinedPath;
    RunPrepared(window, job, result, timer);
    return result;
}
