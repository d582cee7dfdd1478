// The main dialog: its two modes, the browse command and drops of each, the information line,
// the options menu, and the commands a running job refuses.

#include "DialogFixture.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>

#include <optional>

namespace {

using namespace ids;

class DialogTest : public DialogFixture {
protected:
    bool Shown(int id) const
    {
        return !dlg->GetDlgItem(id)->isHidden();
    }
    QString Text(int id) const
    {
        return dlg->GetDlgItemText(id);
    }
    void Choose(int id)
    {
        dlg->GetMenuItem(id)->trigger();
    }
    bool Checked(int id) const
    {
        return dlg->GetMenuItem(id)->isChecked();
    }

    // Delivers a real drag and drop of these URLs; answers whether the dialog took it.
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &drop);
        return drop.isAccepted();
    }
};

TEST_F(DialogTest, eachModeShowsItsOwnControlsAndEmptiesThePath)
{
    for (const bool merge : { true, false, true }) {
        dlg->SetDlgItemText(kPathField, QStringLiteral("/d/typed.iso"));
        ChooseMode(merge ? texts::kModeMerge : texts::kModeSplit);
        EXPECT_EQ(Text(kStartButton), merge ? texts::kStartMerge : texts::kStartSplit);
        EXPECT_EQ(Text(kPathField), QString());
        for (const int id : { kSizeField, kSizeLabel, kUnitLabel, kInfoLine })
            EXPECT_EQ(Shown(id), !merge) << id;
        for (const int id : { kMergeList, kDeleteButton, kDeleteAfterMergeBox })
            EXPECT_EQ(Shown(id), merge) << id;
    }
}

TEST_F(DialogTest, aSplitPickSetsThePathTheInformationLineAndThePieceFolderOnlyOnce)
{
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString first = MakeFile(QStringLiteral("disk.iso"), 2'500'000);
    const QString second = MakeFile(QStringLiteral("sub/movie.avi"), 4'000'000);
    Browse({ first });
    EXPECT_EQ(Text(kPathField), first);
    EXPECT_EQ(g_sourcePath, first);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_EQ(Text(kInfoLine), QStringLiteral("文件总大小：2 M，存放分隔文件的磁盘剩余空间大小：52428 M"));
    Browse({ second });
    EXPECT_EQ(g_sourcePath, second);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_TRUE(Text(kInfoLine).startsWith(QStringLiteral("文件总大小：4 M")));
    Browse({}); // cancelled
    EXPECT_EQ(g_sourcePath, second);
    EXPECT_EQ(fileRequests, 3);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogTest, mergePicksAreListedSortedOnceAndMissingOnesReported)
{
    QStringList pieces;
    for (const int i : { 1, 2, 999, 1000 })
        pieces << MakeFile(QStringLiteral("movie%1.avi.qv").arg(i, 3, 10, QLatin1Char('0')));
    ChooseMode(texts::kModeMerge);
    Browse({ pieces[3], pieces[1], pieces[2] });
    Browse({ pieces[0], pieces[1], dir.filePath(QStringLiteral("gone.qv")) });
    EXPECT_EQ(ListEntries(), pieces);
    EXPECT_EQ(Text(kPathField), pieces[0]);
    EXPECT_EQ(messages, QStringList { texts::kFileMustExist });
}

TEST_F(DialogTest, droppedFilesAreTakenAsAPickOfTheMode)
{
    const QString first = MakeFile(QStringLiteral("b.iso"), 2'500'000), second = MakeFile(QStringLiteral("a.iso"));
    EXPECT_FALSE(Drop({ QUrl::fromLocalFile(dir.path()), QUrl(QStringLiteral("https://example.org/f")) }));
    EXPECT_TRUE(Drop({ QUrl::fromLocalFile(first), QUrl::fromLocalFile(second) }));
    EXPECT_EQ(g_sourcePath, first);
    EXPECT_TRUE(Text(kInfoLine).startsWith(QStringLiteral("文件总大小：2 M")));
    ChooseMode(texts::kModeMerge);
    EXPECT_TRUE(Drop({ QUrl::fromLocalFile(first), QUrl::fromLocalFile(dir.path()), QUrl::fromLocalFile(second) }));
    EXPECT_EQ(ListEntries(), QStringList({ second, first }));
    EXPECT_EQ(fileRequests, 0);
}

