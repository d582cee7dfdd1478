// Switching between split and merge mode, the browse command of each mode, the merge list
// and the delete-after-merge box.

#include "DialogFixture.h"
#include "ExListBox.h"
#include "GradientProgressCtrl.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <ostream>

namespace {

const QStringList kSplitFilters{QStringLiteral("*.* (*)"), QStringLiteral("All files (*)")};
const QStringList kMergeFilters{QStringLiteral("*.qv (*.qv)"), QStringLiteral("All files (*)")};

class InputSelectionTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        // A known free space, so that the information line does not depend on the disk.
        platform::testing::SetDiskFreeHook([](const QString&, uint64_t* bytes) {
            *bytes = 52'428'800'000ull;
            return true;
        });
    }

    QComboBox* Selector() const { return Control<QComboBox>(ids::kModeSelector); }
    QCheckBox* DeleteBox() const { return Control<QCheckBox>(ids::kDeleteAfterMergeBox); }

    // Picks a mode the way a user does: with the keyboard on the selector.
    void ChooseMode(const QString& mode)
    {
        QComboBox* selector = Selector();
        const int target = selector->findText(mode);
        ASSERT_GE(target, 0);
        QTest::keyClick(selector, target > selector->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(selector->currentText(), mode);
    }

    void Browse() { static_cast<QPushButton*>(dlg->GetDlgItem(ids::kBrowseButton))->click(); }

    void BrowseFor(const QStringList& answer)
    {
        fileAnswers.push_back(answer);
        Browse();
    }

    QStringList ListEntries() const
    {
        QStringList entries;
        for (int i = 0; i < dlg->m_listBox->GetCount(); ++i)
            entries << dlg->m_listBox->GetText(i);
        return entries;
    }

    bool Shown(int id) const { return !dlg->GetDlgItem(id)->isHidden(); }

    void ExpectSplitMode()
    {
        EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), QStringLiteral("开始分割"));
        EXPECT_EQ(dlg->m_splitMode, 1);
        for (const int id : {ids::kSizeField, ids::kSizeLabel, ids::kUnitLabel, ids::kInfoLine})
            EXPECT_TRUE(Shown(id)) << id;
        for (const int id : {ids::kMergeList, ids::kDeleteButton, ids::kDeleteAfterMergeBox})
            EXPECT_FALSE(Shown(id)) << id;
    }

    void ExpectMergeMode()
    {
        EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), QStringLiteral("开始合并"));
        EXPECT_EQ(dlg->m_splitMode, 0);
        for (const int id : {ids::kSizeField, ids::kSizeLabel, ids::kUnitLabel, ids::kInfoLine})
            EXPECT_FALSE(Shown(id)) << id;
        for (const int id : {ids::kMergeList, ids::kDeleteButton, ids::kDeleteAfterMergeBox})
            EXPECT_TRUE(Shown(id)) << id;
        EXPECT_TRUE(DeleteBox()->isChecked());
        EXPECT_EQ(dlg->m_deleteAfterMerge, 1);
    }
};

// ---- Mode change -------------------------------------------------------------------------

