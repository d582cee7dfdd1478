// The blocking hand-off of messages to the main window: handled on the window's thread, the
// sender waiting until then, and never waiting for a window that is gone.

#include "TestSupport.h"
#include "Thread.h"
#include "Window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <atomic>

using namespace testsupport;

namespace {

struct Handled {
    QThread* thread = nullptr;
    bool workerWasWaiting = false;
};

TEST(WindowMessages, aCallOnTheWindowsThreadIsDirect)
{
    RecordingWindow window;
    EXPECT_EQ(platform::SendWindowMessage(&window, 0x7F0, 0, 1), 0);
    ASSERT_EQ(window.messages.size(), 1u);  // handled before the call returned
    EXPECT_EQ(platform::SendWindowMessage(nullptr, 0x7F0, 0, 1), 0);
}

TEST(WindowMessages, aWorkerWaitsUntilTheWindowsThreadHasHandledItsMessageAndBox)
{
    RecordingWindow window;
    static std::atomic<bool> returned{false};
    static std::atomic<bool> stillWaitingDuringHandler{false};
    static QThread* handlerThread = nullptr;
    returned = false;
    window.onMessage = [](const RecordingWindow::Message&) {
        handlerThread = QThread::currentThread();
        QThread::msleep(50);
        stillWaitingDuringHandler = !returned.load();
    };
    static RecordingWindow* target = nullptr;
    target = &window;
    ASSERT_TRUE(platform::BeginThread(
        [](void*) -> unsigned {
            platform::SendWindowMessage(target, 0x7F0, 1, 1);
            platform::ShowMessageBox(target, QStringLiteral("text"), QStringLiteral("caption"));
            returned = true;
            return 0;
        },
        nullptr));
    ASSERT_TRUE(WaitUntil([] { return returned.load() && platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(handlerThread, QThread::currentThread());
    EXPECT_TRUE(stillWaitingDuringHandler.load());
    ASSERT_EQ(window.boxes.size(), 1);
    EXPECT_EQ(window.boxes.first(), QStringLiteral("caption: text"));
}

TEST(WindowMessages, aSenderReturnsWhenTheWindowIsDestroyedBeforeHandlingIt)
{
    auto* window = new RecordingWindow;
    static std::atomic<bool> returned{false};
    static RecordingWindow* target = nullptr;
    returned = false;
    target = window;
    ASSERT_TRUE(platform::BeginThread(
        [](void*) -> unsigned {
            platform::SendWindowMessage(target, 0x7F0, 0, 1);
            returned = true;
            return 0;
        },
        nullptr));
    // The call is queued to this thread, which does not run its event loop yet.
    QThread::msleep(100);
    EXPECT_FALSE(returned.load());
    delete window;
    ASSERT_TRUE(WaitUntil([] { return returned.load() && platform::RunningWorkerCount() == 0; }, 5000));
}

// Two workers report as fast as they can, as a thread per piece does: every message is
// handled once, on the window's thread, in each worker's order, and no sender returns
// before its own message was handled.
TEST(WindowMessages, concurrentSendersAreHandledInOrderAndEachWaitsForItsOwnMessage)
{
    constexpr int kPerWorker = 3000;
    RecordingWindow window;
    static RecordingWindow* target = nullptr;
    static std::array<std::atomic<int>, 2> handled;
    static std::array<std::atomic<bool>, 2> outOfOrder;
    static std::array<std::atomic<bool>, 2> returnedEarly;
    static std::atomic<bool> offThread{false};
    static QThread* windowThread = nullptr;
    target = &window;
    windowThread = QThread::currentThread();
    offThread = false;
    for (int w = 0; w < 2; ++w) {
        handled[w] = 0;
        outOfOrder[w] = false;
        returnedEarly[w] = false;
    }
    window.onMessage = [](const RecordingWindow::Message& m) {
        const int worker = int(m.lParam);
        if (QThread::currentThread() != windowThread)
            offThread = true;
        if (int(m.wParam) != handled[worker].load())
            outOfOrder[worker] = true;
        handled[worker].fetch_add(1);
    };
    auto worker = [](void* arg) -> unsigned {
        const int w = int(reinterpret_cast<intptr_t>(arg));
        for (int i = 0; i < kPerWorker; ++i) {
            platform::SendWindowMessage(target, 0x7F0, uintptr_t(i), w);
            if (handled[w].load() < i + 1)
                returnedEarly[w] = true;
        }
        return 0;
    };
    ASSERT_TRUE(platform::BeginThread(worker, reinterpret_cast<void*>(intptr_t(0))));
    ASSERT_TRUE(platform::BeginThread(worker, reinterpret_cast<void*>(intptr_t(1))));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }, 20000));
    EXPECT_FALSE(offThread.load());
    for (int w = 0; w < 2; ++w) {
        EXPECT_EQ(handled[w].load(), kPerWorker) << "worker " << w;
        EXPECT_FALSE(outOfOrder[w].load()) << "worker " << w;
        EXPECT_FALSE(returnedEarly[w].load()) << "worker " << w;
    }
    EXPECT_EQ(window.messages.size(), size_t(2 * kPerWorker));
}

// A handler that runs a loop of its own (as a message box does) does not hold up the other
// senders: their messages are handled inside that loop.
TEST(WindowMessages, messagesAreHandledInsideAHandlersOwnEventLoop)
{
    RecordingWindow window;
    static RecordingWindow* target = nullptr;
    static std::atomic<int> returned{0};
    target = &window;
    returned = 0;
    auto send = [](void* arg) -> unsigned {
        platform::SendWindowMessage(target, 0x7F0, uintptr_t(reinterpret_cast<intptr_t>(arg)), 0);
        returned.fetch_add(1);
        return 0;
    };
    bool firstHandled = false;
    bool secondStarted = false;
    bool secondHandledInside = false;
    window.onMessage = [&](const RecordingWindow::Message& m) {
        if (m.wParam != 1)
            return;
        firstHandled = true;
        secondStarted = platform::BeginThread(send, reinterpret_cast<void*>(intptr_t(2)));
        // The "box": a loop that ends when the second message has been handled, or after 5 s.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (window.Count(0x7F0, 2, 0) == 1)
                loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        secondHandledInside = window.Count(0x7F0, 2, 0) == 1;
    };
    ASSERT_TRUE(platform::BeginThread(send, reinterpret_cast<void*>(intptr_t(1))));
    ASSERT_TRUE(WaitUntil([] { return returned.load() == 2 && platform::RunningWorkerCount() == 0; }, 10000));
    EXPECT_TRUE(firstHandled);
    EXPECT_TRUE(secondStarted);
    EXPECT_TRUE(secondHandledInside);
}

// A worker that reports without pause does not starve the window's event loop: its timers
// still fire while the reports go on.
TEST(WindowMessages, aFloodOfMessagesLeavesTheEventLoopRunning)
{
    RecordingWindow window;
    static RecordingWindow* target = nullptr;
    static std::atomic<bool> stop{false};
    static std::atomic<int> sent{0};
    target = &window;
    stop = false;
    sent = 0;
    ASSERT_TRUE(platform::BeginThread(
        [](void*) -> unsigned {
            while (!stop.load()) {
                platform::SendWindowMessage(target, 0x7F0, 0, 1);
                sent.fetch_add(1);
            }
            return 0;
        },
        nullptr));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const int sentWhileTicking = sent.load();
    stop = true;
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }, 5000));
    EXPECT_GE(ticks, 10);  // 50 are due; a starved loop would see at most one or two
    EXPECT_GT(sentWhileTicking, 100);
}

// Several senders queued to a window that is destroyed before handling them are all
// released, and none of their calls runs.
TEST(WindowMessages, everyQueuedSenderIsReleasedWhenTheWindowIsDestroyed)
{
    auto* window = new RecordingWindow;
    static RecordingWindow* target = nullptr;
    static std::atomic<int> returned{0};
    static std::atomic<int> handled{0};
    target = window;
    returned = 0;
    handled = 0;
    window->onMessage = [](const RecordingWindow::Message&) { handled.fetch_add(1); };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(platform::BeginThread(
            [](void*) -> unsigned {
                platform::SendWindowMessage(target, 0x7F0, 0, 1);
                returned.fetch_add(1);
                return 0;
            },
            nullptr));
    }
    QThread::msleep(100);  // all three queued; this thread runs no event loop meanwhile
    EXPECT_EQ(returned.load(), 0);
    delete window;
    ASSERT_TRUE(WaitUntil([] { return returned.load() == 3 && platform::RunningWorkerCount() == 0; }, 5000));
    EXPECT_EQ(handled.load(), 0);
}

}  // namespace
