#include "OutputFile.h"

#include <QCryptographicHash>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// The folder of a path, for syncing the entry of a file renamed there.
QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// What tells a temporary file of this program from a file of the same name that the user made:
// an extended attribute, where the file system keeps them. Without it, a file left by a job
// that was killed stays until the user removes it, and the job says where it is.
constexpr char kMarkName[] = "user.velda";
constexpr char kMarkValue[] = "unfinished";

bool Marked(int fd)
{
    char value[sizeof kMarkValue] = {};
    return ::fgetxattr(fd, kMarkName, value, sizeof value) == ssize_t(sizeof kMarkValue - 1)
        && std::memcmp(value, kMarkValue, sizeof kMarkValue - 1) == 0;
}

} // namespace

LockResult RemoveLeftover(const QString& tempPath)
{
    const QByteArray name = QFile::encodeName(tempPath);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    const UniqueFile leftover(fd);
    if (!leftover)
        return errno == ENOENT ? LockResult::Locked : LockResult::InTheWay;
    struct stat st { };
    FileIdentity identity;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !IdentifyFile(fd, &identity))
        return LockResult::InTheWay;
    if (!LockExclusive(fd))
        return LockResult::Busy;
    if (!Marked(fd))
        return LockResult::InTheWay;
    RemoveFileIfSame(tempPath, identity);
    return LockResult::Locked;
}

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
    // Created, never opened: whatever has the name now (a leftover of a killed job is removed
    // first) is never truncated or written through, not even through a hard link.
    int fd = -1;
    for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        do {
            fd = ::open(tempName.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno != EEXIST)
            return LockResult::Failed;
        if (fd < 0) {
            if (const LockResult left = RemoveLeftover(tempPath); left != LockResult::Locked) {
                errno = EEXIST;
                return left;
            }
        }
    }
    UniqueFile temp(fd);
    if (!temp)
        return LockResult::Busy; // another job keeps making it
    FileIdentity identity;
    if (!IdentifyFile(fd, &identity))
        return LockResult::Failed;
    // Locked before it is marked: until then, another job takes it for the user's own file.
    if (!LockExclusive(fd)) {
        RemoveFileIfSame(tempPath, identity);
        return LockResult::Busy;
    }
    ::fsetxattr(fd, kMarkName, kMarkValue, sizeof kMarkValue - 1, 0);
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
    ::fremovexattr(m_temp.get(), kMarkName); // a finished file is the user's
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
