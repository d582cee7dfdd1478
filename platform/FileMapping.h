#pragma once
// File mappings and their views, over mmap.
//
// A mapping maps its whole file once, when it is created, and a view is a window into that
// one mapping: a view costs no mmap/munmap pair and no TLB shootdown of its own, and the
// file, mapped at a 2 MiB boundary with large pages advised, is served by 2 MiB page-cache
// folios that one page-table entry maps whole. A view's pages are faulted in as one batch
// when it is handed out; the pages behind views that were given back leave the process's
// page tables in blocks, so its resident size stays that of the views in use (plus at most
// one block per copy), whatever the size of the file. While a processor is spare, a thread of
// this layer faults in the next few megabytes in front of the last view handed out, so that
// reading a cold file, zero-filling new pages and the first touch of the pages to be read
// overlap the copy; another hands what the copy has written to the kernel's writeback.

#include "FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

namespace platform {

struct FileMapping; // opaque: owns its own descriptor of the file
using MappingHandle = FileMapping*;

// ReadWriteUnreserved: read/write, for a file whose blocks will be shared with another's
// (CloneRange): it gets its size without reserving blocks that the clone would give back.
enum class MappingAccess { ReadOnly, ReadWrite, ReadWriteUnreserved };
enum class ViewAccess { Read, Write };

// Releases the handle. Views still held stay valid until they are unmapped. Only
// UniqueMapping calls it.
void CloseMapping(MappingHandle mapping);

// A mapping handle that is released when its owner goes away.
using UniqueMapping = UniqueHandle<MappingHandle, nullptr, CloseMapping>;
// A read-only mapping of the whole file (maxSize must be 0), or a read/write mapping of
// maxSize bytes. A read/write mapping gives the file that size at once and reserves its
// blocks (ReadWriteUnreserved only gives it the size), so a disk that cannot hold it makes
// this call fail instead of a later copy. An empty file cannot be mapped. Every mapping keeps
// a descriptor of its own, for clones of its file. The file handle may be closed as soon as this returns.
UniqueMapping CreateFileMapping(FileHandle file, MappingAccess access, uint64_t maxSize);
uint64_t MappingSize(MappingHandle mapping);
// Writes everything written through the mapping's views to stable storage.
bool FlushMapping(MappingHandle mapping);
// Writes the file's data, what was written through mappings of it included, to stable storage.
bool FlushFileData(FileHandle file);
// The copy has written [offset, offset + length) of a read/write mapping and will not write it
// again: the whole large pages in it that the copy has now finished (the part of the first
// one in front of offset counts as written, as a copy runs forwards; the file's last, short
// page once the range reaches the end) are handed to the kernel to write to the disk, by a
// thread of this layer, so that the caller never waits for the disk here. A hint only: a file
// system that does not take it is left to write back when it always did.
void StartWriteBack(MappingHandle mapping, uint64_t offset, uint64_t length);

// Makes [destOffset, destOffset + length) of dest's file share the blocks of [sourceOffset,
// sourceOffset + length) of source's file (FICLONERANGE): no byte moves, and the range takes
// no room of its own. False when the file system does not (another file system, one that
// cannot share, a range not on its block boundaries, or a range that ends inside a block but
// not at both files' ends): the range is to be copied, and whatever this did to it is
// overwritten by that copy. Never copies a byte itself.
bool CloneRange(MappingHandle source, uint64_t sourceOffset, MappingHandle dest, uint64_t destOffset, uint64_t length);
// The block size to which ranges cloned from source into dest must be aligned, or 0 when the
// two cannot share blocks at all. Asks with a clone of nothing, which changes neither file.
uint32_t SharedBlockSize(FileHandle source, FileHandle dest);
// The same for a file that is still to be made in folder (asked through a file without a
// name there, which goes with this call).
uint32_t SharedBlockSizeIn(FileHandle source, const QString& folder);

// A window of `length` bytes of the file at `offset`; data is null when it could not be mapped.
struct View {
    uint8_t* data = nullptr;
    size_t length = 0;
    explicit operator bool() const
    {
        return data != nullptr;
    }

    // Where the view came from, for UnmapView: the mapping it is a window of, or null when
    // it is a mapping of its own.
    FileMapping* window = nullptr;
};

// offset must be a multiple of AllocationGranularity() and the view must lie inside the
// mapping; a writable view needs a read/write mapping, and its writes reach the file.
View MapView(MappingHandle mapping, ViewAccess access, uint64_t offset, uint32_t length);
void UnmapView(View& view);

// memcpy that survives an I/O fault on either side (a file truncated under its view, a
// disk error): returns false instead of letting SIGBUS end the process.
bool GuardedCopy(void* dest, const void* source, size_t length);
// Which side of this thread's last GuardedCopy met the fault (errno is then EIO); None when
// that copy met none.
enum class CopyFault { None, Source, Destination };
CopyFault LastCopyFault();

namespace testing {
// Called for every MapView request, before it is served.
using ViewObserver = std::function<void(MappingHandle, ViewAccess, uint64_t offset, uint32_t length)>;
void SetViewObserver(ViewObserver observer);
// Called at the start of every FlushMapping and FlushFileData, on the flushing thread.
void SetFlushObserver(std::function<void()> observer);
// Makes the next `count` flushes fail as a disk that cannot write would.
void FailNextFlushes(int count);
// Called before every clone with the range of the destination, and with a length of 0 before
// every question whether two files can share; a false answer refuses as a file system that
// cannot share would, so that the copy is what runs. nullptr ends it.
using CloneGate = std::function<bool(uint64_t destOffset, uint64_t length)>;
void SetCloneGate(CloneGate gate);
} // namespace testing

} // namespace platform
