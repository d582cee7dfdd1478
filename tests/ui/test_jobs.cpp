// Whole jobs through the main dialog: split and merge from the click to the completion, in
// both threading modes, their failure messages, and how a job ends.

#include "FileMapping.h"
#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Names.h"
#include "TestSupport.h"
#include "Texts.h"
#include "Thread.h"
#include "VeldaDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

using namespace testsupport;

namespace {

constexpr qint64 kSourceSize = 3000000;
constexpr qint64 kPieceSize = 983040;  // the size field's "1": 1,000,000 rounded down to 64 KiB

struct Box {
    QString caption;
    QString text;
};

class JobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ui::testing::SetMessageHook([this](QWidget*, const QString& text, const QString& caption) {
            boxes.push_back({caption, text});
            if (onBox)
                onBox(text, caption);
        });
        dlg = std::make_unique<CVeldaDlg>();
    }

    void TearDown() override
    {
        if (dlg && dlg->IsJobRunning())
            dlg->reject();  // stops and waits for whatever a failed test left running
        dlg.reset();
        ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
        ui::testing::SetMessageHook(nullptr);
        ui::testing::SetFileHook(nullptr);
        ui::testing::SetFolderHook(nullptr);
        platform::testing::SetViewObserver(nullptr);
        platform::testing::FailNextThreadStarts(0);
        g_pieceFolder.clear();
        g_sourcePath.clear();
        g_showProgress = true;
        g_useMultithreading = false;
        ResetJob();
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    void SetThreadPerPiece(bool on)
    {
        if (bool(g_useMultithreading) != on)
            dlg->GetMenuItem(ids::kMenuMultithreading)->trigger();
        ASSERT_EQ(bool(g_useMultithreading), on);
    }

    void SwitchMode(const QString& mode)
    {
        auto* combo = static_cast<QComboBox*>(dlg->GetDlgItem(ids::kModeSelector));
        const int index = combo->findText(mode);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }

    void PickFiles(const QStringList& files)
    {
        ui::testing::SetFileHook([files](const QStringList&, bool) { return files; });
        static_cast<QPushButton*>(dlg->GetDlgItem(ids::kBrowseButton))->click();
        ui::testing::SetFileHook(nullptr);
    }

    void ClickStart() { static_cast<QPushButton*>(dlg->GetDlgItem(ids::kStartButton))->click(); }

    void StartAndWait()
    {
        ClickStart();
        ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    }

    QString StartCaption() const { return dlg->GetDlgItemText(ids::kStartButton); }

    int CountBoxes(const QString& caption, const QString& text) const
    {
        int n = 0;
        for (const Box& b : boxes)
            n += b.caption == caption && b.text == text;
        return n;
    }

    // Splits `source` with the size text into `folder` and returns the pieces made.
    QStringList Split(const QString& source, const QString& sizeText)
    {
        PickFiles({source});
        dlg->SetDlgItemText(ids::kSizeField, sizeText);
        StartAndWait();
        QStringList pieces;
        for (int i = 0; FileExists(MakePieceName(source, g_pieceFolder, i)); ++i)
            pieces << MakePieceName(source, g_pieceFolder, i);
        return pieces;
    }

    QTemporaryDir dir;
    std::unique_ptr<CVeldaDlg> dlg;
    std::vector<Box> boxes;
    std::function<void(const QString&, const QString&)> onBox;
};

// --- Round trips -------------------------------------------------------------------------

class RoundTrip : public JobTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTrip, splitThenMergeGivesBackTheSourceByteForByte)
{
    SetThreadPerPiece(GetParam());
    const QString source = Path(QStringLiteral("movie.avi"));
    const QByteArray data = PatternBytes(kSourceSize, 21);
    WriteFile(source, data);

    const QStringList pieces = Split(source, QStringLiteral("1"));
    ASSERT_EQ(pieces.size(), 4);
    EXPECT_EQ(pieces.first(), Path(QStringLiteral("movie000.avi.qv")));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(pieces[i]), data.mid(i * kPieceSize, kPieceSize)) << i;
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_TRUE(dlg->windowTitle().startsWith(texts::kTitle + texts::kElapsedPrefix));
    EXPECT_EQ(g_sharedMapping, nullptr);

    // Join them back, picked in reverse order; the source itself goes out of the way first.
    ASSERT_TRUE(QFile::rename(source, Path(QStringLiteral("original.avi"))));
    SwitchMode(texts::kModeMerge);
    QStringList reversed = pieces;
    std::reverse(reversed.begin(), reversed.end());
    PickFiles(reversed);
    ASSERT_EQ(dlg->m_listBox->GetCount(), 4);
    EXPECT_EQ(dlg->m_listBox->GetText(0), pieces.first());
    dlg->SetDlgItemText(ids::kPathField, pieces.first());
    StartAndWait();

    EXPECT_EQ(ReadFile(source), data);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 1);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
    for (const QString& piece : pieces)
        EXPECT_FALSE(QFile::exists(piece)) << piece.toStdString();
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("original.avi"))));
}

