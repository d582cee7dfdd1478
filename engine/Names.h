#pragma once
// Names of pieces and of joined files: a piece carries no header, so its name alone says
// which file it belongs to and where it goes.

#include <QString>
#include <QStringList>

// <folder>/<stem><index, at least three digits>.<ext>.qv, where stem and ext come from the
// source's file name (its last extension; none when the name has no dot past its start).
QString MakePieceName(const QString& sourcePath, const QString& folder, int index);

// A piece's name taken apart: <prefix><stem><number><extension>.qv, where the number is made
// of the ASCII digits that end the name in front of its extension (if any): three of them, or
// more where the folder holds the first piece of a set with a wider number (piece 1000 of a
// set that starts at 000, or a set cut with four-digit numbers from 0000).
struct PieceName {
    QString prefix; // the folder part of the path, with its final '/'; may be empty
    QString stem; // the file name in front of the number
    QString number; // the digits
    QString extension; // ".avi", or empty
};
// False for a name that is not a piece name.
bool ParsePieceName(const QString& path, PieceName* piece);

// Whether two pieces belong to one set: the same name in front of the number and the same
// extension.
bool SameSet(const PieceName& a, const PieceName& b);
// The files of the set of `piece` in its folder, itself included, in piece order; empty when
// `piece` is no piece name.
QStringList SetMembers(const QString& piece);
// False when the parsable piece names among `pieces` belong to more than one set; names that
// are no piece names (cut by other tools) belong to any.
bool OneSet(const QStringList& pieces);

// The file a piece joins back into: <stem>.<ext> for a piece <stem><digits>.<ext>.qv in the
// piece's folder, the number removed whole; for a .qv name without a number, three characters
// less; for any other name, "_qv" in front of its last extension.
QString MakeJoinedName(const QString& piecePath);

// True when a file or a folder exists at path.
bool FileExists(const QString& path);

// The folder of a path: what lies in front of its last '/', "/" for a file at the root,
// empty for a bare name.
QString FolderOf(const QString& path);

// Order of the merge list: text order with letter case ignored, except that runs of digits
// (ASCII digits) compare by their value, so piece 1000 follows piece 999. Negative, zero or
// positive; zero only for the same text.
int ComparePieceNames(const QString& a, const QString& b);
