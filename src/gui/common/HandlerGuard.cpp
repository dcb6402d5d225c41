#include "gui/common/HandlerGuard.h"

#include <QString>
#include <exception>

#include "gui/common/Messages.h"

namespace fotoloom {

void ShowCurrentException(QWidget* parent) noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    ShowError(parent, QString::fromUtf8(error.what()));
  } catch (...) {
    ShowError(parent, QStringLiteral("Onbekende fout"));
  }
}

BusyScope::BusyScope(std::function<void(bool)> set_busy) : m_set_busy(std::move(set_busy)) {
  m_set_busy(true);
}

BusyScope::~BusyScope() {
  m_set_busy(false);
}

}  // namespace fotoloom
