// The blocking hand-off of messages to the main window: handled on the window's thread, the
// sender waiting until then, and never waiting for a window that is gone.

#include "TestSupport.h"
#include "Thread.h"
#include "Window.h"

#include <QThread>

#include <gtest/gtest.h>

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

}  // namespace
