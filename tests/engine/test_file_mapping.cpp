// Mappings and views: what MapView refuses, views that outlive their handle, read views that
// cannot write, a resident size that does not grow with the file, and the read-ahead in front
// of the views handed out.

#include "Copier.h"
#include "FileMapping.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

using namespace testsupport;
using platform::MappingHandle;
using platform::ViewAccess;

namespace {

// The protection of the mapping that holds address, as /proc/self/maps shows it ("r--s").
std::string ProtectionAt(const void* address)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const auto a = uintptr_t(address);
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        if (range.size() == 2 && range[0].toULongLong(nullptr, 16) <= a && a < range[1].toULongLong(nullptr, 16))
            return fields[1].toStdString();
    }
    return {};
}

long StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// How many of the pages in [begin, end) are in this process's page tables (/proc/self/pagemap:
// bit 63 of a page's entry, readable without privileges).
int PresentPages(const uint8_t* begin, const uint8_t* end)
{
    const int fd = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    int present = 0;
    for (uintptr_t a = uintptr_t(begin) & ~(page - 1); a < uintptr_t(end); a += page) {
        uint64_t entry = 0;
        if (::pread(fd, &entry, sizeof entry, off_t(a / page * sizeof entry)) != ssize_t(sizeof entry)) {
            present = -1;
            break;
        }
        present += int(entry >> 63);
    }
    ::close(fd);
    return present;
}

int PagesIn(uint64_t bytes)
{
    return int(bytes / uint64_t(::sysconf(_SC_PAGESIZE)));
}

bool ReadAheadRuns()
{
    return std::thread::hardware_concurrency() > 1;
}

class FileMappingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

TEST_F(FileMappingTest, refusesUnalignedOffsetsViewsOutsideAndWritableViewsOfReadOnlyMappings)
{
    const uint32_t gran = platform::AllocationGranularity();
    WriteFile(Path(QStringLiteral("src")), PatternBytes(3 * gran, 4));
    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(platform::MapView(source, ViewAccess::Read, gran / 2, 100));
    EXPECT_FALSE(platform::MapView(source, ViewAccess::Read, 2 * gran, gran + 1));
    EXPECT_FALSE(platform::MapView(source, ViewAccess::Read, 4 * gran, 1));
    EXPECT_FALSE(platform::MapView(source, ViewAccess::Read, 0, 0));
    EXPECT_FALSE(platform::MapView(source, ViewAccess::Write, 0, gran));
    platform::View last = platform::MapView(source, ViewAccess::Read, 2 * gran, gran);
    ASSERT_TRUE(last);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(last.data), gran), PatternBytes(gran, 4, 2 * gran));
    platform::UnmapView(last);
    EXPECT_FALSE(last);
    platform::CloseMapping(source);
}

TEST_F(FileMappingTest, aViewStaysValidAfterItsMappingIsClosedAndReleasesTheFileWithIt)
{
    const uint32_t gran = platform::AllocationGranularity();
    WriteFile(Path(QStringLiteral("src")), PatternBytes(2 * gran, 6));
    const int baseline = OpenDescriptorCount();
    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    ASSERT_NE(source, nullptr);
    platform::View view = platform::MapView(source, ViewAccess::Read, gran, gran);
    ASSERT_TRUE(view);
    platform::CloseMapping(source);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(view.data), gran), PatternBytes(gran, 6, gran));
    platform::UnmapView(view);
    EXPECT_EQ(OpenDescriptorCount(), baseline);
}

