#include "resources/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace resources {
namespace {

// Installed catalogues, replaced as a whole when the language changes.
std::unique_ptr<QTranslator> g_program;
std::unique_ptr<QTranslator> g_qt;

std::unique_ptr<QTranslator> Load(const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace

Language LanguageFor(const QStringList& uiLanguages)
{
    for (const QString& entry : uiLanguages) {
        const QString language = entry.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (language.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0 || language == QLatin1String("C") ||
            language == QLatin1String("POSIX"))
            return Language::Chinese;
        if (language.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
            return Language::English;
    }
    return Language::English;
}

Language SystemLanguage()
{
    // Qt reports the C locale as "C" among the ui languages only when no
    // variable names a language; the locale's own name tells it for sure.
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return LanguageFor({QStringLiteral("C")});
    return LanguageFor(system.uiLanguages());
}

bool InstallTranslations(Language language)
{
    g_program.reset();
    g_qt.reset();
    if (language == Language::Chinese) {
        // The window's own texts are Chinese already; Qt's buttons and file
        // dialogs need theirs.
        g_qt = Load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        return g_qt != nullptr;
    }
    // Qt's own texts are English as they stand.
    g_program = Load(QStringLiteral("quillon_en"), QStringLiteral(":/translations"));
    return g_program != nullptr;
}

}  // namespace resources
