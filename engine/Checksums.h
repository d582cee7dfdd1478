#pragma once
// The checksum file beside a split's pieces: one line per piece and one for the whole file,
// "<sha256 in hex>  <name>", as sha256sum writes and checks it (a name with a backslash, a
// newline or a carriage return escaped, its line then starting with a backslash). A split
// writes it when asked to; a join that finds one checks the pieces before it copies them and
// the joined file before it takes its name. A join also reads sha256sum's binary mode
// ("<hex> *<name>") and the BSD form ("SHA256 (<name>) = <hex>", sha256sum --tag).
//
// The file travels with pieces from anyone: only a regular file is read, never more than
// kMaxChecksumFileBytes of it, and a line only as far as the longest line that can name a
// file of its folder. A line applies to the file of that name in the checksum file's own
// folder; a line naming a file anywhere else is ignored, judged from the name alone.

#include "JobState.h"

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

// For a split whose pieces are complete and whose source is unchanged: hashes the source
// once, feeding each piece's digest and the whole file's, and writes the checksum file
// under a temporary name, to the disk (with `flush`) and then under its name. Empty, or
// why it could not be written (and none is left).
QString WriteSplitChecksums(bool flush);

// What the checksum file of a merge of `pieces` into `joinedPath` says about it. A line
// applies when it names one of the pieces, the joined file, or another piece of the same set
// (a file whose joined name is joinedPath: the merge would leave it out), each in the
// checksum file's folder; which one is decided from the names alone.
enum class ChecksumFit {
    None, // no checksum file
    Applies, // some line applies: the merge checks what it lists (or refuses a piece left out)
    NothingApplies, // no line applies: the merge would check nothing
    Unreadable, // not a regular file, too large, or unreadable: the merge refuses it
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
// piece, and marks the job failed.
bool VerifyPieceChecksum(int32_t index);

// For a merge whose joined file has been written and flushed: empty, or why it is not the
// file the checksum file describes.
QString VerifyJoinedChecksum();
