#pragma once
// The checksum file beside a split's pieces: one line per piece and one for the whole file,
// "<sha256 in hex>  <name>", as sha256sum writes and checks it (a name with a backslash, a
// newline or a carriage return escaped, its line then starting with a backslash). A split
// writes it when asked to; a join that finds one checks the pieces before it copies them and
// the joined file before it takes its name. A join reads every line form that sha256sum -c
// checks: binary mode ("<hex> *<name>"), one space or a TAB after the digest, the BSD form
// ("SHA256 (<name>) = <hex>", sha256sum --tag, with or without its spaces).
//
// The file travels with pieces from anyone: only a regular file is read, never more than
// kMaxChecksumFileBytes of it. A line applies to the file of that name in the checksum file's
// own folder ("x", "./x", "sub/../x" or an absolute path into that folder); a line naming a
// file anywhere else is ignored, judged from the name alone. A line that is neither blank, a
// comment, nor a checksum line makes the whole file unreadable: it might be about a piece, and
// a piece is never left unchecked without a word.

#include "JobState.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Larger than any set's checksum file: a line is at most about 600 bytes for a name of 255
// bytes and under 100 for usual names, so this holds some 190,000 usual lines (a set of that
// many pieces is far beyond what a merge list is used for), and it is read in a fraction of a
// second. A larger file at the name is not a checksum file of ours, and is refused rather
// than read in part, which would leave pieces unchecked without a word.
inline constexpr qint64 kMaxChecksumFileBytes = 16 << 20;

// The checksum file of a set whose pieces join into joinedPath.
QString ChecksumFileName(const QString& joinedPath);

// One line of a checksum file, read as sha256sum -c reads it, from the line alone.
enum class LineForm {
    Entry, // a digest and a name
    Blank, // empty, blanks only, or a comment ("#…", after any blanks): nothing to check
    Unreadable, // anything else: sha256sum -c would skip it with a warning; a join refuses the file
};
struct ChecksumEntry {
    QByteArray name; // as the file system has it: unescaped, up to a NUL
    QByteArray digest; // 32 bytes
};
// For a line without its '\n' (a CR before it is dropped).
LineForm ReadChecksumLine(QByteArrayView line, ChecksumEntry* entry);

// The name of the file of `folder` that a listed name stands for, judged from the names alone:
// "x", "./x", ".//x", "sub/../x" and an absolute path whose folder, cleaned, is `folder` all
// stand for "x". Empty for a name of a file in any other folder, or of none ("-" is standard
// input to sha256sum). An absolute listed name matches only an absolute folder.
QByteArray ListedFileOfFolder(QByteArrayView listedName, const QString& folder);
// Whether a listed name stands for the file `fileName` of `folder`.
bool NamesFileInFolder(QByteArrayView listedName, const QString& folder, const QString& fileName);

// The text of the checksum file at `path`, for a caller that reads its lines itself: Absent
// when nothing is there; Unreadable, with why in *error, when what is there is no regular file,
// is larger than kMaxChecksumFileBytes, or cannot be read.
enum class ChecksumFileRead { Absent, Read, Unreadable };
ChecksumFileRead ReadChecksumText(const QString& path, QByteArray* text, QString* error);
// The line of `text` that starts at *pos, without its '\n', and *pos moved past it; false at
// the end. A last line without a '\n' is a line.
bool NextChecksumLine(QByteArrayView text, qsizetype* pos, QByteArrayView* line);

// For a split whose pieces are complete and whose source is unchanged: hashes the source
// once, feeding each piece's digest and the whole file's, and writes the checksum file
// under a temporary name, to the disk (with `flush`) and then under its name. Empty, or
// why it could not be written (and none is left); a stop (g_cancelRequested) ends the
// hashing and the job fails.
QString WriteSplitChecksums(bool flush);

// What the checksum file of a merge of `pieces` into `joinedPath` says about it. A line
// applies when it names one of the pieces, the joined file, or another piece of the same set
// (a file whose joined name is joinedPath: the merge would leave it out), each in the
// checksum file's folder; which one is decided from the names alone.
enum class ChecksumFit {
    None, // no checksum file
    Applies, // some line applies: the merge checks what it lists (or refuses a piece left out)
    NothingApplies, // no line applies: the merge would check nothing
    Unreadable, // not a regular file, too large, unreadable, or a line unreadable: the merge refuses it
};
struct ChecksumFileFit {
    ChecksumFit fit = ChecksumFit::None;
    QString path; // the checksum file
    QString error; // Unreadable: why, as the merge would refuse
};
// Reads the checksum file, if there is one; touches no piece. For a client to ask before it
// starts a merge whose checksum file would check nothing.
ChecksumFileFit FitOfChecksumFile(const QStringList& pieces, const QString& joinedPath);

// For a merge being prepared, its records filled: reads the checksum file of joinedPath, if
// there is one, into the records and g_job. Empty (also when no line applies), or why the
// merge would not give the original file (a piece listed there missing from the merge), or
// why the file cannot be read.
QString LoadMergeChecksums(const QString& joinedPath);

// On the thread that copies the piece, before its copy: whether the piece is the one that
// was listed (true for a piece without a line). On a mismatch it shows the error, naming the
// piece, and marks the job failed; a stop ends the hashing and marks the job failed too.
bool VerifyPieceChecksum(int32_t index);

// For a merge whose joined file has been written and flushed: empty, or why it is not the
// file the checksum file describes, or that a stop ended the hashing.
QString VerifyJoinedChecksum();

// Each of `pieces` hashed and compared with its line in the checksum file of joinedPath,
// in the order given; no job runs. Empty, with why in *error, when the checksum file is absent
// or cannot be read, or when a stop (g_cancelRequested) ended the hashing.
struct PieceCheck {
    enum class Result {
        Matches,
        Differs,
        NotListed, // no line of the checksum file is about it
        Unreadable, // the piece could not be read to its end
    };
    QString piece;
    Result result = Result::NotListed;
};
QList<PieceCheck> CheckPiecesAgainstChecksums(const QStringList& pieces, const QString& joinedPath, QString* error);
