#pragma once
// What the files of the mapping layer share: a mapping's record, page arithmetic, the
// read-ahead, the write-behind and the bus-error guard. Not for use outside platform/.

#include <sys/mman.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace platform {

struct FileMapping {
    // The mapping's own descriptor of its file: for flushing, for clones of its blocks, and,
    // where the file could not be mapped whole, for views of their own. A job holds each of
    // its files open anyway (under its lock), so this costs no more than one more descriptor
    // per file within the raised limit.
    int fd = -1;
    uint64_t size = 0;
    bool writable = false;
    // The whole file, mapped once at a 2 MiB boundary; null where it could not be mapped,
    // and then every view is a mapping of its own.
    uint8_t* base = nullptr;
    // One reference for the handle and one for each window handed out, so that a view
    // stays valid after its mapping's handle is closed.
    std::atomic<int> references { 1 };

    // Reading ahead, guarded by the read-ahead thread's mutex: [aheadFrom, aheadTo) is the
    // part in front of the last view handed out that is still to be faulted in (aheadFrom
    // never passes aheadTo); whether the mapping waits in the read-ahead queue; whether it
    // counts as being read ahead.
    uint64_t aheadFrom = 0;
    uint64_t aheadTo = 0;
    bool aheadQueued = false;
    bool aheadTracked = false;
    // Where the release of the pages behind the views given back has come to.
    std::atomic<uint64_t> releasedTo { 0 };
    // Guarded by the write-behind thread's mutex: the file system does not take the hint to
    // start writing, so none is given any more.
    bool writeBackRefused = false;
};

namespace detail {

// The size of a large page and of a large page-cache folio.
inline constexpr uint64_t kLargePage = 2u << 20;

uint64_t PageSize();
uint64_t RoundUpToPage(uint64_t value);

// The copy has been handed the view of `mapping` that ends at `viewEnd`: fault in what
// lies in front of it, on the read-ahead thread.
void ReadAheadFrom(FileMapping* mapping, uint64_t viewEnd);
// Called before a mapping is unmapped: afterwards the read-ahead no longer touches it.
void StopReadAhead(FileMapping* mapping);

// [from, to) of a read/write mapping has been written and will not be written again: have
// the kernel start writing it to the disk, without waiting for it.
void WriteBehindFrom(FileMapping* mapping, uint64_t from, uint64_t to);
// Called before a read/write mapping's descriptor is closed: what waits is handed over now.
void StopWriteBehind(FileMapping* mapping);

// Reads one byte of every page; false, instead of the end of the process, on an I/O fault.
bool GuardedTouch(const uint8_t* data, size_t length);

} // namespace detail

} // namespace platform
