#pragma once
// The main window as the benchmark sees it: a receiver on the event loop's thread that the
// engine's reports reach through the same blocking send as the dialog's, and that only
// counts them.

#include "Window.h"

#include <QObject>
#include <QStringList>

#include <functional>

class CountingWindow : public QObject, public platform::MessageTarget {
public:
    QObject* Context() override
    {
        return this;
    }
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void ShowMessageBox(const QString& text, const QString& caption) override;
    void SetItemText(int id, const QString& text) override;

    void Reset();

    int viewReports = 0; // views that WM_COPYPROGRESS kViewCopied reported
    int endReports = 0; // WM_COPYPROGRESS kTaskEnded
    int failedCopies = 0; // WM_COPYFAILED
    QStringList boxes; // "caption: text" of every message box the job asked for
    // Called after every end report, on this object's thread.
    std::function<void()> onEndReport;
};
