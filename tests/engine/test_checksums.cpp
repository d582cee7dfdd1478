// The checksum file beside the pieces: sha256sum accepts it; joins refuse pieces it does not list.

#include "Names.h"
#include "TestSupport.h"

#include <QProcess>

using namespace testsupport;

namespace {

struct Checksums : JobFixture {
    QString SplitSource(bool checksum)
    {
        WriteFile(source, data);
        return RunJobToEnd(window, Split(source, "0.07", {}, checksum)); // pieces of 65,536 bytes
    }
    QByteArray Sha256sum(const QStringList& arguments) // in the pieces' folder; empty when it fails
    {
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sha256sum"), arguments);
        return tool.waitForFinished(20000) && tool.exitCode() == 0 ? tool.readAllStandardOutput() : QByteArray();
    }

    const QString source = Path("movie.avi");
    const QByteArray data = PatternBytes(3 * 65536 + 777, 5); // four pieces
    const QStringList pieces { MakePieceName(source, dir.path(), 0), MakePieceName(source, dir.path(), 1),
        MakePieceName(source, dir.path(), 2), MakePieceName(source, dir.path(), 3) };
};

TEST_F(Checksums, splitWritesWhatSha256sumChecksAndAJoinChecksWhatSha256sumWrote)
{
    ASSERT_EQ(SplitSource(true), QString());
    const QByteArray out = Sha256sum({ QStringLiteral("-c"), QStringLiteral("movie.avi.sha256") });
    EXPECT_EQ(out.count(": OK\n"), 5) << out.data(); // every piece and the whole file
    ASSERT_TRUE(QFile::rename(source, Path("original.avi")));
    ASSERT_EQ(RunJobToEnd(window, Merge(pieces, true)), QString()); // one worker: the test below
    EXPECT_EQ(ReadFile(source), data);
    ASSERT_TRUE(QFile::remove(source));
    // Binary mode, and a line for a file of no set: read, and a changed piece fails.
    const QByteArray listed = Sha256sum(QStringList { QStringLiteral("-b"), QStringLiteral("original.avi") } + pieces);
    ASSERT_TRUE(listed.contains(" *original.avi\n"));
    WriteFile(source + QStringLiteral(".sha256"), listed);
    ASSERT_EQ(RunJobToEnd(window, Merge(pieces)), QString());
    EXPECT_EQ(ReadFile(source), data);
    ASSERT_TRUE(QFile::remove(source));
    WriteAt(pieces[3], 0, QByteArray(1, char(~data.at(3 * 65536))));
    EXPECT_TRUE(RunJobToEnd(window, Merge(pieces)).contains(QStringLiteral("movie003.avi.qv")));
}

TEST_F(Checksums, joinOfWrongPiecesFailsKeepingEveryPieceAndNoJoinedFile)
{
    ASSERT_EQ(SplitSource(true), QString());
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
            const QString error = RunJobToEnd(window, Merge(lists[k], threadPerPiece)); // the piece, or the whole
            EXPECT_TRUE(error.contains(QLatin1String(k < 3 ? "movie001.avi.qv" : "movie.avi"))) << error.toStdString();
            EXPECT_FALSE(FileExists(source));
            EXPECT_EQ(FilesIn("*.part"), QStringList());
            EXPECT_EQ(FilesIn("*.qv").size(), 4); // all kept
        }
    }
}

TEST_F(Checksums, failedSplitLeavesNoChecksumFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("movie002.avi.qv"))); // no piece can go there
    EXPECT_NE(SplitSource(true), QString());
    EXPECT_EQ(FilesIn("*.sha256*"), QStringList());
}

} // namespace
