// Files dropped on the dialog: taken as the browse command of the current mode takes its
// pick, and refused while a job runs or when they are no local files.

#include "DialogFixture.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace {

class DragDropTest : public DialogFixture {
protected:
    // Delivers a real drag-enter and drop of these URLs; answers whether the drop was taken.
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &enter);
        const bool entered = enter.isAccepted();
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dlg.get(), &drop);
        EXPECT_EQ(entered, drop.isAccepted());
        return drop.isAccepted();
    }

    void EnterMergeMode()
    {
        auto* combo = Control<QComboBox>(ids::kModeSelector);
        combo->setCurrentIndex(combo->findText(texts::kModeMerge));
        Q_EMIT combo->activated(combo->currentIndex());
    }

    static QUrl Local(const QString& path) { return QUrl::fromLocalFile(path); }
};

TEST_F(DragDropTest, inSplitModeTheFirstDroppedFileIsTakenAsABrowsePickWould)
{
    ASSERT_TRUE(dlg->acceptDrops());
    const QString first = MakeFile(QStringLiteral("first.iso"), 2500000);
    const QString second = MakeFile(QStringLiteral("second.iso"));
    EXPECT_TRUE(Drop({Local(first), Local(second)}));
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), first);
    EXPECT_EQ(g_sourcePath, first);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kInfoLine).startsWith(QStringLiteral("文件总大小：2 M")));
    EXPECT_TRUE(fileRequests.empty());  // no file dialog was opened
}

TEST_F(DragDropTest, inMergeModeEveryDroppedFileIsAddedSortedWithoutDuplicates)
{
    EnterMergeMode();
    const QString p2 = MakeFile(QStringLiteral("disk002.iso.qv"));
    const QString p0 = MakeFile(QStringLiteral("disk000.iso.qv"));
    const QString p1 = MakeFile(QStringLiteral("disk001.iso.qv"));
    EXPECT_TRUE(Drop({Local(p2), Local(p0)}));
    EXPECT_TRUE(Drop({Local(p1), Local(p0)}));
    ASSERT_EQ(dlg->m_listBox->GetCount(), 3);
    EXPECT_EQ(dlg->m_listBox->GetText(0), p0);
    EXPECT_EQ(dlg->m_listBox->GetText(1), p1);
    EXPECT_EQ(dlg->m_listBox->GetText(2), p2);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), p1);  // the first of the last drop
    EXPECT_TRUE(messages.empty());
}

TEST_F(DragDropTest, foldersAndRemoteItemsAreRefusedWithoutHarm)
{
    const QString file = MakeFile(QStringLiteral("keep.bin"));
    EXPECT_FALSE(Drop({Local(dir.path())}));
    EXPECT_FALSE(Drop({QUrl(QStringLiteral("https://example.org/file.bin"))}));
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kPathField).isEmpty());
    EXPECT_TRUE(g_pieceFolder.isEmpty());
    // A folder among files is left out; the files are taken.
    EnterMergeMode();
    EXPECT_TRUE(Drop({Local(dir.path()), Local(file)}));
    ASSERT_EQ(dlg->m_listBox->GetCount(), 1);
    EXPECT_EQ(dlg->m_listBox->GetText(0), file);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DragDropTest, dropsAreRefusedWhileAJobRuns)
{
    const QString file = MakeFile(QStringLiteral("late.bin"));
    SimulateRunningJob(texts::kSplitting);
    EXPECT_FALSE(Drop({Local(file)}));
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kPathField).isEmpty());
    EXPECT_TRUE(g_sourcePath.isEmpty());

    dlg->SetDlgItemText(ids::kStartButton, texts::kStartSplit);
    EnterMergeMode();
    SimulateRunningJob(texts::kMerging);
    EXPECT_FALSE(Drop({Local(file)}));
    EXPECT_EQ(dlg->m_listBox->GetCount(), 0);
}

}  // namespace
