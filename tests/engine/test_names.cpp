// Names of pieces and of the files they join back into, and the order of the merge list.

#include "Admission.h"
#include "Names.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <tuple>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList L(const char* names) // '|' between names
{
    return S(names).split(u'|', Qt::SkipEmptyParts);
}

TEST(PieceNames, nameThePieceAfterItsSourceAndJoinItBack)
{
    // Source, folder, index, piece, joined.
    const std::tuple<const char*, const char*, int, const char*, const char*> rows[]
        = { { "/d/a/movie.avi", "/e/out", 12, "/e/out/movie012.avi.qv", "/e/out/movie.avi" },
              { "/d/a/my.old.movie.avi", "/e/out", 3, "/e/out/my.old.movie003.avi.qv", "/e/out/my.old.movie.avi" },
              { "/d/a.b/movie", "/e/out", 7, "/e/out/movie007.qv", "/e/out/movie" }, // no extension
              { "/d/a/.bashrc", "/e/out", 0, "/e/out/.bashrc000.qv", "/e/out/.bashrc" }, // hidden
              { "/d/a/.config.tar", "/e/out", 2, "/e/out/.config002.tar.qv", "/e/out/.config.tar" },
              { "/数据/岚舟 电影.mkv", "/备份", 4, "/备份/岚舟 电影004.mkv.qv", "/备份/岚舟 电影.mkv" },
              { "/movie.avi", "/", 0, "/movie000.avi.qv", "/movie.avi" },
              { "/d/vacation-2026.mkv", "/e", 5, "/e/vacation-2026005.mkv.qv", "/e/vacation-2026.mkv" } };
    for (const auto& [source, folder, index, piece, joined] : rows) {
        EXPECT_EQ(MakePieceName(S(source), S(folder), index), S(piece)) << piece;
        EXPECT_EQ(MakeJoinedName(S(piece)), S(joined)) << piece;
    }
}

QStringList Numbered(const char* format, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names.append(QString::asprintf(format, i));
    return names;
}

// From the name and the names at hand alone: over three digits only where pieces 000-999 are all there.
TEST(PieceNames, aNameIsReadFromItselfAndTheNamesAtHand)
{
    const QStringList full = Numbered("/p/movie%03d.avi.qv", 0, 999);
    const QStringList a = Numbered("/p/a%03d.txt.qv", 0, 2);
    // A piece, the names at hand, the name it joins into.
    const std::tuple<const char*, QStringList, const char*> rows[] = { { "/p/track10000.mp3.qv", {}, "/p/track10.mp3" },
        { "/p/data100000.csv.qv", {}, "/p/data100.csv" }, { "/p/x000000.avi.qv", {}, "/p/x000.avi" },
        { "/p/x0000.bin.qv", {}, "/p/x0.bin" }, { "/p/big0000.bin.qv", {}, "/p/big0.bin" },
        { "/p/r7.pdf.qv", {}, "/p/r.pdf" }, { "/p/a1000.txt.qv", a, "/p/a1.txt" },
        { "/p/movie1000.avi.qv", full, "/p/movie.avi" }, { "/p/movie1000.avi.qv", full.mid(1), "/p/movie1.avi" },
        { "/p/movie.mkv.001", {}, "/p/movie.mkv" }, { "/p/m.tar.gz.0123", {}, "/p/m.tar.gz" },
        { "/p/x.01", {}, "/p/x_qv.01" }, { "/p/backup.part1.rar", {}, "/p/backup.part1_qv.rar" },
        { "/p/movie", {}, "/p/movie_qv" }, { "/p/movie.avi.qv", {}, "/p/movie.avi_qv.qv" },
        { "/p/000.qv", {}, "/p/000_qv.qv" }, { "/p/000.avi.qv", {}, "/p/000.avi_qv.qv" },
        { "/p/..001", {}, "/p/._qv.001" }, { "/p/movie000.avi.QV", {}, "/p/movie000.avi_qv.QV" } };
    for (const auto& [piece, atHand, joined] : rows)
        EXPECT_EQ(MakeJoinedName(S(piece), atHand), S(joined)) << piece;

    // A piece's set among its folder's entries, wildcard characters and all.
    const QStringList entries = L("a1000.txt.qv|a1001.txt.qv|a1002.txt.qv|a1000.txt.qv.part|Show [1080p] e01000.mkv.qv|"
                                  "Show [1080p] e01001.mkv.qv|Show x e01000.mkv.qv|v.mkv.001|v.mkv.002|v.mkv|"
                                  "v.mkv.sha256|v.mkv001.qv")
        + Numbered("a%03d.txt.qv", 0, 2);
    EXPECT_EQ(SetMembers(S("/p/a1001.txt.qv"), entries), Numbered("/p/a1%03d.txt.qv", 0, 2));
    EXPECT_EQ(SetMembers(S("/p/a001.txt.qv"), entries), a);
    EXPECT_EQ(SetMembers(S("/p/Show [1080p] e01000.mkv.qv"), entries),
        (L("/p/Show [1080p] e01000.mkv.qv|/p/Show [1080p] e01001.mkv.qv")));
    EXPECT_EQ(SetMembers(S("/p/v.mkv.002"), entries), (L("/p/v.mkv.001|/p/v.mkv.002")));
    // A .000 beside a .001 only when it is the piece given: it may be a stray file.
    EXPECT_EQ(SetMembers(S("/p/v.mkv.002"), entries + L("v.mkv.000")), (L("/p/v.mkv.001|/p/v.mkv.002")));
    EXPECT_EQ(SetMembers(S("/p/v.mkv.000"), entries + L("v.mkv.000")), (L("/p/v.mkv.000|/p/v.mkv.001|/p/v.mkv.002")));
    EXPECT_EQ(SetMembers(S("p/v.mkv"), entries), QStringList());
    const QStringList movieEntries = Numbered("movie%03d.avi.qv", 0, 999) + L("movie1000.avi.qv");
    EXPECT_EQ(SetMembers(S("/p/movie1000.avi.qv"), movieEntries).size(), 1001);
}

