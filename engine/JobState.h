#pragma once
// The state of the one job that runs at a time, shared by the main dialog, the job's
// controller and its copy workers.
//
// Everything here is written on the window's thread, or by the controller before it hands
// a task over; workers report back only through SendWindowMessage, so the counters and the
// records are touched by one thread at a time. The few values that workers read while the
// window's thread may write them are atomics.

#include "FileMapping.h"
#include "Window.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

// Private window messages of the copy engine.
inline constexpr uint32_t WM_COPYPROGRESS = 0x7F0;  // (0,1): a view copied; (1,1): a task or the job ended
inline constexpr uint32_t WM_COPYFAILED = 0x7F1;    // wParam: index of the task whose copy failed

struct PieceRecord {
    uint64_t start = 0;  // split: first byte in the source; merge: 0
    uint64_t end = 0;    // split: one past the last byte in the source; merge: the piece's size
    platform::MappingHandle mapping = nullptr;
    QString path;        // the piece file
    bool failed = false; // its copy did not complete
};

struct CopyTask {
    platform::MappingHandle sourceMapping = nullptr;
    platform::MappingHandle destMapping = nullptr;
    uint64_t sourceStart = 0;  // a multiple of g_allocationGranularity
    uint64_t sourceEnd = 0;    // exclusive
    uint64_t destOffset = 0;
    // Nonzero: the task owns destMapping and destOffset is aligned. Zero: the task owns
    // sourceMapping and the copier aligns destOffset itself.
    int32_t ownsDestination = 0;
    int32_t index = 0;  // the task's record in g_pieceRecords, named in a failure report
};

extern uint32_t g_allocationGranularity;
extern uint32_t g_viewSize;
extern std::atomic<bool> g_useMultithreading;
extern std::atomic<bool> g_showProgress;
extern int64_t g_fileSize;
extern platform::MappingHandle g_sharedMapping;
extern platform::WindowHandle g_mainWindow;
extern QString g_sourcePath;
extern QString g_pieceFolder;
extern std::vector<PieceRecord> g_pieceRecords;
extern int32_t g_finishedCount;

// What a job needs beyond the records, reset by ResetJob at every start.
struct JobProgress {
    QString sourcePath;       // the split's source, as it was when the job started
    QString pieceFolder;      // the split's folder, as it was when the job started
    QString joinedPath;       // the merge's output
    int32_t tasksStarted = 0; // copy tasks handed to a thread of their own
    bool dispatchDone = false;  // the controller has handed over every task it will
    bool failed = false;      // some part of the job did not complete
    bool errorShown = false;  // its message has been shown already
};
extern JobProgress g_job;

// Set when the window closes during a job: copies stop at their next view.
extern std::atomic<bool> g_cancelRequested;

// Empties the records (without closing their mappings: their copies own them) and starts
// a new job's bookkeeping; g_finishedCount too, so an abandoned job can never count
// towards the next one.
void ResetJob();
