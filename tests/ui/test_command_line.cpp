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

// No display in reach, as on a server, and the locale `lang` (Chinese in the C locale, as the
// test reads them).
QProcessEnvironment Environment(const QString& lang)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
        { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        env.remove(QString::fromLatin1(name));
    env.insert(u"LANG"_s, lang);
    return env;
}

// Runs build/bin/velda in that environment; stdout or stderr may go to a file, the start in
// another folder.
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
    // With `shell`, sh runs it with the program as $0 and args as $1…, for arguments of raw bytes.
    const QString velda = QCoreApplication::applicationDirPath() + u"/velda"_s;
    if (shell.isEmpty())
        process->start(velda, args);
    else
        process->start(u"/bin/sh"_s, QStringList { u"-c"_s, shell, velda } + args);
    return process;
}

Outcome Finish(const std::unique_ptr<QProcess>& process)
{
    // Crashed (an abort inside Qt, say): the test shows what it printed first.
    EXPECT_TRUE(process->waitForFinished(120000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << process->readAllStandardError().toStdString();
    return { process->exitCode(), QString::fromUtf8(process->readAllStandardError()),
        QString::fromUtf8(process->readAllStandardOutput()) };
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
    const std::tuple<QStringList, qint64, int, QString> rows[]
        = { { { u"--size"_s, u"64KiB"_s }, 65536, 16, {} }, { { u"--size=0.2MB"_s }, 196608, 6, {} },
              { { u"--size"_s, u"1.5M"_s }, 1000000, 1, {} }, { { u"--pieces"_s, u"4"_s }, 262144, 4, {} },
              { { u"--pieces"_s, u"20"_s }, 65536, 16, texts::kCliFewerPieces.arg(16).arg(65536) } };
    for (const auto& [option, first, count, hint] : rows) {
        const Outcome r = Finish(Launch(QStringList { u"split"_s, source } + option));
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.contains(texts::kCliMessage.arg(texts::kCaptionHint.toString(), hint)), !hint.isEmpty())
            << r.err.toStdString();
        const QStringList pieces = QDir(dir.path()).entryList({ u"*.qv"_s }, QDir::Files, QDir::Name);
        EXPECT_EQ(pieces.size(), count) << option.join(u' ').toStdString();
        EXPECT_EQ(testsupport::FileSize(Path("s000.bin.qv")), first) << option.join(u' ').toStdString();
        for (const QString& piece : pieces)
            QFile::remove(dir.filePath(piece));
    }
}

// On a terminal: a progress line from the start, rewritten in place, then the summary where it
// stood; --quiet leaves nothing; names that could steer the terminal come quoted. Through a
// pipe none of that: only the messages, with the names as they are.
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
    EXPECT_TRUE(shown.contains(QRegularExpression(u'\r' + summary + u" *\r?\n"_s))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(texts::kSplitDone));
    ASSERT_TRUE(QFile::remove(source));
    EXPECT_EQ(OnTerminal({ u"join"_s, u"--quiet"_s, Path("t000.bin.qv") }), QString());
    EXPECT_EQ(testsupport::FileSize(source), 1000000);

    const QString named = Path("a\033[31mred");
    shown = OnTerminal({ u"split"_s, named });
    EXPECT_TRUE(shown.contains(texts::kFileMustExist + u"（"_s + cli::ShellQuoted(named)) && !shown.contains(u'\033'))
        << shown.toStdString();
    EXPECT_TRUE(Finish(Launch({ u"split"_s, named })).err.contains(texts::kFileMustExist + u"（"_s + named));
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
    EXPECT_EQ(dlg->m_splitMode, 1);
    EXPECT_EQ(messages, QStringList { texts::kOpenFileForSizeFailed });
    QDir::setCurrent(dir.path()); // a relative name, as typed in a terminal
    dlg->OpenArguments({ u"m999.avi.qv"_s });
    EXPECT_EQ(dlg->m_splitMode, 0);
    EXPECT_EQ(dlg->GetDlgItemText(ids::kPathField), Path("m999.avi.qv"));
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

TEST_F(DialogFixture, headlessSplitAndJoinMatchCoreutils)
{
    const QByteArray data = testsupport::PatternBytes(3000000, 7);
    testsupport::WriteFile(Path("src.bin"), data);
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"out"_s) && QDir(dir.path()).mkdir(u"ref"_s));
    Outcome r = Finish(Launch({ u"split"_s, Path("src.bin"), u"--size"_s, u"1"_s, u"--folder"_s, Path("out") }));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed(),
        texts::kCliMessage.arg(texts::kCaptionSuccess.toString(), texts::kSplitDone.toString())); // no progress
    const QString pieceBytes = QString::number(1000000 - 1000000 % platform::AllocationGranularity());
    ASSERT_EQ(QProcess::execute(u"split"_s, { u"-b"_s, pieceBytes, Path("src.bin"), Path("ref/x") }), 0);
    const QStringList pieces = QDir(Path("out")).entryList(QDir::Files, QDir::Name);
    const QStringList reference = QDir(Path("ref")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(pieces, (QStringList { u"src000.bin.qv"_s, u"src001.bin.qv"_s, u"src002.bin.qv"_s, u"src003.bin.qv"_s }));
    ASSERT_EQ(reference.size(), pieces.size());
    for (int i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(testsupport::ReadFile(Path("out/") + pieces[i]), testsupport::ReadFile(Path("ref/") + reference[i]));
    // Given out of order, joined in piece order with a thread per piece and views larger than a
    // piece, then deleted.
    r = Finish(Launch({ u"join"_s, u"--delete-pieces"_s, u"--threads"_s, u"piece"_s, u"--buffer-factor"_s, u"1000"_s,
        Path("out/") + pieces[2], Path("out/") + pieces[0], Path("out/") + pieces[3], Path("out/") + pieces[1] }));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(testsupport::ReadFile(Path("out/src.bin")), data);
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files), QStringList { u"src.bin"_s });
}

