#include "PieceChecks.h"

#include "Checksums.h"
#include "Texts.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <cstring>

namespace cli {
namespace {

// The file's SHA-256, or an empty array with `error` set when it cannot be read whole.
QByteArray Sha256Of(const QString& path, int* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = errno;
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
        *error = EIO;
        return {};
    }
    return hash.result();
}

} // namespace

ChecksumVerdict CheckPiecesAgainstChecksums(const MergeRequest& request)
{
    const QString named = NamedJoinedPathOf(request);
    const ChecksumFileFit fit = FitOfChecksumFile(request.pieces, named);
    ChecksumVerdict verdict { fit.fit == ChecksumFit::None ? QString() : fit.path, {} };
    if (fit.fit == ChecksumFit::Unreadable)
        verdict.problems.append(fit.error);
    if (fit.fit != ChecksumFit::Applies)
        return verdict;
    // The checksum file's reader fills the digests into a merge's records: this check borrows them.
    ResetJob();
    for (const QString& piece : request.pieces) {
        PieceRecord record;
        record.path = piece;
        g_pieceRecords.push_back(std::move(record));
    }
    if (const QString error = LoadMergeChecksums(named); !error.isEmpty())
        verdict.problems.append(error);
    for (const PieceRecord& record : g_pieceRecords) {
        if (record.sha256.isEmpty())
            continue;
        int error = 0;
        const QByteArray digest = Sha256Of(record.path, &error);
        if (digest.isEmpty())
            verdict.problems.append(
                texts::kCliVerifyUnreadable.arg(record.path, QString::fromLocal8Bit(std::strerror(error))));
        else if (digest != record.sha256)
            verdict.problems.append(texts::kCliVerifyMismatch.arg(record.path));
    }
    ResetJob();
    return verdict;
}

} // namespace cli
