#include "JobState.h"

#include <cerrno>
#include <mutex>
#include <utility>

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

namespace {
// The command line names the file and the reason after the message; the window's boxes keep
// their texts.
std::mutex s_failureMutex;
FailureNote s_failure;
} // namespace

void ResetJob()
{
    g_pieceRecords.clear();
    g_finishedCount = 0;
    g_job = JobProgress {};
    NoteFailure({}, 0);
    g_cancelRequested = false;
}

void ReportViewCopied(intptr_t views)
{
    platform::SendWindowMessage(g_mainWindow, WM_COPYPROGRESS, kViewCopied, views * kProgressStep);
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
    std::lock_guard lock(s_failureMutex);
    s_failure = FailureNote { path, error };
}

FailureNote LastFailure()
{
    std::lock_guard lock(s_failureMutex);
    return s_failure;
}

FailureNote TakeFailure()
{
    std::lock_guard lock(s_failureMutex);
    return std::exchange(s_failure, FailureNote {});
}
