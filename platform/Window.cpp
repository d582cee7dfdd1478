#include "Window.h"

#include "Thread.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// The longest a thread waits with its processor busy for the other side of a hand-off,
// instead of sleeping. Waking a sleeping thread on another processor costs tens of
// microseconds (far more in a virtual machine), which a worker reporting every view of
// 640 KiB would pay twice per view.
constexpr Clock::duration kMaxSpin = std::chrono::microseconds(300);
// The longest the window's thread handles messages before it lets its event loop run.
constexpr Clock::duration kDrainSlice = std::chrono::milliseconds(5);

void CpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#else
    std::this_thread::yield();
#endif
}

// Spinning only pays, and only does no harm, while some processor has nothing else to run:
// none of the workers, nor the read-ahead of the mappings they copy through.
bool HaveIdleProcessor()
{
    return IdleProcessors() > 0;
}

// Busy-waits until `ready` or until `limit` has passed; true when ready.
template <typename Ready> bool SpinUntil(Ready ready, Clock::duration limit)
{
    const Clock::time_point until = Clock::now() + limit;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready())
                return true;
            CpuRelax();
        }
        if (Clock::now() >= until)
            return ready();
    }
}

struct Completion {
    std::atomic<uint32_t> done { 0 };
};

void Complete(Completion& completion)
{
    completion.done.store(1, std::memory_order_release);
    completion.done.notify_one();
}

struct Request {
    const std::function<void()>* call = nullptr; // lives on the sender's stack until completed
    std::shared_ptr<Completion> completion;
    Clock::time_point sent;
};

// The blocking hand-off to the thread of one window. Senders queue their call and wait for
// its completion; the window's thread takes the queue from its event loop. While a worker
// reports often, the window's thread stays a little after each message for the next one,
// and the sender waits a little before sleeping, so that neither sleeps between reports.
class Channel : public std::enable_shared_from_this<Channel> {
public:
    explicit Channel(QObject* context)
        : m_context(context)
    {
    }

    // From a thread other than the window's: returns after `call` ran, or at once (and
    // without running it) when the window is gone.
    void Send(const std::function<void()>& call)
    {
        auto completion = std::make_shared<Completion>();
        {
            std::lock_guard lock(m_mutex);
            if (m_closed)
                return;
            m_queue.push_back(Request { &call, completion, Clock::now() });
            m_queued.fetch_add(1, std::memory_order_release);
            // Under the lock: the window cannot finish closing while the drain is posted.
            if (!m_spinning && !m_posted)
                PostDrainLocked();
        }
        if (HaveIdleProcessor())
            SpinUntil([&] { return completion->done.load(std::memory_order_acquire) != 0; }, kMaxSpin);
        while (completion->done.load(std::memory_order_acquire) == 0)
            completion->done.wait(0, std::memory_order_acquire);
    }

    // The window is being destroyed: its queued calls are dropped and their senders released.
    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        for (Request& request : m_queue)
            Complete(*request.completion);
        m_queue.clear();
        m_queued.store(0, std::memory_order_relaxed);
    }

private:
    void PostDrainLocked()
    {
        m_posted = true;
        QMetaObject::invokeMethod(
            m_context, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
    }

    // On the window's thread. A call may run a nested event loop (a message box): the queue
    // is then taken by a drain posted meanwhile, inside that loop.
    void Drain()
    {
        {
            std::lock_guard lock(m_mutex);
            m_posted = false;
        }
        const Clock::time_point sliceEnd = Clock::now() + kDrainSlice;
        bool handled = false;
        for (;;) {
            Request request;
            {
                std::unique_lock lock(m_mutex);
                if (m_queue.empty()) {
                    if (!handled || m_closed || m_spin == Clock::duration::zero() || Clock::now() >= sliceEnd
                        || !HaveIdleProcessor())
                        return;
                    m_spinning = true;
                    lock.unlock();
                    SpinUntil([this] { return m_queued.load(std::memory_order_acquire) != 0; }, m_spin);
                    lock.lock();
                    m_spinning = false;
                    if (m_queue.empty())
                        return; // a sender that comes now posts a drain again
                }
                request = std::move(m_queue.front());
                m_queue.pop_front();
                m_queued.fetch_sub(1, std::memory_order_relaxed);
            }
            // Stay after a message about as long as messages have been coming apart; not at
            // all when they come rarely.
            if (m_lastHandled != Clock::time_point()) {
                // Sent while the last one was handled (another sender): no gap.
                const Clock::duration gap = std::max(request.sent - m_lastHandled, Clock::duration::zero());
                m_spin = gap > kMaxSpin ? Clock::duration::zero() : std::min(kMaxSpin, gap + gap / 2);
            }
            (*request.call)();
            m_lastHandled = Clock::now();
            Complete(*request.completion);
            handled = true;
            if (m_lastHandled >= sliceEnd) {
                std::lock_guard lock(m_mutex);
                if (!m_queue.empty() && !m_posted && !m_closed)
                    PostDrainLocked();
                return;
            }
        }
    }

    QObject* const m_context;
    std::mutex m_mutex;
    std::deque<Request> m_queue;
    std::atomic<int> m_queued { 0 }; // the queue's length, for spinning without the lock
    bool m_spinning = false; // the window's thread is waiting for the next message
    bool m_posted = false; // a drain is queued to the window's event loop
    bool m_closed = false;
    // The window's thread only.
    Clock::time_point m_lastHandled;
    Clock::duration m_spin = Clock::duration::zero();
};

struct Channels {
    std::mutex mutex;
    std::unordered_map<QObject*, std::shared_ptr<Channel>> byContext;
};

Channels& AllChannels()
{
    // Never destroyed: a window may be destroyed after static destructors have run.
    static Channels* channels = new Channels;
    return *channels;
}

std::shared_ptr<Channel> ChannelOf(QObject* context)
{
    Channels& channels = AllChannels();
    std::lock_guard lock(channels.mutex);
    auto found = channels.byContext.find(context);
    if (found != channels.byContext.end())
        return found->second;
    auto channel = std::make_shared<Channel>(context);
    channels.byContext.emplace(context, channel);
    // Emitted by the window's destructor, on its thread, while its connections still hold.
    QObject::connect(context, &QObject::destroyed, context, [context] {
        std::shared_ptr<Channel> closing;
        {
            Channels& all = AllChannels();
            std::lock_guard lock(all.mutex);
            auto it = all.byContext.find(context);
            if (it == all.byContext.end())
                return;
            closing = std::move(it->second);
            all.byContext.erase(it);
        }
        closing->Close();
    });
    return channel;
}

template <typename Fn> void RunOnWindowThread(WindowHandle window, Fn&& fn)
{
    if (!window)
        return;
    QObject* context = window->Context();
    if (!context)
        return;
    if (context->thread() == QThread::currentThread()) {
        fn();
        return;
    }
    const std::function<void()> call = std::forward<Fn>(fn);
    ChannelOf(context)->Send(call);
}

} // namespace

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    intptr_t result = 0;
    RunOnWindowThread(window, [&] { result = window->HandleMessage(message, wParam, lParam); });
    return result;
}

void ShowMessageBox(WindowHandle window, const QString& text, const QString& caption)
{
    RunOnWindowThread(window, [&] { window->ShowMessageBox(text, caption); });
}

void SetWindowItemText(WindowHandle window, int id, const QString& text)
{
    RunOnWindowThread(window, [&] { window->SetItemText(id, text); });
}

} // namespace platform
