// The command line: files given to the window, and the headless split and join commands run
// as a child process without a display.

#include "DialogFixture.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace {

struct Outcome {
    int status = -1;
    QString err, out;
};

// Runs build/bin/velda with no display in reach, as on a server.
std::unique_ptr<QProcess> Launch(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        env.remove(QString::fromLatin1(name));
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationDirPath() + QStringLiteral("/velda"), args);
    return process;
}

Outcome Finish(const std::unique_ptr<QProcess>& process)
{
    EXPECT_TRUE(process->waitForFinished(120000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    return { process->exitCode(), QString::fromUtf8(process->readAllStandardError()),
        QString::fromUtf8(process->readAllStandardOutput()) };
}

} // namespace

// ---- Files given to the window -----------------------------------------------------------

using WindowArgumentsTest = DialogFixture;

TEST_F(WindowArgumentsTest, oneFileOpensSplitModeAsBrowseDoes)
{
    const QString source = MakeFile(QStringLiteral("movie.avi"), 3000000);
    dlg->OpenArguments({ source });
    EXPECT_EQ(dlg->m_splitMode, 1);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), source);
    EXPECT_EQ(g_sourcePath, source);
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kInfoLine).startsWith(texts::kInfoSizeWhole.arg(3)));
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowArgumentsTest, onePieceListsItsWholeSetInPieceOrder)
{
    for (const char* name : { "m001.avi.qv", "m1000.avi.qv", "m000.avi.qv", "m999.avi.qv", "m000.mkv.qv",
             "mm000.avi.qv", "m.avi.qv", "m002.avi" })
        MakeFile(QString::fromLatin1(name));
    QDir::setCurrent(dir.path()); // a relative name, as typed in a terminal
    dlg->OpenArguments({ QStringLiteral("m999.avi.qv") });
    EXPECT_EQ(dlg->m_splitMode, 0);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), Path(QStringLiteral("m999.avi.qv")));
    QStringList listed;
    for (int i = 0; i < dlg->m_listBox->GetCount(); ++i)
        listed << dlg->m_listBox->GetText(i);
    const QStringList expected { Path(QStringLiteral("m000.avi.qv")), Path(QStringLiteral("m001.avi.qv")),
        Path(QStringLiteral("m999.avi.qv")), Path(QStringLiteral("m1000.avi.qv")) };
    EXPECT_EQ(listed, expected);

    // Several pieces: those given, each once, and no others of the set.
    dlg = std::make_unique<CVeldaDlg>();
    dlg->OpenArguments({ expected[2], expected[0], expected[2] });
    ASSERT_EQ(dlg->m_listBox->GetCount(), 2);
    EXPECT_EQ(dlg->m_listBox->GetText(0), expected[0]);
    EXPECT_EQ(dlg->m_listBox->GetText(1), expected[2]);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowArgumentsTest, missingFilesShowTheBrowseMessages)
{
    dlg->OpenArguments({ Path(QStringLiteral("gone.bin")) });
    EXPECT_EQ(dlg->m_splitMode, 1);
    EXPECT_EQ(CountMessages(texts::kOpenFileForSizeFailed), 1);
    dlg->OpenArguments({ Path(QStringLiteral("gone000.bin.qv")) });
    EXPECT_TRUE(dlg->m_splitMode == 0 && dlg->m_listBox->GetCount() == 0);
    EXPECT_EQ(CountMessages(texts::kFileMustExist), 1);
}

// ---- Headless split and join -------------------------------------------------------------