// Sources named as people name them, split and joined back beside other sets, each join given
// only its last piece, from a working folder elsewhere and from inside the pieces' folder.
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
                const Outcome r = Finish(Launch({ u"split"_s, arg(row.name), u"--size"_s, u"0.07"_s }, {}, {}, cwd));
                ASSERT_EQ(r.status, 0) << row.name.toStdString() << r.err.toStdString();
                last = MakePieceName(row.name, folder, int((row.bytes - 1) / granule)).mid(folder.size() + 1);
            }
            ASSERT_TRUE(QFile::rename(folder + u'/' + row.name, folder + u"/orig/"_s + row.name));
            const Outcome r = Finish(Launch({ u"join"_s, arg(last) }, {}, {}, cwd));
            EXPECT_EQ(r.status, 0) << row.name.toStdString() << r.err.toStdString();
            EXPECT_EQ(testsupport::ReadFile(folder + u'/' + row.name), data) << row.name.toStdString();
        }
    }
}

// -o puts the joined file into a folder or under a name, replacing a file there only with
// --force; files that are no pieces join in the order given, as cat joins them; -o - writes the
// bytes to a pipe, and a reader that goes away is a failure.
TEST_F(DialogFixture, joinWritesWhereOutputSaysOrToAPipeAndJoinsOtherFilesInTheOrderGiven)
{
    const QByteArray data = testsupport::PatternBytes(3000000, 5);
    const QString source = Path("x.iso"), piece = Path("x000.iso.qv");
    testsupport::WriteFile(source, data);
    ASSERT_EQ(Finish(Launch({ u"split"_s, source, u"--size"_s, u"1"_s })).status, 0);
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
        const Outcome r = Finish(Launch(QStringList { u"join"_s } + args));
        EXPECT_EQ(r.status, status) << args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
        EXPECT_TRUE(joined.isEmpty() || testsupport::ReadFile(joined) == data) << args.join(u' ').toStdString();
    }
    EXPECT_EQ(testsupport::ReadFile(Path("old.bin")), data);
    EXPECT_FALSE(QFile::exists(Path("xaa_qv")));
    // Pipelines, with velda's own status.
    const auto pipeline = [&](const QString& tail) {
        QProcess shell;
        shell.setProcessEnvironment(Environment(u"C.UTF-8"_s));
        shell.start(u"bash"_s,
            { u"-c"_s, u"set -o pipefail; \"$0\" join -o - \"$1\" | "_s + tail,
                QCoreApplication::applicationDirPath() + u"/velda"_s, piece, source });
        EXPECT_TRUE(shell.waitForFinished(60000));
        return Outcome { shell.exitCode(), QString::fromUtf8(shell.readAllStandardError()),
            QString::fromUtf8(shell.readAllStandardOutput()) };
    };
    EXPECT_EQ(pipeline(u"cmp - \"$2\""_s).status, 0);
    const Outcome hashed = pipeline(u"sha256sum"_s);
    EXPECT_EQ(hashed.out.left(64).toLatin1(), QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
    const Outcome cut = pipeline(u"head -c 1 >/dev/null"_s);
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(cut.err.contains(texts::kCliWriteFailed
        + texts::kCliFailureReason.arg(
            texts::kCliStandardOutput.toString(), QString::fromLocal8Bit(std::strerror(EPIPE)))))
        << cut.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({ u"x0*.qv"_s }, QDir::Files).size(), 4); // all kept
}

