// The panel's language. The core keeps the system's own texts (some of them Chinese: the switching
// effects, the serial-port reminder, the log captions); the views show them through Tr, which
// gives their English translation when it is loaded and the text itself otherwise.
#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <string>

namespace velantor::skin {

// The one translation context of the program's texts (the <context> name in velantor_en.ts).
inline constexpr const char* kTranslationContext = "velantor";
// Where the compiled English translation lives among the program's resources.
inline constexpr const char* kEnglishTranslation = ":/i18n/velantor_en.qm";

// A core text as the user sees it: translated when a translation of it is loaded.
QString Tr(const std::string& text);

// Whether the English translation is wanted: `forced` is "en" or "zh" from --lang, empty to follow
// the user's languages (QLocale's uiLanguages: LANGUAGE, then LC_ALL / LC_MESSAGES / LANG).
// The first of those that is English or Chinese decides; any other language gets English, which
// the rest of the interface is written in.
bool WantsEnglish(const std::string& forced, const QStringList& uiLanguages);

// Installs the English translation into the running application when WantsEnglish says so.
// Returns the installed translator (it uninstalls itself when destroyed), or nullptr when the
// originals are wanted or the translation cannot be loaded (then the originals show).
std::unique_ptr<QTranslator> InstallTranslation(const std::string& forced);

}  // namespace velantor::skin
