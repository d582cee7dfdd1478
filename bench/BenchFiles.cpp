#include "BenchFiles.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QStorageInfo>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr size_t kIoBlock = 8u << 20;

int OpenPath(const QString& path, int flags, mode_t mode = 0644)
{
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= size_t(n);
    }
    return true;
}

// Reads up to length bytes; returns how many, or -1 on an error.
ssize_t ReadFull(int fd, uint8_t* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

bool WriteProcFile(const char* path, const char* text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text, std::strlen(text)) == ssize_t(std::strlen(text));
    ::close(fd);
    return ok;
}

} // namespace

bool GenerateFile(const QString& path, uint64_t size, uint64_t blockSize)
{
    const int fd = OpenPath(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return false;
    std::vector<uint64_t> block((blockSize + 7) / 8);
    uint64_t state = 0x5eed5eed5eed5eedull;
    bool ok = true;
    for (uint64_t done = 0; ok && done < size;) {
        // splitmix64: fast, and no two blocks alike.
        for (uint64_t& word : block) {
            uint64_t z = (state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
        const size_t n = size_t(std::min<uint64_t>(blockSize, size - done));
        ok = WriteAll(fd, reinterpret_cast<const uint8_t*>(block.data()), n);
        done += n;
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

bool ReadThrough(const QStringList& paths)
{
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kIoBlock]);
    for (const QString& path : paths) {
        const int fd = OpenPath(path, O_RDONLY);
        if (fd < 0)
            return false;
        ssize_t n;
        while ((n = ReadFull(fd, buffer.get(), kIoBlock)) > 0) { }
        ::close(fd);
        if (n < 0)
            return false;
    }
    return true;
}

bool SameContents(const QString& a, const QString& b)
{
    const int fa = OpenPath(a, O_RDONLY);
    const int fb = OpenPath(b, O_RDONLY);
    bool same = fa >= 0 && fb >= 0;
    std::unique_ptr<uint8_t[]> ba(new uint8_t[kIoBlock]), bb(new uint8_t[kIoBlock]);
    while (same) {
        const ssize_t na = ReadFull(fa, ba.get(), kIoBlock);
        const ssize_t nb = ReadFull(fb, bb.get(), kIoBlock);
        if (na < 0 || nb < 0 || na != nb || std::memcmp(ba.get(), bb.get(), size_t(na)) != 0)
            same = false;
        if (na <= 0)
            break;
    }
    if (fa >= 0)
        ::close(fa);
    if (fb >= 0)
        ::close(fb);
    return same;
}

void SyncAll()
{
    ::sync();
}

bool DropCaches()
{
    ::sync();
    return WriteProcFile("/proc/sys/vm/drop_caches", "3");
}

void PrewarmMemory(uint64_t bytes)
{
    // Never so much that the page cache (the inputs of the step) has to make room for it.
    uint64_t freeKiB = 0;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : meminfo.readAll().split('\n')) {
            if (line.startsWith("MemFree:"))
                freeKiB = line.mid(8).trimmed().split(' ').value(0).toULongLong();
        }
    }
    bytes = std::min<uint64_t>(bytes, freeKiB * 1024 / 2);
    // From a thread on every processor: freed pages first go to per-processor lists, and
    // the next job's threads may run on any of them.
    const long cpus = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
    const size_t share = size_t((bytes / uint64_t(cpus) + (2u << 20) - 1) & ~uint64_t((2u << 20) - 1));
    std::vector<std::thread> threads;
    for (long cpu = 0; cpu < cpus; ++cpu) {
        threads.emplace_back([share, cpu] {
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(int(cpu), &set);
            ::pthread_setaffinity_np(::pthread_self(), sizeof set, &set);
            void* area
                = ::mmap(nullptr, share, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            if (area == MAP_FAILED)
                return;
            ::madvise(area, share, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
            if (::madvise(area, share, MADV_POPULATE_WRITE) != 0)
#endif
                std::memset(area, 0, share);
            ::munmap(area, share);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

void ResetPeakRss()
{
    // 5: set the peak resident size back to the current one (Linux 4.0 and later).
    WriteProcFile("/proc/self/clear_refs", "5");
}

long PeakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double TimeProcess(const QString& program, const QStringList& arguments, const QString& stdoutPath)
{
    std::vector<QByteArray> args;
    args.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        args.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(stdoutPath);
    if (!stdoutPath.isEmpty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

uint64_t AvailableBytes(const QString& folder)
{
    struct statvfs vfs { };
    if (::statvfs(QFile::encodeName(folder).constData(), &vfs) != 0)
        return 0;
    return uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
}

int64_t UsedBytes(const QString& folder)
{
    struct statvfs vfs { };
    if (::statvfs(QFile::encodeName(folder).constData(), &vfs) != 0)
        return 0;
    return int64_t(vfs.f_blocks - vfs.f_bfree) * int64_t(vfs.f_frsize);
}

QString FileSystemOf(const QString& folder)
{
    const QStorageInfo storage(folder);
    return QStringLiteral("%1 on %2")
        .arg(QString::fromLatin1(storage.fileSystemType()), QString::fromLocal8Bit(storage.device()));
}