TEST_P(RoundTrip, anEmptySourceEndsAtOnceWithNoPieces)
{
    SetThreadPerPiece(GetParam());
    const QString source = Path(QStringLiteral("empty.bin"));
    WriteFile(source, QByteArray());
    EXPECT_TRUE(Split(source, QStringLiteral("1")).isEmpty());
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
}

INSTANTIATE_TEST_SUITE_P(ThreadingModes, RoundTrip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "threadPerPiece" : "oneWorker"; });

TEST_F(JobTest, piecesMatchWhatCoreutilsSplitCutsAndItsPiecesJoinBack)
{
    const QString source = Path(QStringLiteral("disk.iso"));
    const QByteArray data = PatternBytes(kSourceSize, 4);
    WriteFile(source, data);
    QDir(dir.path()).mkdir(QStringLiteral("ours"));
    g_pieceFolder = Path(QStringLiteral("ours"));
    const QStringList pieces = Split(source, QStringLiteral("0.5"));  // 458,752-byte pieces
    ASSERT_EQ(pieces.size(), 7);

    QDir(dir.path()).mkdir(QStringLiteral("theirs"));
    QProcess split;
    split.setWorkingDirectory(Path(QStringLiteral("theirs")));
    split.start(QStringLiteral("split"), {QStringLiteral("-b"), QStringLiteral("458752"), QStringLiteral("-d"),
                                          QStringLiteral("-a"), QStringLiteral("3"),
                                          QStringLiteral("--additional-suffix=.iso.qv"), source,
                                          QStringLiteral("disk")});
    ASSERT_TRUE(split.waitForFinished(30000));
    ASSERT_EQ(split.exitCode(), 0);
    for (int i = 0; i < pieces.size(); ++i) {
        const QString theirs = Path(QStringLiteral("theirs/disk%1.iso.qv").arg(i, 3, 10, QLatin1Char('0')));
        EXPECT_EQ(ReadFile(pieces[i]), ReadFile(theirs)) << i;
    }

    // Pieces cut by split join back into the original.
    SwitchMode(texts::kModeMerge);
    QStringList theirs = QDir(Path(QStringLiteral("theirs"))).entryList(QDir::Files);
    for (QString& name : theirs)
        name = Path(QStringLiteral("theirs/") + name);
    PickFiles(theirs);
    StartAndWait();
    EXPECT_EQ(ReadFile(Path(QStringLiteral("theirs/disk.iso"))), data);
}

TEST_F(JobTest, piecesLandInTheSourceFolderWhenNoFolderWasChosen)
{
    const QString source = Path(QStringLiteral("typed.dat"));
    WriteFile(source, PatternBytes(100000, 2));
    // A typed path, no browse: no folder for pieces has been set.
    dlg->SetDlgItemText(ids::kPathField, source);
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    StartAndWait();
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("typed000.dat.qv"))));
    EXPECT_EQ(g_pieceFolder, dir.path());
}

// --- The size field ---------------------------------------------------------------------

TEST_F(JobTest, refusesSizeTextsThatAreNoUsableSize)
{
    const QString source = Path(QStringLiteral("a.bin"));
    WriteFile(source, PatternBytes(1000, 2));
    PickFiles({source});
    for (const QString& text : {QStringLiteral("abc"), QStringLiteral("-3"), QStringLiteral("1e13")}) {
        boxes.clear();
        dlg->SetDlgItemText(ids::kSizeField, text);
        ClickStart();
        EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kBadPieceSize), 1) << text.toStdString();
        EXPECT_EQ(StartCaption(), texts::kStartSplit);
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("a000.bin.qv"))));
}

// --- Split failures ---------------------------------------------------------------------