TEST_F(DialogTest, commandsThatChangeTheJobAreRefusedWhileItRuns)
{
    const QString file = MakeFile(QStringLiteral("disk.iso"));
    const std::pair<const char*, std::function<void()>> commands[] = {
        { "browse", [&] { Browse({ file }); } },
        { "mode change", [&] { ChooseMode(texts::kModeMerge); } },
        { "drop", [&] { Drop({ QUrl::fromLocalFile(file) }); } },
        { "multithreading", [&] { Choose(kMenuMultithreading); } },
    };
    auto snapshot = [&] {
        return QStringList { Text(kPathField), Text(kStartButton), g_sourcePath, g_pieceFolder,
            ListEntries().join(QLatin1Char('|')), QString::number(dlg->m_splitMode),
            QString::number(g_useMultithreading.load()), QString::number(Checked(kMenuMultithreading)) };
    };
    for (const QString& caption : { texts::kSplitting, texts::kMerging }) {
        dlg->SetDlgItemText(kStartButton, caption);
        for (const auto& [name, command] : commands) {
            const QStringList before = snapshot();
            command();
            EXPECT_EQ(snapshot(), before) << name << ' ' << caption.toStdString();
        }
    }
    EXPECT_EQ(fileRequests, 0);
    EXPECT_TRUE(messages.isEmpty());
}

struct InfoRow {
    qint64 fileSize; // negative: no such file
    std::optional<uint64_t> freeBytes; // none: the disk cannot be asked
    const char* line;
    bool room;
};

class InformationLine : public DialogTest, public ::testing::WithParamInterface<InfoRow> { };

TEST_P(InformationLine, showsSizeAndFreeSpaceInMAndAnswersWhetherThereIsRoom)
{
    const InfoRow& row = GetParam();
    const QString file
        = row.fileSize < 0 ? dir.filePath(QStringLiteral("gone")) : MakeFile(QStringLiteral("f"), row.fileSize);
    freeKnown = row.freeBytes.has_value();
    freeBytes = row.freeBytes.value_or(0);
    EXPECT_EQ(dlg->UpdateFileInfo(file, dir.path()), row.room);
    EXPECT_EQ(Text(kInfoLine), QString::fromUtf8(row.line));
    EXPECT_EQ(messages, row.fileSize < 0 ? QStringList { texts::kOpenFileForSizeFailed } : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Figures, InformationLine,
    ::testing::Values(
        // Single precision makes 999,999,999 bytes 1000 M, in the line and in the comparison.
        InfoRow { 999'999'999, 1'000'999'999, "文件总大小：1000 M，存放分隔文件的磁盘剩余空间大小：1000 M", false },
        InfoRow { 999'999'999, 1'001'000'000, "文件总大小：1000 M，存放分隔文件的磁盘剩余空间大小：1001 M", true },
        InfoRow { 1'000'000, 52'428'800'000, "文件总大小：1.00 M，存放分隔文件的磁盘剩余空间大小：52428 M", true },
        InfoRow { 5'000'000'000, 4'999'999'999, "文件总大小：5000 M，存放分隔文件的磁盘剩余空间大小：4999 M", false },
        InfoRow { 5'000'000'000, std::nullopt, "文件总大小：5000 M，存放分隔文件的磁盘剩余空间大小：未知", true },
        InfoRow { -1, 52'428'800'000, "", false }));

TEST_F(DialogTest, menuOptions)
{
    for (const bool shown : { false, true }) {
        Choose(kMenuShowProgress);
        EXPECT_EQ(g_showProgress.load(), shown);
        EXPECT_EQ(Checked(kMenuShowProgress), shown);
    }
    Choose(kMenuMultithreading);
    EXPECT_TRUE(g_useMultithreading.load());
    EXPECT_TRUE(Checked(kMenuMultithreading));

    QList<int> factors;
    for (int i = 0; i < 4; ++i) {
        Choose(kMenuEnlargeBuffer);
        factors << dlg->m_bufferFactor;
    }
    EXPECT_EQ(factors, QList<int>({ 100, 1000, 10000, 10000 }));

    g_pieceFolder = QStringLiteral("/e/out");
    folderAnswers << QUrl(QStringLiteral("smb://server/share")) << QUrl::fromLocalFile(dir.path() + QLatin1Char('/'));
    Choose(kMenuPieceFolder);
    EXPECT_EQ(g_pieceFolder, QStringLiteral("/e/out"));
    EXPECT_EQ(messages, QStringList { texts::kFolderWithoutPath });
    Choose(kMenuPieceFolder);
    EXPECT_EQ(g_pieceFolder, dir.path());
}

} // namespace
