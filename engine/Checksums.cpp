#include "Checksums.h"

#include "JobControl.h"
#include "Names.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kDigestBytes = 32;

// Only the first failed piece check of a job shows its message: with a thread per piece
// several may fail at once.
std::atomic<bool> s_mismatchShown { false };

// The SHA-256 digests of consecutive ranges of a file, the first starting at byte 0 and range i
// ending at ends[i], read in blocks small enough to be hashed while still in the cache. False
// when the file could not be read to the last end (a file cut short).
bool DigestRanges(platform::FileHandle file, const std::vector<uint64_t>& ends, std::vector<QByteArray>* digests)
{
    constexpr size_t kBlock = 256 * 1024;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBlock]);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context)
        return false;
    ::posix_fadvise(file, 0, 0, POSIX_FADV_SEQUENTIAL);
    uint64_t pos = 0;
    for (const uint64_t end : ends) {
        if (EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
            return false;
        while (pos < end) {
            const ssize_t got = ::pread(file, buffer.get(), size_t(std::min<uint64_t>(kBlock, end - pos)), off_t(pos));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0 || EVP_DigestUpdate(context.get(), buffer.get(), size_t(got)) != 1)
                return false;
            pos += uint64_t(got);
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
            return false;
        digests->push_back(QByteArray(reinterpret_cast<const char*>(digest), int(length)));
    }
    return true;
}

bool DigestIs(platform::FileHandle file, uint64_t size, const QByteArray& expected)
{
    std::vector<QByteArray> digests;
    return DigestRanges(file, { size }, &digests) && digests.front() == expected;
}

QString FileNameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

QString ChecksumFileName(const QString& joinedPath)
{
    return joinedPath + QStringLiteral(".sha256");
}

QString WriteSplitChecksums(bool flush)
{
    if (g_pieceRecords.empty())
        return {}; // an empty source has no pieces to check
    const QString joined = MakeJoinedName(g_pieceRecords.front().path);
    const QString target = ChecksumFileName(joined);
    const QString failed = texts::kChecksumWriteFailed.arg(QDir::toNativeSeparators(target));

    // The pieces are consecutive ranges of the source: one pass over it gives their digests,
    // and another, on a processor of its own where there is one, the whole file's.
    std::vector<uint64_t> pieceEnds;
    for (const PieceRecord& record : g_pieceRecords)
        pieceEnds.push_back(record.end);
    const platform::FileHandle source = g_job.sourceLock.get();
    std::vector<QByteArray> pieces;
    std::vector<QByteArray> whole;
    bool wholeOk = false;
    if (std::thread::hardware_concurrency() > 1) {
        std::thread wholePass([&] { wholeOk = DigestRanges(source, { uint64_t(g_fileSize) }, &whole); });
        const bool piecesOk = DigestRanges(source, pieceEnds, &pieces);
        wholePass.join();
        wholeOk = wholeOk && piecesOk;
    } else {
        wholeOk = DigestRanges(source, pieceEnds, &pieces) && DigestRanges(source, { uint64_t(g_fileSize) }, &whole);
    }
    if (!wholeOk)
        return failed;

    QByteArray text;
    for (size_t i = 0; i < pieces.size(); ++i)
        text += pieces[i].toHex() + "  " + FileNameOf(g_pieceRecords[i].path).toUtf8() + '\n';
    text += whole.front().toHex() + "  " + FileNameOf(joined).toUtf8() + '\n';

    // Written under a temporary name and renamed once on the disk: a checksum file is whole.
    platform::OutputFile out;
    if (out.Claim(target) != platform::LockResult::Locked) {
        NoteFailure(target, errno);
        return failed;
    }
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(out.get(), text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    if (written != text.size() || (flush && ::fsync(out.get()) != 0) || !out.Commit(flush)) {
        NoteFailure(target, errno);
        out.Remove();
        return failed;
    }
    return {};
}

QString LoadMergeChecksums(const QString& firstPiece, const QString& joinedPath)
{
    s_mismatchShown = false;
    const QString path = ChecksumFileName(joinedPath);
    if (!QFileInfo::exists(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return texts::kChecksumReadFailed.arg(QDir::toNativeSeparators(path));
    const QDir folder = QFileInfo(path).dir();
    PieceName first;
    const bool firstParsed = ParsePieceName(firstPiece, &first);
    while (!file.atEnd()) {
        // "<64 hex digits>  <name>", or " *<name>" for sha256sum's binary mode.
        const QByteArray line = file.readLine().trimmed();
        if (line.size() < 2 * kDigestBytes + 3 || line.at(2 * kDigestBytes) != ' '
            || (line.at(2 * kDigestBytes + 1) != ' ' && line.at(2 * kDigestBytes + 1) != '*'))
            continue;
        const QByteArray digest = QByteArray::fromHex(line.left(2 * kDigestBytes));
        if (digest.size() != kDigestBytes || digest.toHex() != line.left(2 * kDigestBytes).toLower())
            continue;
        const QString name = QString::fromUtf8(line.mid(2 * kDigestBytes + 2));
        const QString listed = QDir::cleanPath(folder.absoluteFilePath(name));
        platform::FileIdentity identity;
        const bool exists = platform::IdentifyPath(listed, &identity);
        bool known = false;
        for (PieceRecord& record : g_pieceRecords) {
            if (exists && record.identity.SameFile(identity)) {
                record.sha256 = digest;
                known = true;
            }
        }
        if (known)
            continue;
        if (listed == QDir::cleanPath(QFileInfo(joinedPath).absoluteFilePath())) {
            g_job.joinedSha256 = digest;
            continue;
        }
        // A piece of this set that the merge leaves out: the joined file would not be whole.
        PieceName piece;
        if (firstParsed && ParsePieceName(listed, &piece) && SameSet(piece, first))
            return texts::kChecksumPieceMissing.arg(name);
    }
    return {};
}

bool VerifyPieceChecksum(int32_t index)
{
    const PieceRecord& record = g_pieceRecords[size_t(index)];
    if (record.sha256.isEmpty() || DigestIs(record.lock.get(), record.end, record.sha256))
        return true;
    if (!s_mismatchShown.exchange(true))
        FailJob(texts::kChecksumMismatch.arg(QDir::toNativeSeparators(record.path)));
    g_job.failed = true;
    return false;
}

QString VerifyJoinedChecksum()
{
    if (g_job.joinedSha256.isEmpty()
        || DigestIs(g_job.joined.get(), platform::MappingSize(g_sharedMapping.get()), g_job.joinedSha256))
        return {};
    return texts::kChecksumJoinedMismatch.arg(QDir::toNativeSeparators(g_job.joinedPath));
}
