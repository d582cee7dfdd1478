#include "PieceChecks.h"

#include "Checksums.h"
#include "Texts.h"

namespace cli {

ChecksumVerdict CheckPiecesAgainstChecksums(const MergeRequest& request)
{
    const QString named = NamedJoinedPathOf(request);
    const ChecksumFileFit fit = FitOfChecksumFile(request.pieces, named);
    ChecksumVerdict verdict { fit.fit == ChecksumFit::None ? QString() : fit.path, {} };
    if (fit.fit == ChecksumFit::Unreadable)
        verdict.problems.append(fit.error);
    if (fit.fit != ChecksumFit::Applies)
        return verdict;
    // A piece of the set that the file lists and the list lacks: the last one, say, which
    // names and sizes cannot miss. The merge's reader tells, from records of the listed pieces.
    ResetJob();
    for (const QString& piece : request.pieces) {
        PieceRecord record;
        record.path = piece;
        g_pieceRecords.push_back(std::move(record));
    }
    const QString leftOut = LoadMergeChecksums(named);
    ResetJob();
    if (!leftOut.isEmpty())
        verdict.problems.append(leftOut);
    QString error;
    const QList<PieceCheck> checks = ::CheckPiecesAgainstChecksums(request.pieces, named, &error);
    if (!error.isEmpty())
        verdict.problems.append(error);
    for (const PieceCheck& check : checks) {
        if (check.result == PieceCheck::Result::Differs)
            verdict.problems.append(texts::kCliVerifyMismatch.arg(check.piece));
        else if (check.result == PieceCheck::Result::Unreadable)
            verdict.problems.append(texts::kCliVerifyUnreadable.arg(check.piece));
    }
    return verdict;
}

} // namespace cli
