#pragma once

#include <QApplication>

// The application: runs the main dialog and ends with it.
class CVeldaApp : public QApplication {
    Q_OBJECT
public:
    CVeldaApp(int& argc, char** argv);
    bool InitInstance();
};
