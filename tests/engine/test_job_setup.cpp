// Whole jobs through the engine's own set-up, as every client runs them: what they leave on
// disk when things go wrong around them.

#include "JobSetup.h"
#include "Names.h"
#include "TestSupport.h"
#include "Thread.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class EngineJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        g_mainWindow = &window;
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Dispatches the prepared job and ends it as a client does; true when it succeeded.
    bool RunToEnd(const PreparedJob& job)
    {
        EXPECT_EQ(job.error, QString());
        if (!job.ok() || !DispatchJob().isEmpty())
            return false;
        EXPECT_TRUE(WaitUntil([&] {
            const int ends = window.Count(WM_COPYPROGRESS, kTaskEnded, kProgressStep);
            const bool ended = g_useMultithreading ? g_job.dispatchDone && ends >= g_job.tasksStarted : ends >= 1;
            return ended && platform::RunningWorkerCount() == 0;
        }));
        bool copyFailed = false;
        for (const RecordingWindow::Message& m : window.messages)
            copyFailed = copyFailed || m.message == WM_COPYFAILED;
        const bool ok = !copyFailed && !g_job.failed && window.boxes.isEmpty() && SealJobOutput().isEmpty();
        CloseJob(!ok);
        window.messages.clear();
        return ok;
    }

    PreparedJob Split(const QString& source, const char* sizeText, bool threadPerPiece = false)
    {
        return PrepareSplit(SplitRequest{.source = source,
                                         .folder = dir.path(),
                                         .pieceSizeText = QString::fromLatin1(sizeText),
                                         .viewSize = platform::AllocationGranularity(),
                                         .threadPerPiece = threadPerPiece});
    }

    PreparedJob Merge(const QStringList& pieces, bool threadPerPiece = false)
    {
        return PrepareMerge(MergeRequest{.pieces = pieces,
                                         .namingPiece = {},
                                         .viewSize = platform::AllocationGranularity(),
                                         .threadPerPiece = threadPerPiece});
    }

    QStringList PiecesOf(const QString& source) const
    {
        QStringList pieces;
        for (int i = 0; FileExists(MakePieceName(source, dir.path(), i)); ++i)
            pieces << MakePieceName(source, dir.path(), i);
        return pieces;
    }

    EngineStateGuard state{platform::AllocationGranularity(), true, false};
    QTemporaryDir dir;
    RecordingWindow window;
};

// Run by the test below in a child process whose soft limit of descriptors is 64.
TEST_F(EngineJob, childSplitsAndJoinsHundredsOfPiecesWithFewDescriptors)
{
    if (qEnvironmentVariableIsEmpty("VELDA_FEW_DESCRIPTORS"))
        GTEST_SKIP() << "run by manyPiecesNeedNoDescriptorEach";
    const QString source = Path("many.bin");
    const QByteArray data = PatternBytes(300 * 65536 + 1234, 3);
    WriteFile(source, data);
    ASSERT_TRUE(RunToEnd(Split(source, "0.07")));  // pieces of 65,536 bytes
    const QStringList pieces = PiecesOf(source);
    ASSERT_EQ(pieces.size(), 301);
    ASSERT_TRUE(QFile::rename(source, Path("original.bin")));
    for (const bool threadPerPiece : {false, true}) {
        ASSERT_TRUE(RunToEnd(Merge(pieces, threadPerPiece))) << threadPerPiece;
        EXPECT_EQ(ReadFile(source), data);
    }
}

TEST_F(EngineJob, manyPiecesNeedNoDescriptorEach)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELDA_FEW_DESCRIPTORS"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral("prlimit"),
                {QStringLiteral("--nofile=64:"), QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=*childSplitsAndJoinsHundredsOfPiecesWithFewDescriptors")});
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}

}  // namespace
