#include "VeldaApp.h"

#include "VeldaDlg.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

CVeldaApp::CVeldaApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("velda"));
    setDesktopFileName(QStringLiteral("velda"));
    InstallQtTranslations(this);
}

bool CVeldaApp::InitInstance(const QStringList& files)
{
    CVeldaDlg dialog;
    // Shown first, so that a message about the files appears over the window.
    if (!files.isEmpty())
        dialog.show();
    dialog.OpenArguments(files);
    dialog.exec();
    return false;
}

bool InstallQtTranslations(QCoreApplication* app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // "qt" gathers the catalogues of every Qt module; some installations carry only qtbase.
    for (const QString& name : { QStringLiteral("qt"), QStringLiteral("qtbase") }) {
        auto* translator = new QTranslator(app);
        if (translator->load(chinese, name, QStringLiteral("_"), folder) && app->installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}
