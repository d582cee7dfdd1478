#pragma once

#include "JobState.h"

#include <memory>

// Copies [sourceStart, sourceEnd) of the task's source mapping to destOffset of its
// destination, one mapped view of g_viewSize bytes at a time, reporting each view to the
// main window while progress is shown and, with a thread per task, its own end. Each copied
// view of an output that the job flushes is handed to the disk's writeback at once. A
// complete piece is sealed (SealPiece), unless the task's `copied` says that its controller
// does that after the copy. Takes ownership of the task (a CopyTask*) and so of the mapping
// it owns. A copy that cannot map a view or meets an I/O fault stops, and the window hears
// of it through WM_COPYFAILED.
unsigned CopyRange(void* task);

// A split's piece whose copy is complete: its data goes to the disk (unless the job leaves its
// pieces to the kernel's writeback, for measurements), still under its temporary name; the
// pieces take their names together at the job's end. False when it could not: a failed flush
// shows its message (once per job) and marks the job failed, and so does every later seal of
// the job. BeginPieceSeals starts a job's seals.
void BeginPieceSeals();
bool SealPiece(platform::OutputFile& output);

// Runs the task on this thread, or on a thread of its own (counted in g_job.tasksStarted);
// false when that thread could not be started, and the task is dropped.
bool RunCopyTask(std::unique_ptr<CopyTask> task, bool ownThread);
