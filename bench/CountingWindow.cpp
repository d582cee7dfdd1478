#include "CountingWindow.h"

#include "JobState.h"

intptr_t CountingWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_COPYFAILED) {
        ++failedCopies;
    } else if (message == WM_COPYPROGRESS && lParam >= kProgressStep) {
        if (wParam == kTaskEnded) {
            ++endReports;
            if (onEndReport)
                onEndReport();
        } else if (wParam == kViewCopied) {
            viewReports += int(lParam / kProgressStep);
        }
    }
    return 0;
}

void CountingWindow::ShowMessageBox(const QString& text, const QString& caption)
{
    boxes.append(caption + QStringLiteral(": ") + text);
}

void CountingWindow::SetItemText(int, const QString&) { }

void CountingWindow::Reset()
{
    viewReports = 0;
    endReports = 0;
    failedCopies = 0;
    boxes.clear();
    onEndReport = nullptr;
}
