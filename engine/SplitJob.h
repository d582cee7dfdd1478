#pragma once

#include "JobState.h"

#include <QString>

// Appends one record per piece of [start, end): pieces of pieceSize bytes, the last one
// ending at end. pieceSize must be a nonzero multiple of the granularity.
void BuildPieceRanges(uint64_t start, uint64_t end, uint64_t pieceSize, std::vector<PieceRecord>& list);

// Reads a number the way "%f" does: leading white space skipped, anything after the number
// ignored ("50M" gives 50, "2,5" gives 2). An empty text is 0. ok is false when the text
// does not begin with a number.
double ParseLeadingNumber(const QString& text, bool* ok);

// Piece size in bytes for x megabytes of 1,000,000 bytes: rounded down to a multiple of the
// granularity, at least one granularity. False for a negative size, or one beyond the
// signed 64-bit range.
bool PieceSizeFromMegabytes(double x, uint32_t granularity, int64_t* pieceSize);

// The split job: arg points to the 64-bit piece size. With one worker per job it sends the
// job's one end report when every piece has been copied.
unsigned SplitJobEntry(void* arg);

// Creates every piece of g_job's source in g_job's folder and copies it, on this thread or
// on a thread per piece. On a failure it shows the message, marks the job failed and
// creates no further piece.
void RunSplit(int64_t pieceSize);
