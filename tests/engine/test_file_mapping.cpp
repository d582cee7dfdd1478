// Mappings and views: which views MapView serves (above 4 GiB too) and which it refuses, views
// that outlive their handle, the SIGBUS guard, and a resident size that does not grow with the file.

#include "Copier.h"
#include "FileMapping.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace testsupport;
using platform::ViewAccess;

namespace {

class FileMappingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
    }
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
    struct Row {
        uint64_t offset;
        uint64_t length;
        ViewAccess access;
        bool served;
    };
    const Row rows[] = {
        { 0, gran, ViewAccess::Read, true },
        { kFourGiB - gran, 2 * gran, ViewAccess::Read, true }, // across the 4 GiB line
        { kFourGiB + 2 * gran, gran, ViewAccess::Read, true }, // the last bytes of the file
        { gran / 2, 100, ViewAccess::Read, false }, // unaligned
        { kFourGiB + gran, 2 * gran + 1, ViewAccess::Read, false }, // runs past the end
        { kFourGiB + 3 * gran, 1, ViewAccess::Read, false }, // starts at the end
        { 0, gran, ViewAccess::Write, false }, // a read-only mapping
    };
    const platform::MappingHandle mapping = MapForRead(path);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(platform::MappingSize(mapping), kFourGiB + 3 * gran);
    for (const Row& row : rows) {
        platform::View view = platform::MapView(mapping, row.access, row.offset, uint32_t(row.length));
        EXPECT_EQ(bool(view), row.served) << row.offset << '+' << row.length;
        if (view) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(view.data), qsizetype(row.length)),
                ReadAt(path, qint64(row.offset), qint64(row.length)))
                << row.offset;
        }
        platform::UnmapView(view);
    }
    platform::CloseMapping(mapping);
}

TEST_F(FileMappingTest, anEmptyFileIsNotMappedAndAViewOutlivesItsHandle)
{
    WriteFile(Path("empty"), QByteArray());
    EXPECT_EQ(MapForRead(Path("empty")), nullptr);

    const uint32_t gran = platform::AllocationGranularity();
    WriteFile(Path("src"), PatternBytes(2 * gran, 6));
    const int baseline = OpenDescriptorCount();
    const platform::MappingHandle mapping = MapForRead(Path("src"));
    platform::View view = platform::MapView(mapping, ViewAccess::Read, gran, gran);
    ASSERT_TRUE(view);
    platform::CloseMapping(mapping);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(view.data), gran), PatternBytes(gran, 6, gran));
    platform::UnmapView(view);
    EXPECT_EQ(OpenDescriptorCount(), baseline); // the file went with the last view
}

TEST_F(FileMappingTest, aCopyFromAFileCutShortFailsInsteadOfEndingTheProcess)
{
    const uint32_t gran = platform::AllocationGranularity();
    WriteFile(Path("src"), PatternBytes(4 * gran, 7));
    const platform::MappingHandle mapping = MapForRead(Path("src"));
    platform::View view = platform::MapView(mapping, ViewAccess::Read, 0, 4 * gran);
    ASSERT_TRUE(view);
    ASSERT_EQ(::truncate(QFile::encodeName(Path("src")).constData(), gran), 0);
    QByteArray copy(gran, 0);
    EXPECT_TRUE(platform::GuardedCopy(copy.data(), view.data, gran));
    EXPECT_EQ(copy, PatternBytes(gran, 7));
    EXPECT_FALSE(platform::GuardedCopy(copy.data(), view.data + 3 * gran, gran));
    platform::UnmapView(view);
    platform::CloseMapping(mapping);
}

long StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
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
    const platform::MappingHandle source = MapForRead(Path("src"));
    const platform::MappingHandle piece = CreateForWrite(Path("piece"), size);
    ASSERT_NE(source, nullptr);

    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    ASSERT_TRUE(clearRefs.open(QIODevice::WriteOnly));
    clearRefs.write("5"); // the peak resident size starts again from here
    clearRefs.close();
    const long before = StatusKiB("VmRSS:");
    CopyRange(new CopyTask { source, piece, 0, size, 0, 1, 0 });
    // Both files pass through whole (320 MiB); the views in use, a release block and the pages
    // read ahead may stay, and the sanitizers' own memory grows meanwhile.
    EXPECT_LT(StatusKiB("VmHWM:") - before, 96 * 1024);
    EXPECT_EQ(window.Count(WM_COPYFAILED, 0, 0), 0);
    EXPECT_EQ(ReadAt(Path("piece"), qint64(size - gran), gran), PatternBytes(gran, 8));
    platform::CloseMapping(source);
}

} // namespace
