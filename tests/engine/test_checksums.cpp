// The checksum file beside the pieces: sha256sum accepts it; joins refuse pieces it does not list.

#include "Checksums.h"
#include "Names.h"
#include "TestSupport.h"

#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

using namespace testsupport;

namespace {

struct Checksums : JobFixture {
    QString SplitSource(bool checksum)
    {
        WriteFile(source, data);
        return RunJobToEnd(window, Split(source, "0.07", {}, checksum)); // pieces of 65,536 bytes
    }

    const QString source = Path("movie.avi");
    const QByteArray data = PatternBytes(3 * 65536 + 777, 5); // four pieces
    const QStringList pieces { MakePieceName(source, dir.path(), 0), MakePieceName(source, dir.path(), 1),
        MakePieceName(source, dir.path(), 2), MakePieceName(source, dir.path(), 3) };
};

TEST_F(Checksums, splitWritesWhatSha256sumChecksAndAJoinChecksWhatSha256sumWrote)
{
    // Names with a newline or a backslash have escaped lines; the join reads them back, and the
    // lines sha256sum writes in binary mode and in the BSD form.
    auto sha256sum = [&](const QStringList& arguments) { // in the pieces' folder; empty when it fails
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sha256sum"), arguments);
        return tool.waitForFinished(20000) && tool.exitCode() == 0 ? tool.readAllStandardOutput() : QByteArray();
    };
    for (const char* name : { "movie.avi", "new\nline.avi", "back\\slash.avi" }) {
        const QString joined = Path(name);
        QStringList paths, names;
        for (int i = 0; i < 4; ++i)
            names.append(QFileInfo(paths.emplace_back(MakePieceName(joined, dir.path(), i))).fileName());
        WriteFile(joined, data);
        ASSERT_EQ(RunJobToEnd(window, Split(joined, "0.07", {}, true)), QString()) << name;
        const QByteArray checked
            = sha256sum({ QStringLiteral("-c"), QFileInfo(joined).fileName() + QStringLiteral(".sha256") });
        EXPECT_EQ(checked.count(": OK\n"), 5) << checked.data(); // every piece and the whole file
        ASSERT_TRUE(QFile::remove(joined));
        for (const QStringList& options :
            { QStringList(), QStringList { QStringLiteral("-b") }, QStringList { QStringLiteral("--tag") } }) {
            if (!options.isEmpty())
                WriteFile(joined + QStringLiteral(".sha256"), sha256sum(options + names));
            WriteAt(paths[3], 0, QByteArray(1, char(~data.at(3 * 65536))));
            const QString error = RunJobToEnd(window, Merge(paths));
            EXPECT_TRUE(error.contains(names[3])) << name << error.toStdString();
            WriteAt(paths[3], 0, data.mid(3 * 65536, 1));
            ASSERT_EQ(RunJobToEnd(window, Merge(paths, true)), QString());
            EXPECT_EQ(ReadFile(joined), data);
            ASSERT_TRUE(QFile::remove(joined));
        }
    }
}

TEST_F(Checksums, linesOfOtherFoldersAreIgnoredAndAChecksumFileThatIsNoFileIsRefusedWithoutWaiting)
{
    ASSERT_EQ(SplitSource(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    const QString checksums = source + QStringLiteral(".sha256");
    const QByteArray lines = ReadFile(checksums);
    const QByteArray wrong = QByteArray(64, 'a');
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("other")));
    WriteFile(Path("other/movie001.avi.qv"), "x");
    const QByteArray elsewhere = wrong + "  other/movie001.avi.qv\n" + wrong + "  other/movie005.avi.qv\n" + wrong
        + "  ../movie001.avi.qv\n" + wrong + "  " + QFile::encodeName(pieces[1]) + "\n" + wrong + "  original.avi\n";
    struct Row {
        std::function<void()> make;
        ChecksumFit fit;
        bool joins;
    } const rows[] = {
        { [] {}, ChecksumFit::None, true },
        { [&] { WriteFile(checksums, elsewhere + lines); }, ChecksumFit::Applies, true },
        { [&] { WriteFile(checksums, elsewhere); }, ChecksumFit::NothingApplies, false }, // unchecked: not admitted
        // After a line too long to name a file here, "./" for the folder and a CR LF end.
        { [&] { WriteFile(checksums, QByteArray(100000, 'f') + "\n" + wrong + "  ./movie.avi\r\n"); },
            ChecksumFit::Applies, false },
        { [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(checksums).constData(), 0600), 0); }, ChecksumFit::Unreadable,
            false },
        { [&] { MakeSparseFile(checksums, kMaxChecksumFileBytes + 1); }, ChecksumFit::Unreadable, false },
    };
    for (const Row& row : rows) {
        QFile::remove(checksums);
        row.make();
        const ChecksumFileFit fit = FitOfChecksumFile(pieces, source);
        EXPECT_EQ(fit.fit, row.fit);
        // The merge is prepared on a thread of its own: one that waits fails the test, and the
        // FIFO is then opened and closed, to end the wait.
        std::future<PreparedJob> prepared = std::async(std::launch::async, [&] { return Merge(pieces); });
        EXPECT_EQ(prepared.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        while (prepared.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            ::close(::open(QFile::encodeName(checksums).constData(), O_WRONLY | O_NONBLOCK));
        const QString error = RunJobToEnd(window, prepared.get());
        EXPECT_EQ(error.isEmpty(), row.joins) << error.toStdString();
        EXPECT_EQ(fit.error, row.fit == ChecksumFit::Unreadable ? error : QString()); // why the merge refuses
        EXPECT_EQ(ReadFile(source), row.joins ? data : QByteArray());
        EXPECT_EQ(FilesIn("*.part"), QStringList());
        EXPECT_EQ(FilesIn("*.qv").size(), 4);
        QFile::remove(source);
    }
}

TEST_F(Checksums, aFailedSplitLeavesNoChecksumFileAndAJoinOfWrongPiecesFailsKeepingEveryPieceAndNoJoinedFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("movie002.avi.qv"))); // no piece can go there
    EXPECT_NE(SplitSource(true), QString());
    EXPECT_EQ(FilesIn("*.sha256*"), QStringList());
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("movie002.avi.qv")));
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
            // Out of order only on the user's word: the joined file is then checked as a whole.
            const QString error
                = RunJobToEnd(window, PrepareMerge({ lists[k], {}, g_allocationGranularity, threadPerPiece, k == 3 }));
            EXPECT_TRUE(error.contains(QLatin1String(k < 3 ? "movie001.avi.qv" : "movie.avi"))) << error.toStdString();
            EXPECT_FALSE(FileExists(source));
            EXPECT_EQ(FilesIn("*.part"), QStringList());
            EXPECT_EQ(FilesIn("*.qv").size(), 4); // all kept
        }
    }
}

} // namespace