TEST_F(FileMappingTest, aReadViewOfAReadWriteMappingIsMappedReadOnly)
{
    const uint32_t gran = platform::AllocationGranularity();
    MappingHandle joined = CreateForWrite(Path(QStringLiteral("joined")), 2 * gran);
    ASSERT_NE(joined, nullptr);
    platform::View read = platform::MapView(joined, ViewAccess::Read, 0, gran);
    platform::View write = platform::MapView(joined, ViewAccess::Write, gran, gran);
    ASSERT_TRUE(read);
    ASSERT_TRUE(write);
    EXPECT_EQ(ProtectionAt(read.data).substr(0, 2), "r-");
    EXPECT_EQ(ProtectionAt(write.data).substr(0, 2), "rw");
    std::memset(write.data, 0x5a, gran);
    platform::UnmapView(read);
    platform::UnmapView(write);
    ASSERT_TRUE(platform::FlushMapping(joined));
    platform::CloseMapping(joined);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("joined"))).mid(gran), QByteArray(gran, 0x5a));
}

TEST_F(FileMappingTest, aCopyThroughALargeFileKeepsTheResidentSizeToItsViews)
{
    const uint32_t gran = platform::AllocationGranularity();
    const uint64_t size = 160ull << 20;  // sparse: no gigabytes written
    MakeSparseFile(Path(QStringLiteral("src")), qint64(size));
    WriteAt(Path(QStringLiteral("src")), qint64(size - gran), PatternBytes(gran, 8));
    EngineStateGuard state(10 * gran, false, false);
    RecordingWindow window;
    g_mainWindow = &window;
    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece")), size);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(piece, nullptr);

    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    ASSERT_TRUE(clearRefs.open(QIODevice::WriteOnly));
    clearRefs.write("5");  // the peak resident size starts again from here
    clearRefs.close();
    const long before = StatusKiB("VmRSS:");
    CopyRange(new CopyTask{source, piece, 0, size, 0, 1, 0});
    const long peakGrowthKiB = StatusKiB("VmHWM:") - before;
    // Both files pass through whole (320 MiB). Per side, the view, a release block and the
    // 16 MiB read ahead of the view may stay, and the sanitizers' own memory grows meanwhile.
    EXPECT_LT(peakGrowthKiB, 96 * 1024);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadAt(Path(QStringLiteral("piece")), qint64(size - gran), gran), PatternBytes(gran, 8));
    platform::CloseMapping(source);
}

TEST_F(FileMappingTest, theFileInFrontOfAViewIsFaultedInAheadButNoFurther)
{
    if (!ReadAheadRuns())
        GTEST_SKIP() << "no processor to spare for reading ahead";
    constexpr uint64_t MiB = 1 << 20;
    const uint32_t gran = platform::AllocationGranularity();
    MappingHandle joined = CreateForWrite(Path(QStringLiteral("joined")), 256 * MiB);
    ASSERT_NE(joined, nullptr);
    platform::View first = platform::MapView(joined, ViewAccess::Write, 0, gran);
    ASSERT_TRUE(first);
    uint8_t* base = first.data;
    ASSERT_TRUE(platform::testing::WaitForReadAhead(platform::testing::ReadAheadState::Idle, std::chrono::seconds(20)));
    // The next megabytes are in the page tables before the copy asks for them; the far end
    // of the file is not.
    EXPECT_EQ(PresentPages(base + 2 * MiB, base + 4 * MiB), PagesIn(2 * MiB));
    EXPECT_EQ(PresentPages(base + 64 * MiB, base + 256 * MiB), 0);
    platform::UnmapView(first);
    platform::CloseMapping(joined);
    // Faulting in for writing changed nothing: the file still reads as zeros.
    EXPECT_EQ(ReadAt(Path(QStringLiteral("joined")), 0, qint64(8 * MiB)), QByteArray(qint64(8 * MiB), 0));
}

