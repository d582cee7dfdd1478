#pragma once
// The language the program speaks, and the translators that make it speak it.

#include <QStringList>

class QCoreApplication;

namespace resources {

enum class Language { Chinese, English };

// The language for the user's UI languages, most wanted first (QLocale::uiLanguages(), which
// follows LANGUAGE): the first that is Chinese or English decides, and so does the C/POSIX
// locale, which speaks Chinese as the program always has; a list of other languages only gets
// English. The texts are written in Chinese, so an empty list keeps them.
Language ChooseLanguage(const QStringList& uiLanguages);

// Installs the translators for `language` into app: the program's English texts, or Qt's own
// Chinese ones, so that the buttons of its boxes and its file dialogs speak as the program
// does (Qt's own texts are English without a translator). False when a translation file is
// missing: the English one is built in, Qt's Chinese comes with qt6-translations-l10n.
bool InstallTranslations(QCoreApplication* app, Language language);

// Both, for the user's languages: what the program does when it starts.
Language InstallUserLanguage(QCoreApplication* app);

// The language the texts read in now: English while the program's translation is installed.
Language CurrentLanguage();

} // namespace resources
