// The main dialog: its modes, picks and drops, merge list, information line, menu, the commands a
// running job refuses; the gradient bar's picture and repaints, and the off-screen surface.

#include "DialogFixture.h"
#include "MemDC.h"

#include <QAction>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QToolTip>

#include <tuple>
#include <vector>

namespace {

using namespace ids;
using DialogTest = DialogFixture;

const auto Local = [](const QString& path) { return QUrl::fromLocalFile(path); };

TEST_F(DialogTest, eachModeShowsItsOwnControlsAndEmptiesThePath)
{
    for (const bool merge : { true, false, true }) {
        dlg->SetDlgItemText(kPathField, QStringLiteral("/d/typed.iso"));
        ChooseMode(merge ? texts::kModeMerge : texts::kModeSplit);
        EXPECT_EQ(dlg->GetDlgItemText(kStartButton), merge ? texts::kStartMerge : texts::kStartSplit);
        EXPECT_EQ(dlg->GetDlgItemText(kPathField), QString());
        for (const int id : { kSizeField, kSizeLabel, kUnitLabel, kInfoLine })
            EXPECT_EQ(dlg->GetDlgItem(id)->isHidden(), merge) << id;
        for (const int id : { kMergeList, kDeleteButton, kDeleteAfterMergeBox })
            EXPECT_EQ(dlg->GetDlgItem(id)->isHidden(), !merge) << id;
    }
}

// A drop is taken as a pick of the browse command; folders and remote items are left out.
TEST_F(DialogTest, aSplitPickOrDropSetsThePathTheInformationLineAndThePieceFolderOnlyOnce)
{
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString first = MakeFile(QStringLiteral("disk.iso"), 2'500'000);
    const QString second = MakeFile(QStringLiteral("sub/movie.avi"));
    Browse({ first });
    EXPECT_EQ(dlg->GetDlgItemText(kPathField), first);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_EQ(
        dlg->GetDlgItemText(kInfoLine), QStringLiteral("文件总大小：2 M，存放分隔文件的磁盘剩余空间大小：52428 M"));
    EXPECT_FALSE(Drop({ Local(dir.path()), QUrl(QStringLiteral("https://example.org/f")) }));
    EXPECT_TRUE(Drop({ Local(dir.path()), Local(second), Local(first) }));
    EXPECT_EQ(g_sourcePath, second);
    EXPECT_EQ(g_pieceFolder, dir.path());
    EXPECT_TRUE(dlg->GetDlgItemText(kInfoLine).startsWith(QStringLiteral("文件总大小：0.00 M")));
    EXPECT_EQ(fileRequests, 1);
    EXPECT_TRUE(messages.isEmpty());
}

// Resting the mouse on an entry of the list shows its text.
TEST_F(DialogTest, mergePicksAndDropsAreListedSortedOnceWithTheirTextsAsTooltips)
{
    QStringList pieces;
    for (const int i : { 1, 2, 999, 1000 })
        pieces << MakeFile(QStringLiteral("movie%1.avi.qv").arg(i, 3, 10, QLatin1Char('0')));
    ChooseMode(texts::kModeMerge);
    Browse({ pieces[3], pieces[1], pieces[2] });
    EXPECT_TRUE(Drop({ Local(pieces[0]), Local(pieces[1]) }));
    Browse({ pieces[2], dir.filePath(QStringLiteral("gone.qv")) });
    EXPECT_EQ(ListEntries(), pieces);
    EXPECT_EQ(dlg->GetDlgItemText(kPathField), pieces[2]);
    EXPECT_EQ(messages, QStringList { texts::kFileMustExist });
    dlg->show();
    CExListBox& list = *dlg->m_listBox;
    const QPoint at = list.visualItemRect(list.item(2)).center();
    EXPECT_EQ(list.OnToolHitTest(at), 2);
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), pieces[2]);
    QToolTip::hideText();
}

