#include "GradientProgressCtrl.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 20;
// Never painted by the bar: a pixel still of this colour was left unpainted.
const QColor kUnpainted(1, 2, 3);

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kDialogText(255, 150, 255);
const QColor kDialogBackground(200, 232, 234);

// A bar with the colours the main dialog gives it.
void UseDialogLook(CGradientProgressCtrl& bar)
{
    bar.m_bShowText = true;
    bar.m_crGradientStart = kRed;
    bar.m_crGradientEnd = kYellow;
    bar.m_crText = kDialogText;
    bar.m_crBackground = kDialogBackground;
}

// Moves the bar to `position` of the range lower..upper the way a job does.
void MoveTo(CGradientProgressCtrl& bar, int lower, int upper, int position)
{
    bar.SetRange(lower, upper);
    bar.SetStep(1);
    for (int i = lower; i < position; ++i)
        bar.StepIt();
}

QImage Render(CGradientProgressCtrl& bar, bool withText = false, int width = kWidth)
{
    QImage image(width, kHeight, QImage::Format_RGB32);
    image.fill(kUnpainted);
    QPainter painter(&image);
    if (withText) {
        QFont font = painter.font();
        font.setPixelSize(kHeight - 2);
        font.setBold(true);
        painter.setFont(font);
    }
    bar.PaintBar(painter, image.rect());
    return image;
}

QColor At(const QImage& image, int x)
{
    return image.pixelColor(x, kHeight / 2);
}

int CountPixels(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    }
    return count;
}

bool EveryPixelIs(const QImage& image, const QColor& colour)
{
    return CountPixels(image, colour) == image.width() * image.height();
}

} // namespace

TEST(GradientProgressCtrl, startsWithTheDocumentedDefaults)
{
    CGradientProgressCtrl bar;
    EXPECT_TRUE(bar.m_strPercent.isEmpty());
    EXPECT_EQ(bar.m_nRangeLower, 0);
    EXPECT_EQ(bar.m_nRangeUpper, 100);
    EXPECT_EQ(bar.m_nStepSize, 10);
    EXPECT_EQ(bar.m_nPosition, 0);
    EXPECT_EQ(bar.m_crGradientStart, kRed);
    EXPECT_EQ(bar.m_crGradientEnd, kBlue);
    EXPECT_EQ(bar.m_crBackground, bar.palette().color(QPalette::Button));
    EXPECT_EQ(bar.m_crText, QColor(255, 255, 255));
    EXPECT_FALSE(bar.m_bShowText);
    EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
}

struct IdleRow {
    const char* name;
    int lower;
    int upper;
    int position;
};

class IdleOrFinishedBar : public ::testing::TestWithParam<IdleRow> { };

TEST_P(IdleOrFinishedBar, isPlainButtonFaceWithoutText)
{
    const IdleRow& row = GetParam();
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    MoveTo(bar, row.lower, row.upper, row.position);
    ASSERT_EQ(bar.m_nPosition, row.position);

    // The button face is read when painting, not when the bar was made.
    const QColor face(10, 20, 30);
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Button, face);
    bar.setPalette(palette);

    EXPECT_TRUE(EveryPixelIs(Render(bar, true), face));
    EXPECT_TRUE(bar.m_strPercent.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Positions, IdleOrFinishedBar,
    ::testing::Values(IdleRow { "atLowerBound", 0, 10, 0 }, IdleRow { "atNonZeroLowerBound", 5, 10, 5 },
        IdleRow { "atUpperBound", 0, 10, 10 }, IdleRow { "beyondUpperBound", 0, 10, 13 },
        IdleRow { "emptyRange", 0, 0, 0 }),
    [](const ::testing::TestParamInfo<IdleRow>& info) { return std::string(info.param.name); });

struct RampRow {
    const char* name;
    int lower;
    int upper;
    int position;
    int width;
    QColor start;
    QColor end;
    std::vector<std::pair<int, QColor>> columns; // expected colour of each listed column
    const char* percent;
};

class RunningBar : public ::testing::TestWithParam<RampRow> { };

TEST_P(RunningBar, showsTheRampUpToTheReachedBandThenTheBackground)
{
    const RampRow& row = GetParam();
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    bar.m_crGradientStart = row.start;
    bar.m_crGradientEnd = row.end;
    bar.m_nRangeLower = row.lower;
    bar.m_nRangeUpper = row.upper;
    bar.m_nPosition = row.position;
    bar.m_bShowText = false; // the text has its own test

    const QImage image = Render(bar, false, row.width);
    EXPECT_EQ(CountPixels(image, kUnpainted), 0);
    for (const auto& [x, colour] : row.columns)
        EXPECT_EQ(At(image, x), colour) << "column " << x;
    // The end colour is where the ramp is heading, never a colour of it.
    if (row.start != row.end) {
        EXPECT_EQ(CountPixels(image, row.end), 0);
    }
    QString percent;
    bar.FormatPercent(percent);
    EXPECT_EQ(percent, QString::fromLatin1(row.percent));
}

