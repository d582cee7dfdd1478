#pragma once
// Worker threads: one untyped argument, an unsigned result, normal priority, detached.

#include <cstdint>

namespace platform {

using ThreadProc = unsigned (*)(void*);

// Starts proc(arg) on a new detached thread; false when the thread could not be started.
bool BeginThread(ThreadProc proc, void* arg);

// Workers started by BeginThread that have not yet returned.
int RunningWorkerCount();
// Processors that no running worker is taking (negative when workers outnumber them).
int SpareProcessors();

// A helper thread of the platform's own (the mappings' read-ahead) that keeps a processor
// busy while it has work: +1 when it takes some on, -1 when it lets it go.
void AddHelperLoad(int delta);
// Processors that neither a worker nor a busy helper is taking: worth spinning on.
int IdleProcessors();

namespace testing {
// Makes the next `count` calls of BeginThread fail as if the system refused a thread.
void FailNextThreadStarts(int count);
} // namespace testing

} // namespace platform
