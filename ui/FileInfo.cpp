// The information line: the size of the file to split and the free space for its pieces.

#include "VeldaDlg.h"

#include "FileSystem.h"
#include "Ids.h"
#include "JobSetup.h"
#include "MessageBox.h"
#include "Texts.h"

bool CVeldaDlg::UpdateFileInfo(const QString& path, const QString& folder, bool* opened)
{
    const platform::UniqueFile file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    if (opened)
        *opened = bool(file);
    if (!file) {
        ui::ShowMessage(this, texts::kOpenFileForSizeFailed, texts::kCaptionError);
        return false;
    }
    platform::GetFileSize64(file.get(), &g_fileSize);
    const SplitSpace space = MeasureSplitSpace(g_fileSize, folder, file.get());
    QString line = space.sizeM > 1.0f ? texts::kInfoSizeWhole.arg(qint64(space.sizeM))
                                      : texts::kInfoSizeWhole.arg(QString::number(double(space.sizeM), 'f', 2));
    line += space.freeKnown ? texts::kInfoFree.arg(space.freeM) : texts::kInfoFreeUnknown;
    SetDlgItemText(ids::kInfoLine, line);
    return space.fits;
}
