// The options and help menu: its items, the options they change and the texts and pages
// they show.

#include "DialogFixture.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QUrlQuery>

#include <ostream>

namespace {

// Receives the addresses that the program asks the system's browser to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
    QList<QUrl> urls;
};

class MenuTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        for (const QString& scheme : {QStringLiteral("https"), QStringLiteral("http")})
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    }
    void TearDown() override
    {
        for (const QString& scheme : {QStringLiteral("https"), QStringLiteral("http")})
            QDesktopServices::unsetUrlHandler(scheme);
        DialogFixture::TearDown();
    }

    QAction* Item(int id) const
    {
        QAction* action = dlg->GetMenuItem(id);
        EXPECT_NE(action, nullptr) << id;
        return action;
    }

    // The item as a user chooses it; a checkable item toggles its mark on the way.
    void Choose(int id) { Item(id)->trigger(); }

    UrlCatcher catcher;
};

struct ItemRow {
    int id;
    const char* text;
    bool checkable;
    bool checked;
};

TEST_F(MenuTest, hasTwoDropDownsWithTheirItemsInOrder)
{
    const QList<QAction*> dropDowns = dlg->GetMenu()->actions();
    ASSERT_EQ(dropDowns.size(), 2);
    EXPECT_EQ(dropDowns[0]->text(), QStringLiteral("软件简介"));
    EXPECT_EQ(dropDowns[1]->text(), QStringLiteral("关于岚舟"));

    const std::vector<std::vector<ItemRow>> expected{
        {{32774, "具体功能", false, false},
         {32777, "使用说明", false, false},
         {32771, "显示进度条", true, true},
         {32776, "增大缓冲区", false, false},
         {32780, "分隔文件存放目录选择", false, false},
         {32781, "使用多线程", true, false}},
        {{32778, "我的论坛", false, false}, {32772, "给我写信", false, false}, {32775, "岚舟简介", false, false}},
    };
    for (int m = 0; m < 2; ++m) {
        QMenu* menu = dropDowns[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(dropDowns[m]->isEnabled());
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(expected[size_t(m)].size()));
        for (int i = 0; i < items.size(); ++i) {
            const ItemRow& row = expected[size_t(m)][size_t(i)];
            EXPECT_FALSE(items[i]->isSeparator());
            EXPECT_TRUE(items[i]->isEnabled()) << row.id;
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(row.text));
            EXPECT_EQ(items[i]->data().toInt(), row.id);
            EXPECT_EQ(items[i], dlg->GetMenuItem(row.id));
            EXPECT_EQ(items[i]->isCheckable(), row.checkable) << row.id;
            EXPECT_EQ(items[i]->isChecked(), row.checked) << row.id;
        }
    }
}

