// The files given on the command line, or by a file manager through the desktop entry.

#include "VeldaDlg.h"

#include "Ids.h"
#include "JobSetup.h"
#include "Names.h"
#include "Texts.h"

#include <QComboBox>
#include <QDir>

void CVeldaDlg::OpenArguments(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    // A browse gives absolute paths; the pieces' folder and the joined file follow from them.
    QStringList absolute;
    for (const QString& path : paths)
        absolute.append(QDir::cleanPath(QDir::current().absoluteFilePath(path)));

    bool allPieces = true;
    PieceName piece;
    for (const QString& path : std::as_const(absolute))
        allPieces = allPieces && ParsePieceName(path, &piece);
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
        TakeMergePicks(QStringList { first } + PieceSetOf(first)); // the given one names the joined file
    else
        TakeMergePicks(absolute);
}