INSTANTIATE_TEST_SUITE_P(Bars, RunningBar,
    ::testing::Values(
        // F = 0: only the first band, one column wide, then the background.
        RampRow { "firstStepOfAThousand", 0, 1000, 1, kWidth, kRed, kYellow,
            { { 0, kRed }, { 1, kDialogBackground }, { 399, kDialogBackground } }, "0%" },
        // F = 399: the last band covers columns 398 and 399, so no background shows.
        RampRow { "lastStepOfAThousand", 0, 1000, 999, kWidth, kRed, kYellow,
            { { 0, kRed }, { 396, QColor(255, 253, 0) }, { 397, QColor(255, 253, 0) }, { 398, QColor(255, 254, 0) },
                { 399, QColor(255, 254, 0) } },
            "100%" },
        // F = 133: band 85 is the single column 133.
        RampRow { "oneThird", 0, 3, 1, kWidth, kRed, kYellow,
            { { 132, QColor(255, 84, 0) }, { 133, QColor(255, 85, 0) }, { 134, kDialogBackground } }, "33%" },
        // F = 200: the ramp is laid over the whole width, not squeezed into the reached part.
        RampRow { "half", 0, 100, 50, kWidth, kRed, kYellow,
            { { 0, kRed }, { 199, QColor(255, 127, 0) }, { 200, QColor(255, 128, 0) }, { 201, QColor(255, 128, 0) },
                { 202, kDialogBackground } },
            "50%" },
        // The lower bound plays no part in the proportion.
        RampRow { "halfOfARangeNotStartingAtZero", 40, 100, 50, kWidth, kRed, kYellow,
            { { 200, QColor(255, 128, 0) }, { 202, kDialogBackground } }, "50%" },
        // 255 bands of 1.5686275 pixels start at x = 0, 1, 3, 4, 6, 7.
        RampRow { "bandEdgesOfTheDefaultRamp", 0, 1000, 999, kWidth, kRed, kBlue,
            { { 0, QColor(255, 0, 0) }, { 1, QColor(254, 0, 1) }, { 2, QColor(254, 0, 1) }, { 3, QColor(253, 0, 2) },
                { 4, QColor(252, 0, 3) }, { 5, QColor(252, 0, 3) }, { 6, QColor(251, 0, 4) }, { 7, QColor(250, 0, 5) },
                { 399, QColor(1, 0, 254) } },
            "100%" },
        // Green climbs by a third per band and is cut toward zero: band 5 (column 7) has
        // 1.67, painted as 1; the last band has 84.67, painted as 84.
        RampRow { "fractionalChannelSteps", 0, 1000, 999, kWidth, QColor(255, 0, 0), QColor(0, 85, 0),
            { { 0, QColor(255, 0, 0) }, { 3, QColor(253, 0, 0) }, { 6, QColor(251, 1, 0) }, { 7, QColor(250, 1, 0) },
                { 399, QColor(1, 84, 0) } },
            "100%" },
        // Equal colours: the reached part in that colour, the rest in the background.
        RampRow { "oneColour", 0, 100, 50, kWidth, kRed, kRed,
            { { 0, kRed }, { 200, kRed }, { 201, kDialogBackground }, { 399, kDialogBackground } }, "50%" },
        // Seven bands over 31 pixels end at column 30 in single precision; the reached
        // column 30 still belongs to the ramp.
        RampRow { "bandsEndingShortOfTheEdge", 0, 100, 99, 31, kRed, QColor(255, 7, 0),
            { { 26, QColor(255, 6, 0) }, { 29, QColor(255, 6, 0) }, { 30, QColor(255, 6, 0) } }, "99%" },
        // An upper bound of 0 gives an infinite proportion: the first band, then background.
        RampRow { "upperBoundZero", -10, 0, -5, kWidth, kRed, kYellow,
            { { 0, kRed }, { 1, kDialogBackground }, { 399, kDialogBackground } }, "-inf%" }),
    [](const ::testing::TestParamInfo<RampRow>& info) { return std::string(info.param.name); });

