// CopyRange: views of the configured size at aligned offsets, bytes landing exactly (past 4 GiB too), its reports,
// what it releases, a view that cannot be mapped. (A source cut short: test_platform's guard, test_jobs' jobs.)

#include "TestSupport.h"

#include <mutex>
#include <thread>

using namespace testsupport;
using platform::MappingHandle;
using platform::UniqueMapping;

namespace {

class CopierTest : public JobFixture {
protected:
    void SetUp() override
    {
        JobFixture::SetUp();
        platform::testing::SetViewObserver([this](MappingHandle m, auto, uint64_t offset, uint32_t length) {
            std::lock_guard lock(viewsMutex);
            views.push_back({ m, offset, length });
        });
    }
    void TearDown() override
    {
        platform::testing::SetViewObserver(nullptr);
    }
    int Reports(uintptr_t kind) const // kViewCopied or kTaskEnded
    {
        return window.Count(WM_COPYPROGRESS, kind, kProgressStep);
    }

    const uint32_t gran = platform::AllocationGranularity();
    std::mutex viewsMutex;
    std::vector<std::tuple<MappingHandle, uint64_t, uint32_t>> views; // mapping, offset, length
};

TEST_F(CopierTest, copiesInFullViewsAndOneShorterAtAlignedOffsetsReportsThemAndReleasesWhatItOwns)
{
    const uint32_t view = 2 * gran;
    const QByteArray data = PatternBytes(4 * view, 7);
    WriteFile(Path("src"), data);
    UniqueMapping source = MapForRead(Path("src"));
    // Whole views, bytes after them, views shown, a thread per task (which alone reports its end).
    for (const auto& [wholeViews, extra, showProgress, threadPerTask] :
        { std::tuple<uint64_t, uint32_t, bool, bool> { 0, 1000, true, false }, { 3, 0, false, false },
            { 3, 1, true, true }, { 1, 5, false, true } }) {
        EngineStateGuard state(view, showProgress, threadPerTask);
        g_mainWindow = &window;
        const uint64_t length = wholeViews * view + extra;
        views.clear();
        window.messages.clear();
        // The range starts one granularity in, so not every offset is zero.
        ASSERT_TRUE(RunCopyTask(
            Task(CreateForWrite(Path("dst"), length), source.get(), true, gran, gran + length), threadPerTask));
        ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
        std::vector<std::pair<uint64_t, uint32_t>> expected, seen;
        for (uint64_t i = 0; i < wholeViews + (extra ? 1 : 0); ++i)
            expected.push_back({ gran + i * view, i == wholeViews ? extra : view });
        for (const auto& [mapping, offset, len] : views)
            if (mapping == source.get())
                seen.push_back({ offset, len });
        EXPECT_EQ(seen, expected) << length;
        EXPECT_EQ(ReadFile(Path("dst")), data.mid(gran, qint64(length)));
        EXPECT_EQ(Reports(kViewCopied), showProgress ? int(expected.size()) : 0);
        EXPECT_EQ(Reports(kTaskEnded), threadPerTask ? 1 : 0);
        EXPECT_EQ(window.messages.size(), size_t(Reports(kViewCopied) + Reports(kTaskEnded))); // no failure
        EXPECT_EQ(DescriptorsOpenOn(Path("dst")), 0); // the piece's mapping went with its task
    }
    platform::View still
        = platform::MapView(source.get(), platform::ViewAccess::Read, 0, gran); // the shared one serves
    EXPECT_TRUE(still);
    platform::UnmapView(still);
}

TEST_F(CopierTest, landsBytesExactlyAboveFourGibibytesAndAtUnalignedDestinationOffsets)
{
    EngineStateGuard state(gran, false, false);
    const uint64_t high = (uint64_t(4) << 30) + 3 * gran; // not a multiple of 4 GiB
    const QByteArray data = PatternBytes(2 * gran + 100, 3);
    const uint64_t size = uint64_t(data.size());
    MakeSparseFile(Path("big"), qint64(high + 3 * gran));
    WriteAt(Path("big"), qint64(high), data);
    UniqueMapping big = MapForRead(Path("big"));
    CopyRange(Task(CreateForWrite(Path("piece"), size), big.get(), true, high, high + size).release());
    ASSERT_EQ(ReadFile(Path("piece")), data);
    // Merged back to an offset past 4 GiB that no view could start at.
    UniqueMapping joined = CreateForWrite(Path("joined"), high + 5 + size + 7);
    CopyRange(Task(MapForRead(Path("piece")), joined.get(), false, 0, size, high + 5).release());
    joined.reset();
    EXPECT_EQ(ReadAt(Path("joined"), qint64(high), qint64(size) + 12), QByteArray(5, 0) + data + QByteArray(7, 0));
}

TEST_F(CopierTest, aViewThatCannotBeMappedIsNeverCopiedThroughAndIsReported)
{
    EngineStateGuard state(gran, true, true);
    WriteFile(Path("src"), PatternBytes(gran, 2));
    UniqueMapping shared = MapForRead(Path("src"));
    // The range reaches past the source mapping: its second view cannot be mapped.
    CopyRange(Task(CreateForWrite(Path("piece"), 2 * gran), shared.get(), true, 0, 2 * gran, 0, 4).release());
    EXPECT_EQ(Reports(kViewCopied), 1);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 4, EINVAL), 1); // the written piece, and why
    EXPECT_EQ(Reports(kTaskEnded), 1); // the job still reaches its count
    EXPECT_EQ(ReadFile(Path("piece")), PatternBytes(gran, 2) + QByteArray(int(gran), '\0'));
}

} // namespace

// Failures noted at once from several threads: each file keeps its reason, nothing is freed twice.
TEST(FailureNotes, failuresNotedFromSeveralThreadsAtOnceKeepOneFileWithItsOwnReason)
{
    std::vector<std::thread> threads;
    for (int t = 1; t <= 4; ++t)
        threads.emplace_back([t] {
            const QString path = QStringLiteral("piece %1").arg(t);
            for (int i = 0; i < 20000; ++i)
                NoteFailure(path, t);
        });
    for (std::thread& thread : threads)
        thread.join();
    const FailureNote failure = TakeFailure();
    EXPECT_EQ(failure.path, QStringLiteral("piece %1").arg(failure.error));
}
