#include "JobSetup.h"

#include "Checksums.h"
#include "MergeJob.h"
#include "Names.h"
#include "SplitJob.h"
#include "Texts.h"
#include "Thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>

namespace {

void BeginJob(uint32_t viewSize, bool threadPerPiece)
{
    static const bool raised = (platform::RaiseOpenFileLimit(), true);
    Q_UNUSED(raised);
    g_viewSize = viewSize;
    g_useMultithreading = threadPerPiece;
    g_fileSize = 0;
    ResetJob();
}

// The names of the files in a folder as it holds them now, hidden ones included: where a
// piece's set is looked for.
QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
}

uint64_t ViewCount(uint64_t bytes)
{
    return (bytes + g_viewSize - 1) / g_viewSize;
}

// What the admission reads for a merge: the pieces' sizes as they are now, the first piece's
// folder and the checksum file beside them.
MergeCandidate CandidateOf(const MergeRequest& request)
{
    MergeCandidate candidate;
    candidate.pieces = request.pieces;
    for (const QString& piece : request.pieces) {
        const QFileInfo info(piece);
        candidate.sizes.append(info.isFile() ? info.size() : -1);
    }
    candidate.folderEntries = FilesIn(FolderOf(QFileInfo(request.pieces.first()).absoluteFilePath()));
    const ChecksumFileFit fit = FitOfChecksumFile(request.pieces, NamedJoinedPathOf(request));
    candidate.checksumFile = fit.path;
    candidate.checksumAppliesToNone = fit.fit == ChecksumFit::NothingApplies;
    return candidate;
}

// Nothing has been copied yet: what the job opened is released, what it made removed.
PreparedJob Refuse(const QString& text, const QString& caption = texts::kCaptionError)
{
    g_sharedMapping.reset();
    g_pieceRecords.clear();
    g_job.joined.Remove();
    g_job.sourceLock.reset();
    return PreparedJob { text, caption, 0, 0 };
}

// Refused over the file at path; error: the system's reason (errno), 0 when it did not fail.
PreparedJob RefuseFile(
    const QString& text, const QString& path, int error = errno, const QString& caption = texts::kCaptionError)
{
    const QString undecoded = UndecodedNameMessage(path);
    PreparedJob refused = Refuse(undecoded.isEmpty() ? text : undecoded, caption);
    NoteFailure(path, error);
    return refused;
}

// Removes what a split of this source into this folder left when it was killed: its pieces
// under their temporary names (a later split would take over only those it makes again).
void RemoveLeftoverPieces(const QString& source, const QString& folder)
{
    PieceName first;
    if (!ParsePieceName(MakePieceName(source, folder, 0), &first))
        return;
    for (const QString& entry : FilesIn(folder)) {
        PieceName name;
        if (entry.endsWith(platform::kUnfinishedSuffix)
            && ParsePieceName(first.prefix + entry.chopped(platform::kUnfinishedSuffix.size()), &name)
            && SameSet(first, name))
            platform::RemoveLeftover(first.prefix + entry);
    }
}

// A merge's piece is still the file it was when the merge was admitted: the same file, size and
// times.
bool PieceUnchanged(const PieceRecord& record)
{
    platform::FileIdentity now;
    return platform::IdentifyPath(record.path, &now) && now == record.identity;
}

// A split's pieces, all complete and on the disk, take their names, the last first: a split
// stopped on the way, even by a kill, leaves no piece 000 under its name, so what it named
// never looks like a whole set. One sync of the folder puts every new name on the disk.
bool NamePieces(bool flush)
{
    for (size_t i = g_pieceRecords.size(); i-- > 0;) {
        PieceRecord& record = g_pieceRecords[i];
        if (!record.output.Commit(flush && i == 0)) {
            NoteFailure(record.path, errno);
            return false;
        }
    }
    return true;
}

// The job's output could not be made final: what failed on path, and why (errno).
QString SealFailed(const QString& text, const QString& path)
{
    NoteFailure(path, errno);
    return text;
}

} // namespace

SplitSpace MeasureSplitSpace(int64_t fileSize, const QString& folder, platform::FileHandle source)
{
    SplitSpace space;
    uint64_t freeBytes = 0;
    space.freeKnown = platform::DiskFreeBytes(folder, &freeBytes);
    space.freeM = freeBytes / 1000000u;
    // Sizes in M of 1,000,000 bytes, in single precision: 999,999,999 bytes are 1000 M.
    space.sizeM = float(double(fileSize) / 1000000.0);
    // Every piece starts and, but for the last one at the end of both files, ends at a
    // multiple of the granularity: all of them can share, where the two files can.
    const uint32_t block = fileSize > 0 ? platform::SharedBlockSizeIn(source, folder) : 0;
    space.sharesBlocks = block != 0 && g_allocationGranularity % block == 0;
    space.fits = !space.freeKnown || space.sharesBlocks || uint64_t(qint64(space.sizeM)) < space.freeM;
    return space;
}

