// The split job's arithmetic: piece sizes from the size field's text, and piece ranges.

#include "SplitJob.h"

#include <gtest/gtest.h>

namespace {

// The piece size for the size field's text, as the start command takes it; -1 when refused.
int64_t PieceSizeOf(const char* text)
{
    bool ok = false;
    const double megabytes = ParseLeadingNumber(QString::fromUtf8(text), &ok);
    int64_t size = 0;
    return ok && PieceSizeFromMegabytes(megabytes, 65536, &size) ? size : -1;
}

TEST(PieceSize, roundsDownToTheGranularityNeverBelowItAndRefusesWhatIsNoSize)
{
    const std::pair<const char*, int64_t> rows[] = { { "250", 249954304 }, { "0.5", 458752 }, { "1.1", 1048576 },
        { "0.01", 65536 }, { "0", 65536 }, { "", 65536 }, { "5000", 4999938048 }, { "  50M", 49938432 },
        { "2,5", 1966080 }, { "1e1", 9961472 }, { "abc", -1 }, { "M50", -1 }, { ".", -1 }, { "-", -1 }, { "nan", -1 },
        { "inf", -1 }, { "-5", -1 }, { "1e13", -1 } /* beyond 64 bits */, { "1e400", -1 } /* beyond double precision */,
        { "1.048576", 1048576 }, { "0.131072", 131072 } /* whole granules, as typed */ };
    for (const auto& [text, bytes] : rows)
        EXPECT_EQ(PieceSizeOf(text), bytes) << text;
    EXPECT_GT(PieceSizeOf("9.2e12"), 0); // the largest that still fits
}

TEST(PieceRanges, cutEqualPiecesAndAShorterLastOneWithSixtyFourBitOffsets)
{
    // The source's size, the piece size, the pieces and the last one's length.
    const std::tuple<uint64_t, uint64_t, size_t, uint64_t> rows[]
        = { { 1000000000, 249954304, 5, 182784 }, { 3 * 65536, 65536, 3, 65536 } /* no empty piece at the end */,
              { 100, 65536, 1, 100 }, { 0, 65536, 0, 0 }, { 10000000000ull, 4999938048ull, 3, 123904 } };
    for (const auto& [size, pieceSize, count, lastLength] : rows) {
        std::vector<PieceRecord> pieces;
        BuildPieceRanges(0, size, pieceSize, pieces);
        ASSERT_EQ(pieces.size(), count) << size;
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(pieces[i].start, i * pieceSize) << size << ' ' << i;
            EXPECT_EQ(pieces[i].end - pieces[i].start, i + 1 == count ? lastLength : pieceSize) << size << ' ' << i;
        }
    }
}

} // namespace
