#include "Copier.h"

#include "Checksums.h"
#include "JobControl.h"
#include "Texts.h"
#include "Thread.h"

#include <atomic>

namespace {
// A piece of this job could not be flushed; shown once, however many pieces meet it.
std::atomic<bool> s_flushFailureShown { false };
} // namespace

using platform::View;
using platform::ViewAccess;

unsigned CopyRange(void* arg)
{
    std::unique_ptr<CopyTask> task(static_cast<CopyTask*>(arg));
    uint32_t len = g_viewSize;

    uint64_t rem = 0;
    uint64_t destPos = task->destOffset;
    if (!task->ownsDestination) {
        rem = task->destOffset % g_allocationGranularity;
        destPos = task->destOffset - rem;
    }

    uint64_t pos = task->sourceStart;
    const uint64_t end = task->sourceEnd;
    if (end - pos < len)
        len = uint32_t(end - pos);

    bool ok = len != 0 || pos >= end;
    // A piece that is not the one its checksum file lists is not copied at all.
    if (ok && task->verify && !VerifyPieceChecksum(task->index))
        ok = false;
    while (ok && pos < end) {
        if (g_cancelRequested.load(std::memory_order_relaxed)) {
            ok = false;
            break;
        }
        View source = platform::MapView(task->sourceMapping, ViewAccess::Read, pos, len);
        View dest;
        if (source)
            dest = platform::MapView(task->destMapping, ViewAccess::Write, destPos, uint32_t(rem + len));
        if (!source || !dest) {
            // Never copy through a view that is not there.
            platform::UnmapView(source);
            ok = false;
            break;
        }
        ok = platform::GuardedCopy(dest.data + rem, source.data, len);
        platform::UnmapView(source);
        platform::UnmapView(dest);
        if (!ok)
            break;
        // Output that goes to the disk at the end may go there from now on: the flush then
        // finds little left to write. Not otherwise: the disk would spend on writing what a
        // cold copy needs for reading.
        if (g_job.flush)
            platform::StartWriteBack(task->destMapping, destPos + rem, len);
        pos += len;
        destPos += len;
        if (g_showProgress.load(std::memory_order_relaxed))
            ReportViewCopied();
        if (end - pos < len)
            len = uint32_t(end - pos);
    }

    // The mapping the task owns goes before the window hears of the end; a complete piece
    // takes its name, or its controller gives it its name later.
    const int32_t index = task->index;
    platform::OutputFile* output = task->output;
    bool* copied = task->copied;
    task.reset();
    if (copied)
        *copied = ok;
    else if (ok && output)
        ok = SealPiece(*output);
    if (!ok)
        ReportCopyFailed(index);
    if (g_useMultithreading.load())
        ReportTaskEnded();
    return 0;
}

void BeginPieceSeals()
{
    s_flushFailureShown = false;
}

bool SealPiece(platform::OutputFile& output)
{
    if (!s_flushFailureShown.load() && (!g_job.flush || platform::FlushFileData(output.get())))
        return true;
    if (!s_flushFailureShown.exchange(true))
        FailJob(texts::kPieceFlushFailed);
    g_job.failed = true;
    return false;
}

bool RunCopyTask(std::unique_ptr<CopyTask> task, bool ownThread)
{
    if (!ownThread) {
        CopyRange(task.release());
        return true;
    }
    if (!platform::BeginThread(CopyRange, task.get()))
        return false;
    task.release(); // the thread owns it now
    ++g_job.tasksStarted;
    return true;
}
