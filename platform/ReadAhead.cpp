// The read-ahead of the mappings: while the copy works on one view, a thread of its own
// faults in what lies in front of it.

#include "MappingInternal.h"
#include "Thread.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::detail {

namespace {

// How far in front of the last view handed out a mapping is faulted in ahead of the copy.
constexpr uint64_t kReadAhead = 8 * kLargePage;

// Faults in, on a thread of its own, the part of a mapping that lies just in front of the
// last view handed out, while the copy works on that view: the file system reads a cold file,
// or zero-fills the new pages of a file being written, there instead of in the copy's way, and
// the pages of a file being read are touched once, so that the copy does not pay for the
// first touch either. It neither changes nor copies a byte, and it never runs more than
// kReadAhead in front of the copy. It runs only while a processor has nothing else to do.
class ReadAhead {
public:
    static ReadAhead& Instance()
    {
        // Never destroyed: its thread may outlive static destruction.
        static auto* instance = new ReadAhead;
        return *instance;
    }

    // The copy has been handed the view of `mapping` that ends at `viewEnd`.
    void ViewHandedOut(FileMapping* mapping, uint64_t viewEnd)
    {
        const uint64_t to = std::min(mapping->size, viewEnd + kReadAhead);
        std::lock_guard lock(m_mutex);
        if (!mapping->aheadTracked) {
            mapping->aheadTracked = true;
            // While some mapping is read ahead, the thread may keep a processor busy.
            AddHelperLoad(1);
        }
        mapping->aheadFrom = std::max(mapping->aheadFrom, viewEnd);
        mapping->aheadTo = std::max(mapping->aheadTo, to);
        // Woken a large page at a time (or for the file's end), not for every view.
        const uint64_t pending = mapping->aheadTo - mapping->aheadFrom;
        if (mapping->aheadQueued || pending == 0 || (pending < kLargePage && mapping->aheadTo < mapping->size))
            return;
        if (!m_started) {
            try {
                std::thread([this] { Run(); }).detach();
            } catch (const std::system_error&) {
                return; // no thread, no read-ahead: the copy faults its views in itself
            }
            m_started = true;
        }
        mapping->aheadQueued = true;
        m_queue.push_back(mapping);
        m_wake.notify_one();
    }

    // Called before a mapping is unmapped: afterwards the thread no longer touches it.
    void Forget(FileMapping* mapping)
    {
        std::unique_lock lock(m_mutex);
        if (mapping->aheadQueued)
            m_queue.erase(std::find(m_queue.begin(), m_queue.end(), mapping));
        mapping->aheadQueued = false;
        if (mapping->aheadTracked) {
            mapping->aheadTracked = false;
            AddHelperLoad(-1);
        }
        m_idle.wait(lock, [&] { return m_busy != mapping; });
    }

private:
    void Run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_queue.empty(); });
            FileMapping* mapping = m_queue.front();
            m_queue.pop_front();
            mapping->aheadQueued = false;
            m_busy = mapping;
            // A large page at a time, so that Forget never waits long.
            while (mapping->aheadFrom < mapping->aheadTo) {
                const uint64_t from = mapping->aheadFrom - mapping->aheadFrom % PageSize();
                const uint64_t to = std::min(mapping->aheadTo, from - from % kLargePage + kLargePage);
                lock.unlock();
                FaultIn(mapping, from, to);
                lock.lock();
                mapping->aheadFrom = std::max(mapping->aheadFrom, to);
            }
            m_busy = nullptr;
            m_idle.notify_all();
        }
    }

    static void FaultIn(FileMapping* mapping, uint64_t from, uint64_t to)
    {
        uint8_t* data = mapping->base + from;
        const size_t length = size_t(to - from);
        if (mapping->writable) {
            ::madvise(data, length, MADV_POPULATE_WRITE);
        } else if (::madvise(data, length, MADV_POPULATE_READ) == 0) {
            // Guarded all the same: the file may be cut short in the meantime.
            GuardedTouch(data, length);
        }
        // When the copy went past this part in the meantime, it has released it already, and
        // what was faulted in after that would stay mapped until the mapping goes: release it.
        const uint64_t released = mapping->releasedTo.load();
        if (released > from)
            ::madvise(data, size_t(std::min(to, released) - from), MADV_DONTNEED);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<FileMapping*> m_queue;
    FileMapping* m_busy = nullptr;
    bool m_started = false;
};

} // namespace

void ReadAheadFrom(FileMapping* mapping, uint64_t viewEnd)
{
    ReadAhead::Instance().ViewHandedOut(mapping, viewEnd);
}

void StopReadAhead(FileMapping* mapping)
{
    ReadAhead::Instance().Forget(mapping);
}

} // namespace platform::detail
