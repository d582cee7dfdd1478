// The options and help menu.

#include "VeldaDlg.h"

#include "Ids.h"
#include "JobState.h"
#include "MessageBox.h"
#include "Texts.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

void CVeldaDlg::OnShowProgress()
{
    g_showProgress = !g_showProgress;
    CheckMenuItem(ids::kMenuShowProgress, g_showProgress);
}

void CVeldaDlg::OnEnlargeBuffer()
{
    if (m_bufferFactor < 10000)
        m_bufferFactor *= 10;
}

void CVeldaDlg::OnChoosePieceFolder()
{
    const QUrl chosen = ui::PickFolder(this, texts::kChooseFolderTitle);
    if (chosen.isEmpty())
        return;
    // Pieces are files: an item that is not a folder of the file system cannot hold them.
    if (!chosen.isLocalFile() || chosen.toLocalFile().isEmpty()) {
        ui::ShowMessage(this, texts::kFolderWithoutPath, texts::kCaptionError);
        return;
    }
    g_pieceFolder = QDir::cleanPath(chosen.toLocalFile());
}

void CVeldaDlg::OnUseMultithreading()
{
    if (IsJobRunning()) {
        CheckMenuItem(ids::kMenuMultithreading, g_useMultithreading);
        return;
    }
    g_useMultithreading = !g_useMultithreading;
    CheckMenuItem(ids::kMenuMultithreading, g_useMultithreading);
}

void CVeldaDlg::OnWriteChecksums()
{
    // Read when a split starts: a running job keeps what it started with.
    m_writeChecksums = !m_writeChecksums;
    CheckMenuItem(ids::kMenuChecksum, m_writeChecksums);
}

void CVeldaDlg::OnFeatures()
{
    ui::ShowMessage(this, texts::kFeaturesText, texts::kCaptionFeatures);
}

void CVeldaDlg::OnUsage()
{
    ui::ShowMessage(this, texts::kUsageText, texts::kCaptionUsage);
}

void CVeldaDlg::OnAboutVelda()
{
    // The version a user is asked for when reporting a problem, and the Qt it runs on.
    ui::ShowAbout(this, texts::kAboutText.arg(QStringLiteral(VELDA_VERSION), QString::fromLatin1(qVersion())),
        texts::kMenuAboutVelda);
}

void CVeldaDlg::OnOpenHomePage()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral(VELDA_HOME_PAGE_URL)));
}

void CVeldaDlg::OnOpenForum()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral(VELDA_FORUM_URL)));
}
