#include "TestSupport.h"

#include "FileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace testsupport {

QByteArray PatternBytes(qint64 size, uint32_t seed, qint64 offset)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        uint64_t x = uint64_t(offset + i) * 0x9E3779B97F4A7C15ull + seed;
        x ^= x >> 29;
        data[i] = char(x * 0xBF58476D1CE4E5B9ull >> 56);
    }
    return data;
}

void WriteFile(const QString& path, const QByteArray& data)
{
    MakeSparseFile(path, 0);
    WriteAt(path, 0, data);
}

QByteArray ReadFile(const QString& path)
{
    return ReadAt(path, 0, FileSize(path));
}

void MakeSparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size)) << path.toStdString();
}

void WriteAt(const QString& path, qint64 offset, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(offset));
    ASSERT_EQ(file.write(data), data.size());
}

QByteArray ReadAt(const QString& path, qint64 offset, qint64 length)
{
    QFile file(path);
    if (length < 0 || !file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return QByteArray();
    return file.read(length);
}

qint64 FileSize(const QString& path)
{
    return QFile(path).exists() ? QFile(path).size() : -1;
}

platform::MappingHandle MapForRead(const QString& path)
{
    const auto file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    const platform::MappingHandle mapping = platform::CreateFileMapping(file, platform::MappingAccess::ReadOnly, 0);
    platform::CloseFile(file);
    return mapping;
}

platform::MappingHandle CreateForWrite(const QString& path, uint64_t size)
{
    const auto file = platform::CreateFileAlways(path, platform::AccessHint::Sequential);
    const platform::MappingHandle mapping = platform::CreateFileMapping(file, platform::MappingAccess::ReadWrite, size);
    platform::CloseFile(file);
    EXPECT_NE(mapping, nullptr) << path.toStdString();
    return mapping;
}

int OpenDescriptorCount()
{
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return pred();
}

QObject* RecordingWindow::Context()
{
    return this;
}

intptr_t RecordingWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    messages.push_back({ message, wParam, lParam });
    if (onMessage)
        onMessage(messages.back());
    return 0;
}

void RecordingWindow::ShowMessageBox(const QString& text, const QString& caption)
{
    boxes.append(caption + QStringLiteral(": ") + text);
}

int RecordingWindow::Count(uint32_t message, uintptr_t wParam, intptr_t lParam) const
{
    return int(std::count_if(messages.begin(), messages.end(),
        [&](const Message& m) { return m.message == message && m.wParam == wParam && m.lParam == lParam; }));
}

EngineStateGuard::EngineStateGuard(uint32_t viewSize, bool showProgress, bool multithreading)
{
    g_allocationGranularity = platform::AllocationGranularity();
    g_viewSize = viewSize;
    g_showProgress = showProgress;
    g_useMultithreading = multithreading;
    ResetJob();
}

EngineStateGuard::~EngineStateGuard()
{
    g_showProgress = true;
    g_useMultithreading = false;
    g_mainWindow = nullptr;
    g_fileSize = 0;
    g_sourcePath.clear();
    g_pieceFolder.clear();
    platform::testing::SetDiskFreeHook(nullptr);
    ResetJob();
}

} // namespace testsupport
