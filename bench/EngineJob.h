#pragma once
// The engine's split and merge jobs, set up as the dialog's start command sets them up,
// run headless and timed until their end reports have arrived.

#include <QString>
#include <QStringList>

#include <cstdint>

class CountingWindow;

struct EngineJobResult {
    bool ok = false;
    QString error; // why the job did not complete, when it did not
    double seconds = 0; // from the start command to the job's completion
    int viewReports = 0;
    int endReports = 0;
    long peakRssKiB = 0; // VmHWM of the process during the job
    QStringList pieces; // a split's pieces, in order
    QString joined; // a merge's output
};

struct EngineJobOptions {
    uint32_t bufferFactor = 10; // the menu's buffer factor: views of factor x granularity
    bool threadPerPiece = false; // the menu's "worker thread per piece"
    bool showProgress = true; // the menu's "show progress"
    QString pieceSizeText = QStringLiteral("250"); // the size field, in megabytes
    bool checksum = false; // the menu's "write a checksum file"
};

// Splits source into pieces in folder.
EngineJobResult RunEngineSplit(
    CountingWindow& window, const QString& source, const QString& folder, const EngineJobOptions& options);
// Joins the pieces, in the order given, into the file that the first piece names.
EngineJobResult RunEngineMerge(CountingWindow& window, const QStringList& pieces, const EngineJobOptions& options);
