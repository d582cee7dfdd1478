#include "CommandLine.h"

#include "Checksums.h"
#include "FileSystem.h"
#include "JobSetup.h"
#include "Names.h"
#include "PieceChecks.h"
#include "SplitJob.h"
#include "StreamJoin.h"
#include "TerminalWindow.h"
#include "Texts.h"
#include "Translations.h"
#include "Units.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unistd.h>
#include <utility>

namespace cli {
namespace {

// An error line, as the terminal shows a message box.
QString ErrorLine(const QString& text)
{
    return texts::kCliMessage.arg(texts::kCaptionError.toString(), text) + QLatin1Char('\n');
}

// Writes the error line; returns the status.
int ErrorExit(const QString& text, int status)
{
    WriteErr(ErrorLine(text));
    return status;
}

// Writes the help or the version to stdout: the status to end with, 1 when it could not be
// written (a full disk, a closed pipe).
int PrintOut(const QString& text)
{
    const QByteArray bytes = ShownOn(STDOUT_FILENO, text).toLocal8Bit();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return kExitOk;
    return ErrorExit(texts::kCliWriteFailed + FailureDetail(texts::kCliStandardOutput, errno), kExitFailed);
}

int UsageError(const QString& message)
{
    return ErrorExit(message + QLatin1Char('\n') + texts::kCliSeeHelp, kExitUsage);
}

// The parser's own error texts are English whatever the language; ours name the argument.
int ParseError(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.first();
        return UsageError(
            texts::kCliUnknownOption.arg((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name));
    }
    // Otherwise an option lacks its value or carries one it does not take: name the last option given.
    QString last;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1Char('-')))
            last = argument;
    }
    return UsageError(texts::kCliBadOptionUse.arg(last));
}

QCommandLineOption HelpOption()
{
    return QCommandLineOption(QStringList { QStringLiteral("h"), QStringLiteral("help") });
}

// ---- Signals ---------------------------------------------------------------------------

// The signal that asked the job to stop, 0 while none has. Written by the handler, so a
// lock-free atomic: the only kind a handler may touch.
std::atomic<int> s_stopSignal { 0 };
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int signal)
{
    s_stopSignal.store(signal);
    // Copies stop at their next view; the job then ends through its reports as when the
    // window closes during a job.
    g_cancelRequested.store(true);
}

// SIGINT, SIGTERM and SIGHUP (the terminal closed, the connection dropped) stop the job while
// it lives; the previous handlers come back after.
class StopSignals {
public:
    StopSignals()
    {
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &m_old[i]);
    }
    ~StopSignals()
    {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &m_old[i], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int kSignals[] = { SIGINT, SIGTERM, SIGHUP };
    struct sigaction m_old[std::size(kSignals)] = {};
};

// ---- Running a job ---------------------------------------------------------------------

struct Job {
    bool merge = false;
    SplitRequest split;
    MergeRequest join;
    uint32_t bufferFactor = 10; // the view is this many allocation granules
    bool threadPerPiece = false; // else one worker
    bool deletePieces = false;
    bool quiet = false; // no progress line, no summary, no success message without notes
};

// Handles the engine's reports until the job's end reports are in: one with one worker, one
// per started task with a thread per piece (as the dialog's CompleteIfAllEnded counts).
void WaitForJobEnd(TerminalWindow& window)
{
    auto done = [&window] { return AllTasksEnded(window.endReports); };
    if (done())
        return;
    QEventLoop loop;
    window.onEndReport = [&] {
        if (done())
            loop.quit();
    };
    loop.exec();
    window.onEndReport = nullptr;
}

