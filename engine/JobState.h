#pragma once
// The state of the one job that runs at a time, shared by the main dialog, the job's
// controller and its copy workers.
//
// Everything here is written on the window's thread, or by the controller before it hands
// a task over; workers report back only through SendWindowMessage, so the counters and the
// records are touched by one thread at a time. The few values that workers read while the
// window's thread may write them, and those that workers write themselves, are atomics.

#include "FileMapping.h"
#include "OutputFile.h"
#include "Window.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

// Private window messages of the copy engine.
inline constexpr uint32_t WM_COPYPROGRESS = 0x7F0; // wParam: what happened; lParam: the bar's step
inline constexpr uint32_t WM_COPYFAILED = 0x7F1; // wParam: index of the task whose copy failed
inline constexpr uint32_t WM_JOBFLUSHED = 0x7F2; // the output is sealed; g_job.sealError says how

// What a WM_COPYPROGRESS report says: a view was copied, or a task (with one worker per job:
// the job) ended. Both step the progress bar by kProgressStep.
inline constexpr uintptr_t kViewCopied = 0;
inline constexpr uintptr_t kTaskEnded = 1;
inline constexpr intptr_t kProgressStep = 1;

// Reports to g_mainWindow, from any thread; each returns once the window has handled it.
void ReportViewCopied();
void ReportTaskEnded();
// Right after the copy failed, on its thread: lParam carries errno (EIO for an I/O fault) and
// whether the fault was in the file read (kFailedReading) rather than the file written.
void ReportCopyFailed(int32_t index);
inline constexpr intptr_t kFailedReading = intptr_t(1) << 16;
inline constexpr intptr_t kFailureErrorMask = kFailedReading - 1;

// The file a failure concerns and why (an errno value; 0 when the system did not fail), for
// the message that follows. Any thread may note one (copies on threads of their own can fail
// at once); the last one noted is kept.
struct FailureNote {
    QString path;
    int error = 0;
};
void NoteFailure(const QString& path, int error);
FailureNote LastFailure();
// The note, which is cleared for the next message.
FailureNote TakeFailure();

struct PieceRecord {
    uint64_t start = 0; // split: first byte in the source; merge: 0
    uint64_t end = 0; // split: one past the last byte in the source; merge: the piece's size
    // The piece's mapping until a copy task takes it over.
    platform::UniqueMapping mapping;
    QString path; // the piece file
    // A split's piece while it is written; a merge's piece, open under a shared lock, and
    // which file it was, so that only that one is ever deleted.
    platform::OutputFile output;
    platform::UniqueFile lock;
    platform::FileIdentity identity;
    QByteArray sha256; // merge: the piece's digest in the checksum file; empty: not listed
};

// One byte range to copy from one mapping into another. Of the two mappings, the task owns
// one (`owned`) and borrows the job's shared one.
struct CopyTask {
    platform::MappingHandle sourceMapping = nullptr;
    platform::MappingHandle destMapping = nullptr;
    uint64_t sourceStart = 0; // a multiple of g_allocationGranularity
    uint64_t sourceEnd = 0; // exclusive
    uint64_t destOffset = 0;
    // True: the task owns destMapping and destOffset is aligned. False: the task owns
    // sourceMapping and the copier aligns destOffset itself.
    bool ownsDestination = false;
    int32_t index = 0; // the task's record in g_pieceRecords, named in a failure report
    platform::UniqueMapping owned;
    bool verify = false; // the source piece is checked against its listed digest first
    // A piece that takes its final name once its copy is complete.
    platform::OutputFile* output = nullptr;
    // Where a piece's controller hears whether the copy completed, when it seals the piece
    // itself; null: the copier seals it.
    bool* copied = nullptr;
};

extern uint32_t g_allocationGranularity;
extern uint32_t g_viewSize;
extern std::atomic<bool> g_useMultithreading;
extern std::atomic<bool> g_showProgress;
extern int64_t g_fileSize;
extern platform::UniqueMapping g_sharedMapping;
extern platform::WindowHandle g_mainWindow;
extern QString g_sourcePath;
extern QString g_pieceFolder;
extern std::vector<PieceRecord> g_pieceRecords;
extern int32_t g_finishedCount;

// A value that threads of a job write while others read it: an atomic that the job's
// bookkeeping can still be reset as a whole with.
template <typename T> struct SharedValue : std::atomic<T> {
    SharedValue() = default;
    SharedValue(T value)
        : std::atomic<T>(value)
    {
    }
    SharedValue(const SharedValue& other)
        : std::atomic<T>(other.load())
    {
    }
    SharedValue& operator=(const SharedValue& other)
    {
        this->store(other.load());
        return *this;
    }
    using std::atomic<T>::operator=;
};

// What a job needs beyond the records, reset by ResetJob at every start. Of its fields, workers
// write only the shared flags (several copies may fail at once), and the sealing worker the
// seal's outcome, which WM_JOBFLUSHED then hands to the window's thread.
struct JobProgress {
    QString sourcePath; // the split's source, as it was when the job started
    QString pieceFolder; // the split's folder, as it was when the job started
    QString joinedPath; // the merge's output
    bool merge = false; // a merge, not a split
    bool keepPieces = false; // a merge of a set that was not whole: its pieces stay
    int64_t pieceSize = 0; // the split's piece size in bytes
    // The output goes to the disk before it takes its name (a split's pieces each, a merge's
    // joined file at the end); off only for measurements.
    bool flush = true;
    int32_t tasksStarted = 0; // copy tasks handed to a thread of their own
    bool dispatchDone = false; // the controller has handed over every task it will
    bool flushing = false; // the joined output is being made final on a worker
    // The split's source under a shared lock, and what it was when the job started.
    platform::UniqueFile sourceLock;
    platform::FileIdentity sourceIdentity;
    platform::OutputFile joined; // the merge's output while it is written
    QString sealError; // why the output could not be made final
    // Split: write a checksum file; merge: the joined file's digest in the checksum file.
    bool checksum = false;
    QByteArray joinedSha256;
    SharedValue<bool> sourceChanged = false; // shared: the split's source changed under its copies
    SharedValue<bool> failed = false; // shared: some part of the job did not complete
    SharedValue<bool> errorShown = false; // shared: its message has been shown already
};
extern JobProgress g_job;

// Set when the window closes during a job: copies stop at their next view.
extern std::atomic<bool> g_cancelRequested;

// Empties the records (closing the mappings that no copy took over) and starts a new job's
// bookkeeping; g_finishedCount too, so an abandoned job can never count towards the next one.
void ResetJob();
