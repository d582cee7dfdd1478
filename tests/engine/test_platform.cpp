// The platform layer under the copy engine: mappings and their views, and the blocking hand-off
// of messages to the main window.

#include "Copier.h"
#include "TestSupport.h"
#include "Thread.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <tuple>

using namespace testsupport;
using platform::ViewAccess;

namespace {

struct FileMappingTest : ::testing::Test {
    QString Path(const char* name) const
    {
        return dir.filePath(QString::fromLatin1(name));
    }
    QTemporaryDir dir;
};

constexpr uint64_t kFourGiB = 1ull << 32;

TEST_F(FileMappingTest, servesViewsInsideTheFileAtAlignedOffsetsAndRefusesTheRest)
{
    const uint64_t gran = platform::AllocationGranularity();
    const QString path = Path("sparse");
    MakeSparseFile(path, qint64(kFourGiB + 3 * gran)); // sparse: nothing near 4 GiB is written
    WriteAt(path, qint64(kFourGiB - 16), PatternBytes(32, 3));
    WriteAt(path, qint64(kFourGiB + 2 * gran), PatternBytes(qint64(gran), 5));
    const std::tuple<uint64_t, uint64_t, ViewAccess, bool> rows[] = {
        // offset, length, access, served
        { 0, gran, ViewAccess::Read, true },
        { kFourGiB - gran, 2 * gran, ViewAccess::Read, true }, // across the 4 GiB line
        { kFourGiB + 2 * gran, gran, ViewAccess::Read, true }, // the last bytes of the file
        { gran / 2, 100, ViewAccess::Read, false }, // unaligned
        { kFourGiB + gran, 2 * gran + 1, ViewAccess::Read, false }, // runs past the end
        { kFourGiB + 3 * gran, 1, ViewAccess::Read, false }, // starts at the end
        { 0, gran, ViewAccess::Write, false }, // a read-only mapping
    };
    const platform::UniqueMapping mapping = MapForRead(path);
    ASSERT_TRUE(mapping);
    for (const auto& [offset, length, access, served] : rows) {
        platform::View view = platform::MapView(mapping.get(), access, offset, uint32_t(length));
        EXPECT_EQ(bool(view), served) << offset << '+' << length;
        const QByteArray bytes
            = view ? QByteArray(reinterpret_cast<const char*>(view.data), qsizetype(length)) : QByteArray();
        EXPECT_EQ(bytes, view ? ReadAt(path, qint64(offset), qint64(length)) : QByteArray());
        platform::UnmapView(view);
    }
}

// A view outlives its mapping handle, and a copy from a file cut short under it fails instead
// of ending the process.
TEST_F(FileMappingTest, anEmptyFileIsNotMappedAViewOutlivesItsHandleAndACopyFromAFileCutShortFails)
{
    WriteFile(Path("empty"), QByteArray());
    EXPECT_FALSE(MapForRead(Path("empty")));
    const uint32_t gran = platform::AllocationGranularity();
    WriteFile(Path("src"), PatternBytes(4 * gran, 7));
    const int baseline = OpenDescriptorCount();
    platform::UniqueMapping mapping = MapForRead(Path("src"));
    platform::View view = platform::MapView(mapping.get(), ViewAccess::Read, 0, 4 * gran);
    mapping.reset();
    ASSERT_TRUE(view);
    ASSERT_EQ(::truncate(QFile::encodeName(Path("src")).constData(), gran), 0);
    QByteArray copy(gran, 0);
    EXPECT_TRUE(platform::GuardedCopy(copy.data(), view.data, gran));
    EXPECT_EQ(copy, PatternBytes(gran, 7));
    EXPECT_FALSE(platform::GuardedCopy(copy.data(), view.data + 3 * gran, gran));
    platform::UnmapView(view);
    EXPECT_EQ(OpenDescriptorCount(), baseline); // the file went with the last view
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
    const uint32_t gran = platform::AllocationGranularity();
    const uint64_t size = 160ull << 20; // sparse: no hundreds of megabytes written
    MakeSparseFile(Path("src"), qint64(size));
    WriteAt(Path("src"), qint64(size - gran), PatternBytes(gran, 8));
    EngineStateGuard state(10 * gran, false, false);
    RecordingWindow window;
    g_mainWindow = &window;
    const platform::UniqueMapping source = MapForRead(Path("src"));
    platform::UniqueMapping piece = CreateForWrite(Path("piece"), size);
    ASSERT_TRUE(source);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    ASSERT_TRUE(clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1); // the peak starts again
    clearRefs.close();
    const long before = StatusKiB("VmRSS:");
    const platform::MappingHandle dest = piece.get();
    CopyRange(new CopyTask { .sourceMapping = source.get(),
        .destMapping = dest,
        .sourceStart = 0,
        .sourceEnd = size,
        .destOffset = 0,
        .ownsDestination = true,
        .index = 0,
        .owned = std::move(piece),
        .output = nullptr });
    // Both files pass through whole (320 MiB); the views in use, a release block and the pages
    // read ahead may stay, and the sanitizers' own memory grows meanwhile.
    EXPECT_LT(StatusKiB("VmHWM:") - before, 96 * 1024);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadAt(Path("piece"), qint64(size - gran), gran), PatternBytes(gran, 8));
}

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
        platform::SendWindowMessage(s->window, WM_COPYPROGRESS, s->tag, 0);
        s->early = s->early || s->handled.load() <= i;
        s->returned.fetch_add(1);
    }
    return 0;
}

