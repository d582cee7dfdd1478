#include "MessageBox.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ui {

namespace {
testing::MessageHook g_messageHook;
testing::FileHook g_fileHook;
testing::FolderHook g_folderHook;
}  // namespace

void ShowMessage(QWidget* owner, const QString& text, const QString& caption)
{
    if (g_messageHook) {
        g_messageHook(owner, text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

QString PickOpenFile(QWidget* owner, const QStringList& filters)
{
    if (g_fileHook) {
        const QStringList picked = g_fileHook(filters, false);
        return picked.isEmpty() ? QString() : picked.first();
    }
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QStringList PickOpenFiles(QWidget* owner, const QStringList& filters)
{
    if (g_fileHook)
        return g_fileHook(filters, true);
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QUrl PickFolder(QWidget* owner, const QString& title)
{
    if (g_folderHook)
        return g_folderHook(title);
    return QFileDialog::getExistingDirectoryUrl(owner, title);
}

namespace testing {
void SetMessageHook(MessageHook hook)
{
    g_messageHook = std::move(hook);
}
void SetFileHook(FileHook hook)
{
    g_fileHook = std::move(hook);
}
void SetFolderHook(FolderHook hook)
{
    g_folderHook = std::move(hook);
}
}  // namespace testing

}  // namespace ui