TEST_F(DialogTest, commandsThatChangeTheJobAreRefusedWhileItRuns)
{
    const QString file = MakeFile(QStringLiteral("disk.iso"));
    const std::pair<const char*, std::function<void()>> commands[] = {
        { "browse", [&] { Browse({ file }); } },
        { "mode change", [&] { ChooseMode(texts::kModeMerge); } },
        { "drop", [&] { Drop({ Local(file) }); } },
        { "multithreading", [&] { dlg->GetMenuItem(kMenuMultithreading)->trigger(); } },
        { "start", [&] { Start(false); } },
    };
    auto snapshot = [&] {
        return QStringList { dlg->GetDlgItemText(kPathField), dlg->GetDlgItemText(kStartButton), g_sourcePath,
            g_pieceFolder, ListEntries().join(u'|'), QString::number(dlg->m_splitMode),
            QString::number(g_useMultithreading.load()), QString::number(fileRequests),
            QString::number(dlg->GetMenuItem(kMenuMultithreading)->isChecked()) };
    };
    for (const QString& caption : { texts::kSplitting, texts::kMerging }) {
        dlg->SetDlgItemText(kStartButton, caption);
        for (const auto& [name, command] : commands) {
            const QStringList before = snapshot();
            command();
            EXPECT_EQ(snapshot(), before) << name << ' ' << caption.toStdString();
        }
    }
    EXPECT_TRUE(messages.isEmpty());
}

// The file's size (negative: no such file), the free bytes, the line, whether there is room.
using InfoRow = std::tuple<qint64, std::optional<uint64_t>, const char*, bool>;

class InformationLine : public DialogFixture, public ::testing::WithParamInterface<InfoRow> { };