TEST_F(FileMappingTest, readAheadThatFallsBehindTheCopyLeavesNothingMappedBehindIt)
{
    if (!ReadAheadRuns())
        GTEST_SKIP() << "no processor to spare for reading ahead";
    constexpr uint64_t MiB = 1 << 20;
    const uint32_t gran = platform::AllocationGranularity();
    MappingHandle joined = CreateForWrite(Path(QStringLiteral("joined")), 64 * MiB);
    ASSERT_NE(joined, nullptr);

    // Stop the read-ahead with its first step, just behind the first view, chosen; let the
    // copy run 16 MiB further and give its views back; then let the read-ahead go on.
    platform::testing::HoldReadAhead(true);
    struct LetGo {
        ~LetGo() { platform::testing::HoldReadAhead(false); }
    } letGo;
    platform::View view = platform::MapView(joined, ViewAccess::Write, 0, gran);
    ASSERT_TRUE(view);
    uint8_t* base = view.data;
    const bool held = platform::testing::WaitForReadAhead(platform::testing::ReadAheadState::Held, std::chrono::seconds(20));
    platform::UnmapView(view);
    for (uint64_t offset = MiB; held && offset < 16 * MiB; offset += MiB) {
        view = platform::MapView(joined, ViewAccess::Write, offset, uint32_t(MiB));
        ASSERT_TRUE(view);
        view.data[0] = 1;
        platform::UnmapView(view);
    }
    platform::testing::HoldReadAhead(false);
    ASSERT_TRUE(held);
    ASSERT_TRUE(platform::testing::WaitForReadAhead(platform::testing::ReadAheadState::Idle, std::chrono::seconds(20)));

    // The step it was held in lay behind the copy by then: nothing of it stays mapped. The
    // read-ahead went on in front of the copy's last view.
    EXPECT_EQ(PresentPages(base, base + 16 * MiB), 0);
    EXPECT_EQ(PresentPages(base + 16 * MiB, base + 18 * MiB), PagesIn(2 * MiB));
    platform::CloseMapping(joined);
    const QByteArray joinedData = ReadFile(Path(QStringLiteral("joined")));
    for (uint64_t offset = 0; offset < 64 * MiB; offset += MiB)
        ASSERT_EQ(joinedData.at(qsizetype(offset)), offset != 0 && offset < 16 * MiB ? 1 : 0) << offset;
}

TEST_F(FileMappingTest, mappingsClosedWhileReadAheadWorksOnThemAndSourcesCutShortAreSafe)
{
    constexpr uint64_t MiB = 1 << 20;
    const uint32_t gran = platform::AllocationGranularity();
    MakeSparseFile(Path(QStringLiteral("src")), qint64(32 * MiB));
    const int baseline = OpenDescriptorCount();
    for (int round = 0; round < 20; ++round) {
        MappingHandle source = MapForRead(Path(QStringLiteral("src")));
        MappingHandle piece = CreateForWrite(Path(QStringLiteral("piece%1").arg(round)), 32 * MiB);
        ASSERT_NE(source, nullptr);
        ASSERT_NE(piece, nullptr);
        platform::View read = platform::MapView(source, ViewAccess::Read, 0, gran);
        platform::View write = platform::MapView(piece, ViewAccess::Write, 0, gran);
        ASSERT_TRUE(read);
        ASSERT_TRUE(write);
        // Closed at once, while the read-ahead of both is under way.
        platform::UnmapView(read);
        platform::UnmapView(write);
        platform::CloseMapping(source);
        platform::CloseMapping(piece);
        QFile::remove(Path(QStringLiteral("piece%1").arg(round)));
    }
    EXPECT_EQ(OpenDescriptorCount(), baseline);

    // A source cut short under its mapping: reading ahead past its new end must not kill
    // the process.
    MappingHandle source = MapForRead(Path(QStringLiteral("src")));
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(::truncate(QFile::encodeName(Path(QStringLiteral("src"))).constData(), off_t(MiB)), 0);
    platform::View read = platform::MapView(source, ViewAccess::Read, 0, gran);
    ASSERT_TRUE(read);
    EXPECT_TRUE(platform::testing::WaitForReadAhead(platform::testing::ReadAheadState::Idle, std::chrono::seconds(20)));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(read.data), gran), QByteArray(gran, 0));
    platform::UnmapView(read);
    platform::CloseMapping(source);
    EXPECT_EQ(OpenDescriptorCount(), baseline);
}

}  // namespace
