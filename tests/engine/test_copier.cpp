// CopyRange: views of the configured size at aligned offsets, bytes landing exactly, its
// reports, what it releases, and how it survives views that cannot be mapped or faults.

#include "Copier.h"
#include "FileMapping.h"
#include "TestSupport.h"
#include "Thread.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

using namespace testsupport;
using platform::MappingHandle;
using platform::ViewAccess;

namespace {

struct ViewRequest {
    MappingHandle mapping;
    ViewAccess access;
    uint64_t offset;
    uint32_t length;
};

class CopierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        g_mainWindow = &window;
        platform::testing::SetViewObserver([this](MappingHandle m, ViewAccess a, uint64_t offset, uint32_t length) {
            std::lock_guard lock(viewsMutex);
            views.push_back({m, a, offset, length});
        });
    }
    void TearDown() override
    {
        platform::testing::SetViewObserver(nullptr);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    std::vector<ViewRequest> ViewsOf(MappingHandle mapping)
    {
        std::lock_guard lock(viewsMutex);
        std::vector<ViewRequest> result;
        for (const ViewRequest& v : views)
            if (v.mapping == mapping)
                result.push_back(v);
        return result;
    }

    QTemporaryDir dir;
    RecordingWindow window;
    std::mutex viewsMutex;
    std::vector<ViewRequest> views;
};

// --- View lengths and counts --------------------------------------------------------------

struct RangeCase {
    const char* name;
    uint64_t viewsWhole;  // length = viewsWhole * view + extra
    uint64_t extra;
};

class CopierViewLengths : public CopierTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(CopierViewLengths, copiesEachRangeInFullViewsAndOneShorterLastView)
{
    const uint32_t gran = platform::AllocationGranularity();
    const uint32_t view = 2 * gran;
    EngineStateGuard state(view, true, false);
    const RangeCase c = GetParam();
    const uint64_t length = c.viewsWhole * view + c.extra;
    const QByteArray data = PatternBytes(qint64(length) + gran, 7);
    WriteFile(Path(QStringLiteral("src")), data);

    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    MappingHandle dest = CreateForWrite(Path(QStringLiteral("dst")), length);
    // The source range starts one granularity in, so offsets are not all zero.
    CopyRange(new CopyTask{source, dest, gran, gran + length, 0, 1, 0});

    const auto sourceViews = ViewsOf(source);
    const uint64_t expectedCount = c.viewsWhole + (c.extra ? 1 : 0);
    ASSERT_EQ(sourceViews.size(), expectedCount);
    for (size_t i = 0; i < sourceViews.size(); ++i) {
        const bool last = i + 1 == sourceViews.size();
        EXPECT_EQ(sourceViews[i].offset, gran + i * view) << i;
        EXPECT_EQ(sourceViews[i].length, last && c.extra ? c.extra : view) << i;
        EXPECT_EQ(sourceViews[i].access, ViewAccess::Read);
    }
    const auto destViews = ViewsOf(dest);
    ASSERT_EQ(destViews.size(), expectedCount);
    for (size_t i = 0; i < destViews.size(); ++i) {
        EXPECT_EQ(destViews[i].offset, i * view);
        EXPECT_EQ(destViews[i].access, ViewAccess::Write);
    }
    EXPECT_EQ(ReadFile(Path(QStringLiteral("dst"))), data.mid(gran, qint64(length)));
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 0, 1), int(expectedCount));
    platform::CloseMapping(source);
}

