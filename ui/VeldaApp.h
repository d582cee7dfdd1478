#pragma once

#include <QApplication>
#include <QStringList>

// The application: runs the main dialog and ends with it.
class CVeldaApp : public QApplication {
    Q_OBJECT
public:
    CVeldaApp(int& argc, char** argv);
    // files: the paths given on the command line, opened in the dialog as a browse would.
    bool InitInstance(const QStringList& files = {});
};

// Installs Qt's own Chinese (zh_CN) translations into app, whatever the system's language:
// the program speaks Chinese, so the buttons of its boxes and its file dialogs must too.
// False when Qt's translation files are not installed.
bool InstallQtTranslations(QCoreApplication* app);
