#pragma once
// A merge whose output is a stream (a pipe, standard output): a stream cannot be mapped, so
// each piece's read-only views are handed to write(2) as they are, in order, with no buffer
// of the program's own between.

#include "FileMapping.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

class PieceStream {
public:
    // Opens and maps every piece under a shared lock, before a byte goes out: empty, or why
    // a piece cannot be read (its failure noted, as a merge's set-up notes it).
    QString Open(const QStringList& pieces);
    uint64_t TotalBytes() const
    {
        return m_total;
    }

    enum class Result { Done, Stopped, WriteFailed, ReadFailed };
    // Writes the pieces to `fd`, view by view, each view of at most viewSize bytes (a multiple
    // of the allocation granularity); `onView` hears the bytes of every view written. Stops
    // before the next write once `stop` is set. On a failure, the file it concerns and the
    // system's reason are noted: a piece that cannot be read (cut short under the stream),
    // or `fdName` when fd refuses the bytes (EPIPE: the reader has gone).
    Result WriteTo(int fd, const QString& fdName, uint32_t viewSize, const std::atomic<bool>& stop,
        const std::function<void(uint64_t bytes)>& onView) const;

private:
    struct Piece {
        QString path;
        platform::UniqueFile lock;
        platform::UniqueMapping mapping;
        uint64_t size = 0;
    };
    std::vector<Piece> m_pieces;
    uint64_t m_total = 0;
};
