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
#include <QFile>
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
constexpr qint64 kPieceSize = 983040; // the size field's "1": 1,000,000 rounded down to 64 KiB

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
            boxes.push_back({ caption, text });
            if (onBox)
                onBox(text, caption);
        });
        // Closing mid-job asks first; these tests mean it.
        ui::testing::SetQuestionHook([](QWidget*, const QString&, const QString&) { return true; });
        dlg = std::make_unique<CVeldaDlg>();
    }

    void TearDown() override
    {
        if (dlg && dlg->IsJobRunning())
            dlg->reject(); // stops and waits for whatever a failed test left running
        dlg.reset();
        ASSERT_TRUE(WaitUntil([] { return platform::RunningWorkerCount() == 0; }));
        ui::testing::SetMessageHook(nullptr);
        ui::testing::SetQuestionHook(nullptr);
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

    QString Path(const QString& name) const
    {
        return dir.filePath(name);
    }
    QString Path(const char* name) const
    {
        return dir.filePath(QString::fromUtf8(name));
    }

    // Pieces named <stem>NNN.<ext>.qv in the test's folder, each of `size` pattern bytes.
    QStringList MakePieces(const char* stem, int count, qint64 size)
    {
        QStringList pieces;
        for (int i = 0; i < count; ++i) {
            pieces << Path(QStringLiteral("%1%2.bin.qv").arg(QLatin1String(stem)).arg(i, 3, 10, QLatin1Char('0')));
            WriteFile(pieces.last(), PatternBytes(size, uint32_t(i)));
        }
        return pieces;
    }

    // Slows every view down, so that a job is still running when the test acts.
    static void SlowViews(int ms)
    {
        platform::testing::SetViewObserver([ms](auto, auto, auto, auto) { QThread::msleep(ms); });
    }

    void WaitForIdle()
    {
        ASSERT_TRUE(WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    }

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

    void ClickStart()
    {
        static_cast<QPushButton*>(dlg->GetDlgItem(ids::kStartButton))->click();
    }

    void StartAndWait()
    {
        ClickStart();
        WaitForIdle();
    }

    QString StartCaption() const
    {
        return dlg->GetDlgItemText(ids::kStartButton);
    }

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
        PickFiles({ source });
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

class BothModes : public JobTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        JobTest::SetUp();
        SetThreadPerPiece(GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(ThreadingModes, BothModes, ::testing::Bool(),
    [](const auto& info) { return info.param ? "threadPerPiece" : "oneWorker"; });

// --- Round trips -------------------------------------------------------------------------

TEST_P(BothModes, splitsLikeCoreutilsAndJoinsBackByteForByteThenDeletesThePieces)
{
    const QString source = Path("movie.avi");
    const QByteArray data = PatternBytes(kSourceSize, 21);
    WriteFile(source, data);
    const QStringList pieces = Split(source, QStringLiteral("1"));
    ASSERT_EQ(pieces.size(), 4);
    EXPECT_EQ(pieces.first(), Path("movie000.avi.qv"));
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_TRUE(dlg->windowTitle().startsWith(texts::kTitle + texts::kElapsedPrefix));
    EXPECT_FALSE(g_sharedMapping);

    // The same bytes as coreutils split cuts.
    QDir(dir.path()).mkdir(QStringLiteral("theirs"));
    QProcess split;
    split.setWorkingDirectory(Path("theirs"));
    split.start(QStringLiteral("split"),
        { QStringLiteral("-b"), QString::number(kPieceSize), QStringLiteral("-d"), QStringLiteral("-a"),
            QStringLiteral("3"), source, QStringLiteral("x") });
    ASSERT_TRUE(split.waitForFinished(30000));
    for (int i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(ReadFile(pieces[i]), ReadFile(Path("theirs/x%1").arg(i, 3, 10, QLatin1Char('0')))) << i;

    // Joined back, picked in reverse order; the source goes out of the way first.
    ASSERT_TRUE(QFile::rename(source, Path("original.avi")));
    SwitchMode(texts::kModeMerge);
    PickFiles({ pieces[3], pieces[2], pieces[1], pieces[0] });
    ASSERT_EQ(dlg->m_listBox->GetText(0), pieces.first());
    StartAndWait();
    EXPECT_EQ(ReadFile(source), data);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 1);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
    for (const QString& piece : pieces)
        EXPECT_FALSE(QFile::exists(piece)) << piece.toStdString();
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);

    // An empty source ends at once, with no piece.
    WriteFile(Path("empty.bin"), QByteArray());
    SwitchMode(texts::kModeSplit);
    boxes.clear();
    EXPECT_TRUE(Split(Path("empty.bin"), QStringLiteral("1")).isEmpty());
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
}

TEST_F(JobTest, keepsThePiecesWhenTheBoxIsUntickedAndJoinsPiecesOtherToolsCut)
{
    const QStringList pieces { Path("k.bin.aa"), Path("k.bin.ab") };
    WriteFile(pieces[0], PatternBytes(70000, 1));
    WriteFile(pieces[1], PatternBytes(70000, 2));
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    static_cast<QCheckBox*>(dlg->GetDlgItem(ids::kDeleteAfterMergeBox))->click();
    StartAndWait();
    EXPECT_EQ(ReadFile(MakeJoinedName(pieces[0])), PatternBytes(70000, 1) + PatternBytes(70000, 2));
    EXPECT_TRUE(QFile::exists(pieces[0]) && QFile::exists(pieces[1]));
}

// --- Refusals: a message, the caption back, and no file touched ---------------------------

TEST_F(JobTest, refusedStartsShowTheirMessageAndTouchNoFile)
{
    const QString source = Path("a.bin");
    WriteFile(source, PatternBytes(1000, 2));
    PickFiles({ source });
    for (const char* text : { "abc", "-3", "1e13" }) {
        dlg->SetDlgItemText(ids::kSizeField, QString::fromLatin1(text));
        ClickStart();
        EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kBadPieceSize), 1) << text;
        EXPECT_EQ(StartCaption(), texts::kStartSplit);
        boxes.clear();
    }
    // A folder for pieces that does not exist: the first piece cannot be created.
    g_pieceFolder = Path("no/such/folder");
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreatePieceFailed), 1);
    EXPECT_FALSE(QFile::exists(Path("a000.bin.qv")));

    SwitchMode(texts::kModeMerge);
    boxes.clear();
    ClickStart();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kListEmpty), 1);

    QStringList pieces = MakePieces("m", 3, 5000);
    WriteFile(pieces[1], QByteArray());
    const QString joined = Path("m.bin");
    WriteFile(joined, QByteArrayLiteral("existing"));
    PickFiles(pieces);
    // A piece of 0 bytes cannot be mapped: its path is the caption.
    boxes.clear();
    StartAndWait();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, texts::kMapMergePieceFailed);
    EXPECT_EQ(boxes[0].caption, pieces[1]);
    // A piece deleted after it was listed.
    WriteFile(pieces[1], PatternBytes(10, 2));
    ASSERT_TRUE(QFile::remove(pieces[2]));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kOpenPieceFailed), 1);
    EXPECT_EQ(ReadFile(joined), QByteArrayLiteral("existing"));
    // The joined file cannot be created: a folder stands in its place.
    WriteFile(pieces[2], PatternBytes(10, 3));
    ASSERT_TRUE(QFile::remove(joined) && QDir(dir.path()).mkdir(QStringLiteral("m.bin")));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreateJoinedFailed), 1);
    EXPECT_EQ(StartCaption(), texts::kStartMerge);
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
}

