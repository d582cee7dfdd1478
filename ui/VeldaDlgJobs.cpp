// The start command, the split and merge branches, and the end of a job.

#include "VeldaDlg.h"

#include "Ids.h"
#include "JobSetup.h"
#include "MessageBox.h"
#include "Names.h"
#include "Texts.h"

#include <QDir>

namespace {

void ShowError(CVeldaDlg* dialog, const QString& text)
{
    ui::ShowMessage(dialog, text, texts::kCaptionError);
}

// A bare or relative name would name a file in the process's working folder, a place the
// user never chose; an empty field is no name and left to the job's own checks.
bool IsTypedRelativeName(const QString& path)
{
    return !path.isEmpty() && QDir::isRelativePath(path);
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

} // namespace

void CVeldaDlg::OnStart()
{
    if (IsJobRunning())
        return;
    g_sourcePath = GetDlgItemText(ids::kPathField);
    if (GetDlgItemText(ids::kStartButton) == texts::kStartSplit)
        StartSplit();
    else
        StartMerge();
}

void CVeldaDlg::StartSplit()
{
    if (IsTypedRelativeName(g_sourcePath)) {
        ShowError(this, texts::kFileMustExist);
        return;
    }
    if (const QString undecoded = UndecodedNameMessage(g_sourcePath); !undecoded.isEmpty()) {
        ShowError(this, undecoded);
        return;
    }
    // Without a folder chosen in the menu or by a browse the pieces go beside the source; a
    // start itself never decides the folder of later splits.
    const QString folder = g_pieceFolder.isEmpty() ? FolderOf(g_sourcePath) : g_pieceFolder;
    bool opened = false;
    if (!UpdateFileInfo(g_sourcePath, folder, &opened)) {
        // A file that cannot be measured has been reported already; its space means nothing.
        if (opened)
            ShowError(this, texts::kNoSpace);
        return;
    }
    SetDlgItemText(ids::kStartButton, texts::kSplitting);
    m_startTick = platform::TickCount();
    const PreparedJob job = PrepareSplit(SplitRequest { .source = g_sourcePath,
        .folder = folder,
        // The classic control read gives at most 31 characters.
        .pieceSizeText = GetDlgItemText(ids::kSizeField).left(31),
        .viewSize = ViewSize(),
        .threadPerPiece = g_useMultithreading,
        .checksum = m_writeChecksums });
    m_pieceSize = g_job.pieceSize;
    StartPrepared(job, texts::kStartSplit);
}

void CVeldaDlg::StartMerge()
{
    const QString namingPiece = GetDlgItemText(ids::kPathField);
    if (IsTypedRelativeName(namingPiece)) {
        ShowError(this, texts::kFileMustExist);
        return;
    }
    MergeRequest request {
        .pieces = {}, .namingPiece = namingPiece, .viewSize = ViewSize(), .threadPerPiece = g_useMultithreading
    };
    for (int i = 0; i < m_listBox->GetCount(); ++i)
        request.pieces.append(m_listBox->GetText(i));
    const QString joined = JoinedPathOf(request);
    if (JoinReplacesAFile(request)
        && !ui::AskYesNo(this, texts::kReplaceJoined.arg(QDir::toNativeSeparators(joined)), texts::kCaptionHint))
        return;
    // A list that is not the whole set, or one a checksum file beside it does not check, would
    // join into a file that may not be the original: only on the user's word, and then every
    // piece stays.
    if (const QList<MergeFinding> findings = AdmitMergeRequest(request); !findings.isEmpty()) {
        if (!ui::AskYesNo(this, DescribeFinding(findings.first()) + texts::kJoinAnyway, texts::kCaptionHint))
            return;
        request.keepPieces = true;
    }
    SetDlgItemText(ids::kStartButton, texts::kMerging);
    m_startTick = platform::TickCount();
    StartPrepared(PrepareMerge(request), texts::kStartMerge);
}

uint32_t CVeldaDlg::ViewSize() const
{
    return uint32_t(m_bufferFactor) * g_allocationGranularity;
}

void CVeldaDlg::StartPrepared(const PreparedJob& job, const QString& idleCaption)
{
    if (!job.ok()) {
        ui::ShowMessage(this, job.error, job.caption);
        SetDlgItemText(ids::kStartButton, idleCaption);
        return;
    }
    m_progress->SetRange(0, int(uint32_t(job.views)));
    m_desktop.JobStarted();
    const QString error = DispatchJob();
    if (!error.isEmpty()) {
        ReportJobEndToDesktop(true);
        ShowError(this, error);
        SetDlgItemText(ids::kStartButton, idleCaption);
        return;
    }
    // With a thread per piece every task has been handed over by now.
    if (g_useMultithreading)
        CompleteIfAllEnded();
}

intptr_t CVeldaDlg::OnCopyProgress(uintptr_t wParam, intptr_t lParam)
{
    if (lParam == kProgressStep) {
        m_progress->StepIt();
        m_desktop.JobProgress(m_progress->m_nPosition, m_progress->m_nRangeUpper);
    }
    if (wParam != kTaskEnded)
        return 0;
    // An end report with no job running belongs to nothing; it must not end the next job.
    if (!IsJobRunning() || g_job.flushing)
        return 0;
    ++g_finishedCount;
    if (g_useMultithreading)
        CompleteIfAllEnded();
    else
        CompleteJob();
    return 0;
}

void CVeldaDlg::OnCopyFailed()
{
    // The copy's unfinished piece goes with the job's end.
    g_job.failed = true;
}

void CVeldaDlg::CompleteIfAllEnded()
{
    if (IsJobRunning() && AllTasksEnded(g_finishedCount))
        CompleteJob();
}

void CVeldaDlg::CompleteJob()
{
    g_finishedCount = 0;
    const bool failed = g_job.failed || g_cancelRequested;
    if (failed) {
        EndJob(true, {});
        return;
    }
    // A merge's joined file must be on the disk before any piece may go; that takes a while
    // for a large file, so a worker writes it while the window goes on, caption and all.
    if (BeginSealJobOutput())
        return;
    EndJob(false, SealJobOutput());
}

void CVeldaDlg::OnJobFlushed()
{
    g_job.flushing = false;
    EndJob(false, g_job.sealError);
}

void CVeldaDlg::EndJob(bool failed, const QString& error)
{
    // Before the job's boxes, which wait for a user who may be elsewhere.
    ReportJobEndToDesktop(failed || !error.isEmpty());
    const bool merge = !m_splitMode;
    if (!failed && !error.isEmpty()) {
        failed = true;
        if (!m_closing)
            ShowError(this, error);
        g_job.errorShown = true;
    }
    if (!failed) {
        m_endTick = platform::TickCount();
        setWindowTitle(texts::kTitle + texts::kElapsedPrefix + ElapsedText(m_endTick - m_startTick));
        QString done = merge ? texts::kMergeDone : texts::kSplitDone;
        done += JobNotes();
        if (!m_closing)
            ui::ShowMessage(this, done, texts::kCaptionSuccess);
    } else if (!g_job.errorShown && !m_closing) {
        ShowError(this, texts::kCopyFailed);
    }
    SetDlgItemText(ids::kStartButton, merge ? texts::kStartMerge : texts::kStartSplit);
    // Only the pieces this job joined, as they were listed when it started.
    if (!failed && merge && m_deleteAfterMerge)
        DeleteJoinedPieces();
    CloseJob(failed);
    if (!failed && merge)
        m_listBox->ResetContent();
}
