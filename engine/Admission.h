#pragma once
// Whether a list of files may be joined as the whole original. One rule for every client: the
// window asks the user about what it finds, the command line refuses, and PrepareMerge refuses
// a job with findings that nobody accepted.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

struct MergeRequest;

struct MergeFinding {
    enum class Kind {
        Missing, // a piece between the set's first and the last listed is not listed
        Short, // a piece is not the size of the first, or the last is empty
        TwoSets, // pieces of two sets
        NotAPiece, // a file that is no piece, among pieces
        SetGoesOn, // the folder holds pieces of the set after the last listed
        StrayFirst, // a .000 beside a numbered set listed from .001: its first piece, or a stray?
        ChecksumNothingApplies, // a checksum file lies beside the pieces and checks none of them
    };
    Kind kind = Kind::Missing;
    QString name; // the file it concerns: the first missing piece, the short piece, the checksum file
};

// What the admission is given: only names and sizes, read by its caller.
struct MergeCandidate {
    QStringList pieces; // in the order they join
    QList<int64_t> sizes; // each listed piece's size; negative: unknown; empty: none known
    QStringList folderEntries; // the names in the first piece's folder, without the folder
    QString checksumFile; // the checksum file beside the pieces when one applies to them
    bool checksumAppliesToNone = false; // it is there and no line of it concerns the set
};

// The findings, the first the most telling; none for a whole set, or for a list of files none of
// which is a piece (those join in the order given).
QList<MergeFinding> AdmitMerge(const MergeCandidate& candidate);

// Reads what AdmitMerge needs for a merge request from the file system (the pieces' sizes, the
// first piece's folder, the checksum file beside them) and admits it.
QList<MergeFinding> AdmitMergeRequest(const MergeRequest& request);

// The finding as the user reads it.
QString DescribeFinding(const MergeFinding& finding);
