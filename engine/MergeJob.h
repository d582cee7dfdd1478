#pragma once

#include "JobState.h"

// The merge controller: one copy task per record of g_pieceRecords into g_sharedMapping,
// each piece right behind the one before it; on this thread one after another, or on a
// thread per piece. With one worker per job it sends the job's one end report at the end.
unsigned RunMerge(void* param);
