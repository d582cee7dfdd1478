// The command line: files given to the window; headless split and join in a child process, no display.

#include "DialogFixture.h"
#include "Names.h"
#include "SplitJob.h"
#include "Units.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int status = -1;
    QString err, out;
};

// No display in reach, as on a server, and the locale `lang` (C: Chinese).
QProcessEnvironment Environment(const QString& lang)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
        { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        env.remove(QString::fromLatin1(name));
    env.insert(u"LANG"_s, lang);
    return env;
}

// Runs build/bin/velda in that environment; stdout or stderr may go to a file.
std::unique_ptr<QProcess> Launch(const QStringList& args, const QString& out = {}, const QString& err = {},
    const QString& workingFolder = {}, const QString& lang = u"C.UTF-8"_s, const QString& shell = {})
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(Environment(lang));
    process->setWorkingDirectory(workingFolder);
    if (!out.isEmpty())
        process->setStandardOutputFile(out);
    if (!err.isEmpty())
        process->setStandardErrorFile(err);
    // With `shell`, bash runs it with the program as $0 and args as $1…: raw bytes, pipelines.
    const QString velda = QCoreApplication::applicationDirPath() + u"/velda"_s;
    if (shell.isEmpty())
        process->start(velda, args);
    else
        process->start(u"bash"_s, QStringList { u"-c"_s, shell, velda } + args);
    return process;
}

Outcome Finish(const std::unique_ptr<QProcess>& process)
{
    EXPECT_TRUE(process->waitForFinished(120000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << process->readAllStandardError().toStdString();
    return { process->exitCode(), QString::fromUtf8(process->readAllStandardError()),
        QString::fromUtf8(process->readAllStandardOutput()) };
}

Outcome Velda(const QStringList& args, const QString& workingFolder = {}, const QString& lang = u"C.UTF-8"_s)
{
    return Finish(Launch(args, {}, {}, workingFolder, lang));
}

// "split @ --size 1" with each @ the next of `names`.
QStringList Args(const char* words, const QStringList& names = {})
{
    QStringList args = QString::fromUtf8(words).split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0, n = 0; i < args.size(); ++i)
        if (args[i] == u"@"_s)
            args[i] = names.value(n++);
    return args;
}

// What the terminal shows of a run on a pseudo-terminal (script from util-linux), stderr and stdout.
QString OnTerminal(const QStringList& args)
{
    QString command = u"exec"_s;
    for (QString arg : QStringList { QCoreApplication::applicationDirPath() + u"/velda"_s } + args)
        command += u" '"_s + arg.replace(u'\'', u"'\\''"_s) + u'\'';
    QProcess script;
    script.setProcessEnvironment(Environment(u"C.UTF-8"_s));
    script.start(u"script"_s, { u"-qec"_s, command, u"/dev/null"_s });
    EXPECT_TRUE(script.waitForFinished(120000));
    return QString::fromUtf8(script.readAllStandardOutput());
}

} // namespace

