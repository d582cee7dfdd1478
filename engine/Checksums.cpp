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
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
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
// when the file could not be read to the last end (a file cut short), or when the job was
// stopped: a large file takes a while, and a stop must not wait for it.
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
            if (g_cancelRequested.load(std::memory_order_relaxed))
                return false;
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

enum class DigestCheck { Matches, Differs, Stopped };

DigestCheck CheckDigest(platform::FileHandle file, uint64_t size, const QByteArray& expected)
{
    std::vector<QByteArray> digests;
    const bool read = DigestRanges(file, { size }, &digests);
    if (g_cancelRequested.load())
        return DigestCheck::Stopped;
    return read && digests.front() == expected ? DigestCheck::Matches : DigestCheck::Differs;
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

// Undoes sha256sum's escapes: a backslash before a backslash, an "n" or an "r"; false for any
// other backslash.
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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsHex(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Up to its first NUL, which ends a name or a digest for sha256sum as for the file system.
QByteArrayView UpToNul(QByteArrayView text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.first(nul);
}

// A path with "." parts, empty parts and "x/.." pairs taken out, from its text alone: ".."
// stays at the start of a relative path and goes at the root.
QByteArray CleanPath(QByteArrayView path)
{
    const bool absolute = path.startsWith('/');
    QList<QByteArrayView> parts;
    for (qsizetype begin = 0; begin <= path.size();) {
        qsizetype end = path.indexOf('/', begin);
        if (end < 0)
            end = path.size();
        const QByteArrayView part = path.sliced(begin, end - begin);
        begin = end + 1;
        if (part.isEmpty() || part == ".")
            continue;
        if (part == ".." && !parts.isEmpty() && parts.back() != "..")
            parts.removeLast();
        else if (part != ".." || !absolute)
            parts.append(part);
    }
    QByteArray clean = absolute ? QByteArray("/") : QByteArray();
    for (const QByteArrayView part : parts) {
        if (!clean.isEmpty() && clean != "/")
            clean += '/';
        clean += part;
    }
    return clean.isEmpty() ? QByteArray(".") : clean;
}

// A file's digest from a line about it. Two lines that disagree about one file cannot both
// hold, as sha256sum -c would show: no content matches what is then kept.
void TakeDigest(QByteArray* digest, const QByteArray& listed)
{
    *digest = digest->isEmpty() || *digest == listed ? listed : QByteArray(1, '\0');
}

// ListedFileOfFolder, for a folder already cleaned, as CleanPath gives it.
QByteArray FileOfCleanFolder(QByteArrayView listedName, const QByteArray& folder)
{
    // The system opens no path of PATH_MAX bytes or more, so such a name is of no file.
    if (listedName.isEmpty() || listedName == "-" || listedName.size() >= PATH_MAX)
        return {};
    if (!listedName.contains('/')) // the usual line: a bare name
        return listedName == "." || listedName == ".." ? QByteArray() : listedName.toByteArray();
    const QByteArray path
        = CleanPath(listedName.startsWith('/') ? listedName.toByteArray() : folder + '/' + listedName.toByteArray());
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray name = path.sliced(slash + 1);
    const QByteArray parent = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
    return parent == folder && name != "." && name != ".." ? name : QByteArray();
}

enum class ReadResult { Absent, Read, Unreadable };

// Reads the checksum file at path, giving `take` each line's name and digest. Unreadable, with
// why in *error, when what is there is no regular file, is larger than a checksum file can be,
// cannot be read, or has a line that is no checksum line.
ReadResult ReadChecksumFile(const QString& path, const std::function<void(const ChecksumEntry&)>& take, QString* error)
{
    QByteArray text;
    const ChecksumFileRead read = ReadChecksumText(path, &text, error);
    if (read != ChecksumFileRead::Read)
        return read == ChecksumFileRead::Absent ? ReadResult::Absent : ReadResult::Unreadable;
    QByteArrayView line;
    qsizetype pos = 0;
    for (int number = 1; NextChecksumLine(text, &pos, &line); ++number) {
        ChecksumEntry entry;
        switch (ReadChecksumLine(line, &entry)) {
        case LineForm::Entry:
            take(entry);
            break;
        case LineForm::Blank:
            break;
        case LineForm::Unreadable:
            *error = texts::kChecksumLineUnreadable.arg(QDir::toNativeSeparators(path), QString::number(number));
            return ReadResult::Unreadable;
        }
    }
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
        , m_folder(FolderKey(joinedPath))
        , m_cleanFolder(CleanPath(QFile::encodeName(m_folder)))
        , m_folderPrefix(joinedPath.left(joinedPath.lastIndexOf(QLatin1Char('/')) + 1))
        , m_joinedName(QFile::encodeName(FileNameOf(joinedPath)))
    {
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (FolderKey(pieces[i]) == m_folder)
                m_pieces.insert(QFile::encodeName(FileNameOf(pieces[i])), int(i));
        }
    }
    // For a name as a line lists it; *piece is the piece's index in the list.
    Kind Classify(const QByteArray& listed, int* piece, QByteArray* name) const
    {
        *name = FileOfCleanFolder(listed, m_cleanFolder);
        if (name->isEmpty())
            return Kind::Other;
        if (const auto found = m_pieces.constFind(*name); found != m_pieces.cend()) {
            *piece = found.value();
            return Kind::Piece;
        }
        if (*name == m_joinedName)
            return Kind::Joined;
        // Read among the listed pieces, as the joined name was: movie1000.avi.qv is piece 1000
        // of movie.avi where the list holds movie000 to movie999.
        PieceName read;
        return m_reader.Parse(m_folderPrefix + QFile::decodeName(*name), &read) && read.JoinedPath() == m_joinedPath
            ? Kind::LeftOut
            : Kind::Other;
    }

private:
    PieceNameReader m_reader;
    QString m_joinedPath;
    QString m_folder; // the checksum file's, cleaned
    QByteArray m_cleanFolder; // the same, as FileOfCleanFolder takes it
    QString m_folderPrefix; // the joined path's, with its '/'
    QByteArray m_joinedName;
    QHash<QByteArray, int> m_pieces; // the pieces in the checksum file's folder, by name
};

} // namespace

