#include "FileSystem.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace platform {

namespace {

testing::DiskFreeHook g_diskFreeHook;

} // namespace

int NotRegularError(const struct stat& st, int statError)
{
    if (st.st_mode == 0)
        return statError;
    return S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
}

namespace {

FileHandle OpenWithFlags(const QString& path, int flags, AccessHint hint)
{
    if (path.isEmpty())
        return kInvalidFile;
    const QByteArray name = QFile::encodeName(path);
    int fd;
    // O_NONBLOCK: a FIFO or a device must not block the caller in open(); only regular
    // files are taken.
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return kInvalidFile;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        errno = NotRegularError(st, error);
        return kInvalidFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, hint == AccessHint::Sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    return fd;
}

} // namespace

void CloseFile(FileHandle file)
{
    ::close(file);
}

UniqueFile OpenFileForRead(const QString& path, AccessHint hint)
{
    return UniqueFile(OpenWithFlags(path, O_RDONLY, hint));
}

UniqueFile CreateFileAlways(const QString& path, AccessHint hint)
{
    return UniqueFile(OpenWithFlags(path, O_RDWR | O_CREAT | O_TRUNC, hint));
}

namespace {

void FillIdentity(const struct stat& st, FileIdentity* identity)
{
    identity->device = uint64_t(st.st_dev);
    identity->inode = uint64_t(st.st_ino);
    identity->size = int64_t(st.st_size);
    identity->modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity->changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

bool TryLock(FileHandle file, int operation)
{
    int rc;
    do {
        rc = ::flock(file, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno != EWOULDBLOCK;
}

} // namespace

bool IdentifyFile(FileHandle file, FileIdentity* identity)
{
    struct stat st { };
    if (file < 0 || ::fstat(file, &st) != 0)
        return false;
    FillIdentity(st, identity);
    return true;
}

bool IdentifyPath(const QString& path, FileIdentity* identity)
{
    struct stat st { };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    FillIdentity(st, identity);
    return true;
}

UniqueFile OpenFileShared(const QString& path, AccessHint hint, LockResult* result)
{
    UniqueFile file = OpenFileForRead(path, hint);
    if (!file)
        *result = LockResult::Failed;
    else if (!TryLock(file.get(), LOCK_SH))
        *result = LockResult::Busy;
    else
        *result = LockResult::Locked;
    if (*result != LockResult::Locked)
        file.reset();
    return file;
}

bool LockExclusive(FileHandle file)
{
    return TryLock(file, LOCK_EX);
}

bool GetFileSize64(FileHandle file, int64_t* size)
{
    struct stat st { };
    if (file < 0 || ::fstat(file, &st) != 0)
        return false;
    *size = st.st_size;
    return true;
}

bool NameFits(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QByteArray folder
        = slash < 0 ? QByteArrayLiteral(".") : QFile::encodeName(path.left(std::max<qsizetype>(slash, 1)));
    const long limit = ::pathconf(folder.constData(), _PC_NAME_MAX);
    return QFile::encodeName(path.mid(slash + 1)).size() <= (limit > 0 ? limit : 255);
}

bool PathExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

bool RemoveFile(const QString& path)
{
    return !path.isEmpty() && ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool RemoveFileIfSame(const QString& path, const FileIdentity& identity)
{
    FileIdentity now;
    return IdentifyPath(path, &now) && now.SameFile(identity) && RemoveFile(path);
}

bool DiskFreeBytes(const QString& folder, uint64_t* freeBytes)
{
    if (g_diskFreeHook)
        return g_diskFreeHook(folder, freeBytes);
    struct statvfs vfs { };
    if (folder.isEmpty() || ::statvfs(QFile::encodeName(folder).constData(), &vfs) != 0)
        return false;
    // What this user can write: the blocks kept for root are not for the pieces.
    *freeBytes = uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize);
    return true;
}

void RaiseOpenFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

uint32_t AllocationGranularity()
{
    const long page = ::sysconf(_SC_PAGESIZE);
    return uint32_t(std::max<long>(page, 65536));
}

uint32_t TickCount()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

namespace testing {
void SetDiskFreeHook(DiskFreeHook hook)
{
    g_diskFreeHook = std::move(hook);
}
} // namespace testing

} // namespace platform