TEST(CommandLineTexts, sizesWithUnitsPieceCountsBytesTimesAndNamesQuotedForATerminal)
{
    const struct {
        const char* text;
        int64_t bytes; // 0: refused
    } sizes[] = { { "250", 249954304 }, { "1", 983040 }, { "0.065536", 65536 }, { "64K", 65536 }, { "64kib", 65536 },
        { "100MiB", 104857600 }, { "1.5M", 1572864 }, { "2G", 2147483648 }, { "1.5G", 1610612736 },
        { "1T", 1099511627776 }, { "1MB", 983040 }, { "4GB", 3999989760 }, { "1TB", 999999995904 }, { "2X", 0 },
        { "1,5", 0 }, { "5 G", 0 }, { "10k", 0 }, { "", 0 }, { "abc", 0 }, { "0", 0 }, { "-1", 0 }, { "1e3", 0 },
        { ".", 0 }, { "G", 0 }, { "9000000T", 0 }, { "99999999999999999999", 0 } };
    for (const auto& row : sizes) {
        int64_t bytes = 0;
        EXPECT_EQ(cli::ReadPieceSize(QString::fromUtf8(row.text), 65536, &bytes) ? bytes : 0, row.bytes) << row.text;
        // The engine reads the text the command line hands it back as the very same size.
        bool ok = false;
        int64_t read = row.bytes;
        if (row.bytes > 0)
            PieceSizeFromMegabytes(ParseLeadingNumber(cli::MegabytesTextFor(bytes, 65536), &ok), 65536, &read);
        EXPECT_EQ(read, row.bytes) << row.text;
    }
    // File size, pieces asked for: the piece size, and how many pieces it makes.
    const std::tuple<uint64_t, uint64_t, int64_t, uint64_t> counts[] = { { 1000000, 4, 262144, 4 },
        { 1000000, 20, 65536, 16 }, { 4 * 65536, 4, 65536, 4 }, { 4 * 65536 + 1, 4, 131072, 3 }, { 0, 3, 65536, 0 } };
    for (const auto& [fileSize, wanted, pieceSize, made] : counts) {
        EXPECT_EQ(cli::PieceSizeForCount(fileSize, wanted, 65536), pieceSize) << fileSize << '/' << wanted;
        EXPECT_EQ(cli::PieceCount(fileSize, pieceSize), made) << fileSize << '/' << wanted;
    }
    const std::pair<uint64_t, QString> bytes[] = { { 0, u"0 B"_s }, { 999, u"999 B"_s }, { 1000, u"1.0 kB"_s },
        { 1234567, u"1.2 MB"_s }, { 999999999, u"1.0 GB"_s }, { 4000000000, u"4.0 GB"_s } };
    for (const auto& [count, text] : bytes)
        EXPECT_EQ(cli::FormatBytes(count), text);
    EXPECT_EQ(QStringList({ cli::FormatClock(5), cli::FormatClock(754), cli::FormatClock(3725) }),
        QStringList({ u"0:05"_s, u"12:34"_s, u"1:02:05"_s }));
    const std::pair<QString, QString> names[]
        = { { u"my movie's.avi"_s, u"my movie's.avi"_s }, { u"a\033[31mred"_s, u"'a'$'\\033''[31mred'"_s },
              { u"line\nbreak"_s, u"'line'$'\\n''break'"_s }, { u"\033\001x"_s, u"$'\\033\\001''x'"_s },
              { u"it's\t"_s, u"'it'\\''s'$'\\t'"_s }, { u"c\u009b1m"_s, u"'c'$'\\302\\233''1m'"_s } };
    for (const auto& [name, quoted] : names)
        EXPECT_EQ(cli::ShellQuoted(name), quoted);
    EXPECT_EQ(cli::ForTerminal(u"错误：x（/d/a\033[31mred：y）\nz\a\r"_s, { u"/d/a\033[31mred"_s, u"plain"_s }),
        u"错误：x（'/d/a'$'\\033''[31mred'：y）\nz??"_s);
}

TEST_F(DialogFixture, splitCutsPiecesOfASizeWithUnitsOrAGivenNumberOfPieces)
{
    const QString source = dir.filePath(u"s.bin"_s);
    testsupport::WriteFile(source, testsupport::PatternBytes(1000000, 3));
    // The option, the size of the first piece, the number of pieces, a hint on stderr.
    const std::tuple<const char*, qint64, int, QString> rows[] = { { "--size 64KiB", 65536, 16, {} },
        { "--size=0.2MB", 196608, 6, {} }, { "--size 1.5M", 1000000, 1, {} }, { "--pieces 4", 262144, 4, {} },
        { "--pieces 20", 65536, 16, texts::kCliFewerPieces.arg(16).arg(65536) } };
    for (const auto& [option, first, count, hint] : rows) {
        const Outcome r = Velda(QStringList { u"split"_s, source } + Args(option));
        EXPECT_TRUE(r.status == 0
            && r.err.contains(texts::kCliMessage.arg(texts::kCaptionHint.toString(), hint)) == !hint.isEmpty())
            << option << r.err.toStdString();
        const QStringList pieces = QDir(dir.path()).entryList({ u"*.qv"_s }, QDir::Files, QDir::Name);
        EXPECT_TRUE(pieces.size() == count && testsupport::FileSize(Path("s000.bin.qv")) == first) << option;
        for (const QString& piece : pieces)
            QFile::remove(dir.filePath(piece));
    }
}