TEST_F(WindowArgumentsTest, headlessSplitAndJoinMatchCoreutils)
{
    const QByteArray data = testsupport::PatternBytes(3000000, 7);
    testsupport::WriteFile(Path(QStringLiteral("src.bin")), data);
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    QDir(dir.path()).mkdir(QStringLiteral("ref"));
    Outcome r = Finish(Launch({ QStringLiteral("split"), Path(QStringLiteral("src.bin")), QStringLiteral("--size"),
        QStringLiteral("1"), QStringLiteral("--folder"), Path(QStringLiteral("out")) }));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed(), texts::kCaptionSuccess + QStringLiteral("：") + texts::kSplitDone); // no progress

    const uint32_t granularity = platform::AllocationGranularity();
    const QString pieceBytes = QString::number(1000000 - 1000000 % granularity);
    ASSERT_EQ(QProcess::execute(QStringLiteral("split"),
                  { QStringLiteral("-b"), pieceBytes, Path(QStringLiteral("src.bin")), Path(QStringLiteral("ref/x")) }),
        0);
    const QStringList pieces = QDir(Path(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name);
    const QStringList reference = QDir(Path(QStringLiteral("ref"))).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(pieces,
        (QStringList { QStringLiteral("src000.bin.qv"), QStringLiteral("src001.bin.qv"),
            QStringLiteral("src002.bin.qv"), QStringLiteral("src003.bin.qv") }));
    ASSERT_EQ(reference.size(), pieces.size());
    for (int i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(testsupport::ReadFile(Path(QStringLiteral("out/") + pieces[i])),
            testsupport::ReadFile(Path(QStringLiteral("ref/") + reference[i])));

    // Given out of order, joined in piece order, then deleted.
    QStringList args { QStringLiteral("join"), QStringLiteral("--delete-pieces") };
    for (int i : { 2, 0, 3, 1 })
        args << Path(QStringLiteral("out/") + pieces[i]);
    r = Finish(Launch(args));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(testsupport::ReadFile(Path(QStringLiteral("out/src.bin"))), data);
    EXPECT_EQ(QDir(Path(QStringLiteral("out"))).entryList(QDir::Files), QStringList { QStringLiteral("src.bin") });
}

TEST_F(WindowArgumentsTest, exitStatusesOfFailedJobsAndBadUsage)
{
    const QString source = MakeFile(QStringLiteral("a000.qv"));
    const QString joined = MakeFile(QStringLiteral("a")); // what a000.qv joins into
    Outcome r = Finish(Launch({ QStringLiteral("join"), source, joined }));
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kJoinedIsPiece));
    EXPECT_EQ(testsupport::FileSize(joined), 16);
    r = Finish(
        Launch({ QStringLiteral("split"), source, QStringLiteral("--folder"), Path(QStringLiteral("no/such")) }));
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kCreatePieceFailed));

    for (const QStringList& bad : { QStringList { QStringLiteral("split") },
             { QStringLiteral("split"), source, QStringLiteral("--threads"), QStringLiteral("two") },
             { QStringLiteral("split"), source, QStringLiteral("--buffer-factor"), QStringLiteral("7") },
             { QStringLiteral("join"), QStringLiteral("--bogus"), source }, { QStringLiteral("--bogus") } }) {
        r = Finish(Launch(bad));
        EXPECT_EQ(r.status, 2) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(texts::kCliSeeHelp));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    r = Finish(Launch({ QStringLiteral("--help") }));
    EXPECT_TRUE(
        r.status == 0 && r.out.contains(QStringLiteral("velda split")) && r.out.contains(QStringLiteral("velda join")));
}

TEST_F(WindowArgumentsTest, interruptLeavesOnlyFinishedPieces)
{
    const QString source = MakeFile(QStringLiteral("big.bin"), 4000000000LL);
    const std::unique_ptr<QProcess> process
        = Launch({ QStringLiteral("split"), source, QStringLiteral("--buffer-factor"), QStringLiteral("10") });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(Path(QStringLiteral("big000.bin.qv"))); }, 60000));
    QThread::msleep(50);
    ::kill(pid_t(process->processId()), SIGINT);
    const Outcome r = Finish(process);
    EXPECT_EQ(r.status, 130) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(texts::kCliInterrupted));
    const int64_t pieceSize = 250000000 - 250000000 % platform::AllocationGranularity();
    for (const QString& name : QDir(dir.path()).entryList({ QStringLiteral("*.qv") }, QDir::Files))
        EXPECT_EQ(testsupport::FileSize(Path(name)), pieceSize) << name.toStdString();
}