TEST_F(InputSelectionTest, modeChangeSwapsTheControlsAndEmptiesThePathFieldBothWays)
{
    const QString piece = MakeFile(QStringLiteral("disk000.iso.qv"));
    g_pieceFolder = QStringLiteral("/e/out");
    g_sourcePath = QStringLiteral("/d/disk.iso");
    dlg->SetDlgItemText(ids::kInfoLine, QStringLiteral("文件总大小：7 M"));
    dlg->m_progress->SetRange(0, 40);
    dlg->m_progress->StepIt();

    for (int round = 0; round < 2; ++round) {
        dlg->SetDlgItemText(ids::kPathField, QStringLiteral("/d/typed.iso"));
        ChooseMode(QStringLiteral("文件合并"));
        ExpectMergeMode();
        EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), QString());
        if (round == 0)
            BrowseFor({piece});

        dlg->SetDlgItemText(ids::kPathField, piece);
        ChooseMode(QStringLiteral("文件分割"));
        ExpectSplitMode();
        EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), QString());

        // What the mode change leaves alone.
        EXPECT_EQ(ListEntries(), QStringList{piece});
        EXPECT_EQ(dlg->m_pickedNames, QStringList{piece});
        EXPECT_EQ(g_pieceFolder, QStringLiteral("/e/out"));
        EXPECT_EQ(g_sourcePath, QStringLiteral("/d/disk.iso"));
        EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QStringLiteral("文件总大小：7 M"));
        EXPECT_EQ(dlg->m_progress->m_nRangeUpper, 40);
        EXPECT_EQ(dlg->m_progress->m_nPosition, 1);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(InputSelectionTest, deleteBoxIsCheckedOnEveryEntryToMergeModeAndFollowsClicks)
{
    ChooseMode(QStringLiteral("文件合并"));
    ExpectMergeMode();

    DeleteBox()->click();
    EXPECT_FALSE(DeleteBox()->isChecked());
    EXPECT_EQ(dlg->m_deleteAfterMerge, 0);
    DeleteBox()->click();
    EXPECT_TRUE(DeleteBox()->isChecked());
    EXPECT_EQ(dlg->m_deleteAfterMerge, 1);
    QTest::mouseClick(DeleteBox(), Qt::LeftButton);
    EXPECT_EQ(dlg->m_deleteAfterMerge, 0);

    ChooseMode(QStringLiteral("文件分割"));
    EXPECT_EQ(dlg->m_deleteAfterMerge, 0);
    ChooseMode(QStringLiteral("文件合并"));
    ExpectMergeMode();
}

TEST_F(InputSelectionTest, deleteBoxStillWorksWhileAJobRuns)
{
    ChooseMode(QStringLiteral("文件合并"));
    SimulateRunningJob(QStringLiteral("正在合并"));
    DeleteBox()->click();
    EXPECT_EQ(dlg->m_deleteAfterMerge, 0);
}

struct RunningRow {
    const char* caption;
    const char* choice;
};

void PrintTo(const RunningRow& row, std::ostream* os)
{
    *os << row.caption << " / " << row.choice;
}

class RefusedWhileRunningTest : public InputSelectionTest, public ::testing::WithParamInterface<RunningRow> {};

TEST_P(RefusedWhileRunningTest, modeChangeChangesOnlyTheSelector)
{
    const bool merging = QString::fromUtf8(GetParam().caption) == QStringLiteral("正在合并");
    if (merging)
        ChooseMode(QStringLiteral("文件合并"));
    dlg->SetDlgItemText(ids::kPathField, QStringLiteral("/d/disk.iso"));
    SimulateRunningJob(QString::fromUtf8(GetParam().caption));

    ChooseMode(QString::fromUtf8(GetParam().choice));

    EXPECT_EQ(Selector()->currentText(), QString::fromUtf8(GetParam().choice));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), QString::fromUtf8(GetParam().caption));
    EXPECT_EQ(dlg->m_splitMode, merging ? 0 : 1);
    EXPECT_EQ(Shown(ids::kMergeList), merging);
    EXPECT_EQ(Shown(ids::kSizeField), !merging);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), QStringLiteral("/d/disk.iso"));
}

TEST_P(RefusedWhileRunningTest, browseOpensNoPicker)
{
    if (QString::fromUtf8(GetParam().caption) == QStringLiteral("正在合并"))
        ChooseMode(QStringLiteral("文件合并"));
    SimulateRunningJob(QString::fromUtf8(GetParam().caption));
    fileAnswers.push_back({MakeFile(QStringLiteral("disk.iso"))});
    dlg->m_pickedNames = QStringList{QStringLiteral("/d/earlier.qv")};

    Browse();

    EXPECT_TRUE(fileRequests.empty());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), QString());
    EXPECT_EQ(g_sourcePath, QString());
    EXPECT_EQ(g_pieceFolder, QString());
    EXPECT_EQ(dlg->m_pickedNames, QStringList{QStringLiteral("/d/earlier.qv")});
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Jobs, RefusedWhileRunningTest,
                         ::testing::Values(RunningRow{"正在分割", "文件合并"}, RunningRow{"正在合并", "文件分割"}));

// ---- Split-mode browse -------------------------------------------------------------------

