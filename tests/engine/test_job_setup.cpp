// Whole jobs through the engine's set-up, as every client runs them: what they leave when things go wrong.

#include "Names.h"
#include "TestSupport.h"
#include "Texts.h"

#include <QProcess>

#include <sys/statvfs.h>

#include <csignal>

using namespace testsupport;

namespace {

class EngineJob : public JobFixture {
protected:
    QStringList PiecesOf(const QString& source) const
    {
        return PieceSetOf(MakePieceName(source, dir.path(), 0));
    }

    static QProcessEnvironment WithJob(const QString& job)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VELDA_CHILD_JOB"), job);
        return environment;
    }
    // Runs `job` in a child until it says "started", once its job holds its files.
    void StartChild(QProcess& child, const QString& job)
    {
        child.setProcessEnvironment(WithJob(job));
        const QStringList self = ThisProgramRunning("childRunsASlowJob");
        child.start(self[0], self.mid(1));
        QByteArray out;
        while (!out.contains("started\n") && child.waitForReadyRead(20000))
            out += child.readAllStandardOutput();
        ASSERT_TRUE(out.contains("started\n")) << out.toStdString();
    }
    // Rewrites `path` as the first view is read.
    void RewriteOnFirstRead(const QString& path)
    {
        platform::testing::SetViewObserver([this, path](auto, platform::ViewAccess access, auto, auto) {
            if (access == platform::ViewAccess::Read && !rewritten.exchange(true))
                WriteAt(path, 5, QByteArrayLiteral("rewritten"));
        });
    }
    std::atomic<bool> rewritten { false };
};

// Run by the test below in a child process whose soft limit of descriptors is 64.
TEST_F(EngineJob, childSplitsAndJoinsHundredsOfPiecesWithFewDescriptors)
{
    if (qEnvironmentVariable("VELDA_CHILD_JOB") != QLatin1String("few descriptors"))
        GTEST_SKIP() << "run by manyPiecesNeedNoDescriptorEach";
    const QString source = Path("many.bin");
    const QByteArray data = PatternBytes(300 * 65536 + 1234, 3);
    WriteFile(source, data);
    ASSERT_EQ(RunJobToEnd(window, Split(source, "0.07")), QString()); // pieces of 65,536 bytes
    const QStringList pieces = PiecesOf(source);
    ASSERT_EQ(pieces.size(), 301);
    ASSERT_TRUE(QFile::rename(source, Path("original.bin")));
    for (const bool threadPerPiece : { false, true }) {
        ASSERT_EQ(RunJobToEnd(window, Merge(pieces, threadPerPiece)), QString()) << threadPerPiece;
        EXPECT_EQ(ReadFile(source), data);
    }
}

TEST_F(EngineJob, manyPiecesNeedNoDescriptorEach)
{
    EXPECT_TRUE(RunsToSuccess(QStringLiteral("prlimit"),
        QStringList { QStringLiteral("--nofile=64:"), QStringLiteral("--") }
            + ThisProgramRunning("childSplitsAndJoinsHundredsOfPiecesWithFewDescriptors"),
        WithJob(QStringLiteral("few descriptors"))));
}

// Run by the tests below as a child: a slow job that says "started" once its first copy is under way.
TEST_F(EngineJob, childRunsASlowJob)
{
    const QStringList args = qEnvironmentVariable("VELDA_CHILD_JOB").split(QLatin1Char('|'));
    if (args.size() < 2 || (args[0] != QLatin1String("split") && args[0] != QLatin1String("merge")))
        GTEST_SKIP() << "run by the tests of jobs in two processes";
    std::atomic<bool> told { false };
    platform::testing::SetViewObserver([&](auto, auto, auto, auto) {
        if (!told.exchange(true)) {
            std::printf("started\n");
            std::fflush(stdout);
        }
        QThread::msleep(30);
    });
    const PreparedJob job
        = args[0] == QLatin1String("split") ? Split(args[1], "1", FolderOf(args[1])) : Merge(args.mid(1));
    EXPECT_EQ(RunJobToEnd(window, job), QString());
    platform::testing::SetViewObserver(nullptr);
}

TEST_F(EngineJob, aKilledJobLeavesNoPieceOfItsSplitAndNoJoinedFileUnderItsName)
{
    const QString source = Path("k.bin");
    const QByteArray data = PatternBytes(4 * 983040 + 10, 4);
    WriteFile(source, data);
    for (const char* kind : { "split", "merge" }) {
        QProcess child;
        const QStringList pieces = PiecesOf(source);
        StartChild(child,
            QString::fromLatin1(kind) + QLatin1Char('|') + (pieces.isEmpty() ? source : pieces.join(QLatin1Char('|'))));
        QThread::msleep(200);
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(20000));
        // A split names no piece before all are done; a join's pieces stay whole; the rest shows unfinished.
        EXPECT_EQ(PiecesOf(source).size(), pieces.isEmpty() ? 0 : 5) << kind;
        for (int i = 0; i < PiecesOf(source).size(); ++i)
            EXPECT_EQ(ReadFile(MakePieceName(source, dir.path(), i)), data.mid(i * 983040, 983040)) << kind << i;
        EXPECT_FALSE(FilesIn("*.part").isEmpty()) << kind;
        if (pieces.isEmpty()) {
            ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString()); // removes what the killed one left
            ASSERT_EQ(PiecesOf(source).size(), 5);
            EXPECT_EQ(FilesIn("*.part"), QStringList());
            ASSERT_TRUE(QFile::remove(source));
        } else {
            EXPECT_FALSE(QFile::exists(source));
        }
    }
    ASSERT_EQ(RunJobToEnd(window, Merge(PiecesOf(source))), QString());
    EXPECT_EQ(ReadFile(source), data);
    EXPECT_EQ(FilesIn("*.part"), QStringList());
}