TEST_F(JobTest, splitFailuresShowTheirMessagesAndLeaveNoHalfWrittenPiece)
{
    const QString source = Path(QStringLiteral("s.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 5));

    // A source that cannot be measured: the information line's message, then the refusal.
    dlg->SetDlgItemText(ids::kPathField, Path(QStringLiteral("missing.bin")));
    ClickStart();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, texts::kOpenFileForSizeFailed);
    EXPECT_EQ(boxes[1].text, texts::kNoSpace);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);

    // A FIFO is no file to split, and must not hang the window in open().
    boxes.clear();
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("fifo"))).constData(), 0600), 0);
    dlg->SetDlgItemText(ids::kPathField, Path(QStringLiteral("fifo")));
    ClickStart();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kOpenFileForSizeFailed), 1);

    // A folder for pieces that does not exist: the first piece cannot be created.
    boxes.clear();
    g_pieceFolder = Path(QStringLiteral("no/such/folder"));
    dlg->SetDlgItemText(ids::kPathField, source);
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreatePieceFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 0);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
}

class DiskTooSmall : public JobTest, public ::testing::WithParamInterface<bool> {
protected:
    // From here on every reservation beyond `bytes` fails, as on a disk that is too small.
    void LimitFileSize(rlim_t bytes)
    {
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        limited = true;
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    void TearDown() override
    {
        if (limited) {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previous);
        }
        JobTest::TearDown();
    }
    rlimit saved{};
    bool limited = false;
    void (*previous)(int) = nullptr;
};

TEST_P(DiskTooSmall, aPieceThatCannotBeReservedIsReportedBeforeAnyByteIsCopied)
{
    SetThreadPerPiece(GetParam());
    const QString source = Path(QStringLiteral("big.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 5));
    std::atomic<int> viewsMapped{0};
    platform::testing::SetViewObserver([&](auto, auto, auto, auto) { ++viewsMapped; });
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("2"));  // pieces of 1,966,080 bytes
    LimitFileSize(1500000);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kMapPieceFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 0);
    EXPECT_EQ(viewsMapped.load(), 0);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("big000.bin.qv"))));
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_EQ(g_sharedMapping, nullptr);
}

TEST_P(DiskTooSmall, aJoinedFileThatCannotBeReservedIsReportedAndNotLeftBehind)
{
    SetThreadPerPiece(GetParam());
    const QString a = Path(QStringLiteral("j000.bin.qv"));
    const QString b = Path(QStringLiteral("j001.bin.qv"));
    WriteFile(a, PatternBytes(1000000, 1));
    WriteFile(b, PatternBytes(1000000, 2));
    SwitchMode(texts::kModeMerge);
    PickFiles({a, b});
    LimitFileSize(1500000);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kMapMergePieceFailed), 1);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("j.bin"))));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 2);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
}

INSTANTIATE_TEST_SUITE_P(ThreadingModes, DiskTooSmall, ::testing::Values(false, true));

// --- Merge failures ---------------------------------------------------------------------

TEST_F(JobTest, mergeFailuresShowTheirMessagesAndTouchNoFile)
{
    SwitchMode(texts::kModeMerge);
    ClickStart();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kListEmpty), 1);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);

    const QString p0 = Path(QStringLiteral("m000.txt.qv"));
    const QString p1 = Path(QStringLiteral("m001.txt.qv"));
    const QString p2 = Path(QStringLiteral("m002.txt.qv"));
    WriteFile(p0, PatternBytes(5000, 1));
    WriteFile(p1, QByteArray());
    WriteFile(p2, PatternBytes(5000, 3));
    const QString joined = Path(QStringLiteral("m.txt"));
    WriteFile(joined, QByteArrayLiteral("existing"));
    PickFiles({p0, p1, p2});

    // A piece of 0 bytes cannot be mapped: its path is the caption.
    boxes.clear();
    StartAndWait();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, texts::kMapMergePieceFailed);
    EXPECT_EQ(boxes[0].caption, p1);
    EXPECT_EQ(ReadFile(joined), QByteArrayLiteral("existing"));

    // A piece deleted after it was listed.
    WriteFile(p1, PatternBytes(10, 2));
    ASSERT_TRUE(QFile::remove(p2));
    boxes.clear();
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kOpenPieceFailed), 1);
    EXPECT_EQ(ReadFile(joined), QByteArrayLiteral("existing"));

    // The joined file cannot be created (a folder stands in its place).
    WriteFile(p2, PatternBytes(10, 3));
    ASSERT_TRUE(QFile::remove(joined));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("m.txt")));
    boxes.clear();
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreateJoinedFailed), 1);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
}

