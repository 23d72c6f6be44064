// The language of the texts follows the user's locale, and the catalogue
// that carries the English texts is built into the program.

#include <gtest/gtest.h>

#include <QProcess>

#include "resources/language.h"
#include "resources/strings.h"

using resources::Language;

TEST(LanguageTest, TheLocaleVariablesChooseTheLanguage)
{
    // The probe prints the language a fresh process picks from its environment.
    auto languageUnder = [](const QStringList& variables) {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            env.remove(QString::fromLatin1(name));
        for (const QString& v : variables)
            env.insert(v.section('=', 0, 0), v.section('=', 1));
        probe.setProcessEnvironment(env);
        probe.start(QString::fromLocal8Bit(qgetenv("QUILLON_LANGUAGE_PROBE")), {});
        EXPECT_TRUE(probe.waitForFinished(10000));
        return probe.readAllStandardOutput().trimmed().toStdString();
    };
    // The first Chinese or English preference decides; the others are passed over.
    const std::pair<const char*, QStringList> cases[] = {
        {"Chinese",
         {"LANG=zh_CN.UTF-8", "LANG=C", "LANG=C.UTF-8", "", "LANG=en_US.UTF-8 LC_ALL=zh_CN.UTF-8",
          "LANG=en_US.UTF-8 LANGUAGE=zh_CN:en", "LANG=fr_FR.UTF-8 LANGUAGE=fr_FR:zh_CN", "LANG=zh_TW.UTF-8"}},
        {"English",
         {"LANG=en_US.UTF-8", "LANG=de_DE.UTF-8", "LANG=zh_CN.UTF-8 LC_MESSAGES=en_GB.UTF-8",
          "LANG=en_GB.UTF-8 LANGUAGE=en_GB:zh_CN"}}};
    for (const auto& [language, settings] : cases)
        for (const QString& variables : settings)
            EXPECT_EQ(languageUnder(variables.split(' ', Qt::SkipEmptyParts)), language) << variables.toStdString();
}

TEST(LanguageTest, TheEnglishCatalogueTranslatesTheNumberedTextsAndGoesAgain)
{
    // No Chinese is left under English: the window's language test reads every text.
    const QString chinese = resources::Text(resources::IDS_STOP_BEFORE_EXIT);
    ASSERT_TRUE(resources::InstallTranslations(Language::English));
    // Formats keep their conversions, in order.
    EXPECT_EQ(QString::asprintf(resources::Text(resources::IDS_FORMAT_MONO).toUtf8().constData(), 44100, 16),
              "44100 Hz 16-bit mono");
    // Links are the same in every language.
    EXPECT_EQ(resources::Text(resources::StringId(resources::IDS_FIRST_TIP + 19)), "https://quillon.example.com/");
    resources::InstallTranslations(Language::Chinese);
    EXPECT_EQ(resources::Text(resources::IDS_STOP_BEFORE_EXIT), chinese);
}