TEST_F(EngineJob, aSecondJobOnFilesInUseRefusesNamingTheFileAndTouchesNothing)
{
    const QString source = Path("t.bin");
    const QByteArray data = PatternBytes(3 * 983040, 5);
    WriteFile(source, data);
    ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString());
    const QStringList pieces = PiecesOf(source);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::rename(source, Path("sub/t.bin")));

    QProcess child;
    StartChild(child, QStringLiteral("merge|") + pieces.join(QLatin1Char('|')));
    // The same join again, and a split into the names of the pieces being joined.
    EXPECT_EQ(Merge(pieces).error, texts::kFileBusy.arg(source));
    EXPECT_EQ(RunJobToEnd(window, Split(Path("sub/t.bin"), "1")), texts::kFileBusy.arg(pieces.first()));
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(ReadFile(source), data);
    for (int i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(ReadFile(pieces[i]), data.mid(i * 983040, 983040));
    EXPECT_EQ(FilesIn("*.part"), QStringList());
}

TEST_F(EngineJob, aReadOnlyPieceOrATemporaryNameThisProgramDidNotMakeIsNeitherWrittenNorRemoved)
{
    const QString source = Path("u.bin");
    const QByteArray data = PatternBytes(2 * 983040, 9);
    WriteFile(source, data);
    const QString kept = MakePieceName(source, dir.path(), 1);
    WriteFile(kept, "the user's");
    ASSERT_TRUE(QFile::setPermissions(kept, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    EXPECT_EQ(RunJobToEnd(window, Split(source, "1")), texts::kCreatePieceFailed);
    EXPECT_EQ(ReadFile(kept), "the user's");
    EXPECT_EQ(FilesIn("*.part"), QStringList());
    ASSERT_TRUE(QFile::setPermissions(kept, QFile::WriteOwner | QFile::ReadOwner) && QFile::remove(kept));
    const QString partOfPiece = Path("u001.bin.qv.part");
    WriteFile(partOfPiece, "the user's");
    EXPECT_EQ(RunJobToEnd(window, Split(source, "1")), texts::kTempInTheWay.arg(partOfPiece));
    EXPECT_EQ(FilesIn("u*"), (QStringList { QStringLiteral("u.bin"), QStringLiteral("u001.bin.qv.part") }));
    EXPECT_EQ(ReadFile(partOfPiece), "the user's");
    // The joined file's temporary name, a hard link to a file elsewhere.
    ASSERT_TRUE(QFile::remove(partOfPiece));
    ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString());
    ASSERT_TRUE(QFile::rename(source, Path("elsewhere.bin")));
    ASSERT_EQ(::link(QFile::encodeName(Path("elsewhere.bin")).constData(),
                  QFile::encodeName(source + QStringLiteral(".part")).constData()),
        0);
    EXPECT_EQ(RunJobToEnd(window, Merge(PiecesOf(source))), texts::kTempInTheWay.arg(source + QStringLiteral(".part")));
    EXPECT_EQ(ReadFile(Path("elsewhere.bin")), data);
    EXPECT_EQ(PiecesOf(source).size(), 2);
}

TEST_F(EngineJob, oneFileListedTwiceUnderAnotherNameIsRefused)
{
    const QString piece = Path("s000.bin.qv");
    WriteFile(piece, PatternBytes(1000, 1));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a")));
    ASSERT_TRUE(QFile::link(piece, Path("a/s001.bin.qv")));
    const QString dotted = Path("a/../s000.bin.qv");
    for (const QString& twice : { Path("a/s001.bin.qv"), dotted }) {
        EXPECT_EQ(Merge({ piece, twice }).error, texts::kSameFileTwice.arg(twice));
        EXPECT_FALSE(QFile::exists(Path("s.bin")));
    }
}

TEST_F(EngineJob, aSourceThatChangesDuringTheSplitFailsItAndLeavesNoPiece)
{
    const QString source = Path("c.bin");
    WriteFile(source, PatternBytes(3 * 983040, 6));
    RewriteOnFirstRead(source);
    EXPECT_EQ(RunJobToEnd(window, Split(source, "1")), texts::kSourceChanged);
    platform::testing::SetViewObserver(nullptr);
    EXPECT_EQ(FilesIn("c*"), QStringList { QStringLiteral("c.bin") });
}

TEST_F(EngineJob, aPieceRewrittenDuringTheJoinOrAStopOnceTheCopyIsDoneKeepsEveryPieceAndNoJoinedFile)
{
    const QString source = Path("m.bin");
    WriteFile(source, PatternBytes(3 * 983040, 6));
    ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString());
    ASSERT_TRUE(QFile::remove(source));
    const QStringList pieces = PiecesOf(source);
    RewriteOnFirstRead(pieces[2]);
    EXPECT_EQ(RunJobToEnd(window, Merge(pieces)), texts::kPieceChanged.arg(pieces[2]));
    platform::testing::SetViewObserver(nullptr);
    EXPECT_FALSE(QFile::exists(source));

    window.messages.clear(); // the end report to wait for is this job's
    const PreparedJob job = Merge(pieces);
    ASSERT_TRUE(job.ok() && DispatchJob().isEmpty());
    ASSERT_TRUE(WaitUntil([&] {
        return window.Count(WM_COPYPROGRESS, kTaskEnded, kProgressStep) == 1 && platform::RunningWorkerCount() == 0;
    }));
    g_cancelRequested = true;
    EXPECT_NE(SealJobOutput(), QString());
    DeleteJoinedPieces();
    CloseJob(true);
    g_cancelRequested = false;
    EXPECT_EQ(PiecesOf(source), pieces);
    EXPECT_EQ(FilesIn("m.bin*"), QStringList());
}

