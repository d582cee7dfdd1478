// The platform layer under the copy engine: mappings, their views, blocking messages to the window.

#include "TestSupport.h"

#include <atomic>
#include <tuple>

using namespace testsupport;

namespace {

struct FileMappingTest : JobFixture {
    const QString src = Path("src"), other = Path("other");
    const uint32_t gran = platform::AllocationGranularity();
    static constexpr uint64_t kFourGiB = 1ull << 32;
};

// A view outlives its mapping handle; a copy from a file cut short under it fails, the process lives.
TEST_F(FileMappingTest, servesViewsOnlyInsideTheFileAtAlignedOffsetsAndFailsACopyFromAFileCutShort)
{
    MakeSparseFile(src, qint64(kFourGiB + 3 * gran)); // sparse: nothing near 4 GiB is written
    WriteAt(src, qint64(kFourGiB - 16), PatternBytes(32, 3));
    WriteAt(src, qint64(kFourGiB + 2 * gran), PatternBytes(gran, 5));
    // Offset, length, served: across 4 GiB, the last bytes, unaligned, past the end, at the end.
    const std::tuple<uint64_t, uint64_t, bool> rows[]
        = { { 0, gran, true }, { kFourGiB - gran, 2 * gran, true }, { kFourGiB + 2 * gran, gran, true },
              { gran / 2, 100, false }, { kFourGiB + gran, 2 * gran + 1, false }, { kFourGiB + 3 * gran, 1, false } };
    platform::UniqueMapping mapping = MapForRead(src);
    ASSERT_TRUE(mapping);
    EXPECT_FALSE(platform::MapView(mapping.get(), platform::ViewAccess::Write, 0, gran)); // a read-only mapping
    for (const auto& [offset, length, served] : rows) {
        platform::View view = platform::MapView(mapping.get(), platform::ViewAccess::Read, offset, uint32_t(length));
        EXPECT_EQ(bool(view), served) << offset << '+' << length;
        EXPECT_TRUE(
            !view || QByteArrayView(view.data, qsizetype(length)) == ReadAt(src, qint64(offset), qint64(length)));
        platform::UnmapView(view);
    }
    mapping.reset();
    WriteFile(other, QByteArray());
    EXPECT_FALSE(MapForRead(other));
    WriteFile(src, PatternBytes(4 * gran, 7));
    platform::View view = platform::MapView(MapForRead(src).get(), platform::ViewAccess::Read, 0, 4 * gran);
    ASSERT_TRUE(view && QFile::resize(src, gran));
    QByteArray copy(gran, 0);
    EXPECT_TRUE(platform::GuardedCopy(copy.data(), view.data, gran));
    EXPECT_EQ(copy, PatternBytes(gran, 7));
    EXPECT_FALSE(platform::GuardedCopy(copy.data(), view.data + 3 * gran, gran));
    EXPECT_TRUE(platform::LastCopyFault() == platform::CopyFault::Source && errno == EIO); // what to name, and why
    platform::UnmapView(view);
    EXPECT_EQ(DescriptorsOpenOn(src), 0); // the file went with the last view
}

// A figure of /proc/self/status in KiB: VmRSS, the resident size, or VmHWM, its peak.
long StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf(field);
    return at < 0 ? -1 : text.mid(at + qsizetype(strlen(field))).trimmed().split(' ').value(0).toLong();
}

TEST_F(FileMappingTest, aCopyThroughALargeFileKeepsTheResidentSizeToItsViews)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer keeps memory of its own for every byte copied";
#endif
    const uint64_t size = 160ull << 20; // sparse: no hundreds of megabytes written
    MakeSparseFile(src, qint64(size));
    WriteAt(src, qint64(size - gran), PatternBytes(gran, 8));
    EngineStateGuard tenGranuleViews(10 * gran, false, false);
    const platform::UniqueMapping source = MapForRead(src);
    platform::UniqueMapping piece = CreateForWrite(other, size);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs")); // the peak starts again
    ASSERT_TRUE(source && clearRefs.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && clearRefs.write("5") == 1);
    const long before = StatusKiB("VmRSS:");
    CopyRange(Task(std::move(piece), source.get(), true, 0, size).release());
    // Of 320 MiB passed through, the views in use, a release block, read-ahead and the sanitizers' memory may stay.
    EXPECT_LT(StatusKiB("VmHWM:") - before, 96 * 1024);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadAt(other, qint64(size - gran), gran), PatternBytes(gran, 8));
}

