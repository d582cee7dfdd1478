// CopyRange: views of the configured size at aligned offsets, bytes landing exactly (past
// 4 GiB too), its reports, what it releases, and how it survives views that fail.

#include "Copier.h"
#include "FileMapping.h"
#include "TestSupport.h"
#include "Thread.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <mutex>

using namespace testsupport;
using platform::MappingHandle;
using platform::UniqueMapping;
using platform::ViewAccess;

namespace {

struct ViewRequest {
    MappingHandle mapping;
    uint64_t offset;
    uint32_t length;
};

// A split's task: a range of the shared source into a piece the task owns.
std::unique_ptr<CopyTask> SplitTask(
    MappingHandle source, UniqueMapping piece, uint64_t start, uint64_t end, int32_t index = 0)
{
    const MappingHandle dest = piece.get();
    return std::make_unique<CopyTask>(CopyTask { .sourceMapping = source,
        .destMapping = dest,
        .sourceStart = start,
        .sourceEnd = end,
        .destOffset = 0,
        .ownsDestination = true,
        .index = index,
        .owned = std::move(piece) });
}

// A merge's task: a whole piece the task owns into the shared joined file at any offset.
std::unique_ptr<CopyTask> MergeTask(UniqueMapping piece, MappingHandle joined, uint64_t destOffset)
{
    const MappingHandle source = piece.get();
    const uint64_t size = platform::MappingSize(source);
    return std::make_unique<CopyTask>(CopyTask { .sourceMapping = source,
        .destMapping = joined,
        .sourceStart = 0,
        .sourceEnd = size,
        .destOffset = destOffset,
        .ownsDestination = false,
        .index = 0,
        .owned = std::move(piece) });
}

class CopierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        g_mainWindow = &window;
        platform::testing::SetViewObserver([this](MappingHandle m, ViewAccess, uint64_t offset, uint32_t length) {
            std::lock_guard lock(viewsMutex);
            views.push_back({ m, offset, length });
        });
    }
    void TearDown() override
    {
        platform::testing::SetViewObserver(nullptr);
    }

    QString Path(const char* name) const
    {
        return dir.filePath(QString::fromLatin1(name));
    }

    std::vector<ViewRequest> ViewsOf(MappingHandle mapping)
    {
        std::lock_guard lock(viewsMutex);
        std::vector<ViewRequest> result;
        for (const ViewRequest& v : views)
            if (v.mapping == mapping)
                result.push_back(v);
        return result;
    }

    const uint32_t gran = platform::AllocationGranularity();
    QTemporaryDir dir;
    RecordingWindow window;
    std::mutex viewsMutex;
    std::vector<ViewRequest> views;
};

class CopierViewLengths : public CopierTest, public ::testing::WithParamInterface<std::pair<uint64_t, uint64_t>> { };

TEST_P(CopierViewLengths, copiesInFullViewsAndOneShorterLastViewAtAlignedOffsets)
{
    const uint32_t view = 2 * gran;
    EngineStateGuard state(view, true, false);
    const auto [wholeViews, extra] = GetParam();
    const uint64_t length = wholeViews * view + extra;
    const QByteArray data = PatternBytes(qint64(length) + gran, 7);
    WriteFile(Path("src"), data);
    UniqueMapping source = MapForRead(Path("src"));
    // The range starts one granularity in, so not every offset is zero.
    CopyRange(SplitTask(source.get(), CreateForWrite(Path("dst"), length), gran, gran + length).release());

    const auto sourceViews = ViewsOf(source.get());
    ASSERT_EQ(sourceViews.size(), wholeViews + (extra ? 1 : 0));
    for (size_t i = 0; i < sourceViews.size(); ++i) {
        EXPECT_EQ(sourceViews[i].offset, gran + i * view) << i;
        EXPECT_EQ(sourceViews[i].length, i == wholeViews ? extra : view) << i;
    }
    EXPECT_EQ(ReadFile(Path("dst")), data.mid(gran, qint64(length)));
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kViewCopied, kProgressStep), int(sourceViews.size()));
}

INSTANTIATE_TEST_SUITE_P(Ranges, CopierViewLengths,
    ::testing::Values(std::pair<uint64_t, uint64_t> { 0, 1000 }, std::pair<uint64_t, uint64_t> { 3, 0 },
        std::pair<uint64_t, uint64_t> { 3, 1 }));

