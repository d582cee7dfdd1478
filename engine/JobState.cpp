#include "JobState.h"

#include <cerrno>

uint32_t g_allocationGranularity = 0;
uint32_t g_viewSize = 0;
std::atomic<bool> g_useMultithreading { false };
std::atomic<bool> g_showProgress { true };
int64_t g_fileSize = 0;
platform::UniqueMapping g_sharedMapping;
platform::WindowHandle g_mainWindow = nullptr;
QString g_sourcePath;
QString g_pieceFolder;
std::vector<PieceRecord> g_pieceRecords;
int32_t g_finishedCount = 0;
JobProgress g_job;
std::atomic<bool> g_cancelRequested { false };

void ResetJob()
{
    g_pieceRecords.clear();
    g_finishedCount = 0;
    g_job = JobProgress {};
    g_cancelRequested = false;
}

void ReportViewCopied()
{
    platform::SendWindowMessage(g_mainWindow, WM_COPYPROGRESS, kViewCopied, kProgressStep);
}

void ReportTaskEnded()
{
    platform::SendWindowMessage(g_mainWindow, WM_COPYPROGRESS, kTaskEnded, kProgressStep);
}

void ReportCopyFailed(int32_t index)
{
    const platform::CopyFault fault = platform::LastCopyFault();
    const int error = fault == platform::CopyFault::None ? errno : EIO;
    const intptr_t reason = (error & kFailureErrorMask) | (fault == platform::CopyFault::Source ? kFailedReading : 0);
    platform::SendWindowMessage(g_mainWindow, WM_COPYFAILED, uintptr_t(index), reason);
}

void NoteFailure(const QString& path, int error)
{
    g_job.failurePath = path;
    g_job.failureError = error;
}
