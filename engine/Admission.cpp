#include "Admission.h"

#include "Names.h"
#include "Texts.h"

#include <algorithm>

namespace {

bool IsPiece(const PieceName& name)
{
    return !name.number.isEmpty();
}

// Names, sets and numbers: what the list lacks to be one set counted without a gap from its
// first piece. Empty when nothing; one finding, since anything after the first is noise.
QList<MergeFinding> CheckNumbers(const QStringList& pieces, const QList<PieceName>& names)
{
    using Kind = MergeFinding::Kind;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!IsPiece(names[i]))
            return { { Kind::NotAPiece, pieces[i] } };
        if (!SameSet(names.first(), names[i]))
            return { { Kind::TwoSets, pieces[i] } };
    }
    // A numbered extension may count from 001; this program counts from 000.
    const PieceName& first = names.first();
    const bool numberedExtension = first.scheme == PieceName::Scheme::NumberedExtension;
    if (first.Value() != 0 && !(first.Value() == 1 && numberedExtension))
        return { { Kind::Missing, first.WithNumber(numberedExtension ? 1 : 0) } };
    for (qsizetype i = 1; i < names.size(); ++i) {
        if (names[i].Value() != names[i - 1].Value() + 1)
            return { { Kind::Missing, names[i - 1].WithNumber(names[i - 1].Value() + 1) } };
    }
    return {};
}

// Every piece but the last has the first one's size; the last is not empty and may be larger
// (a set cut into N parts puts the remainder there). A middle piece larger than the first shows
// that the first is the one cut short.
QList<MergeFinding> CheckSizes(const QStringList& pieces, const QList<int64_t>& sizes)
{
    if (sizes.size() != pieces.size() || sizes.isEmpty() || sizes.first() < 0)
        return {};
    const qsizetype last = sizes.size() - 1;
    for (qsizetype i = 1; i < last; ++i) {
        if (sizes[i] >= 0 && sizes[i] != sizes.first())
            return { { MergeFinding::Kind::Short, sizes[i] < sizes.first() ? pieces[i] : pieces.first() } };
    }
    if (last > 0 && sizes[last] == 0)
        return { { MergeFinding::Kind::Short, pieces[last] } };
    return {};
}

// What the first piece's folder says about the list: pieces of the set past the last listed,
// and a .000 beside a numbered set listed from .001.
QList<MergeFinding> CheckFolder(const PieceName& first, const PieceName& last, const QStringList& folderEntries)
{
    QList<MergeFinding> findings;
    QStringList names;
    for (const QString& entry : folderEntries)
        names.append(first.prefix + entry);
    const PieceNameReader reader(names);
    bool zeroBeside = false;
    const QString* next = nullptr; // the first piece of the set past the last listed
    uint64_t nextValue = 0;
    for (const QString& name : std::as_const(names)) {
        PieceName member;
        if (!reader.Parse(name, &member) || !SameSet(first, member))
            continue;
        zeroBeside = zeroBeside || member.Value() == 0;
        if (member.Value() > last.Value() && (!next || member.Value() < nextValue)) {
            next = &name;
            nextValue = member.Value();
        }
    }
    if (next)
        findings.append({ MergeFinding::Kind::SetGoesOn, *next });
    // Most splitters count from .001, some from .000: the .000 may be the first piece that the
    // list leaves out, or a stray file; neither the names nor the sizes tell.
    if (first.scheme == PieceName::Scheme::NumberedExtension && first.Value() == 1 && zeroBeside)
        findings.append({ MergeFinding::Kind::StrayFirst, first.WithNumber(0) });
    return findings;
}

} // namespace

QList<MergeFinding> AdmitMerge(const MergeCandidate& candidate)
{
    const PieceNameReader reader(candidate.pieces);
    QList<PieceName> names;
    for (const QString& path : candidate.pieces) {
        PieceName name;
        names.append(reader.Parse(path, &name) ? name : PieceName {});
    }
    if (std::none_of(names.begin(), names.end(), IsPiece))
        return {};
    QList<MergeFinding> findings = CheckNumbers(candidate.pieces, names);
    if (!findings.isEmpty())
        return findings;
    findings += CheckSizes(candidate.pieces, candidate.sizes);
    findings += CheckFolder(names.first(), names.last(), candidate.folderEntries);
    if (candidate.checksumAppliesToNone)
        findings.append({ MergeFinding::Kind::ChecksumNothingApplies, candidate.checksumFile });
    return findings;
}

QString DescribeFinding(const MergeFinding& finding)
{
    switch (finding.kind) {
    case MergeFinding::Kind::Missing:
        return texts::kSetMissingPiece.arg(finding.name);
    case MergeFinding::Kind::Short:
        return texts::kSetShortPiece.arg(finding.name);
    case MergeFinding::Kind::TwoSets:
        return texts::kSetTwoSets.arg(finding.name);
    case MergeFinding::Kind::NotAPiece:
        return texts::kSetNotAPiece.arg(finding.name);
    case MergeFinding::Kind::SetGoesOn:
        return texts::kSetGoesOn.arg(finding.name);
    case MergeFinding::Kind::StrayFirst:
        return texts::kSetStrayFirst.arg(finding.name);
    case MergeFinding::Kind::ChecksumNothingApplies:
        return texts::kChecksumNothingApplies.arg(finding.name);
    }
    return {};
}
