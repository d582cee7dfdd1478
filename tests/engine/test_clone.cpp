// Cloning on XFS and btrfs loop images (as root): no room needed, every view reported, copy fallbacks.

#include "TestSupport.h"
#include "Texts.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <mutex>
#include <vector>

using namespace testsupport;

namespace {

// Shared bytes of the file's extents in [from, to), and all their bytes; holes count in neither.
std::pair<uint64_t, uint64_t> SharedBytes(const QString& path, uint64_t from, uint64_t to)
{
    const platform::UniqueFile file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    constexpr uint32_t kMax = 4096;
    std::vector<uint64_t> storage((sizeof(fiemap) + kMax * sizeof(fiemap_extent)) / sizeof(uint64_t) + 1);
    auto* map = reinterpret_cast<fiemap*>(storage.data());
    map->fm_start = from;
    map->fm_length = to - from;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kMax;
    if (!file || ::ioctl(file.get(), FS_IOC_FIEMAP, map) != 0)
        return { 0, ~uint64_t(0) };
    std::pair<uint64_t, uint64_t> result { 0, 0 };
    for (uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
        const fiemap_extent& extent = map->fm_extents[i];
        const uint64_t begin = std::max<uint64_t>(extent.fe_logical, from);
        const uint64_t end = std::min<uint64_t>(extent.fe_logical + extent.fe_length, to);
        if (end <= begin)
            continue;
        result.second += end - begin;
        if (extent.fe_flags & FIEMAP_EXTENT_SHARED)
            result.first += end - begin;
    }
    return result;
}

uint64_t FreeBytes(const QString& folder)
{
    struct statvfs vfs { };
    return ::statvfs(QFile::encodeName(folder).constData(), &vfs) == 0 ? uint64_t(vfs.f_bavail) * vfs.f_frsize : 0;
}

// A fresh loop-mounted image of the given file system; skipped where it cannot be made or mounted.
class SharingFileSystem : public JobFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        JobFixture::SetUp();
        platform::testing::SetCloneGate(nullptr); // the file system decides
        const QString type = QString::fromLatin1(GetParam());
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a loop image of " << GetParam() << " needs root";
        const QString mkfs = QStandardPaths::findExecutable(
            QStringLiteral("mkfs.") + type, { QStringLiteral("/usr/sbin"), QStringLiteral("/sbin") });
        if (mkfs.isEmpty())
            GTEST_SKIP() << "mkfs." << GetParam() << " is not installed (xfsprogs, btrfs-progs)";
        const QString image = Path("image");
        MakeSparseFile(image, 512 << 20);
        const QStringList reflink { QStringLiteral("-m"), QStringLiteral("reflink=1") };
        ASSERT_TRUE(RunsToSuccess(
            mkfs, (type == u"xfs" ? reflink : QStringList()) + QStringList { QStringLiteral("-q"), image }));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("mnt")));
        if (!RunsToSuccess(
                QStringLiteral("mount"), { QStringLiteral("-o"), QStringLiteral("loop"), image, Path("mnt") }))
            GTEST_SKIP() << "this machine cannot mount a loop image (no loop devices?)";
        mounted = true;
    }
    void TearDown() override
    {
        platform::testing::SetCloneGate(nullptr);
        platform::testing::SetViewObserver(nullptr);
        // Lazily, should a failed test still hold a file there.
        EXPECT_TRUE(!mounted || RunsToSuccess(QStringLiteral("umount"), { QStringLiteral("-l"), Path("mnt") }));
    }
    QString On(const char* name) const
    {
        return Path("mnt/") + QString::fromUtf8(name);
    }
    int ViewSteps() const
    {
        int steps = 0;
        for (const RecordingWindow::Message& m : window.messages)
            steps += m.message == WM_COPYPROGRESS && m.wParam == kViewCopied ? int(m.lParam) : 0;
        return steps;
    }

    bool mounted = false;
};

INSTANTIATE_TEST_SUITE_P(Clone, SharingFileSystem, ::testing::Values("xfs", "btrfs"));

