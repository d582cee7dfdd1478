// velda_bench: times the copy engine's split and merge jobs against coreutils `split -b` and
// `cat` on the same file, in one run, and prints the results as a Markdown table.
//
// The engine runs as the program runs it: the start command's set-up, the job on one
// worker (or the controller on the event loop's thread with a thread per piece), and every
// report sent with the blocking hand-off to a receiver on the Qt event loop.

#include "BenchFiles.h"
#include "CountingWindow.h"
#include "EngineJob.h"
#include "JobState.h"
#include "SplitJob.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace {

std::atomic<bool> g_interrupted { false };

void OnInterrupt(int)
{
    g_interrupted = true;
    g_cancelRequested = true; // running copies stop at their next view
}

void Progress(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// "2G", "512M", "65536": binary multiples.
std::optional<uint64_t> ParseBytes(QString text)
{
    text = text.trimmed().toUpper();
    uint64_t unit = 1;
    if (text.endsWith(QLatin1Char('B')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('K')))
        unit = 1ull << 10;
    else if (text.endsWith(QLatin1Char('M')))
        unit = 1ull << 20;
    else if (text.endsWith(QLatin1Char('G')))
        unit = 1ull << 30;
    if (unit != 1)
        text.chop(1);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return uint64_t(value * double(unit));
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString Grouped(uint64_t value)
{
    return QLocale(QLocale::English).toString(qulonglong(value));
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> fields = file.readAll().split(' ');
    return QString::fromLatin1(fields.mid(0, 3).join(' '));
}

QString ReadFirstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readLine().trimmed());
}

struct Config {
    uint32_t factor;
    bool threadPerPiece;
    QString Name() const
    {
        return QStringLiteral("factor %1, %2")
            .arg(factor)
            .arg(threadPerPiece ? QStringLiteral("thread per piece") : QStringLiteral("one worker"));
    }
};

struct Samples {
    std::vector<double> seconds;
    std::vector<double> ratios; // throughput against the reference measured in the same run
    std::vector<double> added; // bytes the file system had in use more after the step
    long peakRssKiB = 0;
    QString verified = QStringLiteral("no");
};

class Bench {
public:
    uint64_t size = 2ull << 30;
    int runs = 3;
    bool cold = false;
    double settleSeconds = 0;
    bool prewarm = true;
    bool checksum = false; // jobs with a checksum file; references with sha256sum
    // Programs whose `split` and `join` commands are timed too, as processes, next to coreutils
    // followed by `sync` of what they wrote.
    QStringList headless;
    uint64_t sourceBlock = 8u << 20;
    QString pieceSizeText = QStringLiteral("250");
    std::vector<Config> configs;

    int Run(const QString& workDir);

private:
    // Makes the inputs of the next timed step warm (read once) or cold (caches dropped),
    // with no dirty pages of earlier steps left to write.
    void Prepare(const QStringList& inputs);
    int Fail(const QString& text, int code = 1);
    void PrintReport(uint64_t pieceSize, int pieceCount);

    CountingWindow m_window;
    bool m_coldRefused = false;
    std::vector<double> m_splitRef, m_catRef;
    // Coreutils followed by `sync` of their output files and folder; the syncs alone.
    std::vector<double> m_splitSyncedRef, m_catSyncedRef, m_syncs;
    // What the references added to the bytes in use, as above.
    std::vector<double> m_splitRefAdded, m_catRefAdded, m_splitSyncedAdded, m_catSyncedAdded;
    QString m_workDir;
    // Cold only: `cat` of the pieces into /dev/null, the disk's read rate in this run.
    std::vector<double> m_reads;
    std::map<std::pair<int, bool>, Samples> m_split, m_join; // keyed by (factor, thread per piece)
    // Keyed by (program, factor, thread per piece).
    std::map<std::tuple<int, int, bool>, Samples> m_headlessSplit, m_headlessJoin;
    std::map<int, std::vector<double>> m_startUp; // each program's `--version`, once per run
    QString m_loadBefore, m_loadAfter;
};

