// The start command, the split and merge branches, and the end of a job.

#include "VeldaDlg.h"

#include "Ids.h"
#include "JobState.h"
#include "MergeJob.h"
#include "MessageBox.h"
#include "Names.h"
#include "SplitJob.h"
#include "Texts.h"
#include "Thread.h"

#include <QDir>

namespace {

void ShowError(CVeldaDlg* dialog, const QString& text)
{
    ui::ShowMessage(dialog, text, texts::kCaptionError);
}

// Views needed for `bytes`, as the range of the progress bar.
int ViewCount(uint64_t bytes)
{
    return int(uint32_t((bytes + g_viewSize - 1) / g_viewSize));
}

// Releases what a merge that failed before its copies started had opened.
void ReleaseMergeRecords()
{
    for (PieceRecord& record : g_pieceRecords) {
        platform::CloseMapping(record.mapping);
        record.mapping = nullptr;
    }
}

QString ElapsedText(uint32_t milliseconds)
{
    const uint32_t s = milliseconds / 1000;
    const uint32_t h = s / 3600;
    const uint32_t r = s - 3600 * h;
    const QLatin1Char zero('0');
    // Hours keep all their digits past 99.
    return QStringLiteral("%1:%2:%3").arg(h, 2, 10, zero).arg(r / 60, 2, 10, zero).arg(r % 60, 2, 10, zero);
}

}  // namespace

float ReadComboNumber(CVeldaDlg* window, int id, bool* ok)
{
    bool parsed = false;
    // The classic control read gives at most 31 characters.
    const float value = ParseLeadingNumber(window->GetDlgItemText(id).left(31), &parsed);
    if (ok)
        *ok = parsed;
    return value;
}

void CVeldaDlg::OnStart()
{
    if (IsJobRunning())
        return;
    g_viewSize = uint32_t(m_bufferFactor) * g_allocationGranularity;
    g_fileSize = 0;
    ResetJob();
    const QString caption = GetDlgItemText(ids::kStartButton);
    g_sourcePath = GetDlgItemText(ids::kPathField);
    if (caption == texts::kStartSplit)
        StartSplit();
    else
        StartMerge();
}

void CVeldaDlg::StartSplit()
{
    // Without a chosen folder the pieces go beside the source, as a browse would have set.
    QString folder = g_pieceFolder;
    if (folder.isEmpty()) {
        folder = FolderOf(g_sourcePath);
        if (folder.isEmpty())
            folder = QDir::currentPath();
        g_pieceFolder = folder;
    }
    if (!UpdateFileInfo(g_sourcePath, folder)) {
        ShowError(this, texts::kNoSpace);
        return;
    }
    SetDlgItemText(ids::kStartButton, texts::kSplitting);
    auto abandon = [this](const QString& message) {
        ShowError(this, message);
        SetDlgItemText(ids::kStartButton, texts::kStartSplit);
    };
    if (!FileExists(g_sourcePath)) {
        abandon(texts::kFileMustExist);
        return;
    }
    m_startTick = platform::TickCount();
    const platform::FileHandle source = platform::OpenFileForRead(g_sourcePath, platform::AccessHint::Random);
    if (source == platform::kInvalidFile) {
        abandon(texts::kOpenSourceFailed);
        return;
    }
    bool numberOk = false;
    const float megabytes = ReadComboNumber(this, ids::kSizeField, &numberOk);
    if (!numberOk || !PieceSizeFromMegabytes(megabytes, g_allocationGranularity, &m_pieceSize)) {
        platform::CloseFile(source);
        abandon(texts::kBadPieceSize);
        return;
    }
    platform::GetFileSize64(source, &g_fileSize);
    if (g_fileSize > 0) {
        g_sharedMapping = platform::CreateFileMapping(source, platform::MappingAccess::ReadOnly, 0);
        if (!g_sharedMapping) {
            platform::CloseFile(source);
            abandon(texts::kMapSourceFailed);
            return;
        }
    }
    platform::CloseFile(source);
    m_progress->SetRange(0, ViewCount(uint64_t(g_fileSize)));
    g_job.sourcePath = g_sourcePath;
    g_job.pieceFolder = folder;

    if (!g_useMultithreading) {
        if (!platform::BeginThread(SplitJobEntry, &m_pieceSize)) {
            platform::CloseMapping(g_sharedMapping);
            g_sharedMapping = nullptr;
            abandon(texts::kThreadFailed);
        }
        return;
    }
    SplitJobEntry(&m_pieceSize);
    g_job.dispatchDone = true;
    CompleteIfAllEnded();
}

