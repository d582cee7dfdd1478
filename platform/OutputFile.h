#pragma once
// A file that a job writes: under a temporary name beside its final one until it is
// complete, so that a job that is killed leaves nothing that looks finished.

#include "FileSystem.h"

#include <QString>

namespace platform {

// Appended to the final name while the file is being written.
inline const QString kUnfinishedSuffix = QStringLiteral(".part");
// The name a file has while it is written: the final one with kUnfinishedSuffix, the final name
// shortened first (and told apart by a digest of it) where the suffix would not fit the file
// system's 255 bytes.
QString UnfinishedPathOf(const QString& finalPath);

// Removes the temporary file at tempPath if a job of this program made it and died: it bears
// this program's mark and nobody holds it. Locked when it is gone (or was never there), Busy
// while a job writes it, InTheWay for anything else.
LockResult RemoveLeftover(const QString& tempPath);

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&&) noexcept = default;
    OutputFile& operator=(OutputFile&& other) noexcept;
    ~OutputFile();

    // Claims finalPath for this job: an exclusive lock on the file there now (if any), and a
    // new, empty temporary file beside it, also locked. The temporary file is always created
    // anew, never opened: one left by a job that died is removed first, and a file there that
    // this program did not make is left alone (InTheWay). Busy when another job holds either
    // (and nothing was changed); Failed when the file cannot be made, or a file there may not be
    // written or is marked read-only (and nothing was made).
    LockResult Claim(const QString& finalPath);
    // The temporary file, open for reading and writing; invalid until claimed.
    FileHandle get() const
    {
        return m_temp.get();
    }
    const QString& FinalPath() const
    {
        return m_final;
    }
    QString TempPath() const
    {
        return UnfinishedPathOf(m_final);
    }
    bool Committed() const
    {
        return m_committed;
    }

    // Gives the temporary file its final name, replacing what was there; with `durable`, the
    // new name is on the disk when this returns. False when it could not be renamed.
    bool Commit(bool durable);
    // Removes what this wrote: the temporary file, or the final one once committed; only
    // while the name still names this file. Then lets go of the locks.
    void Remove();
    // Lets go of the locks, keeping whatever is on the disk; an uncommitted file is removed.
    void Close();

private:
    QString m_final;
    UniqueFile m_temp;
    UniqueFile m_finalLock; // the file that the final name named when it was claimed
    FileIdentity m_identity;
    bool m_committed = false;
};

} // namespace platform
