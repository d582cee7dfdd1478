// The information line: the size of the file to split in M of 1,000,000 bytes, the free
// space for its pieces, and whether a split may go ahead.

#include "DialogFixture.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <thread>

namespace {

const QString kUnknownFree = QStringLiteral("，存放分隔文件的磁盘剩余空间大小：未知");

QString Line(const QString& size, const QString& freeM)
{
    return QStringLiteral("文件总大小：%1 M，存放分隔文件的磁盘剩余空间大小：%2 M").arg(size, freeM);
}

struct InfoRow {
    const char* name;
    qint64 fileSize;
    std::optional<uint64_t> freeBytes;  // none: the disk cannot be asked
    const char* sizeText;
    const char* freeText;  // in M; ignored when the free space is unknown
    bool answer;
};

void PrintTo(const InfoRow& row, std::ostream* os)
{
    *os << row.name;
}

class FileInfoTest : public DialogFixture, public ::testing::WithParamInterface<InfoRow> {
protected:
    // Answers the free-space query with `freeBytes` and records which folder was asked.
    void SetFreeSpace(std::optional<uint64_t> freeBytes)
    {
        platform::testing::SetDiskFreeHook([this, freeBytes](const QString& folder, uint64_t* bytes) {
            askedFolders << folder;
            if (!freeBytes)
                return false;
            *bytes = *freeBytes;
            return true;
        });
    }

    QStringList askedFolders;
};

TEST_P(FileInfoTest, writesTheLineAndAnswersWhetherTheDiskHasRoom)
{
    const InfoRow& row = GetParam();
    const QString file = MakeFile(QStringLiteral("source.bin"), row.fileSize);
    const QString folder = Path(QStringLiteral("pieces"));
    SetFreeSpace(row.freeBytes);

    EXPECT_EQ(dlg->UpdateFileInfo(file, folder), row.answer);

    const QString expected = row.freeBytes ? Line(QString::fromUtf8(row.sizeText), QString::fromUtf8(row.freeText))
                                           : QStringLiteral("文件总大小：%1 M").arg(QString::fromUtf8(row.sizeText)) +
                                                 kUnknownFree;
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), expected);
    EXPECT_EQ(g_fileSize, row.fileSize);
    EXPECT_EQ(askedFolders, QStringList{folder});
    EXPECT_TRUE(messages.empty());
}

constexpr uint64_t kLots = 52'428'800'000ull;