// A terminal: progress rewritten in place, then the summary; names quoted. A pipe: only messages, names as they are.
TEST_F(DialogFixture, aTerminalSeesProgressAndASummaryQuietNothingAndNamesQuoted)
{
    const QString source = MakeFile(u"t.bin"_s, 1000000);
    const QString summary
        = QRegularExpression::escape(texts::kCliSummary.arg(cli::FormatBytes(1000000), u"TIME"_s, u"RATE"_s).arg(16))
              .replace(u"TIME"_s, u".+"_s)
              .replace(u"RATE"_s, u".+"_s);
    QString shown = OnTerminal({ u"split"_s, source, u"--size"_s, u"64K"_s });
    EXPECT_TRUE(shown.contains(
        u'\r' + texts::kCliProgressLine.arg(u"0 B"_s, cli::FormatBytes(1000000)).arg(0).section(u"%4"_s, 0, 0)))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QRegularExpression(u'\r' + summary + u" *\r?\n"_s)) && shown.contains(texts::kSplitDone))
        << shown.toStdString();
    ASSERT_TRUE(QFile::remove(source));
    EXPECT_EQ(OnTerminal({ u"join"_s, u"--quiet"_s, Path("t000.bin.qv") }), QString());
    EXPECT_EQ(testsupport::FileSize(source), 1000000);

    const QString named = Path("a\033[31mred");
    shown = OnTerminal({ u"split"_s, named });
    EXPECT_TRUE(shown.contains(texts::kFileMustExist + u"（"_s + cli::ShellQuoted(named)) && !shown.contains(u'\033'))
        << shown.toStdString();
    EXPECT_TRUE(Velda({ u"split"_s, named }).err.contains(texts::kFileMustExist + u"（"_s + named));
}

TEST_F(DialogFixture, aFileOpensSplitModeAsBrowseDoesAPieceItsWholeSetAndSeveralPiecesThemselvesOnce)
{
    for (const char* name : { "m001.avi.qv", "m1000.avi.qv", "m000.avi.qv", "m999.avi.qv", "m000.mkv.qv",
             "mm000.avi.qv", "m.avi.qv", "m002.avi" })
        MakeFile(QString::fromLatin1(name));
    const QString source = MakeFile(u"movie.avi"_s, 3000000);
    dlg->OpenArguments({ source });
    EXPECT_TRUE(dlg->m_splitMode == 1 && dlg->GetDlgItemText(ids::kPathField) == source && g_sourcePath == source);
    EXPECT_TRUE(dlg->GetDlgItemText(ids::kInfoLine).startsWith(texts::kInfoSizeWhole.arg(3)));
    EXPECT_TRUE(messages.empty());
    dlg->OpenArguments({ Path("gone.bin") }); // missing: what a browse says
    EXPECT_TRUE(dlg->m_splitMode == 1 && messages == QStringList { texts::kOpenFileForSizeFailed });
    QDir::setCurrent(dir.path()); // a relative name, as typed in a terminal
    dlg->OpenArguments({ u"m999.avi.qv"_s });
    EXPECT_TRUE(dlg->m_splitMode == 0 && dlg->GetDlgItemText(ids::kPathField) == Path("m999.avi.qv"));
    // m1000 is piece 000 of "m1": m's pieces 001-998 are not there to continue.
    const QStringList set { Path("m000.avi.qv"), Path("m001.avi.qv"), Path("m999.avi.qv") };
    EXPECT_EQ(ListEntries(), set);
    dlg = std::make_unique<CVeldaDlg>();
    dlg->OpenArguments({ set[2], set[0], set[2] });
    EXPECT_EQ(ListEntries(), (QStringList { set[0], set[2] }));
    dlg = std::make_unique<CVeldaDlg>();
    dlg->OpenArguments({ Path("gone000.bin.qv") });
    EXPECT_TRUE(dlg->m_splitMode == 0 && dlg->m_listBox->GetCount() == 0);
    EXPECT_EQ(messages, (QStringList { texts::kOpenFileForSizeFailed, texts::kFileMustExist }));
}

