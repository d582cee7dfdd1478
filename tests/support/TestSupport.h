#pragma once
// Helpers shared by the tests: files with known contents, mappings, a window that records what
// the engine sends it, waiting with the event loop running, and the job state put back.

#include "FileMapping.h"
#include "JobState.h"
#include "Window.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace testsupport {

// Deterministic bytes: the same seed and offset always give the same byte.
QByteArray PatternBytes(qint64 size, uint32_t seed = 1, qint64 offset = 0);
void WriteFile(const QString& path, const QByteArray& data);
QByteArray ReadFile(const QString& path);
// A file of `size` bytes that is all holes.
void MakeSparseFile(const QString& path, qint64 size);
void WriteAt(const QString& path, qint64 offset, const QByteArray& data);
QByteArray ReadAt(const QString& path, qint64 offset, qint64 length);
qint64 FileSize(const QString& path);

// A read-only mapping of the whole file, and a new file of `size` bytes mapped read/write;
// the file handles are closed again, as the jobs do.
platform::MappingHandle MapForRead(const QString& path);
platform::MappingHandle CreateForWrite(const QString& path, uint64_t size);
// Descriptors this process has open: a mapping holds one of its own.
int OpenDescriptorCount();

// Runs the event loop until pred is true or timeoutMs has passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 20000);

// A main window for engine tests: records every message and box it gets.
class RecordingWindow : public QObject, public platform::MessageTarget {
public:
    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    QObject* Context() override;
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void ShowMessageBox(const QString& text, const QString& caption) override;
    void SetItemText(int, const QString&) override { }

    int Count(uint32_t message, uintptr_t wParam, intptr_t lParam) const;

    std::vector<Message> messages;
    QStringList boxes; // "caption: text"
    std::function<void(const Message&)> onMessage;
};

// Sets up the job state for a test (granularity, view size, options); puts every
// process-wide value of the job and the disk hook back when it goes.
class EngineStateGuard {
public:
    EngineStateGuard(uint32_t viewSize, bool showProgress, bool multithreading);
    ~EngineStateGuard();
};

} // namespace testsupport
