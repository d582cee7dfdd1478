// The split job's arithmetic: piece sizes from the size field, piece ranges, and reading
// the size field's text.

#include "SplitJob.h"

#include <gtest/gtest.h>

namespace {

struct PieceSizeCase {
    const char* text;
    int64_t bytes;
};

class PieceSizeFromText : public ::testing::TestWithParam<PieceSizeCase> { };

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
    ::testing::Values(PieceSizeCase { "250", 249954304 }, PieceSizeCase { "100", 99942400 },
        PieceSizeCase { "10", 9961472 }, PieceSizeCase { "0.5", 458752 }, PieceSizeCase { "1.1", 1048576 },
        PieceSizeCase { "0.01", 65536 }, PieceSizeCase { "0", 65536 }, PieceSizeCase { "", 65536 },
        PieceSizeCase { "5000", 4999938048 }, PieceSizeCase { "  50M", 49938432 }, PieceSizeCase { "2,5", 1966080 },
        PieceSizeCase { "1e1", 9961472 }));

TEST(PieceSizeText, refusesTextsThatAreNoUsableSize)
{
    for (const char* text : { "abc", "M50", ".", "-", "+", "nan", "inf" }) {
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
    ParseLeadingNumber(QStringLiteral("1e60"), &ok); // beyond single precision
    EXPECT_FALSE(ok);
    // The largest size that still fits is taken.
    EXPECT_TRUE(PieceSizeFromMegabytes(9.2e12f, 65536, &size));
    EXPECT_EQ(size % 65536, 0);
    EXPECT_GT(size, 0);
}

struct RangesCase {
    uint64_t size;
    uint64_t pieceSize;
    size_t count;
    uint64_t lastLength;
};

class PieceRanges : public ::testing::TestWithParam<RangesCase> { };

TEST_P(PieceRanges, cutEqualPiecesAndAShorterLastOneWithSixtyFourBitOffsets)
{
    const RangesCase c = GetParam();
    std::vector<PieceRecord> pieces;
    BuildPieceRanges(0, c.size, c.pieceSize, pieces);
    ASSERT_EQ(pieces.size(), c.count);
    for (size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(pieces[i].start, i * c.pieceSize) << i;
        EXPECT_EQ(pieces[i].end - pieces[i].start, i + 1 == c.count ? c.lastLength : c.pieceSize) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, PieceRanges,
    ::testing::Values(RangesCase { 1000000000, 249954304, 5, 182784 },
        RangesCase { 3 * 65536, 65536, 3, 65536 }, // no empty piece at the end
        RangesCase { 100, 65536, 1, 100 }, RangesCase { 0, 65536, 0, 0 },
        RangesCase { 10000000000ull, 4999938048ull, 3, 123904 }));

} // namespace
