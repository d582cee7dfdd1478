// The information line: the size of the file to split and the free space for its pieces.

#include "VeldaDlg.h"

#include "FileSystem.h"
#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Texts.h"

bool GetDiskFreeBytes(const QString& directory, uint64_t* freeBytes)
{
    return platform::DiskFreeBytes(directory, freeBytes);
}

bool CVeldaDlg::UpdateFileInfo(const QString& path, const QString& folder)
{
    const platform::FileHandle file = platform::OpenFileForRead(path, platform::AccessHint::Random);
    if (file == platform::kInvalidFile) {
        ui::ShowMessage(this, texts::kOpenFileForSizeFailed, texts::kCaptionError);
        return false;
    }
    platform::GetFileSize64(file, &g_fileSize);
    uint64_t freeBytes = 0;
    const bool freeKnown = GetDiskFreeBytes(folder, &freeBytes);
    const uint64_t freeM = freeBytes / 1000000u;
    // Sizes in M of 1,000,000 bytes, in single precision: 999,999,999 bytes are 1000 M.
    const float sizeM = float(double(g_fileSize) / 1000000.0);

    QString line = sizeM > 1.0f ? texts::kInfoSizeWhole.arg(qint64(sizeM))
                                : texts::kInfoSizeWhole.arg(QString::number(double(sizeM), 'f', 2));
    line += freeKnown ? texts::kInfoFree.arg(freeM) : texts::kInfoFreeUnknown;
    SetDlgItemText(ids::kInfoLine, line);
    platform::CloseFile(file);

    // An unknown figure does not block the split: the pieces' own space reservation will
    // catch a disk that is too small.
    if (!freeKnown)
        return true;
    return uint64_t(qint64(sizeM)) < freeM;
}
