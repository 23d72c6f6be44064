// The string table: lookup by id, line breaks and formats kept as shown. The
// language of the texts follows the user's locale, and the catalogue that
// carries the English texts is built into the program.

#include <gtest/gtest.h>

#include <QProcess>

#include "resources/language.h"
#include "resources/strings.h"

using resources::Language;

TEST(LanguageTest, TheLocaleChoosesTheLanguageKnownIdsGiveTheirTextAndTheEnglishCatalogueTranslatesThem)
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

    // The string table: known ids give their text, unknown ids nothing.
    EXPECT_EQ(resources::Text(resources::IDS_STOP_BEFORE_EXIT), QString::fromUtf8("退出之前请先停止录音/播放。"));
    for (int unknown : {0, 379, -5})  // 379: a gap in the numbering
        EXPECT_TRUE(resources::Text(resources::StringId(unknown)).isEmpty()) << unknown;

    // Escapes are real line breaks, and the readouts format as the window shows them.
    const QString length = resources::Text(resources::IDS_LENGTH_READOUT);
    EXPECT_EQ(length.count('\n'), 2);
    EXPECT_EQ(QString::asprintf(length.toUtf8().constData(), 1, 1, 2), QString::fromUtf8("\n长度:\n001:01.2"));
    EXPECT_TRUE(resources::Text(resources::IDS_PLAYLIST_EMPTY).contains('\n'));

    // Ten tips, each followed by its link.
    for (int tip = 0; tip < 10; ++tip) {
        const int id = resources::IDS_FIRST_TIP + 2 * tip;
        EXPECT_FALSE(resources::Text(resources::StringId(id)).isEmpty()) << id;
        EXPECT_TRUE(resources::Text(resources::StringId(id + 1)).startsWith("https://")) << id + 1;
    }
    // Our own messages for recordings and playback that had to stop.
    for (resources::StringId id :
         {resources::IDS_RECORD_WRITE_FAILED, resources::IDS_RECORD_SIZE_LIMIT, resources::IDS_RECORD_DEVICE_LOST,
          resources::IDS_PLAYBACK_READ_FAILED, resources::IDS_PLAYBACK_DEVICE_LOST, resources::IDS_RECORD_AUDIO_LOST,
          resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, resources::IDS_CAPTURE_DEVICE_MOVED})
        EXPECT_FALSE(resources::Text(id).isEmpty()) << id;

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
