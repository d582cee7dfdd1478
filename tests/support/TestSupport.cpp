#include "TestSupport.h"

#include "FileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

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
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(data), data.size());
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void MakeSparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(file.resize(size));
}

void WriteAt(const QString& path, qint64 offset, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(file.write(data), data.size());
}

QByteArray ReadAt(const QString& path, qint64 offset, qint64 length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return QByteArray();
    return file.read(length);
}

qint64 FileSize(const QString& path)
{
    return QFile(path).exists() ? QFile(path).size() : -1;
}

platform::UniqueMapping MapForRead(const QString& path)
{
    const platform::UniqueFile file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    EXPECT_TRUE(file);
    platform::UniqueMapping mapping = platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadOnly, 0);
    EXPECT_TRUE(mapping);
    return mapping;
}

platform::UniqueMapping CreateForWrite(const QString& path, uint64_t size)
{
    const platform::UniqueFile file = platform::CreateFileAlways(path, platform::AccessHint::Sequential);
    EXPECT_TRUE(file);
    platform::UniqueMapping mapping = platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadWrite, size);
    EXPECT_TRUE(mapping);
    return mapping;
}

int OpenDescriptorCount()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return true;
}

RecordingWindow::RecordingWindow() = default;
RecordingWindow::~RecordingWindow() = default;

intptr_t RecordingWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    messages.push_back({message, wParam, lParam});
    if (onMessage)
        onMessage(messages.back());
    return 0;
}

void RecordingWindow::ShowMessageBox(const QString& text, const QString& caption)
{
    boxes.append(caption + QStringLiteral(": ") + text);
}

void RecordingWindow::SetItemText(int, const QString&)
{
}

int RecordingWindow::Count(uint32_t message, uintptr_t wParam, intptr_t lParam) const
{
    int n = 0;
    for (const Message& m : messages)
        n += m.message == message && m.wParam == wParam && m.lParam == lParam;
    return n;
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
    ResetJob();
}

}  // namespace testsupport
