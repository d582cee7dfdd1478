#pragma once
// Setting up, starting and ending a job: what every client of the engine (the dialog, the
// benchmark) does between reading its inputs and waiting for the job's reports.

#include "Admission.h"
#include "JobState.h"
#include "Names.h"

#include <QString>
#include <QStringList>

struct SplitRequest {
    QString source;
    QString folder; // where the pieces go
    QString pieceSizeText; // megabytes of 1,000,000 bytes, as typed
    uint32_t viewSize = 0;
    bool threadPerPiece = false;
    bool checksum = false; // also write the set's checksum file
    // Each piece goes to the disk before it takes its name; off only for measurements.
    bool flush = true;
};

struct MergeRequest {
    QStringList pieces; // in the order they join
    QString namingPiece; // the piece that names the joined file; empty: the first one
    uint32_t viewSize = 0;
    bool threadPerPiece = false;
    // Joined although the admission found something (the user's word): no piece is deleted
    // afterwards. Without it, PrepareMerge refuses a list with findings.
    bool keepPieces = false;
    // The joined file is written to the disk as the copy goes, for the flush at its end; off
    // only for measurements that leave the flush out (SealJobOutput(false)).
    bool flush = true;
    QString output = {}; // the joined file's path, where the pieces' names do not decide it
};

// A name that the system gave in bytes that are not UTF-8 reaches the program with U+FFFD in
// their place, and so names nothing: the message that says so, or empty for any other name.
QString UndecodedNameMessage(const QString& path);

// The file a merge writes: its output, else named after its naming piece (or its first piece
// without one) beside it.
QString JoinedPathOf(const MergeRequest& request);
// The file the pieces' names join into beside them, wherever the output goes: the name their
// checksum file goes by.
QString NamedJoinedPathOf(const MergeRequest& request);
// The set of a piece as its folder holds it now, in piece order, as absolute paths; empty when
// the name is no piece name.
QStringList PieceSetOf(const QString& piece);
// What the merge's pieces lack to be one whole set: AdmitMerge over their sizes, the first
// piece's folder and the checksum file beside them, as they are now.
QList<MergeFinding> AdmitMergeRequest(const MergeRequest& request);
// Whether a merge would replace a file that sits at its joined path now: one that is neither a
// folder nor one of its pieces (the merge refuses those itself). A client asks, or refuses.
bool JoinReplacesAFile(const MergeRequest& request);

// A prepared job, or why it could not be prepared: the text and caption of its message.
struct PreparedJob {
    QString error;
    QString caption;
    uint64_t views = 0; // views the job will copy, for the progress bar
    uint64_t bytes = 0; // bytes the job will copy
    bool ok() const
    {
        return error.isEmpty();
    }
};

// What a split of fileSize bytes of source into folder meets there: sizes in M of 1,000,000
// bytes, whether the pieces will share the source's blocks (one file system that can: they
// then take no room for their data), and whether the pieces fit (an unknown free space does
// not block: the pieces' reservation catches a disk that is too small).
struct SplitSpace {
    float sizeM = 0;
    bool freeKnown = false;
    uint64_t freeM = 0;
    bool sharesBlocks = false;
    bool fits = true;
};
SplitSpace MeasureSplitSpace(int64_t fileSize, const QString& folder, platform::FileHandle source);

// Start a new job: the view size and threading mode set, the records emptied, the source
// (or every piece, and the joined file at its final size) opened and mapped, and every
// check made that can refuse the job before a byte is copied. Nothing is left open or
// created when they refuse.
PreparedJob PrepareSplit(const SplitRequest& request);
PreparedJob PrepareMerge(const MergeRequest& request);

// Starts the prepared job: on one worker thread, or with a thread per piece, dispatched from
// this thread before it returns. Empty, or the message when the worker could not be started
// (the job has then released what it opened and removed what it created).
QString DispatchJob();

// Whether a job whose client has heard `endReports` end reports has ended: with one worker,
// its one report; with a thread per piece, one per task it started, once all are started.
bool AllTasksEnded(int endReports);

// The end of a job whose copies all completed, on any thread: a split's source must be what it
// was when the job started; a merge's joined file goes to the disk and takes its name, before
// anything may happen to the pieces; with a checksum file, a split writes it and a merge's
// joined file must match it before it takes its name. Empty, or why the job failed after all. Without `flush`
// the joined file takes its name without waiting for the disk: for measurements only.
QString SealJobOutput(bool flush = true);
// The same for a merge, or a split that writes a checksum file, on a worker thread, so that the window stays responsive
// meanwhile: the worker leaves its answer in g_job.sealError and sends WM_JOBFLUSHED. False, with nothing sent, when
// there is nothing to write or no thread could be started.
bool BeginSealJobOutput();
// Releases the job's mappings and locks. A failed job's unfinished output is removed; the
// pieces of a split whose source changed, all of them.
void CloseJob(bool failed);
// Runs the caller's event loop until the job's worker threads are gone, and joins them: each
// ends right after its last report, which this thread's window may have to take first.
void WaitForJobWorkers();
// Deletes the pieces a completed merge joined, as they were listed when it started, each only
// while its name still names the file that was joined; none of a set joined although not whole.
void DeleteJoinedPieces();
// After a split: files in the pieces' folder that carry the set's name with a higher number
// than the split made, left by an earlier split; in piece order.
QStringList StalePieces();
// What the user should hear after a successful job, appended to its message: after a split,
// stale pieces and a checksum file of an earlier split that these pieces no longer fit; after
// a merge of a set that was not whole, that its pieces were kept. Empty when nothing.
QString JobNotes();
