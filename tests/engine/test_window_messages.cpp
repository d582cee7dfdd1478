// The blocking hand-off of messages to the main window: handled on the window's thread with the
// sender waiting until then, never a deadlock, and never a wait for a window that is gone.

#include "TestSupport.h"
#include "Thread.h"
#include "Window.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace testsupport;

namespace {

constexpr uint32_t kMessage = 0x7F0;

// What a worker sends, and what it saw on the way.
struct Sender {
    RecordingWindow* window = nullptr;
    uintptr_t tag = 0;
    int count = 1;
    std::atomic<int> handled { 0 }; // counted by the handler
    std::atomic<int> returned { 0 }; // counted by the worker after each send
    std::atomic<bool> early { false }; // a send returned before its handler ran
};

unsigned Send(void* arg)
{
    auto* s = static_cast<Sender*>(arg);
    for (int i = 0; i < s->count; ++i) {
        platform::SendWindowMessage(s->window, kMessage, s->tag, 0);
        if (s->handled.load() <= i)
            s->early = true;
        s->returned.fetch_add(1);
    }
    return 0;
}

bool WorkersDone()
{
    return WaitUntil([] { return platform::RunningWorkerCount() == 0; }, 20000);
}

TEST(WindowMessages, aSendOnTheWindowsOwnThreadIsADirectCall)
{
    RecordingWindow window;
    EXPECT_EQ(platform::SendWindowMessage(&window, kMessage, 0, 1), 0);
    EXPECT_EQ(window.messages.size(), 1u); // handled before the call returned
    EXPECT_EQ(platform::SendWindowMessage(nullptr, kMessage, 0, 1), 0);
}

// Many workers reporting as fast as they can: every send returns only after its handler ran on
// the window's thread, and every worker gets through.
TEST(WindowMessages, manyWorkersEachWaitForTheirOwnHandlerAndAllGetThrough)
{
    RecordingWindow window;
    Sender senders[4];
    bool offThread = false;
    window.onMessage = [&](const RecordingWindow::Message& m) {
        offThread |= QThread::currentThread() != window.thread();
        senders[m.wParam].handled.fetch_add(1);
    };
    for (uintptr_t w = 0; w < 4; ++w) {
        senders[w].window = &window;
        senders[w].tag = w;
        senders[w].count = 1000;
        ASSERT_TRUE(platform::BeginThread(Send, &senders[w]));
    }
    ASSERT_TRUE(WorkersDone());
    EXPECT_FALSE(offThread);
    for (const Sender& s : senders) {
        EXPECT_EQ(s.returned.load(), 1000) << s.tag;
        EXPECT_EQ(s.handled.load(), 1000) << s.tag;
        EXPECT_FALSE(s.early.load()) << s.tag;
    }
}

// A handler that runs an event loop of its own, as a message box does, does not hold up the
// other senders: their messages are handled inside that loop.
TEST(WindowMessages, messagesAreHandledInsideAHandlersNestedEventLoop)
{
    RecordingWindow window;
    Sender first, second;
    first.window = second.window = &window;
    second.tag = 1;
    bool secondHandledInside = false;
    window.onMessage = [&](const RecordingWindow::Message& m) {
        (m.wParam == 0 ? first : second).handled.fetch_add(1);
        if (m.wParam != 0)
            return;
        ASSERT_TRUE(platform::BeginThread(Send, &second));
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (second.handled.load() == 1)
                loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        secondHandledInside = second.handled.load() == 1;
    };
    ASSERT_TRUE(platform::BeginThread(Send, &first));
    ASSERT_TRUE(WorkersDone());
    EXPECT_TRUE(secondHandledInside);
    EXPECT_EQ(first.returned.load() + second.returned.load(), 2);
}

TEST(WindowMessages, sendersAreReleasedWhenTheWindowIsDestroyedBeforeHandlingThem)
{
    auto* window = new RecordingWindow;
    Sender senders[3];
    window->onMessage = [&](const RecordingWindow::Message&) { senders[0].handled.fetch_add(1); };
    for (Sender& s : senders) {
        s.window = window;
        ASSERT_TRUE(platform::BeginThread(Send, &s));
    }
    QThread::msleep(100); // all queued: this thread runs no event loop meanwhile
    delete window;
    ASSERT_TRUE(WorkersDone());
    for (const Sender& s : senders)
        EXPECT_EQ(s.returned.load(), 1);
    EXPECT_EQ(senders[0].handled.load(), 0);
}

} // namespace