// The dialog's CompleteJob, with the terminal for its message boxes.
int CompleteJob(TerminalWindow& window, const Job& job)
{
    bool failed = g_job.failed || g_cancelRequested.load();
    // A split's source must not have changed; a merge's joined file must be on the disk under
    // its name before any piece may go.
    if (!failed) {
        const QString error = SealJobOutput();
        if (!error.isEmpty()) {
            failed = true;
            if (!g_cancelRequested.load())
                window.ShowMessageBox(error, texts::kCaptionError);
            g_job.errorShown = true;
        }
    }
    // A stop that came while the output was sealed (hashed, flushed) still stops the job: nothing
    // is reported done and no piece is deleted.
    const bool interrupted = g_cancelRequested.load();
    failed = failed || interrupted;
    window.EndProgress(!failed, int(g_pieceRecords.size()));
    if (!failed) {
        const QString notes = JobNotes();
        if (!job.quiet || !notes.isEmpty())
            window.ShowMessageBox((job.merge ? texts::kMergeDone : texts::kSplitDone) + notes, texts::kCaptionSuccess);
        if (job.merge && job.deletePieces)
            DeleteJoinedPieces();
    } else if (interrupted) {
        window.Print(texts::kCliInterrupted);
    } else if (!g_job.errorShown) {
        window.ShowMessageBox(texts::kCopyFailed, texts::kCaptionError);
    }
    CloseJob(failed);
    WaitForJobWorkers(); // none may outlive the job's state
    if (interrupted && s_stopSignal.load() != 0)
        return kExitSignalBase + s_stopSignal.load();
    return failed ? kExitFailed : kExitOk;
}

int RunJob(const Job& job)
{
    TerminalWindow window(isatty(STDERR_FILENO) != 0 && !job.quiet);
    // What the dialog sets when it opens: the granularity, the window that hears the reports,
    // and progress reports on (the terminal's progress line counts them).
    g_allocationGranularity = platform::AllocationGranularity();
    g_showProgress = true;
    g_mainWindow = &window;
    StopSignals stopSignals;

    SplitRequest split = job.split;
    MergeRequest join = job.join;
    split.viewSize = join.viewSize = job.bufferFactor * g_allocationGranularity;
    split.threadPerPiece = join.threadPerPiece = job.threadPerPiece;
    const PreparedJob prepared = job.merge ? PrepareMerge(join) : PrepareSplit(split);
    int status = kExitFailed;
    if (!prepared.ok()) {
        window.ShowMessageBox(prepared.error, prepared.caption);
    } else {
        // A job's set-up clears the stop request; a signal that came before still counts.
        if (s_stopSignal.load() != 0)
            g_cancelRequested = true;
        window.StartProgress(prepared.bytes);
        const QString error = DispatchJob();
        if (!error.isEmpty()) {
            window.ShowMessageBox(error, texts::kCaptionError);
        } else {
            WaitForJobEnd(window);
            status = CompleteJob(window, job);
        }
    }
    g_mainWindow = nullptr;
    return status;
}

// ---- The two commands --------------------------------------------------------------------

// How both commands copy, as the window's menu sets it: --threads and --buffer-factor.
QList<QCommandLineOption> CopyOptions()
{
    return { QCommandLineOption(QStringLiteral("threads"), QString(), QStringLiteral("mode"), QStringLiteral("one")),
        QCommandLineOption(QStringLiteral("buffer-factor"), QString(), QStringLiteral("n"), QStringLiteral("10")),
        QCommandLineOption(QStringList { QStringLiteral("q"), QStringLiteral("quiet") }) };
}

// Puts the copy options given into the job; the usage error when one is no value the window
// offers, else empty.
QString ReadCopyOptions(const QCommandLineParser& parser, Job* job)
{
    const QString mode = parser.value(QStringLiteral("threads"));
    if (mode != QLatin1String("one") && mode != QLatin1String("piece"))
        return texts::kCliBadThreads.arg(mode);
    const QString factorText = parser.value(QStringLiteral("buffer-factor"));
    const QStringList factors { QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("1000"),
        QStringLiteral("10000") };
    if (!factors.contains(factorText))
        return texts::kCliBadBufferFactor.arg(factorText);
    job->threadPerPiece = mode == QLatin1String("piece");
    job->bufferFactor = factorText.toUInt();
    job->quiet = parser.isSet(QStringLiteral("quiet"));
    return {};
}

