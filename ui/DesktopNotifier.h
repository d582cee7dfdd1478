#pragma once
// What the desktop shows of a job outside the window, through the session bus: the progress on
// the program's taskbar or dock entry (the launcher-entry signal that task managers and docks
// read) and a notification when a long job ends while the window is not in front. Without a
// session bus, or without a notification service, it does nothing: nothing is ever waited for.

#include <QString>

#include <cstdint>
#include <optional>

class QDBusConnection;

class CDesktopNotifier {
public:
    enum class Outcome { Done, Failed, Stopped };

    // A job started: its entry shows a bar from 0.
    void JobStarted();
    // `position` of `range` steps are copied; sent only when the whole percentage grows.
    void JobProgress(int position, int range);
    // The job ended after `elapsedMs`; `file` is what it split or the file it joined. The entry's
    // bar goes; a long job also posts a notification, unless the window is active.
    void JobEnded(bool merge, Outcome outcome, const QString& file, uint32_t elapsedMs, bool windowActive);

    // A job that runs longer than this is "long": the user has most likely turned to other work.
    void SetLongJobMilliseconds(uint32_t milliseconds)
    {
        m_longJobMs = milliseconds;
    }

    // "application://velda.desktop": the entry the desktop knows the window by.
    static QString ApplicationUri();

private:
    // The session bus, or none: asked once, so that a desktop without one costs one attempt.
    std::optional<QDBusConnection> Bus();
    void SendProgress(double progress, bool visible);

    int m_percent = -1;
    uint32_t m_longJobMs = 10000;
    std::optional<bool> m_busReachable;
};
