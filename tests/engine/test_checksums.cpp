// The checksum file beside the pieces: sha256sum accepts it; joins refuse pieces it does not list.

#include "Checksums.h"
#include "Names.h"
#include "TestSupport.h"
#include "Texts.h"

#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

using namespace testsupport;

namespace {

struct Checksums : JobFixture {
    QString SplitSource(bool checksum)
    {
        WriteFile(source, data);
        return RunJobToEnd(window, Split(source, "0.07", {}, checksum)); // pieces of 65,536 bytes
    }

    const QString source = Path("movie.avi");
    const QByteArray data = PatternBytes(3 * 65536 + 777, 5); // four pieces
    const QString checksums = source + QStringLiteral(".sha256");
    const QStringList pieces { MakePieceName(source, dir.path(), 0), MakePieceName(source, dir.path(), 1),
        MakePieceName(source, dir.path(), 2), MakePieceName(source, dir.path(), 3) };
};

TEST_F(Checksums, splitWritesWhatSha256sumChecksAndAJoinChecksWhatSha256sumWrote)
{
    // Escaped lines for a newline or backslash; the join reads them and sha256sum's -b and BSD forms.
    auto sha256sum = [&](const QStringList& arguments) { // in the pieces' folder; empty when it fails
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sha256sum"), arguments);
        return tool.waitForFinished(20000) && tool.exitCode() == 0 ? tool.readAllStandardOutput() : QByteArray();
    };
    for (const char* name : { "movie.avi", "new\nline.avi", "back\\slash.avi" }) {
        const QString joined = Path(name);
        QStringList paths, names;
        for (int i = 0; i < 4; ++i)
            names.append(QFileInfo(paths.emplace_back(MakePieceName(joined, dir.path(), i))).fileName());
        WriteFile(joined, data);
        ASSERT_EQ(RunJobToEnd(window, Split(joined, "0.07", {}, true)), QString()) << name;
        const QByteArray checked
            = sha256sum({ QStringLiteral("-c"), QFileInfo(joined).fileName() + QStringLiteral(".sha256") });
        EXPECT_EQ(checked.count(": OK\n"), 5) << checked.data(); // every piece and the whole file
        ASSERT_TRUE(QFile::remove(joined));
        for (const QStringList& options :
            { QStringList(), QStringList { QStringLiteral("-b") }, QStringList { QStringLiteral("--tag") } }) {
            if (!options.isEmpty())
                WriteFile(joined + QStringLiteral(".sha256"), sha256sum(options + names));
            WriteAt(paths[3], 0, QByteArray(1, char(~data.at(3 * 65536))));
            const QString error = RunJobToEnd(window, Merge(paths));
            EXPECT_TRUE(error.contains(names[3])) << name << error.toStdString();
            WriteAt(paths[3], 0, data.mid(3 * 65536, 1));
            ASSERT_EQ(RunJobToEnd(window, Merge(paths, true)), QString());
            EXPECT_EQ(ReadFile(joined), data);
            ASSERT_TRUE(QFile::remove(joined));
        }
    }
}

TEST_F(Checksums, linesOfOtherFoldersAreIgnoredAndAChecksumFileThatIsNoFileIsRefusedWithoutWaiting)
{
    ASSERT_EQ(SplitSource(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    const QByteArray lines = ReadFile(checksums);
    const QByteArray wrong = QByteArray(64, 'a');
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("other")));
    WriteFile(Path("other/movie001.avi.qv"), "x");
    const QByteArray elsewhere = wrong + "  other/movie001.avi.qv\n" + wrong + "  other/movie005.avi.qv\n" + wrong
        + "  ../movie001.avi.qv\n" + wrong + "  " + QFile::encodeName(Path("other/movie001.avi.qv")) + "\n" + wrong
        + "  original.avi\n";
    struct Row {
        std::function<void()> make;
        ChecksumFit fit;
        bool joins;
    } const rows[] = {
        { [] {}, ChecksumFit::None, true },
        { [&] { WriteFile(checksums, elsewhere + lines); }, ChecksumFit::Applies, true },
        { [&] { WriteFile(checksums, elsewhere); }, ChecksumFit::NothingApplies, false }, // unchecked: not admitted
        { [&] { WriteFile(checksums, wrong + "  ./movie.avi\r\n"); }, ChecksumFit::Applies, false }, // a CR LF end
        { [&] { WriteFile(checksums, lines + QByteArray(100000, 'f')); }, ChecksumFit::Unreadable, false },
        { [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(checksums).constData(), 0600), 0); }, ChecksumFit::Unreadable,
            false },
        { [&] { MakeSparseFile(checksums, kMaxChecksumFileBytes + 1); }, ChecksumFit::Unreadable, false },
    };
    for (const Row& row : rows) {
        QFile::remove(checksums);
        row.make();
        const ChecksumFileFit fit = FitOfChecksumFile(pieces, source);
        EXPECT_EQ(fit.fit, row.fit);
        // Prepared on a thread of its own: a wait fails the test, then opening the FIFO ends it.
        std::future<PreparedJob> prepared = std::async(std::launch::async, [&] { return Merge(pieces); });
        EXPECT_EQ(prepared.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        while (prepared.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            ::close(::open(QFile::encodeName(checksums).constData(), O_WRONLY | O_NONBLOCK));
        const QString error = RunJobToEnd(window, prepared.get());
        EXPECT_EQ(error.isEmpty(), row.joins) << error.toStdString();
        EXPECT_EQ(fit.error, row.fit == ChecksumFit::Unreadable ? error : QString()); // why the merge refuses
        EXPECT_EQ(ReadFile(source), row.joins ? data : QByteArray());
        EXPECT_EQ(FilesIn("*.part"), QStringList());
        EXPECT_EQ(FilesIn("*.qv").size(), 4);
        QFile::remove(source);
    }
}

TEST_F(Checksums, aFailedSplitLeavesNoChecksumFileAndAJoinOfWrongPiecesFailsKeepingEveryPieceAndNoJoinedFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("movie002.avi.qv"))); // no piece can go there
    EXPECT_NE(SplitSource(true), QString());
    EXPECT_EQ(FilesIn("*.sha256*"), QStringList());
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("movie002.avi.qv")));
    ASSERT_EQ(SplitSource(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    // A byte flipped, a piece cut short, a piece left out, pieces out of order.
    const QStringList lists[]
        = { pieces, pieces, { pieces[0], pieces[2], pieces[3] }, { pieces[0], pieces[2], pieces[1], pieces[3] } };
    const std::function<void()> faults[] = { [&] { WriteAt(pieces[1], 100, QByteArray(1, char(~data.at(65636)))); },
        [&] { QFile::resize(pieces[1], 1000); }, [] {}, [] {} };
    for (const bool threadPerPiece : { false, true }) {
        for (int k = 0; k < 4; ++k) {
            for (int i = 0; i < 4; ++i)
                WriteFile(pieces[i], data.mid(i * 65536, 65536));
            faults[k]();
            // Out of order only on the user's word: the joined file is then checked as a whole.
            const QString error
                = RunJobToEnd(window, PrepareMerge({ lists[k], {}, g_allocationGranularity, threadPerPiece, k == 3 }));
            EXPECT_TRUE(error.contains(QLatin1String(k < 3 ? "movie001.avi.qv" : "movie.avi"))) << error.toStdString();
            EXPECT_FALSE(FileExists(source));
            EXPECT_EQ(FilesIn("*.part"), QStringList());
            EXPECT_EQ(FilesIn("*.qv").size(), 4); // all kept
        }
    }
}

TEST_F(Checksums, everyLineSha256sumChecksIsReadAndAnyOtherLineMakesTheFileUnreadable)
{
    // Each line, with a wrong digest, before movie000's right one, read as sha256sum -c (coreutils 9.1) does.
    ASSERT_EQ(SplitSource(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    const QByteArray right = ReadFile(checksums).split('\n').front() + '\n';
    const QByteArray hex(64, 'a');
    const QByteArray folder = QFile::encodeName(dir.path());
    enum Fails { Joins, Piece0, Piece1, Refused };
    struct Row {
        QByteArray line;
        LineForm form;
        QByteArray name; // as sha256sum opens it
        Fails fails;
    } const rows[] = {
        { hex + "\tmovie001.avi.qv", LineForm::Entry, "movie001.avi.qv", Piece1 },
        { hex + "\t*movie001.avi.qv", LineForm::Entry, "movie001.avi.qv", Piece1 },
        { hex + " movie001.avi.qv", LineForm::Entry, "movie001.avi.qv", Piece1 },
        { hex + "  .//movie001.avi.qv", LineForm::Entry, ".//movie001.avi.qv", Piece1 },
        { hex + "  sub/../movie001.avi.qv", LineForm::Entry, "sub/../movie001.avi.qv", Piece1 },
        { hex + "  " + folder + "//./movie001.avi.qv", LineForm::Entry, folder + "//./movie001.avi.qv", Piece1 },
        { "SHA256(movie001.avi.qv)= " + hex, LineForm::Entry, "movie001.avi.qv", Piece1 },
        { " SHA256 (movie001.avi.qv)\t=" + hex + "\r", LineForm::Entry, "movie001.avi.qv", Piece1 },
        { hex + "  movie001.avi.qv" + QByteArray(1, '\0') + ".bak", LineForm::Entry, "movie001.avi.qv", Piece1 },
        { hex + "  movie000.avi.qv", LineForm::Entry, "movie000.avi.qv", Piece0 }, // two lines disagree
        { hex + " \tmovie001.avi.qv", LineForm::Entry, "\tmovie001.avi.qv", Joins },
        { hex + "   movie001.avi.qv", LineForm::Entry, " movie001.avi.qv", Joins },
        { hex + "  " + folder + "/other/../../movie001.avi.qv", LineForm::Entry,
            folder + "/other/../../movie001.avi.qv", Joins },
        { "SHA256 (movie001.avi.qv) = R5eoH5HMPugWvypDpwj4EJcss1WUhSYbeudSdSzYjCw=", LineForm::Unreadable, {},
            Refused },
        { '\\' + hex + "  movie001\\t.avi.qv", LineForm::Unreadable, {}, Refused },
        { hex.mid(1) + "  movie001.avi.qv", LineForm::Unreadable, {}, Refused },
        { "# " + hex + "  movie001.avi.qv", LineForm::Blank, {}, Joins },
    };
    for (const Row& row : rows) {
        ChecksumEntry entry;
        EXPECT_EQ(ReadChecksumLine(row.line, &entry), row.form) << row.line.data();
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.digest, row.form == LineForm::Entry ? QByteArray::fromHex(hex) : QByteArray());
        EXPECT_EQ(NamesFileInFolder(entry.name, dir.path(), QStringLiteral("movie001.avi.qv")), row.fails == Piece1);
        WriteFile(checksums, row.line + '\n' + right);
        const QString error = RunJobToEnd(window, Merge(pieces));
        const QString expected[]
            = { QString(), texts::kChecksumMismatch.arg(pieces[0]), texts::kChecksumMismatch.arg(pieces[1]),
                  texts::kChecksumLineUnreadable.arg(checksums, QStringLiteral("1")) };
        EXPECT_EQ(error, expected[row.fails]) << row.line.data();
        EXPECT_EQ(FilesIn("*.qv").size(), 4);
        QFile::remove(source);
    }
}

TEST_F(Checksums, hashingStopsWhenTheJobIsStoppedAndTheJobFails)
{
    // Stopped once every copy has ended: only the hashing is left; then before a piece's copy.
    const auto stopAtEnd = [](const RecordingWindow::Message& message) {
        if (message.message == WM_COPYPROGRESS && message.wParam == kTaskEnded)
            g_cancelRequested = true;
    };
    window.onMessage = stopAtEnd;
    EXPECT_NE(SplitSource(true), QString());
    EXPECT_EQ(FilesIn("*.sha256*") + FilesIn("*.qv*"), QStringList());
    window.onMessage = nullptr;
    ASSERT_EQ(SplitSource(true), QString());
    ASSERT_TRUE(QFile::remove(source));
    window.onMessage = stopAtEnd;
    EXPECT_EQ(RunJobToEnd(window, Merge(pieces)), QString(texts::kChecksumStopped));
    EXPECT_FALSE(FileExists(source));
    window.onMessage = nullptr;
    ASSERT_TRUE(Merge(pieces).ok());
    g_cancelRequested = true;
    EXPECT_FALSE(VerifyPieceChecksum(0));
    EXPECT_EQ(window.boxes, QStringList()); // no mismatch to tell of
    CloseJob(true);
    QString error;
    EXPECT_TRUE(CheckPiecesAgainstChecksums(pieces, source, &error).isEmpty());
    EXPECT_EQ(error, QString(texts::kChecksumStopped));
    g_cancelRequested = false;
    EXPECT_EQ(CheckPiecesAgainstChecksums(pieces, source, &error).size(), 4);
    EXPECT_EQ(FilesIn("*.qv").size(), 4);
}

TEST_F(Checksums, aCheckOfThePiecesSaysOfEachWhetherItMatchesItsLine)
{
    ASSERT_EQ(SplitSource(true), QString());
    QList<QByteArray> lines = ReadFile(checksums).split('\n');
    lines.removeAt(3); // movie003 is not listed
    WriteFile(checksums, lines.join('\n'));
    WriteAt(pieces[1], 5, QByteArray(1, char(~data.at(5 + 65536))));
    ASSERT_TRUE(QFile::remove(pieces[2]));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pieces[2]).constData(), 0600), 0); // read without waiting
    using Result = PieceCheck::Result;
    QString error;
    const QList<PieceCheck> checks = CheckPiecesAgainstChecksums(pieces, source, &error);
    ASSERT_EQ(checks.size(), 4) << error.toStdString();
    const Result expected[] = { Result::Matches, Result::Differs, Result::Unreadable, Result::NotListed };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(checks[i].piece, pieces[i]);
        EXPECT_EQ(checks[i].result, expected[i]) << i;
    }
    ASSERT_TRUE(QFile::remove(checksums));
    EXPECT_TRUE(CheckPiecesAgainstChecksums(pieces, source, &error).isEmpty());
    EXPECT_EQ(error, texts::kChecksumReadFailed.arg(checksums));
}

} // namespace