TEST_F(JobTest, refusesToJoinIntoOneOfTheListedPiecesAlsoThroughALink)
{
    const QString piece = Path("v000.mkv.qv");
    const QString target = Path("v.mkv");
    WriteFile(piece, PatternBytes(3000, 1));
    WriteFile(target, PatternBytes(4000, 2));
    ASSERT_TRUE(QFile::link(target, Path("link.qv")));
    SwitchMode(texts::kModeMerge);
    PickFiles({ piece, Path("link.qv") });
    dlg->SetDlgItemText(ids::kPathField, piece);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kJoinedIsPiece), 1);
    EXPECT_EQ(ReadFile(target), PatternBytes(4000, 2));
    EXPECT_TRUE(QFile::exists(piece));
}

// From here on every reservation beyond `bytes` fails, as on a disk that is too small.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }

private:
    rlimit m_saved {};
    void (*m_previous)(int) = nullptr;
};

TEST_P(BothModes, outputThatCannotBeReservedIsReportedBeforeAnyByteIsCopied)
{
    const QString source = Path("big.bin");
    WriteFile(source, PatternBytes(kSourceSize, 5));
    std::atomic<int> viewsMapped { 0 };
    platform::testing::SetViewObserver([&](auto, auto, auto, auto) { ++viewsMapped; });
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("2")); // pieces of 1,966,080 bytes
    const QStringList pieces = MakePieces("j", 2, 1000000);
    {
        FileSizeLimit limit(1500000);
        StartAndWait();
        EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kMapPieceFailed), 1);
        EXPECT_FALSE(QFile::exists(Path("big000.bin.qv")));
        EXPECT_EQ(viewsMapped.load(), 0);

        SwitchMode(texts::kModeMerge);
        PickFiles(pieces);
        StartAndWait();
    }
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kMapMergePieceFailed), 1);
    EXPECT_FALSE(QFile::exists(Path("j.bin")));
    EXPECT_TRUE(QFile::exists(pieces[0]) && QFile::exists(pieces[1]));
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(g_sharedMapping);
}

