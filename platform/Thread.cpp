#include "Thread.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

namespace {
std::atomic<int> g_running { 0 };
std::atomic<int> g_failNext { 0 };
std::atomic<int> g_helperLoad { 0 };

struct Worker {
    std::thread thread;
    bool returned = false; // its procedure is done; only its thread's end is left
};

// The workers not yet joined. Never destroyed: a joinable thread object that is destroyed
// ends the process.
struct Workers {
    std::mutex mutex;
    std::list<Worker> list;
};

Workers& AllWorkers()
{
    static auto* workers = new Workers;
    return *workers;
}

// Joins the workers taken out of the list; a thread never joins itself.
void Join(std::list<Worker>& taken)
{
    const std::thread::id self = std::this_thread::get_id();
    for (auto it = taken.begin(); it != taken.end();) {
        if (it->thread.get_id() == self) {
            ++it;
            continue;
        }
        it->thread.join();
        it = taken.erase(it);
    }
    if (!taken.empty()) {
        Workers& workers = AllWorkers();
        std::lock_guard lock(workers.mutex);
        workers.list.splice(workers.list.end(), taken);
    }
}

void JoinReturnedWorkers()
{
    Workers& workers = AllWorkers();
    std::list<Worker> returned;
    {
        std::lock_guard lock(workers.mutex);
        for (auto it = workers.list.begin(); it != workers.list.end();) {
            const auto next = std::next(it);
            if (it->returned)
                returned.splice(returned.end(), workers.list, it);
            it = next;
        }
    }
    Join(returned);
}
} // namespace

bool BeginThread(ThreadProc proc, void* arg)
{
    if (g_failNext.load() > 0 && g_failNext.fetch_sub(1) > 0)
        return false;
    JoinReturnedWorkers();
    Workers& workers = AllWorkers();
    // The new thread marks its entry under this lock, which is held until the entry has it.
    std::lock_guard lock(workers.mutex);
    Worker& worker = workers.list.emplace_back();
    g_running.fetch_add(1);
    try {
        worker.thread = std::thread([proc, arg, &worker] {
            proc(arg);
            {
                std::lock_guard lock(AllWorkers().mutex);
                worker.returned = true;
            }
            g_running.fetch_sub(1);
        });
    } catch (const std::system_error&) {
        workers.list.pop_back();
        g_running.fetch_sub(1);
        return false;
    }
    return true;
}

void JoinWorkers()
{
    Workers& workers = AllWorkers();
    std::list<Worker> all;
    {
        std::lock_guard lock(workers.mutex);
        all.splice(all.end(), workers.list);
    }
    Join(all);
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