TEST_F(JobTest, refusesToJoinIntoOneOfTheListedPiecesAlsoThroughALink)
{
    const QString piece = Path(QStringLiteral("v000.mkv.qv"));
    const QString target = Path(QStringLiteral("v.mkv"));
    WriteFile(piece, PatternBytes(3000, 1));
    WriteFile(target, PatternBytes(4000, 2));
    ASSERT_TRUE(QFile::link(target, Path(QStringLiteral("link.qv"))));
    SwitchMode(texts::kModeMerge);
    PickFiles({piece, Path(QStringLiteral("link.qv"))});
    dlg->SetDlgItemText(ids::kPathField, piece);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kJoinedIsPiece), 1);
    EXPECT_EQ(ReadFile(target), PatternBytes(4000, 2));
    EXPECT_TRUE(QFile::exists(piece));
}

// --- Copies that fail -------------------------------------------------------------------

class FailingCopy : public JobTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingCopy, aSplitWhosePieceCopyFailsEndsWithAnErrorAndRemovesThatPiece)
{
    SetThreadPerPiece(GetParam());
    const QString source = Path(QStringLiteral("t.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 8));
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    // Another program cuts the source while piece 2 is being copied.
    const uint64_t cutAt = 2 * kPieceSize;
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t offset, auto) {
        if (access == platform::ViewAccess::Read && offset == cutAt)
            QFile::resize(source, qint64(cutAt));
    });
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCopyFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 0);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_EQ(g_sharedMapping, nullptr);
    const QByteArray data = PatternBytes(kSourceSize, 8);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("t000.bin.qv"))), data.mid(0, kPieceSize));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("t001.bin.qv"))), data.mid(kPieceSize, kPieceSize));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("t002.bin.qv"))));
}

TEST_P(FailingCopy, aMergeWhoseCopyFailsRemovesTheJoinedFileAndKeepsEveryPiece)
{
    SetThreadPerPiece(GetParam());
    QStringList pieces;
    for (int i = 0; i < 3; ++i) {
        pieces << Path(QStringLiteral("f%1.bin.qv").arg(i, 3, 10, QLatin1Char('0')));
        WriteFile(pieces.last(), PatternBytes(700000, uint32_t(i)));
    }
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    std::atomic<bool> cut{false};
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t, auto) {
        if (access == platform::ViewAccess::Read && !cut.exchange(true))
            QFile::resize(pieces[1], 0);
    });
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCopyFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 0);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("f.bin"))));
    for (const QString& piece : pieces)
        EXPECT_TRUE(QFile::exists(piece));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
}

TEST_P(FailingCopy, aWorkerThatCannotBeStartedIsReportedAndTheJobEnds)
{
    SetThreadPerPiece(GetParam());
    const QString source = Path(QStringLiteral("w.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 8));
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    platform::testing::FailNextThreadStarts(1);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kThreadFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 0);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("w000.bin.qv"))));
}

INSTANTIATE_TEST_SUITE_P(ThreadingModes, FailingCopy, ::testing::Values(false, true));

// --- How a job ends ---------------------------------------------------------------------

TEST_F(JobTest, aSplitAbandonedPartWayCannotCompleteTheNextJob)
{
    SetThreadPerPiece(true);
    const QString source = Path(QStringLiteral("p.bin"));
    const QByteArray data = PatternBytes(kSourceSize, 6);
    WriteFile(source, data);
    // A folder where piece 1 should go: piece 0 is copied, piece 1 cannot be created.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("p001.bin.qv")));
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreatePieceFailed), 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 0);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("p000.bin.qv"))), data.left(kPieceSize));
    EXPECT_EQ(g_sharedMapping, nullptr);

    // The next job completes exactly once, after all four of its own copies.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("p001.bin.qv")));
    boxes.clear();
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(boxes.size(), 1u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(MakePieceName(source, dir.path(), i)), data.mid(i * kPieceSize, kPieceSize));
}