void Bench::Prepare(const QStringList& inputs)
{
    bool dropped = false;
    if (cold && !m_coldRefused) {
        dropped = DropCaches();
        if (!dropped) {
            m_coldRefused = true;
            Progress(QStringLiteral("note: cannot drop the page cache (needs root); measuring with a warm cache"));
        }
    }
    if (!dropped) {
        SyncAll();
        ReadThrough(inputs);
    }
    if (settleSeconds > 0)
        QThread::usleep(static_cast<unsigned long>(settleSeconds * 1e6));
    if (prewarm)
        PrewarmMemory(2 * size);
}

int Bench::Fail(const QString& text, int code)
{
    if (g_interrupted) {
        Progress(QStringLiteral("interrupted"));
        return 130;
    }
    Progress(QStringLiteral("error: ") + text);
    return code;
}

int Bench::Run(const QString& workDir)
{
    m_workDir = workDir;
    // What a step adds to the bytes in use on the work folder's file system: read after the
    // step's output is written back (`df` before and after).
    int64_t usedBefore = 0;
    auto startSpace = [&] { usedBefore = UsedBytes(workDir); };
    auto spaceAdded = [&] {
        SyncAll();
        return double(UsedBytes(workDir) - usedBefore);
    };
    const QString source = workDir + QStringLiteral("/source.bin");
    const QString pieceFolder = workDir + QStringLiteral("/pieces");
    const QString refFolder = workDir + QStringLiteral("/reference");
    QDir().mkpath(pieceFolder);
    QDir().mkpath(refFolder);
    const QString refJoined = refFolder + QStringLiteral("/joined.bin");
    const QString headlessFolder = workDir + QStringLiteral("/headless");
    QDir().mkpath(headlessFolder);

    m_loadBefore = LoadAverage();
    Progress(QStringLiteral("generating %1 bytes in %2 (writes of %3 bytes)")
                 .arg(Grouped(size), source, Grouped(sourceBlock)));
    if (!GenerateFile(source, size, sourceBlock))
        return Fail(QStringLiteral("cannot write ") + source);

    bool numberOk = false;
    int64_t pieceSize = 0;
    PieceSizeFromMegabytes(ParseLeadingNumber(pieceSizeText, &numberOk), platform::AllocationGranularity(), &pieceSize);
    const int pieceCount = int((size + uint64_t(pieceSize) - 1) / uint64_t(pieceSize));
    const QString pieceBytes = QString::number(pieceSize);

    auto removeAll = [](const QStringList& paths) {
        for (const QString& path : paths)
            QFile::remove(path);
    };
    // Views each job must report: every piece in views of the job's size, the last shorter.
    auto expectedViews = [&](uint32_t viewSize) {
        uint64_t views = 0;
        for (uint64_t start = 0; start < size; start += uint64_t(pieceSize)) {
            const uint64_t length = std::min<uint64_t>(uint64_t(pieceSize), size - start);
            views += (length + viewSize - 1) / viewSize;
        }
        return int(views);
    };

    // Times the references: `split -b` of the source (its pieces removed again) and `cat`
    // of the engine's pieces (checked against the source in the first run).
    auto timeSplitReference = [&]() -> double {
        Prepare({ source });
        startSpace();
        double seconds = TimeProcess(QStringLiteral("split"),
            { QStringLiteral("-b"), pieceBytes, QStringLiteral("-a"), QStringLiteral("4"), source,
                refFolder + QStringLiteral("/part-") });
        m_splitRefAdded.push_back(spaceAdded());
        // The same digests as the engine's: every piece, and the source.
        if (checksum && seconds >= 0)
            seconds += TimeProcess(QStringLiteral("sh"),
                { QStringLiteral("-c"), QStringLiteral("cd \"$0\" && sha256sum part-* ../source.bin > sums"),
                    refFolder });
        for (const QString& name : QDir(refFolder).entryList(QDir::Files))
            QFile::remove(refFolder + QLatin1Char('/') + name);
        return seconds;
    };
    bool catWrong = false;
    auto timeCat = [&](const QStringList& pieces, bool check) -> double {
        Prepare(pieces);
        // The pieces checked against the engine's checksum file first (its whole-file line
        // names a file that is not there yet).
        const double verify = !checksum
            ? 0
            : TimeProcess(QStringLiteral("sh"),
                { QStringLiteral("-c"),
                    QStringLiteral("cd \"$0\" && sha256sum --quiet --ignore-missing -c source.bin.sha256"),
                    pieceFolder });
        startSpace();
        double seconds = verify < 0 ? verify : TimeProcess(QStringLiteral("cat"), pieces, refJoined);
        m_catRefAdded.push_back(spaceAdded());
        if (seconds >= 0)
            seconds += verify;
        if (seconds >= 0 && check && !SameContents(refJoined, source))
            catWrong = true;
        QFile::remove(refJoined);
        return seconds;
    };

    // Every engine job is timed next to its reference, so that the ratio compares the two
    // under the same conditions of the machine; the order of engine and reference flips from
    // run to run, so that neither always goes first.
    for (int run = 1; run <= runs && !g_interrupted; ++run) {
        const bool engineFirst = run % 2 == 0;
        // The join and `cat` take turns on a cycle of four runs, so that each follows the
        // engine's split and `split -b` equally often: the step after one of them can meet
        // the machine in a state of its own.
        const bool engineJoinFirst = (run - 1) / 2 % 2 == 0;
        for (const Config& config : configs) {
            if (g_interrupted)
                break;
            EngineJobOptions options;
            options.bufferFactor = config.factor;
            options.threadPerPiece = config.threadPerPiece;
            options.pieceSizeText = pieceSizeText;
            options.checksum = checksum;
            const uint32_t viewSize = config.factor * platform::AllocationGranularity();
            const auto key = std::make_pair(int(config.factor), config.threadPerPiece);
            const int endReports = config.threadPerPiece ? pieceCount : 1;

            double splitSeconds = engineFirst ? 0 : timeSplitReference();
            Prepare({ source });
            startSpace();
            const EngineJobResult split = RunEngineSplit(m_window, source, pieceFolder, options);
            const double splitAdded = spaceAdded();
            if (!split.ok)
                return Fail(QStringLiteral("engine split, %1: %2").arg(config.Name(), split.error));
            if (split.pieces.size() != pieceCount || split.viewReports != expectedViews(viewSize)
                || split.endReports != endReports)
                return Fail(QStringLiteral("engine split, %1: %2 pieces, %3 view reports, %4 end reports")
                                .arg(config.Name())
                                .arg(split.pieces.size())
                                .arg(split.viewReports)
                                .arg(split.endReports));
            if (engineFirst)
                splitSeconds = timeSplitReference();
            if (splitSeconds < 0)
                return Fail(QStringLiteral("split -b failed"));
            m_splitRef.push_back(splitSeconds);
            const QStringList pieces = split.pieces;
            Samples& splitSamples = m_split[key];
            splitSamples.seconds.push_back(split.seconds);
            splitSamples.added.push_back(splitAdded);
            splitSamples.ratios.push_back(splitSeconds / split.seconds);
            splitSamples.peakRssKiB = std::max(splitSamples.peakRssKiB, split.peakRssKiB);

            const bool checkCat = run == 1 && &config == &configs.front();
            double catSeconds = engineJoinFirst ? 0 : timeCat(pieces, checkCat);
            Prepare(pieces);
            startSpace();
            const EngineJobResult merge = RunEngineMerge(m_window, pieces, options);
            m_join[key].added.push_back(spaceAdded());
            if (!merge.ok)
                return Fail(QStringLiteral("engine merge, %1: %2").arg(config.Name(), merge.error));
            if (merge.viewReports != expectedViews(viewSize) || merge.endReports != endReports)
                return Fail(QStringLiteral("engine merge, %1: %2 view reports, %3 end reports")
                                .arg(config.Name())
                                .arg(merge.viewReports)
                                .arg(merge.endReports));
            Samples& joinSamples = m_join[key];
            joinSamples.seconds.push_back(merge.seconds);
            joinSamples.peakRssKiB = std::max(joinSamples.peakRssKiB, merge.peakRssKiB);
            if (run == 1) {
                // A fast engine that writes the wrong bytes must not pass.
                if (!SameContents(merge.joined, source))
                    return Fail(
                        QStringLiteral("engine %1: the joined file differs from the source").arg(config.Name()));
                splitSamples.verified = joinSamples.verified = QStringLiteral("yes");
            }
            QFile::remove(merge.joined);
            if (engineJoinFirst)
                catSeconds = timeCat(pieces, checkCat);
            if (!headless.isEmpty()) {
                // The same jobs from the command line, processes of their own as a user runs them,
                // which are done once their output is on the disk; next to coreutils and a `sync`
                // of what they wrote, in an order that flips from run to run.
                auto timeSynced = [&](const QString& program, const QStringList& arguments, const QString& out,
                                      const QString& folder, double* syncSeconds, std::vector<double>* added) {
                    startSpace();
                    double seconds = TimeProcess(program, arguments, out);
                    QStringList written;
                    for (const QString& name : QDir(folder).entryList(QDir::Files))
                        written << folder + QLatin1Char('/') + name;
                    *syncSeconds = seconds < 0 ? -1 : TimeProcess(QStringLiteral("sync"), written << folder);
                    seconds = *syncSeconds < 0 ? -1 : seconds + *syncSeconds;
                    added->push_back(spaceAdded());
                    for (const QString& path : written)
                        QFile::remove(path);
                    return seconds;
                };
                auto headlessPieces = [&] {
                    QStringList list;
                    for (const QString& name : QDir(headlessFolder).entryList({ QStringLiteral("*.qv") }, QDir::Files))
                        list << headlessFolder + QLatin1Char('/') + name;
                    return list;
                };
                const QString joined = headlessFolder + QStringLiteral("/source.bin");
                double splitSync = 0, catSync = 0;
                std::vector<double> splits(size_t(headless.size())), joins(size_t(headless.size()));
                std::vector<double> splitsAdded(size_t(headless.size())), joinsAdded(size_t(headless.size()));
                auto timeSplitSynced = [&] {
                    Prepare({ source });
                    return timeSynced(QStringLiteral("split"),
                        { QStringLiteral("-b"), pieceBytes, QStringLiteral("-a"), QStringLiteral("4"), source,
                            refFolder + QStringLiteral("/part-") },
                        {}, refFolder, &splitSync, &m_splitSyncedAdded);
                };
                auto timeCatSynced = [&](const QStringList& catPieces) {
                    Prepare(catPieces);
                    return timeSynced(
                        QStringLiteral("cat"), catPieces, refJoined, refFolder, &catSync, &m_catSyncedAdded);
                };
                auto clearHeadless = [&] {
                    for (const QString& name : QDir(headlessFolder).entryList(QDir::Files))
                        QFile::remove(headlessFolder + QLatin1Char('/') + name);
                };
                double splitSyncedSeconds = engineFirst ? 0 : timeSplitSynced();
                double catSynced = 0;
                // Both commands copy as the row says: its threading mode and buffer factor.
                const QStringList copyArgs { QStringLiteral("--threads"),
                    config.threadPerPiece ? QStringLiteral("piece") : QStringLiteral("one"),
                    QStringLiteral("--buffer-factor"), QString::number(config.factor) };
                for (int p = 0; p < headless.size(); ++p) {
                    // What every command pays before it copies anything.
                    m_startUp[p].push_back(
                        TimeProcess(headless[p], { QStringLiteral("--version") }, QStringLiteral("/dev/null")));
                    Prepare({ source });
                    QStringList splitArgs = QStringList { QStringLiteral("split"), source, QStringLiteral("--size"),
                        pieceSizeText, QStringLiteral("--folder"), headlessFolder }
                        + copyArgs;
                    if (checksum)
                        splitArgs << QStringLiteral("--checksum");
                    startSpace();
                    splits[size_t(p)] = TimeProcess(headless[p], splitArgs, QStringLiteral("/dev/null"));
                    splitsAdded[size_t(p)] = spaceAdded();
                    const QStringList madePieces = headlessPieces();
                    if (p == 0 && !engineFirst)
                        catSynced = timeCatSynced(madePieces);
                    Prepare(madePieces);
                    startSpace();
                    joins[size_t(p)]
                        = TimeProcess(headless[p], QStringList { QStringLiteral("join") } + copyArgs + madePieces);
                    joinsAdded[size_t(p)] = spaceAdded();
                    if (splits[size_t(p)] < 0 || joins[size_t(p)] < 0 || madePieces.size() != pieceCount
                        || (run == 1 && !SameContents(joined, source)))
                        return Fail(QStringLiteral("headless %1, %2: wrong or failed").arg(headless[p], config.Name()));
                    QFile::remove(joined);
                    if (p + 1 < headless.size())
                        clearHeadless();
                }
                if (engineFirst) {
                    splitSyncedSeconds = timeSplitSynced();
                    catSynced = timeCatSynced(headlessPieces());
                }
                clearHeadless();
                if (splitSyncedSeconds < 0 || catSynced < 0)
                    return Fail(QStringLiteral("split -b or cat with sync failed"));
                m_splitSyncedRef.push_back(splitSyncedSeconds);
                m_catSyncedRef.push_back(catSynced);
                // `split -b` has its pieces written back as it closes them (it truncates each
                // after opening it, and ext4 then writes a truncated file back on its close), so
                // only the `sync` after `cat` shows how fast the disk takes what is dirty.
                m_syncs.push_back(catSync);
                for (int p = 0; p < headless.size(); ++p) {
                    const auto programKey = std::make_tuple(p, int(config.factor), config.threadPerPiece);
                    m_headlessSplit[programKey].seconds.push_back(splits[size_t(p)]);
                    m_headlessSplit[programKey].added.push_back(splitsAdded[size_t(p)]);
                    m_headlessJoin[programKey].added.push_back(joinsAdded[size_t(p)]);
                    m_headlessSplit[programKey].ratios.push_back(splitSyncedSeconds / splits[size_t(p)]);
                    m_headlessJoin[programKey].seconds.push_back(joins[size_t(p)]);
                    m_headlessJoin[programKey].ratios.push_back(catSynced / joins[size_t(p)]);
                }
            }
            if (cold && !m_coldRefused) {
                // What a cold join reads, read and thrown away: how fast the disk gives it to one reader.
                Prepare(pieces);
                const double readSeconds = TimeProcess(QStringLiteral("cat"), pieces, QStringLiteral("/dev/null"));
                if (readSeconds < 0)
                    return Fail(QStringLiteral("cat of the pieces into /dev/null failed"));
                m_reads.push_back(readSeconds);
            }
            removeAll(pieces);
            QFile::remove(pieceFolder + QStringLiteral("/source.bin.sha256"));
            if (catWrong)
                return Fail(QStringLiteral("cat's output differs from the source"));
            if (catSeconds < 0)
                return Fail(QStringLiteral("cat failed"));
            m_catRef.push_back(catSeconds);
            joinSamples.ratios.push_back(catSeconds / merge.seconds);
            Progress(
                QStringLiteral("run %1/%2, %3: split %4 s (split -b %5 s), join %6 s (cat %7 s), peak RSS %8 / %9 MiB")
                    .arg(run)
                    .arg(runs)
                    .arg(config.Name())
                    .arg(split.seconds, 0, 'f', 3)
                    .arg(splitSeconds, 0, 'f', 3)
                    .arg(merge.seconds, 0, 'f', 3)
                    .arg(catSeconds, 0, 'f', 3)
                    .arg(split.peakRssKiB / 1024)
                    .arg(merge.peakRssKiB / 1024));
        }
    }
    QFile::remove(source);
    if (g_interrupted)
        return Fail(QStringLiteral("interrupted"), 130);
    m_loadAfter = LoadAverage();
    PrintReport(uint64_t(pieceSize), pieceCount);
    return 0;
}