QString UndecodedNameMessage(const QString& path)
{
    if (!path.contains(QChar::ReplacementCharacter) || FileExists(path))
        return {};
    return texts::kNameNotUtf8.arg(QDir::toNativeSeparators(path));
}

namespace {

// Whether every piece of the merge being prepared can share its blocks with the joined file:
// each lands on a block boundary of it and all but the last end on one (the last ends at the
// end of both files).
bool JoinSharesBlocks(platform::FileHandle joined)
{
    uint64_t dest = 0;
    for (size_t i = 0; i < g_pieceRecords.size(); ++i) {
        const PieceRecord& record = g_pieceRecords[i];
        const uint32_t block = platform::SharedBlockSize(record.lock.get(), joined);
        if (block == 0 || dest % block != 0 || (i + 1 < g_pieceRecords.size() && record.end % block != 0))
            return false;
        dest += record.end;
    }
    return !g_pieceRecords.empty();
}

} // namespace

QString JoinedPathOf(const MergeRequest& request)
{
    return request.output.isEmpty() ? NamedJoinedPathOf(request) : request.output;
}

QString NamedJoinedPathOf(const MergeRequest& request)
{
    // Never named after a bare relative name when no piece names it.
    return MakeJoinedName(
        request.namingPiece.isEmpty() && !request.pieces.isEmpty() ? request.pieces.first() : request.namingPiece,
        request.pieces);
}

QStringList PieceSetOf(const QString& piece)
{
    const QString absolute = QFileInfo(piece).absoluteFilePath();
    return SetMembers(absolute, FilesIn(FolderOf(absolute)));
}

QList<MergeFinding> AdmitMergeRequest(const MergeRequest& request)
{
    return request.pieces.isEmpty() ? QList<MergeFinding>() : AdmitMerge(CandidateOf(request));
}

bool JoinReplacesAFile(const MergeRequest& request)
{
    platform::FileIdentity there;
    const QString joined = JoinedPathOf(request);
    if (request.pieces.isEmpty() || !QFileInfo(joined).isFile() || !platform::IdentifyPath(joined, &there))
        return false;
    return std::none_of(request.pieces.begin(), request.pieces.end(), [&](const QString& piece) {
        platform::FileIdentity identity;
        return piece == joined || (platform::IdentifyPath(piece, &identity) && identity.SameFile(there));
    });
}

PreparedJob PrepareSplit(const SplitRequest& request)
{
    BeginJob(request.viewSize, request.threadPerPiece);
    if (!FileExists(request.source))
        return RefuseFile(texts::kFileMustExist, request.source);
    platform::LockResult lock = platform::LockResult::Failed;
    platform::UniqueFile source = platform::OpenFileShared(request.source, platform::AccessHint::Random, &lock);
    if (lock == platform::LockResult::Busy)
        return Refuse(texts::kFileBusy.arg(request.source));
    if (!source)
        return RefuseFile(texts::kOpenSourceFailed, request.source);
    bool numberOk = false;
    const double megabytes = ParseLeadingNumber(request.pieceSizeText, &numberOk);
    if (!numberOk || !PieceSizeFromMegabytes(megabytes, g_allocationGranularity, &g_job.pieceSize))
        return Refuse(texts::kBadPieceSize);
    platform::GetFileSize64(source.get(), &g_fileSize);
    const SplitSpace space = MeasureSplitSpace(g_fileSize, request.folder, source.get());
    if (!space.fits)
        return RefuseFile(texts::kNoSpace, request.folder, ENOSPC);
    // The last piece has the longest name, and a checksum file's is longer by one byte at most.
    if (g_fileSize > 0) {
        const int lastPiece = int((uint64_t(g_fileSize) - 1) / uint64_t(g_job.pieceSize));
        const QString last = MakePieceName(request.source, request.folder, lastPiece);
        if (!platform::NameFits(last))
            return RefuseFile(texts::kCreatePieceFailed, last, ENAMETOOLONG);
        const QString checksums = ChecksumFileName(MakeJoinedName(last));
        if (request.checksum && !platform::NameFits(checksums))
            return RefuseFile(texts::kChecksumWriteFailed.arg(checksums), checksums, ENAMETOOLONG);
    }
    g_job.sharesBlocks = space.sharesBlocks;
    if (g_fileSize > 0) {
        g_sharedMapping = platform::CreateFileMapping(source.get(), platform::MappingAccess::ReadOnly, 0);
        if (!g_sharedMapping)
            return RefuseFile(texts::kMapSourceFailed, request.source);
    }
    g_job.sourcePath = request.source;
    g_job.pieceFolder = request.folder;
    g_job.checksum = request.checksum;
    g_job.flush = request.flush;
    platform::IdentifyFile(source.get(), &g_job.sourceIdentity);
    g_job.sourceLock = std::move(source);
    RemoveLeftoverPieces(request.source, request.folder);
    return PreparedJob { {}, {}, ViewCount(uint64_t(g_fileSize)), uint64_t(g_fileSize) };
}