TEST_F(MenuTest, enlargeBufferMultipliesByTenUpTo10000)
{
    QList<int> factors;
    for (int i = 0; i < 5; ++i) {
        // Accepted while a job runs too: the factor applies from the next start.
        SimulateRunningJob(i == 0 ? texts::kSplitting : texts::kStartSplit);
        Choose(ids::kMenuEnlargeBuffer);
        factors << dlg->m_bufferFactor;
    }
    EXPECT_EQ(factors, QList<int>({100, 1000, 10000, 10000, 10000}));
    EXPECT_FALSE(Item(ids::kMenuEnlargeBuffer)->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MenuTest, showProgressTogglesTheOptionAndItsMark)
{
    for (const bool expected : {false, true, false}) {
        Choose(ids::kMenuShowProgress);
        EXPECT_EQ(g_showProgress.load(), expected);
        EXPECT_EQ(Item(ids::kMenuShowProgress)->isChecked(), expected);
    }
    // Also while a job runs.
    SimulateRunningJob(QStringLiteral("正在分割"));
    Choose(ids::kMenuShowProgress);
    EXPECT_TRUE(g_showProgress.load());
    EXPECT_TRUE(Item(ids::kMenuShowProgress)->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MenuTest, useMultithreadingTogglesTheOptionAndItsMark)
{
    for (const bool expected : {true, false, true}) {
        Choose(ids::kMenuMultithreading);
        EXPECT_EQ(g_useMultithreading.load(), expected);
        EXPECT_EQ(Item(ids::kMenuMultithreading)->isChecked(), expected);
    }
}

class MultithreadingWhileRunningTest : public MenuTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MultithreadingWhileRunningTest, isRefusedSilentlyWhileAJobRuns)
{
    const bool before = GetParam();
    if (before)
        Choose(ids::kMenuMultithreading);
    ASSERT_EQ(g_useMultithreading.load(), before);
    for (const char* caption : {"正在分割", "正在合并"}) {
        SimulateRunningJob(QString::fromUtf8(caption));
        Choose(ids::kMenuMultithreading);
        EXPECT_EQ(g_useMultithreading.load(), before) << caption;
        EXPECT_EQ(Item(ids::kMenuMultithreading)->isChecked(), before) << caption;
    }
    EXPECT_TRUE(messages.empty());

    // Once the job is over the item works again.
    SimulateRunningJob(QStringLiteral("开始分割"));
    Choose(ids::kMenuMultithreading);
    EXPECT_EQ(g_useMultithreading.load(), !before);
    EXPECT_EQ(Item(ids::kMenuMultithreading)->isChecked(), !before);
}

INSTANTIATE_TEST_SUITE_P(FromBothStates, MultithreadingWhileRunningTest, ::testing::Bool());

// ---- Folder for pieces -------------------------------------------------------------------

TEST_F(MenuTest, aChosenFolderIsStored)
{
    QDir(dir.path()).mkdir(QStringLiteral("pieces"));
    folderAnswers.push_back(QUrl::fromLocalFile(Path(QStringLiteral("pieces")) + QLatin1Char('/')));
    Choose(ids::kMenuPieceFolder);
    EXPECT_EQ(folderTitles, QStringList{QStringLiteral("修改分隔文件保存路径")});
    EXPECT_EQ(g_pieceFolder, Path(QStringLiteral("pieces")));

    // A second choice replaces it, also while a job runs.
    SimulateRunningJob(QStringLiteral("正在分割"));
    folderAnswers.push_back(QUrl::fromLocalFile(dir.path()));
    Choose(ids::kMenuPieceFolder);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_TRUE(messages.empty());
    // Choosing a folder does not measure anything.
    EXPECT_EQ(dlg->GetDlgItemText(ids::kInfoLine), QString());
}

TEST_F(MenuTest, aCancelledFolderChoiceKeepsTheFolder)
{
    for (const QString& before : {QString(), QStringLiteral("/e/out")}) {
        g_pieceFolder = before;
        Choose(ids::kMenuPieceFolder);
        EXPECT_EQ(g_pieceFolder, before);
    }
    EXPECT_EQ(folderTitles.size(), 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MenuTest, aFolderWithoutAFileSystemPathIsRefused)
{
    for (const QString& before : {QString(), QStringLiteral("/e/out")}) {
        messages.clear();
        g_pieceFolder = before;
        folderAnswers.push_back(QUrl(QStringLiteral("smb://server/share/pieces")));
        Choose(ids::kMenuPieceFolder);
        EXPECT_EQ(g_pieceFolder, before);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].caption, QStringLiteral("错误"));
        EXPECT_FALSE(messages[0].text.isEmpty());
        EXPECT_EQ(messages[0].owner, dlg.get());
    }
}

// ---- Help texts and web pages ------------------------------------------------------------

struct TextRow {
    int id;
    const char* text;
};

void PrintTo(const TextRow& row, std::ostream* os)
{
    *os << row.id;
}

class HelpTextTest : public MenuTest, public ::testing::WithParamInterface<TextRow> {};

TEST_P(HelpTextTest, showsItsTextInOneBox)
{
    Choose(GetParam().id);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(GetParam().text));
    EXPECT_EQ(messages[0].caption, QStringLiteral("软件介绍"));
    EXPECT_EQ(messages[0].owner, dlg.get());
    EXPECT_TRUE(catcher.urls.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HelpTextTest,
    ::testing::Values(
        TextRow{32774,
                "软件功能就是可以把任意类型的大文件分割成很多小文件，然后在另一个地方，把那些小文件还原成大文件，"
                "因为就是简单的分割与合并，所以理论上是兼容其他分割文件工具的。支持大文件风格，比如4G以上的镜像文件。"},
        TextRow{32777, "合并文件的时候，可以一次性选择多个文件，不用一个个添加，对于电脑性能不强，硬盘速度不快的机子，"
                       "用多线程很可能并不比单线程来得快！如有更多问题，请到岚舟书斋论坛咨询！"}));

TEST_F(MenuTest, webItemsOpenTheHomePageAndTheForum)
{
    Choose(ids::kMenuWriteToMe);
    Choose(ids::kMenuAbout);
    Choose(ids::kMenuForum);
    ASSERT_EQ(catcher.urls.size(), 3);
    const QUrl home = catcher.urls[0];
    const QUrl forum = catcher.urls[2];

    EXPECT_TRUE(home.isValid());
    EXPECT_FALSE(home.host().isEmpty());
    EXPECT_EQ(catcher.urls[1], home);

    EXPECT_TRUE(forum.isValid());
    EXPECT_EQ(forum.host(), home.host());
    EXPECT_EQ(forum.path(), QStringLiteral("/index.asp"));
    EXPECT_TRUE(QUrlQuery(forum).hasQueryItem(QStringLiteral("boardid")));
    EXPECT_FALSE(QUrlQuery(forum).queryItemValue(QStringLiteral("boardid")).isEmpty());
    EXPECT_NE(forum, home);
    EXPECT_TRUE(messages.empty());
}

}  // namespace

#include "test_menu.moc"