void Bench::PrintReport(uint64_t pieceSize, int pieceCount)
{
    const double bytes = double(size);
    auto gbps = [bytes](double seconds) { return QString::number(bytes / seconds / 1e9, 'f', 2); };
    auto secs = [](double seconds) { return QString::number(seconds, 'f', 3); };
    auto ratio = [](double r) { return QString::number(r, 'f', 2) + QStringLiteral("×"); };
    // The median of the per-job ratios and, with more than one run, their range.
    auto ratios = [&ratio](const std::vector<double>& values) {
        QString text = ratio(Median(values));
        if (values.size() > 1) {
            const auto [low, high] = std::minmax_element(values.begin(), values.end());
            text += QStringLiteral(" (%1–%2)").arg(*low, 0, 'f', 2).arg(*high, 0, 'f', 2);
        }
        return text;
    };
    struct utsname uts { };
    ::uname(&uts);
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    const bool warm = !cold || m_coldRefused;

    QString out;
    out += QStringLiteral("### Copy engine against coreutils (%1 cache)\n\n")
               .arg(warm ? QStringLiteral("warm") : QStringLiteral("cold"));
    out += QStringLiteral(
        "- File: %1 bytes (%2 GiB) of generated data, written with %3-byte writes; pieces of %4 bytes "
        "(size text \"%5\"): %6 pieces.\n")
               .arg(Grouped(size))
               .arg(bytes / double(1ull << 30), 0, 'g', 4)
               .arg(Grouped(sourceBlock), Grouped(pieceSize), pieceSizeText)
               .arg(pieceCount);
    out += QStringLiteral("- %1: median of %2 runs; %3\n")
               .arg(warm ? QStringLiteral("Warm page cache (every input read once before each timed step)")
                         : QStringLiteral("Cold page cache (dropped before each timed step)"))
               .arg(runs)
               .arg(QStringLiteral("each engine job is timed next to its reference (`split -b` of the source, `cat` of "
                                   "the job's own pieces); the split first in even runs, `split -b` in odd ones; the "
                                   "join first in runs 1 and 2 of every four, `cat` in runs 3 and 4; a ratio is the "
                                   "median of the per-job throughput ratios (their range in brackets), a "
                                   "reference row the median of all its timings. Dirty pages are written back before "
                                   "each step."));
    out += QStringLiteral("- Machine: Linux %1, %2 CPUs, %3 GiB RAM, transparent huge pages \"%4\"; load average %5 "
                          "before, %6 after.\n")
               .arg(QString::fromLatin1(uts.release))
               .arg(::sysconf(_SC_NPROCESSORS_ONLN))
               .arg(double(pages) * double(pageSize) / double(1ull << 30), 0, 'f', 1)
               .arg(ReadFirstLine(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")), m_loadBefore,
                   m_loadAfter);
    if (prewarm)
        out += QStringLiteral("- Memory: before each step, twice the file size of memory was touched and freed, so "
                              "that no step pays for memory the hypervisor has taken back (`--no-prewarm-memory` "
                              "turns this off).\n");
    else
        out += QStringLiteral("- Memory: not prewarmed (`--no-prewarm-memory`): a step may pay for memory the "
                              "hypervisor has taken back, and which step does depends on the order of the steps.\n");
    if (settleSeconds > 0)
        out += QStringLiteral("- Idle for %1 s before each step (`--settle`).\n").arg(settleSeconds);
    out += QStringLiteral("- File system of the work folder: %1. \"Added\" is what a step added to the bytes in use "
                          "there (`df` before it and after its output was written back), in MB of 1,000,000 "
                          "bytes: where the file system shares blocks, a clone adds only its records.\n")
               .arg(FileSystemOf(m_workDir));
    QStringList arguments = QCoreApplication::arguments();
    arguments[0] = QStringLiteral("velda_bench");
    out += QStringLiteral("- Command: `%1`.\n").arg(arguments.join(QLatin1Char(' ')));
    if (!m_syncs.empty()) {
        const double sync = Median(m_syncs);
        out += QStringLiteral("- Disk: `sync` of what `cat` had just written (%1 bytes) took %2 s (median of %3; "
                              "%4–%5 s): the disk takes %6 GB/s in this run. The processes' rows are timed against "
                              "coreutils followed by `sync` of their output. A flushed job ends no sooner than the "
                              "disk has written its output: at best %7 `split -b` + `sync` and %8 `cat` + `sync` at "
                              "this rate.\n")
                   .arg(Grouped(size))
                   .arg(secs(sync))
                   .arg(m_syncs.size())
                   .arg(secs(*std::min_element(m_syncs.begin(), m_syncs.end())),
                       secs(*std::max_element(m_syncs.begin(), m_syncs.end())), gbps(sync))
                   .arg(ratio(Median(m_splitSyncedRef) / sync), ratio(Median(m_catSyncedRef) / sync));
    }
    if (!m_reads.empty()) {
        const double read = Median(m_reads);
        out += QStringLiteral("- Disk reads: `cat` of the pieces into /dev/null after the cache was dropped took %1 s "
                              "(median of %2; %3–%4 s): one reader gets %5 GB/s from the disk in this run.\n")
                   .arg(secs(read))
                   .arg(m_reads.size())
                   .arg(secs(*std::min_element(m_reads.begin(), m_reads.end())),
                       secs(*std::max_element(m_reads.begin(), m_reads.end())), gbps(read));
    }
    out += QStringLiteral("- Engine at the program's defaults apart from the factor and threading shown: progress "
                          "shown (a blocking report per view); peak RSS is the process's VmHWM during the job.\n\n");

    out += QStringLiteral(
        "| Job | Buffer factor | View (bytes) | Threads | Seconds | GB/s | vs `split -b` | vs `cat` | "
        "Peak RSS (MiB) | Output checked | Added (MB) |\n");
    out += QStringLiteral("|---|---:|---:|---|---:|---:|---:|---:|---:|---|---:|\n");
    auto added = [](const std::vector<double>& values) {
        return values.empty() ? QString() : QString::number(Median(values) / 1e6, 'f', 1);
    };
    const double splitRef = Median(m_splitRef), catRef = Median(m_catRef);
    const QString sums = checksum ? QStringLiteral(" + `sha256sum`") : QString();
    out += QStringLiteral("| `split -b %1`%4 | | | | %2 | %3 | 1.00× | | | | %5 |\n")
               .arg(pieceSize)
               .arg(secs(splitRef), gbps(splitRef), sums, added(m_splitRefAdded));
    auto row = [&](const QString& job, const Config& config, const Samples& s, bool join, bool process) {
        const double median = Median(s.seconds);
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 |\n")
                   .arg(job)
                   .arg(config.factor)
                   .arg(Grouped(uint64_t(config.factor) * platform::AllocationGranularity()))
                   .arg(config.threadPerPiece ? QStringLiteral("thread per piece") : QStringLiteral("one worker"))
                   .arg(secs(median), gbps(median))
                   .arg(join ? QString() : ratios(s.ratios))
                   .arg(join ? ratios(s.ratios) : QString())
                   .arg(process ? QString() : QString::number(s.peakRssKiB / 1024))
                   .arg(process ? QStringLiteral("yes") : s.verified, added(s.added));
    };
    const QString withChecksums = checksum ? QStringLiteral(" + checksums") : QString();
    for (const bool join : { false, true }) {
        const QString verb = join ? QStringLiteral("join") : QStringLiteral("split");
        if (join)
            out += QStringLiteral("| %3`cat` of the pieces | | | | %1 | %2 | | 1.00× | | | %4 |\n")
                       .arg(secs(catRef), gbps(catRef), checksum ? QStringLiteral("`sha256sum -c` + ") : QString(),
                           added(m_catRefAdded));
        for (const Config& config : configs) {
            const auto it = (join ? m_join : m_split).find(std::make_pair(int(config.factor), config.threadPerPiece));
            if (it != (join ? m_join : m_split).end() && !it->second.seconds.empty())
                row(verb + withChecksums, config, it->second, join, false);
        }
        if (headless.isEmpty())
            continue;
        // The processes are done once their output is on the disk: against coreutils and `sync`.
        const double synced = Median(join ? m_catSyncedRef : m_splitSyncedRef);
        out += join
            ? QStringLiteral("| `cat` of the pieces + `sync` of the file | | | | %1 | %2 | | 1.00× | | | %3 |\n")
                  .arg(secs(synced), gbps(synced), added(m_catSyncedAdded))
            : QStringLiteral("| `split -b %3` + `sync` of the pieces | | | | %1 | %2 | 1.00× | | | | %4 |\n")
                  .arg(secs(synced), gbps(synced))
                  .arg(pieceSize)
                  .arg(added(m_splitSyncedAdded));
        for (const Config& config : configs) {
            for (int p = 0; p < headless.size(); ++p) {
                const auto& map = join ? m_headlessJoin : m_headlessSplit;
                const auto it = map.find(std::make_tuple(p, int(config.factor), config.threadPerPiece));
                if (it == map.end() || it->second.seconds.empty())
                    continue;
                const QString label = headless.size() > 1 ? QStringLiteral(", %1").arg(headless[p]) : QString();
                row(QStringLiteral("`velda %1` (a process, flushed%2)%3").arg(verb, label, withChecksums), config,
                    it->second, join, true);
            }
        }
    }
    for (const auto& [p, seconds] : m_startUp)
        out += QStringLiteral("\n`%1 --version` (the start-up of a process): %2 s, median of %3 (%4–%5 s).\n")
                   .arg(headless[p], secs(Median(seconds)))
                   .arg(seconds.size())
                   .arg(secs(*std::min_element(seconds.begin(), seconds.end())),
                       secs(*std::max_element(seconds.begin(), seconds.end())));
    std::printf("%s", qPrintable(out));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velda_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times Velda's split and merge jobs against `split -b` and `cat` and prints a Markdown table."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("File size (K, M, G: binary units)."),
        QStringLiteral("bytes"), QStringLiteral("2G"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per setting; medians are shown."),
        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Folder for the work files."),
        QStringLiteral("folder"), QDir::tempPath());
    const QCommandLineOption coldOption(
        QStringLiteral("cold"), QStringLiteral("Drop the page cache before every timed step (needs root)."));
    const QCommandLineOption factorsOption(QStringLiteral("factors"), QStringLiteral("Buffer factors to measure."),
        QStringLiteral("list"), QStringLiteral("10,100,1000,10000"));
    const QCommandLineOption threadsOption(QStringLiteral("threads"),
        QStringLiteral("Threading modes: one (one worker), piece (thread per piece)."), QStringLiteral("list"),
        QStringLiteral("one,piece"));
    const QCommandLineOption pieceOption(QStringLiteral("piece"), QStringLiteral("Piece size text, in megabytes."),
        QStringLiteral("text"), QStringLiteral("250"));
    const QCommandLineOption blockOption(QStringLiteral("source-writes"),
        QStringLiteral("Size of the write calls that make the source; small writes leave small page-cache folios."),
        QStringLiteral("bytes"), QStringLiteral("8M"));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
        QStringLiteral("Seconds of idling before every timed step, after its inputs were read (or dropped)."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
        QStringLiteral("Also times `<program> split` and `<program> join` at every setting (build/bin/velda), against "
                       "coreutils followed by `sync` of their output; repeat it to time several programs."),
        QStringLiteral("program"));
    const QCommandLineOption checksumOption(QStringLiteral("checksum"),
        QStringLiteral("Jobs write and check a checksum file; split -b is followed by sha256sum of the pieces and the "
                       "source, cat is preceded by sha256sum -c."));
    const QCommandLineOption noPrewarmOption(QStringLiteral("no-prewarm-memory"),
        QStringLiteral("Do not touch and free memory before every timed step (by default twice the file size, so that "
                       "every step, the references included, starts with memory the hypervisor has not taken back; "
                       "see README)."));
    parser.addOption(headlessOption);
    parser.addOptions({ sizeOption, runsOption, dirOption, coldOption, factorsOption, threadsOption, pieceOption,
        blockOption, settleOption, noPrewarmOption, checksumOption });
    parser.process(app);

    Bench bench;
    const auto size = ParseBytes(parser.value(sizeOption));
    const auto block = ParseBytes(parser.value(blockOption));
    bool runsOk = false;
    bench.runs = parser.value(runsOption).toInt(&runsOk);
    if (!size || !block || !runsOk || bench.runs < 1) {
        std::fprintf(stderr, "velda_bench: bad --size, --source-writes or --runs\n");
        return 2;
    }
    bench.size = *size;
    bench.sourceBlock = *block;
    bench.cold = parser.isSet(coldOption);
    bench.settleSeconds = parser.value(settleOption).toDouble();
    bench.prewarm = !parser.isSet(noPrewarmOption);
    bench.checksum = parser.isSet(checksumOption);
    bench.headless = parser.values(headlessOption);
    bench.pieceSizeText = parser.value(pieceOption);
    const QStringList threads = parser.value(threadsOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& factorText : parser.value(factorsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const uint32_t factor = factorText.toUInt();
        if (factor == 0) {
            std::fprintf(stderr, "velda_bench: bad --factors\n");
            return 2;
        }
        for (const QString& mode : threads) {
            if (mode != QLatin1String("one") && mode != QLatin1String("piece")) {
                std::fprintf(stderr, "velda_bench: bad --threads\n");
                return 2;
            }
            bench.configs.push_back(Config { factor, mode == QLatin1String("piece") });
        }
    }

    const QString base = parser.value(dirOption);
    const uint64_t needed = bench.size * 3 + (1ull << 30);
    if (AvailableBytes(base) < needed) {
        std::fprintf(stderr, "velda_bench: %s has less than the %llu free bytes needed\n", qPrintable(base),
            (unsigned long long)needed);
        return 1;
    }
    QTemporaryDir work(base + QStringLiteral("/velda-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "velda_bench: cannot create a folder in %s\n", qPrintable(base));
        return 1;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    return bench.Run(work.path()); // the folder and everything in it go with `work`
}
