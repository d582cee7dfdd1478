#pragma once
// Message boxes of the program, and file and folder pickers, in one place so that tests
// can answer them without a person.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QMessageBox;
class QWidget;

namespace ui {

// A modal box with an OK button, no icon and the caption given, owned by `owner`.
void ShowMessage(QWidget* owner, const QString& text, const QString& caption);
// A modal question with Yes and No buttons, No the default, no icon: true for Yes.
bool AskYesNo(QWidget* owner, const QString& text, const QString& caption);
// Qt's standard about box: the text beside the program's icon, with the caption given.
void ShowAbout(QWidget* owner, const QString& text, const QString& caption);

// Makes the box wide enough that a title bar shows its caption whole.
void FitCaption(QMessageBox& box);

// Full path of one file to open, or empty when cancelled. filters: "label (patterns)" entries.
QString PickOpenFile(QWidget* owner, const QStringList& filters);
// Full paths of the files chosen, in the order the dialog gives them; empty when cancelled.
QStringList PickOpenFiles(QWidget* owner, const QStringList& filters);
// The chosen folder, or an empty URL when cancelled. It may be an item without a local path.
QUrl PickFolder(QWidget* owner, const QString& title);

namespace testing {
using MessageHook = std::function<void(QWidget* owner, const QString& text, const QString& caption)>;
using QuestionHook = std::function<bool(QWidget* owner, const QString& text, const QString& caption)>;
using FileHook = std::function<QStringList(const QStringList& filters, bool multiple)>;
using FolderHook = std::function<QUrl(const QString& title)>;
// While a hook is set it answers in place of the real dialog.
void SetMessageHook(MessageHook hook);
void SetQuestionHook(QuestionHook hook);
void SetFileHook(FileHook hook);
void SetFolderHook(FolderHook hook);
} // namespace testing

} // namespace ui
