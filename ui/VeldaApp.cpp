#include "VeldaApp.h"

#include "VeldaDlg.h"

CVeldaApp::CVeldaApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("velda"));
    setDesktopFileName(QStringLiteral("velda"));
}

bool CVeldaApp::InitInstance()
{
    CVeldaDlg dialog;
    dialog.exec();
    return false;
}
