#pragma once
// The language of the window's texts. The texts are written in Simplified
// Chinese; an English catalogue translates them for everyone else.

#include <QStringList>

namespace resources {

enum class Language { Chinese, English };

// The language for a user who prefers `uiLanguages` (most preferred first,
// as QLocale::uiLanguages() lists them): the first Chinese or English entry
// decides; the C and POSIX locales keep the texts as written (Chinese), and a
// list of languages we have no catalogue for gets English.
Language LanguageFor(const QStringList& uiLanguages);

// LanguageFor() the desktop's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
Language SystemLanguage();

// Puts the program's and Qt's own catalogues for `language` in place of any
// installed before, so that windows built afterwards read in it. False when
// a catalogue it needs is missing (the texts then stay as written).
bool InstallTranslations(Language language);

}  // namespace resources