// Each join given only the last piece, from a working folder elsewhere and from inside the pieces' folder.
TEST_F(DialogFixture, piecesJoinBackIntoTheirSourceByTheirNamesAloneBesideOtherSets)
{
    const qint64 granule = platform::AllocationGranularity();
    const struct {
        QString name;
        qint64 bytes;
        const char* byCoreutils = nullptr; // split -d -a 3 --numeric-suffixes=1 and this: <name>.001 ...
    } rows[] = { { u"a.txt"_s, 3 * granule - 7 }, { u"a1.txt"_s, 3 * granule - 9 }, { u"track10.mp3"_s, granule + 1 },
        { u"x000.avi"_s, granule + 2 }, { u"x0.bin"_s, granule + 3 }, { u"my.old.movie.avi"_s, granule + 4 },
        { u"Show [1080p] e01.mkv"_s, granule + 5 }, { u"what*?.txt"_s, granule + 6 },
        { u"movie.mkv"_s, 2 * granule + 8, "-b65536" },
        { u"clip.mp4"_s, 3 * granule + 2, "-n3" }, // the last the longest
        { QString(241, u'l') + u".bin"_s, granule + 9 }, { QString(245, u'm') + u".bin"_s, granule + 10 },
        { u"big.dat"_s, 1000 * granule + 11 } };
    for (const bool inside : { false, true }) {
        const QString folder = Path(inside ? "inside" : "elsewhere");
        ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(folder + u"/orig"_s));
        const QString cwd = inside ? folder : dir.path();
        const auto arg = [&](const QString& name) { return inside ? name : folder + u'/' + name; };
        int seed = 0;
        for (const auto& row : rows) {
            if (inside && row.name == u"big.dat"_s)
                continue; // once is enough for 1,001 pieces
            const QByteArray data = testsupport::PatternBytes(row.bytes, ++seed);
            testsupport::WriteFile(folder + u'/' + row.name, data);
            QString last;
            if (row.byCoreutils) {
                ASSERT_EQ(
                    QProcess::execute(u"split"_s,
                        { u"-d"_s, u"-a"_s, u"3"_s, u"--numeric-suffixes=1"_s, QString::fromLatin1(row.byCoreutils),
                            folder + u'/' + row.name, folder + u'/' + row.name + u'.' }),
                    0);
                last = row.name + u".003"_s;
            } else {
                const Outcome r = Velda(Args("split @ --size 0.07", { arg(row.name) }), cwd);
                ASSERT_EQ(r.status, 0) << row.name.toStdString() << r.err.toStdString();
                last = MakePieceName(row.name, folder, int((row.bytes - 1) / granule)).mid(folder.size() + 1);
            }
            ASSERT_TRUE(QFile::rename(folder + u'/' + row.name, folder + u"/orig/"_s + row.name));
            const Outcome r = Velda({ u"join"_s, arg(last) }, cwd);
            EXPECT_EQ(r.status, 0) << row.name.toStdString() << r.err.toStdString();
            EXPECT_EQ(testsupport::ReadFile(folder + u'/' + row.name), data) << row.name.toStdString();
        }
    }
}

