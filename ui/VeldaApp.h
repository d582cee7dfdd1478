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
