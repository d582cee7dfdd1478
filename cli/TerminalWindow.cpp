#include "TerminalWindow.h"

#include "JobState.h"
#include "Texts.h"
#include "Units.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// At most four redraws a second: more only costs the copy time.
constexpr int kRedrawMs = 250;

bool s_errFailed = false; // some write to stderr failed
QStringList s_names; // names with control characters that messages may show

// Columns a text takes on a terminal: East Asian letters and signs take two.
int Columns(const QString& text)
{
    int columns = 0;
    for (const QChar c : text)
        columns += c.unicode() >= 0x2E80 ? 2 : 1;
    return columns;
}

} // namespace

void NoteNames(const QStringList& names)
{
    for (const QString& name : names) {
        if (cli::HasControlCharacters(name) && !s_names.contains(name))
            s_names.append(name);
    }
}

namespace {

bool WriteBytes(const QByteArray& bytes)
{
    const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr) == size_t(bytes.size())
        && std::fflush(stderr) == 0;
    s_errFailed = s_errFailed || !ok;
    return ok;
}

} // namespace

QString ShownOn(int fd, const QString& text)
{
    return isatty(fd) != 0 ? cli::ForTerminal(text, s_names) : text;
}

bool WriteErr(const QString& text)
{
    return WriteBytes(ShownOn(STDERR_FILENO, text).toLocal8Bit());
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
    if (m_showProgress) {
        DrawProgress();
        m_redraw.start();
    }
}

void TerminalWindow::EndProgress(bool done, int pieces)
{
    m_redraw.stop();
    if (!m_showProgress)
        return;
    if (!done) {
        if (m_lineOpen) // where the job stopped, unless a message has ended the line already
            DrawProgress();
        return;
    }
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const QString time = seconds < 60 ? texts::kCliSeconds.arg(seconds, 0, 'f', 1) : cli::FormatClock(int64_t(seconds));
    const QString rate = cli::FormatBytes(uint64_t(double(m_totalBytes) / std::max(seconds, 1e-3)));
    const QString total = cli::FormatBytes(m_totalBytes);
    Overwrite(pieces == 1 ? texts::kCliSummaryOnePiece.arg(total, time, rate)
                          : texts::kCliSummary.arg(total, time, rate).arg(pieces));
    WriteErr(QStringLiteral("\n"));
    m_lineOpen = false;
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
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const double rate = copied == 0 ? 0 : double(copied) / std::max(seconds, 1e-3);
    const QString left
        = rate > 0 ? cli::FormatClock(int64_t(double(m_totalBytes - copied) / rate + 0.5)) : QStringLiteral("--:--");
    Overwrite(texts::kCliProgressLine.arg(cli::FormatBytes(copied), cli::FormatBytes(m_totalBytes))
                  .arg(percent)
                  .arg(cli::FormatBytes(uint64_t(rate)), cli::FormatClock(int64_t(seconds)), left));
    m_lineOpen = true;
}

void TerminalWindow::Overwrite(const QString& line)
{
    const int columns = Columns(line);
    // The carriage return is the line's own, so it goes past the quoting of control characters.
    WriteBytes('\r' + (line + QString(std::max(0, m_lineWidth - columns), QLatin1Char(' '))).toLocal8Bit());
    m_lineWidth = columns;
}
