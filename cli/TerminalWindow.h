#pragma once
// The main window as a terminal job sees it: it hears the engine's reports through the same
// blocking hand-off as the dialog, prints every message box to stderr and, on a terminal,
// redraws a progress line.

#include "Window.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Writes text to stderr at once; false when it could not be written. On a terminal the names
// noted below are quoted there, and no other control character reaches it.
bool WriteErr(const QString& text);
// Names that messages may show: those with control characters are quoted on a terminal.
void NoteNames(const QStringList& names);
// Text as it goes to the descriptor: on a terminal with the noted names quoted and no other
// control character but line breaks and tabs; elsewhere as it is.
QString ShownOn(int fd, const QString& text);
// Whether any write to stderr has failed.
bool ErrFailed();

// What follows a failure's message on the command line: the path it concerns and the system's
// reason (errno, in the user's language; none for 0).
QString FailureDetail(const QString& path, int error);

class TerminalWindow : public QObject, public platform::MessageTarget {
public:
    explicit TerminalWindow(bool showProgress);

    QObject* Context() override
    {
        return this;
    }
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void ShowMessageBox(const QString& text, const QString& caption) override;
    void SetItemText(int id, const QString& text) override;

    // Starts the progress line for a job of totalBytes bytes.
    void StartProgress(uint64_t totalBytes);
    // Stops the progress line. A job done puts its summary in the line's place (bytes, time,
    // rate and `pieces`); else the line, while it stands, shows where the job stopped.
    void EndProgress(bool done, int pieces);
    // Writes a line to stderr, after ending a progress line that stands there.
    void Print(const QString& line);

    int viewReports = 0;
    int endReports = 0;
    // Called after every end report, on this object's thread.
    std::function<void()> onEndReport;

private:
    void DrawProgress();

    // Writes `line` over the progress line, covering what is left of a longer one.
    void Overwrite(const QString& line);

    bool m_showProgress;
    bool m_lineOpen = false;
    int m_lineWidth = 0; // terminal columns the progress line takes
    uint64_t m_totalBytes = 0;
    QElapsedTimer m_clock;
    QTimer m_redraw;
};
