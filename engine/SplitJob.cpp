#include "SplitJob.h"

#include "Copier.h"
#include "JobControl.h"
#include "Names.h"
#include "Texts.h"

#include <QLocale>

#include <cerrno>
#include <cmath>
#include <memory>
#include <utility>

void BuildPieceRanges(uint64_t start, uint64_t end, uint64_t pieceSize, std::vector<PieceRecord>& list)
{
    if (pieceSize == 0 || end <= start)
        return;
    const uint64_t total = end - start;
    const uint64_t count = total / pieceSize + (total % pieceSize != 0 ? 1 : 0);
    for (uint64_t i = 0; i < count; ++i) {
        PieceRecord record;
        record.start = start + i * pieceSize;
        record.end = i + 1 == count ? end : start + (i + 1) * pieceSize;
        list.push_back(std::move(record));
    }
}

double ParseLeadingNumber(const QString& text, bool* ok)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    if (i == n) { // an empty text reads as "0"
        *ok = true;
        return 0.0;
    }
    const qsizetype begin = i;
    if (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))
        ++i;
    auto isDigit
        = [&](qsizetype k) { return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9'); };
    qsizetype digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        *ok = false;
        return 0.0;
    }
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        if (k < n && (text.at(k) == QLatin1Char('+') || text.at(k) == QLatin1Char('-')))
            ++k;
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            i = k;
        }
    }
    // Double precision: "1.048576" is 16 granules exactly, not a hair less.
    const double value = QLocale::c().toDouble(QStringView(text).mid(begin, i - begin), ok);
    if (!*ok) // out of range
        return 0.0;
    return value;
}

bool PieceSizeFromMegabytes(double x, uint32_t granularity, int64_t* pieceSize)
{
    const double bytes = x * 1000000.0;
    if (!(bytes >= 0.0) || bytes >= 9223372036854775808.0)
        return false;
    int64_t p = int64_t(bytes);
    p -= int64_t(uint64_t(p) % granularity);
    if (uint64_t(p) < granularity)
        p = granularity;
    *pieceSize = p;
    return true;
}

unsigned SplitJobEntry(void* arg)
{
    RunSplit(*static_cast<int64_t*>(arg));
    if (!g_useMultithreading.load())
        ReportTaskEnded();
    return 0;
}

void RunSplit(int64_t pieceSize)
{
    BuildPieceRanges(0, uint64_t(g_fileSize), uint64_t(pieceSize), g_pieceRecords);
    BeginPieceSeals();
    const bool threadPerPiece = g_useMultithreading.load();
    // With one worker a piece is flushed after the next one's copy: the disk writes the rest of
    // it meanwhile, so that its flush finds it written. Each copy says here whether it completed.
    // Every piece keeps its temporary name until the job's end names them all (SealJobOutput).
    const auto copied = std::make_unique<bool[]>(g_pieceRecords.size());
    PieceRecord* unsealed = nullptr;
    auto sealUnsealed = [&] {
        PieceRecord* record = std::exchange(unsealed, nullptr);
        if (record && !SealPiece(record->output))
            ReportCopyFailed(int32_t(record - g_pieceRecords.data()));
    };
    for (size_t i = 0; i < g_pieceRecords.size(); ++i) {
        if (g_cancelRequested.load() || g_job.failed) {
            g_job.failed = true; // no piece of this job stays
            return;
        }
        PieceRecord& record = g_pieceRecords[i];
        record.path = MakePieceName(g_job.sourcePath, g_job.pieceFolder, int(i));
        const platform::LockResult claim = record.output.Claim(record.path);
        if (claim != platform::LockResult::Locked) {
            const int error = errno;
            if (claim == platform::LockResult::Busy)
                FailJob(texts::kFileBusy.arg(record.path));
            else if (claim == platform::LockResult::InTheWay)
                FailJob(texts::kTempInTheWay.arg(platform::UnfinishedPathOf(record.path)),
                    platform::UnfinishedPathOf(record.path), error);
            else
                FailJob(texts::kCreatePieceFailed, record.path, error);
            return;
        }
        platform::UniqueMapping mapping = platform::CreateFileMapping(
            record.output.get(), platform::MappingAccess::ReadWrite, record.end - record.start);
        if (!mapping) {
            // Nothing of this piece was written; leave no empty file behind.
            const int error = errno;
            record.output.Remove();
            FailJob(texts::kMapPieceFailed, record.path, error);
            return;
        }
        const platform::MappingHandle dest = mapping.get();
        auto task = std::make_unique<CopyTask>(CopyTask { .sourceMapping = g_sharedMapping.get(),
            .destMapping = dest,
            .sourceStart = record.start,
            .sourceEnd = record.end,
            .destOffset = 0,
            .ownsDestination = true,
            .index = int32_t(i),
            .owned = std::move(mapping),
            .output = &record.output,
            .copied = threadPerPiece ? nullptr : &copied[i] });
        if (!RunCopyTask(std::move(task), threadPerPiece)) {
            FailJob(texts::kThreadFailed);
            return;
        }
        if (!threadPerPiece) {
            sealUnsealed();
            if (copied[i])
                unsealed = &record;
        }
    }
    sealUnsealed();
}
