// Names of pieces and joined files, the path cut they share, and the order of the merge list.

#include "Names.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A folder path of at least `length` characters: /d/aaaa.../bbbb.../...
QString LongFolder(int length)
{
    QString folder;
    char letter = 'a';
    while (folder.size() < length) {
        folder += QLatin1Char('/') + QString(40, QLatin1Char(letter));
        letter = letter == 'z' ? 'a' : char(letter + 1);
    }
    return folder;
}

// ---- SplitAtLast -------------------------------------------------------------------------

struct SplitRow {
    const char* text;
    char ch;
    const char* behind;
    const char* front;
};

void PrintTo(const SplitRow& row, std::ostream* os)
{
    *os << '"' << row.text << "\" at '" << row.ch << '\'';
}

class SplitAtLastTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitAtLastTest, returnsWhatLiesBehindAndKeepsWhatLiesInFront)
{
    const SplitRow& row = GetParam();
    QString text = S(row.text);
    EXPECT_EQ(SplitAtLast(text, QLatin1Char(row.ch)), S(row.behind));
    EXPECT_EQ(text, S(row.front));
}

INSTANTIATE_TEST_SUITE_P(Examples, SplitAtLastTest,
                         ::testing::Values(SplitRow{"/d/a/movie.avi", '.', "avi", "/d/a/movie"},
                                           SplitRow{"/d/a/movie", '/', "movie", "/d/a"},
                                           SplitRow{"/d/a/movie.avi", '/', "movie.avi", "/d/a"},
                                           SplitRow{"a.b.c", '.', "c", "a.b"},
                                           SplitRow{"/d/a/movie.", '.', "", "/d/a/movie"},
                                           // Two characters or fewer are left alone.
                                           SplitRow{"ab", '.', "", "ab"},
                                           SplitRow{"a.", '.', "", "a."},
                                           SplitRow{"a", '.', "", "a"},
                                           SplitRow{"", '.', "", ""},
                                           // The first character is never tested.
                                           SplitRow{".ab", '.', "ab", ""},
                                           SplitRow{"/movie.avi", '/', "movie.avi", ""},
                                           SplitRow{"abc", '.', "bc", ""},
                                           SplitRow{"电影.mkv", '.', "mkv", "电影"}));

TEST(SplitAtLast, handlesTextsLongerThanAnyPathBuffer)
{
    const QString folder = LongFolder(5000);
    QString text = folder + QStringLiteral("/movie.avi");
    EXPECT_EQ(SplitAtLast(text, QLatin1Char('/')), QStringLiteral("movie.avi"));
    EXPECT_EQ(text, folder);
}

// ---- MakePieceName -----------------------------------------------------------------------

struct PieceRow {
    const char* source;
    const char* folder;
    int index;
    const char* piece;
};

void PrintTo(const PieceRow& row, std::ostream* os)
{
    *os << row.source << " in \"" << row.folder << "\" #" << row.index;
}

class MakePieceNameTest : public ::testing::TestWithParam<PieceRow> {};

