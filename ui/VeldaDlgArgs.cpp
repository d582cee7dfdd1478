// The files given on the command line, or by a file manager through the desktop entry.

#include "VeldaDlg.h"

#include "Ids.h"
#include "Names.h"
#include "Texts.h"

#include <QComboBox>
#include <QDir>

#include <optional>

namespace {

// What names a set of pieces: <stem><digits>[.<ext>].qv in one folder. The extension is the
// last one in front of ".qv", as MakePieceName writes it.
struct PieceSet {
    QString folder;
    QString stem;
    QString extension;
    bool operator==(const PieceSet&) const = default;
};

std::optional<PieceSet> PieceSetOf(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!name.endsWith(QLatin1String(".qv")))
        return std::nullopt;
    const QString base = name.chopped(3);
    // A dot that starts the name (a hidden file) begins no extension.
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const QString numbered = dot > 0 ? base.left(dot) : base;
    qsizetype digits = 0;
    while (digits < numbered.size() && numbered.at(numbered.size() - 1 - digits) >= QLatin1Char('0')
        && numbered.at(numbered.size() - 1 - digits) <= QLatin1Char('9'))
        ++digits;
    if (digits == 0)
        return std::nullopt;
    return PieceSet { FolderOf(path), numbered.chopped(digits), dot > 0 ? base.mid(dot) : QString() };
}

// Every piece of the set in its folder, the given one included.
QStringList PiecesOfSet(const QString& piece, const PieceSet& set)
{
    QStringList pieces { piece };
    const QDir folder(set.folder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = folder.filePath(name);
        if (path != piece && PieceSetOf(path) == set)
            pieces.append(path);
    }
    return pieces;
}

} // namespace

void CVeldaDlg::OpenArguments(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    // A browse gives absolute paths; the pieces' folder and the joined file follow from them.
    QStringList absolute;
    for (const QString& path : paths)
        absolute.append(QDir::cleanPath(QDir::current().absoluteFilePath(path)));

    bool allPieces = true;
    for (const QString& path : std::as_const(absolute))
        allPieces = allPieces && PieceSetOf(path).has_value();
    if (absolute.size() == 1 && !allPieces) {
        TakeSplitPick(absolute.first());
        return;
    }
    // Pieces, or several files: the merge browse takes any files too.
    auto* mode = static_cast<QComboBox*>(GetDlgItem(ids::kModeSelector));
    mode->setCurrentIndex(mode->findText(texts::kModeMerge, Qt::MatchExactly));
    OnModeChange();
    m_pickedNames.clear();
    const QString& first = absolute.first();
    if (absolute.size() == 1 && FileExists(first))
        TakeMergePicks(PiecesOfSet(first, *PieceSetOf(first)));
    else
        TakeMergePicks(absolute);
}