void CVeldaDlg::StartMerge()
{
    SetDlgItemText(ids::kStartButton, texts::kMerging);
    auto abandon = [this](const QString& message, const QString& caption) {
        ui::ShowMessage(this, message, caption);
        ReleaseMergeRecords();
        SetDlgItemText(ids::kStartButton, texts::kStartMerge);
    };
    if (m_listBox->GetCount() < 1) {
        abandon(texts::kListEmpty, texts::kCaptionError);
        return;
    }
    m_startTick = platform::TickCount();
    // The joined file is named after the piece in the path field; with the field emptied
    // (by a change of mode) the first listed piece names it, never a bare relative name.
    QString namingPiece = GetDlgItemText(ids::kPathField);
    if (namingPiece.isEmpty())
        namingPiece = m_listBox->GetText(0);
    const QString joined = MakeJoinedName(namingPiece);

    uint64_t total = 0;
    const int count = m_listBox->GetCount();
    for (int i = 0; i < count; ++i) {
        const QString piece = m_listBox->GetText(i);
        const platform::FileHandle file = platform::OpenFileForRead(piece, platform::AccessHint::Sequential);
        if (file == platform::kInvalidFile) {
            abandon(texts::kOpenPieceFailed, texts::kCaptionError);
            return;
        }
        platform::GetFileSize64(file, &g_fileSize);
        total += uint64_t(g_fileSize);
        const platform::MappingHandle mapping =
            platform::CreateFileMapping(file, platform::MappingAccess::ReadOnly, 0);
        platform::CloseFile(file);
        if (!mapping) {
            abandon(texts::kMapMergePieceFailed, piece);
            return;
        }
        g_pieceRecords.push_back(PieceRecord{0, uint64_t(g_fileSize), mapping, piece, false});
    }
    // Creating the joined file empties it: it must not be one of the pieces.
    for (const PieceRecord& record : g_pieceRecords) {
        if (record.path == joined || platform::SameFile(record.path, joined)) {
            abandon(texts::kJoinedIsPiece, texts::kCaptionError);
            return;
        }
    }
    const platform::FileHandle output = platform::CreateFileAlways(joined, platform::AccessHint::Random);
    if (output == platform::kInvalidFile) {
        abandon(texts::kCreateJoinedFailed, texts::kCaptionError);
        return;
    }
    m_progress->SetRange(0, ViewCount(total));
    g_sharedMapping = platform::CreateFileMapping(output, platform::MappingAccess::ReadWrite, total);
    platform::CloseFile(output);
    if (!g_sharedMapping) {
        // Most often a disk that cannot hold the joined file: nothing has been copied yet.
        platform::RemoveFile(joined);
        abandon(texts::kMapMergePieceFailed, texts::kCaptionError);
        return;
    }
    g_job.joinedPath = joined;

    if (!g_useMultithreading) {
        if (!platform::BeginThread(RunMerge, nullptr)) {
            platform::CloseMapping(g_sharedMapping);
            g_sharedMapping = nullptr;
            platform::RemoveFile(joined);
            abandon(texts::kThreadFailed, texts::kCaptionError);
        }
        return;
    }
    RunMerge(nullptr);
    g_job.dispatchDone = true;
    CompleteIfAllEnded();
}

intptr_t CVeldaDlg::OnCopyProgress(uintptr_t wParam, intptr_t lParam)
{
    if (lParam == 1)
        m_progress->StepIt();
    if (wParam != 1)
        return 0;
    // An end report with no job running belongs to nothing; it must not end the next job.
    if (!IsJobRunning())
        return 0;
    ++g_finishedCount;
    if (g_useMultithreading)
        CompleteIfAllEnded();
    else
        CompleteJob();
    return 0;
}

void CVeldaDlg::OnCopyFailed(int index)
{
    if (index >= 0 && size_t(index) < g_pieceRecords.size())
        g_pieceRecords[size_t(index)].failed = true;
    g_job.failed = true;
}

void CVeldaDlg::CompleteIfAllEnded()
{
    if (IsJobRunning() && g_job.dispatchDone && g_finishedCount >= g_job.tasksStarted)
        CompleteJob();
}

void CVeldaDlg::CompleteJob()
{
    g_finishedCount = 0;
    const bool merge = !m_splitMode;
    bool failed = g_job.failed || g_cancelRequested;
    // The joined file must be on stable storage before any piece may go.
    if (!failed && merge && g_sharedMapping && !platform::FlushMapping(g_sharedMapping)) {
        failed = true;
        if (!m_closing)
            ShowError(this, texts::kFlushFailed);
        g_job.errorShown = true;
    }
    if (!failed) {
        m_endTick = platform::TickCount();
        setWindowTitle(texts::kTitle + texts::kElapsedPrefix + ElapsedText(m_endTick - m_startTick));
        if (!m_closing)
            ui::ShowMessage(this, m_splitMode ? texts::kSplitDone : texts::kMergeDone, texts::kCaptionSuccess);
    } else if (!g_job.errorShown && !m_closing) {
        ShowError(this, texts::kCopyFailed);
    }
    SetDlgItemText(ids::kStartButton, m_splitMode ? texts::kStartSplit : texts::kStartMerge);
    platform::CloseMapping(g_sharedMapping);
    g_sharedMapping = nullptr;
    if (failed) {
        RemoveUnfinishedOutputs();
        return;
    }
    if (merge) {
        // Only the pieces this job joined, as they were listed when it started.
        if (m_deleteAfterMerge) {
            for (const PieceRecord& record : g_pieceRecords)
                platform::RemoveFile(record.path);
        }
        m_listBox->ResetContent();
    }
}

void CVeldaDlg::RemoveUnfinishedOutputs()
{
    if (m_splitMode) {
        for (const PieceRecord& record : g_pieceRecords) {
            if (record.failed)
                platform::RemoveFile(record.path);
        }
    } else if (!g_job.joinedPath.isEmpty()) {
        platform::RemoveFile(g_job.joinedPath);
    }
}
