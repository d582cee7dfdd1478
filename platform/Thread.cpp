#include "Thread.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace platform {

namespace {
std::atomic<int> g_running { 0 };
std::atomic<int> g_failNext { 0 };
std::atomic<int> g_helperLoad { 0 };
} // namespace

bool BeginThread(ThreadProc proc, void* arg)
{
    if (g_failNext.load() > 0 && g_failNext.fetch_sub(1) > 0)
        return false;
    g_running.fetch_add(1);
    try {
        std::thread([proc, arg] {
            proc(arg);
            g_running.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        g_running.fetch_sub(1);
        return false;
    }
    return true;
}

int RunningWorkerCount()
{
    return g_running.load();
}

int SpareProcessors()
{
    static const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
    return processors - RunningWorkerCount();
}

void AddHelperLoad(int delta)
{
    g_helperLoad.fetch_add(delta);
}

int IdleProcessors()
{
    return SpareProcessors() - (g_helperLoad.load() > 0 ? 1 : 0);
}

namespace testing {
void FailNextThreadStarts(int count)
{
    g_failNext.store(count);
}
} // namespace testing

} // namespace platform
