// Sharing blocks between files where the file system can, instead of copying them.

#include "FileMapping.h"

#include "MappingInternal.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {

namespace {

std::mutex s_gateMutex;
testing::CloneGate s_gate;

bool GateAllows(uint64_t destOffset, uint64_t length)
{
    std::lock_guard lock(s_gateMutex);
    return !s_gate || s_gate(destOffset, length);
}

int Clone(int sourceFd, uint64_t sourceOffset, int destFd, uint64_t destOffset, uint64_t length)
{
    file_clone_range range {};
    range.src_fd = sourceFd;
    range.src_offset = sourceOffset;
    range.src_length = length;
    range.dest_offset = destOffset;
    int rc;
    do {
        rc = ::ioctl(destFd, FICLONERANGE, &range);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

bool CloneRange(MappingHandle source, uint64_t sourceOffset, MappingHandle dest, uint64_t destOffset, uint64_t length)
{
    if (!source || !dest || source->fd < 0 || dest->fd < 0 || !dest->writable || length == 0
        || sourceOffset > source->size || source->size - sourceOffset < length || destOffset > dest->size
        || dest->size - destOffset < length)
        return false;
    if (!GateAllows(destOffset, length))
        return false;
    // Whatever the reason (EXDEV, EOPNOTSUPP, EINVAL for a range off the block boundaries,
    // ENOSYS, EPERM, ETXTBSY, or a real fault), the copy that follows writes the range whole:
    // it meets a real fault itself and reports it with its file.
    return Clone(source->fd, sourceOffset, dest->fd, destOffset, length) == 0;
}

uint32_t SharedBlockSize(FileHandle source, FileHandle dest)
{
    struct stat st { };
    struct statfs fs { };
    if (source < 0 || dest < 0 || !GateAllows(0, 0) || ::fstat(source, &st) != 0 || ::fstatfs(dest, &fs) != 0
        || fs.f_bsize <= 0)
        return 0;
    // Nothing, from the source's end: the file system answers whether it could, and does nothing.
    return Clone(source, uint64_t(st.st_size), dest, 0, 0) == 0 ? uint32_t(fs.f_bsize) : 0;
}

uint32_t SharedBlockSizeIn(FileHandle source, const QString& folder)
{
    if (folder.isEmpty())
        return 0;
    int fd;
    do {
        fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return 0;
    const uint32_t block = SharedBlockSize(source, fd);
    ::close(fd);
    return block;
}

namespace testing {
void SetCloneGate(CloneGate gate)
{
    std::lock_guard lock(s_gateMutex);
    s_gate = std::move(gate);
}
} // namespace testing

} // namespace platform
