#pragma once

#include "JobState.h"

// Copies [sourceStart, sourceEnd) of the task's source mapping to destOffset of its
// destination, one mapped view of g_viewSize bytes at a time, reporting each view to the
// main window while progress is shown and, with a thread per task, its own end. Takes
// ownership of the task (a CopyTask*) and of the mapping it owns. A copy that cannot map
// a view or meets an I/O fault stops, and the window hears of it through WM_COPYFAILED.
unsigned CopyRange(void* task);
