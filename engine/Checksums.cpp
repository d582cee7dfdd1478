#include "Checksums.h"

#include "JobControl.h"
#include "Names.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <functional>
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
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The folder of a path, written one way: "a/./b/x" and "a/b/x" are in one folder, and so are
// "./x" and "x".
QString FolderKey(const QString& path)
{
    const QString folder = QDir::cleanPath(FolderOf(path));
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

// The line for a digest and a file, as sha256sum writes it: a name with a backslash, a newline
// or a carriage return has them escaped, and the line starts with a backslash.
QByteArray LineOf(const QByteArray& digest, const QString& path)
{
    QByteArray name = QFile::encodeName(FileNameOf(path));
    if (!name.contains('\\') && !name.contains('\n') && !name.contains('\r'))
        return digest.toHex() + "  " + name + '\n';
    name.replace('\\', "\\\\").replace('\n', "\\n").replace('\r', "\\r");
    return '\\' + digest.toHex() + "  " + name + '\n';
}

bool Unescape(QByteArray* name)
{
    QByteArray plain;
    for (qsizetype i = 0; i < name->size(); ++i) {
        char c = name->at(i);
        if (c == '\\') {
            c = ++i < name->size() ? name->at(i) : '\0';
            if (c == 'n')
                c = '\n';
            else if (c == 'r')
                c = '\r';
            else if (c != '\\')
                return false; // sha256sum writes no other escape
        }
        plain += c;
    }
    *name = plain;
    return true;
}

// A line of a checksum file, without its '\n': "<hex>  <name>", "<hex> *<name>" or
// "SHA256 (<name>) = <hex>", each maybe escaped; a CR of a CR LF end goes. The name as the
// file system has it, and the digest; false for any other line.
bool ParseLine(QByteArray line, QByteArray* name, QByteArray* digest)
{
    constexpr qsizetype kHex = 2 * kDigestBytes;
    constexpr QByteArrayView kTag = "SHA256 (";
    constexpr QByteArrayView kTagEnd = ") = ";
    if (line.endsWith('\r'))
        line.chop(1);
    while (line.startsWith(' ') || line.startsWith('\t'))
        line.remove(0, 1);
    const bool escaped = line.startsWith('\\');
    if (escaped)
        line.remove(0, 1);
    QByteArray hex;
    if (line.startsWith(kTag)) {
        const qsizetype nameEnd = line.size() - kHex - kTagEnd.size();
        if (nameEnd <= kTag.size() || QByteArrayView(line).sliced(nameEnd, kTagEnd.size()) != kTagEnd)
            return false;
        hex = line.right(kHex);
        *name = line.mid(kTag.size(), nameEnd - kTag.size());
    } else {
        if (line.size() <= kHex + 2 || line.at(kHex) != ' ' || (line.at(kHex + 1) != ' ' && line.at(kHex + 1) != '*'))
            return false;
        hex = line.left(kHex);
        *name = line.mid(kHex + 2);
    }
    if (!std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return false;
    *digest = QByteArray::fromHex(hex);
    return !escaped || Unescape(name);
}

// The name of a file in the checksum file's own folder that a listed name stands for ("./x"
// is "x"); empty for a name of a file in any other folder, which is never looked at.
QByteArray NameInFolder(QByteArray name)
{
    while (name.startsWith("./"))
        name.remove(0, 2);
    return name.contains('/') || name == "." || name == ".." ? QByteArray() : name;
}

// The longest line that can name a file of the checksum file's folder: the BSD form around a
// name of 255 bytes, each byte escaped at worst, with the leading backslash and a CR LF.
constexpr qsizetype kMaxLineBytes = 1024;

enum class ReadResult { Absent, Read, Unreadable };

// Reads the checksum file at path, giving `take` the name and digest of each line that lists
// a file of the checksum file's folder. Unreadable, with why in *error, when what is there is
// no regular file, is larger than a checksum file can be, or cannot be read.
ReadResult ReadChecksumFile(const QString& path,
    const std::function<void(const QByteArray& name, const QByteArray& digest)>& take, QString* error)
{
    if (!platform::PathExists(path))
        return ReadResult::Absent;
    // Opened without waiting, and only a regular file: a FIFO would block the reader until a
    // writer came, and a device could be read without end.
    const platform::UniqueFile handle = platform::OpenFileForRead(path, platform::AccessHint::Sequential);
    const int openError = errno;
    const QString shown = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& text, int reason) {
        *error = text.arg(shown);
        if (reason != 0)
            NoteFailure(path, reason);
        return ReadResult::Unreadable;
    };
    int64_t size = 0;
    if (!QFileInfo(path).isFile()
        || (handle && platform::GetFileSize64(handle.get(), &size) && size > kMaxChecksumFileBytes))
        return refuse(texts::kChecksumNotAFile, 0);
    QFile file;
    if (!handle || !file.open(handle.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return refuse(texts::kChecksumReadFailed, handle ? 0 : openError);
    char buffer[kMaxLineBytes + 1];
    qint64 total = 0;
    bool skipping = false; // in a line too long to name a file of this folder
    while (!file.atEnd()) {
        const qint64 got = file.readLine(buffer, sizeof buffer);
        if (got <= 0)
            break;
        total += got;
        if (total > kMaxChecksumFileBytes) // it grew while it was read
            return refuse(texts::kChecksumNotAFile, 0);
        const bool ends = buffer[got - 1] == '\n';
        QByteArray name;
        QByteArray digest;
        if (!skipping && (ends || file.atEnd())
            && ParseLine(QByteArray(buffer, ends ? got - 1 : got), &name, &digest)) {
            name = NameInFolder(name);
            if (!name.isEmpty())
                take(name, digest);
        }
        skipping = !ends;
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(texts::kChecksumReadFailed, EIO);
    return ReadResult::Read;
}

// What a name listed in a merge's checksum file is to the merge, from the names alone: one of
// its pieces, its joined file, another piece of its set (one the merge would leave out), or
// none of these.
class MergeNames {
public:
    enum class Kind { Other, Piece, Joined, LeftOut };

    MergeNames(const QStringList& pieces, const QString& joinedPath)
        : m_reader(pieces)
        , m_joinedPath(joinedPath)
        , m_folderPrefix(joinedPath.left(joinedPath.lastIndexOf(QLatin1Char('/')) + 1))
        , m_joinedName(QFile::encodeName(FileNameOf(joinedPath)))
    {
        const QString folder = FolderKey(joinedPath);
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (FolderKey(pieces[i]) == folder)
                m_pieces.insert(QFile::encodeName(FileNameOf(pieces[i])), int(i));
        }
    }
    // For a name of a file in the checksum file's folder; *piece is the piece's index in the list.
    Kind Classify(const QByteArray& name, int* piece) const
    {
        if (const auto found = m_pieces.constFind(name); found != m_pieces.cend()) {
            *piece = found.value();
            return Kind::Piece;
        }
        if (name == m_joinedName)
            return Kind::Joined;
        // Read among the listed pieces, as the joined name was: movie1000.avi.qv is piece 1000
        // of movie.avi where the list holds movie000 to movie999.
        PieceName read;
        return m_reader.Parse(m_folderPrefix + QFile::decodeName(name), &read) && read.JoinedPath() == m_joinedPath
            ? Kind::LeftOut
            : Kind::Other;
    }

private:
    PieceNameReader m_reader;
    QString m_joinedPath;
    QString m_folderPrefix; // the joined path's, with its '/'
    QByteArray m_joinedName;
    QHash<QByteArray, int> m_pieces; // the pieces in the checksum file's folder, by name
};

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
        text += LineOf(pieces[i], g_pieceRecords[i].path);
    text += LineOf(whole.front(), joined);

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

ChecksumFileFit FitOfChecksumFile(const QStringList& pieces, const QString& joinedPath)
{
    ChecksumFileFit result { ChecksumFit::NothingApplies, ChecksumFileName(joinedPath), {} };
    const MergeNames names(pieces, joinedPath);
    int piece = 0;
    const ReadResult read = ReadChecksumFile(
        result.path,
        [&](const QByteArray& name, const QByteArray&) {
            if (names.Classify(name, &piece) != MergeNames::Kind::Other)
                result.fit = ChecksumFit::Applies;
        },
        &result.error);
    if (read != ReadResult::Read)
        result.fit = read == ReadResult::Absent ? ChecksumFit::None : ChecksumFit::Unreadable;
    return result;
}

QString LoadMergeChecksums(const QString& joinedPath)
{
    s_mismatchShown = false;
    QStringList pieces;
    for (const PieceRecord& record : g_pieceRecords)
        pieces.append(record.path);
    const MergeNames names(pieces, joinedPath);
    QString leftOut;
    QString error;
    const ReadResult read = ReadChecksumFile(
        ChecksumFileName(joinedPath),
        [&](const QByteArray& name, const QByteArray& digest) {
            int piece = 0;
            switch (names.Classify(name, &piece)) {
            case MergeNames::Kind::Piece:
                g_pieceRecords[size_t(piece)].sha256 = digest;
                break;
            case MergeNames::Kind::Joined:
                g_job.joinedSha256 = digest;
                break;
            case MergeNames::Kind::LeftOut:
                if (leftOut.isEmpty())
                    leftOut = QFile::decodeName(name);
                break;
            case MergeNames::Kind::Other:
                break;
            }
        },
        &error);
    if (read == ReadResult::Unreadable)
        return error;
    // A piece of this set that the merge leaves out: the joined file would not be whole.
    return leftOut.isEmpty() ? QString() : texts::kChecksumPieceMissing.arg(leftOut);
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
