#include "forms/App.h"

#include <QCoreApplication>

namespace forms {

QString App::Path() { return QCoreApplication::applicationDirPath(); }

QString App::Title() { return QCoreApplication::applicationName(); }

}  // namespace forms