// verify judges a set as a join would, and against its checksum file where one lies beside it,
// says how it judged, and writes nothing; a stream does not start on a piece that does not match.
TEST_F(DialogFixture, verifySaysWhetherASetIsWholeAndHowItCheckedAndWritesNothing)
{
    const QString source = Path("v.bin"), sums = Path("sums/v.bin");
    testsupport::WriteFile(source, testsupport::PatternBytes(3000000, 9));
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sums"_s) && QFile::copy(source, sums));
    ASSERT_EQ(Finish(Launch({ u"split"_s, source, u"--size"_s, u"1"_s, u"-q"_s })).status, 0);
    ASSERT_EQ(Finish(Launch({ u"split"_s, sums, u"--size"_s, u"1"_s, u"--checksum"_s, u"-q"_s })).status, 0);
    ASSERT_TRUE(QFile::remove(source) && QFile::remove(sums) && QFile::remove(Path("v002.bin.qv")));
    testsupport::WriteAt(Path("sums/v001.bin.qv"), 10, "damage");
    const QString byNames = texts::kCliVerifiedByNames.arg(3);
    const QString byChecksums = texts::kCliVerifiedByChecksums.arg(Path("sums/v.bin.sha256")).arg(4);
    // The arguments, the status, the lines printed.
    const std::tuple<QStringList, int, QStringList> rows[] = {
        { { Path("v000.bin.qv"), Path("v001.bin.qv") }, 1,
            { texts::kSetGoesOn.arg(Path("v003.bin.qv")), texts::kCliVerifiedByNames.arg(2),
                texts::kCliVerifyNotWhole } },
        { { Path("v003.bin.qv") }, 1,
            { texts::kSetMissingPiece.arg(Path("v002.bin.qv")), byNames, texts::kCliVerifyNotWhole } },
        { { Path("sums/v000.bin.qv") }, 1,
            { texts::kCliVerifyMismatch.arg(Path("sums/v001.bin.qv")), byChecksums, texts::kCliVerifyNotWhole } },
    };
    for (const auto& [args, status, lines] : rows) {
        const Outcome r = Finish(Launch(QStringList { u"verify"_s } + args));
        EXPECT_EQ(r.status, status) << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, lines.join(u'\n') + u'\n');
    }
    testsupport::WriteAt(Path("sums/v001.bin.qv"), 10, testsupport::PatternBytes(3000000, 9).mid(983050, 6));
    Outcome r = Finish(Launch({ u"verify"_s, Path("sums/v002.bin.qv") }));
    EXPECT_TRUE(r.status == 0 && r.out == byChecksums + u'\n' + texts::kCliVerifyWhole + u'\n') << r.out.toStdString();
    ASSERT_TRUE(QFile::remove(Path("sums/v003.bin.qv")));
    r = Finish(Launch({ u"verify"_s, Path("sums/v000.bin.qv") }));
    EXPECT_TRUE(r.status == 1 && r.out.startsWith(texts::kChecksumPieceMissing.arg(u"v003.bin.qv"_s)))
        << r.out.toStdString();
    r = Finish(Launch({ u"join"_s, u"-o"_s, u"-"_s, Path("sums/v000.bin.qv") }));
    EXPECT_TRUE(r.status == 1 && r.out.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size() + QDir(Path("sums")).entryList(QDir::Files).size(), 3 + 4);
}