PreparedJob PrepareMerge(const MergeRequest& request)
{
    BeginJob(request.viewSize, request.threadPerPiece);
    if (request.pieces.isEmpty())
        return Refuse(texts::kListEmpty);
    g_job.merge = true;
    g_job.keepPieces = request.keepPieces;
    const QString joined = JoinedPathOf(request);

    uint64_t total = 0;
    for (const QString& piece : request.pieces) {
        PieceRecord record;
        platform::LockResult lock = platform::LockResult::Failed;
        record.lock = platform::OpenFileShared(piece, platform::AccessHint::Sequential, &lock);
        if (lock == platform::LockResult::Busy)
            return Refuse(texts::kFileBusy.arg(piece));
        if (!record.lock)
            return RefuseFile(texts::kOpenPieceFailed, piece);
        platform::IdentifyFile(record.lock.get(), &record.identity);
        // One file listed twice, under two names, would be joined twice.
        for (const PieceRecord& earlier : g_pieceRecords) {
            if (earlier.identity.SameFile(record.identity))
                return Refuse(texts::kSameFileTwice.arg(piece));
        }
        platform::GetFileSize64(record.lock.get(), &g_fileSize);
        total += uint64_t(g_fileSize);
        record.mapping = platform::CreateFileMapping(record.lock.get(), platform::MappingAccess::ReadOnly, 0);
        if (!record.mapping)
            return RefuseFile(texts::kMapMergePieceFailed, piece, errno, piece);
        record.end = uint64_t(g_fileSize);
        record.path = piece;
        g_pieceRecords.push_back(std::move(record));
    }
    // Admitted on the sizes of the files now open, which are the ones copied and checked again
    // before any piece is deleted.
    MergeCandidate candidate = CandidateOf(request);
    for (size_t i = 0; i < g_pieceRecords.size(); ++i)
        candidate.sizes[qsizetype(i)] = int64_t(g_pieceRecords[i].end);
    if (const QList<MergeFinding> findings = AdmitMerge(candidate); !findings.isEmpty() && !request.keepPieces)
        return Refuse(DescribeFinding(findings.first()));
    // The joined file replaces what its name names: that must not be one of the pieces.
    platform::FileIdentity there;
    const bool somethingThere = platform::IdentifyPath(joined, &there);
    for (const PieceRecord& record : g_pieceRecords) {
        if (record.path == joined || (somethingThere && record.identity.SameFile(there)))
            return RefuseFile(texts::kJoinedIsPiece, joined, 0);
    }
    const platform::LockResult claim = g_job.joined.Claim(joined);
    if (claim == platform::LockResult::Busy)
        return Refuse(texts::kFileBusy.arg(joined));
    if (claim == platform::LockResult::InTheWay)
        return RefuseFile(
            texts::kTempInTheWay.arg(platform::UnfinishedPathOf(joined)), platform::UnfinishedPathOf(joined), EEXIST);
    if (claim != platform::LockResult::Locked)
        return RefuseFile(texts::kCreateJoinedFailed, joined);
    // A checksum file beside the pieces says whether they make the original file.
    if (const QString error = LoadMergeChecksums(NamedJoinedPathOf(request)); !error.isEmpty())
        return Refuse(error);
    const bool shares = JoinSharesBlocks(g_job.joined.get()); // then the clones need no room
    g_sharedMapping = platform::CreateFileMapping(g_job.joined.get(),
        shares ? platform::MappingAccess::ReadWriteUnreserved : platform::MappingAccess::ReadWrite, total);
    if (!g_sharedMapping) // most often a disk that cannot hold the joined file
        return RefuseFile(texts::kMapMergePieceFailed, joined);
    g_job.joinedPath = joined;
    g_job.flush = request.flush;
    return PreparedJob { {}, {}, ViewCount(total), total };
}

QString DispatchJob()
{
    const bool merge = g_job.merge;
    if (g_useMultithreading) {
        if (merge)
            RunMerge(nullptr);
        else
            SplitJobEntry(&g_job.pieceSize);
        g_job.dispatchDone = true;
        return {};
    }
    if (platform::BeginThread(merge ? RunMerge : SplitJobEntry, merge ? nullptr : &g_job.pieceSize))
        return {};
    CloseJob(true);
    g_pieceRecords.clear();
    return texts::kThreadFailed;
}

bool AllTasksEnded(int endReports)
{
    if (g_useMultithreading)
        return g_job.dispatchDone && endReports >= g_job.tasksStarted;
    return endReports >= 1;
}