struct Sender {
    RecordingWindow* window = nullptr;
    uintptr_t tag = 0;
    int count = 1;
    std::atomic<int> handled { 0 }, returned { 0 }; // by the handler; by the worker after each send
    std::atomic<bool> early { false }; // a send returned before its handler ran
};

unsigned Send(void* arg)
{
    auto* s = static_cast<Sender*>(arg);
    for (int i = 0; i < s->count; ++i) {
        platform::SendWindowMessage(s->window, WM_COPYPROGRESS, s->tag, 0);
        s->early = s->early || s->handled.load() <= i;
        s->returned.fetch_add(1);
    }
    return 0;
}

// Direct on the window's thread; from many workers, each send returns after its handler ran there.
TEST(WindowMessages, manyWorkersEachWaitForTheirOwnHandlerAndAllGetThrough)
{
    RecordingWindow window;
    EXPECT_EQ(platform::SendWindowMessage(&window, WM_COPYPROGRESS, 0, 1), 0);
    EXPECT_EQ(window.messages.size(), 1u); // handled before the call returned
    Sender senders[4] = { { &window, 0, 1000 }, { &window, 1, 1000 }, { &window, 2, 1000 }, { &window, 3, 1000 } };
    window.onMessage = [&](const RecordingWindow::Message& m) {
        if (QThread::currentThread() == window.thread()) // off the window's thread: not counted
            senders[m.wParam].handled.fetch_add(1);
    };
    for (Sender& s : senders)
        ASSERT_TRUE(platform::BeginThread(Send, &s));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    for (const Sender& s : senders)
        EXPECT_EQ((std::tuple<int, int, bool>(s.returned, s.handled, s.early)), std::tuple(1000, 1000, false)) << s.tag;
}

// A handler's nested event loop handles other senders meanwhile; a destroyed window releases its senders.
TEST(WindowMessages, messagesAreHandledInsideANestedEventLoopOrReleasedWithTheirWindow)
{
    auto* window = new RecordingWindow;
    Sender first { window }, second { window, 1 }, late[3] = { { window }, { window }, { window } };
    bool secondHandledInside = false;
    window->onMessage = [&](const RecordingWindow::Message& m) {
        (m.wParam == 0 ? first : second).handled.fetch_add(1);
        if (m.wParam == 0 && platform::BeginThread(Send, &second))
            secondHandledInside = WaitUntil([&] { return second.handled.load() == 1; }, 5000);
    };
    ASSERT_TRUE(platform::BeginThread(Send, &first));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_TRUE(secondHandledInside);
    EXPECT_EQ(first.returned.load() + second.returned.load(), 2);
    window->onMessage = [&](const RecordingWindow::Message&) { late[0].handled.fetch_add(1); };
    for (Sender& s : late)
        ASSERT_TRUE(platform::BeginThread(Send, &s));
    QThread::msleep(100); // all queued: this thread runs no event loop meanwhile
    delete window;
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    for (const Sender& s : late)
        EXPECT_EQ(s.returned.load(), 1);
    EXPECT_EQ(late[0].handled.load(), 0);
}

// Thread-local state slow to free, as a hashing library's may be: the wait for workers outlasts it.
std::atomic<int> s_statesFreed { 0 };
struct SlowThreadState {
    ~SlowThreadState()
    {
        QThread::msleep(20);
        s_statesFreed.fetch_add(1);
    }
};

unsigned UseSlowThreadState(void*)
{
    thread_local SlowThreadState state;
    static_cast<void>(&state);
    return 0;
}

TEST(Workers, theWaitForWorkersReturnsOnlyOnceEachThreadHasEndedWithItsThreadLocalStateFreed)
{
    s_statesFreed = 0;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(platform::BeginThread(UseSlowThreadState, nullptr));
    WaitForJobWorkers();
    EXPECT_EQ(s_statesFreed.load(), 3);
}

} // namespace