TEST_F(InputSelectionTest, splitPickFillsThePathFieldTheSourceTheFolderAndTheLine)
{
    const QString source = MakeFile(QStringLiteral("disk.iso"), 2'500'000);
    BrowseFor({source});

    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].filters, kSplitFilters);
    EXPECT_FALSE(fileRequests[0].multiple);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), source);
    EXPECT_EQ(g_sourcePath, source);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine),
              QStringLiteral("文件总大小：2 M，存放分隔文件的磁盘剩余空间大小：52428 M"));
    EXPECT_TRUE(dlg->m_pickedNames.isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(InputSelectionTest, laterSplitPicksKeepTheFirstFolder)
{
    QDir(dir.path()).mkdir(QStringLiteral("other"));
    const QString first = MakeFile(QStringLiteral("disk.iso"), 1'000'000);
    const QString second = MakeFile(QStringLiteral("other/movie.avi"), 4'000'000);
    BrowseFor({first});
    BrowseFor({second});

    EXPECT_EQ(g_sourcePath, second);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), second);
    EXPECT_EQ(g_pieceFolder, dir.path());
    // The line follows the latest pick.
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine),
              QStringLiteral("文件总大小：4 M，存放分隔文件的磁盘剩余空间大小：52428 M"));
}

TEST_F(InputSelectionTest, aFolderChosenInTheMenuSurvivesSplitPicks)
{
    QDir(dir.path()).mkdir(QStringLiteral("pieces"));
    folderAnswers.push_back(QUrl::fromLocalFile(Path(QStringLiteral("pieces"))));
    dlg->GetMenuItem(ids::kMenuPieceFolder)->trigger();
    ASSERT_EQ(g_pieceFolder, Path(QStringLiteral("pieces")));

    BrowseFor({MakeFile(QStringLiteral("disk.iso"))});
    EXPECT_EQ(g_pieceFolder, Path(QStringLiteral("pieces")));
}

TEST_F(InputSelectionTest, aPickAtTheRootGivesTheRootAsFolder)
{
    BrowseFor({QStringLiteral("/velda-test-no-such-file.iso")});
    EXPECT_EQ(g_pieceFolder, QStringLiteral("/"));
    EXPECT_EQ(g_sourcePath, QStringLiteral("/velda-test-no-such-file.iso"));
}

TEST_F(InputSelectionTest, aSplitPickThatCannotBeOpenedIsTakenAndReported)
{
    const QString missing = Path(QStringLiteral("gone.iso"));
    dlg->SetDlgItemText(ids::kInfoLine, QStringLiteral("earlier"));
    BrowseFor({missing});

    EXPECT_EQ(g_sourcePath, missing);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), missing);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QStringLiteral("earlier"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("打开文件失败，无法获知文件大小"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("错误"));
}

TEST_F(InputSelectionTest, aCancelledSplitPickChangesNothing)
{
    BrowseFor({MakeFile(QStringLiteral("disk.iso"))});
    BrowseFor({});
    EXPECT_EQ(fileRequests.size(), 2u);
    EXPECT_EQ(g_sourcePath, Path(QStringLiteral("disk.iso")));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), Path(QStringLiteral("disk.iso")));
    EXPECT_EQ(g_pieceFolder, dir.path());
}

// ---- Merge-mode browse -------------------------------------------------------------------

TEST_F(InputSelectionTest, mergePicksGoToTheirSortedPlace)
{
    const QString disk1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    const QString disk2 = MakeFile(QStringLiteral("disk002.iso.qv"));
    const QString disk3 = MakeFile(QStringLiteral("disk003.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));

    BrowseFor({disk2});
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].filters, kMergeFilters);
    EXPECT_TRUE(fileRequests[0].multiple);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), disk2);

    BrowseFor({disk1});
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk2}));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), disk1);

    // Several at once, in the order the picker gives them; already listed ones are skipped.
    BrowseFor({disk3, disk1, disk2});
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk2, disk3}));
    EXPECT_EQ(dlg->m_pickedNames, QStringList({disk3, disk1, disk2}));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), disk3);
    EXPECT_TRUE(messages.empty());
    // A merge pick leaves the split's values alone.
    EXPECT_EQ(g_sourcePath, QString());
    EXPECT_EQ(g_pieceFolder, QString());
}

