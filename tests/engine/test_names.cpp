// Names of pieces and of the files they join back into, and the order of the merge list.

#include "Names.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

using NameRow
    = std::tuple<const char*, const char*, int, const char*, const char*>; // source, folder, index, piece, joined

class PieceNames : public ::testing::TestWithParam<NameRow> { };

TEST_P(PieceNames, nameThePieceAfterItsSourceAndJoinItBack)
{
    const auto& [source, folder, index, piece, joined] = GetParam();
    EXPECT_EQ(MakePieceName(S(source), S(folder), index), S(piece));
    EXPECT_EQ(MakeJoinedName(S(piece)), S(joined));
}

INSTANTIATE_TEST_SUITE_P(Names, PieceNames,
    ::testing::Values(NameRow { "/d/a/movie.avi", "/e/out", 12, "/e/out/movie012.avi.qv", "/e/out/movie.avi" },
        NameRow { "/d/a/my.old.movie.avi", "/e/out", 3, "/e/out/my.old.movie003.avi.qv", "/e/out/my.old.movie.avi" },
        NameRow { "/d/a.b/movie", "/e/out", 7, "/e/out/movie007.qv", "/e/out/movie" }, // no extension
        NameRow { "/d/a/.bashrc", "/e/out", 0, "/e/out/.bashrc000.qv", "/e/out/.bashrc" }, // hidden
        NameRow { "/d/a/.config.tar", "/e/out", 2, "/e/out/.config002.tar.qv", "/e/out/.config.tar" },
        NameRow { "/数据/岚舟 电影.mkv", "/备份", 4, "/备份/岚舟 电影004.mkv.qv", "/备份/岚舟 电影.mkv" },
        NameRow { "/movie.avi", "/", 0, "/movie000.avi.qv", "/movie.avi" },
        NameRow { "/d/vacation-2026.mkv", "/e", 5, "/e/vacation-2026005.mkv.qv", "/e/vacation-2026.mkv" }));

TEST(PieceNames, aWiderNumberGoesWholeWhereTheFolderHoldsItsSetAndAFileOfNoSetJoinsIntoAMarkedName)
{
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    for (const char* name : { "movie000.avi.qv", "movie1000.avi.qv", "big0000.bin.qv", "big0001.bin.qv",
             "year2026000.mkv.qv", "year20261000.mkv.qv" })
        QFile(d + S(name)).open(QIODevice::WriteOnly);
    EXPECT_EQ(MakeJoinedName(d + S("movie1000.avi.qv")), d + S("movie.avi"));
    EXPECT_EQ(MakeJoinedName(d + S("big0001.bin.qv")), d + S("big.bin")); // split -d -a 4
    EXPECT_EQ(MakeJoinedName(d + S("year20261000.mkv.qv")), d + S("year2026.mkv"));
    EXPECT_EQ(MakeJoinedName(d + S("r7.pdf.qv")), d + S("r.pdf")); // fewer than three digits
    EXPECT_EQ(MakeJoinedName(S("/d/x/backup.part1.rar")), S("/d/x/backup.part1_qv.rar"));
    EXPECT_EQ(MakeJoinedName(S("/e/a.b/movie")), S("/e/a.b/movie_qv"));
}

// The merge list inserts by binary search, which needs a strict order: antisymmetric,
// transitive, and zero only for the same text.
TEST(ComparePieceNames, ordersNumbersByValueIgnoresCaseAndIsAStrictOrder)
{
    EXPECT_LT(ComparePieceNames(S("/e/movie999.avi.qv"), S("/e/movie1000.avi.qv")), 0);
    EXPECT_LT(ComparePieceNames(S("/e/apple.qv"), S("/e/Banana.qv")), 0);
    EXPECT_LT(ComparePieceNames(S("/e/Apple.qv"), S("/e/banana.qv")), 0);

    // Empty names, digits of other scripts, case twins, separators: names that trouble such orders.
    const QStringList names
        = S("10 0 00 0a a0 disk1 disk01 DISK1 disk10 disk9.qv Disk9.QV a B b １ ٣ é _  z/1 z.1").split(u' ');
    auto sign = [&](int i, int j) {
        const int v = ComparePieceNames(names[i], names[j]);
        return (v > 0) - (v < 0);
    };
    const int n = int(names.size());
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            ASSERT_EQ(sign(i, j), -sign(j, i)) << i << ' ' << j;
            ASSERT_EQ(sign(i, j) == 0, names[i] == names[j]) << i << ' ' << j;
            for (int k = 0; k < n && sign(i, j) < 0; ++k)
                ASSERT_FALSE(sign(j, k) < 0 && sign(i, k) >= 0) << i << ' ' << j << ' ' << k;
        }
    }
}

} // namespace
