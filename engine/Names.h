#pragma once
// Names of pieces and of joined files: a piece carries no header, so its name alone says
// which file it belongs to and where it goes. Everything here answers from the names it is
// given, never from the file system.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>

// <folder>/<stem><index, at least three digits>.<ext>.qv, where stem and ext come from the
// source's file name (its last extension; none when the name has no dot past its start).
QString MakePieceName(const QString& sourcePath, const QString& folder, int index);

// A piece's name taken apart. Two numberings are read:
// - this program's, <prefix><stem><number><extension>.qv, the number three digits (000-999),
//   then 1000 and on without a leading zero;
// - a numbered last extension of three or more digits, <prefix><stem>.<number> (movie.mkv.001,
//   what most other splitters write), whose set starts at 000 or 001.
// The joined file is <prefix><stem><extension> in both.
struct PieceName {
    enum class Scheme { Qv, NumberedExtension };
    QString prefix; // the folder part of the path, with its final '/'; may be empty
    QString stem;
    QString number; // the digits
    QString extension; // ".avi", or empty; always empty for a numbered extension
    Scheme scheme = Scheme::Qv;

    uint64_t Value() const;
    QString JoinedPath() const;
    // The name of another piece of the same set.
    QString WithNumber(uint64_t value) const;
};

// Reads a name from its text alone: the digits in front of a .qv name's inner extension are
// three (fewer go whole). False for a name that is no piece name.
bool ParsePieceName(const QString& path, PieceName* piece);

// Reads names among the names at hand (the list being joined, or a piece's folder): a wider
// number is read only where it continues a set whose pieces 000-999 are all among them, so
// movie1000.avi.qv is piece 1000 of "movie" beside movie000-movie999, and piece 000 of
// "movie1" elsewhere.
class PieceNameReader {
public:
    explicit PieceNameReader(const QStringList& namesAtHand);
    bool Parse(const QString& path, PieceName* piece) const;

private:
    QHash<QString, QSet<QString>> m_threeDigitNumbers; // set key -> its numbers 000-999 at hand
};

// Whether two pieces belong to one set: the same name in front of the number, the same
// extension and the same numbering. Their folders are not compared: callers read names of one
// folder, or a list the user gathered.
bool SameSet(const PieceName& a, const PieceName& b);

// The members of the set of `piece` among the names in `folderEntries` (the entries of the
// piece's folder, without their folder), as paths beside `piece`, in piece order; empty when
// `piece` is no piece name.
QStringList SetMembers(const QString& piece, const QStringList& folderEntries);

// The file a piece joins back into, the piece read among the names at hand: its set's name
// without number and .qv; for a file that is no piece, "_qv" in front of its last extension.
QString MakeJoinedName(const QString& piecePath, const QStringList& namesAtHand = {});

// True when a file or a folder exists at path.
bool FileExists(const QString& path);

// The folder of a path: what lies in front of its last '/', "/" for a file at the root,
// empty for a bare name.
QString FolderOf(const QString& path);

// Order of the merge list: text order with letter case ignored, except that runs of digits
// (ASCII digits) compare by their value, so piece 1000 follows piece 999. Negative, zero or
// positive; zero only for the same text.
int ComparePieceNames(const QString& a, const QString& b);
