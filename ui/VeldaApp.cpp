#include "VeldaApp.h"

#include "JobSetup.h"
#include "Translations.h"
#include "VeldaDlg.h"

CVeldaApp::CVeldaApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("velda"));
    setDesktopFileName(QStringLiteral("velda"));
    resources::InstallUserLanguage(this);
}

bool CVeldaApp::InitInstance(const QStringList& files)
{
    CVeldaDlg dialog;
    // Shown first, so that a message about the files appears over the window.
    if (!files.isEmpty())
        dialog.show();
    dialog.OpenArguments(files);
    dialog.exec();
    WaitForJobWorkers(); // the closing dialog let every job end; their threads end before the process
    return false;
}