TEST_F(JobTest, completesOnTheLastOfItsOwnEndReportsAndIgnoresStrayOnes)
{
    g_useMultithreading = true;
    // A stray end report while no job runs changes nothing.
    dlg->OnCopyProgress(1, 1);
    EXPECT_TRUE(boxes.empty());

    dlg->SetDlgItemText(ids::kStartButton, texts::kSplitting);
    g_job.tasksStarted = 3;
    g_job.dispatchDone = true;
    dlg->m_progress->SetRange(0, 10);
    dlg->OnCopyProgress(0, 0);  // nothing at all
    EXPECT_EQ(dlg->m_progress->m_nPosition, 0);
    dlg->OnCopyProgress(1, 0);  // counted, no step
    EXPECT_EQ(dlg->m_progress->m_nPosition, 0);
    dlg->OnCopyProgress(1, 1);
    EXPECT_EQ(dlg->m_progress->m_nPosition, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(dlg->IsJobRunning());
    dlg->OnCopyProgress(1, 1);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_EQ(g_finishedCount, 0);
}

TEST_F(JobTest, theTitleShowsTheElapsedTimeWithEveryHourDigit)
{
    struct Case {
        uint32_t seconds;
        const char* text;
    };
    for (const Case c : {Case{0, "00:00:00"}, Case{3725, "01:02:05"}, Case{35999, "09:59:59"},
                         Case{36000, "10:00:00"}, Case{360000, "100:00:00"}, Case{4000000, "1111:06:40"}}) {
        dlg->SetDlgItemText(ids::kStartButton, texts::kSplitting);
        dlg->m_startTick = platform::TickCount() - c.seconds * 1000u;  // wraps like the tick counter
        dlg->OnCopyProgress(1, 1);
        EXPECT_EQ(dlg->windowTitle(), texts::kTitle + texts::kElapsedPrefix + QString::fromUtf8(c.text));
    }
}

TEST_F(JobTest, deletesExactlyThePiecesItJoinedEvenWhenTheListChangesMeanwhile)
{
    QStringList pieces;
    for (int i = 0; i < 3; ++i) {
        pieces << Path(QStringLiteral("d%1.bin.qv").arg(i, 3, 10, QLatin1Char('0')));
        WriteFile(pieces.last(), PatternBytes(2000000, uint32_t(i)));
    }
    const QString bystander = Path(QStringLiteral("d003.bin.qv"));
    WriteFile(bystander, PatternBytes(10, 9));
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    // Slow copies, so the list can be edited while the merge runs.
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(15); });
    ClickStart();
    ASSERT_TRUE(dlg->IsJobRunning());
    dlg->m_listBox->SetCurSel(2);
    dlg->OnDeleteSelected();
    ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 1);
    QByteArray expected;
    for (int i = 0; i < 3; ++i)
        expected += PatternBytes(2000000, uint32_t(i));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("d.bin"))), expected);
    for (const QString& piece : pieces)
        EXPECT_FALSE(QFile::exists(piece)) << piece.toStdString();
    EXPECT_TRUE(QFile::exists(bystander));
}

TEST_F(JobTest, keepsThePiecesWhenTheBoxIsUnticked)
{
    QStringList pieces{Path(QStringLiteral("k000.bin.qv")), Path(QStringLiteral("k001.bin.qv"))};
    WriteFile(pieces[0], PatternBytes(70000, 1));
    WriteFile(pieces[1], PatternBytes(70000, 2));
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    static_cast<QCheckBox*>(dlg->GetDlgItem(ids::kDeleteAfterMergeBox))->click();
    ASSERT_EQ(dlg->m_deleteAfterMerge, 0);
    StartAndWait();
    EXPECT_EQ(ReadFile(Path(QStringLiteral("k.bin"))), PatternBytes(70000, 1) + PatternBytes(70000, 2));
    EXPECT_TRUE(QFile::exists(pieces[0]));
    EXPECT_TRUE(QFile::exists(pieces[1]));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
}

