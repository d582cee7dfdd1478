#pragma once
// The main dialog in a folder of its own, every picker, box, question and free-space query answered.

#include "Ids.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "Texts.h"
#include "VeldaDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <optional>

// A Chinese character or punctuation mark: what an English text has none of.
inline bool HasChinese(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x2E80; });
}

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ui::testing::SetMessageHook([this](QWidget*, const QString& text, const QString&) { messages << text; });
        ui::testing::SetQuestionHook([this](QWidget*, const QString& text, const QString& caption) {
            questions << caption + QLatin1Char('|') + text;
            return answer;
        });
        ui::testing::SetFileHook([this](const QStringList&, bool) {
            ++fileRequests;
            return fileAnswers.isEmpty() ? QStringList() : fileAnswers.takeFirst();
        });
        ui::testing::SetFolderHook(
            [this](const QString&) { return folderAnswers.isEmpty() ? QUrl() : folderAnswers.takeFirst(); });
        platform::testing::SetDiskFreeHook([this](const QString&, uint64_t* bytes) {
            *bytes = freeBytes.value_or(0);
            return freeBytes.has_value();
        });
        dlg = std::make_unique<CVeldaDlg>();
    }

    void TearDown() override
    {
        answer = true;
        if (dlg->IsJobRunning() && platform::RunningWorkerCount() > 0)
            dlg->reject(); // stops and waits for what a failed test left running
        dlg->SetDlgItemText(ids::kStartButton, texts::kStartSplit);
        dlg.reset();
        ui::testing::SetMessageHook(nullptr);
        ui::testing::SetQuestionHook(nullptr);
        ui::testing::SetFileHook(nullptr);
        ui::testing::SetFolderHook(nullptr);
        platform::testing::SetViewObserver(nullptr);
        platform::testing::FailNextThreadStarts(0);
    }

    QString Path(const char* name) const
    {
        return dir.filePath(QString::fromUtf8(name));
    }
    template <class T> T* Control(int id) const
    {
        return qobject_cast<T*>(dlg->GetDlgItem(id));
    }
    // Marks a job as running, or ended, the way the start command does: through its caption.
    void SimulateRunningJob(const QString& caption)
    {
        dlg->SetDlgItemText(ids::kStartButton, caption);
    }

    QString MakeFile(const QString& name, qint64 size = 16)
    {
        testsupport::MakeSparseFile(dir.filePath(name), size);
        return dir.filePath(name);
    }

    void Browse(const QStringList& answer)
    {
        fileAnswers << answer;
        Control<QPushButton>(ids::kBrowseButton)->click();
    }

    void ChooseMode(const QString& mode)
    {
        auto* combo = Control<QComboBox>(ids::kModeSelector);
        combo->setCurrentIndex(combo->findText(mode));
        Q_EMIT combo->activated(combo->currentIndex());
    }

    // Clicks the start button; with `wait`, until the job has ended and its workers are gone.
    void Start(bool wait = true)
    {
        Control<QPushButton>(ids::kStartButton)->click();
        ASSERT_TRUE(!wait
            || testsupport::WaitUntil([&] { return !dlg->IsJobRunning() && platform::RunningWorkerCount() == 0; }));
    }

    // Delivers a real drag and drop of these URLs; answers whether the dialog took it.
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &drop);
        return drop.isAccepted();
    }

    // Every text of the window is shown whole in both modes, the information line at its longest.
    void ExpectEveryTextWhole()
    {
        dlg->SetDlgItemText(ids::kInfoLine, texts::kInfoSizeWhole.arg(2500) + texts::kInfoFree.arg(52428));
        dlg->show();
        for (int mode = 0; mode < 2; ++mode, ChooseMode(texts::kModeMerge))
            for (QWidget* w : dlg->findChildren<QWidget*>()) {
                if (!w->isVisible())
                    continue;
                if (auto* label = qobject_cast<QLabel*>(w)) {
                    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
                    for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
                        EXPECT_TRUE(HasChinese(word) // Chinese wraps between any two characters
                            || label->fontMetrics().horizontalAdvance(word) <= label->contentsRect().width())
                            << word.toStdString();
                } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w)) { // the mode list's entries
                    EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
                } else if (auto* b = qobject_cast<QPushButton*>(w)) { // its hint has a style's minimum width
                    EXPECT_GE(w->width(), b->fontMetrics().horizontalAdvance(b->text() + QStringLiteral("MM")))
                        << b->text().toStdString();
                }
            }
    }

    QStringList ListEntries() const
    {
        QStringList entries;
        for (int i = 0; i < dlg->m_listBox->GetCount(); ++i)
            entries << dlg->m_listBox->GetText(i);
        return entries;
    }

    testsupport::EngineStateGuard state { 0, true, false }; // made before the dialog, gone after it
    QTemporaryDir dir;
    std::unique_ptr<CVeldaDlg> dlg;
    QStringList messages;
    QStringList questions; // "caption|text"
    bool answer = false; // to every question
    int fileRequests = 0;
    QList<QStringList> fileAnswers;
    QList<QUrl> folderAnswers;
    std::optional<uint64_t> freeBytes = 52'428'800'000ull; // none: the disk cannot be asked
};