// The names a split's messages may show, for the terminal's quoting: its source and folder,
// and, where those hold control characters, its pieces. Past the first thousand pieces only
// their common start is noted: quoted on its own, it still reads back as the same word.
void NoteSplitNames(const SplitRequest& split, uint64_t pieceCount)
{
    const QStringList given { split.source, QFileInfo(split.source).absoluteFilePath(), split.folder };
    NoteNames(given);
    if (!std::any_of(given.begin(), given.end(), HasControlCharacters))
        return;
    NoteNames({ ChecksumFileName(split.source) });
    constexpr uint64_t kNamed = 1000;
    for (uint64_t i = 0; i < std::min(pieceCount, kNamed); ++i) {
        const QString piece = MakePieceName(split.source, split.folder, int(i));
        NoteNames({ piece, piece + QStringLiteral(".part") });
    }
    if (PieceName first; pieceCount > kNamed && ParsePieceName(MakePieceName(split.source, split.folder, 0), &first))
        NoteNames({ first.prefix + first.stem });
}

int RunSplit(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption size(QStringLiteral("size"), QString(), QStringLiteral("text"), QStringLiteral("250"));
    const QCommandLineOption count(QStringLiteral("pieces"), QString(), QStringLiteral("n"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("dir"));
    const QCommandLineOption checksum(QStringLiteral("checksum"));
    parser.addOptions(QList { help, size, count, folder, checksum } + CopyOptions());
    if (!parser.parse(arguments))
        return ParseError(parser, arguments);
    if (parser.isSet(help))
        return PrintOut(texts::kCliSplitHelp);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return UsageError(texts::kCliMissingSplitFile);
    if (files.size() > 1)
        return UsageError(texts::kCliExtraArgument.arg(files.at(1)));
    Job job;
    if (const QString error = ReadCopyOptions(parser, &job); !error.isEmpty())
        return UsageError(error);
    if (parser.isSet(size) && parser.isSet(count))
        return UsageError(texts::kCliSizeOrPieces);
    job.split.source = files.first();
    const QFileInfo source(job.split.source);
    const uint32_t granularity = platform::AllocationGranularity();
    int64_t pieceSize = 0;
    QString note;
    if (parser.isSet(count)) {
        // N equal pieces: each a whole number of granules, so a small file may give fewer.
        const QString text = parser.value(count);
        const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        bool ok = false;
        const qulonglong wanted = text.toULongLong(&ok, 10);
        if (!digits || !ok || wanted == 0)
            return UsageError(texts::kCliBadPieceCount.arg(text));
        pieceSize = PieceSizeForCount(uint64_t(source.size()), wanted, granularity);
        if (const uint64_t made = PieceCount(uint64_t(source.size()), pieceSize); made < wanted && source.isFile())
            note = texts::kCliFewerPieces.arg(made).arg(pieceSize);
    } else if (!ReadPieceSize(parser.value(size), granularity, &pieceSize)) {
        return UsageError(texts::kCliBadSize.arg(parser.value(size)));
    }
    // Without a folder the pieces go beside the source, as in the dialog.
    job.split.folder = parser.isSet(folder) ? parser.value(folder) : FolderOf(job.split.source);
    if (job.split.folder.isEmpty())
        job.split.folder = QDir::currentPath();
    job.split.pieceSizeText = MegabytesTextFor(pieceSize, granularity);
    job.split.checksum = parser.isSet(checksum);
    NoteSplitNames(job.split, PieceCount(uint64_t(source.size()), pieceSize));
    if (!note.isEmpty())
        WriteErr(texts::kCliMessage.arg(texts::kCaptionHint.toString(), note) + QLatin1Char('\n'));
    return RunJob(job);
}

// A file given that is not there: the message, and status 1; else 0.
int RefuseMissing(const QStringList& given)
{
    for (const QString& piece : given) {
        if (!FileExists(piece))
            return ErrorExit(texts::kFileMustExist + FailureDetail(piece, errno), kExitFailed);
    }
    return kExitOk;
}

// The files a join or a verify works on, as absolute paths. One piece stands for its set, as
// the window lists it; several join in the merge list's order: by piece number, each once,
// whatever order the shell gave them in (a glob puts piece 1000 before piece 999). Files that
// are no pieces (xaa xab, part1 part2) stay in the order given where `catOrder` allows it, as
// cat joins them. `anyPiece`: whether any of them is a piece.
QStringList PiecesFrom(const QStringList& given, bool catOrder, bool* anyPiece)
{
    QStringList pieces;
    for (const QString& piece : given)
        pieces.append(QFileInfo(piece).absoluteFilePath());
    if (const QStringList set = pieces.size() == 1 ? PieceSetOf(pieces.first()) : QStringList(); !set.isEmpty())
        pieces = set;
    *anyPiece = std::any_of(pieces.begin(), pieces.end(), [](const QString& path) {
        PieceName name;
        return ParsePieceName(path, &name);
    });
    if (*anyPiece || !catOrder) {
        std::sort(pieces.begin(), pieces.end(),
            [](const QString& a, const QString& b) { return ComparePieceNames(a, b) < 0; });
        pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
    }
    NoteNames(pieces);
    return pieces;
}

// What the admission finds, as the command line says it.
QStringList AdmissionProblems(const MergeRequest& request)
{
    QStringList problems;
    for (const MergeFinding& finding : AdmitMergeRequest(request)) {
        problems.append(finding.kind == MergeFinding::Kind::ChecksumNothingApplies
                ? texts::kCliChecksumNothingApplies.arg(finding.name)
                : DescribeFinding(finding));
    }
    return problems;
}

// `velda join -o -`: the admitted pieces, checked against their checksum file where one lies
// beside them, written to standard output as they are; nothing is made on the disk.
int RunStream(const Job& job)
{
    PieceStream stream;
    if (const QString error = stream.Open(job.join.pieces); !error.isEmpty()) {
        const FailureNote failure = TakeFailure();
        return ErrorExit(error + FailureDetail(failure.path, failure.error), kExitFailed);
    }
    if (const ChecksumVerdict verdict = CheckPiecesAgainstChecksums(job.join); !verdict.problems.isEmpty())
        return ErrorExit(verdict.problems.first(), kExitFailed);
    TerminalWindow window(isatty(STDERR_FILENO) != 0 && !job.quiet);
    StopSignals stopSignals;
    // A reader that goes away is a failed write (EPIPE), reported as such, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    g_cancelRequested = s_stopSignal.load() != 0;
    g_viewSize = job.bufferFactor * platform::AllocationGranularity();
    window.StartProgress(stream.TotalBytes());
    const PieceStream::Result result
        = stream.WriteTo(STDOUT_FILENO, texts::kCliStandardOutput, g_viewSize, g_cancelRequested, [&](uint64_t) {
              ++window.viewReports;
              QCoreApplication::processEvents(); // the progress line's redraws
          });
    window.EndProgress(result == PieceStream::Result::Done, int(job.join.pieces.size()));
    switch (result) {
    case PieceStream::Result::Done:
        if (!job.quiet)
            window.ShowMessageBox(texts::kMergeDone, texts::kCaptionSuccess);
        return kExitOk;
    case PieceStream::Result::Stopped:
        window.Print(texts::kCliStreamStopped);
        return kExitSignalBase + s_stopSignal.load();
    case PieceStream::Result::WriteFailed:
        window.ShowMessageBox(texts::kCliWriteFailed, texts::kCaptionError);
        return kExitFailed;
    case PieceStream::Result::ReadFailed:
        window.ShowMessageBox(texts::kCopyFailed, texts::kCaptionError);
        return kExitFailed;
    }
    return kExitFailed;
}

// Where `-o PATH` puts the joined file: inside PATH when it is a folder (or ends in '/'),
// under the name the pieces give it; else at PATH itself.
QString OutputPath(const QString& given, const MergeRequest& request)
{
    const QFileInfo info(given);
    if (info.isDir() || given.endsWith(QLatin1Char('/')))
        return QDir(info.absoluteFilePath()).absoluteFilePath(QFileInfo(NamedJoinedPathOf(request)).fileName());
    return info.absoluteFilePath();
}

int RunJoin(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption deletePieces(QStringLiteral("delete-pieces"));
    const QCommandLineOption output(
        QStringList { QStringLiteral("o"), QStringLiteral("output") }, QString(), QStringLiteral("path"));
    const QCommandLineOption force(QStringLiteral("force"));
    parser.addOptions(QList { help, deletePieces, output, force } + CopyOptions());
    if (!parser.parse(arguments))
        return ParseError(parser, arguments);
    if (parser.isSet(help))
        return PrintOut(texts::kCliJoinHelp);
    const QStringList given = parser.positionalArguments();
    if (given.isEmpty())
        return UsageError(texts::kCliMissingPieces);
    Job job;
    if (const QString error = ReadCopyOptions(parser, &job); !error.isEmpty())
        return UsageError(error);
    const QString outputGiven = parser.value(output);
    if (parser.isSet(output) && outputGiven.isEmpty())
        return UsageError(texts::kCliEmptyOutput);
    const bool toStream = outputGiven == QLatin1String("-");
    job.deletePieces = parser.isSet(deletePieces);
    if (toStream && job.deletePieces)
        return UsageError(texts::kCliStreamKeepsPieces);
    if (toStream && isatty(STDOUT_FILENO))
        return UsageError(texts::kCliStreamToTerminal);
    NoteNames(given);
    // A missing piece would leave a hole in the joined file: refuse the job instead.
    if (const int status = RefuseMissing(given); status != kExitOk)
        return status;
    bool anyPiece = false;
    const QStringList pieces = PiecesFrom(given, parser.isSet(output), &anyPiece);

    job.merge = true;
    job.join.pieces = pieces;
    job.join.namingPiece = QFileInfo(given.first()).absoluteFilePath();
    // The window asks where the pieces are not one whole set, or where a file sits at the joined
    // path; a command cannot ask, so it joins nothing that is not the original and replaces
    // nothing of the user's unless --force says so.
    if (!anyPiece && !parser.isSet(output))
        return ErrorExit(texts::kSetNotAPiece.arg(pieces.first()), kExitFailed);
    if (const QStringList problems = AdmissionProblems(job.join); !problems.isEmpty())
        return ErrorExit(problems.first(), kExitFailed);
    if (toStream)
        return RunStream(job);
    if (parser.isSet(output))
        job.join.output = OutputPath(outputGiven, job.join);
    const QString joined = JoinedPathOf(job.join);
    NoteNames({ joined, joined + QStringLiteral(".part") });
    if (!parser.isSet(force) && JoinReplacesAFile(job.join))
        return ErrorExit(texts::kCliJoinedExists.arg(joined), kExitFailed);
    return RunJob(job);
}

// `velda verify PIECE…`: the join's admission and, where a checksum file lies beside the
// pieces, every piece hashed against it; one line per problem on stdout, nothing written.
int RunVerify(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = HelpOption();
    parser.addOptions({ help });
    if (!parser.parse(arguments))
        return ParseError(parser, arguments);
    if (parser.isSet(help))
        return PrintOut(texts::kCliVerifyHelp);
    const QStringList given = parser.positionalArguments();
    if (given.isEmpty())
        return UsageError(texts::kCliMissingPieces);
    NoteNames(given);
    if (const int status = RefuseMissing(given); status != kExitOk)
        return status;
    bool anyPiece = false;
    MergeRequest request;
    request.pieces = PiecesFrom(given, false, &anyPiece);
    request.namingPiece = QFileInfo(given.first()).absoluteFilePath();
    QStringList lines
        = anyPiece ? AdmissionProblems(request) : QStringList { texts::kSetNotAPiece.arg(request.pieces.first()) };
    const ChecksumVerdict verdict = anyPiece ? CheckPiecesAgainstChecksums(request) : ChecksumVerdict {};
    lines += verdict.problems;
    const bool whole = lines.isEmpty();
    lines.append(verdict.file.isEmpty() ? texts::kCliVerifiedByNames.arg(request.pieces.size())
                                        : texts::kCliVerifiedByChecksums.arg(verdict.file).arg(request.pieces.size()));
    lines.append(whole ? texts::kCliVerifyWhole : texts::kCliVerifyNotWhole);
    const int status = PrintOut(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return status != kExitOk ? status : whole ? kExitOk : kExitFailed;
}

// An argument as the user reads it: what is UTF-8 as it is, every other byte as \xHH.
QString ShownBytes(const QByteArray& bytes)
{
    QString shown;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = uchar(bytes.at(i));
        const qsizetype length = lead < 0x80 ? 1
            : (lead >> 5) == 6               ? 2
            : (lead >> 4) == 14              ? 3
            : (lead >> 3) == 30              ? 4
                                             : 0;
        const QUtf8StringView sequence(bytes.constData() + i, std::min(length, bytes.size() - i));
        if (length > 0 && sequence.size() == length && sequence.isValidUtf8()) {
            shown += sequence.toString();
            i += length;
        } else {
            shown += QStringLiteral("\\x") + QString::number(lead, 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return shown;
}

} // namespace

bool ArgumentsAreUtf8(int argc, char** argv, int* status)
{
    // Qt holds names as UTF-16: bytes that are no UTF-8 would arrive as U+FFFD and name nothing.
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        if (!QUtf8StringView(bytes).isValidUtf8()) {
            *status = ErrorExit(texts::kNameNotUtf8.arg(ShownBytes(bytes)), kExitFailed);
            return false;
        }
    }
    return true;
}

bool IsHeadlessCommand(int argc, char** argv)
{
    return argc > 1
        && (std::strcmp(argv[1], "split") == 0 || std::strcmp(argv[1], "join") == 0
            || std::strcmp(argv[1], "verify") == 0);
}

int RunHeadless(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velda"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELDA_VERSION));
    resources::InstallUserLanguage(&app);
    if (int status = kExitFailed; !ArgumentsAreUtf8(argc, argv, &status))
        return status;
    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.takeAt(1);
    const int status = command == QLatin1String("split") ? RunSplit(arguments)
        : command == QLatin1String("join")               ? RunJoin(arguments)
                                                         : RunVerify(arguments);
    WaitForJobWorkers(); // no worker may still be ending when the process does
    // A result that did not reach stderr is no success.
    return status == kExitOk && ErrFailed() ? kExitFailed : status;
}

namespace {

QtMessageHandler s_qtHandler = nullptr;
QString s_noDisplayLine; // in the user's language, which is not installed while Qt opens the display
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> s_held;

// What the window system would have been reached through, as the environment names it.
QString DisplayNamed()
{
    QStringList named;
    for (const char* name : { "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY" }) {
        if (!qEnvironmentVariableIsEmpty(name))
            named.append(QString::fromLatin1(name) + QLatin1Char('=') + qEnvironmentVariable(name));
    }
    return named.isEmpty() ? texts::kCliNoDisplaySet : named.join(QStringLiteral(", "));
}

void OnStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        // The one fatal message while the application starts: no platform plugin could open a display.
        WriteErr(s_noDisplayLine);
        std::_Exit(kExitFailed);
    }
    s_held.append({ type, QByteArray(context.category ? context.category : ""), text });
}

} // namespace