QString ChecksumFileName(const QString& joinedPath)
{
    return joinedPath + QStringLiteral(".sha256");
}

LineForm ReadChecksumLine(QByteArrayView line, ChecksumEntry* entry)
{
    constexpr qsizetype kHex = 2 * kDigestBytes;
    constexpr QByteArrayView kTag = "SHA256";
    if (line.endsWith('\r'))
        line.chop(1);
    while (!line.isEmpty() && IsBlank(line.front()))
        line = line.sliced(1);
    if (line.isEmpty() || line.startsWith('#'))
        return LineForm::Blank;
    const bool escaped = line.startsWith('\\');
    if (escaped)
        line = line.sliced(1);
    QByteArrayView hex;
    QByteArrayView name;
    if (line.startsWith(kTag)) {
        // "SHA256 (<name>) = <hex>": the space before "(" may go, and the blanks around "=" may
        // be any; the name runs to the last ")".
        line = line.sliced(kTag.size());
        if (line.startsWith(' '))
            line = line.sliced(1);
        const qsizetype close = line.lastIndexOf(')');
        if (!line.startsWith('(') || close < 0)
            return LineForm::Unreadable;
        name = line.sliced(1, close - 1);
        QByteArrayView rest = line.sliced(close + 1);
        while (!rest.isEmpty() && IsBlank(rest.front()))
            rest = rest.sliced(1);
        if (!rest.startsWith('='))
            return LineForm::Unreadable;
        rest = rest.sliced(1);
        while (!rest.isEmpty() && IsBlank(rest.front()))
            rest = rest.sliced(1);
        hex = UpToNul(rest);
    } else {
        // "<hex> <name>": one blank, then a " " or "*" of text or binary mode where a name
        // follows it.
        if (line.size() <= kHex + 1 || !IsBlank(line.at(kHex)))
            return LineForm::Unreadable;
        hex = line.first(kHex);
        name = line.sliced(kHex + 1);
        if (name.size() > 1 && (name.front() == ' ' || name.front() == '*'))
            name = name.sliced(1);
    }
    if (hex.size() != kHex || !IsHex(hex))
        return LineForm::Unreadable;
    QByteArray plain = UpToNul(name).toByteArray();
    if (escaped && !Unescape(&plain))
        return LineForm::Unreadable;
    entry->name = plain;
    entry->digest = QByteArray::fromHex(hex.toByteArray());
    return LineForm::Entry;
}

QByteArray ListedFileOfFolder(QByteArrayView listedName, const QString& folder)
{
    return FileOfCleanFolder(listedName, CleanPath(QFile::encodeName(folder)));
}

bool NamesFileInFolder(QByteArrayView listedName, const QString& folder, const QString& fileName)
{
    const QByteArray name = ListedFileOfFolder(listedName, folder);
    return !name.isEmpty() && name == QFile::encodeName(fileName);
}