TEST_F(InputSelectionTest, piecesBeyond999FollowInNumericOrder)
{
    ChooseMode(QStringLiteral("文件合并"));
    QStringList expected;
    for (const int i : {0, 1, 99, 100, 101, 999, 1000, 1001, 1200})
        expected << MakeFile(QStringLiteral("movie%1.avi.qv").arg(i, 3, 10, QLatin1Char('0')));
    BrowseFor({expected[6], expected[2], expected[8], expected[4]});
    BrowseFor({expected[0], expected[7], expected[5], expected[3], expected[1]});
    EXPECT_EQ(ListEntries(), expected);
}

TEST_F(InputSelectionTest, namesDifferingInCaseAreDifferentFiles)
{
    const QString lower = MakeFile(QStringLiteral("disk001.iso.qv"));
    const QString upper = MakeFile(QStringLiteral("DISK001.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));
    BrowseFor({lower});
    BrowseFor({upper, lower});
    EXPECT_EQ(ListEntries(), QStringList({upper, lower}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(InputSelectionTest, aCancelledMergePickLeavesTheListAndNoPickedNames)
{
    const QString disk1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));
    BrowseFor({disk1});
    ASSERT_EQ(dlg->m_pickedNames, QStringList{disk1});

    BrowseFor({});
    EXPECT_EQ(fileRequests.size(), 2u);
    EXPECT_EQ(ListEntries(), QStringList{disk1});
    EXPECT_TRUE(dlg->m_pickedNames.isEmpty());
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), disk1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(InputSelectionTest, missingPiecesAreReportedOnceAndNotListed)
{
    const QString disk1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    const QString disk3 = MakeFile(QStringLiteral("disk003.iso.qv"));
    const QString gone2 = Path(QStringLiteral("disk002.iso.qv"));
    const QString gone4 = Path(QStringLiteral("disk004.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));

    BrowseFor({disk1, gone2, disk3, gone4});
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk3}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("请确保文件存在！"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(messages[0].owner, dlg.get());

    // The first pick names the joined file: when it is gone, nothing is taken.
    messages.clear();
    const QString disk5 = MakeFile(QStringLiteral("disk005.iso.qv"));
    BrowseFor({gone2, disk5});
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk3}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("请确保文件存在！"));
}

TEST_F(InputSelectionTest, addingThePathFieldAloneTakesItWhenItExists)
{
    const QString disk1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));
    dlg->SetDlgItemText(ids::kPathField, disk1);
    dlg->AddPickedNamesToList();
    EXPECT_EQ(ListEntries(), QStringList{disk1});
    EXPECT_EQ(dlg->m_pickedNames, QStringList{disk1});

    dlg->m_pickedNames.clear();
    dlg->SetDlgItemText(ids::kPathField, Path(QStringLiteral("typed-but-missing.qv")));
    dlg->AddPickedNamesToList();
    EXPECT_EQ(ListEntries(), QStringList{disk1});
    EXPECT_EQ(CountMessages(QStringLiteral("请确保文件存在！")), 1);
}

// ---- Deleting entries --------------------------------------------------------------------

TEST_F(InputSelectionTest, deleteRemovesTheSelectedEntryOnly)
{
    const QString disk1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    const QString disk2 = MakeFile(QStringLiteral("disk002.iso.qv"));
    const QString disk3 = MakeFile(QStringLiteral("disk003.iso.qv"));
    ChooseMode(QStringLiteral("文件合并"));
    BrowseFor({disk1, disk2, disk3});
    auto* deleteButton = static_cast<QPushButton*>(dlg->GetDlgItem(ids::kDeleteButton));

    // Nothing selected: nothing goes.
    dlg->m_listBox->SetCurSel(-1);
    ASSERT_EQ(dlg->m_listBox->GetCurSel(), -1);
    deleteButton->click();
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk2, disk3}));

    dlg->m_listBox->SetCurSel(1);
    deleteButton->click();
    EXPECT_EQ(ListEntries(), QStringList({disk1, disk3}));
    EXPECT_TRUE(QFile::exists(disk2));

    // Deleting works while a job runs, too.
    dlg->m_listBox->SetCurSel(0);
    SimulateRunningJob(QStringLiteral("正在合并"));
    deleteButton->click();
    EXPECT_EQ(ListEntries(), QStringList{disk3});

    // A deleted entry can be picked again.
    SimulateRunningJob(QStringLiteral("开始合并"));
    BrowseFor({disk2});
    EXPECT_EQ(ListEntries(), QStringList({disk2, disk3}));
}

}  // namespace
