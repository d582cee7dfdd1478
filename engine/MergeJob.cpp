#include "MergeJob.h"

#include "Copier.h"
#include "JobControl.h"
#include "Texts.h"

unsigned RunMerge(void*)
{
    const bool threadPerPiece = g_useMultithreading.load();
    uint64_t dest = 0;
    for (size_t i = 0; i < g_pieceRecords.size(); ++i) {
        PieceRecord& record = g_pieceRecords[i];
        const uint64_t destOffset = dest;
        dest += record.end;
        if (g_cancelRequested.load() || g_job.failed) {
            // The job will not complete: release the pieces that will not be copied.
            record.mapping.reset();
            g_job.failed = true;
            continue;
        }
        const platform::MappingHandle source = record.mapping.get();
        auto task = std::make_unique<CopyTask>(CopyTask { .sourceMapping = source,
            .destMapping = g_sharedMapping.get(),
            .sourceStart = 0,
            .sourceEnd = record.end,
            .destOffset = destOffset,
            .ownsDestination = false,
            .index = int32_t(i),
            .owned = std::move(record.mapping),
            .verify = !record.sha256.isEmpty(),
            .output = nullptr });
        if (!RunCopyTask(std::move(task), threadPerPiece))
            FailJob(texts::kThreadFailed);
    }
    if (!threadPerPiece)
        ReportTaskEnded();
    return 0;
}
