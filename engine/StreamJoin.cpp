#include "StreamJoin.h"

#include "JobState.h"
#include "Texts.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// Writes all of [data, data + length) to fd. 0, or the errno value of the failure.
int WriteAll(int fd, const uint8_t* data, size_t length, const std::atomic<bool>& stop)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written > 0) {
            data += written;
            length -= size_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR && !stop.load())
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) { // a non-blocking descriptor
            pollfd ready { fd, POLLOUT, 0 };
            if (::poll(&ready, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        return written < 0 ? errno : EIO;
    }
    return 0;
}

} // namespace

QString PieceStream::Open(const QStringList& pieces)
{
    m_pieces.clear();
    m_total = 0;
    std::vector<platform::FileIdentity> identities;
    for (const QString& path : pieces) {
        Piece piece;
        piece.path = path;
        platform::LockResult lock = platform::LockResult::Failed;
        piece.lock = platform::OpenFileShared(path, platform::AccessHint::Sequential, &lock);
        if (lock == platform::LockResult::Busy)
            return texts::kFileBusy.arg(path);
        if (!piece.lock) {
            NoteFailure(path, errno);
            return texts::kOpenPieceFailed;
        }
        // One file listed twice, under two names, would be written twice.
        platform::FileIdentity identity;
        platform::IdentifyFile(piece.lock.get(), &identity);
        if (std::any_of(identities.begin(), identities.end(),
                [&](const platform::FileIdentity& earlier) { return earlier.SameFile(identity); }))
            return texts::kSameFileTwice.arg(path);
        identities.push_back(identity);
        piece.mapping = platform::CreateFileMapping(piece.lock.get(), platform::MappingAccess::ReadOnly, 0);
        if (!piece.mapping) {
            NoteFailure(path, errno);
            return texts::kMapMergePieceFailed;
        }
        piece.size = platform::MappingSize(piece.mapping.get());
        m_total += piece.size;
        m_pieces.push_back(std::move(piece));
    }
    return {};
}

PieceStream::Result PieceStream::WriteTo(int fd, const QString& fdName, uint32_t viewSize,
    const std::atomic<bool>& stop, const std::function<void(uint64_t)>& onView) const
{
    for (const Piece& piece : m_pieces) {
        for (uint64_t offset = 0; offset < piece.size; offset += viewSize) {
            if (stop.load())
                return Result::Stopped;
            const uint32_t length = uint32_t(std::min<uint64_t>(viewSize, piece.size - offset));
            platform::View view = platform::MapView(piece.mapping.get(), platform::ViewAccess::Read, offset, length);
            if (!view) {
                NoteFailure(piece.path, errno);
                return Result::ReadFailed;
            }
            const int error = WriteAll(fd, view.data, length, stop);
            platform::UnmapView(view);
            // The kernel reads the view for write(2): a piece cut short under it is EFAULT
            // there, where a copy of our own would have met SIGBUS.
            if (error == EFAULT) {
                NoteFailure(piece.path, EIO);
                return Result::ReadFailed;
            }
            if (error != 0) {
                if (error == EINTR && stop.load())
                    return Result::Stopped;
                NoteFailure(fdName, error);
                return Result::WriteFailed;
            }
            if (onView)
                onView(length);
        }
    }
    return Result::Done;
}
