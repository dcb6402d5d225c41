// Linked into every window test: the tests see the window in Dutch, as the program shows it.
#include <QCoreApplication>

#include "gui/common/DutchLanguage.h"

namespace {

void StartInDutch() {
  fotoloom::UseDutchLanguage();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartInDutch)
