#include "skin/translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

// Q_INIT_RESOURCE must be used outside any namespace; a static library drops the resource
// object unless something refers to it.
static void RegisterTranslationResources() { Q_INIT_RESOURCE(velantor_translations); }

namespace velantor::skin {

QString Tr(const std::string& text) { return QCoreApplication::translate(kTranslationContext, text.c_str()); }

bool WantsEnglish(const std::string& forced, const QStringList& uiLanguages) {
  if (!forced.empty()) return forced == "en";
  for (const QString& language : uiLanguages) {
    if (language.startsWith("zh", Qt::CaseInsensitive)) return false;
    if (language.startsWith("en", Qt::CaseInsensitive)) return true;
  }
  return true;
}

std::unique_ptr<QTranslator> InstallTranslation(const std::string& forced) {
  if (!WantsEnglish(forced, QLocale::system().uiLanguages())) return nullptr;
  static const bool registered = [] {
    RegisterTranslationResources();
    return true;
  }();
  (void)registered;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(kEnglishTranslation) || !QCoreApplication::installTranslator(translator.get())) {
    std::fprintf(stderr, "velantor: the English translation could not be loaded; showing the original texts\n");
    return nullptr;
  }
  return translator;
}

}  // namespace velantor::skin
