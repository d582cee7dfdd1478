// Mappings and their views.

#include "FileMapping.h"

#include "MappingInternal.h"
#include "Thread.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace platform {

namespace detail {

uint64_t PageSize()
{
    static const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
    return page;
}

uint64_t RoundUpToPage(uint64_t value)
{
    return (value + PageSize() - 1) & ~(PageSize() - 1);
}

} // namespace detail

namespace {

using detail::kLargePage;
using detail::RoundUpToPage;

// Pages behind the views given back leave the page tables a whole block at a time: a block
// that one large-page entry maps cannot be released in part without being faulted in again,
// and each release flushes the TLB, so a view of 640 KiB releases only every third time.
constexpr uint64_t kReleaseBlock = kLargePage;

testing::ViewObserver& Observer()
{
    static testing::ViewObserver observer;
    return observer;
}

std::function<void()>& FlushObserver()
{
    static std::function<void()> observer;
    return observer;
}

std::atomic<int> g_failFlushes { 0 };

// What every flush does first: the observer hears of it; false when it is to fail.
bool BeginFlush()
{
    if (const auto& observer = FlushObserver())
        observer();
    return !(g_failFlushes.load() > 0 && g_failFlushes.fetch_sub(1) > 0);
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
    if (rc != EOPNOTSUPP && rc != ENOSYS) {
        errno = rc; // ENOSPC: the disk cannot hold the file
        return false;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return false;
    return uint64_t(st.st_size) >= size || ::ftruncate(fd, off_t(size)) == 0;
}

// Maps the whole file at an address that is a multiple of 2 MiB, so that addresses and file
// offsets agree modulo 2 MiB and a 2 MiB folio of the page cache can be mapped by one
// page-table entry. Null when the address space cannot take it.
uint8_t* MapWholeFile(int fd, uint64_t size, bool writable)
{
    if (size > uint64_t(SIZE_MAX) - 2 * kLargePage) {
        errno = ENOMEM;
        return nullptr;
    }
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
        const int error = errno;
        ::munmap(area, reserved);
        errno = error;
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

void Release(FileMapping* mapping)
{
    if (mapping->references.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (mapping->base) {
        detail::StopReadAhead(mapping);
        ::munmap(mapping->base, size_t(RoundUpToPage(mapping->size)));
    }
    if (mapping->fd >= 0) {
        if (mapping->writable)
            detail::StopWriteBehind(mapping);
        ::close(mapping->fd);
    }
    delete mapping;
}

} // namespace

UniqueMapping CreateFileMapping(FileHandle file, MappingAccess access, uint64_t maxSize)
{
    struct stat st { };
    if (file < 0 || ::fstat(file, &st) != 0)
        return {};
    const bool writable = access != MappingAccess::ReadOnly;
    uint64_t size = uint64_t(st.st_size);
    // What mmap answers for a length of 0 (an empty file) or one it cannot take.
    errno = EINVAL;
    if (writable) {
        if (maxSize == 0 || maxSize > uint64_t(INT64_MAX))
            return {};
        if (size < maxSize
            && !(access == MappingAccess::ReadWrite ? ReserveFileSize(file, maxSize)
                                                    : ::ftruncate(file, off_t(maxSize)) == 0))
            return {};
        size = maxSize;
    } else if (maxSize != 0) {
        return {};
    }
    if (size == 0)
        return {};
    const int fd = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return {};
    auto* mapping = new FileMapping;
    mapping->fd = fd;
    mapping->size = size;
    mapping->writable = writable;
    mapping->base = MapWholeFile(fd, size, writable);
    return UniqueMapping(mapping);
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
    if (!mapping || !BeginFlush())
        return false;
    bool ok = true;
    if (mapping->base && mapping->writable)
        ok = ::msync(mapping->base, size_t(RoundUpToPage(mapping->size)), MS_SYNC) == 0;
    return mapping->fd >= 0 && ::fsync(mapping->fd) == 0 && ok;
}

bool FlushFileData(FileHandle file)
{
    return file >= 0 && BeginFlush() && ::fdatasync(file) == 0;
}

void StartWriteBack(MappingHandle mapping, uint64_t offset, uint64_t length)
{
    if (!mapping || !mapping->writable || mapping->fd < 0 || offset > mapping->size || mapping->size - offset < length)
        return;
    // Whole large pages only: one that the copy is still writing would be written twice, and
    // its pages would fault again for the copy's next write.
    const uint64_t end = offset + length;
    const uint64_t from = offset - offset % kLargePage;
    const uint64_t to = end == mapping->size ? end : end - end % kLargePage;
    if (to > from)
        detail::WriteBehindFrom(mapping, from, to);
}

View MapView(MappingHandle mapping, ViewAccess access, uint64_t offset, uint32_t length)
{
    if (const auto& observer = Observer())
        observer(mapping, access, offset, length);
    const bool write = access == ViewAccess::Write;
    if (!mapping || length == 0 || offset % AllocationGranularity() != 0 || (write && !mapping->writable)
        || offset > mapping->size || mapping->size - offset < length) {
        errno = EINVAL; // as mmap answers for such a request
        return {};
    }
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
            detail::ReadAheadFrom(mapping, offset + length);
        return View { data, length, mapping };
    }
    const int prot = write ? PROT_READ | PROT_WRITE : PROT_READ;
    void* p = ::mmap(nullptr, length, prot, MAP_SHARED, mapping->fd, off_t(offset));
    if (p == MAP_FAILED)
        return {};
    return View { static_cast<uint8_t*>(p), length, nullptr };
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
            while (released < to && !mapping->releasedTo.compare_exchange_weak(released, to)) { }
            ::madvise(mapping->base + from, size_t(to - from), MADV_DONTNEED);
        }
        Release(mapping);
    } else if (view.data) {
        ::munmap(view.data, view.length);
    }
    view = {};
}

namespace testing {
void SetViewObserver(ViewObserver observer)
{
    Observer() = std::move(observer);
}

void SetFlushObserver(std::function<void()> observer)
{
    FlushObserver() = std::move(observer);
}

void FailNextFlushes(int count)
{
    g_failFlushes.store(count);
}

} // namespace testing

} // namespace platform
