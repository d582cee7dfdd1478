#pragma once
// Worker threads: one untyped argument, an unsigned result, normal priority. Each stays
// joinable until JoinWorkers (or the next BeginThread, once it has returned) joins it, so
// that no worker is still ending while the process ends.

#include <cstdint>

namespace platform {

using ThreadProc = unsigned (*)(void*);

// Starts proc(arg) on a new thread; false when the thread could not be started. Joins the
// workers that have returned meanwhile, so that a long session keeps none of them.
bool BeginThread(ThreadProc proc, void* arg);

// Joins every worker started so far: when it returns, each has ended, its thread-local
// state freed. It waits for a worker still running, so a thread that workers may wait for
// (the window's) calls it only once RunningWorkerCount() is 0.
void JoinWorkers();

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
