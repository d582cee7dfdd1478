#pragma once

#include "JobState.h"

#include <memory>

// Copies [sourceStart, sourceEnd) of the task's source mapping to destOffset of its
// destination, one mapped view of g_viewSize bytes at a time, reporting each view to the
// main window while progress is shown and, with a thread per task, its own end. Takes
// ownership of the task (a CopyTask*) and so of the mapping it owns. A copy that cannot map
// a view or meets an I/O fault stops, and the window hears of it through WM_COPYFAILED.
unsigned CopyRange(void* task);

// Runs the task on this thread, or on a thread of its own (counted in g_job.tasksStarted);
// false when that thread could not be started, and the task is dropped.
bool RunCopyTask(std::unique_ptr<CopyTask> task, bool ownThread);
