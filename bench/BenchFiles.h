#pragma once
// What the benchmark does around the jobs it times: making and comparing files, the page
// cache, the process's peak memory, and the reference programs.

#include <QString>
#include <QStringList>

#include <cstdint>

// Writes `size` bytes of deterministic, incompressible data with write calls of `blockSize`
// bytes. The size of the calls decides the size of the page-cache folios the file starts
// with (large calls give 2 MiB folios), and so how cheaply it can be mapped later.
bool GenerateFile(const QString& path, uint64_t size, uint64_t blockSize);
// Reads the files once, so that they are in the page cache.
bool ReadThrough(const QStringList& paths);
// True when both files have the same size and bytes.
bool SameContents(const QString& a, const QString& b);

// Writes every dirty page of the system back.
void SyncAll();
// Empties the page cache (needs root); false when not permitted.
bool DropCaches();

// Touches `bytes` of fresh memory in 2 MiB pages and gives it back at once. On a virtual
// machine that hands free memory back to its host (free page reporting), memory that has
// been free for a while must be fetched from the host again on its first touch, which makes
// the first writer after an idle period pay for it; this makes every timed step start with
// the same supply of ready memory, as on a machine without such a host. At most half of the
// free memory is touched.
void PrewarmMemory(uint64_t bytes);

// The process's peak resident size since the last reset.
void ResetPeakRss();
long PeakRssKiB();

// Runs program with arguments, its standard output going to stdoutPath when that is not
// empty; returns the elapsed seconds, or a negative value when it failed.
double TimeProcess(const QString& program, const QStringList& arguments, const QString& stdoutPath = QString());

// Free bytes of the file system that holds folder, for an unprivileged user.
uint64_t AvailableBytes(const QString& folder);
// Bytes in use on the file system that holds folder, as `df` counts them.
int64_t UsedBytes(const QString& folder);
// The type of that file system ("ext4", "xfs", "btrfs") and its device.
QString FileSystemOf(const QString& folder);
