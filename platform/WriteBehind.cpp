// The write-behind of read/write mappings: what the copy has written is handed to the
// kernel's writeback at once, so that the disk writes while the copy goes on and a flush at
// the end finds little left to write.

#include "MappingInternal.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace platform::detail {

namespace {

// What is handed to the disk in one call.
constexpr uint64_t kChunk = 4 * kLargePage;

// Asks the kernel to start writing [from, to) of the file; false when the file system refuses.
bool StartWriting(int fd, uint64_t from, uint64_t to)
{
    int rc;
    do {
        rc = ::sync_file_range(fd, off_t(from), off_t(to - from), SYNC_FILE_RANGE_WRITE);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// Waits until what was handed over of [from, to) is written.
void WaitWritten(int fd, uint64_t from, uint64_t to)
{
    while (::sync_file_range(fd, off_t(from), off_t(to - from), SYNC_FILE_RANGE_WAIT_BEFORE) != 0 && errno == EINTR) { }
}

// Starting writeback can block once the disk's queue is full, and the copy must not wait for
// the disk unless it is flushed: a thread of its own hands the written ranges over. It only
// waits for the disk's queue, so it takes no processor from the copy to speak of.
class WriteBehind {
public:
    static WriteBehind& Instance()
    {
        // Never destroyed: its thread may outlive static destruction.
        static auto* instance = new WriteBehind;
        return *instance;
    }

    void Written(FileMapping* mapping, uint64_t from, uint64_t to)
    {
        std::lock_guard lock(m_mutex);
        if (mapping->writeBackRefused)
            return;
        // A range that continues one still waiting joins it.
        const auto it = std::find_if(m_queue.rbegin(), m_queue.rend(),
            [&](const Range& range) { return range.mapping == mapping && range.to == from; });
        if (it != m_queue.rend()) {
            it->to = to;
            return;
        }
        if (!m_started) {
            try {
                std::thread([this] { Run(); }).detach();
            } catch (const std::system_error&) {
                mapping->writeBackRefused = true; // no thread: left to the kernel, as without the hint
                return;
            }
            m_started = true;
        }
        m_queue.push_back(Range { mapping, from, to });
        m_wake.notify_one();
    }

    // Called before a mapping's descriptor is closed: what is still waiting is handed over
    // here, and afterwards the thread no longer touches the mapping.
    void Forget(FileMapping* mapping)
    {
        std::unique_lock lock(m_mutex);
        std::deque<Range> mine;
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (it->mapping == mapping) {
                mine.push_back(*it);
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
        m_idle.wait(lock, [&] { return m_busy != mapping; });
        if (m_inFlight.mapping == mapping)
            m_inFlight = Range { nullptr, 0, 0 };
        lock.unlock();
        for (const Range& range : mine)
            StartWriting(mapping->fd, range.from, range.to);
    }

private:
    struct Range {
        FileMapping* mapping;
        uint64_t from;
        uint64_t to;
    };

    void Run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_queue.empty(); });
            // A chunk at a time, and at most two on their way to the disk: a read of the copy
            // waits for little in front of it, and what comes meanwhile queues here.
            Range& front = m_queue.front();
            const Range range { front.mapping, front.from, std::min(front.to, front.from + kChunk) };
            front.from = range.to;
            if (front.from == front.to)
                m_queue.pop_front();
            m_busy = range.mapping;
            const Range previous = std::exchange(m_inFlight, range);
            lock.unlock();
            const bool taken = StartWriting(range.mapping->fd, range.from, range.to);
            if (taken && previous.mapping == range.mapping)
                WaitWritten(range.mapping->fd, previous.from, previous.to);
            lock.lock();
            // A file system without the call is left to write back as it always did.
            if (!taken)
                range.mapping->writeBackRefused = true;
            m_busy = nullptr;
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Range> m_queue;
    FileMapping* m_busy = nullptr;
    Range m_inFlight { nullptr, 0, 0 }; // the range handed over last
    bool m_started = false;
};

} // namespace

void WriteBehindFrom(FileMapping* mapping, uint64_t from, uint64_t to)
{
    WriteBehind::Instance().Written(mapping, from, to);
}

void StopWriteBehind(FileMapping* mapping)
{
    WriteBehind::Instance().Forget(mapping);
}

} // namespace platform::detail
