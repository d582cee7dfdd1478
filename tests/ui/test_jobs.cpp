// Whole jobs through the main dialog in both threading modes: from the click to the end, and failures.

#include "DialogFixture.h"
#include "JobSetup.h"
#include "Names.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <csignal>
#include <mutex>
#include <utility>

using namespace testsupport;

namespace {

constexpr qint64 kPieceSize = 983040; // the size field's "1": 1,000,000 rounded down to 64 KiB

class JobTest : public DialogFixture {
protected:
    QByteArray PickSource(const char* name, qint64 size, const char* sizeText = "1")
    {
        const QByteArray data = PatternBytes(size, uint32_t(size));
        WriteFile(Path(name), data);
        Browse({ Path(name) });
        dlg->SetDlgItemText(ids::kSizeField, QString::fromLatin1(sizeText));
        return data;
    }

    QStringList PickPieces(const char* stem, int count, qint64 size)
    {
        QStringList pieces;
        for (int i = 0; i < count; ++i) {
            pieces << dir.filePath(QString::asprintf("%s%03d.bin.qv", stem, i));
            WriteFile(pieces.last(), PatternBytes(size, uint32_t(i)));
        }
        ChooseMode(texts::kModeMerge);
        Browse(pieces);
        return pieces;
    }
};

class BothModes : public JobTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        JobTest::SetUp();
        if (GetParam()) // from the fixture's one worker
            dlg->GetMenuItem(ids::kMenuMultithreading)->trigger();
    }
};

INSTANTIATE_TEST_SUITE_P(ThreadingModes, BothModes, ::testing::Bool(),
    [](const auto& info) { return info.param ? "threadPerPiece" : "oneWorker"; });

TEST_P(BothModes, splitsIntoPiecesOfTheSizeAndJoinsBackByteForByteThenDeletesThePiecesIfAsked)
{
    const QString source = Path("movie.avi");
    const QByteArray data = PickSource("movie.avi", 3000000);
    Start();
    QStringList pieces;
    for (int i = 0; i < 4; ++i)
        pieces << MakePieceName(source, dir.path(), i);
    EXPECT_EQ(messages, QStringList { texts::kSplitDone });
    for (int i = 0; i < 4; ++i) // as coreutils' split -b cuts them, which test_command_line compares
        EXPECT_EQ(ReadFile(pieces[i]), data.mid(i * kPieceSize, kPieceSize)) << i;

    // Joined back, picked in reverse order; the source goes out of the way first.
    ASSERT_TRUE(QFile::rename(source, Path("original.avi")));
    ChooseMode(texts::kModeMerge);
    Browse({ pieces[3], pieces[2], pieces[1], pieces[0] });
    const bool keep = GetParam(); // the box unticked in one mode, ticked in the other
    if (keep)
        Control<QCheckBox>(ids::kDeleteAfterMergeBox)->click();
    Start();
    EXPECT_EQ(ReadFile(source), data);
    EXPECT_EQ(messages.last(), texts::kMergeDone);
    for (const QString& piece : pieces)
        EXPECT_EQ(QFile::exists(piece), keep) << piece.toStdString();
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("*.part") }, QDir::Files), QStringList());
}

TEST_F(JobTest, refusedStartsShowTheirMessageAndTouchNoFile)
{
    PickSource("a.bin", 1000, "abc");
    Start();
    g_pieceFolder = Path("no/such/folder");
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    Start();
    ChooseMode(texts::kModeMerge);
    Start(); // nothing listed
    const QStringList pieces = PickPieces("m", 3, 5000);
    answer = true; // a piece cut short is joined on the user's word
    WriteFile(pieces[1], QByteArray()); // a piece of 0 bytes cannot be mapped
    Start();
    ASSERT_TRUE(QFile::remove(pieces[1])); // deleted after it was listed
    Start();
    WriteFile(pieces[1], PatternBytes(10, 2));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("m.bin"))); // a folder where the joined file goes
    Start();
    EXPECT_EQ(messages,
        (QStringList { texts::kBadPieceSize, texts::kCreatePieceFailed, texts::kListEmpty, texts::kMapMergePieceFailed,
            texts::kOpenPieceFailed, texts::kCreateJoinedFailed }));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), texts::kStartMerge);
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4); // a.bin and the three pieces
}

TEST_P(BothModes, outputThatCannotBeReservedIsReportedBeforeAnyByteIsCopied)
{
    std::atomic<int> views { 0 };
    platform::testing::SetViewObserver([&](auto, auto, auto, auto) { ++views; });
    PickSource("big.bin", 3000000, "2"); // pieces of 1,966,080 bytes
    // Every reservation beyond 1.5 MB fails from here on, as on a disk that is too small.
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit { 1500000, saved.rlim_max };
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Start();
    PickPieces("j", 2, 1000000);
    Start();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(messages, (QStringList { texts::kMapPieceFailed, texts::kMapMergePieceFailed }));
    EXPECT_EQ(views.load(), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3); // big.bin and the two pieces
}

