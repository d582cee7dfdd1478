// Files dropped on the dialog: a pick of the browse command of the current mode.

#include "VeldaDlg.h"

#include "Ids.h"
#include "Texts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

namespace {

// The local files among the dropped URLs; folders and remote items are left out.
QStringList DroppedFiles(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.exists() && !info.isDir())
            files.append(info.absoluteFilePath());
    }
    return files;
}

} // namespace

void CVeldaDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!IsJobRunning() && !DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CVeldaDlg::dropEvent(QDropEvent* event)
{
    const QStringList files = DroppedFiles(event->mimeData());
    if (IsJobRunning() || files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    TakeDroppedPaths(files);
}

void CVeldaDlg::TakeDroppedPaths(const QStringList& paths)
{
    if (IsJobRunning() || paths.isEmpty())
        return;
    if (GetDlgItemText(ids::kStartButton) == texts::kStartSplit) {
        TakeSplitPick(paths.first());
    } else {
        m_pickedNames.clear();
        TakeMergePicks(paths);
    }
}
