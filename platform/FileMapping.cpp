#include "FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace platform {

struct FileMapping {
    int fd = -1;
    uint64_t size = 0;
    bool writable = false;
};

namespace {

testing::ViewObserver& Observer()
{
    static testing::ViewObserver observer;
    return observer;
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

}  // namespace

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
    return new FileMapping{fd, size, writable};
}

void CloseMapping(MappingHandle mapping)
{
    if (!mapping)
        return;
    ::close(mapping->fd);
    delete mapping;
}

uint64_t MappingSize(MappingHandle mapping)
{
    return mapping ? mapping->size : 0;
}

bool FlushMapping(MappingHandle mapping)
{
    return mapping && ::fsync(mapping->fd) == 0;
}

View MapView(MappingHandle mapping, ViewAccess access, uint64_t offset, uint32_t length)
{
    if (const auto& observer = Observer())
        observer(mapping, access, offset, length);
    const bool write = access == ViewAccess::Write;
    if (!mapping || length == 0 || offset % AllocationGranularity() != 0 || (write && !mapping->writable) ||
        offset > mapping->size || mapping->size - offset < length)
        return {};
    const int prot = write ? PROT_READ | PROT_WRITE : PROT_READ;
    void* p = ::mmap(nullptr, length, prot, MAP_SHARED, mapping->fd, off_t(offset));
    if (p == MAP_FAILED)
        return {};
    return View{static_cast<uint8_t*>(p), length};
}

void UnmapView(View& view)
{
    if (view.data)
        ::munmap(view.data, view.length);
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

}  // namespace

bool GuardedCopy(void* dest, const void* source, size_t length)
{
    InstallBusHandler();
    sigjmp_buf guard;
    if (sigsetjmp(guard, 0) != 0)
        return false;
    t_copyGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(dest, source, length);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_copyGuard = nullptr;
    return true;
}

namespace testing {
void SetViewObserver(ViewObserver observer)
{
    Observer() = std::move(observer);
}
}  // namespace testing

}  // namespace platform
