#include "FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

struct FileMapping {
    int fd = -1;
    uint64_t size = 0;
    bool writable = false;
    // The whole file, mapped once at a 2 MiB boundary; null where it could not be mapped,
    // and then every view is a mapping of its own.
    uint8_t* base = nullptr;
    // One reference for the handle and one for each window handed out, so that a view
    // stays valid after its mapping's handle is closed.
    std::atomic<int> references{1};

    // Reading ahead, guarded by the read-ahead thread's mutex: [aheadFrom, aheadTo) is the
    // part in front of the last view handed out that is still to be faulted in (aheadFrom
    // never passes aheadTo); whether the mapping waits in the read-ahead queue; whether it
    // counts as being read ahead.
    uint64_t aheadFrom = 0;
    uint64_t aheadTo = 0;
    bool aheadQueued = false;
    bool aheadTracked = false;
    // Where the release of the pages behind the views given back has come to.
    std::atomic<uint64_t> releasedTo{0};
};

namespace {

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// The size of a large page and of a large page-cache folio.
constexpr uint64_t kLargePage = 2u << 20;
// Pages behind the views given back leave the page tables a whole block at a time: a block
// that one large-page entry maps cannot be released in part without being faulted in again,
// and each release flushes the TLB, so a view of 640 KiB releases only every third time.
constexpr uint64_t kReleaseBlock = kLargePage;
// How far in front of the last view handed out a mapping is faulted in ahead of the copy.
constexpr uint64_t kReadAhead = 8 * kLargePage;

testing::ViewObserver& Observer()
{
    static testing::ViewObserver observer;
    return observer;
}

uint64_t PageSize()
{
    static const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
    return page;
}

uint64_t RoundUpToPage(uint64_t value)
{
    return (value + PageSize() - 1) & ~(PageSize() - 1);
}

// Gives the file its final size with its blocks reserved; falls back to ftruncate only
// where the file system cannot reserve.
bool ReserveFileSize(int fd, uint64_t size)
{
    int rc;
    do {
        rc = ::posix_fallocate(fd, 0, off_t(size));
    } while (rc == EINTR);
    if (rc == 0)
        return true;
    if (rc != EOPNOTSUPP && rc != ENOSYS)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    return uint64_t(st.st_size) >= size || ::ftruncate(fd, off_t(size)) == 0;
}

// Maps the whole file at an address that is a multiple of 2 MiB, so that addresses and file
// offsets agree modulo 2 MiB and a 2 MiB folio of the page cache can be mapped by one
// page-table entry. Null when the address space cannot take it.
uint8_t* MapWholeFile(int fd, uint64_t size, bool writable)
{
    if (size > uint64_t(SIZE_MAX) - 2 * kLargePage)
        return nullptr;
    const size_t mapped = size_t(RoundUpToPage(size));
    // Reserve an address range with room to align, map the file over its aligned part and
    // give back the rest.
    const size_t reserved = mapped + size_t(kLargePage);
    void* area = ::mmap(nullptr, reserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (area == MAP_FAILED)
        return nullptr;
    const uintptr_t start = uintptr_t(area);
    const uintptr_t aligned = (start + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
    const int prot = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* p = ::mmap(reinterpret_cast<void*>(aligned), mapped, prot, MAP_SHARED | MAP_FIXED, fd, 0);
    if (p == MAP_FAILED) {
        ::munmap(area, reserved);
        return nullptr;
    }
    if (aligned > start)
        ::munmap(area, aligned - start);
    if (start + reserved > aligned + mapped)
        ::munmap(reinterpret_cast<void*>(aligned + mapped), start + reserved - (aligned + mapped));
    // Large folios for the pages that are read or created through the mapping, and 2 MiB
    // folios mapped whole. Without it every 4 KiB page costs a fault of its own.
    ::madvise(p, mapped, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(p);
}

bool GuardedTouch(const uint8_t* data, size_t length);

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
            m_tracked.fetch_add(1);
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
                return;  // no thread, no read-ahead: the copy faults its views in itself
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
            m_tracked.fetch_sub(1);
        }
        m_idle.wait(lock, [&] { return m_busy != mapping; });
    }

    // Whether some mapping is being read ahead, so that the thread may be busy.
    bool InUse() const { return m_tracked.load() > 0; }

    // For tests: stops the thread before its next step, with that step's range chosen.
    void Hold(bool hold)
    {
        std::lock_guard lock(m_mutex);
        m_hold = hold;
        m_wake.notify_all();
    }

    bool WaitUntil(bool held, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_idle.wait_for(lock, timeout, [&] { return held ? m_held : m_queue.empty() && !m_busy; });
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
                if (m_hold) {
                    m_held = true;
                    m_idle.notify_all();
                    m_wake.wait(lock, [&] { return !m_hold; });
                    m_held = false;
                }
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
    bool m_hold = false;
    bool m_held = false;
    std::atomic<int> m_tracked{0};
};

void Release(FileMapping* mapping)
{
    if (mapping->references.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (mapping->base) {
        ReadAhead::Instance().Forget(mapping);
        ::munmap(mapping->base, size_t(RoundUpToPage(mapping->size)));
    }
    ::close(mapping->fd);
    delete mapping;
}

}  // namespace

bool ReadAheadInUse()
{
    return ReadAhead::Instance().InUse();
}

MappingHandle CreateFileMapping(FileHandle file, MappingAccess access, uint64_t maxSize)
{
    struct stat st {};
    if (file < 0 || ::fstat(file, &st) != 0)
        return nullptr;
    const bool writable = access == MappingAccess::ReadWrite;
    uint64_t size = uint64_t(st.st_size);
    if (writable) {
        if (maxSize == 0 || maxSize > uint64_t(INT64_MAX))
            return nullptr;
        if (size < maxSize && !ReserveFileSize(file, maxSize))
            return nullptr;
        size = maxSize;
    } else if (maxSize != 0) {
        return nullptr;
    }
    if (size == 0)
        return nullptr;
    const int fd = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    auto* mapping = new FileMapping;
    mapping->fd = fd;
    mapping->size = size;
    mapping->writable = writable;
    mapping->base = MapWholeFile(fd, size, writable);
    return mapping;
}

void CloseMapping(MappingHandle mapping)
{
    if (mapping)
        Release(mapping);
}

uint64_t MappingSize(MappingHandle mapping)
{
    return mapping ? mapping->size : 0;
}

bool FlushMapping(MappingHandle mapping)
{
    if (!mapping)
        return false;
    bool ok = true;
    if (mapping->base && mapping->writable)
        ok = ::msync(mapping->base, size_t(RoundUpToPage(mapping->size)), MS_SYNC) == 0;
    return ::fsync(mapping->fd) == 0 && ok;
}

View MapView(MappingHandle mapping, ViewAccess access, uint64_t offset, uint32_t length)
{
    if (const auto& observer = Observer())
        observer(mapping, access, offset, length);
    const bool write = access == ViewAccess::Write;
    if (!mapping || length == 0 || offset % AllocationGranularity() != 0 || (write && !mapping->writable) ||
        offset > mapping->size || mapping->size - offset < length)
        return {};
    // A window of the whole mapping, except for a read view of a read/write mapping: that
    // one gets a read-only mapping of its own, so that it cannot write.
    if (mapping->base && (write || !mapping->writable)) {
        mapping->references.fetch_add(1, std::memory_order_relaxed);
        uint8_t* data = mapping->base + offset;
        // Fault the whole view in with one call instead of a fault per page or folio.
        // Failure is harmless: a page that cannot be faulted in now (a file cut short
        // meanwhile) faults again in the copy, which is guarded.
        ::madvise(data, length, write ? MADV_POPULATE_WRITE : MADV_POPULATE_READ);
        if (SpareProcessors() > 0)
            ReadAhead::Instance().ViewHandedOut(mapping, offset + length);
        return View{data, length, mapping};
    }
    const int prot = write ? PROT_READ | PROT_WRITE : PROT_READ;
    void* p = ::mmap(nullptr, length, prot, MAP_SHARED, mapping->fd, off_t(offset));
    if (p == MAP_FAILED)
        return {};
    return View{static_cast<uint8_t*>(p), length, nullptr};
}

void UnmapView(View& view)
{
    if (FileMapping* mapping = view.window) {
        // Drop the whole release blocks in front of the view's end from the page tables:
        // the page cache keeps the pages, dirty or not, and the process keeps only what is
        // still in use. A copy runs forwards, so the block the view ends in is released by
        // a later view; until then its pages stay mapped for the next view.
        const uint64_t offset = uint64_t(view.data - mapping->base);
        const uint64_t from = offset - offset % kReleaseBlock;
        const uint64_t end = offset + view.length;
        const uint64_t to = end - end % kReleaseBlock;
        if (to > from) {
            // Published first: read-ahead that faults this part in afterwards releases it.
            uint64_t released = mapping->releasedTo.load();
            while (released < to && !mapping->releasedTo.compare_exchange_weak(released, to)) {
            }
            ::madvise(mapping->base + from, size_t(to - from), MADV_DONTNEED);
        }
        Release(mapping);
    } else if (view.data) {
        ::munmap(view.data, view.length);
    }
    view = {};
}

namespace {

thread_local sigjmp_buf* t_copyGuard = nullptr;
struct sigaction g_previousBusAction;

void OnBusError(int sig, siginfo_t* info, void* context)
{
    if (sigjmp_buf* guard = t_copyGuard) {
        t_copyGuard = nullptr;
        siglongjmp(*guard, 1);
    }
    // Not ours: hand the fault to whoever handled it before us (or the default action).
    if (g_previousBusAction.sa_flags & SA_SIGINFO) {
        if (g_previousBusAction.sa_sigaction) {
            g_previousBusAction.sa_sigaction(sig, info, context);
            return;
        }
    } else if (g_previousBusAction.sa_handler != SIG_DFL && g_previousBusAction.sa_handler != SIG_IGN) {
        g_previousBusAction.sa_handler(sig);
        return;
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void InstallBusHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        // SA_NODEFER: the handler leaves by siglongjmp without restoring the signal mask.
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousBusAction);
    });
}

// Runs access(), which reads or writes through mapped views; false, instead of the end of the
// process, when that meets an I/O fault.
template <typename Access>
bool Guarded(Access access)
{
    InstallBusHandler();
    sigjmp_buf guard;
    if (sigsetjmp(guard, 0) != 0)
        return false;
    t_copyGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    access();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_copyGuard = nullptr;
    return true;
}

// Reads one byte of every page.
bool GuardedTouch(const uint8_t* data, size_t length)
{
    return Guarded([&] {
        uint8_t sum = 0;
        for (size_t i = 0; i < length; i += PageSize())
            sum += *static_cast<const volatile uint8_t*>(data + i);
        __asm__ volatile("" : : "r"(sum));
    });
}

}  // namespace

bool GuardedCopy(void* dest, const void* source, size_t length)
{
    return Guarded([&] { std::memcpy(dest, source, length); });
}

namespace testing {
void SetViewObserver(ViewObserver observer)
{
    Observer() = std::move(observer);
}

void HoldReadAhead(bool hold)
{
    ReadAhead::Instance().Hold(hold);
}

bool WaitForReadAhead(ReadAheadState state, std::chrono::milliseconds timeout)
{
    return ReadAhead::Instance().WaitUntil(state == ReadAheadState::Held, timeout);
}
}  // namespace testing

}  // namespace platform