QString SealJobOutput(bool flush)
{
    if (!g_job.merge) {
        // Pieces of a source that changed under the copy are pieces of no file.
        platform::FileIdentity now;
        if (!g_job.sourcePath.isEmpty()
            && (!platform::IdentifyPath(g_job.sourcePath, &now) || !(now == g_job.sourceIdentity))) {
            g_job.sourceChanged = true;
            NoteFailure(g_job.sourcePath, 0);
            return texts::kSourceChanged;
        }
        if (g_cancelRequested.load())
            return texts::kCopyFailed; // a stopped job names nothing
        if (!NamePieces(flush))
            return texts::kPieceFlushFailed; // the piece and the reason are noted
        return g_job.checksum ? WriteSplitChecksums(flush) : QString();
    }
    // On the disk first, then checked, then under its name, and that name on the disk too.
    if (!g_sharedMapping || (flush && !platform::FlushMapping(g_sharedMapping.get())))
        return SealFailed(texts::kFlushFailed, g_job.joinedPath);
    if (const QString error = VerifyJoinedChecksum(); !error.isEmpty())
        return error;
    // The pieces must still be the files that were admitted and copied.
    for (const PieceRecord& record : g_pieceRecords) {
        if (!PieceUnchanged(record)) {
            NoteFailure(record.path, 0);
            return texts::kPieceChanged.arg(QDir::toNativeSeparators(record.path));
        }
    }
    if (g_cancelRequested.load())
        return texts::kCopyFailed;
    if (!g_job.joined.Commit(flush))
        return SealFailed(texts::kFlushFailed, g_job.joinedPath);
    return {};
}

bool BeginSealJobOutput()
{
    // A split's seal is quick, unless it hashes the source for its checksum file.
    if ((!g_job.merge && !g_job.checksum) || !g_sharedMapping)
        return false;
    g_job.flushing = true;
    auto seal = [](void*) -> unsigned {
        g_job.sealError = SealJobOutput();
        platform::SendWindowMessage(g_mainWindow, WM_JOBFLUSHED, 0, 0);
        return 0;
    };
    if (platform::BeginThread(seal, nullptr))
        return true;
    g_job.flushing = false;
    return false;
}

void CloseJob(bool failed)
{
    g_sharedMapping.reset();
    g_job.sourceLock.reset();
    for (PieceRecord& record : g_pieceRecords) {
        // A split's set is there whole or not at all.
        if (failed || g_job.sourceChanged)
            record.output.Remove();
        record.output.Close();
        record.lock.reset();
    }
    if (failed)
        g_job.joined.Remove();
    g_job.joined.Close();
}

void WaitForJobWorkers()
{
    while (platform::RunningWorkerCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(100);
    }
    // None waits for this thread any more. A worker that has returned may still be freeing its
    // thread's state (the hashing library's among it), which must not meet the process's exit.
    platform::JoinWorkers();
}

void DeleteJoinedPieces()
{
    // None after a stop, and none if any piece is no longer the file that was joined.
    if (g_job.keepPieces || g_cancelRequested.load()
        || !std::all_of(g_pieceRecords.begin(), g_pieceRecords.end(), PieceUnchanged))
        return;
    for (const PieceRecord& record : g_pieceRecords)
        platform::RemoveFileIfSame(record.path, record.identity);
}

QStringList StalePieces()
{
    QStringList stale;
    if (g_job.merge || g_pieceRecords.empty())
        return stale;
    // The set is the one this split named, read from its first piece alone; the folder's other
    // names decide only how theirs are read.
    PieceName made;
    if (!ParsePieceName(g_pieceRecords.front().path, &made))
        return stale;
    QStringList names;
    for (const QString& entry : FilesIn(FolderOf(g_pieceRecords.front().path)))
        names.append(made.prefix + entry);
    const PieceNameReader reader(names);
    for (const QString& name : std::as_const(names)) {
        PieceName other;
        if (reader.Parse(name, &other) && SameSet(made, other) && other.Value() >= g_pieceRecords.size())
            stale.append(name);
    }
    std::sort(
        stale.begin(), stale.end(), [](const QString& a, const QString& b) { return ComparePieceNames(a, b) < 0; });
    return stale;
}

QString JobNotes()
{
    QString notes;
    if (g_job.merge && g_job.keepPieces)
        notes += texts::kPiecesKept;
    if (const QStringList stale = StalePieces(); !stale.isEmpty())
        notes += texts::kStalePieces.arg(stale.size()).arg(stale.first());
    if (!g_job.merge && !g_job.checksum && !g_pieceRecords.empty()) {
        const QString checksums = ChecksumFileName(MakeJoinedName(g_pieceRecords.front().path));
        if (FileExists(checksums))
            notes += texts::kStaleChecksumFile.arg(checksums);
    }
    return notes;
}
