#pragma once
// File mappings and their views, over mmap.

#include "FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

struct FileMapping;  // opaque: owns its own descriptor of the file
using MappingHandle = FileMapping*;

enum class MappingAccess { ReadOnly, ReadWrite };
enum class ViewAccess { Read, Write };

// A read-only mapping of the whole file (maxSize must be 0), or a read/write mapping of
// maxSize bytes. A read/write mapping gives the file that size at once and reserves its
// blocks, so a disk that cannot hold it makes this call fail instead of a later copy.
// An empty file cannot be mapped. The file handle may be closed as soon as this returns.
MappingHandle CreateFileMapping(FileHandle file, MappingAccess access, uint64_t maxSize);
void CloseMapping(MappingHandle mapping);
uint64_t MappingSize(MappingHandle mapping);
// Writes everything written through the mapping's views to stable storage.
bool FlushMapping(MappingHandle mapping);

// A window of `length` bytes of the file at `offset`; data is null when it could not be mapped.
struct View {
    uint8_t* data = nullptr;
    size_t length = 0;
    explicit operator bool() const { return data != nullptr; }
};

// offset must be a multiple of AllocationGranularity() and the view must lie inside the
// mapping; a writable view needs a read/write mapping, and its writes reach the file.
View MapView(MappingHandle mapping, ViewAccess access, uint64_t offset, uint32_t length);
void UnmapView(View& view);

// memcpy that survives an I/O fault on either side (a file truncated under its view, a
// disk error): returns false instead of letting SIGBUS end the process.
bool GuardedCopy(void* dest, const void* source, size_t length);

namespace testing {
// Called for every MapView request, before it is served.
using ViewObserver = std::function<void(MappingHandle, ViewAccess, uint64_t offset, uint32_t length)>;
void SetViewObserver(ViewObserver observer);
}  // namespace testing

}  // namespace platform