// What the window asks about, a command refuses: a gap, a piece cut short in the middle,
// pieces of two sets, a file that is no piece, a list that stops short of its set, a .000 that
// may be a stray file, a file where the joined one would go. Nothing
// is written and every piece stays.
TEST_F(DialogFixture, joinRefusesWhatIsNotOneWholeSetOrWouldReplaceAFileAndWritesNothing)
{
    const QStringList gap { MakeFile(u"g000.bin.qv"_s, 100), MakeFile(u"g002.bin.qv"_s, 100) };
    const QStringList cut { MakeFile(u"s000.bin.qv"_s, 100), MakeFile(u"s001.bin.qv"_s, 60),
        MakeFile(u"s002.bin.qv"_s, 100) };
    const QStringList sets { MakeFile(u"t000.bin.qv"_s, 100), MakeFile(u"u000.bin.qv"_s, 100) };
    const QStringList stray { MakeFile(u"v000.bin.qv"_s, 100), MakeFile(u"v.txt"_s, 50) };
    const QStringList fiveOf { MakeFile(u"k000.bin.qv"_s, 100), MakeFile(u"k001.bin.qv"_s, 100),
        MakeFile(u"k002.bin.qv"_s, 100), MakeFile(u"k003.bin.qv"_s, 100), MakeFile(u"k004.bin.qv"_s, 10) };
    const QString fromOne = (MakeFile(u"n.bin.000"_s, 100), MakeFile(u"n.bin.001"_s, 100));
    const QString unchecked = MakeFile(u"c000.bin.qv"_s, 100);
    const QString lone = MakeFile(u"a000.qv"_s), joined = MakeFile(u"a"_s); // what a000.qv joins into
    testsupport::WriteFile(Path("c.bin.sha256"), QByteArray(64, '0') + "  other.bin\n");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    const struct {
        QStringList args;
        QString error;
    } rows[] = { { { unchecked }, texts::kCliChecksumNothingApplies.arg(Path("c.bin.sha256")) },
        { { gap[0] }, texts::kSetMissingPiece.arg(Path("g001.bin.qv")) },
        { gap, texts::kSetMissingPiece.arg(Path("g001.bin.qv")) },
        { fiveOf.mid(0, 2), texts::kSetGoesOn.arg(fiveOf[2]) },
        { { fromOne }, texts::kSetStrayFirst.arg(Path("n.bin.000")) },
        { { cut[2] }, texts::kSetShortPiece.arg(Path("s001.bin.qv")) },
        { sets, texts::kSetTwoSets.arg(Path("u000.bin.qv")) }, { stray, texts::kSetNotAPiece.arg(Path("v.txt")) },
        { { stray[1] }, texts::kSetNotAPiece.arg(Path("v.txt")) },
        { { lone, joined }, texts::kSetNotAPiece.arg(joined) }, { { lone }, texts::kCliJoinedExists.arg(joined) } };
    for (const auto& row : rows) {
        const Outcome r = Finish(Launch(QStringList { u"join"_s, u"--delete-pieces"_s } + row.args));
        EXPECT_EQ(r.status, 1) << row.args.join(u' ').toStdString();
        EXPECT_EQ(r.err.trimmed(), texts::kCliMessage.arg(texts::kCaptionError.toString(), row.error));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(testsupport::FileSize(joined), 16);
}

TEST_F(DialogFixture, exitStatusesOfBadUsageHelpAndOutputThatCannotBeWritten)
{
    const QString source = MakeFile(u"a000.qv"_s);
    Outcome r;
    // The arguments and what is wrong with them; each a usage error that writes nothing.
    const std::pair<QStringList, QString> bad[] = { { { u"split"_s }, texts::kCliMissingSplitFile },
        { { u"split"_s, source, u"--threads"_s, u"two"_s }, texts::kCliBadThreads.arg(u"two"_s) },
        { { u"split"_s, source, u"--buffer-factor"_s, u"7"_s }, texts::kCliBadBufferFactor.arg(u"7"_s) },
        { { u"join"_s, source, u"--threads"_s, u"two"_s }, texts::kCliBadThreads.arg(u"two"_s) },
        { { u"join"_s, u"--buffer-factor=7"_s, source }, texts::kCliBadBufferFactor.arg(u"7"_s) },
        { { u"join"_s, u"--bogus"_s, source }, texts::kCliUnknownOption.arg(u"--bogus"_s) },
        { { u"--bogus"_s }, texts::kCliUnknownOption.arg(u"--bogus"_s) },
        { { u"split"_s, source, u"--size"_s, u""_s }, texts::kCliBadSize.arg(QString()) },
        { { u"split"_s, source, u"--size=0"_s }, texts::kCliBadSize.arg(u"0"_s) },
        { { u"split"_s, source, u"--size"_s, u"abc"_s }, texts::kCliBadSize.arg(u"abc"_s) },
        { { u"split"_s, source, u"--size"_s, u"2X"_s }, texts::kCliBadSize.arg(u"2X"_s) },
        { { u"split"_s, source, u"--size"_s, u"1,5"_s }, texts::kCliBadSize.arg(u"1,5"_s) },
        { { u"split"_s, source, u"--size"_s, u"5 G"_s }, texts::kCliBadSize.arg(u"5 G"_s) },
        { { u"split"_s, source, u"--size"_s, u"10k"_s }, texts::kCliBadSize.arg(u"10k"_s) },
        { { u"split"_s, source, u"--pieces"_s, u"0"_s }, texts::kCliBadPieceCount.arg(u"0"_s) },
        { { u"split"_s, source, u"--pieces"_s, u"+4"_s }, texts::kCliBadPieceCount.arg(u"+4"_s) },
        { { u"split"_s, source, u"--size"_s, u"1"_s, u"--pieces"_s, u"2"_s }, texts::kCliSizeOrPieces },
        { { u"join"_s, source, u"-o"_s, u"-"_s, u"--delete-pieces"_s }, texts::kCliStreamKeepsPieces },
        { { u"join"_s, source, u"--output="_s }, texts::kCliEmptyOutput },
        { { u"splt"_s, source }, texts::kCliUnknownCommand.arg(u"splt"_s) },
        { { u"help"_s }, texts::kCliUnknownCommand.arg(u"help"_s) } };
    for (const auto& [args, message] : bad) {
        r = Finish(Launch(args)); // and no window: there is no display to open one on
        EXPECT_TRUE(r.status == 2 && r.err.contains(message + u'\n' + texts::kCliSeeHelp)) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    r = Finish(Launch({ u"--help"_s }));
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split 文件"_s) && r.out.contains(u"velda join"_s));
    // In English under any other locale, help and messages alike.
    r = Finish(Launch({ u"--help"_s }, {}, {}, {}, u"en_US.UTF-8"_s));
    EXPECT_TRUE(r.status == 0 && r.out.contains(u"velda split FILE"_s) && !HasChinese(r.out)) << r.out.toStdString();
    r = Finish(Launch({ u"join"_s, u"--bogus"_s }, {}, {}, {}, u"de_DE.UTF-8"_s));
    EXPECT_EQ(r.err, u"Error: unknown option: --bogus\nSee velda --help for usage.\n"_s);
    // What could not be written is no success: the help, the version, a job's result line.
    for (const QStringList& args : { QStringList { u"--help"_s }, { u"--version"_s }, { u"join"_s, u"--help"_s } })
        EXPECT_EQ(Finish(Launch(args, u"/dev/full"_s)).status, 1) << args.join(u' ').toStdString();
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
        const Outcome r = Finish(Launch(args));
        EXPECT_TRUE(r.status == 1 && r.err.contains(expected)) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList({ u"n*"_s }, QDir::Files).size(), 1);
    // A name that is not UTF-8, split and opened in the window: refused, saying why.
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.bin";
    ASSERT_EQ(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    for (const char* command :
        { "exec \"$0\" split \"$1\"$(printf '\\351.bin')", "exec \"$0\" \"$1\"$(printf '\\351.bin')" }) {
        const Outcome r = Finish(Launch({ Path("caf") }, {}, {}, {}, u"C.UTF-8"_s, QString::fromLatin1(command)));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(texts::kNameNotUtf8.arg(Path("caf") + u"\\xE9.bin"_s))) << r.err.toStdString();
    }
    EXPECT_EQ(::access(latin1.constData(), F_OK), 0);
    // The window without a display: one line that says so in the user's language, status 1, no abort.
    for (const auto& [args, lang, caption] : { std::tuple(QStringList {}, u"C.UTF-8"_s, texts::kCaptionError.source()),
             std::tuple(QStringList { source }, u"C.UTF-8"_s, texts::kCaptionError.source()),
             std::tuple(QStringList {}, u"en_US.UTF-8"_s, u"Error: "_s) }) {
        const Outcome r = Finish(Launch(args, {}, {}, {}, lang));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.startsWith(caption) && r.err.count(u'\n') == 1 && HasChinese(r.err) == (lang == u"C.UTF-8"_s))
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