TEST_P(BothModes, aJobThatFailsPartWayShowsOneMessageAndLeavesOnlyWholeFiles)
{
    const QByteArray data = PickSource("t.bin", 3000000);
    platform::testing::FailNextThreadStarts(1); // no worker for the first job
    Start();
    EXPECT_FALSE(QFile::exists(Path("t000.bin.qv")));
    // Another program cuts the source while piece 2 is being copied, then a piece being joined.
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t offset, auto) {
        if (access == platform::ViewAccess::Read && offset == 2 * kPieceSize)
            QFile::resize(Path("t.bin"), 2 * kPieceSize);
    });
    Start();
    const QStringList pieces = PickPieces("f", 3, 700000);
    // No view is mapped before the cut: another thread could otherwise copy piece 1 whole meanwhile.
    std::mutex cutting;
    bool cut = false;
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t, auto) {
        const std::lock_guard lock(cutting);
        if (access == platform::ViewAccess::Read && !std::exchange(cut, true))
            QFile::resize(pieces[1], 0);
    });
    Start();
    EXPECT_EQ(messages, (QStringList { texts::kThreadFailed, texts::kCopyFailed, texts::kCopyFailed }));
    // The split left none of its pieces, finished or not; the join every piece and no joined file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(u' '),
        QStringLiteral("f000.bin.qv f001.bin.qv f002.bin.qv t.bin"));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
}

TEST_F(JobTest, aSplitAbandonedPartWayCannotCompleteTheNextJob)
{
    dlg->GetMenuItem(ids::kMenuMultithreading)->trigger(); // a thread per piece
    // A folder where piece 1 should go: piece 0 is copied, piece 1 cannot be created.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("p001.bin.qv")));
    const QByteArray data = PickSource("p.bin", 3000000);
    Start();
    EXPECT_EQ(messages, QStringList { texts::kCreatePieceFailed });
    EXPECT_FALSE(QFile::exists(Path("p000.bin.qv")));
    // The next job completes exactly once, after all four of its own copies.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("p001.bin.qv")));
    Start();
    EXPECT_EQ(messages, (QStringList { texts::kCreatePieceFailed, texts::kSplitDone }));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(MakePieceName(Path("p.bin"), dir.path(), i)), data.mid(i * kPieceSize, kPieceSize));
}

TEST_F(JobTest, completesOnTheLastOfItsOwnEndReportsIgnoresStrayOnesAndTimesItself)
{
    g_useMultithreading = true;
    dlg->OnCopyProgress(kTaskEnded, kProgressStep); // no job runs: it belongs to nothing
    SimulateRunningJob(texts::kSplitting);
    g_job.tasksStarted = 2;
    g_job.dispatchDone = true;
    dlg->m_startTick = platform::TickCount() - 4000000u * 1000u; // wraps like the tick counter
    dlg->OnCopyProgress(kTaskEnded, kProgressStep);
    EXPECT_TRUE(messages.isEmpty());
    dlg->OnCopyProgress(kTaskEnded, kProgressStep);
    EXPECT_EQ(messages, QStringList { texts::kSplitDone });
    EXPECT_EQ(dlg->windowTitle(), texts::kTitle + texts::kElapsedPrefix + QStringLiteral("1111:06:40"));
}

TEST_F(JobTest, deletesExactlyThePiecesItJoinedOnlyAfterTheFlushWhichRunsOnAWorker)
{
    const QStringList pieces = PickPieces("d", 3, 2000000);
    WriteFile(Path("e000.bin.qv"), PatternBytes(10, 9)); // not listed
    std::atomic<bool> offWindowThread { false }, piecesThere { false };
    platform::testing::SetFlushObserver([&] {
        offWindowThread = QThread::currentThread() != dlg->thread();
        piecesThere = QFile::exists(pieces[0]) && QFile::exists(pieces[2]);
        QThread::msleep(300);
    });
    int ticksWhileFlushing = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ticksWhileFlushing += g_job.flushing; });
    timer.start(10);
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(15); }); // still running
    Start(false);
    dlg->m_listBox->SetCurSel(2); // the list changes while the merge runs
    dlg->OnDeleteSelected();
    ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    platform::testing::SetFlushObserver(nullptr);
    EXPECT_EQ(messages, QStringList { texts::kMergeDone });
    EXPECT_TRUE(offWindowThread && piecesThere);
    EXPECT_GT(ticksWhileFlushing, 0); // the window went on while the worker flushed
    EXPECT_EQ(ReadFile(Path("d.bin")), PatternBytes(2000000, 0) + PatternBytes(2000000, 1) + PatternBytes(2000000, 2));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
        QStringList({ QStringLiteral("d.bin"), QStringLiteral("e000.bin.qv") }));
}

TEST_P(BothModes, closingMidJobStopsItWaitsForItsWorkersAndRemovesUnfinishedOutput)
{
    answer = true; // "stop and quit?"
    PickSource("c.bin", 8000000, "4"); // pieces of six views and more
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(20); });
    dlg->show();
    // Meanwhile the window's event loop goes on, though a worker reports every view.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start(5);
    Start(false);
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 8; })); // with one worker, piece 0 is done
    EXPECT_GT(ticks, 1); // the window's own timer ran while the views were reported
    Control<QPushButton>(ids::kCloseButton)->click();
    EXPECT_FALSE(dlg->isVisible() || dlg->IsJobRunning());
    EXPECT_EQ(platform::RunningWorkerCount(), 0);
    EXPECT_TRUE(messages.isEmpty()); // nobody is left to read a message
    // No piece of a stopped split stays, finished or not.
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("c0*") }, QDir::Files), QStringList());
    EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("*.part") }, QDir::Files), QStringList());
}

} // namespace