// --- Copies that fail: never a success, never a half-written file left --------------------

TEST_P(BothModes, aSplitWhoseCopyFailsRemovesThatPieceAndKeepsTheFinishedOnes)
{
    const QString source = Path("t.bin");
    const QByteArray data = PatternBytes(kSourceSize, 8);
    WriteFile(source, data);
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    // Another program cuts the source while piece 2 is being copied.
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t offset, auto) {
        if (access == platform::ViewAccess::Read && offset == 2 * kPieceSize)
            QFile::resize(source, 2 * kPieceSize);
    });
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCopyFailed), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_EQ(ReadFile(Path("t000.bin.qv")), data.mid(0, kPieceSize));
    EXPECT_EQ(ReadFile(Path("t001.bin.qv")), data.mid(kPieceSize, kPieceSize));
    EXPECT_FALSE(QFile::exists(Path("t002.bin.qv")));
}

TEST_P(BothModes, aMergeWhoseCopyFailsRemovesTheJoinedFileAndKeepsEveryPiece)
{
    const QStringList pieces = MakePieces("f", 3, 700000);
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    std::atomic<bool> cut { false };
    platform::testing::SetViewObserver([&](auto, platform::ViewAccess access, uint64_t, auto) {
        if (access == platform::ViewAccess::Read && !cut.exchange(true))
            QFile::resize(pieces[1], 0);
    });
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCopyFailed), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(QFile::exists(Path("f.bin")));
    for (const QString& piece : pieces)
        EXPECT_TRUE(QFile::exists(piece));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 3);
}

TEST_P(BothModes, aWorkerThatCannotBeStartedIsReportedAndTheJobEnds)
{
    const QString source = Path("w.bin");
    WriteFile(source, PatternBytes(kSourceSize, 8));
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    platform::testing::FailNextThreadStarts(1);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kThreadFailed), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_FALSE(QFile::exists(Path("w000.bin.qv")));
}

// --- How a job ends ---------------------------------------------------------------------

TEST_F(JobTest, aSplitAbandonedPartWayCannotCompleteTheNextJob)
{
    SetThreadPerPiece(true);
    const QString source = Path("p.bin");
    const QByteArray data = PatternBytes(kSourceSize, 6);
    WriteFile(source, data);
    // A folder where piece 1 should go: piece 0 is copied, piece 1 cannot be created.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("p001.bin.qv")));
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionError, texts::kCreatePieceFailed), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadFile(Path("p000.bin.qv")), data.left(kPieceSize));

    // The next job completes exactly once, after all four of its own copies.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("p001.bin.qv")));
    boxes.clear();
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(boxes.size(), 1u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(MakePieceName(source, dir.path(), i)), data.mid(i * kPieceSize, kPieceSize));
}

TEST_F(JobTest, completesOnTheLastOfItsOwnEndReportsIgnoresStrayOnesAndTimesItself)
{
    g_useMultithreading = true;
    dlg->OnCopyProgress(kTaskEnded, kProgressStep); // no job runs: it belongs to nothing
    EXPECT_TRUE(boxes.empty());

    dlg->SetDlgItemText(ids::kStartButton, texts::kSplitting);
    g_job.tasksStarted = 2;
    g_job.dispatchDone = true;
    dlg->m_startTick = platform::TickCount() - 4000000u * 1000u; // wraps like the tick counter
    dlg->OnCopyProgress(kTaskEnded, kProgressStep);
    EXPECT_TRUE(boxes.empty());
    dlg->OnCopyProgress(kTaskEnded, kProgressStep);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_EQ(StartCaption(), texts::kStartSplit);
    EXPECT_EQ(dlg->windowTitle(), texts::kTitle + texts::kElapsedPrefix + QStringLiteral("1111:06:40"));
}

TEST_F(JobTest, deletesExactlyThePiecesItJoinedEvenWhenTheListChangesMeanwhile)
{
    const QStringList pieces = MakePieces("d", 3, 2000000);
    const QString bystander = Path("d003.bin.qv");
    WriteFile(bystander, PatternBytes(10, 9));
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    SlowViews(15);
    ClickStart();
    ASSERT_TRUE(dlg->IsJobRunning());
    dlg->m_listBox->SetCurSel(2);
    dlg->OnDeleteSelected();
    WaitForIdle();
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 1);
    EXPECT_EQ(ReadFile(Path("d.bin")), PatternBytes(2000000, 0) + PatternBytes(2000000, 1) + PatternBytes(2000000, 2));
    for (const QString& piece : pieces)
        EXPECT_FALSE(QFile::exists(piece)) << piece.toStdString();
    EXPECT_TRUE(QFile::exists(bystander));
}

