#include "JobSetup.h"

#include "MergeJob.h"
#include "Names.h"
#include "SplitJob.h"
#include "Texts.h"
#include "Thread.h"

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

uint64_t ViewCount(uint64_t bytes)
{
    return (bytes + g_viewSize - 1) / g_viewSize;
}

PreparedJob Refuse(const QString& text, const QString& caption = texts::kCaptionError)
{
    g_sharedMapping.reset();
    g_pieceRecords.clear();
    return PreparedJob{text, caption, 0};
}

}  // namespace

SplitSpace MeasureSplitSpace(int64_t fileSize, const QString& folder)
{
    SplitSpace space;
    uint64_t freeBytes = 0;
    space.freeKnown = platform::DiskFreeBytes(folder, &freeBytes);
    space.freeM = freeBytes / 1000000u;
    // Sizes in M of 1,000,000 bytes, in single precision: 999,999,999 bytes are 1000 M.
    space.sizeM = float(double(fileSize) / 1000000.0);
    space.fits = !space.freeKnown || uint64_t(qint64(space.sizeM)) < space.freeM;
    return space;
}

PreparedJob PrepareSplit(const SplitRequest& request)
{
    BeginJob(request.viewSize, request.threadPerPiece);
    if (!FileExists(request.source))
        return Refuse(texts::kFileMustExist);
    const platform::UniqueFile source = platform::OpenFileForRead(request.source, platform::AccessHint::Random);
    if (!source)
        return Refuse(texts::kOpenSourceFailed);
    bool numberOk = false;
    const float megabytes = ParseLeadingNumber(request.pieceSizeText, &numberOk);
    if (!numberOk || !PieceSizeFromMegabytes(megabytes, g_allocationGranularity, &g_job.pieceSize))
        return Refuse(texts::kBadPieceSize);
    platform::GetFileSize64(source.get(), &g_fileSize);
    if (!MeasureSplitSpace(g_fileSize, request.folder).fits)
        return Refuse(texts::kNoSpace);
    if (g_fileSize > 0) {
        g_sharedMapping = platform::CreateFileMapping(source.get(), platform::MappingAccess::ReadOnly, 0);
        if (!g_sharedMapping)
            return Refuse(texts::kMapSourceFailed);
    }
    g_job.sourcePath = request.source;
    g_job.pieceFolder = request.folder;
    return PreparedJob{{}, {}, ViewCount(uint64_t(g_fileSize))};
}

PreparedJob PrepareMerge(const MergeRequest& request)
{
    BeginJob(request.viewSize, request.threadPerPiece);
    if (request.pieces.isEmpty())
        return Refuse(texts::kListEmpty);
    g_job.merge = true;
    // The joined file is named after the given piece; without one, after the first listed,
    // never after a bare relative name.
    const QString joined = MakeJoinedName(request.namingPiece.isEmpty() ? request.pieces.first() : request.namingPiece);

    uint64_t total = 0;
    for (const QString& piece : request.pieces) {
        const platform::UniqueFile file = platform::OpenFileForRead(piece, platform::AccessHint::Sequential);
        if (!file)
            return Refuse(texts::kOpenPieceFailed);
        platform::GetFileSize64(file.get(), &g_fileSize);
        total += uint64_t(g_fileSize);
        platform::UniqueMapping mapping =
            platform::CreateFileMapping(file.get(), platform::MappingAccess::ReadOnly, 0);
        if (!mapping)
            return Refuse(texts::kMapMergePieceFailed, piece);
        g_pieceRecords.push_back(PieceRecord{0, uint64_t(g_fileSize), std::move(mapping), piece, false});
    }
    // Creating the joined file empties it: it must not be one of the pieces.
    for (const PieceRecord& record : g_pieceRecords) {
        if (record.path == joined || platform::SameFile(record.path, joined))
            return Refuse(texts::kJoinedIsPiece);
    }
    {
        const platform::UniqueFile output = platform::CreateFileAlways(joined, platform::AccessHint::Random);
        if (!output)
            return Refuse(texts::kCreateJoinedFailed);
        g_sharedMapping = platform::CreateFileMapping(output.get(), platform::MappingAccess::ReadWrite, total);
    }
    if (!g_sharedMapping) {
        // Most often a disk that cannot hold the joined file: nothing has been copied yet.
        platform::RemoveFile(joined);
        return Refuse(texts::kMapMergePieceFailed);
    }
    g_job.joinedPath = joined;
    return PreparedJob{{}, {}, ViewCount(total)};
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

bool FlushJoinedFile()
{
    return !g_job.merge || !g_sharedMapping || platform::FlushMapping(g_sharedMapping.get());
}

bool BeginFlushJoinedFile()
{
    if (!g_job.merge || !g_sharedMapping)
        return false;
    g_job.flushing = true;
    auto flush = [](void*) -> unsigned {
        const bool ok = FlushJoinedFile();
        platform::SendWindowMessage(g_mainWindow, WM_JOBFLUSHED, ok ? 1 : 0, 0);
        return 0;
    };
    if (platform::BeginThread(flush, nullptr))
        return true;
    g_job.flushing = false;
    return false;
}

void CloseJob(bool failed)
{
    g_sharedMapping.reset();
    if (!failed)
        return;
    if (!g_job.merge) {
        for (const PieceRecord& record : g_pieceRecords) {
            if (record.failed)
                platform::RemoveFile(record.path);
        }
    } else if (!g_job.joinedPath.isEmpty()) {
        platform::RemoveFile(g_job.joinedPath);
    }
}

void DeleteJoinedPieces()
{
    for (const PieceRecord& record : g_pieceRecords)
        platform::RemoveFile(record.path);
}