INSTANTIATE_TEST_SUITE_P(Ranges, CopierViewLengths,
                         ::testing::Values(RangeCase{"shorterThanOneView", 0, 1000}, RangeCase{"exactlyThreeViews", 3, 0},
                                           RangeCase{"threeViewsAndOneByte", 3, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Destination offsets -----------------------------------------------------------------

TEST_F(CopierTest, landsBytesExactlyAtAnUnalignedDestinationOffset)
{
    const uint32_t gran = platform::AllocationGranularity();
    const uint32_t view = gran;
    EngineStateGuard state(view, false, false);
    const uint64_t destOffset = 100000;
    const uint64_t length = 3 * view + 12345;
    const QByteArray piece = PatternBytes(qint64(length), 3);
    WriteFile(Path(QStringLiteral("piece")), piece);

    const uint64_t total = destOffset + length + 5000;
    MappingHandle dest = CreateForWrite(Path(QStringLiteral("joined")), total);
    MappingHandle source = MapForRead(Path(QStringLiteral("piece")));
    CopyRange(new CopyTask{source, dest, 0, length, destOffset, 0, 0});

    const uint64_t rem = destOffset % gran;
    const auto destViews = ViewsOf(dest);
    ASSERT_EQ(destViews.size(), 4u);
    EXPECT_EQ(destViews[0].offset, destOffset - rem);
    EXPECT_EQ(destViews[0].length, rem + view);
    EXPECT_EQ(destViews[3].offset, destOffset - rem + 3 * view);
    EXPECT_EQ(destViews[3].length, rem + 12345);

    const QByteArray joined = ReadFile(Path(QStringLiteral("joined")));
    ASSERT_EQ(joined.size(), qint64(total));
    EXPECT_EQ(joined.mid(qint64(destOffset), qint64(length)), piece);
    // The bytes in front of and behind the range stay untouched (zero).
    EXPECT_EQ(joined.left(qint64(destOffset)), QByteArray(qint64(destOffset), '\0'));
    EXPECT_EQ(joined.mid(qint64(destOffset + length)), QByteArray(5000, '\0'));
    platform::CloseMapping(dest);
}

TEST_F(CopierTest, copiesAcrossAndAboveFourGibibytesWithSixtyFourBitOffsets)
{
    const uint32_t gran = platform::AllocationGranularity();
    const uint32_t view = 2 * gran;
    EngineStateGuard state(view, false, false);
    const uint64_t fourGiB = 4294967296ull;
    const QString sparse = Path(QStringLiteral("sparse"));
    MakeSparseFile(sparse, qint64(fourGiB + 4 * view));
    // Marked bytes just below, at and above the boundary.
    const QByteArray marks = PatternBytes(qint64(2 * view), 11);
    WriteAt(sparse, qint64(fourGiB - view), marks);

    // A range that crosses the boundary, into a destination at an offset above it (the task
    // owns and releases this source mapping).
    const QString out = Path(QStringLiteral("out"));
    const uint64_t destOffset = fourGiB + 1000;
    MappingHandle dest = CreateForWrite(out, destOffset + 2 * view);
    CopyRange(new CopyTask{MapForRead(sparse), dest, fourGiB - view, fourGiB + view, destOffset, 0, 0});
    EXPECT_EQ(ReadAt(out, qint64(destOffset), qint64(2 * view)), marks);

    // A range that begins exactly at 4 GiB maps its first view there (high part 1, low 0).
    MappingHandle source = MapForRead(sparse);
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), view);
    CopyRange(new CopyTask{source, piece, fourGiB, fourGiB + view, 0, 1, 0});
    const auto sourceViews = ViewsOf(source);
    ASSERT_FALSE(sourceViews.empty());
    EXPECT_EQ(sourceViews.back().offset, fourGiB);
    EXPECT_EQ(sourceViews.back().offset >> 32, 1u);
    EXPECT_EQ(uint32_t(sourceViews.back().offset), 0u);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("piece"))), marks.mid(qint64(view)));
    platform::CloseMapping(dest);
    platform::CloseMapping(source);
}

// --- Reports and releases ----------------------------------------------------------------

struct ReportCase {
    bool showProgress;
    bool multithreading;
};

class CopierReports : public CopierTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(CopierReports, sendsViewReportsOnlyWhileShownAndItsEndOnlyWithAThreadPerTask)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, GetParam().showProgress, GetParam().multithreading);
    WriteFile(Path(QStringLiteral("src")), PatternBytes(5 * gran / 2, 5));
    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    MappingHandle dest = CreateForWrite(Path(QStringLiteral("dst")), 5 * gran / 2);
    auto* task = new CopyTask{source, dest, 0, 5 * gran / 2, 0, 1, 0};
    if (GetParam().multithreading) {
        // Started on a thread of its own: its reports cross to this thread and wait there.
        ASSERT_TRUE(platform::BeginThread(CopyRange, task));
        ASSERT_TRUE(WaitUntil([&] { return window.Count(WM_COPYPROGRESS, 1, 1) == 1; }));
        ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    } else {
        CopyRange(task);
    }
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 0, 1), GetParam().showProgress ? 3 : 0);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 1, 1), GetParam().multithreading ? 1 : 0);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("dst"))), PatternBytes(5 * gran / 2, 5));
    platform::CloseMapping(source);
}

INSTANTIATE_TEST_SUITE_P(Options, CopierReports,
                         ::testing::Values(ReportCase{true, false}, ReportCase{false, false}, ReportCase{true, true},
                                           ReportCase{false, true}));

TEST_F(CopierTest, releasesTheMappingItOwnsAndKeepsTheSharedOne)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, false, false);
    WriteFile(Path(QStringLiteral("src")), PatternBytes(3 * gran, 2));
    MappingHandle shared = MapForRead(Path(QStringLiteral("src")));
    const int baseline = OpenDescriptorCount();

    // Split-style: the task owns its destination.
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), gran);
    EXPECT_EQ(OpenDescriptorCount(), baseline + 1);
    CopyRange(new CopyTask{shared, piece, gran, 2 * gran, 0, 1, 0});
    EXPECT_EQ(OpenDescriptorCount(), baseline);
    // The shared source still serves views.
    platform::View view = platform::MapView(shared, ViewAccess::Read, 0, gran);
    EXPECT_TRUE(view);
    platform::UnmapView(view);

    // Merge-style: the task owns its source; the shared destination stays.
    MappingHandle joined = CreateForWrite(Path(QStringLiteral("joined")), 3 * gran);
    const int withJoined = OpenDescriptorCount();
    MappingHandle pieceSource = MapForRead(Path(QStringLiteral("piece")));
    CopyRange(new CopyTask{pieceSource, joined, 0, gran, 5, 0, 0});
    EXPECT_EQ(OpenDescriptorCount(), withJoined);
    platform::View out = platform::MapView(joined, ViewAccess::Write, 0, gran);
    EXPECT_TRUE(out);
    platform::UnmapView(out);
    platform::CloseMapping(joined);
    platform::CloseMapping(shared);
}

