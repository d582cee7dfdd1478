// The command line: files given to the window; headless split and join in a child process, no display.

#include "DialogFixture.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

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
    process->start(QCoreApplication::applicationDirPath() + u"/velda"_s, args);
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

TEST_F(DialogFixture, aFileOpensSplitModeAsBrowseDoesAPieceItsWholeSetAndSeveralPiecesThemselvesOnce)
{
    for (const char* name : { "m001.avi.qv", "m1000.avi.qv", "m000.avi.qv", "m999.avi.qv", "m000.mkv.qv",
             "mm000.avi.qv", "m.avi.qv", "m002.avi" })
        MakeFile(QString::fromLatin1(name));
    const QString source = MakeFile(u"movie.avi"_s, 3000000);
    dlg->OpenArguments({ source });
    EXPECT_TRUE(dlg->m_splitMode == 1 && dlg->GetDlgItemText(ids::kPathField) == source && g_sourcePath == source);
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kInfoLine).startsWith(texts::kInfoSizeWhole.arg(3)));
    EXPECT_TRUE(messages.empty());
    dlg->OpenArguments({ Path("gone.bin") }); // missing: what a browse says
    EXPECT_EQ(dlg->m_splitMode, 1);
    EXPECT_EQ(messages, QStringList { texts::kOpenFileForSizeFailed });
    QDir::setCurrent(dir.path()); // a relative name, as typed in a terminal
    dlg->OpenArguments({ u"m999.avi.qv"_s });
    EXPECT_EQ(dlg->m_splitMode, 0);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), Path("m999.avi.qv"));
    const QStringList set { Path("m000.avi.qv"), Path("m001.avi.qv"), Path("m999.avi.qv"), Path("m1000.avi.qv") };
    EXPECT_EQ(ListEntries(), set);
    dlg = std::make_unique<CVeldaDlg>();
    dlg->OpenArguments({ set[2], set[0], set[2] });
    EXPECT_EQ(ListEntries(), (QStringList { set[0], set[2] }));
    dlg = std::make_unique<CVeldaDlg>();
    dlg->OpenArguments({ Path("gone000.bin.qv") });
    EXPECT_TRUE(dlg->m_splitMode == 0 && dlg->m_listBox->GetCount() == 0);
    EXPECT_EQ(messages, (QStringList { texts::kOpenFileForSizeFailed, texts::kFileMustExist }));
}

TEST_F(DialogFixture, headlessSplitAndJoinMatchCoreutils)
{
    const QByteArray data = testsupport::PatternBytes(3000000, 7);
    testsupport::WriteFile(Path("src.bin"), data);
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"out"_s) && QDir(dir.path()).mkdir(u"ref"_s));
    Outcome r = Finish(Launch({ u"split"_s, Path("src.bin"), u"--size"_s, u"1"_s, u"--folder"_s, Path("out") }));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed(), texts::kCaptionSuccess + u"："_s + texts::kSplitDone); // no progress
    const QString pieceBytes = QString::number(1000000 - 1000000 % platform::AllocationGranularity());
    ASSERT_EQ(QProcess::execute(u"split"_s, { u"-b"_s, pieceBytes, Path("src.bin"), Path("ref/x") }), 0);
    const QStringList pieces = QDir(Path("out")).entryList(QDir::Files, QDir::Name);
    const QStringList reference = QDir(Path("ref")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(pieces, (QStringList { u"src000.bin.qv"_s, u"src001.bin.qv"_s, u"src002.bin.qv"_s, u"src003.bin.qv"_s }));
    ASSERT_EQ(reference.size(), pieces.size());
    for (int i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(testsupport::ReadFile(Path("out/") + pieces[i]), testsupport::ReadFile(Path("ref/") + reference[i]));
    // Given out of order, joined in piece order, then deleted.
    r = Finish(Launch({ u"join"_s, u"--delete-pieces"_s, Path("out/") + pieces[2], Path("out/") + pieces[0],
        Path("out/") + pieces[3], Path("out/") + pieces[1] }));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(testsupport::ReadFile(Path("out/src.bin")), data);
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files), QStringList { u"src.bin"_s });
}

TEST_F(DialogFixture, exitStatusesOfFailedJobsAndBadUsage)
{
    const QString source = MakeFile(u"a000.qv"_s), joined = MakeFile(u"a"_s); // what a000.qv joins into
    Outcome r = Finish(Launch({ u"join"_s, source, joined }));
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kJoinedIsPiece));
    EXPECT_EQ(testsupport::FileSize(joined), 16);
    r = Finish(Launch({ u"join"_s, source })); // a file of the user's where the joined one would go
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kCliJoinedExists.arg(joined)));
    EXPECT_EQ(testsupport::FileSize(joined), 16);
    r = Finish(Launch({ u"split"_s, source, u"--folder"_s, Path("no/such") }));
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kCreatePieceFailed));
    for (const QStringList& bad : { QStringList { u"split"_s }, { u"split"_s, source, u"--threads"_s, u"two"_s },
             { u"split"_s, source, u"--buffer-factor"_s, u"7"_s }, { u"join"_s, u"--bogus"_s, source },
             { u"--bogus"_s } }) {
        r = Finish(Launch(bad));
        EXPECT_TRUE(r.status == 2 && r.err.contains(texts::kCliSeeHelp)) << bad.join(u' ').toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    r = Finish(Launch({ u"--help"_s }));
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split"_s) && r.out.contains(u"velda join"_s));
}

TEST_F(DialogFixture, interruptLeavesOnlyFinishedPieces)
{
    const QString source = MakeFile(u"big.bin"_s, 4000000000LL);
    const std::unique_ptr<QProcess> process = Launch({ u"split"_s, source, u"--buffer-factor"_s, u"10"_s });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(Path("big000.bin.qv")); }, 60000));
    QThread::msleep(50);
    ::kill(pid_t(process->processId()), SIGINT);
    const Outcome r = Finish(process);
    EXPECT_TRUE(r.status == 130 && r.err.contains(texts::kCliInterrupted)) << r.status << r.err.toStdString();
    const int64_t pieceSize = 250000000 - 250000000 % platform::AllocationGranularity();
    for (const QString& name : QDir(dir.path()).entryList({ u"*.qv"_s }, QDir::Files))
        EXPECT_EQ(testsupport::FileSize(Path(name)), pieceSize) << name.toStdString();
}
