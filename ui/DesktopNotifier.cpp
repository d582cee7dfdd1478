#include "DesktopNotifier.h"

#include "Texts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QGuiApplication>
#include <QVariantMap>

#include <algorithm>

namespace {

QString DesktopFileName()
{
    const QString name = QGuiApplication::desktopFileName();
    return name.isEmpty() ? QStringLiteral("velda") : name;
}

QString Summary(bool merge, CDesktopNotifier::Outcome outcome)
{
    using Outcome = CDesktopNotifier::Outcome;
    switch (outcome) {
    case Outcome::Done:
        return merge ? texts::kNoticeMergeDone : texts::kNoticeSplitDone;
    case Outcome::Failed:
        return merge ? texts::kNoticeMergeFailed : texts::kNoticeSplitFailed;
    case Outcome::Stopped:
        break;
    }
    return merge ? texts::kNoticeMergeStopped : texts::kNoticeSplitStopped;
}

} // namespace

QString CDesktopNotifier::ApplicationUri()
{
    return QStringLiteral("application://") + DesktopFileName() + QStringLiteral(".desktop");
}

std::optional<QDBusConnection> CDesktopNotifier::Bus()
{
    if (m_busReachable == false)
        return std::nullopt;
    // No session bus named anywhere (a server, a test run): never asked, so that nothing starts
    // one (autolaunch) or Qt's bus thread.
    if (!m_busReachable && qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && !QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"))) {
        m_busReachable = false;
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_busReachable = bus.isConnected();
    if (!*m_busReachable)
        return std::nullopt;
    return bus;
}

void CDesktopNotifier::SendProgress(double progress, bool visible)
{
    const std::optional<QDBusConnection> bus = Bus();
    if (!bus)
        return;
    // Docks match the signal by its interface and the entry it names; the path is ours.
    QDBusMessage update = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/velda"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << ApplicationUri()
           << QVariantMap { { QStringLiteral("progress"), progress }, { QStringLiteral("progress-visible"), visible } };
    bus->send(update);
}

void CDesktopNotifier::JobStarted()
{
    m_percent = 0;
    SendProgress(0.0, true);
}

void CDesktopNotifier::JobProgress(int position, int range)
{
    if (m_percent < 0 || range <= 0)
        return;
    // Thousands of views a second would flood the bus; a dock draws whole percentages at best.
    const int percent = int(std::clamp(int64_t(position) * 100 / range, int64_t(0), int64_t(100)));
    if (percent <= m_percent)
        return;
    m_percent = percent;
    SendProgress(percent / 100.0, true);
}

void CDesktopNotifier::JobEnded(bool merge, Outcome outcome, const QString& file, uint32_t elapsedMs, bool windowActive)
{
    if (m_percent < 0)
        return;
    m_percent = -1;
    SendProgress(0.0, false);
    if (windowActive || elapsedMs <= m_longJobMs)
        return;
    const std::optional<QDBusConnection> bus = Bus();
    if (!bus)
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    // The body may be read as markup: a file name is text.
    notify << texts::kTitle.toString() << uint(0) << DesktopFileName() << Summary(merge, outcome)
           << file.toHtmlEscaped() << QStringList()
           << QVariantMap { { QStringLiteral("desktop-entry"), DesktopFileName() } } << int(-1);
    // Sent, not called: the answer (or the lack of a notification service) is never waited for.
    bus->send(notify);
}
