// Typed values and paths, questions before replacing or stopping, whole texts.

#include "DialogFixture.h"
#include "Names.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

TEST_F(DialogFixture, whatIsTypedIsTakenAsTypedAndNeverResolvedInTheWorkingFolder)
{
    auto* size = Control<QComboBox>(ids::kSizeField);
    dlg->show();
    size->setFocus(); // a completer completes what is typed with focus
    size->clearEditText();
    QTest::keyClicks(size->lineEdit(), u"1"_s);
    EXPECT_EQ(size->currentText(), u"1"_s); // not the listed "10"
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sub"_s) && QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([] { QDir::setCurrent(QCoreApplication::applicationDirPath()); });
    // Empty, missing: a message each. Typed sources split beside themselves; a relative name is refused.
    const QStringList sources { MakeFile(u"a.bin"_s, 1'500'000), MakeFile(u"sub/b.bin"_s, 1'500'000) };
    for (const QString& typed :
        { QString(), Path("gone.iso"), sources[0], sources[1], QFileInfo(MakeFile(u"rel.bin"_s)).fileName() }) {
        dlg->SetDlgItemText(ids::kSizeField, u"1"_s);
        dlg->SetDlgItemText(ids::kPathField, typed);
        Start();
    }
    for (const QString& source : sources)
        EXPECT_TRUE(QFile::exists(MakePieceName(source, FolderOf(source), 1))) << source.toStdString();
    EXPECT_TRUE(g_pieceFolder.isEmpty());
    ChooseMode(texts::kModeMerge); // refused in merge mode too
    dlg->m_listBox->AddString(MakeFile(u"m000.bin.qv"_s));
    dlg->SetDlgItemText(ids::kPathField, u"./m000.bin.qv"_s);
    Start();
    EXPECT_TRUE(messages.count(texts::kOpenFileForSizeFailed) == 2 && messages.count(texts::kFileMustExist) == 2
        && messages.size() == 6)
        << messages.join(u'\n').toStdString(); // and two successes
    EXPECT_FALSE(QFile::exists(Path("rel000.bin.qv")) || QFile::exists(Path("m.bin")));
}

TEST_F(DialogFixture, everyWayOutAsksWhileAJobRunsAndNoKeepsTheDialog)
{
    dlg->show();
    QWidget* path = dlg->GetDlgItem(ids::kPathField);
    path->setFocus();
    const std::function<void()> ways[]
        = { [&] { QTest::keyClick(path, Qt::Key_Return); }, [&] { QTest::keyClick(path, Qt::Key_Escape); },
              [&] { dlg->close(); }, [&] { Control<QPushButton>(ids::kCloseButton)->click(); }, [&] { dlg->close(); } };
    for (size_t i = 0; i < std::size(ways); ++i) {
        answer = i == 4; // Yes: the job is stopped, waited for, and the dialog ends
        SimulateRunningJob(texts::kSplitting);
        QTimer::singleShot(300, dlg.get(), [&] { SimulateRunningJob(texts::kStartSplit); });
        ways[i]();
        EXPECT_EQ(dlg->isVisible(), !answer) << i;
        QTest::qWait(350);
    }
    EXPECT_EQ(questions, QStringList(5, texts::kCaptionHint + u'|' + texts::kStopAndQuit));
}

TEST_F(DialogFixture, everyTextIsShownWholeTooltipsIncludedAndBoxesShowTheirCaption)
{
    ExpectEveryTextWhole();
    // The ink of CJK glyphs may reach past the font's declared line: a row holds all of it.
    const QString entry = u"/合并/gj"_s + QString(150, QChar(0x957f)) + u"/x000.iso.qv"_s;
    dlg->m_listBox->AddString(entry);
    EXPECT_GE(dlg->m_listBox->visualItemRect(dlg->m_listBox->item(0)).height(),
        QFontMetrics(dlg->m_listBox->font()).boundingRect(entry).height() + 2);
    EXPECT_EQ(dlg->m_listBox->OnToolTipText(0), entry); // the whole path, however long
    QMessageBox box(QMessageBox::NoIcon, texts::kCaptionSuccess, texts::kSplitDone, QMessageBox::Ok);
    ui::FitCaption(box);
    box.show();
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar")); // caption, icon, three buttons
    EXPECT_GE(box.width(), title.horizontalAdvance(texts::kCaptionSuccess) + 6 * title.height());
}