TEST_F(CopierTest, landsBytesExactlyAboveFourGibibytesAndAtUnalignedDestinationOffsets)
{
    EngineStateGuard state(gran, false, false);
    const qint64 high = (qint64(4) << 30) + 3 * gran; // not a multiple of 4 GiB
    const QByteArray data = PatternBytes(2 * gran + 100, 3);
    MakeSparseFile(Path("big"), high + 3 * gran);
    WriteAt(Path("big"), high, data);
    UniqueMapping big = MapForRead(Path("big"));
    CopyRange(SplitTask(big.get(), CreateForWrite(Path("piece"), uint64_t(data.size())), uint64_t(high),
        uint64_t(high) + uint64_t(data.size()))
                  .release());
    ASSERT_EQ(ReadFile(Path("piece")), data);

    // Merged back to an offset past 4 GiB that no view could start at.
    const uint64_t at = uint64_t(high) + 5;
    MakeSparseFile(Path("joined"), qint64(at) + data.size() + 7);
    UniqueMapping joined = CreateForWrite(Path("joined"), at + uint64_t(data.size()) + 7);
    CopyRange(MergeTask(MapForRead(Path("piece")), joined.get(), at).release());
    joined.reset();
    EXPECT_EQ(
        ReadAt(Path("joined"), qint64(at) - 5, data.size() + 12), QByteArray(5, '\0') + data + QByteArray(7, '\0'));
}

class CopierReports : public CopierTest, public ::testing::WithParamInterface<std::pair<bool, bool>> { };

TEST_P(CopierReports, reportsViewsWhileShownItsEndOnlyWithAThreadPerTaskAndReleasesWhatItOwns)
{
    const auto [showProgress, threadPerTask] = GetParam();
    EngineStateGuard state(gran, showProgress, threadPerTask);
    WriteFile(Path("src"), PatternBytes(5 * gran / 2, 5));
    UniqueMapping shared = MapForRead(Path("src"));
    const int descriptors = OpenDescriptorCount();
    ASSERT_TRUE(RunCopyTask(
        SplitTask(shared.get(), CreateForWrite(Path("dst"), 5 * gran / 2), 0, 5 * gran / 2), threadPerTask));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kViewCopied, kProgressStep), showProgress ? 3 : 0);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kTaskEnded, kProgressStep), threadPerTask ? 1 : 0);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadFile(Path("dst")), PatternBytes(5 * gran / 2, 5));
    // The piece's mapping (and its descriptor) went with the task; the shared one still serves.
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    platform::View view = platform::MapView(shared.get(), ViewAccess::Read, 0, gran);
    EXPECT_TRUE(view);
    platform::UnmapView(view);
}

INSTANTIATE_TEST_SUITE_P(Options, CopierReports,
    ::testing::Values(
        std::pair { true, false }, std::pair { false, false }, std::pair { true, true }, std::pair { false, true }));

TEST_F(CopierTest, aViewThatCannotBeMappedIsNeverCopiedThroughAndIsReported)
{
    EngineStateGuard state(gran, true, true);
    WriteFile(Path("src"), PatternBytes(gran, 2));
    UniqueMapping shared = MapForRead(Path("src"));
    // The range reaches past the source mapping: its second view cannot be mapped.
    CopyRange(SplitTask(shared.get(), CreateForWrite(Path("piece"), 2 * gran), 0, 2 * gran, 4).release());
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kViewCopied, kProgressStep), 1);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 4, 0), 1);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kTaskEnded, kProgressStep), 1); // the job still reaches its count
    EXPECT_EQ(ReadFile(Path("piece")), PatternBytes(gran, 2) + QByteArray(int(gran), '\0'));
}

class TruncatedSource : public CopierTest, public ::testing::WithParamInterface<bool> { };

TEST_P(TruncatedSource, survivesASourceCutShortUnderItAndReportsTheTaskFailed)
{
    const bool ownThread = GetParam();
    EngineStateGuard state(gran, true, ownThread);
    const QString src = Path("src");
    WriteFile(src, PatternBytes(8 * gran, 9));
    UniqueMapping shared = MapForRead(src);
    // Another program cuts the file after the second view has been copied.
    window.onMessage = [&](const RecordingWindow::Message& m) {
        if (m.message == WM_COPYPROGRESS && m.wParam == kViewCopied
            && window.Count(WM_COPYPROGRESS, kViewCopied, kProgressStep) == 2) {
            ASSERT_TRUE(QFile::resize(src, gran));
        }
    };
    ASSERT_TRUE(
        RunCopyTask(SplitTask(shared.get(), CreateForWrite(Path("piece"), 8 * gran), 0, 8 * gran, 2), ownThread));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, kViewCopied, kProgressStep), 2);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 2, 0), 1);

    // The process lives on, and a later copy on this thread still works.
    window.onMessage = nullptr;
    WriteFile(Path("again"), PatternBytes(gran, 1));
    UniqueMapping again = MapForRead(Path("again"));
    CopyRange(SplitTask(again.get(), CreateForWrite(Path("copy"), gran), 0, gran).release());
    EXPECT_EQ(ReadFile(Path("copy")), PatternBytes(gran, 1));
}

INSTANTIATE_TEST_SUITE_P(Threads, TruncatedSource, ::testing::Bool());

} // namespace
