#pragma once
// The checksum file beside a split's pieces: one line per piece and one for the whole file,
// "<sha256 in hex>  <name>", as sha256sum writes and checks it. A split writes it when asked
// to; a join that finds one checks the pieces before it copies them and the joined file
// before it takes its name.

#include "JobState.h"

#include <QString>

// The checksum file of a set whose pieces join into joinedPath.
QString ChecksumFileName(const QString& joinedPath);

// For a split whose pieces are complete and whose source is unchanged: hashes the source
// once, feeding each piece's digest and the whole file's, and writes the checksum file
// under a temporary name, to the disk (with `flush`) and then under its name. Empty, or
// why it could not be written (and none is left).
QString WriteSplitChecksums(bool flush);

// For a merge being prepared, its records filled: reads the checksum file beside the first
// piece, if there is one, into the records and g_job. Empty, or why the merge would not give
// the original file (a piece listed there missing from the merge), or why the file cannot be
// read.
QString LoadMergeChecksums(const QString& firstPiece, const QString& joinedPath);

// On the thread that copies the piece, before its copy: whether the piece is the one that
// was listed (true for a piece without a line). On a mismatch it shows the error, naming the
// piece, and marks the job failed.
bool VerifyPieceChecksum(int32_t index);

// For a merge whose joined file has been written and flushed: empty, or why it is not the
// file the checksum file describes.
QString VerifyJoinedChecksum();