TEST_F(EngineJob, piecesOfAnEarlierLongerSplitAreNamedAndKept)
{
    const QString source = Path("r2026.bin"); // its own digits run into the piece numbers
    WriteFile(source, PatternBytes(4 * 983040, 7));
    WriteFile(Path("r202000.bin.qv"), "another set, whose numbers r2026's are not");
    ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString());
    EXPECT_EQ(StalePieces(), QStringList());
    ASSERT_EQ(RunJobToEnd(window, Split(source, "2")), QString());
    EXPECT_EQ(StalePieces(), (QStringList { Path("r2026002.bin.qv"), Path("r2026003.bin.qv") }));
    EXPECT_TRUE(QFile::exists(Path("r2026003.bin.qv")));
    // So is a checksum file of an earlier split, which these pieces no longer fit.
    WriteFile(Path("r2026.bin.sha256"), QByteArrayLiteral("earlier"));
    EXPECT_EQ(JobNotes(),
        texts::kStalePieces.arg(2).arg(Path("r2026002.bin.qv"))
            + texts::kStaleChecksumFile.arg(Path("r2026.bin.sha256")));
}

TEST_F(EngineJob, piecesTakeTheirNamesOnlyOnceAllAreFlushedAndAFailedFlushFailsTheSplitLeavingNoPiece)
{
    const QString source = Path("f.bin");
    const QByteArray data = PatternBytes(3 * 983040 + 10, 8);
    WriteFile(source, data);
    // The folder at every flush: one worker flushes piece k while k+1 is unfinished, names none before the last.
    std::vector<std::string> atFlush;
    platform::testing::SetFlushObserver([&] { atFlush.push_back(FilesIn("f0*").join(u' ').toStdString()); });
    ASSERT_EQ(RunJobToEnd(window, Split(source, "1")), QString());
    platform::testing::SetFlushObserver(nullptr);
    EXPECT_EQ(atFlush,
        std::vector<std::string>(
            { "f000.bin.qv.part f001.bin.qv.part", "f000.bin.qv.part f001.bin.qv.part f002.bin.qv.part",
                "f000.bin.qv.part f001.bin.qv.part f002.bin.qv.part f003.bin.qv.part",
                "f000.bin.qv.part f001.bin.qv.part f002.bin.qv.part f003.bin.qv.part" }));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(MakePieceName(source, dir.path(), i)), data.mid(i * 983040, 983040));
    for (const bool threadPerPiece : { false, true }) {
        for (const QString& name : FilesIn("f0*"))
            ASSERT_TRUE(QFile::remove(Path(name.toUtf8().constData())));
        platform::testing::FailNextFlushes(100); // a disk that takes nothing more
        const QString error = RunJobToEnd(window,
            PrepareSplit({ source, dir.path(), QStringLiteral("1"), g_allocationGranularity, threadPerPiece, false }));
        platform::testing::FailNextFlushes(0);
        EXPECT_EQ(error, texts::kPieceFlushFailed) << threadPerPiece;
        EXPECT_EQ(FilesIn("f0*"), QStringList()) << threadPerPiece;
    }
}

TEST(FreeSpace, countsOnlyWhatThisUserMayWrite)
{
    struct statvfs vfs { };
    ASSERT_EQ(::statvfs("/tmp", &vfs), 0);
    uint64_t free = 0;
    ASSERT_TRUE(platform::DiskFreeBytes(QStringLiteral("/tmp"), &free));
    const double available = double(vfs.f_bavail) * double(vfs.f_frsize);
    EXPECT_NEAR(double(free), available, 256.0 * (1 << 20));
}

} // namespace
