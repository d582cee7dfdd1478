#include "EngineJob.h"

#include "BenchFiles.h"
#include "CountingWindow.h"
#include "JobState.h"
#include "MergeJob.h"
#include "Names.h"
#include "SplitJob.h"
#include "Thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kJobTimeoutMs = 30 * 60 * 1000;

// What OnStart does before it branches: the view size from the buffer factor, the job's
// records emptied.
void PrepareJob(CountingWindow& window, const EngineJobOptions& options)
{
    window.Reset();
    g_mainWindow = &window;
    g_allocationGranularity = platform::AllocationGranularity();
    g_useMultithreading = options.threadPerPiece;
    g_showProgress = options.showProgress;
    g_viewSize = options.bufferFactor * g_allocationGranularity;
    g_fileSize = 0;
    ResetJob();
}

// Runs the event loop until the job's end reports are in: the one report of the job with
// one worker, one per started task with a thread per piece (as CompleteIfAllEnded counts).
bool WaitForJobEnd(CountingWindow& window)
{
    auto done = [&window] {
        if (g_useMultithreading)
            return g_job.dispatchDone && window.endReports >= g_job.tasksStarted;
        return window.endReports >= 1;
    };
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
    platform::CloseMapping(g_sharedMapping);
    g_sharedMapping = nullptr;
    result.seconds = double(timer.nsecsElapsed()) / 1e9;
    result.viewReports = window.viewReports;
    result.endReports = window.endReports;
    result.peakRssKiB = PeakRssKiB();
    if (!ended)
        result.error = QStringLiteral("the job did not end in time");
    else if (!window.boxes.isEmpty())
        result.error = window.boxes.join(QStringLiteral("; "));
    else if (window.failedCopies > 0 || g_job.failed)
        result.error = QStringLiteral("a copy failed");
    result.ok = result.error.isEmpty();
    // Workers end right after their last report; the next job starts without them.
    while (platform::RunningWorkerCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(100);
    }
    g_mainWindow = nullptr;
}

}  // namespace

EngineJobResult RunEngineSplit(CountingWindow& window, const QString& source, const QString& folder,
                               const EngineJobOptions& options)
{
    EngineJobResult result;
    PrepareJob(window, options);
    g_sourcePath = source;
    g_pieceFolder = folder;
    ResetPeakRss();

    QElapsedTimer timer;
    timer.start();
    const platform::FileHandle file = platform::OpenFileForRead(source, platform::AccessHint::Random);
    if (file == platform::kInvalidFile) {
        result.error = QStringLiteral("cannot open the source");
        return result;
    }
    bool numberOk = false;
    int64_t pieceSize = 0;
    if (!PieceSizeFromMegabytes(ParseLeadingNumber(options.pieceSizeText, &numberOk), g_allocationGranularity,
                                &pieceSize) ||
        !numberOk) {
        platform::CloseFile(file);
        result.error = QStringLiteral("bad piece size");
        return result;
    }
    platform::GetFileSize64(file, &g_fileSize);
    if (g_fileSize > 0) {
        g_sharedMapping = platform::CreateFileMapping(file, platform::MappingAccess::ReadOnly, 0);
        if (!g_sharedMapping) {
            platform::CloseFile(file);
            result.error = QStringLiteral("cannot map the source");
            return result;
        }
    }
    platform::CloseFile(file);
    g_job.sourcePath = source;
    g_job.pieceFolder = folder;

    if (!g_useMultithreading) {
        if (!platform::BeginThread(SplitJobEntry, &pieceSize)) {
            platform::CloseMapping(g_sharedMapping);
            g_sharedMapping = nullptr;
            result.error = QStringLiteral("cannot start the worker");
            return result;
        }
    } else {
        SplitJobEntry(&pieceSize);
    }
    g_job.dispatchDone = true;
    const bool ended = WaitForJobEnd(window);
    FinishJob(window, result, ended, timer);
    for (const PieceRecord& record : g_pieceRecords)
        result.pieces.append(record.path);
    return result;
}

EngineJobResult RunEngineMerge(CountingWindow& window, const QStringList& pieces, const EngineJobOptions& options)
{
    EngineJobResult result;
    PrepareJob(window, options);
    ResetPeakRss();
    if (pieces.isEmpty()) {
        result.error = QStringLiteral("no pieces");
        return result;
    }
    g_sourcePath = pieces.first();  // the path field shows a piece

    QElapsedTimer timer;
    timer.start();
    const QString joined = MakeJoinedName(g_sourcePath);
    auto release = [] {
        for (PieceRecord& record : g_pieceRecords) {
            platform::CloseMapping(record.mapping);
            record.mapping = nullptr;
        }
    };
    uint64_t total = 0;
    for (const QString& piece : pieces) {
        const platform::FileHandle file = platform::OpenFileForRead(piece, platform::AccessHint::Sequential);
        if (file == platform::kInvalidFile) {
            release();
            result.error = QStringLiteral("cannot open piece ") + piece;
            return result;
        }
        platform::GetFileSize64(file, &g_fileSize);
        total += uint64_t(g_fileSize);
        const platform::MappingHandle mapping = platform::CreateFileMapping(file, platform::MappingAccess::ReadOnly, 0);
        platform::CloseFile(file);
        if (!mapping) {
            release();
            result.error = QStringLiteral("cannot map piece ") + piece;
            return result;
        }
        g_pieceRecords.push_back(PieceRecord{0, uint64_t(g_fileSize), mapping, piece, false});
    }
    const platform::FileHandle output = platform::CreateFileAlways(joined, platform::AccessHint::Random);
    if (output == platform::kInvalidFile) {
        release();
        result.error = QStringLiteral("cannot create the joined file");
        return result;
    }
    g_sharedMapping = platform::CreateFileMapping(output, platform::MappingAccess::ReadWrite, total);
    platform::CloseFile(output);
    if (!g_sharedMapping) {
        release();
        platform::RemoveFile(joined);
        result.error = QStringLiteral("cannot map the joined file");
        return result;
    }
    g_job.joinedPath = joined;
    result.joined = joined;

    if (!g_useMultithreading) {
        if (!platform::BeginThread(RunMerge, nullptr)) {
            release();
            platform::CloseMapping(g_sharedMapping);
            g_sharedMapping = nullptr;
            result.error = QStringLiteral("cannot start the worker");
            return result;
        }
    } else {
        RunMerge(nullptr);
    }
    g_job.dispatchDone = true;
    const bool ended = WaitForJobEnd(window);
    FinishJob(window, result, ended, timer);
    return result;
}
