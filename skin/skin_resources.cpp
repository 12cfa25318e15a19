#include "skin/skin_resources.h"

#include <QDir>
#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterVelantorResources() { Q_INIT_RESOURCE(resources); }

namespace velantor::skin {

void InitResources() {
  static const bool registered = [] {
    RegisterVelantorResources();
    return true;
  }();
  (void)registered;
}

QStringList IconPaths() {
  InitResources();
  QStringList paths;
  const QDir dir(":/icons");
  for (const QString& name : dir.entryList({"*.svg"}, QDir::Files, QDir::Name)) {
    paths << dir.filePath(name);
  }
  return paths;
}

}  // namespace velantor::skin