TEST_P(InformationLine, showsSizeAndFreeSpaceInMAndAnswersWhetherThereIsRoom)
{
    const auto& [fileSize, free, line, room] = GetParam();
    freeBytes = free;
    const QString file = fileSize < 0 ? dir.filePath(QStringLiteral("gone")) : MakeFile(QStringLiteral("f"), fileSize);
    EXPECT_EQ(dlg->UpdateFileInfo(file, dir.path()), room);
    EXPECT_EQ(dlg->GetDlgItemText(kInfoLine), QString::fromUtf8(line));
    EXPECT_EQ(messages, fileSize < 0 ? QStringList { texts::kOpenFileForSizeFailed } : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Figures, InformationLine,
    ::testing::Values(
        // Single precision makes 999,999,999 bytes 1000 M, in the line and in the comparison.
        InfoRow { 999'999'999, 1'000'999'999, "文件总大小：1000 M，存放分隔文件的磁盘剩余空间大小：1000 M", false },
        InfoRow { 999'999'999, 1'001'000'000, "文件总大小：1000 M，存放分隔文件的磁盘剩余空间大小：1001 M", true },
        InfoRow { 5'000'000'000, 4'999'999'999, "文件总大小：5000 M，存放分隔文件的磁盘剩余空间大小：4999 M", false },
        InfoRow { 5'000'000'000, std::nullopt, "文件总大小：5000 M，存放分隔文件的磁盘剩余空间大小：未知", true },
        InfoRow { -1, 52'428'800'000, "", false }));

TEST_F(DialogTest, menuTogglesTheOptionsCapsTheBufferAndTakesOnlyLocalFolders)
{
    for (const bool shown : { false, true }) {
        dlg->GetMenuItem(kMenuShowProgress)->trigger();
        EXPECT_EQ(g_showProgress.load(), shown);
        EXPECT_EQ(dlg->GetMenuItem(kMenuShowProgress)->isChecked(), shown);
    }
    dlg->GetMenuItem(kMenuMultithreading)->trigger();
    EXPECT_TRUE(g_useMultithreading.load() && dlg->GetMenuItem(kMenuMultithreading)->isChecked());
    for (const int factor : { 100, 1000, 10000, 10000 }) {
        dlg->GetMenuItem(kMenuEnlargeBuffer)->trigger();
        EXPECT_EQ(dlg->m_bufferFactor, factor);
    }
    g_pieceFolder = QStringLiteral("/e/out");
    folderAnswers << QUrl(QStringLiteral("smb://server/share")) << Local(dir.path() + QLatin1Char('/'));
    dlg->GetMenuItem(kMenuPieceFolder)->trigger();
    EXPECT_EQ(g_pieceFolder, QStringLiteral("/e/out"));
    EXPECT_EQ(messages, QStringList { texts::kFolderWithoutPath });
    dlg->GetMenuItem(kMenuPieceFolder)->trigger();
    EXPECT_EQ(g_pieceFolder, dir.path());
}

const QColor kRed(255, 0, 0), kFace(10, 20, 30), kBackground(200, 232, 234), kText(255, 150, 255);

// Upper bound, step, steps taken, the top pixel's colour of some columns, the text (empty: none).
using BarRow = std::tuple<int, int, int, std::vector<std::pair<int, QColor>>, const char*>;

class GradientBar : public DialogFixture, public ::testing::WithParamInterface<BarRow> { };

TEST_P(GradientBar, paintsEachVisualRule)
{
    const auto& [upper, step, steps, columns, percent] = GetParam();
    CGradientProgressCtrl& bar = *dlg->m_progress; // in the dialog's colours
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Button, kFace);
    bar.setPalette(palette);
    bar.SetRange(0, upper);
    bar.SetStep(step);
    for (int i = 0; i < steps; ++i)
        bar.StepIt();
    QImage image(400, 20, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        bar.PaintBar(painter, image.rect());
    }
    for (const auto& [x, colour] : columns)
        EXPECT_EQ(image.pixelColor(x, 0), colour) << "column " << x;
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    EXPECT_EQ(std::count(pixels, pixels + 400 * 20, kText.rgb()) > 0, *percent != 0);
    EXPECT_EQ(bar.m_strPercent, QString::fromLatin1(percent));
}

INSTANTIATE_TEST_SUITE_P(Rules, GradientBar,
    ::testing::Values(BarRow { 100, 10, 0, { { 0, kFace }, { 399, kFace } }, "" }, // idle: plain face
        BarRow { 100, 10, 10, { { 0, kFace }, { 399, kFace } }, "" }, // finished: plain face
        // 255 bands from red toward yellow over the whole width: the last is one step short.
        BarRow { 1000, 1, 999, { { 0, kRed }, { 399, QColor(255, 254, 0) } }, "100%" },
        // Half of 200,000 (beyond a 16-bit range) fills 200 of 400 columns, the band holding
        // column 200 included, and then the background.
        BarRow {
            200000, 100000, 1, { { 201, QColor(255, 128, 0) }, { 202, kBackground }, { 399, kBackground } }, "50%" }));

TEST(GradientBar, aFloodOfStepsIsCoalescedIntoFewPaints)
{
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
    for (int i = 0; i < 5000; ++i) {
        bar.StepIt();
        QCoreApplication::processEvents(); // as between two reports of a copy
    }
    EXPECT_LT(bar.paints, 500);
    const int before = bar.paints;
    EXPECT_TRUE(testsupport::WaitUntil([&] { return bar.paints > before; }, 2000)); // the last state shows
}

TEST(MemDC, deliversItsPictureInOneDrawWithinTheClipBox)
{
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(30, 20, 40, 30));
        CMemDC dc(&painter);
        ASSERT_TRUE(dc.IsOffscreen());
        dc.Painter().fillRect(QRect(0, 0, 100, 80), Qt::blue);
        EXPECT_EQ(image.pixelColor(30, 20), Qt::white); // nothing before the surface goes
    }
    for (const QPoint& p :
        { QPoint(30, 20), QPoint(69, 49), QPoint(29, 20), QPoint(30, 19), QPoint(70, 49), QPoint(69, 50) })
        EXPECT_EQ(image.pixelColor(p), QRect(30, 20, 40, 30).contains(p) ? Qt::blue : Qt::white)
            << p.x() << ',' << p.y();
}

} // namespace
