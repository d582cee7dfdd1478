#pragma once
// Files, folders, the disk and the clock, over POSIX.

#include "UniqueHandle.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <utility>

struct stat;

namespace platform {

using FileHandle = int;
inline constexpr FileHandle kInvalidFile = -1;

// How a file will be read; only a hint to the kernel.
enum class AccessHint { Sequential, Random };

// Closes a file; only UniqueFile calls it.
void CloseFile(FileHandle file);
// An open file that closes itself when its owner goes away.
using UniqueFile = UniqueHandle<FileHandle, kInvalidFile, CloseFile>;

// Opens an existing regular file for reading; empty when it is missing or unreadable.
UniqueFile OpenFileForRead(const QString& path, AccessHint hint);
// Creates the regular file, or empties an existing one, for reading and writing.
UniqueFile CreateFileAlways(const QString& path, AccessHint hint);
bool GetFileSize64(FileHandle file, int64_t* size);
// The errno value for a path that is no regular file (st from its stat, all zero when that
// failed with statError): EISDIR for a folder, ENODEV for a device or a pipe, which cannot
// be mapped as a file.
int NotRegularError(const struct stat& st, int statError);

// What identifies a file and its content from outside: where it lives, its size, its times.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
    bool SameFile(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode;
    }
};
bool IdentifyFile(FileHandle file, FileIdentity* identity);
bool IdentifyPath(const QString& path, FileIdentity* identity);

// Advisory locks between jobs, of this process or of others: a job reads its files under a
// shared lock and writes under an exclusive one (see OutputFile).
// InTheWay: a file that this program did not make sits where it would make one of its own.
enum class LockResult { Locked, Busy, Failed, InTheWay };
// Opens an existing regular file for reading under a shared lock, held while it is open.
// Busy when a job writes it; Failed when it cannot be opened.
UniqueFile OpenFileShared(const QString& path, AccessHint hint, LockResult* result);
// Takes an exclusive lock on the open file; false when another job holds a lock on it.
// A file system without locks locks nothing and says yes.
bool LockExclusive(FileHandle file);

// Whether the last part of path is short enough for the file system of its folder (255 bytes
// where it cannot be asked).
bool NameFits(const QString& path);

// True when something (a file or a folder) exists at path.
bool PathExists(const QString& path);
bool RemoveFile(const QString& path);
// Removes the file at path only while it is still the file `identity` names.
bool RemoveFileIfSame(const QString& path, const FileIdentity& identity);

// All free bytes of the file system that holds the folder; false when it cannot be asked.
bool DiskFreeBytes(const QString& folder, uint64_t* freeBytes);

// Lets this process open as many files as its hard limit allows: a job maps one file per
// piece, and a thread per piece keeps each piece's file open while it is copied.
void RaiseOpenFileLimit();

// The alignment of every view offset: max(page size, 65,536).
uint32_t AllocationGranularity();

// Milliseconds of a monotonic clock; wraps after about 49.7 days.
uint32_t TickCount();

namespace testing {
// While set, answers DiskFreeBytes in place of the file system; nullptr ends it.
using DiskFreeHook = std::function<bool(const QString& folder, uint64_t* freeBytes)>;
void SetDiskFreeHook(DiskFreeHook hook);
} // namespace testing

} // namespace platform