TEST(GradientProgressCtrl, paintsAndCountsARangeWiderThanSixteenBitsFromItsOwnValues)
{
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    bar.SetRange(0, 200000);
    bar.SetStep(100000);
    bar.StepIt();

    EXPECT_EQ(bar.NativeUpper(), 200000 & 0xFFFF);
    EXPECT_EQ(bar.m_nRangeUpper, 200000);
    EXPECT_EQ(bar.m_nPosition, 100000);
    bar.m_bShowText = false;
    const QImage image = Render(bar);
    EXPECT_EQ(At(image, 201), QColor(255, 128, 0));
    EXPECT_EQ(At(image, 202), kDialogBackground);
    bar.m_bShowText = true;
    Render(bar);
    EXPECT_EQ(bar.m_strPercent, QStringLiteral("50%"));
}

TEST(GradientProgressCtrl, setRangeRestartsAtTheLowerBoundAndStepItAddsTheStep)
{
    CGradientProgressCtrl bar;
    bar.SetRange(5, 50);
    EXPECT_EQ(bar.m_nRangeLower, 5);
    EXPECT_EQ(bar.m_nRangeUpper, 50);
    EXPECT_EQ(bar.m_nPosition, 5);
    bar.StepIt(); // the step is still the initial 10
    EXPECT_EQ(bar.m_nPosition, 15);
    bar.SetStep(3);
    EXPECT_EQ(bar.m_nStepSize, 3);
    bar.StepIt();
    EXPECT_EQ(bar.m_nPosition, 18);
    bar.SetRange(0, 10);
    EXPECT_EQ(bar.m_nPosition, 0);
}

struct PercentRow {
    int position;
    int upper;
    const char* text;
};

class Percentage : public ::testing::TestWithParam<PercentRow> { };

TEST_P(Percentage, isTheProportionOfTheUpperBoundWithoutDecimals)
{
    CGradientProgressCtrl bar;
    bar.m_nPosition = GetParam().position;
    bar.m_nRangeUpper = GetParam().upper;
    QString text;
    bar.FormatPercent(text);
    EXPECT_EQ(text, QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Proportions, Percentage,
    ::testing::Values(PercentRow { 1, 1000, "0%" }, PercentRow { 999, 1000, "100%" }, PercentRow { 1, 3, "33%" },
        PercentRow { 2, 3, "67%" }, PercentRow { 7, 8, "88%" }, PercentRow { 123456789, 1000000000, "12%" },
        PercentRow { 2147483646, 2147483647, "100%" }));

TEST(GradientProgressCtrl, writesThePercentageOverTheBarOnlyWhenAskedTo)
{
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    MoveTo(bar, 0, 3, 1);

    bar.m_bShowText = false;
    const QImage plain = Render(bar, true);
    EXPECT_TRUE(bar.m_strPercent.isEmpty());
    EXPECT_EQ(CountPixels(plain, kDialogText), 0);

    bar.m_bShowText = true;
    const QImage withText = Render(bar, true);
    EXPECT_EQ(bar.m_strPercent, QStringLiteral("33%"));
    EXPECT_GT(CountPixels(withText, kDialogText), 0);
    // Centred: the text lies over both the ramp (up to column 133) and the background.
    int left = kWidth, right = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (withText.pixel(x, y) != plain.pixel(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, left);
    EXPECT_NEAR((left + right) / 2.0, kWidth / 2.0, 6.0);
}

TEST(GradientProgressCtrl, staysInsideItsClientRectangle)
{
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    bar.m_bShowText = false;
    MoveTo(bar, 0, 100, 50);

    QImage image(kWidth + 20, kHeight + 10, QImage::Format_RGB32);
    image.fill(kUnpainted);
    {
        QPainter painter(&image);
        bar.PaintBar(painter, QRect(10, 5, kWidth, kHeight));
    }
    const int y = 5 + kHeight / 2;
    EXPECT_EQ(image.pixelColor(9, y), kUnpainted);
    EXPECT_EQ(image.pixelColor(10, y), kRed);
    EXPECT_EQ(image.pixelColor(10 + 201, y), QColor(255, 128, 0));
    EXPECT_EQ(image.pixelColor(10 + 202, y), kDialogBackground);
    EXPECT_EQ(image.pixelColor(10 + kWidth - 1, y), kDialogBackground);
    EXPECT_EQ(image.pixelColor(10 + kWidth, y), kUnpainted);
    EXPECT_EQ(image.pixelColor(20, 4), kUnpainted);
    EXPECT_EQ(image.pixelColor(20, 5 + kHeight), kUnpainted);
    EXPECT_EQ(CountPixels(image, kUnpainted), image.width() * image.height() - kWidth * kHeight);
}

TEST(GradientProgressCtrl, widgetPaintsTheSameBar)
{
    CGradientProgressCtrl bar;
    UseDialogLook(bar);
    bar.m_bShowText = false;
    bar.resize(kWidth, kHeight);
    MoveTo(bar, 0, 100, 50);

    const QImage grabbed = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(grabbed.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(grabbed, Render(bar));
}
