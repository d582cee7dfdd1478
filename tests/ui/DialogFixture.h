#pragma once
// A main dialog for one test, with every picker and message box answered by the test, its
// own temporary folder, and the process-wide job state put back afterwards.

#include "FileSystem.h"
#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "Texts.h"
#include "VeldaDlg.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

struct ShownMessage {
    QWidget* owner;
    QString text;
    QString caption;
};

struct FileRequest {
    QStringList filters;
    bool multiple;
};

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ui::testing::SetMessageHook([this](QWidget* owner, const QString& text, const QString& caption) {
            messages.push_back({owner, text, caption});
        });
        ui::testing::SetFileHook([this](const QStringList& filters, bool multiple) {
            fileRequests.push_back({filters, multiple});
            if (fileAnswers.empty())
                return QStringList();
            const QStringList answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        });
        ui::testing::SetFolderHook([this](const QString& title) {
            folderTitles << title;
            if (folderAnswers.empty())
                return QUrl();
            const QUrl answer = folderAnswers.front();
            folderAnswers.pop_front();
            return answer;
        });
        dlg = std::make_unique<CVeldaDlg>();
    }

    void TearDown() override
    {
        // A job simulated through the caption: no real job to wait for when the dialog goes.
        if (dlg && dlg->IsJobRunning())
            dlg->SetDlgItemText(ids::kStartButton, texts::kStartSplit);
        dlg.reset();
        ui::testing::SetMessageHook(nullptr);
        ui::testing::SetFileHook(nullptr);
        ui::testing::SetFolderHook(nullptr);
        platform::testing::SetDiskFreeHook(nullptr);
        g_pieceFolder.clear();
        g_sourcePath.clear();
        g_showProgress = true;
        g_useMultithreading = false;
        g_fileSize = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(window->isVisible()) << window->metaObject()->className();
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // A file of `size` bytes in the test's folder; large ones are sparse.
    QString MakeFile(const QString& name, qint64 size = 16)
    {
        const QString path = Path(name);
        if (size > (1 << 20))
            testsupport::MakeSparseFile(path, size);
        else
            testsupport::WriteFile(path, testsupport::PatternBytes(size));
        return path;
    }

    template <class T> T* Control(int id) const
    {
        T* control = qobject_cast<T*>(dlg->GetDlgItem(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }

    // Marks a job as running the way the start command does: through the start button.
    void SimulateRunningJob(const QString& caption) { dlg->SetDlgItemText(ids::kStartButton, caption); }

    // Every message box shown with this text.
    int CountMessages(const QString& text) const
    {
        int n = 0;
        for (const ShownMessage& m : messages)
            n += m.text == text;
        return n;
    }

    QTemporaryDir dir;
    std::unique_ptr<CVeldaDlg> dlg;
    std::vector<ShownMessage> messages;
    std::vector<FileRequest> fileRequests;
    std::deque<QStringList> fileAnswers;
    QStringList folderTitles;
    std::deque<QUrl> folderAnswers;
};