TEST_F(JobTest, theJoinedFileIsFlushedOnAWorkerWhileTheWindowGoesOnAndOnlyThenArePiecesDeleted)
{
    const QStringList pieces = MakePieces("s", 2, 100000);
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    std::atomic<bool> offWindowThread { false }, piecesThere { false };
    platform::testing::SetFlushObserver([&] {
        offWindowThread = QThread::currentThread() != dlg->thread();
        piecesThere = QFile::exists(pieces[0]) && QFile::exists(pieces[1]);
        QThread::msleep(300);
    });
    int ticksWhileFlushing = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ticksWhileFlushing += g_job.flushing; });
    timer.start(10);
    StartAndWait();
    platform::testing::SetFlushObserver(nullptr);
    EXPECT_TRUE(offWindowThread);
    EXPECT_TRUE(piecesThere);
    EXPECT_GT(ticksWhileFlushing, 10);
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kMergeDone), 1);
    EXPECT_FALSE(QFile::exists(pieces[0]));
}

TEST_F(JobTest, aRunningSplitIgnoresASecondStartAndKeepsTheFolderItStartedWith)
{
    const QString source = Path("r.bin");
    WriteFile(source, PatternBytes(kSourceSize, 3));
    QDir(dir.path()).mkdir(QStringLiteral("first"));
    QDir(dir.path()).mkdir(QStringLiteral("second"));
    g_pieceFolder = Path("first");
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
    SlowViews(10);
    ClickStart();
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("0.5"));
    ClickStart();
    ui::testing::SetFolderHook([&](const QString&) { return QUrl::fromLocalFile(Path("second")); });
    dlg->GetMenuItem(ids::kMenuPieceFolder)->trigger();
    WaitForIdle();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(QDir(Path("first")).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(FileSize(Path("first/r000.bin.qv")), kPieceSize);
    EXPECT_TRUE(QDir(Path("second")).entryList(QDir::Files).isEmpty());
}

// While a worker reports every view, the window's event loop keeps running.
TEST_F(JobTest, theWindowStaysResponsiveWhileASplitReportsEveryView)
{
    const QString source = Path("big.bin");
    WriteFile(source, PatternBytes(16 * 655360, 5)); // 16 views of the default size
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("4"));
    SlowViews(10);
    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    clock.start();
    timer.start(5);
    StartAndWait();
    EXPECT_EQ(CountBoxes(texts::kCaptionSuccess, texts::kSplitDone), 1);
    EXPECT_LT(longestGap, 250); // ms; the job's views come every 20 ms
}

TEST_P(BothModes, closingMidJobStopsItWaitsForItsWorkersAndRemovesUnfinishedOutput)
{
    // Three pieces, the first two of six views each: far more than a cancel needs to arrive.
    const QString source = Path("c.bin");
    const QByteArray data = PatternBytes(8000000, 12);
    WriteFile(source, data);
    PickFiles({ source });
    dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("4"));
    SlowViews(20);
    dlg->show();
    ClickStart();
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 1; }));
    dlg->reject();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsJobRunning());
    EXPECT_EQ(platform::RunningWorkerCount(), 0);
    EXPECT_TRUE(boxes.empty()); // nobody is left to read a message
    int complete = 0;
    for (int i = 0; i < 3; ++i) {
        const QString name = MakePieceName(source, dir.path(), i);
        if (QFile::exists(name)) {
            EXPECT_EQ(ReadFile(name), data.mid(i * 3997696, 3997696)) << i;
            ++complete;
        }
    }
    EXPECT_LT(complete, 3);

    // A merge closed mid-job leaves no joined file and every piece.
    dlg = std::make_unique<CVeldaDlg>();
    SetThreadPerPiece(GetParam());
    const QStringList pieces = MakePieces("x", 3, 2000000);
    SwitchMode(texts::kModeMerge);
    PickFiles(pieces);
    dlg->show();
    ClickStart();
    ASSERT_TRUE(WaitUntil([&] { return dlg->m_progress->m_nPosition >= 1; }));
    static_cast<QPushButton*>(dlg->GetDlgItem(ids::kCloseButton))->click();
    EXPECT_EQ(platform::RunningWorkerCount(), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(QFile::exists(Path("x.bin")));
    for (const QString& piece : pieces)
        EXPECT_TRUE(QFile::exists(piece));
}

} // namespace