TEST_P(SharingFileSystem, aSplitAndItsJoinShareTheSourcesBlocksAndNeedNoRoomForThem)
{
    const uint64_t size = (40u << 20) + 12345; // the last piece ends inside a block
    const QByteArray data = PatternBytes(qint64(size), 9);
    WriteFile(On("s.bin"), data);
    ::sync();
    // Less room than a copy needs, more than the blocks' records do.
    const platform::UniqueFile filler = platform::CreateFileAlways(On("filler"), platform::AccessHint::Sequential);
    ASSERT_EQ(::posix_fallocate(filler.get(), 0, off_t(FreeBytes(Path("mnt")) - (24u << 20))), 0);
    ::sync();
    ASSERT_LT(FreeBytes(Path("mnt")), size);
    // The same source on another file system has to be copied, and does not fit.
    WriteFile(Path("s.bin"), data);
    EXPECT_EQ(Split(Path("s.bin"), "10", Path("mnt")).error, texts::kNoSpace);

    ASSERT_EQ(RunJobToEnd(window, Split(On("s.bin"), "10", Path("mnt"))), QString());
    const uint64_t piece = 9961472; // "10", rounded down to the granularity
    int views = 0;
    QStringList pieces;
    for (uint64_t at = 0, i = 0; at < size; at += piece, ++i) {
        const QString name = On("s00%1.bin.qv").arg(i);
        const uint64_t length = std::min(piece, size - at);
        EXPECT_EQ(ReadFile(name), data.mid(qint64(at), qint64(length))) << i;
        const auto [shared, all] = SharedBytes(name, 0, length);
        EXPECT_TRUE(shared == all && all >= length) << i << ": " << shared << " of " << all;
        views += int((length + g_viewSize - 1) / g_viewSize);
        pieces.append(name);
    }
    EXPECT_EQ(ViewSteps(), views); // as the views would have reported, no more, no fewer

    ASSERT_TRUE(QFile::remove(On("s.bin"))); // the pieces hold its blocks now
    ASSERT_EQ(RunJobToEnd(window, Merge(pieces)), QString());
    EXPECT_EQ(ReadFile(On("s.bin")), data);
    const auto [shared, all] = SharedBytes(On("s.bin"), 0, size);
    EXPECT_TRUE(shared == all && all >= size) << shared << " of " << all;
    EXPECT_EQ(ViewSteps(), int((size + g_viewSize - 1) / g_viewSize));
}

TEST_P(SharingFileSystem, aCloneRefusedMidwayIsCopiedFromThereWithEveryByteAndEveryView)
{
    const uint32_t view = 10 * g_allocationGranularity;
    EngineStateGuard tenGranuleViews(view, true, false);
    g_mainWindow = &window;
    const uint64_t size = 150u << 20; // sparse, with data every 8 MiB
    MakeSparseFile(On("src"), qint64(size));
    for (uint64_t at = 0; at < size; at += 8u << 20)
        WriteAt(On("src"), qint64(at), PatternBytes(100000, 4, qint64(at)));
    std::mutex mutex;
    std::vector<std::pair<uint64_t, uint64_t>> clones; // offset, length: the first is let through
    platform::testing::SetCloneGate([&](uint64_t offset, uint64_t length) {
        std::lock_guard lock(mutex);
        clones.push_back({ offset, length });
        return clones.size() == 1;
    });
    std::vector<uint64_t> copied; // where the views read
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t offset, uint32_t) {
        if (access == platform::ViewAccess::Read)
            copied.push_back(offset);
    });
    const platform::UniqueMapping source = MapForRead(On("src"));
    const platform::UniqueFile file = platform::CreateFileAlways(On("piece"), platform::AccessHint::Sequential);
    platform::UniqueMapping piece
        = platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadWriteUnreserved, size);
    CopyRange(Task(std::move(piece), source.get(), true, 0, size).release());
    ASSERT_EQ(clones.size(), 2u);
    const uint64_t cloned = clones[0].second;
    EXPECT_TRUE(cloned % view == 0 && cloned < size && clones[1].first == cloned) << cloned;
    ASSERT_FALSE(copied.empty());
    EXPECT_EQ(copied.front(), cloned); // the copy takes over where the clone stopped, whole views on
    EXPECT_EQ(copied.size(), (size - cloned + view - 1) / view);
    EXPECT_EQ(ViewSteps(), int((size + view - 1) / view));
    EXPECT_EQ(ReadFile(On("piece")), ReadFile(On("src")));
    // The large page that the copy begins in part is written whole: shared up to it.
    const uint64_t whole = cloned - cloned % (2u << 20);
    EXPECT_EQ(SharedBytes(On("piece"), 0, whole).first, SharedBytes(On("src"), 0, whole).second);
    EXPECT_EQ(SharedBytes(On("piece"), cloned, size).first, 0u);
}

TEST_P(SharingFileSystem, anotherToolsSetWithPiecesOffTheBlocksIsCopied)
{
    QStringList pieces;
    QByteArray whole;
    for (int i = 0; i < 3; ++i) {
        pieces.append(On("o.bin.00%1").arg(i));
        whole += PatternBytes(1000003, uint32_t(i));
        WriteFile(pieces.last(), whole.right(1000003));
    }
    ASSERT_EQ(RunJobToEnd(window, PrepareMerge({ pieces, On("o.bin.000"), g_allocationGranularity })), QString());
    const QString joined = JoinedPathOf({ pieces, On("o.bin.000") });
    EXPECT_EQ(ReadFile(joined), whole);
    EXPECT_EQ(SharedBytes(joined, 0, uint64_t(whole.size())).first, 0u);
    EXPECT_EQ(ViewSteps(), 3 * int((1000003 + g_viewSize - 1) / g_viewSize));
}

} // namespace
