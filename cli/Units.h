#pragma once
// What the command line reads and writes in numbers and names, as pure functions of their
// text: sizes with units, byte counts and times for the progress line, and names quoted for a
// terminal.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace cli {

// A piece size as `split -b` reads it: a decimal number (1.5 too) with an optional unit: K, M,
// G, T or KiB … TiB, powers of 1024; KB, MB, GB, TB, powers of 1000 (any letter case); no unit:
// M of 1,000,000 bytes, as the window reads its box. The bytes rounded down to a multiple of
// `granularity`. False for anything else after the number ("2X", "1,5", "5 G"), no number, a
// size below one granule or beyond the signed 64-bit range.
bool ReadPieceSize(const QString& text, uint32_t granularity, int64_t* bytes);

// The piece size that cuts fileSize bytes into `count` equal pieces: the share rounded up to a
// multiple of `granularity` (at least one granule), so a small file may give fewer pieces.
int64_t PieceSizeForCount(uint64_t fileSize, uint64_t count, uint32_t granularity);

// How many pieces fileSize bytes make at pieceSize bytes each.
uint64_t PieceCount(uint64_t fileSize, int64_t pieceSize);

// The window's size text, in M, for a piece size of `bytes` (a multiple of `granularity`) that
// reads back as exactly that size.
QString MegabytesTextFor(int64_t bytes, uint32_t granularity);

// Bytes in the units a user reads, powers of 1000 with one decimal: "512 B", "1.2 GB".
QString FormatBytes(uint64_t bytes);
// A time as a clock shows it: "0:05", "12:34", "1:02:05".
QString FormatClock(int64_t seconds);

// A name as the shell would take it back, quoted only when it holds control characters (a
// newline, an escape sequence): 'a'$'\033''[31mred'. Other names come back unchanged.
QString ShellQuoted(const QString& name);
// A message for a terminal: each of `names` in it quoted as above, and any other control
// character (but the line breaks) shown as '?', so that no name can steer the terminal.
QString ForTerminal(const QString& text, const QStringList& names);
// Whether a name holds a control character.
bool HasControlCharacters(const QString& name);

} // namespace cli
