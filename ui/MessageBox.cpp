#include "MessageBox.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

namespace ui {

namespace {
testing::MessageHook g_messageHook;
testing::QuestionHook g_questionHook;
testing::FileHook g_fileHook;
testing::FolderHook g_folderHook;
} // namespace

void FitCaption(QMessageBox& box)
{
    // The title bar also holds the window manager's icon and buttons, squares somewhat taller
    // than a line of the title's font; a box as narrow as a short text cuts its caption to "…".
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = title.horizontalAdvance(box.windowTitle()) + 8 * title.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
            grid->columnCount());
}

void ShowMessage(QWidget* owner, const QString& text, const QString& caption)
{
    if (g_messageHook) {
        g_messageHook(owner, text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    FitCaption(box);
    box.exec();
}

void ShowAbout(QWidget* owner, const QString& text, const QString& caption)
{
    if (g_messageHook) {
        g_messageHook(owner, text, caption);
        return;
    }
    QMessageBox::about(owner, caption, text);
}

bool AskYesNo(QWidget* owner, const QString& text, const QString& caption)
{
    if (g_questionHook)
        return g_questionHook(owner, text, caption);
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    FitCaption(box);
    return box.exec() == QMessageBox::Yes;
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
void SetQuestionHook(QuestionHook hook)
{
    g_questionHook = std::move(hook);
}
void SetFileHook(FileHook hook)
{
    g_fileHook = std::move(hook);
}
void SetFolderHook(FolderHook hook)
{
    g_folderHook = std::move(hook);
}
} // namespace testing

} // namespace ui
