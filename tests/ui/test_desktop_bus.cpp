// A job's progress and notices on a private session bus, and jobs unchanged without a bus.

#include "DialogFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Listens as a dock (the launcher-entry signal) and a notification service would.
class Receiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Receiver(QDBusConnection bus)
    {
        EXPECT_TRUE(bus.registerService(u"org.freedesktop.Notifications"_s)
            && bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots)
            && bus.connect(
                {}, {}, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s, this, SLOT(Update(QString, QVariantMap))));
    }

    // One sender's messages arrive in order: once this ping sent after the job's end is here, so is the rest.
    void WaitForEverythingSent()
    {
        QDBusMessage ping = QDBusMessage::createSignal(u"/t"_s, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s);
        QDBusConnection::sessionBus().send(
            ping << CDesktopNotifier::ApplicationUri() << QVariantMap { { u"ping"_s, 1 } });
        ASSERT_TRUE(testsupport::WaitUntil([&] { return !updates.isEmpty() && updates.last().contains(u"ping"_s); }));
        updates.removeLast();
    }

    QList<QVariantMap> updates;
    QStringList notes; // "app|icon|summary|body|desktop-entry"

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
        const QStringList&, const QVariantMap& hints, int)
    {
        notes << QStringList { app, icon, summary, body, hints.value(u"desktop-entry"_s).toString() }.join(u'|');
        return uint(notes.size());
    }
    void Update(const QString& app, const QVariantMap& properties)
    {
        EXPECT_EQ(app, u"application://velda.desktop"_s);
        updates << properties;
    }
};

} // namespace

// Started by the last test on a private session bus of its own.
TEST_F(DialogFixture, DISABLED_onAPrivateBusAJobShowsItsProgressAndALongOneUnseenEndsWithOneNotice)
{
    Receiver receiver(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"receiver"_s));
    QWidget other; // in front of the dialog, or not
    other.show();
    const QString source = MakeFile(u"movie.avi"_s, 20'000'000);
    // Long-job threshold, window in front, job stopped, what the notice says (nothing: none).
    const std::tuple<uint32_t, bool, bool, const texts::Text*> rows[]
        = { { 0, false, false, &texts::kNoticeSplitDone }, { 0, true, false, nullptr },
              { 10000, false, false, nullptr }, { 0, false, true, &texts::kNoticeSplitStopped } };
    for (const auto& [threshold, active, stop, notice] : rows) {
        receiver.updates.clear();
        receiver.notes.clear();
        dlg->m_desktop.SetLongJobMilliseconds(threshold);
        QWidget* front = active ? static_cast<QWidget*>(dlg.get()) : &other;
        front->show();
        front->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(front));
        Browse({ source });
        platform::testing::SetViewObserver([stop = stop](auto, auto, auto, auto) { g_cancelRequested = stop; });
        Start();
        g_cancelRequested = false;
        receiver.WaitForEverythingSent();
        // A bar shown and rising (to the whole, unless stopped), then cleared.
        QList<double> shown;
        for (const QVariantMap& update : receiver.updates)
            shown << (update.value(u"progress-visible"_s).toBool() ? update.value(u"progress"_s).toDouble() : -1);
        EXPECT_TRUE(shown.size() > (stop ? 1 : 3) && shown.first() == 0 && shown.last() == -1
            && (stop || shown[shown.size() - 2] == 1.0)
            && std::adjacent_find(shown.begin(), shown.end() - 1, std::greater_equal<>()) == shown.end() - 1)
            << shown.size();
        const QString note = texts::kTitle.toString() + u"|velda|"_s + (notice ? notice->toString() : QString()) + u'|'
            + source + u"|velda"_s;
        EXPECT_EQ(receiver.notes, notice ? QStringList { note } : QStringList()) << threshold << active;
        EXPECT_EQ(messages.takeFirst(), stop ? texts::kCopyFailed : texts::kSplitDone);
        dlg->hide();
    }
}

TEST_F(DialogFixture, withoutABusAJobEndsAsAlwaysAndAPrivateBusSeesProgressAndNotices)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName(u"unix:path="_s + Path("no-bus")));
    dlg->m_desktop.SetLongJobMilliseconds(0);
    Browse({ MakeFile(u"movie.avi"_s, 2'000'000) });
    Start();
    EXPECT_EQ(messages, QStringList { texts::kSplitDone });
    EXPECT_TRUE(dlg->windowTitle().startsWith(texts::kTitle + texts::kElapsedPrefix));

    const QString runSession = QStandardPaths::findExecutable(u"dbus-run-session"_s);
    ASSERT_FALSE(runSession.isEmpty()) << "dbus-run-session not found (Debian package dbus-daemon)";
    EXPECT_TRUE(testsupport::RunsToSuccess(
        runSession, QStringList { u"--"_s } + testsupport::ThisProgramRunning("DISABLED_onAPrivateBus")));
}

#include "test_desktop_bus.moc"
