// Typed values and paths, questions before replacing or stopping, Chinese buttons, whole texts.

#include "DialogFixture.h"
#include "Names.h"
#include "Thread.h"
#include "VeldaApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class UserFaultTest : public DialogFixture {
protected:
    void TearDown() override
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        DialogFixture::TearDown();
    }
    void ToMerge()
    {
        ChooseMode(texts::kModeMerge);
    }
};

TEST_F(UserFaultTest, whatIsTypedIsTakenAsTypedAndNeverResolvedInTheWorkingFolder)
{
    auto* size = Control<QComboBox>(ids::kSizeField);
    dlg->show();
    size->setFocus(); // a completer completes what is typed with focus
    size->clearEditText();
    QTest::keyClicks(size->lineEdit(), QStringLiteral("1"));
    EXPECT_EQ(size->currentText(), QStringLiteral("1")); // not the listed "10"

    Start(); // an empty path field, then a missing file: one message each, no folder
    dlg->SetDlgItemText(ids::kPathField, Path(QStringLiteral("gone.iso")));
    Start();
    EXPECT_EQ(CountMessages(texts::kOpenFileForSizeFailed), 2);
    // Typed sources split beside themselves, each one.
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    for (const QString& name : { QStringLiteral("a.bin"), QStringLiteral("sub/b.bin") }) {
        dlg->SetDlgItemText(ids::kPathField, MakeFile(name, 1'500'000));
        dlg->SetDlgItemText(ids::kSizeField, QStringLiteral("1"));
        Start(true);
        EXPECT_TRUE(QFile::exists(MakePieceName(Path(name), FolderOf(Path(name)), 1))) << name.toStdString();
    }
    EXPECT_TRUE(g_pieceFolder.isEmpty());
    // A relative name is refused in either mode, before anything is written.
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    dlg->SetDlgItemText(ids::kPathField, QFileInfo(MakeFile(QStringLiteral("rel.bin"))).fileName());
    Start();
    ToMerge();
    dlg->m_listBox->AddString(MakeFile(QStringLiteral("m000.bin.qv")));
    dlg->SetDlgItemText(ids::kPathField, QStringLiteral("./m000.bin.qv"));
    Start();
    EXPECT_EQ(messages.size(), 6); // two failed opens, two successes, two refusals
    EXPECT_EQ(CountMessages(texts::kFileMustExist), 2);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("rel000.bin.qv"))));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("m.bin"))));
}

TEST_F(UserFaultTest, theMergeAsksBeforeReplacingAFile)
{
    ToMerge();
    const QString joined = MakeFile(QStringLiteral("j.bin"), 5);
    dlg->m_listBox->AddString(MakeFile(QStringLiteral("j000.bin.qv"), 300));
    dlg->m_listBox->AddString(MakeFile(QStringLiteral("j001.bin.qv"), 200));
    Start();
    ASSERT_EQ(questions, QStringList { texts::kCaptionHint + QLatin1Char('|') + texts::kReplaceJoined.arg(joined) });
    EXPECT_EQ(QFileInfo(joined).size(), 5);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), texts::kStartMerge);
    answer = true;
    Start(true);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(QFileInfo(joined).size(), 500);
    EXPECT_EQ(CountMessages(texts::kMergeDone), 1);
}

TEST_F(UserFaultTest, everyWayOutAsksWhileAJobRunsAndNoKeepsTheDialog)
{
    dlg->show();
    QWidget* path = dlg->GetDlgItem(ids::kPathField);
    path->setFocus();
    const std::vector<std::function<void()>> ways { [&] { QTest::keyClick(path, Qt::Key_Return); },
        [&] { QTest::keyClick(path, Qt::Key_Escape); }, [&] { dlg->close(); },
        [&] { Control<QPushButton>(ids::kCloseButton)->click(); } };
    for (size_t i = 0; i < ways.size(); ++i) {
        SimulateRunningJob(texts::kSplitting);
        QTimer::singleShot(300, dlg.get(), [&] { SimulateRunningJob(texts::kStartSplit); });
        ways[i]();
        EXPECT_TRUE(dlg->isVisible()) << i;
        QTest::qWait(350);
    }
    EXPECT_EQ(questions, QStringList(4, texts::kCaptionHint + QLatin1Char('|') + texts::kStopAndQuit));
    answer = true; // Yes: the job is stopped, waited for, and the dialog ends
    SimulateRunningJob(texts::kSplitting);
    QTimer::singleShot(100, dlg.get(), [&] { SimulateRunningJob(texts::kStartSplit); });
    EXPECT_TRUE(dlg->close());
}

