#include "Names.h"

#include "FileSystem.h"

#include <algorithm>

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

namespace {

// Where the digits of a .qv name lie: <base>.qv, the digits ending at numberEnd.
struct QvDigits {
    QString base;
    qsizetype nameStart = 0;
    qsizetype runStart = 0;
    qsizetype numberEnd = 0;
};

bool FindQvDigits(const QString& path, QvDigits* digits)
{
    const qsizetype dot = ExtensionDot(path);
    if (dot < 0 || path.mid(dot + 1) != QLatin1String("qv"))
        return false;
    digits->base = path.left(dot);
    digits->nameStart = NameStart(digits->base);
    const qsizetype innerDot = ExtensionDot(digits->base);
    digits->numberEnd = innerDot < 0 ? digits->base.size() : innerDot;
    digits->runStart = digits->numberEnd;
    while (digits->runStart > digits->nameStart && IsAsciiDigit(digits->base.at(digits->runStart - 1)))
        --digits->runStart;
    return digits->runStart < digits->numberEnd;
}

// A joined file needs a name of its own: not empty, and not one that names the folder.
bool UsableName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

bool QvPiece(const QvDigits& digits, qsizetype width, PieceName* piece)
{
    const qsizetype numberStart = digits.numberEnd - width;
    piece->prefix = digits.base.left(digits.nameStart);
    piece->stem = digits.base.mid(digits.nameStart, numberStart - digits.nameStart);
    piece->number = digits.base.mid(numberStart, width);
    piece->extension = digits.base.mid(digits.numberEnd);
    piece->scheme = PieceName::Scheme::Qv;
    // Without a stem the joined file would be named by its extension alone (".avi"), or be
    // the folder itself.
    return !piece->stem.isEmpty();
}

bool NumberedExtensionPiece(const QString& path, PieceName* piece)
{
    const qsizetype dot = ExtensionDot(path);
    if (dot < 0 || path.size() - dot - 1 < 3)
        return false;
    for (qsizetype i = dot + 1; i < path.size(); ++i) {
        if (!IsAsciiDigit(path.at(i)))
            return false;
    }
    const qsizetype start = NameStart(path);
    piece->prefix = path.left(start);
    piece->stem = path.mid(start, dot - start);
    piece->number = path.mid(dot + 1);
    piece->extension.clear();
    piece->scheme = PieceName::Scheme::NumberedExtension;
    return UsableName(piece->stem);
}

QString SetKey(const PieceName& piece)
{
    return piece.stem + QChar(0) + piece.extension + QChar(0)
        + QChar(piece.scheme == PieceName::Scheme::Qv ? u'q' : u'n');
}

QString MarkedName(const QString& path)
{
    const qsizetype dot = ExtensionDot(path);
    return dot < 0 ? path + QStringLiteral("_qv") : path.left(dot) + QStringLiteral("_qv") + path.mid(dot);
}

} // namespace

uint64_t PieceName::Value() const
{
    return number.toULongLong();
}

QString PieceName::JoinedPath() const
{
    return prefix + stem + extension;
}

QString PieceName::WithNumber(uint64_t value) const
{
    // This program's numbers have three digits at least; a numbered extension keeps its width.
    const int width = scheme == Scheme::Qv ? 3 : int(number.size());
    const QString digits = QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
    return scheme == Scheme::Qv ? prefix + stem + digits + extension + QStringLiteral(".qv")
                                : prefix + stem + QLatin1Char('.') + digits;
}

bool ParsePieceName(const QString& path, PieceName* piece)
{
    QvDigits digits;
    if (FindQvDigits(path, &digits))
        return QvPiece(digits, std::min<qsizetype>(3, digits.numberEnd - digits.runStart), piece);
    if (ExtensionDot(path) >= 0 && path.endsWith(QLatin1String(".qv")))
        return false; // a .qv name without a number
    return NumberedExtensionPiece(path, piece);
}

PieceNameReader::PieceNameReader(const QStringList& namesAtHand)
{
    for (const QString& name : namesAtHand) {
        PieceName piece;
        if (ParsePieceName(name, &piece) && piece.scheme == PieceName::Scheme::Qv && piece.number.size() == 3)
            m_threeDigitNumbers[SetKey(piece)].insert(piece.number);
    }
}

bool PieceNameReader::Parse(const QString& path, PieceName* piece) const
{
    QvDigits digits;
    if (FindQvDigits(path, &digits)) {
        // The widest reading that continues a set complete from 000 to 999; a wider number
        // never starts with a zero.
        for (qsizetype width = digits.numberEnd - digits.runStart; width > 3; --width) {
            PieceName wider;
            if (digits.base.at(digits.numberEnd - width) != QLatin1Char('0') && QvPiece(digits, width, &wider)
                && m_threeDigitNumbers.value(SetKey(wider)).size() == 1000) {
                *piece = wider;
                return true;
            }
        }
    }
    return ParsePieceName(path, piece);
}

bool SameSet(const PieceName& a, const PieceName& b)
{
    return a.stem == b.stem && a.extension == b.extension && a.scheme == b.scheme;
}

QStringList SetMembers(const QString& piece, const QStringList& folderEntries)
{
    const QString prefix = piece.left(NameStart(piece));
    QStringList names;
    for (const QString& entry : folderEntries)
        names.append(prefix + entry);
    const PieceNameReader reader(names);
    PieceName name;
    if (!reader.Parse(piece, &name))
        return {};
    // A numbered set counts from .001 or from .000; a .000 beside a .001 is in only when it is
    // the piece given, since it may be a stray file (the merge admission says so).
    const bool zeroOnlyWhenGiven = name.scheme == PieceName::Scheme::NumberedExtension && name.Value() != 0;
    QStringList members;
    bool hasOne = false;
    for (const QString& other : std::as_const(names)) {
        PieceName otherName;
        if (reader.Parse(other, &otherName) && SameSet(name, otherName)) {
            members.append(other);
            hasOne = hasOne || otherName.Value() == 1;
        }
    }
    if (zeroOnlyWhenGiven && hasOne)
        members.removeIf([&](const QString& member) {
            PieceName memberName;
            return reader.Parse(member, &memberName) && memberName.Value() == 0;
        });
    std::sort(
        members.begin(), members.end(), [](const QString& a, const QString& b) { return ComparePieceNames(a, b) < 0; });
    return members;
}

QString MakeJoinedName(const QString& piecePath, const QStringList& namesAtHand)
{
    PieceName piece;
    if (PieceNameReader(namesAtHand).Parse(piecePath, &piece))
        return piece.JoinedPath();
    return MarkedName(piecePath);
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
