#include "Units.h"

#include <algorithm>
#include <limits>

namespace cli {
namespace {

using Wide = unsigned __int128;

// The bytes one unit stands for; 0 for no unit this program reads.
uint64_t UnitBytes(const QString& unit)
{
    static const struct {
        const char* name;
        uint64_t bytes;
    } units[] = { { "", 1000000 }, { "k", 1ULL << 10 }, { "m", 1ULL << 20 }, { "g", 1ULL << 30 }, { "t", 1ULL << 40 },
        { "kib", 1ULL << 10 }, { "mib", 1ULL << 20 }, { "gib", 1ULL << 30 }, { "tib", 1ULL << 40 }, { "kb", 1000 },
        { "mb", 1000000 }, { "gb", 1000000000 }, { "tb", 1000000000000 } };
    const QString lower = unit.toLower();
    for (const auto& u : units) {
        if (lower == QLatin1String(u.name))
            return u.bytes;
    }
    return 0;
}

bool IsControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

} // namespace

bool ReadPieceSize(const QString& text, uint32_t granularity, int64_t* bytes)
{
    constexpr Wide kMax = Wide(std::numeric_limits<int64_t>::max());
    // Digits past these change no byte of any size that fits, and keep the sums in range.
    constexpr int kFractionDigits = 24;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto digitAt = [&](qsizetype k) { return k < n && text.at(k).unicode() >= u'0' && text.at(k).unicode() <= u'9'; };
    Wide whole = 0, fraction = 0, scale = 1;
    int digits = 0, fractionDigits = 0;
    for (; digitAt(i); ++i, ++digits)
        whole = std::min(whole * 10 + (text.at(i).unicode() - u'0'), kMax + 1);
    if (i < n && text.at(i) == QLatin1Char('.')) {
        for (++i; digitAt(i); ++i, ++digits) {
            if (++fractionDigits <= kFractionDigits) {
                fraction = fraction * 10 + (text.at(i).unicode() - u'0');
                scale *= 10;
            }
        }
    }
    const uint64_t unit = UnitBytes(text.mid(i));
    if (digits == 0 || unit == 0 || whole > kMax)
        return false;
    const Wide total = whole * unit + fraction * unit / scale;
    if (total > kMax || total < granularity)
        return false;
    *bytes = int64_t(total - total % granularity);
    return true;
}

int64_t PieceSizeForCount(uint64_t fileSize, uint64_t count, uint32_t granularity)
{
    const uint64_t share = count == 0 ? fileSize : fileSize / count + (fileSize % count != 0 ? 1 : 0);
    const uint64_t granules = std::max<uint64_t>(1, share / granularity + (share % granularity != 0 ? 1 : 0));
    return int64_t(granules * granularity);
}

uint64_t PieceCount(uint64_t fileSize, int64_t pieceSize)
{
    return pieceSize <= 0 ? 0 : fileSize / uint64_t(pieceSize) + (fileSize % uint64_t(pieceSize) != 0 ? 1 : 0);
}

QString MegabytesTextFor(int64_t bytes, uint32_t granularity)
{
    // The engine reads the text as a double and rounds the bytes down to a granule: half a
    // granule more keeps that rounding on the intended size, whatever the double's last bit.
    const uint64_t padded = uint64_t(bytes) + granularity / 2;
    return QStringLiteral("%1.%2").arg(padded / 1000000).arg(padded % 1000000, 6, 10, QLatin1Char('0'));
}

QString FormatBytes(uint64_t bytes)
{
    static const char* const units[] = { "kB", "MB", "GB", "TB", "PB", "EB" };
    if (bytes < 1000)
        return QStringLiteral("%1 B").arg(bytes);
    double value = double(bytes) / 1000;
    size_t unit = 0;
    while (value >= 999.95 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString FormatClock(int64_t seconds)
{
    seconds = std::max<int64_t>(seconds, 0);
    const QString mmss = QStringLiteral("%1:%2")
                             .arg(seconds / 60 % 60, seconds >= 3600 ? 2 : 1, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(mmss) : mmss;
}

bool HasControlCharacters(const QString& name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return IsControl(c.unicode()); });
}

QString ShellQuoted(const QString& name)
{
    if (!HasControlCharacters(name))
        return name;
    QString quoted, plain, controls;
    auto flushPlain = [&] {
        if (!plain.isEmpty())
            quoted += QLatin1Char('\'') + plain.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
        plain.clear();
    };
    auto flushControls = [&] {
        if (!controls.isEmpty())
            quoted += QLatin1String("$'") + controls + QLatin1Char('\'');
        controls.clear();
    };
    for (const QChar c : name) {
        if (!IsControl(c.unicode())) {
            flushControls();
            plain += c;
            continue;
        }
        flushPlain();
        static const char letters[] = "abtnvfr"; // \a (7) to \r (13)
        if (c.unicode() >= 7 && c.unicode() <= 13) {
            controls += QLatin1Char('\\');
            controls += QLatin1Char(letters[c.unicode() - 7]);
        } else {
            for (const char byte : QString(c).toUtf8())
                controls += QStringLiteral("\\%1").arg(uint(uint8_t(byte)), 3, 8, QLatin1Char('0'));
        }
    }
    flushPlain();
    flushControls();
    return quoted;
}

QString ForTerminal(const QString& text, const QStringList& names)
{
    QStringList quotable;
    for (const QString& name : names) {
        if (HasControlCharacters(name))
            quotable.append(name);
    }
    // The longest first: a folder's name must not split the quoting of a path inside it.
    std::sort(quotable.begin(), quotable.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QString result = text;
    for (const QString& name : quotable)
        result.replace(name, ShellQuoted(name));
    for (QChar& c : result) {
        if (IsControl(c.unicode()) && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            c = QLatin1Char('?');
    }
    return result;
}

} // namespace cli
