#include "TerminalWindow.h"

#include "JobState.h"
#include "Texts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// At most four redraws a second: more only costs the copy time.
constexpr int kRedrawMs = 250;

bool s_errFailed = false; // some write to stderr failed

} // namespace

bool WriteErr(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr) == size_t(bytes.size())
        && std::fflush(stderr) == 0;
    s_errFailed = s_errFailed || !ok;
    return ok;
}

bool ErrFailed()
{
    return s_errFailed;
}

QString FailureDetail(const QString& path, int error)
{
    if (path.isEmpty())
        return {};
    // strerror speaks the locale that QCoreApplication set up from the environment.
    return error == 0 ? texts::kCliFailurePath.arg(path)
                      : texts::kCliFailureReason.arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

TerminalWindow::TerminalWindow(bool showProgress)
    : m_showProgress(showProgress)
{
    m_redraw.setInterval(kRedrawMs);
    connect(&m_redraw, &QTimer::timeout, this, &TerminalWindow::DrawProgress);
}

intptr_t TerminalWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_COPYFAILED) {
        g_job.failed = true; // as in the dialog
        // The first failure names its file: the one read or the one written by that copy.
        const size_t index = size_t(wParam);
        if (LastFailure().path.isEmpty() && index < g_pieceRecords.size()) {
            const QString& piece = g_pieceRecords[index].path;
            const QString& read = g_job.merge ? piece : g_job.sourcePath;
            const QString& written = g_job.merge ? g_job.joinedPath : piece;
            NoteFailure((lParam & kFailedReading) != 0 ? read : written, int(lParam & kFailureErrorMask));
        }
    } else if (message == WM_COPYPROGRESS && lParam >= kProgressStep) {
        if (wParam == kViewCopied) {
            viewReports += int(lParam / kProgressStep);
        } else if (wParam == kTaskEnded) {
            ++endReports;
            if (onEndReport)
                onEndReport();
        }
    }
    return 0;
}

void TerminalWindow::ShowMessageBox(const QString& text, const QString& caption)
{
    const FailureNote failure = TakeFailure();
    Print(texts::kCliMessage.arg(caption, text) + FailureDetail(failure.path, failure.error));
}

void TerminalWindow::SetItemText(int, const QString&) { }

void TerminalWindow::StartProgress(uint64_t totalBytes)
{
    m_totalBytes = totalBytes;
    m_clock.start();
    if (m_showProgress)
        m_redraw.start();
}

void TerminalWindow::EndProgress()
{
    m_redraw.stop();
    if (m_lineOpen)
        DrawProgress();
}

void TerminalWindow::Print(const QString& line)
{
    if (m_lineOpen) {
        WriteErr(QStringLiteral("\n"));
        m_lineOpen = false;
    }
    WriteErr(line + QLatin1Char('\n'));
}

void TerminalWindow::DrawProgress()
{
    // Every view report stands for a full view but the last of each piece: close enough for a
    // progress line, and never past the total.
    const uint64_t copied = std::min<uint64_t>(uint64_t(viewReports) * g_viewSize, m_totalBytes);
    const int percent = m_totalBytes == 0 ? 100 : int(copied * 100 / m_totalBytes);
    const double seconds = std::max(double(m_clock.nsecsElapsed()) / 1e9, 1e-3);
    const QString rate = QString::number(double(copied) / 1e6 / seconds, 'f', 1);
    // Padded so that a shorter line covers a longer one.
    WriteErr(QLatin1Char('\r') + texts::kCliProgress.arg(percent).arg(rate).leftJustified(30));
    m_lineOpen = true;
}
