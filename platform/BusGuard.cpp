// Copies and touches through mapped views that survive an I/O fault: a file cut short
// under its mapping, or a disk error, raises SIGBUS on the thread that touched the page.

#include "FileMapping.h"
#include "MappingInternal.h"

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

thread_local sigjmp_buf* t_copyGuard = nullptr;
thread_local const void* t_faultAddress = nullptr;
thread_local CopyFault t_copyFault = CopyFault::None;
struct sigaction g_previousBusAction;

void OnBusError(int sig, siginfo_t* info, void* context)
{
    if (sigjmp_buf* guard = t_copyGuard) {
        t_copyGuard = nullptr;
        t_faultAddress = info->si_addr;
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
        struct sigaction action { };
        action.sa_sigaction = OnBusError;
        // SA_NODEFER: the handler leaves by siglongjmp without restoring the signal mask.
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousBusAction);
    });
}

// Runs access(), which reads or writes through mapped views; false, instead of the end of the
// process, when that meets an I/O fault.
template <typename Access> bool Guarded(Access access)
{
    InstallBusHandler();
    sigjmp_buf guard;
    if (sigsetjmp(guard, 0) != 0)
        return false;
    t_copyGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    access();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_copyGuard = nullptr;
    return true;
}

} // namespace

namespace detail {

bool GuardedTouch(const uint8_t* data, size_t length)
{
    return Guarded([&] {
        uint8_t sum = 0;
        for (size_t i = 0; i < length; i += PageSize())
            sum += *static_cast<const volatile uint8_t*>(data + i);
        __asm__ volatile("" : : "r"(sum));
    });
}

} // namespace detail

bool GuardedCopy(void* dest, const void* source, size_t length)
{
    t_copyFault = CopyFault::None;
    if (Guarded([&] { std::memcpy(dest, source, length); }))
        return true;
    const auto* at = static_cast<const uint8_t*>(t_faultAddress);
    const auto* written = static_cast<const uint8_t*>(dest);
    t_copyFault = at >= written && at < written + length ? CopyFault::Destination : CopyFault::Source;
    errno = EIO; // what a read or write of the same page would have answered
    return false;
}

CopyFault LastCopyFault()
{
    return t_copyFault;
}

} // namespace platform