INSTANTIATE_TEST_SUITE_P(
    Sizes, FileInfoTest,
    ::testing::Values(
        InfoRow{"exactly 1,000,000 bytes show two decimals", 1'000'000, kLots, "1.00", "52428", true},
        InfoRow{"one byte more is a whole number", 1'000'001, kLots, "1", "52428", true},
        InfoRow{"an empty file", 0, kLots, "0.00", "52428", true},
        InfoRow{"999,999 bytes round to 1.00", 999'999, kLots, "1.00", "52428", true},
        InfoRow{"2,500,000 bytes are cut, not rounded", 2'500'000, kLots, "2", "52428", true},
        InfoRow{"a file of 734,003,200 bytes", 734'003'200, kLots, "734", "52428", true},
        InfoRow{"files above 4 GB", 5'000'000'000, kLots, "5000", "52428", true},
        InfoRow{"the largest free space", 1'000'001, UINT64_MAX, "1", "18446744073709", true}));

INSTANTIATE_TEST_SUITE_P(
    Room, FileInfoTest,
    ::testing::Values(
        // Single precision makes 999,999,999 bytes 1000 M, in the line and in the comparison.
        InfoRow{"999,999,999 bytes against 1000 M", 999'999'999, 1'000'999'999, "1000", "1000", false},
        InfoRow{"999,999,999 bytes against 1001 M", 999'999'999, 1'001'000'000, "1000", "1001", true},
        InfoRow{"5 M against 5 M is refused", 5'400'000, 5'999'999, "5", "5", false},
        InfoRow{"4 M against 5 M is allowed", 4'999'999, 5'000'000, "4", "5", true},
        InfoRow{"under 1 M free refuses even an empty file", 0, 999'999, "0.00", "0", false},
        InfoRow{"no free space at all", 1'000'001, 0, "1", "0", false},
        // An unknown figure lets the split go on: reserving the pieces' space catches a full disk.
        InfoRow{"free space unknown", 2'500'000, std::nullopt, "2", "", true},
        InfoRow{"free space unknown, large file", 5'000'000'000, std::nullopt, "5000", "", true}));

TEST_F(FileInfoTest, asksTheFileSystemThatHoldsTheFolder)
{
    const QString file = MakeFile(QStringLiteral("source.bin"), 2'500'000);
    struct statvfs before {};
    ASSERT_EQ(::statvfs(QFile::encodeName(dir.path()).constData(), &before), 0);
    EXPECT_TRUE(dlg->UpdateFileInfo(file, dir.path()));
    struct statvfs after {};
    ASSERT_EQ(::statvfs(QFile::encodeName(dir.path()).constData(), &after), 0);

    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^文件总大小：2 M，存放分隔文件的磁盘剩余空间大小：(\\d+) M$"))
            .match(dlg->GetDlgItemText(ids::kInfoLine));
    ASSERT_TRUE(match.hasMatch()) << dlg->GetDlgItemText(ids::kInfoLine).toStdString();
    // All free blocks, not only those left to an ordinary user; other programs may write
    // meanwhile, hence the margin.
    const uint64_t shown = match.captured(1).toULongLong();
    const uint64_t m1 = uint64_t(before.f_bfree) * before.f_frsize / 1000000u;
    const uint64_t m2 = uint64_t(after.f_bfree) * after.f_frsize / 1000000u;
    EXPECT_GE(shown + 64, std::min(m1, m2));
    EXPECT_LE(shown, std::max(m1, m2) + 64);
}

TEST_F(FileInfoTest, saysTheFreeSpaceIsUnknownWhenTheFolderCannotBeAsked)
{
    const QString file = MakeFile(QStringLiteral("source.bin"), 1'000'000);
    for (const QString& folder : {QString(), Path(QStringLiteral("missing/folder"))}) {
        dlg->SetDlgItemText(ids::kInfoLine, QString());
        EXPECT_TRUE(dlg->UpdateFileInfo(file, folder)) << folder.toStdString();
        EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QStringLiteral("文件总大小：1.00 M") + kUnknownFree);
    }
    EXPECT_TRUE(messages.empty());
}

enum class Unopenable { Missing, Folder, Unreadable, EmptyPath, Pipe };

// Should a reader wait on the pipe, opens its other end after a while so that the test ends;
// records whether it had to.
class PipeRescuer {
public:
    explicit PipeRescuer(const QString& path)
        : m_name(QFile::encodeName(path))
        , m_thread([this] {
            for (int i = 0; i < 300 && !m_stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const int fd = ::open(m_name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {  // only succeeds while a reader has the pipe open
                m_rescued = true;
                ::close(fd);
            }
        })
    {
    }
    ~PipeRescuer()
    {
        m_stop = true;
        m_thread.join();
    }
    bool Rescued() const { return m_rescued; }

private:
    QByteArray m_name;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_rescued = false;
    std::thread m_thread;
};

class UnopenableFileTest : public DialogFixture, public ::testing::WithParamInterface<Unopenable> {};

TEST_P(UnopenableFileTest, showsOneMessageAndKeepsTheLine)
{
    QString path;
    switch (GetParam()) {
    case Unopenable::Missing:
        path = Path(QStringLiteral("missing.bin"));
        break;
    case Unopenable::Folder:
        path = dir.path();
        break;
    case Unopenable::Unreadable:
        if (::geteuid() == 0)
            GTEST_SKIP() << "every file is readable to root";
        path = MakeFile(QStringLiteral("locked.bin"), 100);
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
        break;
    case Unopenable::EmptyPath:
        break;
    case Unopenable::Pipe:
        path = Path(QStringLiteral("pipe.bin"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    }
    std::optional<PipeRescuer> rescuer;
    if (GetParam() == Unopenable::Pipe)
        rescuer.emplace(path);
    int asked = 0;
    platform::testing::SetDiskFreeHook([&asked](const QString&, uint64_t* bytes) {
        ++asked;
        *bytes = kLots;
        return true;
    });
    dlg->SetDlgItemText(ids::kInfoLine, QStringLiteral("文件总大小：7 M，存放分隔文件的磁盘剩余空间大小：9 M"));
    g_fileSize = 12345;

    EXPECT_FALSE(dlg->UpdateFileInfo(path, dir.path()));
    if (rescuer) {
        EXPECT_FALSE(rescuer->Rescued()) << "the window waited for a writer";
        rescuer.reset();
    }

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("打开文件失败，无法获知文件大小"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(messages[0].owner, dlg.get());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QStringLiteral("文件总大小：7 M，存放分隔文件的磁盘剩余空间大小：9 M"));
    EXPECT_EQ(g_fileSize, 12345);
    EXPECT_EQ(asked, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, UnopenableFileTest,
                         ::testing::Values(Unopenable::Missing, Unopenable::Folder, Unopenable::Unreadable,
                                           Unopenable::EmptyPath, Unopenable::Pipe));

}  // namespace
