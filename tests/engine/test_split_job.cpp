// The split job's arithmetic: piece sizes from the size field, piece ranges, and reading
// the size field's text.

#include "SplitJob.h"

#include <gtest/gtest.h>

namespace {

struct PieceSizeCase {
    const char* text;
    int64_t bytes;
};

class PieceSizeFromText : public ::testing::TestWithParam<PieceSizeCase> {};

TEST_P(PieceSizeFromText, roundsDownToTheGranularityAndNeverBelowOneGranularity)
{
    bool ok = false;
    const float x = ParseLeadingNumber(QString::fromUtf8(GetParam().text), &ok);
    ASSERT_TRUE(ok);
    int64_t size = 0;
    ASSERT_TRUE(PieceSizeFromMegabytes(x, 65536, &size));
    EXPECT_EQ(size, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(SizeField, PieceSizeFromText,
                         ::testing::Values(PieceSizeCase{"250", 249954304}, PieceSizeCase{"100", 99942400},
                                           PieceSizeCase{"10", 9961472}, PieceSizeCase{"0.5", 458752},
                                           PieceSizeCase{"1.1", 1048576}, PieceSizeCase{"0.01", 65536},
                                           PieceSizeCase{"0", 65536}, PieceSizeCase{"", 65536},
                                           PieceSizeCase{"5000", 4999938048}, PieceSizeCase{"  50M", 49938432},
                                           PieceSizeCase{"2,5", 1966080}, PieceSizeCase{"1e1", 9961472}));

TEST(PieceSizeText, refusesTextsThatAreNoUsableSize)
{
    for (const char* text : {"abc", "M50", ".", "-", "+", "nan", "inf"}) {
        bool ok = true;
        ParseLeadingNumber(QString::fromUtf8(text), &ok);
        EXPECT_FALSE(ok) << text;
    }
    int64_t size = 0;
    bool ok = false;
    EXPECT_FALSE(PieceSizeFromMegabytes(ParseLeadingNumber(QStringLiteral("-5"), &ok), 65536, &size));
    EXPECT_TRUE(ok);
    // 1e13 M is 1e19 bytes, beyond the signed 64-bit range.
    EXPECT_FALSE(PieceSizeFromMegabytes(ParseLeadingNumber(QStringLiteral("1e13"), &ok), 65536, &size));
    ParseLeadingNumber(QStringLiteral("1e60"), &ok);  // beyond single precision
    EXPECT_FALSE(ok);
    // The largest size that still fits is taken.
    EXPECT_TRUE(PieceSizeFromMegabytes(9.2e12f, 65536, &size));
    EXPECT_EQ(size % 65536, 0);
    EXPECT_GT(size, 0);
}

TEST(BuildPieceRanges, cutsEqualPiecesAndAShorterLastOne)
{
    std::vector<PieceRecord> pieces;
    BuildPieceRanges(0, 1000000000, 249954304, pieces);
    ASSERT_EQ(pieces.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(pieces[i].start, i * 249954304u);
        EXPECT_EQ(pieces[i].end - pieces[i].start, 249954304u);
    }
    EXPECT_EQ(pieces[4].end - pieces[4].start, 182784u);
    EXPECT_EQ(pieces[4].end, 1000000000u);
}

TEST(BuildPieceRanges, handlesExactMultiplesSmallSourcesAndEmptyOnes)
{
    std::vector<PieceRecord> pieces;
    BuildPieceRanges(0, 3 * 65536, 65536, pieces);
    ASSERT_EQ(pieces.size(), 3u);  // no empty piece after an exact multiple
    EXPECT_EQ(pieces[2].end, 3u * 65536u);

    pieces.clear();
    BuildPieceRanges(0, 100, 65536, pieces);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].end, 100u);

    pieces.clear();
    BuildPieceRanges(0, 0, 65536, pieces);
    EXPECT_TRUE(pieces.empty());

    // Appends behind what is already listed, and counts from its own start.
    pieces.assign(1, PieceRecord{});
    BuildPieceRanges(65536, 65536 + 70000, 65536, pieces);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1].start, 65536u);
    EXPECT_EQ(pieces[2].end, 65536u + 70000u);
}

TEST(BuildPieceRanges, usesSixtyFourBitOffsetsAboveFourGigabytes)
{
    std::vector<PieceRecord> pieces;
    BuildPieceRanges(0, 10000000000ull, 4999938048ull, pieces);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1].start, 4999938048ull);
    EXPECT_EQ(pieces[1].end - pieces[1].start, 4999938048ull);
    EXPECT_EQ(pieces[2].end - pieces[2].start, 123904ull);
}

}  // namespace
