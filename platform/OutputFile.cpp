#include "OutputFile.h"

#include <QCryptographicHash>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

namespace {

// The folder of a path, for syncing the entry of a file renamed there.
QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

} // namespace

QString UnfinishedPathOf(const QString& finalPath)
{
    constexpr qsizetype kNameMax = 255;
    const qsizetype nameStart = finalPath.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = finalPath.mid(nameStart);
    if (QFile::encodeName(name + kUnfinishedSuffix).size() <= kNameMax)
        return finalPath + kUnfinishedSuffix;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(name), QCryptographicHash::Sha256).toHex().left(16));
    const QString tail = QLatin1Char('~') + digest + kUnfinishedSuffix;
    QString shortened = name;
    while (!shortened.isEmpty() && QFile::encodeName(shortened + tail).size() > kNameMax) {
        shortened.chop(1);
        if (!shortened.isEmpty() && shortened.back().isHighSurrogate())
            shortened.chop(1); // never half a character
    }
    return finalPath.left(nameStart) + shortened + tail;
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_final = std::move(other.m_final);
        m_temp = std::move(other.m_temp);
        m_finalLock = std::move(other.m_finalLock);
        m_identity = other.m_identity;
        m_committed = other.m_committed;
    }
    return *this;
}

OutputFile::~OutputFile()
{
    Close();
}

LockResult OutputFile::Claim(const QString& finalPath)
{
    Close();
    const QByteArray finalName = QFile::encodeName(finalPath);
    struct stat st { };
    UniqueFile finalLock;
    if (::stat(finalName.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            errno = NotRegularError(st, 0);
            return LockResult::Failed; // a folder or a device is never replaced
        }
        // Nor a file that may not be written, or that its owner marked read-only: a rename would
        // replace it where writing it would have failed.
        if (::access(finalName.constData(), W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            errno = EACCES;
            return LockResult::Failed;
        }
        // A file this user cannot read is replaced all the same, as before, but unlocked.
        finalLock = OpenFileForRead(finalPath, AccessHint::Random);
        if (finalLock && !LockExclusive(finalLock.get()))
            return LockResult::Busy;
    }
    const QString tempPath = UnfinishedPathOf(finalPath);
    const QByteArray tempName = QFile::encodeName(tempPath);
    int fd;
    do {
        fd = ::open(tempName.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    UniqueFile temp(fd);
    if (!temp)
        return LockResult::Failed;
    st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        errno = NotRegularError(st, errno);
        return LockResult::Failed;
    }
    // Another job's unfinished file is locked; one that nobody holds was left by a job that
    // was killed, and is taken over.
    if (!LockExclusive(fd))
        return LockResult::Busy;
    FileIdentity identity;
    FileIdentity atPath;
    if (!IdentifyFile(fd, &identity) || !IdentifyPath(tempPath, &atPath) || !atPath.SameFile(identity))
        return LockResult::Busy; // renamed or replaced while being opened
    if (::ftruncate(fd, 0) != 0)
        return LockResult::Failed;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_final = finalPath;
    m_temp = std::move(temp);
    m_finalLock = std::move(finalLock);
    m_identity = identity;
    return LockResult::Locked;
}

bool OutputFile::Commit(bool durable)
{
    if (!m_temp || m_committed)
        return false;
    FileIdentity atPath;
    if (!IdentifyPath(TempPath(), &atPath) || !atPath.SameFile(m_identity))
        return false;
    const QByteArray finalName = QFile::encodeName(m_final);
    if (::rename(QFile::encodeName(TempPath()).constData(), finalName.constData()) != 0)
        return false;
    m_committed = true;
    m_finalLock.reset(); // the file it named is gone from the folder
    if (durable) {
        const UniqueFile folder(::open(FolderOf(finalName).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder || ::fsync(folder.get()) != 0)
            return false;
    }
    return true;
}

void OutputFile::Remove()
{
    if (m_temp)
        RemoveFileIfSame(m_committed ? m_final : TempPath(), m_identity);
    m_temp.reset();
    m_finalLock.reset();
    m_final.clear();
    m_committed = false;
}

void OutputFile::Close()
{
    if (!m_committed) {
        Remove();
        return;
    }
    m_temp.reset();
    m_finalLock.reset();
}

} // namespace platform