TEST_P(MakePieceNameTest, namesThePieceAfterTheSource)
{
    const PieceRow& row = GetParam();
    EXPECT_EQ(MakePieceName(S(row.source), S(row.folder), row.index), S(row.piece));
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, MakePieceNameTest,
    ::testing::Values(PieceRow{"/d/a/movie.avi", "/e/out", 0, "/e/out/movie000.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "/e/out", 1, "/e/out/movie001.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "/e/out", 12, "/e/out/movie012.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "/e/out", 999, "/e/out/movie999.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "/e/out", 1000, "/e/out/movie1000.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "/e/out", 12345, "/e/out/movie12345.avi.qv"},
                      PieceRow{"/d/a/my.old.movie.avi", "/e/out", 3, "/e/out/my.old.movie003.avi.qv"},
                      PieceRow{"/movie.avi", "/", 0, "/movie000.avi.qv"},
                      PieceRow{"/d/a/movie.avi", "", 0, "/movie000.avi.qv"}));

INSTANTIATE_TEST_SUITE_P(
    UnusualNames, MakePieceNameTest,
    ::testing::Values(
        // No extension: nothing of the folder leaks into the name.
        PieceRow{"/d/a/movie", "/e/out", 0, "/e/out/movie000.qv"},
        PieceRow{"/d/a.b/movie", "/e/out", 7, "/e/out/movie007.qv"},
        PieceRow{"/d/a.b/movie.avi", "/e/out", 0, "/e/out/movie000.avi.qv"},
        // A leading dot is part of the name, not an extension.
        PieceRow{"/d/a/.bashrc", "/e/out", 0, "/e/out/.bashrc000.qv"},
        PieceRow{"/d/a/.config.tar", "/e/out", 2, "/e/out/.config002.tar.qv"},
        // Capitals are kept as they are; the piece extension is always lower-case.
        PieceRow{"/d/a/MOVIE.AVI", "/e/out", 0, "/e/out/MOVIE000.AVI.qv"},
        // Short names and bare names keep every character.
        PieceRow{"/d/a/x", "/e/out", 0, "/e/out/x000.qv"},
        PieceRow{"/d/a/a.b", "/e/out", 0, "/e/out/a000.b.qv"},
        PieceRow{"movie.avi", "/e/out", 0, "/e/out/movie000.avi.qv"},
        PieceRow{"/d/a/movie.", "/e/out", 0, "/e/out/movie000..qv"},
        PieceRow{"/d/a/movie.avi", "/e/out/", 0, "/e/out/movie000.avi.qv"},
        PieceRow{"/数据/岚舟 电影.mkv", "/备份", 4, "/备份/岚舟 电影004.mkv.qv"}));

TEST(MakePieceName, keepsPathsOfAnyLength)
{
    for (const int length : {300, 5000}) {
        const QString sourceFolder = LongFolder(length);
        const QString pieceFolder = LongFolder(length + 17);
        const QString stem = QString(length, QLatin1Char('m'));
        const QString piece = MakePieceName(sourceFolder + QLatin1Char('/') + stem + QStringLiteral(".iso"),
                                            pieceFolder, 1000);
        EXPECT_EQ(piece, pieceFolder + QLatin1Char('/') + stem + QStringLiteral("1000.iso.qv")) << length;
    }
}

// ---- MakeJoinedName ----------------------------------------------------------------------

struct JoinedRow {
    const char* piece;
    const char* joined;
};

void PrintTo(const JoinedRow& row, std::ostream* os)
{
    *os << row.piece;
}

class MakeJoinedNameTest : public ::testing::TestWithParam<JoinedRow> {};

TEST_P(MakeJoinedNameTest, derivesTheJoinedFileFromThePiece)
{
    EXPECT_EQ(MakeJoinedName(S(GetParam().piece)), S(GetParam().joined));
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, MakeJoinedNameTest,
                         ::testing::Values(JoinedRow{"/e/out/movie000.avi.qv", "/e/out/movie.avi"},
                                           JoinedRow{"/e/out/movie012.avi.qv", "/e/out/movie.avi"},
                                           JoinedRow{"/e/out/my.old.movie000.avi.qv", "/e/out/my.old.movie.avi"},
                                           JoinedRow{"/d/x/backup.part1.rar", "/d/x/backup.part1_qv.rar"},
                                           JoinedRow{"/e/out/movie000.avi.QV", "/e/out/movie000.avi_qv.QV"}));

INSTANTIATE_TEST_SUITE_P(
    UnusualNames, MakeJoinedNameTest,
    ::testing::Values(
        // Exactly three characters go, whatever they are.
        JoinedRow{"/e/out/movieabc.avi.qv", "/e/out/movie.avi"},
        // "qv" must match exactly.
        JoinedRow{"/e/out/movie000.avi.Qv", "/e/out/movie000.avi_qv.Qv"},
        JoinedRow{"/e/out/movie000.avi.qvx", "/e/out/movie000.avi_qv.qvx"},
        // A piece of a file without an extension.
        JoinedRow{"/e/out/movie000.qv", "/e/out/movie"},
        JoinedRow{"/e/a.b/movie000.qv", "/e/a.b/movie"},
        JoinedRow{"movie000.qv", "movie"},
        JoinedRow{"movie000.avi.qv", "movie.avi"},
        // Not a piece and no extension: dots in folders are no extension.
        JoinedRow{"/e/a.b/movie", "/e/a.b/movie_qv"},
        // A hidden file's leading dot begins no extension.
        JoinedRow{"/e/out/.bashrc000.qv", "/e/out/.bashrc"},
        JoinedRow{"/e/out/.bashrc", "/e/out/.bashrc_qv"},
        // Too short to hold a piece number: the folder is never cut into.
        JoinedRow{"/e/out/ab.avi.qv", "/e/out/.avi"},
        JoinedRow{"/e/out/ab.qv", "/e/out/"}));

TEST(MakeJoinedName, keepsPathsOfAnyLength)
{
    for (const int length : {300, 5000}) {
        const QString folder = LongFolder(length);
        const QString stem = QString(length, QLatin1Char('m'));
        EXPECT_EQ(MakeJoinedName(folder + QLatin1Char('/') + stem + QStringLiteral("000.iso.qv")),
                  folder + QLatin1Char('/') + stem + QStringLiteral(".iso"))
            << length;
    }
}

TEST(MakeJoinedName, joinsThePiecesOfASourceBackIntoItsName)
{
    const QStringList sources{S("/d/a/movie.avi"),  S("/d/a/my.old.movie.avi"), S("/d/a.b/movie"),
                              S("/d/a/.bashrc"),    S("/d/a/.config.tar"),      S("/d/a/MOVIE.AVI"),
                              S("/d/a/x"),          S("/d/a/movie."),           S("/数据/岚舟 电影.mkv"),
                              S("/d/a/disk001.iso"), S("/d/a/archive.tar.gz")};
    for (const QString& source : sources) {
        const QString name = source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
        for (const int index : {0, 1, 12, 999}) {
            EXPECT_EQ(MakeJoinedName(MakePieceName(source, QStringLiteral("/e/out"), index)),
                      QStringLiteral("/e/out/") + name)
                << source.toStdString() << " #" << index;
        }
    }
}

// ---- FolderOf ----------------------------------------------------------------------------

TEST(FolderOf, takesWhatLiesInFrontOfTheLastSeparator)
{
    EXPECT_EQ(FolderOf(QStringLiteral("/d/data/disk.iso")), QStringLiteral("/d/data"));
    EXPECT_EQ(FolderOf(QStringLiteral("/d/a.b/disk")), QStringLiteral("/d/a.b"));
    EXPECT_EQ(FolderOf(QStringLiteral("/disk.iso")), QStringLiteral("/"));
    EXPECT_EQ(FolderOf(QStringLiteral("disk.iso")), QString());
    EXPECT_EQ(FolderOf(QString()), QString());
    const QString folder = LongFolder(5000);
    EXPECT_EQ(FolderOf(folder + QStringLiteral("/disk.iso")), folder);
}

// ---- ComparePieceNames -------------------------------------------------------------------

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

struct OrderRow {
    const char* first;
    const char* second;
};

void PrintTo(const OrderRow& row, std::ostream* os)
{
    *os << row.first << " < " << row.second;
}

class ComparePieceNamesTest : public ::testing::TestWithParam<OrderRow> {};

TEST_P(ComparePieceNamesTest, putsTheFirstInFrontOfTheSecond)
{
    const QString a = S(GetParam().first), b = S(GetParam().second);
    EXPECT_LT(ComparePieceNames(a, b), 0);
    EXPECT_GT(ComparePieceNames(b, a), 0);
}

INSTANTIATE_TEST_SUITE_P(Orders, ComparePieceNamesTest,
                         ::testing::Values(OrderRow{"/e/disk001.iso.qv", "/e/disk002.iso.qv"},
                                           OrderRow{"/e/movie999.avi.qv", "/e/movie1000.avi.qv"},
                                           OrderRow{"/e/movie100.avi.qv", "/e/movie101.avi.qv"},
                                           OrderRow{"/e/movie101.avi.qv", "/e/movie1000.avi.qv"},
                                           // Letter case is ignored...
                                           OrderRow{"/e/apple.qv", "/e/Banana.qv"},
                                           OrderRow{"/e/Apple.qv", "/e/banana.qv"},
                                           OrderRow{"/e/DISK001.iso.qv", "/e/disk002.iso.qv"},
                                           // ...but names that differ only in it are not equal.
                                           OrderRow{"/e/DISK001.iso.qv", "/e/disk001.iso.qv"},
                                           // A name in front of its longer continuations.
                                           OrderRow{"/e/movie", "/e/movie000.qv"},
                                           OrderRow{"/e/disk1.qv", "/e/disk01.qv"},
                                           OrderRow{"/e/a/z.qv", "/e/b/a.qv"}));

TEST(ComparePieceNames, findsOnlyTheSamePathEqual)
{
    EXPECT_EQ(ComparePieceNames(QStringLiteral("/e/disk001.iso.qv"), QStringLiteral("/e/disk001.iso.qv")), 0);
    EXPECT_EQ(ComparePieceNames(QString(), QString()), 0);
    EXPECT_NE(ComparePieceNames(QStringLiteral("/e/disk001.qv"), QStringLiteral("/e/Disk001.qv")), 0);
    EXPECT_NE(ComparePieceNames(QStringLiteral("/e/disk1.qv"), QStringLiteral("/e/disk001.qv")), 0);
}

TEST(ComparePieceNames, sortsMoreThanAThousandPiecesInTheirNumericOrder)
{
    QStringList expected;
    for (int i = 0; i <= 1200; ++i)
        expected << MakePieceName(QStringLiteral("/d/movie.avi"), QStringLiteral("/e/out"), i);
    QStringList shuffled = expected;
    std::mt19937 random(1234);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    std::sort(shuffled.begin(), shuffled.end(),
              [](const QString& a, const QString& b) { return ComparePieceNames(a, b) < 0; });
    EXPECT_EQ(shuffled, expected);
}

// The merge list inserts by binary search, which needs a consistent order: antisymmetric
// and transitive for every kind of name, digits of other scripts included.
TEST(ComparePieceNames, isAConsistentOrderForAnyNames)
{
    const QString alphabet = S("019aAbZ._/-１٣é");
    std::mt19937 random(42);
    auto randomName = [&] {
        QString name;
        const int length = int(random() % 5);
        for (int i = 0; i < length; ++i)
            name += alphabet.at(int(random() % alphabet.size()));
        return name;
    };
    QStringList names;
    for (int i = 0; i < 160; ++i)
        names << randomName();
    // Names known to be troublesome for orders that mix digit values with characters.
    names << S("10") << S("a") << S("１") << S("٣") << S("0") << S("00") << S("0a") << S("a0");

    const int n = int(names.size());
    std::vector<int> order(size_t(n) * size_t(n));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            order[size_t(i) * size_t(n) + size_t(j)] = Sign(ComparePieceNames(names[i], names[j]));
    auto cmp = [&](int i, int j) { return order[size_t(i) * size_t(n) + size_t(j)]; };

    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            ASSERT_EQ(cmp(i, j), -cmp(j, i)) << names[i].toStdString() << " / " << names[j].toStdString();
            ASSERT_EQ(cmp(i, j) == 0, names[i] == names[j])
                << names[i].toStdString() << " / " << names[j].toStdString();
            if (cmp(i, j) >= 0)
                continue;
            for (int k = 0; k < n; ++k) {
                if (cmp(j, k) < 0) {
                    ASSERT_LT(cmp(i, k), 0) << names[i].toStdString() << " < " << names[j].toStdString() << " < "
                                            << names[k].toStdString();
                }
            }
        }
    }
}

}  // namespace
