// Shows the main dialog in the states the README pictures (split mode, merge mode with a
// filled list, a split in progress) and saves a picture of the window for each, named after
// the state, the language and the scale: split.png, split-en.png, split@2x.png, split-en@2x.png.
// Run under Xvfb:  LANGUAGE=en QT_SCALE_FACTOR=2 screenshot_tour <output folder>

#include "FileMapping.h"
#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Texts.h"
#include "Translations.h"
#include "VeldaApp.h"
#include "VeldaDlg.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

namespace {

void Wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Shoot(CVeldaDlg& dlg, const QString& folder, const QString& state)
{
    Wait(600);
    const bool english = resources::CurrentLanguage() == resources::Language::English;
    const bool doubled = dlg.devicePixelRatioF() >= 2;
    // The window as drawn, at the screen's pixels: a picture that does not depend on a window manager.
    dlg.grab().save(folder + QLatin1Char('/') + state + (english ? QStringLiteral("-en") : QString())
        + (doubled ? QStringLiteral("@2x") : QString()) + QStringLiteral(".png"));
}

void ChooseMode(CVeldaDlg& dlg, const QString& mode)
{
    auto* combo = static_cast<QComboBox*>(dlg.GetDlgItem(ids::kModeSelector));
    combo->setCurrentIndex(combo->findText(mode));
    Q_EMIT combo->activated(combo->currentIndex());
}

void MakeFile(const QString& path, qint64 size)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, 'v');
    for (qint64 written = 0; written < size; written += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), size - written));
}

} // namespace

int main(int argc, char** argv)
{
    CVeldaApp app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir work;
    const QString data = work.filePath(QStringLiteral("数据"));
    QDir().mkpath(data);
    const QString source = data + QStringLiteral("/vacation-2026.mkv");
    MakeFile(source, 300000000);

    CVeldaDlg dlg;
    dlg.show();
    ui::testing::SetMessageHook([](QWidget*, const QString&, const QString&) {});

    // Split mode with a file chosen.
    ui::testing::SetFileHook([&](const QStringList&, bool) { return QStringList { source }; });
    static_cast<QPushButton*>(dlg.GetDlgItem(ids::kBrowseButton))->click();
    dlg.SetDlgItemText(ids::kSizeField, QStringLiteral("100"));
    Shoot(dlg, out, QStringLiteral("split"));

    // A split in progress, slowed down so the bar can be seen.
    platform::testing::SetViewObserver([](auto, auto, auto, auto) { QThread::msleep(8); });
    static_cast<QPushButton*>(dlg.GetDlgItem(ids::kStartButton))->click();
    QElapsedTimer timer;
    timer.start();
    while (dlg.m_progress->m_nPosition * 100 < dlg.m_progress->m_nRangeUpper * 45 && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    Shoot(dlg, out, QStringLiteral("progress"));
    platform::testing::SetViewObserver(nullptr);
    while (dlg.IsJobRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    // Merge mode with its list filled by the pieces just made.
    ChooseMode(dlg, texts::kModeMerge);
    QStringList pieces;
    for (const QString& name : QDir(data).entryList({ QStringLiteral("*.qv") }, QDir::Files))
        pieces << data + QLatin1Char('/') + name;
    ui::testing::SetFileHook([&](const QStringList&, bool) { return pieces; });
    static_cast<QPushButton*>(dlg.GetDlgItem(ids::kBrowseButton))->click();
    Shoot(dlg, out, QStringLiteral("merge"));

    ui::testing::SetFileHook(nullptr);
    ui::testing::SetMessageHook(nullptr);
    return 0;
}