ChecksumFileRead ReadChecksumText(const QString& path, QByteArray* text, QString* error)
{
    if (!platform::PathExists(path))
        return ChecksumFileRead::Absent;
    // Opened without waiting, and only a regular file: a FIFO would block the reader until a
    // writer came, and a device could be read without end.
    const platform::UniqueFile handle = platform::OpenFileForRead(path, platform::AccessHint::Sequential);
    const int openError = errno;
    const auto refuse = [&](const QString& message, int reason) {
        *error = message.arg(QDir::toNativeSeparators(path));
        if (reason != 0)
            NoteFailure(path, reason);
        return ChecksumFileRead::Unreadable;
    };
    int64_t size = 0;
    if (!QFileInfo(path).isFile()
        || (handle && platform::GetFileSize64(handle.get(), &size) && size > kMaxChecksumFileBytes))
        return refuse(texts::kChecksumNotAFile, 0);
    if (!handle)
        return refuse(texts::kChecksumReadFailed, openError);
    // To the end, or one byte past the limit: it may have grown since its size was taken.
    constexpr qsizetype kBlock = 1 << 20;
    text->clear();
    text->reserve(qsizetype(size) + kBlock);
    while (text->size() <= kMaxChecksumFileBytes) {
        const qsizetype at = text->size();
        text->resize(at + kBlock);
        const ssize_t got = ::read(handle.get(), text->data() + at, size_t(kBlock));
        const int readError = errno;
        text->resize(at + std::max<qsizetype>(got, 0));
        if (got < 0 && readError == EINTR)
            continue;
        if (got < 0)
            return refuse(texts::kChecksumReadFailed, readError);
        if (got == 0)
            break;
    }
    if (text->size() > kMaxChecksumFileBytes) // it grew while it was read
        return refuse(texts::kChecksumNotAFile, 0);
    return ChecksumFileRead::Read;
}

bool NextChecksumLine(QByteArrayView text, qsizetype* pos, QByteArrayView* line)
{
    if (*pos >= text.size())
        return false;
    qsizetype end = text.indexOf('\n', *pos);
    if (end < 0)
        end = text.size();
    *line = text.sliced(*pos, end - *pos);
    *pos = end + 1;
    return true;
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
    if (g_cancelRequested.load())
        return texts::kChecksumStopped;
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
    QByteArray name;
    const ReadResult read = ReadChecksumFile(
        result.path,
        [&](const ChecksumEntry& entry) {
            if (names.Classify(entry.name, &piece, &name) != MergeNames::Kind::Other)
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
        [&](const ChecksumEntry& entry) {
            int piece = 0;
            QByteArray name;
            switch (names.Classify(entry.name, &piece, &name)) {
            case MergeNames::Kind::Piece:
                TakeDigest(&g_pieceRecords[size_t(piece)].sha256, entry.digest);
                break;
            case MergeNames::Kind::Joined:
                TakeDigest(&g_job.joinedSha256, entry.digest);
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
    if (record.sha256.isEmpty())
        return true;
    const DigestCheck check = CheckDigest(record.lock.get(), record.end, record.sha256);
    if (check == DigestCheck::Matches)
        return true;
    // A stop is no mismatch: the job ends without a word about the piece.
    if (check == DigestCheck::Differs && !s_mismatchShown.exchange(true))
        FailJob(texts::kChecksumMismatch.arg(QDir::toNativeSeparators(record.path)));
    g_job.failed = true;
    return false;
}

QString VerifyJoinedChecksum()
{
    if (g_job.joinedSha256.isEmpty())
        return {};
    switch (CheckDigest(g_job.joined.get(), platform::MappingSize(g_sharedMapping.get()), g_job.joinedSha256)) {
    case DigestCheck::Matches:
        return {};
    case DigestCheck::Stopped:
        return texts::kChecksumStopped;
    case DigestCheck::Differs:
        break;
    }
    return texts::kChecksumJoinedMismatch.arg(QDir::toNativeSeparators(g_job.joinedPath));
}

QList<PieceCheck> CheckPiecesAgainstChecksums(const QStringList& pieces, const QString& joinedPath, QString* error)
{
    const QString path = ChecksumFileName(joinedPath);
    const MergeNames names(pieces, joinedPath);
    std::vector<QByteArray> digests(size_t(pieces.size()));
    const ReadResult read = ReadChecksumFile(
        path,
        [&](const ChecksumEntry& entry) {
            int piece = 0;
            QByteArray name;
            if (names.Classify(entry.name, &piece, &name) == MergeNames::Kind::Piece)
                TakeDigest(&digests[size_t(piece)], entry.digest);
        },
        error);
    if (read == ReadResult::Absent) {
        NoteFailure(path, ENOENT);
        *error = texts::kChecksumReadFailed.arg(QDir::toNativeSeparators(path));
    }
    if (read != ReadResult::Read)
        return {};
    QList<PieceCheck> checks;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        PieceCheck& check = checks.emplace_back(PieceCheck { pieces[i], PieceCheck::Result::NotListed });
        if (digests[size_t(i)].isEmpty())
            continue;
        // Only a regular file: a FIFO or a device has no content to compare.
        const platform::UniqueFile file = platform::OpenFileForRead(pieces[i], platform::AccessHint::Sequential);
        struct stat st { };
        if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            check.result = PieceCheck::Result::Unreadable;
            continue;
        }
        std::vector<QByteArray> digest;
        const bool whole = DigestRanges(file.get(), { uint64_t(st.st_size) }, &digest);
        if (g_cancelRequested.load()) {
            *error = texts::kChecksumStopped;
            return {};
        }
        check.result = !whole                      ? PieceCheck::Result::Unreadable
            : digest.front() == digests[size_t(i)] ? PieceCheck::Result::Matches
                                                   : PieceCheck::Result::Differs;
    }
    return checks;
}