// -o: a folder, a name (replaced only with --force), or - for a pipe whose reader may go away; xaa... as cat joins.
TEST_F(DialogFixture, joinWritesWhereOutputSaysOrToAPipeAndJoinsOtherFilesInTheOrderGiven)
{
    const QByteArray data = testsupport::PatternBytes(3000000, 5);
    const QString source = Path("x.iso"), piece = Path("x000.iso.qv");
    testsupport::WriteFile(source, data);
    Outcome r = Velda(Args("split @ --size 1", { source }));
    EXPECT_TRUE(r.status == 0 // no progress through a pipe, only the result
        && r.err.trimmed() == texts::kCliMessage.arg(texts::kCaptionSuccess.toString(), texts::kSplitDone.toString()))
        << r.err.toStdString();
    const QString pieceBytes = QString::number(1000000 - 1000000 % platform::AllocationGranularity());
    ASSERT_EQ(QProcess::execute(u"split"_s, { u"-b"_s, pieceBytes, source, Path("ref") }), 0); // refaa ... refad
    for (int i = 0; i < 4; ++i) // the very bytes coreutils cuts
        EXPECT_EQ(testsupport::ReadFile(dir.filePath(u"x00%1.iso.qv"_s.arg(i))),
            testsupport::ReadFile(dir.filePath(u"refa"_s + QChar(u'a' + i))));
    EXPECT_EQ(QDir(dir.path()).entryList({ u"refa?"_s, u"x00?.iso.qv"_s }, QDir::Files).size(), 8);
    ASSERT_EQ(QProcess::execute(u"split"_s, { u"-b"_s, u"1000000"_s, source, Path("x") }), 0); // xaa xab xac
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"out"_s));
    testsupport::WriteFile(Path("old.bin"), "the user's own");
    // The arguments, the status, the file that then holds the source (empty: none), the message.
    const std::tuple<QStringList, int, QString, QString> rows[] = {
        { { piece, u"-o"_s, Path("out") }, 0, Path("out/x.iso"), {} },
        { { piece, u"--output"_s, Path("named.bin") }, 0, Path("named.bin"), {} },
        { { piece, u"-o"_s, Path("old.bin") }, 1, {}, texts::kCliJoinedExists.arg(Path("old.bin")) },
        { { piece, u"-o"_s, Path("old.bin"), u"--force"_s }, 0, Path("old.bin"), {} },
        { { Path("xaa"), Path("xab"), Path("xac"), u"-o"_s, Path("cat.iso") }, 0, Path("cat.iso"), {} },
        { { Path("xaa"), Path("xab"), Path("xac") }, 1, {}, texts::kSetNotAPiece.arg(Path("xaa")) },
    };
    for (const auto& [args, status, joined, message] : rows) {
        r = Velda(QStringList { u"join"_s } + args);
        EXPECT_TRUE(r.status == status && r.err.contains(message)
            && (joined.isEmpty() || testsupport::ReadFile(joined) == data))
            << args.join(u' ').toStdString() << r.err.toStdString();
    }
    EXPECT_EQ(testsupport::ReadFile(Path("old.bin")), data);
    EXPECT_FALSE(QFile::exists(Path("xaa_qv")));
    // Pipelines, with velda's own status.
    const auto pipeline = [&](const QString& tail) {
        return Finish(Launch(
            { piece, source }, {}, {}, {}, u"C.UTF-8"_s, u"set -o pipefail; \"$0\" join -o - \"$1\" | "_s + tail));
    };
    EXPECT_EQ(pipeline(u"cmp - \"$2\""_s).status, 0);
    EXPECT_EQ(pipeline(u"sha256sum"_s).out.left(64).toLatin1(),
        QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
    const Outcome cut = pipeline(u"head -c 1 >/dev/null"_s);
    EXPECT_TRUE(cut.status == 1
        && cut.err.contains(texts::kCliWriteFailed
            + texts::kCliFailureReason.arg(
                texts::kCliStandardOutput.toString(), QString::fromLocal8Bit(std::strerror(EPIPE)))))
        << cut.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({ u"x0*.qv"_s }, QDir::Files).size(), 4); // all kept
    // Given out of order, joined in order, a thread per piece, views larger than a piece, then deleted.
    ASSERT_TRUE(QFile::remove(source));
    r = Velda(Args("join --delete-pieces --threads piece --buffer-factor 1000 @ @ @ @",
        { Path("x002.iso.qv"), piece, Path("x003.iso.qv"), Path("x001.iso.qv") }));
    EXPECT_TRUE(r.status == 0 && testsupport::ReadFile(source) == data) << r.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList({ u"x0*.qv"_s }, QDir::Files).isEmpty());
}

