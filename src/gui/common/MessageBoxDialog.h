#pragma once

#include <QMessageBox>

#include "gui/common/Messages.h"

namespace fotoloom {

// A real message box with Dutch buttons: Enter presses OK when offered, else Yes; Escape
// presses Cancel when offered, else No, else OK; the title-bar button answers Cancel.
class MessageBoxDialog : public QMessageBox {
  Q_OBJECT

 public:
  MessageBoxDialog(QWidget* parent, const MessageRequest& request);

  // The button pressed; Cancel when the box was closed with its title-bar button.
  MessageAnswer Answer() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace fotoloom
