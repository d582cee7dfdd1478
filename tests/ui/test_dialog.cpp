// The main dialog: modes, picks, drops, list, information line, menu, a running job; the gradient bar.

#include "DialogFixture.h"
#include "MemDC.h"

#include <QAction>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolTip>

#include <tuple>
#include <vector>

namespace {

using namespace ids;
using namespace Qt::StringLiterals;

const auto Local = [](const QString& path) { return QUrl::fromLocalFile(path); };
const QString kLine = u"文件总大小：%1 M，存放分隔文件的磁盘剩余空间大小：%2"_s;

TEST_F(DialogFixture, eachModeShowsItsControlsASplitPickOrDropSetsThePathAndFolderOnceAndTheInformationLine)
{
    for (const bool merge : { true, false, true, false }) {
        dlg->SetDlgItemText(kPathField, u"/d/typed.iso"_s);
        ChooseMode(merge ? texts::kModeMerge : texts::kModeSplit);
        EXPECT_EQ(dlg->GetDlgItemText(kStartButton), merge ? texts::kStartMerge : texts::kStartSplit);
        EXPECT_EQ(dlg->GetDlgItemText(kPathField), QString());
        for (const int id : { kSizeField, kSizeLabel, kUnitLabel, kInfoLine })
            EXPECT_EQ(dlg->GetDlgItem(id)->isHidden(), merge) << id;
        for (const int id : { kMergeList, kDeleteButton, kDeleteAfterMergeBox })
            EXPECT_EQ(dlg->GetDlgItem(id)->isHidden(), !merge) << id;
    }
    QDir(dir.path()).mkdir(u"sub"_s);
    const QString first = MakeFile(u"disk.iso"_s, 2'500'000), second = MakeFile(u"sub/movie.avi"_s);
    Browse({ first });
    EXPECT_EQ(dlg->GetDlgItemText(kPathField), first);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_EQ(dlg->GetDlgItemText(kInfoLine), kLine.arg(u"2"_s, u"52428 M"_s));
    EXPECT_FALSE(Drop({ Local(dir.path()), QUrl(u"https://example.org/f"_s) })); // folders, remote items: left out
    EXPECT_TRUE(Drop({ Local(dir.path()), Local(second), Local(first) }));
    EXPECT_EQ(g_sourcePath, second);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_TRUE(dlg->GetDlgItemText(kInfoLine).startsWith(u"文件总大小：0.00 M"_s));
    EXPECT_TRUE(fileRequests == 1 && messages.isEmpty()) << fileRequests;
    // Size (negative: none), free bytes, figures, room; single precision makes 999,999,999 bytes 1000 M.
    const qint64 k1G = 999'999'999, k5G = 5'000'000'000;
    const std::tuple<qint64, std::optional<uint64_t>, const char16_t*, const char16_t*, bool> rows[]
        = { { k1G, 1'000'999'999, u"1000", u"1000 M", false }, { k1G, 1'001'000'000, u"1000", u"1001 M", true },
              { k5G, 4'999'999'999, u"5000", u"4999 M", false }, { k5G, std::nullopt, u"5000", u"未知", true },
              { -1, 52'428'800'000, nullptr, nullptr, false } };
    for (const auto& [fileSize, free, size, room, enough] : rows) {
        freeBytes = free;
        dlg->SetDlgItemText(kInfoLine, QString());
        EXPECT_EQ(dlg->UpdateFileInfo(fileSize < 0 ? Path("gone") : MakeFile(u"f"_s, fileSize), dir.path()), enough);
        EXPECT_EQ(dlg->GetDlgItemText(kInfoLine), size ? kLine.arg(QStringView(size), QStringView(room)) : QString());
        EXPECT_EQ(messages, fileSize < 0 ? QStringList { texts::kOpenFileForSizeFailed } : QStringList());
    }
}

TEST_F(DialogFixture, mergePicksAndDropsAreListedSortedOnceWithTheirTextsAsTooltips)
{
    const QStringList pieces { MakeFile(u"m001.avi.qv"_s), MakeFile(u"m002.avi.qv"_s), MakeFile(u"m999.avi.qv"_s),
        MakeFile(u"m1000.avi.qv"_s) };
    ChooseMode(texts::kModeMerge);
    Browse({ pieces[3], pieces[1], pieces[2] });
    EXPECT_TRUE(Drop({ Local(pieces[0]), Local(pieces[1]) }));
    Browse({ pieces[2], Path("gone.qv") });
    EXPECT_EQ(ListEntries(), pieces);
    EXPECT_EQ(dlg->GetDlgItemText(kPathField), pieces[2]);
    EXPECT_EQ(messages, QStringList { texts::kFileMustExist });
    dlg->show(); // resting the mouse on an entry shows its text
    CExListBox& list = *dlg->m_listBox;
    const QPoint at = list.visualItemRect(list.item(2)).center();
    EXPECT_EQ(list.OnToolHitTest(at), 2);
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), pieces[2]);
    QToolTip::hideText();
}

TEST_F(DialogFixture, menuTogglesTheOptionsCapsTheBufferTakesOnlyLocalFoldersAndIsRefusedWithTheRestWhileAJobRuns)
{
    for (const auto& [id, option, on] :
        { std::tuple(kMenuShowProgress, &g_showProgress, false), std::tuple(kMenuShowProgress, &g_showProgress, true),
            std::tuple(kMenuMultithreading, &g_useMultithreading, true) }) {
        dlg->GetMenuItem(id)->trigger();
        EXPECT_TRUE(option->load() == on && dlg->GetMenuItem(id)->isChecked() == on) << id;
    }
    for (const int factor : { 100, 1000, 10000, 10000 }) {
        dlg->GetMenuItem(kMenuEnlargeBuffer)->trigger();
        EXPECT_EQ(dlg->m_bufferFactor, factor);
    }
    g_pieceFolder = u"/e/out"_s;
    folderAnswers << QUrl(u"smb://server/share"_s) << Local(dir.path() + u'/');
    dlg->GetMenuItem(kMenuPieceFolder)->trigger();
    EXPECT_EQ(g_pieceFolder, u"/e/out"_s);
    EXPECT_EQ(messages, QStringList { texts::kFolderWithoutPath });
    dlg->GetMenuItem(kMenuPieceFolder)->trigger();
    EXPECT_EQ(g_pieceFolder, dir.path());
    const QString file = MakeFile(u"disk.iso"_s); // while a job runs, every command that changes it is refused
    const std::function<void()> commands[]
        = { [&] { Browse({ file }); }, [&] { ChooseMode(texts::kModeMerge); }, [&] { Drop({ Local(file) }); },
              [&] { dlg->GetMenuItem(kMenuMultithreading)->trigger(); }, [&] { Start(false); } };
    auto snapshot = [&] {
        return std::tuple(dlg->GetDlgItemText(kPathField), dlg->GetDlgItemText(kStartButton), g_sourcePath,
            g_pieceFolder, ListEntries(), dlg->m_splitMode, g_useMultithreading.load(), fileRequests,
            dlg->GetMenuItem(kMenuMultithreading)->isChecked(), messages.size());
    };
    for (const QString caption : { texts::kSplitting, texts::kMerging }) {
        SimulateRunningJob(caption);
        const auto before = snapshot();
        for (size_t i = 0; i < std::size(commands); ++i) {
            commands[i]();
            EXPECT_TRUE(snapshot() == before) << "command " << i << ' ' << caption.toStdString();
        }
    }
}

TEST_F(DialogFixture, theHelpBoxesHaveCaptionsOfTheirOwnAndTheLastAboutEntryTellsTheVersions)
{
    QStringList boxes; // "caption|text"
    ui::testing::SetMessageHook(
        [&](QWidget*, const QString& text, const QString& caption) { boxes << caption + u'|' + text; });
    EXPECT_EQ(dlg->GetMenu()->actions().last()->menu()->actions().last(), dlg->GetMenuItem(kMenuAboutVelda));
    for (const int id : { kMenuFeatures, kMenuUsage, kMenuAboutVelda })
        dlg->GetMenuItem(id)->trigger();
    // The program's version (any), and the Qt it runs on.
    const QString about = QRegularExpression::escape(
        texts::kMenuAboutVelda + u'|' + texts::kAboutText.arg(u"VERSION"_s, QString::fromLatin1(qVersion())));
    const QRegularExpression aboutBox(
        QRegularExpression::anchoredPattern(QString(about).replace(u"VERSION"_s, u"\\d+\\.\\d+\\.\\d+"_s)));
    EXPECT_TRUE(boxes.size() == 3 && boxes[0] == texts::kCaptionFeatures + u'|' + texts::kFeaturesText
        && boxes[1] == texts::kCaptionUsage + u'|' + texts::kUsageText && aboutBox.match(boxes[2]).hasMatch())
        << boxes.join(u'\n').toStdString();
}

// Upper bound, step, steps, top pixels of some columns, text. Idle or finished: a plain face; 255 bands red to
// yellow, the last one step short; half of 200,000 (beyond 16 bits) fills 200 of 400 columns and its band.
TEST_F(DialogFixture, theGradientBarPaintsEachVisualRuleCoalescesAFloodOfStepsAndDrawsOffScreenOnce)
{
    const QColor kFace(10, 20, 30), kBackground(200, 232, 234);
    const std::tuple<int, int, int, std::vector<std::pair<int, QColor>>, QString> rows[] = {
        { 100, 10, 0, { { 0, kFace }, { 399, kFace } }, u""_s }, { 100, 10, 10, { { 0, kFace }, { 399, kFace } }, {} },
        { 1000, 1, 999, { { 0, QColor(255, 0, 0) }, { 399, QColor(255, 254, 0) } }, u"100%"_s },
        { 200000, 100000, 1, { { 201, QColor(255, 128, 0) }, { 202, kBackground }, { 399, kBackground } }, u"50%"_s }
    };
    for (const auto& [upper, step, steps, columns, percent] : rows) {
        CGradientProgressCtrl& bar = *(dlg = std::make_unique<CVeldaDlg>())->m_progress; // in the dialog's colours
        bar.setPalette(QPalette(kFace));
        bar.SetRange(0, upper);
        bar.SetStep(step);
        for (int i = 0; i < steps; ++i)
            bar.StepIt();
        QImage image(400, 20, QImage::Format_RGB32);
        bar.PaintBar(*std::make_unique<QPainter>(&image), image.rect());
        for (const auto& [x, colour] : columns)
            EXPECT_EQ(image.pixelColor(x, 0), colour) << "column " << x << " of " << upper;
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        EXPECT_EQ(std::count(pixels, pixels + 400 * 20, qRgb(255, 150, 255)) > 0, !percent.isEmpty()) << upper;
        EXPECT_EQ(bar.m_strPercent, percent);
    }
    struct CountingBar : CGradientProgressCtrl {
        int paints = 0;
        void paintEvent(QPaintEvent* event) override
        {
            ++paints;
            CGradientProgressCtrl::paintEvent(event);
        }
    } bar;
    bar.show();
    bar.SetRange(0, 100000);
    bar.SetStep(1);
    for (int i = 0; i < 5000; ++i, QCoreApplication::processEvents()) // as between two reports of a copy
        bar.StepIt();
    EXPECT_LT(bar.paints, 500);
    const int before = bar.paints;
    EXPECT_TRUE(testsupport::WaitUntil([&] { return bar.paints > before; }, 2000)); // the last state shows
    // The off-screen surface it paints through delivers its picture in one draw, within the clip box.
    const QRect box(30, 20, 40, 30);
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setClipRect(box);
        CMemDC dc(&painter);
        ASSERT_TRUE(dc.IsOffscreen());
        dc.Painter().fillRect(QRect(0, 0, 100, 80), Qt::blue);
        EXPECT_EQ(image.pixelColor(30, 20), Qt::white); // nothing before the surface goes
    }
    for (QPoint p : { QPoint(30, 20), QPoint(69, 49), QPoint(29, 20), QPoint(30, 19), QPoint(70, 49), QPoint(69, 50) })
        EXPECT_EQ(image.pixelColor(p), box.contains(p) ? Qt::blue : Qt::white) << p.x() << ',' << p.y();
}

} // namespace
