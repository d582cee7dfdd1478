#pragma once
// The pieces of a set held against the checksum file beside them, for `velda verify` and for
// `velda join -o -`, which cannot check the joined file once it has gone out.

#include "JobSetup.h"

#include <QString>
#include <QStringList>

namespace cli {

struct ChecksumVerdict {
    QString file; // the checksum file the pieces were held against; empty: there is none
    QStringList problems; // one line per piece that does not match it or is missing, or why it cannot be read
};

// Hashes every listed piece that the checksum file names and compares, and names a piece of the
// set that it lists and the list lacks. Leaves the job state as a new job finds it.
ChecksumVerdict CheckPiecesAgainstChecksums(const MergeRequest& request);

} // namespace cli
