#include "MergeJob.h"

#include "Copier.h"
#include "JobControl.h"
#include "Texts.h"
#include "Thread.h"

unsigned RunMerge(void*)
{
    const bool threadPerPiece = g_useMultithreading.load();
    uint64_t dest = 0;
    for (size_t i = 0; i < g_pieceRecords.size(); ++i) {
        PieceRecord& record = g_pieceRecords[i];
        auto* task = new CopyTask{record.mapping, g_sharedMapping, 0, record.end, dest, 0, int32_t(i)};
        dest += record.end;
        if (g_cancelRequested.load() || g_job.failed) {
            // The job will not complete: release the pieces that will not be copied.
            platform::CloseMapping(record.mapping);
            delete task;
            g_job.failed = true;
            continue;
        }
        if (!threadPerPiece) {
            CopyRange(task);
        } else if (platform::BeginThread(CopyRange, task)) {
            ++g_job.tasksStarted;
        } else {
            platform::CloseMapping(record.mapping);
            delete task;
            FailJob(texts::kThreadFailed);
        }
    }
    if (!threadPerPiece)
        platform::SendWindowMessage(g_mainWindow, WM_COPYPROGRESS, 1, 1);
    return 0;
}