// verify judges as a join would, and by the checksum file beside it; a stream does not start on a bad piece.
TEST_F(DialogFixture, verifySaysWhetherASetIsWholeAndHowItCheckedAndWritesNothing)
{
    const QString source = Path("v.bin"), sums = Path("sums/v.bin");
    testsupport::WriteFile(source, testsupport::PatternBytes(3000000, 9));
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sums"_s) && QFile::copy(source, sums));
    ASSERT_EQ(Velda(Args("split @ --size 1 -q", { source })).status, 0);
    ASSERT_EQ(Velda(Args("split @ --size 1 --checksum -q", { sums })).status, 0);
    ASSERT_TRUE(QFile::remove(source) && QFile::remove(sums) && QFile::remove(Path("v002.bin.qv")));
    testsupport::WriteAt(Path("sums/v001.bin.qv"), 10, "damage");
    const QString byNames = texts::kCliVerifiedByNames.arg(3);
    const QString byChecksums = texts::kCliVerifiedByChecksums.arg(Path("sums/v.bin.sha256")).arg(4);
    // The pieces given and the lines printed, each set not whole (status 1).
    const std::pair<QStringList, QStringList> rows[] = { { { Path("v000.bin.qv"), Path("v001.bin.qv") },
                                                             { texts::kSetGoesOn.arg(Path("v003.bin.qv")),
                                                                 texts::kCliVerifiedByNames.arg(2),
                                                                 texts::kCliVerifyNotWhole } },
        { { Path("v003.bin.qv") },
            { texts::kSetMissingPiece.arg(Path("v002.bin.qv")), byNames, texts::kCliVerifyNotWhole } },
        { { Path("sums/v000.bin.qv") },
            { texts::kCliVerifyMismatch.arg(Path("sums/v001.bin.qv")), byChecksums, texts::kCliVerifyNotWhole } } };
    for (const auto& [args, lines] : rows) {
        const Outcome r = Velda(QStringList { u"verify"_s } + args);
        EXPECT_TRUE(r.status == 1 && r.out == lines.join(u'\n') + u'\n') << r.out.toStdString() << r.err.toStdString();
    }
    testsupport::WriteAt(Path("sums/v001.bin.qv"), 10, testsupport::PatternBytes(3000000, 9).mid(983050, 6));
    Outcome r = Velda({ u"verify"_s, Path("sums/v002.bin.qv") });
    EXPECT_TRUE(r.status == 0 && r.out == byChecksums + u'\n' + texts::kCliVerifyWhole + u'\n') << r.out.toStdString();
    ASSERT_TRUE(QFile::remove(Path("sums/v003.bin.qv")));
    r = Velda({ u"verify"_s, Path("sums/v000.bin.qv") });
    EXPECT_TRUE(r.status == 1 && r.out.startsWith(texts::kChecksumPieceMissing.arg(u"v003.bin.qv"_s)))
        << r.out.toStdString();
    r = Velda(Args("join -o - @", { Path("sums/v000.bin.qv") }));
    EXPECT_TRUE(r.status == 1 && r.out.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size() + QDir(Path("sums")).entryList(QDir::Files).size(), 3 + 4);
}

