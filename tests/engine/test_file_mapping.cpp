// Mappings and views: what MapView refuses, views that outlive their handle, read views that
// cannot write, and a resident size that does not grow with the file.

#include "Copier.h"
#include "FileMapping.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

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
    // Both files pass through whole (320 MiB); two views and a release block per side may stay.
    EXPECT_LT(peakGrowthKiB, 64 * 1024);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadAt(Path(QStringLiteral("piece")), qint64(size - gran), gran), PatternBytes(gran, 8));
    platform::CloseMapping(source);
}

}  // namespace