TEST_F(CopierTest, anEmptyRangeMapsNothingButStillReleasesAndReportsItsEnd)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, true, true);
    WriteFile(Path(QStringLiteral("src")), PatternBytes(gran, 2));
    MappingHandle shared = MapForRead(Path(QStringLiteral("src")));
    const int baseline = OpenDescriptorCount();
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), gran);
    CopyRange(new CopyTask{shared, piece, gran, gran, 0, 1, 0});
    CopyRange(new CopyTask{shared, CreateForWrite(Path(QStringLiteral("p2")), gran), gran, 0, 0, 1, 0});
    EXPECT_TRUE(ViewsOf(shared).empty());
    EXPECT_EQ(OpenDescriptorCount(), baseline);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 0, 1), 0);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 1, 1), 2);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    platform::CloseMapping(shared);
}

// --- Failures ----------------------------------------------------------------------------

TEST_F(CopierTest, aViewThatCannotBeMappedIsNeverCopiedThroughAndIsReported)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, true, true);
    WriteFile(Path(QStringLiteral("src")), PatternBytes(gran, 2));
    MappingHandle shared = MapForRead(Path(QStringLiteral("src")));
    const int baseline = OpenDescriptorCount();
    // The range reaches past the source mapping: its second view cannot be mapped.
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), 2 * gran);
    CopyRange(new CopyTask{shared, piece, 0, 2 * gran, 0, 1, 4});
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 0, 1), 1);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 4, 0), 1);
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 1, 1), 1);  // the job can still reach its count
    EXPECT_EQ(OpenDescriptorCount(), baseline);
    const QByteArray written = ReadFile(Path(QStringLiteral("piece")));
    EXPECT_EQ(written.left(gran), PatternBytes(gran, 2));
    EXPECT_EQ(written.mid(gran), QByteArray(gran, '\0'));
    platform::CloseMapping(shared);
}

TEST_F(CopierTest, survivesASourceTruncatedUnderItAndRecordsTheFailure)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, true, false);
    const QString src = Path(QStringLiteral("src"));
    WriteFile(src, PatternBytes(8 * gran, 9));
    MappingHandle shared = MapForRead(src);
    const int baseline = OpenDescriptorCount();
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), 8 * gran);
    // Another program cuts the file after the second view has been copied.
    window.onMessage = [&](const RecordingWindow::Message& m) {
        if (m.message == WM_COPYPROGRESS && m.wParam == 0 && window.Count(WM_COPYPROGRESS, 0, 1) == 2) {
            ASSERT_TRUE(QFile::resize(src, gran));
        }
    };
    CopyRange(new CopyTask{shared, piece, 0, 8 * gran, 0, 1, 2});
    EXPECT_EQ(window.Count(WM_COPYPROGRESS, 0, 1), 2);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 2, 0), 1);
    EXPECT_EQ(OpenDescriptorCount(), baseline);

    // The process lives on, and a later copy on this thread still works.
    window.onMessage = nullptr;
    WriteFile(Path(QStringLiteral("again")), PatternBytes(gran, 1));
    MappingHandle again = MapForRead(Path(QStringLiteral("again")));
    CopyRange(new CopyTask{again, CreateForWrite(Path(QStringLiteral("copy")), gran), 0, gran, 0, 1, 0});
    EXPECT_EQ(ReadFile(Path(QStringLiteral("copy"))), PatternBytes(gran, 1));
    platform::CloseMapping(again);
    platform::CloseMapping(shared);
}

TEST_F(CopierTest, aTruncatedSourceOnAWorkerThreadEndsThatTaskOnly)
{
    const uint32_t gran = platform::AllocationGranularity();
    EngineStateGuard state(gran, false, true);
    const QString src = Path(QStringLiteral("src"));
    WriteFile(src, PatternBytes(4 * gran, 9));
    MappingHandle shared = MapForRead(src);
    ASSERT_TRUE(QFile::resize(src, 0));
    ASSERT_TRUE(platform::BeginThread(
        CopyRange, new CopyTask{shared, CreateForWrite(Path(QStringLiteral("piece")), 4 * gran), 0, 4 * gran, 0, 1, 1}));
    ASSERT_TRUE(WaitUntil([&] { return window.Count(WM_COPYPROGRESS, 1, 1) == 1; }));
    ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(window.Count(WM_COPYFAILED, 1, 0), 1);
    platform::CloseMapping(shared);
}

}  // namespace