TEST_F(DialogFixture, oneFileIsListedOnceAndTheMergeAsksBeforeJoiningWhatIsNotOneWholeSetOrReplacingAFile)
{
    ChooseMode(texts::kModeMerge);
    const QString a0 = MakeFile(u"a000.bin.qv"_s, 100), a1 = MakeFile(u"a001.bin.qv"_s, 100);
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sub"_s) && QFile::link(a0, Path("sub/l.qv")));
    Browse({ a0, Path("sub/l.qv"), Path("sub/../a000.bin.qv"), a1 });
    EXPECT_EQ(ListEntries(), (QStringList { a0, a1 }));
    dlg->m_listBox->ResetContent();
    // Each fault of a list: No starts nothing; Yes joins and keeps every piece despite the delete box.
    const struct {
        QStringList files;
        QString question;
    } rows[] = { { { MakeFile(u"g000.bin.qv"_s, 100), MakeFile(u"g002.bin.qv"_s, 100) },
                     texts::kSetMissingPiece.arg(Path("g001.bin.qv")) },
        { { MakeFile(u"s000.bin.qv"_s, 100), MakeFile(u"s001.bin.qv"_s, 60), MakeFile(u"s002.bin.qv"_s, 100) },
            texts::kSetShortPiece.arg(Path("s001.bin.qv")) },
        { { MakeFile(u"t000.bin.qv"_s, 100), MakeFile(u"u000.bin.qv"_s, 100) },
            texts::kSetTwoSets.arg(Path("u000.bin.qv")) },
        { { MakeFile(u"v000.bin.qv"_s, 100), MakeFile(u"v.txt"_s, 50) }, texts::kSetNotAPiece.arg(Path("v.txt")) },
        // Two of three, the third left in the folder.
        { QStringList {
              MakeFile(u"h000.bin.qv"_s, 100), MakeFile(u"h001.bin.qv"_s, 100), MakeFile(u"h002.bin.qv"_s, 100) }
                .mid(0, 2),
            texts::kSetGoesOn.arg(Path("h002.bin.qv")) },
        { { MakeFile(u"c000.bin.qv"_s, 100), MakeFile(u"c001.bin.qv"_s, 10) },
            texts::kChecksumNothingApplies.arg(Path("c.bin.sha256")) } };
    testsupport::WriteFile(Path("c.bin.sha256"), QByteArray(64, '0') + "  other.bin\n");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    for (const auto& row : rows) {
        Browse(row.files);
        answer = false;
        Start();
        EXPECT_EQ(questions.takeLast(), texts::kCaptionHint + u'|' + row.question + texts::kJoinAnyway);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
        EXPECT_EQ(ListEntries().size(), row.files.size());
        dlg->m_listBox->ResetContent();
    }
    EXPECT_TRUE(questions.isEmpty() && messages.isEmpty());
    Browse(rows[0].files);
    answer = true;
    Start();
    EXPECT_EQ(testsupport::FileSize(Path("g.bin")), 200);
    EXPECT_EQ(messages, QStringList { texts::kMergeDone + texts::kPiecesKept });
    QStringList after = before + QStringList { u"g.bin"_s };
    after.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), after);

    const QString joined = MakeFile(u"j.bin"_s, 5);
    Browse({ MakeFile(u"j000.bin.qv"_s, 300), MakeFile(u"j001.bin.qv"_s, 200) });
    questions.clear();
    for (const bool yes : { false, true }) {
        answer = yes;
        Start();
        EXPECT_EQ(questions, QStringList(1 + yes, texts::kCaptionHint + u'|' + texts::kReplaceJoined.arg(joined)));
        EXPECT_EQ(QFileInfo(joined).size(), yes ? 500 : 5);
        EXPECT_EQ(dlg->GetDlgItemText(ids::kStartButton), texts::kStartMerge);
        EXPECT_EQ(messages.count(texts::kMergeDone), int(yes));
    }
    EXPECT_FALSE(QFile::exists(Path("j000.bin.qv")));
}
