// What the desktop sees of a job through the session bus: the dock entry's progress and the
// notification of a long job that ended unseen, received on a private bus by a listener of the
// test's own; and that without a bus a job is what it always was.

#include "DialogFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Listens as a dock (the launcher-entry signal) and a notification service would.
class Receiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Receiver(QDBusConnection bus)
        : m_bus(bus)
    {
        EXPECT_TRUE(m_bus.registerService(u"org.freedesktop.Notifications"_s));
        EXPECT_TRUE(m_bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots));
        // Qt's bus API names its receiving slots by their signatures.
        EXPECT_TRUE(m_bus.connect(
            {}, {}, u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s, this, SLOT(Update(QString, QVariantMap))));
        EXPECT_TRUE(m_bus.connect({}, {}, u"org.example.VeldaTest"_s, u"Ping"_s, this, SLOT(Ping())));
    }

    // Messages of one sender arrive in order: once the ping sent after a job's end is here, so
    // is everything the job's end sent.
    void WaitForEverythingSent()
    {
        pinged = false;
        QDBusConnection::sessionBus().send(
            QDBusMessage::createSignal(u"/test"_s, u"org.example.VeldaTest"_s, u"Ping"_s));
        ASSERT_TRUE(testsupport::WaitUntil([&] { return pinged; }));
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
    void Ping()
    {
        pinged = true;
    }

private:
    QDBusConnection m_bus;
    bool pinged = false;
};

// Runs the disabled test `name` of this program in a child, under `wrapper` when given; the
// child may print nothing of the bus.
void RunChild(const QString& name, const QStringList& wrapper, const QProcessEnvironment& env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    const QStringList command = wrapper
        + QStringList { QCoreApplication::applicationFilePath(), u"--gtest_also_run_disabled_tests"_s,
              u"--gtest_filter=*"_s + name + u'*' };
    child.start(command.first(), command.mid(1));
    EXPECT_TRUE(child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        << name.toStdString();
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    EXPECT_FALSE(err.contains(u"QDBus"_s)) << err.toStdString();
}

} // namespace

// Started by the last test on a private session bus of its own.
TEST_F(DialogFixture, DISABLED_onAPrivateBusAJobShowsItsProgressAndALongOneUnseenEndsWithOneNotice)
{
    Receiver receiver(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"receiver"_s));
    QWidget other; // in front of the dialog, or not
    other.show();
    const QString source = MakeFile(u"movie.avi"_s, 20'000'000);
    // Long-job threshold, window in front, notices expected.
    const std::tuple<uint32_t, bool, int> rows[] = { { 0, false, 1 }, { 0, true, 0 }, { 10000, false, 0 } };
    for (const auto& [threshold, active, expected] : rows) {
        receiver.updates.clear();
        receiver.notes.clear();
        dlg->m_desktop.SetLongJobMilliseconds(threshold);
        QWidget* front = active ? static_cast<QWidget*>(dlg.get()) : &other;
        front->show();
        front->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(front));
        Browse({ source });
        Start();
        receiver.WaitForEverythingSent();
        ASSERT_GE(receiver.updates.size(), 3);
        double last = -1;
        for (qsizetype i = 0; i + 1 < receiver.updates.size(); ++i) { // a rising bar, shown
            const double progress = receiver.updates[i].value(u"progress"_s).toDouble();
            EXPECT_TRUE(progress > last && progress <= 1.0 && receiver.updates[i].value(u"progress-visible"_s).toBool())
                << progress;
            last = progress;
        }
        EXPECT_EQ(last, 1.0);
        EXPECT_FALSE(receiver.updates.last().value(u"progress-visible"_s).toBool()); // and cleared at the end
        const QString note
            = texts::kTitle.toString() + u"|velda|"_s + texts::kNoticeSplitDone + u'|' + source + u"|velda"_s;
        EXPECT_EQ(receiver.notes, QStringList(expected, note)) << threshold << active;
        EXPECT_EQ(messages.takeFirst(), texts::kSplitDone);
        dlg->hide();
    }
    // A stopped join: the joined file is named, and how it ended.
    dlg->m_desktop.SetLongJobMilliseconds(0);
    ChooseMode(texts::kModeMerge);
    answer = true; // to replace the source, which the stopped join leaves as it was
    Browse({ Path("movie000.avi.qv") });
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { g_cancelRequested = true; });
    Start();
    platform::testing::SetViewObserver(nullptr);
    g_cancelRequested = false;
    receiver.WaitForEverythingSent();
    EXPECT_EQ(receiver.notes,
        QStringList { texts::kTitle.toString() + u"|velda|"_s + texts::kNoticeMergeStopped + u'|' + Path("movie.avi")
            + u"|velda"_s });
}

// Started by the last test with no bus to reach.
TEST_F(DialogFixture, DISABLED_withoutABusAJobEndsAsAlways)
{
    dlg->m_desktop.SetLongJobMilliseconds(0);
    Browse({ MakeFile(u"movie.avi"_s, 2'000'000) });
    Start();
    EXPECT_EQ(messages, QStringList { texts::kSplitDone });
    EXPECT_TRUE(dlg->windowTitle().startsWith(texts::kTitle + texts::kElapsedPrefix));
}

TEST(DesktopBus, aPrivateBusSeesProgressAndNoticesAndNoBusChangesNothing)
{
    const QString runSession = QStandardPaths::findExecutable(u"dbus-run-session"_s);
    ASSERT_FALSE(runSession.isEmpty()) << "dbus-run-session not found (Debian package dbus-daemon)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"LANGUAGE"_s, u"LC_ALL"_s, u"LC_MESSAGES"_s })
        env.remove(name);
    env.insert(u"LANG"_s, u"C.UTF-8"_s);
    RunChild(u"onAPrivateBus"_s, { runSession, u"--"_s }, env);
    QTemporaryDir dir;
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + dir.filePath(u"no-bus"_s));
    RunChild(u"withoutABus"_s, {}, env);
}

#include "test_desktop_bus.moc"
