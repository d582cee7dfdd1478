// Mode switching, the browse command and the merge list.

#include "VeldaDlg.h"

#include "FileSystem.h"
#include "Ids.h"
#include "JobSetup.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Names.h"
#include "Texts.h"

#include <QCheckBox>

#include <algorithm>

namespace {

// "*.*" matches every name there, with or without a dot; here that pattern is "*".
// Built when asked, in the language of the moment.
QStringList SplitFilters()
{
    return { texts::kFilterAny, texts::kFilterAllFiles };
}

QStringList MergeFilters()
{
    return { texts::kFilterPieces, texts::kFilterAllFiles };
}

} // namespace

void CVeldaDlg::OnModeChange()
{
    if (IsJobRunning())
        return;
    const QString mode = GetDlgItemText(ids::kModeSelector);
    auto show = [this](int id, bool visible) { m_controls.value(id)->setVisible(visible); };
    if (mode == texts::kModeSplit) {
        SetDlgItemText(ids::kStartButton, texts::kStartSplit);
        show(ids::kSizeField, true);
        show(ids::kSizeLabel, true);
        show(ids::kUnitLabel, true);
        show(ids::kMergeList, false);
        show(ids::kInfoLine, true);
        show(ids::kDeleteButton, false);
        show(ids::kDeleteAfterMergeBox, false);
        m_splitMode = 1;
    } else if (mode == texts::kModeMerge) {
        SetDlgItemText(ids::kStartButton, texts::kStartMerge);
        show(ids::kMergeList, true);
        show(ids::kInfoLine, false);
        show(ids::kDeleteButton, true);
        show(ids::kDeleteAfterMergeBox, true);
        static_cast<QCheckBox*>(m_controls.value(ids::kDeleteAfterMergeBox))->setChecked(true);
        m_deleteAfterMerge = 1;
        show(ids::kSizeField, false);
        show(ids::kSizeLabel, false);
        show(ids::kUnitLabel, false);
        m_splitMode = 0;
    }
    SetDlgItemText(ids::kPathField, QString());
}

void CVeldaDlg::OnBrowse()
{
    if (IsJobRunning())
        return;
    if (GetDlgItemText(ids::kStartButton) == texts::kStartSplit) {
        const QString path = ui::PickOpenFile(this, SplitFilters());
        if (!path.isEmpty())
            TakeSplitPick(path);
        return;
    }
    m_pickedNames.clear();
    const QStringList picked = ui::PickOpenFiles(this, MergeFilters());
    if (!picked.isEmpty())
        TakeMergePicks(picked);
}

void CVeldaDlg::TakeSplitPick(const QString& path)
{
    g_sourcePath = path;
    SetDlgItemText(ids::kPathField, path);
    if (g_pieceFolder.isEmpty())
        g_pieceFolder = FolderOf(path);
    UpdateFileInfo(g_sourcePath, g_pieceFolder);
}

void CVeldaDlg::TakeMergePicks(const QStringList& paths)
{
    m_pickedNames = paths;
    SetDlgItemText(ids::kPathField, m_pickedNames.first());
    AddPickedNamesToList();
}

void CVeldaDlg::AddPickedNamesToList()
{
    const QString first = GetDlgItemText(ids::kPathField);
    if (!FileExists(first)) {
        const QString undecoded = UndecodedNameMessage(first);
        ui::ShowMessage(this, undecoded.isEmpty() ? texts::kFileMustExist : undecoded, texts::kCaptionError);
        return;
    }
    if (m_pickedNames.isEmpty())
        m_pickedNames.append(first);
    // One file is one piece, whatever path names it: a link, a linked folder, "a/../a/x".
    QList<platform::FileIdentity> listed;
    for (int i = 0; i < m_listBox->GetCount(); ++i) {
        platform::FileIdentity identity;
        if (platform::IdentifyPath(m_listBox->GetText(i), &identity))
            listed.append(identity);
    }
    bool missing = false;
    for (const QString& name : std::as_const(m_pickedNames)) {
        platform::FileIdentity identity;
        if (!platform::IdentifyPath(name, &identity)) {
            missing = true;
            continue;
        }
        const bool known = std::any_of(listed.begin(), listed.end(),
            [&](const platform::FileIdentity& other) { return other.SameFile(identity); });
        if (!known && m_listBox->FindStringExact(0, name) < 0) {
            m_listBox->AddString(name);
            listed.append(identity);
        }
    }
    if (missing)
        ui::ShowMessage(this, texts::kFileMustExist, texts::kCaptionError);
}

void CVeldaDlg::OnDeleteSelected()
{
    const int selected = m_listBox->GetCurSel();
    if (selected >= 0)
        m_listBox->DeleteString(selected);
}

void CVeldaDlg::OnDeleteAfterMergeClicked()
{
    m_deleteAfterMerge = static_cast<QCheckBox*>(m_controls.value(ids::kDeleteAfterMergeBox))->isChecked() ? 1 : 0;
}