TEST_F(JobTest, aSplitNamesAllItsPiecesFromTheFolderItStartedWith)
{
    const QString source = Path(QStringLiteral("r.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 3));
    QDir(dir.path()).mkdir(QStringLiteral("first"));
    QDir(dir.path()).mkdir(QStringLiteral("second"));
    g_pieceFolder = Path(QStringLiteral("first"));
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(10); });
    ClickStart();
    ui::testing::SetFolderHook([&](const QString&) { return QUrl::fromLocalFile(Path(QStringLiteral("second"))); });
    dlg->GetMenuItem(ids::kMenuPieceFolder)->trigger();
    EXPECT_EQ(g_pieceFolder, Path(QStringLiteral("second")));
    ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(QDir(Path(QStringLiteral("first"))).entryList(QDir::Files).size(), 4);
    EXPECT_TRUE(QDir(Path(QStringLiteral("second"))).entryList(QDir::Files).isEmpty());
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// While a worker reports every view, the window's event loop keeps running: its timers fire,
// the progress bar is repainted and a menu opens, at the default view size, one worker.
TEST_F(JobTest, theWindowStaysResponsiveWhileASplitReportsEveryView)
{
    const QString source = Path(QStringLiteral("big.bin"));
    WriteFile(source, PatternBytes(16 * 655360, 5));  // 16 views of the default size
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("4"));
    // Each view takes 20 ms, so the job lasts about a third of a second.
    platform::testing::SetViewObserver([](auto, auto access, auto, auto) {
        if (access == platform::ViewAccess::Read)
            QThread::msleep(20);
    });
    dlg->show();
    PaintCounter barPaints;
    dlg->m_progress->installEventFilter(&barPaints);
    ASSERT_TRUE(WaitUntil([&] { return dlg->isVisible(); }));

    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        if (!dlg->IsJobRunning())
            return;
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
        ++ticks;
    });
    QMenu* menu = dlg->GetMenu()->actions().first()->menu();
    ASSERT_NE(menu, nullptr);
    bool menuOpenedMidJob = false;
    int paintsMidJob = 0;

    clock.start();
    timer.start(5);
    ClickStart();
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 4; }));
    menu->popup(dlg->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible() || !dlg->IsJobRunning(); }));
    menuOpenedMidJob = menu->isVisible() && dlg->IsJobRunning();
    menu->hide();
    paintsMidJob = barPaints.paints;
    ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));

    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_TRUE(menuOpenedMidJob);
    EXPECT_GT(paintsMidJob, 0);
    EXPECT_GE(ticks, 15);
    EXPECT_LT(longestGap, 250);  // ms; the job's views come every 20 ms
}

class ClosingMidJob : public JobTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosingMidJob, stopsTheSplitWaitsForItsWorkersAndRemovesTheUnfinishedPiece)
{
    SetThreadPerPiece(GetParam());
    // Three pieces, the first two of six views each: far more than a cancel needs to arrive.
    const qint64 size = 8000000;
    const qint64 piece = 3997696;
    const QString source = Path(QStringLiteral("c.bin"));
    const QByteArray data = PatternBytes(size, 12);
    WriteFile(source, data);
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("4"));
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(20); });
    dlg->show();
    ClickStart();
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 1; }));
    dlg->reject();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsJobRunning());
    EXPECT_EQ(platform::RunningWorkerCount(), 0);
    EXPECT_TRUE(boxes.empty());  // nobody is left to read a message
    int complete = 0;
    for (int i = 0; i < 3; ++i) {
        const QString name = MakePieceName(source, dir.path(), i);
        if (QFile::exists(name)) {
            EXPECT_EQ(ReadFile(name), data.mid(i * piece, piece)) << i;
            ++complete;
        }
    }
    EXPECT_LT(complete, 3);
    EXPECT_EQ(g_sharedMapping, nullptr);
}

TEST_P(ClosingMidJob, stopsTheMergeAndRemovesTheUnfinishedJoinedFile)
{
    SetThreadPerPiece(GetParam());
    QStringList pieces;
    for (int i = 0; i < 3; ++i) {
        pieces << Path(QStringLiteral("x%1.bin.qv").arg(i, 3, 10, QLatin1Char('0')));
        WriteFile(pieces.last(), PatternBytes(2000000, uint32_t(i)));
    }
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(20); });
    dlg->show();
    ClickStart();
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 1; }));
    static_cast<QPushButton*>(dlg->GetDlgItem(ids::kCloseButton))->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(platform::RunningWorkerCount(), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("x.bin"))));
    for (const QString& piece : pieces)
        EXPECT_TRUE(QFile::exists(piece));
    dlg.reset();  // no worker may touch the dialog after this
}

INSTANTIATE_TEST_SUITE_P(ThreadingModes, ClosingMidJob, ::testing::Values(false, true));

TEST_F(JobTest, aSecondClickWhileASplitRunsChangesNothing)
{
    const QString source = Path(QStringLiteral("z.bin"));
    WriteFile(source, PatternBytes(kSourceSize, 1));
    PickFiles({source});
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(10); });
    ClickStart();
    ASSERT_EQ(StartCaption(), texts::kSplitting);
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("0.5"));
    ClickStart();
    EXPECT_EQ(StartCaption(), texts::kSplitting);
    ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(FileSize(Path(QStringLiteral("z000.bin.qv"))), kPieceSize);
}

}  // namespace
