// The checksum file beside the pieces: sha256sum accepts it; joins refuse pieces it does not list.

#include "JobSetup.h"
#include "Names.h"
#include "TestSupport.h"
#include "Thread.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct Checksums : ::testing::Test {
    QString RunToEnd(const PreparedJob& job)
    {
        return RunJobToEnd(window, job);
    }

    QString Split(bool checksum)
    {
        WriteFile(source, data);
        return RunToEnd(PrepareSplit(
            SplitRequest { source, dir.path(), QStringLiteral("0.07"), g_allocationGranularity, false, checksum }));
    }
    PreparedJob Merge(const QStringList& pieces, bool threadPerPiece = false)
    {
        return PrepareMerge(MergeRequest { pieces, {}, g_allocationGranularity, threadPerPiece });
    }
    QByteArray Sha256sum(const QStringList& arguments) // in the pieces' folder; empty when it fails
    {
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sha256sum"), arguments);
        return tool.waitForFinished(20000) && tool.exitCode() == 0 ? tool.readAllStandardOutput() : QByteArray();
    }

    EngineStateGuard state { platform::AllocationGranularity(), true, false };
    QTemporaryDir dir;
    RecordingWindow window;
    const QString source = dir.filePath(QStringLiteral("movie.avi"));
    const QByteArray data = PatternBytes(3 * 65536 + 777, 5); // four pieces of 65,536 bytes at most
    const QStringList pieces { MakePieceName(source, dir.path(), 0), MakePieceName(source, dir.path(), 1),
        MakePieceName(source, dir.path(), 2), MakePieceName(source, dir.path(), 3) };
};

TEST_F(Checksums, splitWritesWhatSha256sumChecksAndTheJoinPasses)
{
    ASSERT_EQ(Split(true), QString());
    const QByteArray out = Sha256sum({ QStringLiteral("-c"), QStringLiteral("movie.avi.sha256") });
    EXPECT_EQ(out.count(": OK\n"), 5) << out.data(); // every piece and the whole file
    ASSERT_TRUE(QFile::rename(source, dir.filePath(QStringLiteral("original.avi"))));
    ASSERT_EQ(RunToEnd(Merge(pieces, true)), QString()); // one worker: the test below
    EXPECT_EQ(ReadFile(source), data);
}

TEST_F(Checksums, joinOfWrongPiecesFailsKeepingEveryPieceAndNoJoinedFile)
{
    ASSERT_EQ(Split(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    // A byte flipped, a piece cut short, a piece left out, pieces out of order.
    const QStringList lists[]
        = { pieces, pieces, { pieces[0], pieces[2], pieces[3] }, { pieces[0], pieces[2], pieces[1], pieces[3] } };
    const std::function<void()> faults[] = { [&] { WriteAt(pieces[1], 100, QByteArray(1, char(~data.at(65636)))); },
        [&] { QFile::resize(pieces[1], 1000); }, [] {}, [] {} };
    for (const bool threadPerPiece : { false, true }) {
        for (int k = 0; k < 4; ++k) {
            for (int i = 0; i < 4; ++i)
                WriteFile(pieces[i], data.mid(i * 65536, 65536));
            faults[k]();
            const QString error = RunToEnd(Merge(lists[k], threadPerPiece)); // the piece, or the whole file
            EXPECT_TRUE(error.contains(QLatin1String(k < 3 ? "movie001.avi.qv" : "movie.avi"))) << error.toStdString();
            EXPECT_FALSE(FileExists(source));
            EXPECT_TRUE(QDir(dir.path()).entryList({ QStringLiteral("*.part") }).isEmpty());
            EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("*.qv") }).size(), 4); // all kept
        }
    }
}

TEST_F(Checksums, withoutChecksumFileAJoinIsAsBeforeAndSha256sumOutputIsRead)
{
    ASSERT_EQ(Split(false), QString());
    EXPECT_FALSE(FileExists(source + QStringLiteral(".sha256")));
    ASSERT_TRUE(QFile::rename(source, dir.filePath(QStringLiteral("original.avi"))));
    ASSERT_EQ(RunToEnd(Merge(pieces)), QString());
    EXPECT_EQ(ReadFile(source), data);
    ASSERT_TRUE(QFile::remove(source));
    // Binary mode, and a line for a file of no set.
    const QByteArray listed = Sha256sum(QStringList { QStringLiteral("-b"), QStringLiteral("original.avi") } + pieces);
    ASSERT_TRUE(listed.contains(" *original.avi\n"));
    WriteFile(source + QStringLiteral(".sha256"), listed);
    ASSERT_EQ(RunToEnd(Merge(pieces)), QString());
    EXPECT_EQ(ReadFile(source), data);
    ASSERT_TRUE(QFile::remove(source)); // the file is read: a changed piece fails
    WriteAt(pieces[3], 0, QByteArray(1, char(~data.at(3 * 65536))));
    EXPECT_TRUE(RunToEnd(Merge(pieces)).contains(QStringLiteral("movie003.avi.qv")));
}

TEST_F(Checksums, failedSplitLeavesNoChecksumFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("movie002.avi.qv"))); // no piece can go there
    EXPECT_NE(Split(true), QString());
    EXPECT_TRUE(QDir(dir.path()).entryList({ QStringLiteral("*.sha256*") }).isEmpty());
}

} // namespace
