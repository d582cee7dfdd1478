#include "Names.h"

#include "FileSystem.h"

#include <QDir>

#include <algorithm>
#include <optional>

namespace {

// Position of the file name inside a path.
qsizetype NameStart(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

// Position of the last extension's dot inside the file name, or -1. A dot that starts the
// name (a hidden file) begins no extension.
qsizetype ExtensionDot(const QString& path)
{
    const qsizetype start = NameStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > start ? dot : -1;
}

// Only ASCII digits make numbers: piece numbers are written with them, and digits of other
// scripts (full-width ones in Chinese names) sort by their code like any other character,
// which keeps the order consistent for the list's binary search.
bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

QString MakePieceName(const QString& sourcePath, const QString& folder, int index)
{
    const qsizetype dot = ExtensionDot(sourcePath);
    const qsizetype start = NameStart(sourcePath);
    const QString stem = sourcePath.mid(start, (dot < 0 ? sourcePath.size() : dot) - start);
    QString name = folder;
    if (!name.endsWith(QLatin1Char('/')))
        name += QLatin1Char('/');
    name += stem + QStringLiteral("%1").arg(index, 3, 10, QLatin1Char('0'));
    if (dot >= 0)
        name += sourcePath.mid(dot);
    return name + QStringLiteral(".qv");
}

bool ParsePieceName(const QString& path, PieceName* piece)
{
    const qsizetype dot = ExtensionDot(path);
    if (dot < 0 || path.mid(dot + 1) != QLatin1String("qv"))
        return false;
    const QString base = path.left(dot);
    const qsizetype start = NameStart(base);
    const qsizetype innerDot = ExtensionDot(base);
    const qsizetype numberEnd = innerDot < 0 ? base.size() : innerDot;
    qsizetype runStart = numberEnd;
    while (runStart > start && IsAsciiDigit(base.at(runStart - 1)))
        --runStart;
    if (runStart == numberEnd)
        return false;
    // Where the number begins: a name's own digits may run into it ("2026" + "000"). It is at
    // least three digits wide (fewer: the whole run), wider for piece 1000 on or for sets cut
    // with wider numbers; the set's first piece in the folder tells which, and without it the
    // number is its last three digits.
    const QString extension = base.mid(numberEnd) + QStringLiteral(".qv");
    qsizetype numberStart = numberEnd - std::min<qsizetype>(3, numberEnd - runStart);
    for (qsizetype width = numberEnd - runStart; width > 3; --width) {
        const QString stem = base.left(numberEnd - width);
        if (FileExists(stem + QString(width, QLatin1Char('0')) + extension)
            || FileExists(stem + QStringLiteral("000") + extension)) {
            numberStart = numberEnd - width;
            break;
        }
    }
    piece->prefix = base.left(start);
    piece->stem = base.mid(start, numberStart - start);
    piece->number = base.mid(numberStart, numberEnd - numberStart);
    piece->extension = base.mid(numberEnd);
    return true;
}

bool SameSet(const PieceName& a, const PieceName& b)
{
    return a.stem == b.stem && a.extension == b.extension;
}

QStringList SetMembers(const QString& piece)
{
    PieceName name;
    if (!ParsePieceName(piece, &name))
        return {};
    const QString folderPath = FolderOf(piece);
    const QDir folder(folderPath.isEmpty() ? QStringLiteral(".") : folderPath);
    QStringList members;
    const QString pattern = name.stem + QLatin1Char('*') + name.extension + QStringLiteral(".qv");
    for (const QString& entry : folder.entryList({ pattern }, QDir::Files | QDir::Hidden | QDir::System)) {
        PieceName other;
        if (ParsePieceName(entry, &other) && SameSet(name, other))
            members.append(name.prefix + entry);
    }
    std::sort(
        members.begin(), members.end(), [](const QString& a, const QString& b) { return ComparePieceNames(a, b) < 0; });
    return members;
}

bool OneSet(const QStringList& pieces)
{
    std::optional<PieceName> first;
    for (const QString& piece : pieces) {
        PieceName name;
        if (!ParsePieceName(piece, &name))
            continue;
        if (!first)
            first = name;
        else if (!SameSet(*first, name))
            return false;
    }
    return true;
}

QString MakeJoinedName(const QString& piecePath)
{
    PieceName piece;
    if (ParsePieceName(piecePath, &piece)) // the number goes whole, whatever its width
        return piece.prefix + piece.stem + piece.extension;

    const qsizetype dot = ExtensionDot(piecePath);
    if (dot < 0)
        return piecePath + QStringLiteral("_qv");
    if (piecePath.mid(dot + 1) != QLatin1String("qv"))
        return piecePath.left(dot) + QStringLiteral("_qv") + piecePath.mid(dot);

    // A .qv name without a number: three characters go, but never any in front of the name.
    const QString base = piecePath.left(dot);
    const qsizetype innerDot = ExtensionDot(base);
    const QString innerExtension = innerDot < 0 ? QString() : base.mid(innerDot);
    QString stem = innerDot < 0 ? base : base.left(innerDot);
    const qsizetype nameLength = stem.size() - NameStart(stem);
    stem.chop(std::min<qsizetype>(3, nameLength));
    return stem + innerExtension;
}

bool FileExists(const QString& path)
{
    return platform::PathExists(path);
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

int ComparePieceNames(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QChar ca = a.at(i), cb = b.at(j);
        if (IsAsciiDigit(ca) && IsAsciiDigit(cb)) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && IsAsciiDigit(a.at(ei)))
                ++ei;
            while (ej < b.size() && IsAsciiDigit(b.at(ej)))
                ++ej;
            // Compare the values: skip leading zeros, then the longer run is larger.
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a.at(si) == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b.at(sj) == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            for (qsizetype k = 0; k < ei - si; ++k) {
                if (a.at(si + k) != b.at(sj + k))
                    return a.at(si + k) < b.at(sj + k) ? -1 : 1;
            }
            if (ei - i != ej - j) // same value, fewer leading zeros first
                return ei - i < ej - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const QChar fa = ca.toCaseFolded(), fb = cb.toCaseFolded();
        if (fa != fb)
            return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal but for letter case: keep a stable, deterministic order.
    return QString::compare(a, b, Qt::CaseSensitive) < 0 ? -1 : (a == b ? 0 : 1);
}