// What a list lacks to be the whole original, from its names, its sizes and its folder's names.
TEST(MergeAdmission, aListIsAdmittedOnlyAsTheWholeSetCountedWithoutAGap)
{
    using Kind = MergeFinding::Kind;
    const Kind none = Kind(-1);
    // The list, its sizes (none: not known), its folder's other names, the first finding, its name.
    const std::tuple<QStringList, QList<int64_t>, const char*, Kind, const char*> rows[] = {
        { L("/p/m000.a.qv|/p/m001.a.qv|/p/m002.a.qv"), { 10, 10, 4 }, "", none, "" },
        { L("/p/m000.a.qv|/p/m001.a.qv|/p/m002.a.qv"), { 10, 10, 13 }, "", none, "" }, // cut into 3 parts
        { L("/p/a.rar|/p/b.rar"), { 1, 9 }, "", none, "" },
        { L("/p/x.001|/p/x.002"), {}, "x.001|x.002|x.txt", none, "" },
        { Numbered("/p/movie%03d.avi.qv", 0, 1000), {}, "", none, "" },
        { L("/p/m000.a.qv|/p/m002.a.qv"), {}, "", Kind::Missing, "/p/m001.a.qv" },
        { L("/p/m001.a.qv|/p/m002.a.qv"), {}, "", Kind::Missing, "/p/m000.a.qv" },
        { L("/p/x.002|/p/x.003"), {}, "", Kind::Missing, "/p/x.001" },
        { L("/p/m000.a.qv|/p/m001.a.qv|/p/m002.a.qv"), { 10, 6, 10 }, "", Kind::Short, "/p/m001.a.qv" },
        { L("/p/m000.a.qv|/p/m001.a.qv|/p/m002.a.qv"), { 10, 12, 3 }, "", Kind::Short, "/p/m000.a.qv" },
        { L("/p/m000.a.qv|/p/m001.a.qv"), { 10, 0 }, "", Kind::Short, "/p/m001.a.qv" },
        { L("/p/a000.t.qv|/p/b000.t.qv"), {}, "", Kind::TwoSets, "/p/b000.t.qv" },
        { L("/p/m000.a.qv|/p/m000.b.qv"), {}, "", Kind::TwoSets, "/p/m000.b.qv" },
        { L("/p/m000.a.qv|/p/notes.txt"), {}, "", Kind::NotAPiece, "/p/notes.txt" },
        // Stopping short of the folder's set; a stray file or a missing first piece, which names cannot tell apart.
        { L("/p/c000.a.qv|/p/c001.a.qv"), { 10, 10 }, "c004.a.qv|c000.a.qv|c001.a.qv|c003.a.qv|c.a", Kind::SetGoesOn,
            "/p/c003.a.qv" },
        { L("/p/x.001|/p/x.002"), { 10, 4 }, "x.000|x.001|x.002", Kind::StrayFirst, "/p/x.000" },
        { L("/p/x.000|/p/x.001"), { 10, 4 }, "x.000|x.001|x.002", Kind::SetGoesOn, "/p/x.002" },
    };
    for (const auto& [pieces, sizes, folder, kind, named] : rows) {
        const QList<MergeFinding> findings = AdmitMerge({ pieces, sizes, L(folder), {}, false });
        EXPECT_EQ(findings.isEmpty() ? none : findings.first().kind, kind) << pieces.join(u' ').toStdString();
        EXPECT_EQ(findings.isEmpty() ? QString() : findings.first().name, S(named)) << pieces.join(u' ').toStdString();
    }
    const QList<MergeFinding> unchecked = AdmitMerge({ L("/p/m000.a.qv"), {}, {}, S("/p/m.a.sha256"), true });
    ASSERT_EQ(unchecked.size(), 1);
    EXPECT_EQ(unchecked.first().kind, Kind::ChecksumNothingApplies);
}

// The merge list's binary search needs a strict order: antisymmetric, transitive, zero only for equals.
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
