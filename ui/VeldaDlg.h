#pragma once

#include "DesktopNotifier.h"
#include "ExListBox.h"
#include "GradientProgressCtrl.h"
#include "Window.h"

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QStringList>

#include <cstdint>

struct PreparedJob;
class QAction;
class QMenuBar;

// The main dialog: built from dialog template 102 with menu 140. Every control is
// reachable by its id; one dispatch table routes the controls' notifications, the menu's
// commands and the copy engine's messages to their handlers.
class CVeldaDlg : public QDialog, public platform::MessageTarget {
    Q_OBJECT
public:
    explicit CVeldaDlg(QWidget* parent = nullptr);
    ~CVeldaDlg() override;

    // Controls and menu items by id.
    QWidget* GetDlgItem(int id) const;
    QString GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const QString& text);
    QAction* GetMenuItem(int id) const;
    void CheckMenuItem(int id, bool checked);
    QMenuBar* GetMenu() const
    {
        return m_menuBar;
    }

    // A job runs while the start button's caption contains "正在".
    bool IsJobRunning() const;

    // platform::MessageTarget
    QObject* Context() override
    {
        return this;
    }
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void ShowMessageBox(const QString& text, const QString& caption) override;
    void SetItemText(int id, const QString& text) override;

    // Handlers of the dispatch table.
    void OnStart();
    void OnBrowse();
    void OnCloseButton();
    void OnDeleteSelected();
    void OnModeChange();
    intptr_t OnCopyProgress(uintptr_t wParam, intptr_t lParam);
    void OnDeleteAfterMergeClicked();
    void OnShowProgress();
    void OnEnlargeBuffer();
    void OnChoosePieceFolder();
    void OnUseMultithreading();
    void OnWriteChecksums();
    void OnOpenHomePage();
    void OnFeatures();
    void OnUsage();
    void OnOpenForum();
    void OnAboutVelda();

    // Takes m_pickedNames (or the path field) into the merge list.
    void AddPickedNamesToList();
    // Measures path, fills the information line and answers whether folder's disk has room.
    // `opened`, when given, tells whether the file could be measured at all (when not, the
    // user has been told so).
    bool UpdateFileInfo(const QString& path, const QString& folder, bool* opened = nullptr);
    // Takes files dropped on the dialog as a pick of the browse command of the current mode.
    void TakeDroppedPaths(const QStringList& paths);
    // Opens the files given on the command line: one file to split, or pieces to merge (with
    // the rest of its set when one piece is given), as a browse in that mode would take them.
    void OpenArguments(const QStringList& paths);

    QStringList m_pickedNames;
    CGradientProgressCtrl* m_progress = nullptr;
    int32_t m_bufferFactor = 10;
    int32_t m_splitMode = 1;
    int32_t m_deleteAfterMerge = 1;
    bool m_writeChecksums = false; // splits write the set's checksum file
    QIcon m_hIcon;
    uint32_t m_startTick = 0;
    uint32_t m_endTick = 0;
    int64_t m_pieceSize = 0;
    CExListBox* m_listBox = nullptr;
    // The job's progress and end as the desktop shows them outside the window.
    CDesktopNotifier m_desktop;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // Ends the dialog; a running job is stopped and waited for first.
    void done(int result) override;

private:
    // The user's ways out (Enter, Esc, the close box, 关闭程序) ask before they stop a job:
    // true when idle or when the user agrees.
    bool ConfirmStop();
    void BuildFromTemplate();
    void BuildMenu();
    void SetUpDispatchTable();
    void OnInitDialog();

    void TakeSplitPick(const QString& path);
    void TakeMergePicks(const QStringList& paths);
    void StartSplit();
    void StartMerge();
    uint32_t ViewSize() const;
    // Shows why a prepared job cannot start, or starts it.
    void StartPrepared(const PreparedJob& job, const QString& idleCaption);
    void OnCopyFailed();
    // Ends the job in multithreaded mode once every started copy has reported its end.
    void CompleteIfAllEnded();
    void CompleteJob();
    void OnJobFlushed();
    // The end of a job: its messages, the caption, its output kept or removed; `error` says
    // why a job whose copies completed failed all the same.
    void EndJob(bool failed, const QString& error);
    // Tells the desktop that the job ended, and how.
    void ReportJobEndToDesktop(bool failed);

    QHash<int, QWidget*> m_controls;
    QHash<int, QAction*> m_menuItems;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client = nullptr;
    bool m_closing = false;
};