// What the window asks about, a command refuses, writing nothing and keeping every piece.
TEST_F(DialogFixture, joinRefusesWhatIsNotOneWholeSetOrWouldReplaceAFileAndWritesNothing)
{
    for (const char* name :
        { "g000.bin.qv", "g002.bin.qv", "s000.bin.qv", "s002.bin.qv", "t000.bin.qv", "u000.bin.qv", "v000.bin.qv",
            "k000.bin.qv", "k001.bin.qv", "k002.bin.qv", "k003.bin.qv", "n.bin.000", "n.bin.001", "c000.bin.qv" })
        MakeFile(QString::fromLatin1(name), 100);
    MakeFile(u"s001.bin.qv"_s, 60), MakeFile(u"v.txt"_s, 50), MakeFile(u"k004.bin.qv"_s, 10), MakeFile(u"a000.qv"_s);
    const QString joined = MakeFile(u"a"_s); // what a000.qv joins into
    testsupport::WriteFile(Path("c.bin.sha256"), QByteArray(64, '0') + "  other.bin\n");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    // The pieces given and what is wrong with them.
    const std::pair<const char*, QString> rows[]
        = { { "c000.bin.qv", texts::kCliChecksumNothingApplies.arg(Path("c.bin.sha256")) },
              { "g000.bin.qv", texts::kSetMissingPiece.arg(Path("g001.bin.qv")) },
              { "g000.bin.qv g002.bin.qv", texts::kSetMissingPiece.arg(Path("g001.bin.qv")) },
              { "k000.bin.qv k001.bin.qv", texts::kSetGoesOn.arg(Path("k002.bin.qv")) },
              { "n.bin.001", texts::kSetStrayFirst.arg(Path("n.bin.000")) },
              { "s002.bin.qv", texts::kSetShortPiece.arg(Path("s001.bin.qv")) },
              { "t000.bin.qv u000.bin.qv", texts::kSetTwoSets.arg(Path("u000.bin.qv")) },
              { "v000.bin.qv v.txt", texts::kSetNotAPiece.arg(Path("v.txt")) },
              { "v.txt", texts::kSetNotAPiece.arg(Path("v.txt")) }, { "a000.qv a", texts::kSetNotAPiece.arg(joined) },
              { "a000.qv", texts::kCliJoinedExists.arg(joined) } };
    for (const auto& [names, error] : rows) {
        QStringList args { u"join"_s, u"--delete-pieces"_s };
        for (const QString& name : Args(names))
            args << dir.filePath(name);
        const Outcome r = Velda(args);
        EXPECT_TRUE(r.status == 1 && r.err.trimmed() == texts::kCliMessage.arg(texts::kCaptionError.toString(), error))
            << names << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(testsupport::FileSize(joined), 16);
}

TEST_F(DialogFixture, exitStatusesOfBadUsageHelpAndOutputThatCannotBeWritten)
{
    const QString source = MakeFile(u"a000.qv"_s);
    Outcome r;
    // The arguments and what is wrong with them; each a usage error that writes nothing.
    const std::pair<const char*, QString> bad[] = { { "split", texts::kCliMissingSplitFile },
        { "split @ --threads two", texts::kCliBadThreads.arg(u"two"_s) },
        { "split @ --buffer-factor 7", texts::kCliBadBufferFactor.arg(u"7"_s) },
        { "join @ --threads two", texts::kCliBadThreads.arg(u"two"_s) },
        { "join --buffer-factor=7 @", texts::kCliBadBufferFactor.arg(u"7"_s) },
        { "join --bogus @", texts::kCliUnknownOption.arg(u"--bogus"_s) },
        { "--bogus", texts::kCliUnknownOption.arg(u"--bogus"_s) },
        { "split @ --size=0", texts::kCliBadSize.arg(u"0"_s) },
        { "split @ --size 2X", texts::kCliBadSize.arg(u"2X"_s) },
        { "split @ --pieces 0", texts::kCliBadPieceCount.arg(u"0"_s) },
        { "split @ --pieces +4", texts::kCliBadPieceCount.arg(u"+4"_s) },
        { "split @ --size 1 --pieces 2", texts::kCliSizeOrPieces },
        { "join @ -o - --delete-pieces", texts::kCliStreamKeepsPieces }, { "join @ --output=", texts::kCliEmptyOutput },
        { "splt @", texts::kCliUnknownCommand.arg(u"splt"_s) }, { "help", texts::kCliUnknownCommand.arg(u"help"_s) } };
    for (const auto& [words, message] : bad) {
        r = Velda(Args(words, { source })); // and no window: there is no display to open one on
        EXPECT_TRUE(r.status == 2 && r.err.contains(message + u'\n' + texts::kCliSeeHelp)) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    r = Velda({ u"--help"_s });
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split 文件"_s) && r.out.contains(u"velda join"_s));
    // In English under any other locale, help and messages alike.
    r = Velda({ u"--help"_s }, {}, u"en_US.UTF-8"_s);
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split FILE"_s) && !HasChinese(r.out)) << r.out.toStdString();
    r = Velda(Args("join --bogus"), {}, u"de_DE.UTF-8"_s);
    EXPECT_EQ(r.err, u"Error: unknown option: --bogus\nSee velda --help for usage.\n"_s);
    // What could not be written is no success: the help, the version, a job's result line.
    for (const char* words : { "--help", "--version", "join --help" })
        EXPECT_EQ(Finish(Launch(Args(words), u"/dev/full"_s)).status, 1) << words;
    EXPECT_EQ(Finish(Launch({ u"split"_s, source }, {}, u"/dev/full"_s)).status, 1);
    EXPECT_EQ(testsupport::FileSize(Path("a000000.qv.qv")), 16); // the job itself was done
}

TEST_F(DialogFixture, failuresNameTheFileAndTheSystemsReasonAndNoDisplayIsOneLine)
{
    const QString empty = MakeFile(u"e000.qv"_s, 0), source = MakeFile(u"s.bin"_s, 100);
    // The arguments, the message, the file it names, the system's reason.
    const std::tuple<QStringList, QString, QString, int> cases[]
        = { { { u"split"_s, dir.path() }, texts::kOpenSourceFailed, dir.path(), EISDIR },
              { { u"split"_s, Path("gone") }, texts::kFileMustExist, Path("gone"), ENOENT },
              { { u"join"_s, empty }, texts::kMapMergePieceFailed, empty, EINVAL },
              { { u"join"_s, Path("gone000.qv") }, {}, Path("gone000.qv"), ENOENT },
              { { u"split"_s, source, u"--folder"_s, Path("no/such") }, texts::kCreatePieceFailed,
                  Path("no/such/s000.bin.qv"), ENOENT },
              // Piece names one byte too long for the file system, known before any byte moves.
              { { u"split"_s, MakeFile(QString(246, u'n') + u".bin"_s, 100) }, texts::kCreatePieceFailed,
                  dir.path() + u'/' + QString(246, u'n') + u"000.bin.qv"_s, ENAMETOOLONG } };
    for (const auto& [args, text, path, error] : cases) {
        const QString expected = text + u"（"_s + path + u"："_s + QString::fromLocal8Bit(std::strerror(error));
        const Outcome r = Velda(args);
        EXPECT_TRUE(r.status == 1 && r.err.contains(expected)) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList({ u"n*"_s }, QDir::Files).size(), 1);
    // A name that is not UTF-8, split and opened in the window: refused, saying why.
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.bin";
    ASSERT_EQ(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    for (const char* command :
        { "exec \"$0\" split \"$1\"$(printf '\\351.bin')", "exec \"$0\" \"$1\"$(printf '\\351.bin')" }) {
        const Outcome r = Finish(Launch({ Path("caf") }, {}, {}, {}, u"C.UTF-8"_s, QString::fromLatin1(command)));
        EXPECT_TRUE(r.status == 1 && r.err.contains(texts::kNameNotUtf8.arg(Path("caf") + u"\\xE9.bin"_s)))
            << r.err.toStdString();
    }
    EXPECT_EQ(::unlink(latin1.constData()), 0); // still there; QTemporaryDir could not remove it
    // The window without a display: one line that says so in the user's language, status 1, no abort.
    for (const auto& [args, lang, caption] : { std::tuple(QStringList {}, u"C.UTF-8"_s, texts::kCaptionError.source()),
             std::tuple(QStringList { source }, u"C.UTF-8"_s, texts::kCaptionError.source()),
             std::tuple(QStringList {}, u"en_US.UTF-8"_s, u"Error: "_s) }) {
        const Outcome r = Velda(args, {}, lang);
        EXPECT_TRUE(r.status == 1 && r.err.startsWith(caption) && r.err.count(u'\n') == 1
            && HasChinese(r.err) == (lang == u"C.UTF-8"_s))
            << r.err.toStdString();
    }
}

TEST_F(DialogFixture, interruptOrAClosedTerminalLeavesNoPieceOfTheSplitFinishedOrNot)
{
    const QString source = MakeFile(u"big.bin"_s, 4000000000LL);
    for (const auto& [signal, status] : { std::pair { SIGINT, 130 }, { SIGHUP, 129 } }) {
        const std::unique_ptr<QProcess> process = Launch({ u"split"_s, source, u"--buffer-factor"_s, u"10"_s });
        // Once piece 1 is being written, piece 0 is complete.
        ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(Path("big001.bin.qv.part")); }, 60000));
        ::kill(pid_t(process->processId()), signal);
        const Outcome r = Finish(process);
        EXPECT_TRUE(r.status == status && r.err.contains(texts::kCliInterrupted)) << r.status << r.err.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"big.bin"_s });
    }
}
