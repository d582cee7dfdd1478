// The controls of the main dialog: the merge list's tooltips, the gradient bar's picture, its
// coalesced repaints, and the off-screen surface it paints through.

#include "ExListBox.h"
#include "GradientProgressCtrl.h"
#include "MemDC.h"
#include "TestSupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QToolTip>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QColor kWhite(255, 255, 255), kRed(255, 0, 0), kYellow(255, 255, 0), kBlue(0, 0, 255);
const QColor kFace(10, 20, 30), kBackground(200, 232, 234), kText(255, 150, 255), kUnpainted(1, 2, 3);

TEST(ExListBox, theTooltipOfAnEntryIsItsTextCutTo79Characters)
{
    CExListBox list;
    list.resize(300, 200);
    list.show();
    const QString shortText = QStringLiteral("/p/片段000.qv"), longText = QString(200, QLatin1Char('x'));
    list.AddString(shortText);
    list.AddString(longText);
    const int index = list.FindStringExact(0, shortText);
    const QRect item = list.visualItemRect(list.item(index));
    QRect rect;
    EXPECT_EQ(list.OnToolHitTest(item.center(), &rect), index);
    EXPECT_EQ(rect, item);
    EXPECT_EQ(list.OnToolTipText(list.FindStringExact(0, longText)), longText.left(79));
    QHelpEvent help(QEvent::ToolTip, item.center(), list.viewport()->mapToGlobal(item.center()));
    QApplication::sendEvent(list.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), shortText);
    QToolTip::hideText();
}

struct BarRow {
    const char* name;
    int upper, step, steps;
    std::vector<std::pair<int, QColor>> columns; // expected colour of the top pixel of a column
    const char* percent; // the text written over the bar; empty: none
};

class GradientBar : public ::testing::TestWithParam<BarRow> { };

TEST_P(GradientBar, paintsItsRule)
{
    const BarRow& row = GetParam();
    CGradientProgressCtrl bar;
    bar.m_bShowText = true;
    bar.m_crGradientEnd = kYellow;
    bar.m_crBackground = kBackground;
    bar.m_crText = kText;
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Button, kFace);
    bar.setPalette(palette);
    bar.SetRange(0, row.upper);
    bar.SetStep(row.step);
    for (int i = 0; i < row.steps; ++i)
        bar.StepIt();

    QImage image(400, 20, QImage::Format_RGB32);
    image.fill(kUnpainted);
    {
        QPainter painter(&image);
        QFont font = painter.font();
        font.setPixelSize(14);
        font.setBold(true);
        painter.setFont(font);
        bar.PaintBar(painter, image.rect());
    }
    for (const auto& [x, colour] : row.columns)
        EXPECT_EQ(image.pixelColor(x, 0), colour) << "column " << x;
    int text = 0, unpainted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            text += image.pixelColor(x, y) == kText;
            unpainted += image.pixelColor(x, y) == kUnpainted;
        }
    }
    EXPECT_EQ(unpainted, 0);
    EXPECT_EQ(bar.m_strPercent, QString::fromLatin1(row.percent));
    EXPECT_EQ(text > 0, *row.percent != 0);
}

INSTANTIATE_TEST_SUITE_P(Rules, GradientBar,
    ::testing::Values(BarRow { "idleIsPlainFace", 100, 10, 0, { { 0, kFace }, { 399, kFace } }, "" },
        BarRow { "finishedIsPlainFace", 100, 10, 10, { { 0, kFace }, { 399, kFace } }, "" },
        // 255 bands from red toward yellow over the whole width: the last is one step short.
        BarRow { "rampFromStartToAlmostEnd", 1000, 1, 999, { { 0, kRed }, { 399, QColor(255, 254, 0) } }, "100%" },
        // Half of 200,000 (beyond a 16-bit range) fills 200 of 400 columns, the band holding
        // column 200 included, and then the background.
        BarRow { "wideRangeHalfThenBackground", 200000, 100000, 1,
            { { 0, kRed }, { 201, QColor(255, 128, 0) }, { 202, kBackground }, { 399, kBackground } }, "50%" }),
    [](const ::testing::TestParamInfo<BarRow>& info) { return std::string(info.param.name); });

TEST(GradientBar, aFloodOfStepsIsCoalescedIntoFewPaints)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    CGradientProgressCtrl bar;
    bar.resize(400, 20);
    bar.show();
    bar.installEventFilter(&counter);
    bar.SetRange(0, 100000);
    bar.SetStep(1);
    for (int i = 0; i < 5000; ++i) {
        bar.StepIt();
        QCoreApplication::processEvents(); // as between two reports of a copy
    }
    EXPECT_LT(counter.paints, 500);
    const int before = counter.paints;
    EXPECT_TRUE(testsupport::WaitUntil([&] { return counter.paints > before; }, 2000)); // the last state shows
}

TEST(MemDC, deliversItsPictureInOneDrawWithinTheClipBox)
{
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(kWhite);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(30, 20, 40, 30));
        CMemDC dc(&painter);
        ASSERT_TRUE(dc.IsOffscreen());
        EXPECT_EQ(dc.Area(), QRect(30, 20, 40, 30));
        dc.Painter().fillRect(QRect(0, 0, 100, 80), kBlue);
        EXPECT_EQ(image.pixelColor(30, 20), kWhite); // nothing before the surface goes
    }
    for (const QPoint& p : { QPoint(30, 20), QPoint(69, 49) })
        EXPECT_EQ(image.pixelColor(p), kBlue);
    for (const QPoint& p : { QPoint(29, 20), QPoint(30, 19), QPoint(70, 49), QPoint(69, 50) })
        EXPECT_EQ(image.pixelColor(p), kWhite);
}

} // namespace
