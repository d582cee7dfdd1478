#include "Translations.h"

#include "Texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace resources {

Language ChooseLanguage(const QStringList& uiLanguages)
{
    if (uiLanguages.isEmpty())
        return Language::Chinese;
    for (const QString& name : uiLanguages) {
        // "zh-Hans-CN", "en_US", "C": the language is the part before the first separator.
        const QString language = name.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (language == QLatin1String("zh") || language == QLatin1String("c") || language == QLatin1String("posix"))
            return Language::Chinese;
        if (language == QLatin1String("en"))
            return Language::English;
    }
    return Language::English;
}

bool InstallTranslations(QCoreApplication* app, Language language)
{
    auto install = [app](const QLocale& locale, const QString& name, const QString& folder) {
        auto* translator = new QTranslator(app);
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
        return false;
    };
    if (language == Language::English)
        return install(QLocale(QLocale::English), QStringLiteral("velda"), QStringLiteral(":/i18n"));
    // "qt" gathers the catalogues of every Qt module; some installations carry only qtbase.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    return install(chinese, QStringLiteral("qt"), folder) || install(chinese, QStringLiteral("qtbase"), folder);
}

Language InstallUserLanguage(QCoreApplication* app)
{
    const Language language = ChooseLanguage(QLocale().uiLanguages());
    InstallTranslations(app, language);
    return language;
}

Language CurrentLanguage()
{
    return texts::kTitle.toString() == texts::kTitle.source() ? Language::Chinese : Language::English;
}

} // namespace resources