TEST_F(UserFaultTest, boxesShowTheirCaptionAndQtsOwnTextsInChinese)
{
    QMessageBox box(QMessageBox::NoIcon, texts::kCaptionSuccess, texts::kSplitDone, QMessageBox::Ok);
    ui::FitCaption(box);
    box.show();
    // Room for the caption, the window's icon and three title bar buttons.
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    EXPECT_GE(box.width(), title.horizontalAdvance(texts::kCaptionSuccess) + 6 * title.height());
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm")))
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    EXPECT_TRUE(InstallQtTranslations(qApp));
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QMessageBox ask(QMessageBox::NoIcon, texts::kCaptionHint, texts::kStopAndQuit, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(ask.button(QMessageBox::Yes)->text().contains(QStringLiteral("Yes")));
}

TEST_F(UserFaultTest, everyTextIsShownWholeTooltipsIncluded)
{
    dlg->SetDlgItemText(ids::kInfoLine, texts::kInfoSizeWhole.arg(2500) + texts::kInfoFree.arg(52428));
    dlg->show();
    for (int mode = 0; mode < 2; ++mode) {
        for (QWidget* w : dlg->findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            if (auto* label = qobject_cast<QLabel*>(w)) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
            } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
                EXPECT_GE(w->width(), w->sizeHint().width()) << box->text().toStdString();
            } else if (auto* b = qobject_cast<QPushButton*>(w)) { // its hint has a style's minimum width
                EXPECT_GE(w->width(), b->fontMetrics().horizontalAdvance(b->text() + QStringLiteral("MM")));
            }
        }
        ToMerge();
    }
    // The ink of CJK glyphs may reach past the font's declared line: a row holds all of it.
    const QString entry = QStringLiteral("/合并/gj") + QString(150, QChar(0x957f)) + QStringLiteral("/x000.iso.qv");
    dlg->m_listBox->AddString(entry);
    EXPECT_GE(dlg->m_listBox->visualItemRect(dlg->m_listBox->item(0)).height(),
        QFontMetrics(dlg->m_listBox->font()).boundingRect(entry).height() + 2);
    EXPECT_EQ(dlg->m_listBox->OnToolTipText(0), entry); // the whole path, however long
}

TEST_F(UserFaultTest, oneFileIsListedOnceAndTwoSetsAreJoinedOnlyWhenTheUserSaysSo)
{
    ToMerge();
    const QString a0 = MakeFile(QStringLiteral("a000.bin.qv"), 100);
    const QString a1 = MakeFile(QStringLiteral("a001.bin.qv"), 100);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")) && QFile::link(a0, Path(QStringLiteral("sub/l.qv"))));
    Browse({ a0, Path(QStringLiteral("sub/l.qv")), Path(QStringLiteral("sub/../a000.bin.qv")), a1 });
    EXPECT_EQ(ListEntries(), (QStringList { a0, a1 }));
    Browse({ MakeFile(QStringLiteral("b000.dat.qv"), 100) });
    Start(true);
    EXPECT_EQ(questions, QStringList { texts::kCaptionHint + QLatin1Char('|') + texts::kMixedSets });
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("b.dat"))));
    answer = true;
    Start(true);
    EXPECT_EQ(testsupport::FileSize(Path(QStringLiteral("b.dat"))), 300);
}

} // namespace