// The window's own thread calls directly. Many workers reporting as fast as they can: every send
// returns only after its handler ran on the window's thread, and every worker gets through.
TEST(WindowMessages, manyWorkersEachWaitForTheirOwnHandlerAndAllGetThrough)
{
    RecordingWindow window;
    EXPECT_EQ(platform::SendWindowMessage(&window, WM_COPYPROGRESS, 0, 1), 0);
    EXPECT_EQ(window.messages.size(), 1u); // handled before the call returned
    Sender senders[4] = { { &window, 0, 1000 }, { &window, 1, 1000 }, { &window, 2, 1000 }, { &window, 3, 1000 } };
    bool offThread = false;
    window.onMessage = [&](const RecordingWindow::Message& m) {
        offThread |= QThread::currentThread() != window.thread();
        senders[m.wParam].handled.fetch_add(1);
    };
    for (Sender& s : senders)
        ASSERT_TRUE(platform::BeginThread(Send, &s));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_FALSE(offThread);
    for (const Sender& s : senders)
        EXPECT_EQ(std::tuple(s.returned.load(), s.handled.load(), s.early.load()), std::tuple(1000, 1000, false))
            << s.tag;
}

// A handler that runs an event loop of its own, as a message box does, does not hold up the
// other senders: their messages are handled inside that loop.
TEST(WindowMessages, messagesAreHandledInsideAHandlersNestedEventLoop)
{
    RecordingWindow window;
    Sender first { &window }, second { &window, 1 };
    bool secondHandledInside = false;
    window.onMessage = [&](const RecordingWindow::Message& m) {
        (m.wParam == 0 ? first : second).handled.fetch_add(1);
        if (m.wParam != 0)
            return;
        ASSERT_TRUE(platform::BeginThread(Send, &second));
        secondHandledInside = WaitUntil([&] { return second.handled.load() == 1; }, 5000); // a nested loop
    };
    ASSERT_TRUE(platform::BeginThread(Send, &first));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_TRUE(secondHandledInside);
    EXPECT_EQ(first.returned.load() + second.returned.load(), 2);
}

TEST(WindowMessages, sendersAreReleasedWhenTheWindowIsDestroyedBeforeHandlingThem)
{
    auto* window = new RecordingWindow;
    Sender senders[3] = { { window }, { window }, { window } };
    window->onMessage = [&](const RecordingWindow::Message&) { senders[0].handled.fetch_add(1); };
    for (Sender& s : senders)
        ASSERT_TRUE(platform::BeginThread(Send, &s));
    QThread::msleep(100); // all queued: this thread runs no event loop meanwhile
    delete window;
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    for (const Sender& s : senders)
        EXPECT_EQ(s.returned.load(), 1);
    EXPECT_EQ(senders[0].handled.load(), 0);
}

} // namespace
