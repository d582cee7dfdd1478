#pragma once
// Helpers shared by the tests: files, mappings, a recording window, waits, child runs, job state.

#include "Copier.h"
#include "FileSystem.h"
#include "JobSetup.h"
#include "Thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

// Deterministic bytes: the same seed and offset always give the same byte.
inline QByteArray PatternBytes(qint64 size, uint32_t seed = 1, qint64 offset = 0)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        uint64_t x = uint64_t(offset + i) * 0x9E3779B97F4A7C15ull + seed;
        data[i] = char((x ^ x >> 29) * 0xBF58476D1CE4E5B9ull >> 56);
    }
    return data;
}

inline void MakeSparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size)) << path.toStdString();
}

inline void WriteAt(const QString& path, qint64 offset, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(offset) && file.write(data) == data.size());
}

inline void WriteFile(const QString& path, const QByteArray& data)
{
    MakeSparseFile(path, 0);
    WriteAt(path, 0, data);
}

inline QByteArray ReadAt(const QString& path, qint64 offset, qint64 length)
{
    QFile file(path);
    return length >= 0 && file.open(QIODevice::ReadOnly) && file.seek(offset) ? file.read(length) : QByteArray();
}

inline qint64 FileSize(const QString& path)
{
    return QFile::exists(path) ? QFile(path).size() : -1;
}

inline QByteArray ReadFile(const QString& path)
{
    return ReadAt(path, 0, FileSize(path));
}

inline platform::UniqueMapping MapForRead(const QString& path)
{
    const platform::UniqueFile file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    return platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadOnly, 0);
}

inline platform::UniqueMapping CreateForWrite(const QString& path, uint64_t size)
{
    const platform::UniqueFile file = platform::CreateFileAlways(path, platform::AccessHint::Sequential);
    platform::UniqueMapping mapping = platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadWrite, size);
    EXPECT_TRUE(mapping) << path.toStdString();
    return mapping;
}

// Descriptors open on `path` alone: UBSan may briefly hold a pipe of its own on any thread.
inline int DescriptorsOpenOn(const QString& path)
{
    const std::string file = std::filesystem::weakly_canonical(path.toStdString()).string();
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone; // a descriptor closed since the folder was read
        const std::string target = std::filesystem::read_symlink(entry.path(), gone).string();
        count += target == file || target == file + " (deleted)";
    }
    return count;
}

inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return pred();
}

// A task copying [start, end) of the source to `at`; it owns its destination (split) or its source (merge).
inline std::unique_ptr<CopyTask> Task(platform::UniqueMapping owned, platform::MappingHandle shared,
    bool ownsDestination, uint64_t start, uint64_t end, uint64_t at = 0, int32_t index = 0)
{
    const platform::MappingHandle mine = owned.get();
    return std::make_unique<CopyTask>(CopyTask { .sourceMapping = ownsDestination ? shared : mine,
        .destMapping = ownsDestination ? mine : shared,
        .sourceStart = start,
        .sourceEnd = end,
        .destOffset = at,
        .ownsDestination = ownsDestination,
        .index = index,
        .owned = std::move(owned) });
}

// Runs `program` to its end, its output forwarded; true when it ended with status 0.
inline bool RunsToSuccess(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(), int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// This test program with the arguments that run its tests named like `test`, disabled ones too.
inline QStringList ThisProgramRunning(const char* test)
{
    return { QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_also_run_disabled_tests"),
        QStringLiteral("--gtest_filter=*%1*").arg(QLatin1String(test)) };
}

// A main window for engine tests: records every message it gets.
class RecordingWindow : public QObject, public platform::MessageTarget {
public:
    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    QObject* Context() override
    {
        return this;
    }
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        messages.push_back({ message, wParam, lParam });
        if (onMessage)
            onMessage(messages.back());
        return 0;
    }
    void ShowMessageBox(const QString& text, const QString&) override
    {
        boxes.append(text);
    }
    void SetItemText(int, const QString&) override { }

    int Count(uint32_t message, uintptr_t wParam, intptr_t lParam) const
    {
        return int(std::count_if(messages.begin(), messages.end(),
            [&](const Message& m) { return m.message == message && m.wParam == wParam && m.lParam == lParam; }));
    }

    std::vector<Message> messages;
    QStringList boxes; // the text of every message box asked for
    std::function<void(const Message&)> onMessage;
};

// Sets up the job state for a test and puts every global and hook back; jobs copy, never clone.
class EngineStateGuard {
public:
    EngineStateGuard(uint32_t viewSize, bool showProgress, bool multithreading)
    {
        platform::testing::SetCloneGate([](uint64_t, uint64_t) { return false; });
        g_allocationGranularity = platform::AllocationGranularity();
        g_viewSize = viewSize;
        g_showProgress = showProgress;
        g_useMultithreading = multithreading;
        ResetJob();
    }
    ~EngineStateGuard()
    {
        g_showProgress = true;
        g_useMultithreading = false;
        g_mainWindow = nullptr;
        g_fileSize = 0;
        g_sourcePath.clear();
        g_pieceFolder.clear();
        platform::testing::SetDiskFreeHook(nullptr);
        platform::testing::SetCloneGate(nullptr);
        ResetJob();
    }
};

// Runs a prepared job to its end as every client does: empty, or why it was refused or failed.
inline QString RunJobToEnd(RecordingWindow& window, const PreparedJob& job)
{
    window.boxes.clear();
    window.messages.clear();
    g_mainWindow = &window;
    if (const QString error = job.ok() ? DispatchJob() : job.error; !error.isEmpty())
        return error;
    EXPECT_TRUE(WaitUntil([&] {
        return AllTasksEnded(window.Count(WM_COPYPROGRESS, kTaskEnded, kProgressStep))
            && platform::RunningWorkerCount() == 0;
    }));
    const bool copyFailed = std::any_of(window.messages.begin(), window.messages.end(),
        [](const RecordingWindow::Message& m) { return m.message == WM_COPYFAILED; });
    const QString error = !window.boxes.isEmpty() ? window.boxes.join(u'\n')
        : copyFailed || g_job.failed              ? QStringLiteral("a copy failed")
                                                  : SealJobOutput();
    CloseJob(!error.isEmpty());
    return error;
}

// Engine jobs in a folder of the test's own, reporting to a recording window.
class JobFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        g_mainWindow = &window;
    }
    QString Path(const char* name) const
    {
        return dir.filePath(QString::fromUtf8(name));
    }
    PreparedJob Split(const QString& source, const char* sizeText, const QString& folder = {}, bool checksum = false)
    {
        return PrepareSplit({ source, folder.isEmpty() ? dir.path() : folder, QString::fromLatin1(sizeText),
            g_allocationGranularity, false, checksum });
    }
    PreparedJob Merge(const QStringList& pieces, bool threadPerPiece = false)
    {
        return PrepareMerge({ pieces, {}, g_allocationGranularity, threadPerPiece });
    }
    QStringList FilesIn(const char* pattern) const
    {
        return QDir(dir.path()).entryList({ QString::fromLatin1(pattern) }, QDir::Files, QDir::Name);
    }

    EngineStateGuard state { platform::AllocationGranularity(), true, false };
    QTemporaryDir dir;
    RecordingWindow window;
};

} // namespace testsupport