DisplayStart::DisplayStart()
{
    s_noDisplayLine = ErrorLine(texts::kCliNoDisplay.arg(DisplayNamed()));
    s_qtHandler = qInstallMessageHandler(OnStartMessage);
}

DisplayStart::~DisplayStart()
{
    Started();
}

void DisplayStart::Started()
{
    if (qInstallMessageHandler(s_qtHandler) != OnStartMessage)
        return; // already passed on
    for (const HeldMessage& held : std::exchange(s_held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        qt_message_output(held.type, context, held.text);
    }
}

WindowArguments ParseWindowArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help = HelpOption();
    const QCommandLineOption version(QStringList { QStringLiteral("v"), QStringLiteral("version") });
    parser.addOptions({ help, version });
    WindowArguments result;
    if (!parser.parse(arguments)) {
        result.exit = true;
        result.status = ParseError(parser, arguments);
    } else if (parser.isSet(help)) {
        result.exit = true;
        result.status = PrintOut(texts::kCliHelp);
    } else if (parser.isSet(version)) {
        result.exit = true;
        result.status = PrintOut(texts::kCliVersion.arg(QStringLiteral(VELDA_VERSION)) + QLatin1Char('\n'));
    } else {
        result.files = parser.positionalArguments();
        // A mistyped command ("splt", "help") is no file to open a window for.
        const QString& first = result.files.isEmpty() ? QString() : result.files.first();
        if (arguments.size() > 1 && arguments.at(1) == first && !FileExists(first)) {
            result.exit = true;
            result.status = UsageError(texts::kCliUnknownCommand.arg(first));
        }
    }
    return result;
}

} // namespace cli
