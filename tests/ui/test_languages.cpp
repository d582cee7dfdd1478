// Chinese for Chinese and C locales, English for any other; the English translation complete and current.

#include "DialogFixture.h"
#include "DialogTemplate.h"
#include "Translations.h"

#include <QFontDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using resources::Language;

// Started by the next test in a child process, with the locale of one of its rows.
TEST_F(DialogFixture, DISABLED_theWindowSpeaksTheLanguageOfTheLocaleItStartedIn)
{
    const bool english = qEnvironmentVariable("VELDA_TEST_LANGUAGE") == u"en"_s;
    ASSERT_EQ(resources::InstallUserLanguage(qApp), english ? Language::English : Language::Chinese);
    dlg = std::make_unique<CVeldaDlg>();
    auto expect = [english](const QString& shown, const char* inEnglish, const texts::Text& text) {
        EXPECT_EQ(shown, english ? QString::fromUtf8(inEnglish) : text.source()) << shown.toStdString();
    };
    expect(dlg->GetDlgItemText(ids::kSizeLabel), "Piece size:", texts::kSizeLabel);
    expect(dlg->GetMenuItem(ids::kMenuShowProgress)->text(), "Show Progress", texts::kMenuShowProgress);
    QMessageBox ask(QMessageBox::NoIcon, {}, {}, QMessageBox::Yes | QMessageBox::No); // Qt's own texts
    EXPECT_EQ(ask.button(QMessageBox::Yes)->text() == u"&Yes"_s, english);
    Browse({ MakeFile(u"a.bin"_s, 3'000'000) });
    Start();
    ASSERT_EQ(messages.size(), 1);
    expect(messages.first(), "The file has been split.", texts::kSplitDone);
    const QString title = english ? u"Velda File Splitter — Total time: 00:00:0"_s
                                  : texts::kTitle.source() + texts::kElapsedPrefix.source() + u"00:00:0"_s;
    EXPECT_TRUE(dlg->windowTitle().startsWith(title)) << dlg->windowTitle().toStdString();
    // A job runs while the start button says so, in either language.
    for (const texts::Text& caption : { texts::kStartMerge, texts::kSplitting, texts::kMerging, texts::kStartSplit }) {
        SimulateRunningJob(caption);
        EXPECT_EQ(dlg->IsJobRunning(), caption.source().contains(texts::kRunningMark.source()));
    }
    // English in the desktop's own font, Chinese in the template's, both at the template's size.
    EXPECT_EQ(dlg->font().family(),
        english ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()
                : resources::MainDialogTemplate().fontFamilies.first());
    EXPECT_EQ(dlg->font().pointSize(), 9);
    ExpectEveryTextWhole();
    if (!english)
        return;
    QStringList shown { dlg->windowTitle() };
    for (const QObject* object : dlg->findChildren<QObject*>()) // labels, buttons, menus and their items
        shown << object->property("text").toString();
    for (int i = 0; i < Control<QComboBox>(ids::kModeSelector)->count(); ++i)
        shown << Control<QComboBox>(ids::kModeSelector)->itemText(i);
    for (const QString& text : shown)
        EXPECT_FALSE(HasChinese(text)) << text.toStdString();
}

TEST(Languages, theWindowSpeaksChineseUnderChineseAndCLocalesAndEnglishUnderAnyOther)
{
    // LANG, LANGUAGE (the preferences, first known first), the language expected, the scale.
    const char* rows[][4] = { { "en_US.UTF-8", "", "en", "1" }, { "zh_CN.UTF-8", "", "zh", "1" },
        { "C", "", "zh", "1" }, { "de_DE.UTF-8", "", "en", "1" }, { "zh_CN.UTF-8", "en", "en", "1" },
        { "de_DE.UTF-8", "de:zh_TW:en", "zh", "1" }, { "en_US.UTF-8", "", "en", "2" }, { "C", "", "zh", "2" } };
    for (const auto& row : rows) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"LC_ALL"_s);
        env.remove(u"LC_MESSAGES"_s);
        env.insert(u"LANG"_s, QString::fromLatin1(row[0]));
        env.insert(u"LANGUAGE"_s, QString::fromLatin1(row[1]));
        env.insert(u"VELDA_TEST_LANGUAGE"_s, QString::fromLatin1(row[2]));
        env.insert(u"QT_SCALE_FACTOR"_s, QString::fromLatin1(row[3]));
        const QStringList self = testsupport::ThisProgramRunning("theWindowSpeaksTheLanguage");
        EXPECT_TRUE(testsupport::RunsToSuccess(self[0], self.mid(1), env))
            << row[0] << ' ' << row[1] << " at " << row[3];
    }
}

TEST(Translations, everyTextHasItsEnglishAndTheFileIsWhatLupdateMakesOfTheCode)
{
    QTemporaryDir dir;
    const QString ts = QStringLiteral(VELDA_TS_FILE), copy = dir.filePath(u"velda_en.ts"_s);
    ASSERT_TRUE(QFile::copy(ts, copy));
    const QStringList sources { u"-silent"_s, u"@"_s + QStringLiteral(VELDA_LUPDATE_SOURCES), u"-ts"_s, copy };
    ASSERT_EQ(
        QProcess::execute(QStringLiteral(VELDA_LUPDATE), QStringLiteral(VELDA_LUPDATE_OPTIONS).split(u' ') + sources),
        0);
    const QByteArray text = testsupport::ReadFile(ts);
    EXPECT_TRUE(testsupport::ReadFile(copy) == text)
        << "translations/velda_en.ts is out of date: cmake --build <build> --target update_translations";
    // Every message has its English (neither unfinished nor empty) with the placeholders of its source.
    const QRegularExpression message(u"<source>([^<]*)</source>\\s*(<extracomment>[^<]*</extracomment>\\s*)?"
                                     "<translation>([^<]+)</translation>"_s);
    auto placeholders = [](const QString& text) {
        QStringList found;
        for (const QRegularExpressionMatch& match : QRegularExpression(u"%\\d+"_s).globalMatch(text))
            found << match.captured();
        found.sort();
        return found;
    };
    int translated = 0;
    for (const QRegularExpressionMatch& match : message.globalMatch(QString::fromUtf8(text))) {
        EXPECT_EQ(placeholders(match.captured(3)), placeholders(match.captured(1))) << match.captured(1).toStdString();
        ++translated;
    }
    EXPECT_EQ(translated, text.count("<message>")) << "a text has no English";
}
