// The command line: files given to the window; headless split and join in a child process, no display.

#include "DialogFixture.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <cstring>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int status = -1;
    QString err, out;
};

// Runs build/bin/velda with no display in reach, as on a server; its stdout or stderr may go
// to a file instead (/dev/full).
std::unique_ptr<QProcess> Launch(const QStringList& args, const QString& out = {}, const QString& err = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE" })
        env.remove(QString::fromLatin1(name));
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    if (!out.isEmpty())
        process->setStandardOutputFile(out);
    if (!err.isEmpty())
        process->setStandardErrorFile(err);
    process->start(QCoreApplication::applicationDirPath() + u"/velda"_s, args);
    return process;
}

Outcome Finish(const std::unique_ptr<QProcess>& process)
{
    // Crashed (an abort inside Qt, say): the test shows what it printed first.
    EXPECT_TRUE(process->waitForFinished(120000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << process->readAllStandardError().toStdString();
    return { process->exitCode(), QString::fromUtf8(process->readAllStandardError()),
        QString::fromUtf8(process->readAllStandardOutput()) };
}

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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
    for (const QStringList& bad : { QStringList { u"split"_s }, { u"split"_s, source, u"--threads"_s, u"two"_s },
             { u"split"_s, source, u"--buffer-factor"_s, u"7"_s }, { u"join"_s, u"--bogus"_s, source },
             { u"--bogus"_s }, { u"split"_s, source, u"--size"_s, u""_s }, { u"split"_s, source, u"--size=0"_s },
             { u"split"_s, source, u"--size"_s, u"abc"_s }, { u"splt"_s, source }, { u"help"_s } }) {
        r = Finish(Launch(bad)); // and no window: there is no display to open one on
        EXPECT_TRUE(r.status == 2 && r.err.contains(texts::kCliSeeHelp)) << bad.join(u' ').toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    r = Finish(Launch({ u"--help"_s }));
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split"_s) && r.out.contains(u"velda join"_s));
    // What could not be written is no success: the help, the version, a job's result line.
    for (const QStringList& args : { QStringList { u"--help"_s }, { u"--version"_s }, { u"join"_s, u"--help"_s } })
        EXPECT_EQ(Finish(Launch(args, u"/dev/full"_s)).status, 1) << args.join(u' ').toStdString();
    EXPECT_EQ(Finish(Launch({ u"split"_s, source }, {}, u"/dev/full"_s)).status, 1);
    EXPECT_EQ(testsupport::FileSize(Path("a000000.qv.qv")), 16); // the job itself was done
}

TEST_F(DialogFixture, failuresNameTheFileAndTheSystemsReasonAndNoDisplayIsOneLine)
{
    const QString empty = MakeFile(u"e000.qv"_s, 0);
    const QString cases[][3] = {
        { u"split"_s, dir.path(), texts::kOpenSourceFailed + u"（"_s + dir.path() + u"："_s + Reason(EISDIR) },
        { u"split"_s, Path("gone"), texts::kFileMustExist + u"（"_s + Path("gone") + u"："_s + Reason(ENOENT) },
        { u"join"_s, empty, texts::kMapMergePieceFailed + u"（"_s + empty + u"："_s + Reason(EINVAL) },
        { u"join"_s, Path("gone000.qv"), u"（"_s + Path("gone000.qv") + u"："_s + Reason(ENOENT) },
    };
    for (const auto& [command, path, expected] : cases) {
        const Outcome r = Finish(Launch({ command, path }));
        EXPECT_TRUE(r.status == 1 && r.err.contains(expected)) << r.err.toStdString();
    }
    const QString source = MakeFile(u"s.bin"_s, 100);
    Outcome r = Finish(Launch({ u"split"_s, source, u"--folder"_s, Path("no/such") }));
    EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kCreatePieceFailed + u"（"_s + Path("no/such/s000.bin.qv")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(Reason(ENOENT)));
    // The window without a display: one line that says so, status 1, no abort.
    for (const QStringList& args : { QStringList {}, QStringList { source } }) {
        r = Finish(Launch(args));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.startsWith(texts::kCaptionError) && r.err.count(u'\n') == 1) << r.err.toStdString();
    }
}

TEST_F(DialogFixture, interruptOrAClosedTerminalLeavesOnlyFinishedPieces)
{
    const QString source = MakeFile(u"big.bin"_s, 4000000000LL);
    const int64_t pieceSize = 250000000 - 250000000 % platform::AllocationGranularity();
    for (const auto& [signal, status] : { std::pair { SIGINT, 130 }, { SIGHUP, 129 } }) {
        const std::unique_ptr<QProcess> process = Launch({ u"split"_s, source, u"--buffer-factor"_s, u"10"_s });
        ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(Path("big000.bin.qv")); }, 60000));
        QThread::msleep(50);
        ::kill(pid_t(process->processId()), signal);
        const Outcome r = Finish(process);
        EXPECT_TRUE(r.status == status && r.err.contains(texts::kCliInterrupted)) << r.status << r.err.toStdString();
        EXPECT_TRUE(QDir(dir.path()).entryList({ u"*.part"_s }, QDir::Files).isEmpty());
        for (const QString& name : QDir(dir.path()).entryList({ u"*.qv"_s }, QDir::Files)) {
            EXPECT_EQ(testsupport::FileSize(Path(name)), pieceSize) << name.toStdString();
            QFile::remove(Path(name));
        }
    }
}
