#include "gui/common/MessageBoxDialog.h"

#include <QAbstractButton>
#include <QCloseEvent>

#include "gui/common/WindowPlacement.h"

namespace fotoloom {
namespace {

QMessageBox::Icon IconOf(MessageType type) {
  switch (type) {
    case MessageType::Warning:
      return QMessageBox::Warning;
    case MessageType::Error:
      return QMessageBox::Critical;
    case MessageType::Information:
      return QMessageBox::Information;
    case MessageType::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MessageBoxDialog::MessageBoxDialog(QWidget* parent, const MessageRequest& request)
    : QMessageBox(parent) {
  GiveDialogFrame(this);
  setIcon(IconOf(request.type));
  setWindowTitle(request.caption);
  setText(request.text);
  setTextFormat(Qt::PlainText);
  switch (request.buttons) {
    case MessageButtons::Ok:
      setStandardButtons(QMessageBox::Ok);
      setDefaultButton(QMessageBox::Ok);
      setEscapeButton(QMessageBox::Ok);
      break;
    case MessageButtons::YesNo:
      setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      setDefaultButton(QMessageBox::Yes);
      setEscapeButton(QMessageBox::No);
      break;
    case MessageButtons::YesNoCancel:
      setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      setDefaultButton(QMessageBox::Yes);
      setEscapeButton(QMessageBox::Cancel);
      break;
  }
  const std::pair<StandardButton, const char*> captions[] = {{QMessageBox::Yes, "&Ja"},
                                                             {QMessageBox::No, "&Nee"},
                                                             {QMessageBox::Ok, "OK"},
                                                             {QMessageBox::Cancel, "Annuleren"}};
  for (const auto& [which, caption] : captions) {
    if (QAbstractButton* shown = button(which)) shown->setText(QString::fromUtf8(caption));
  }
}

MessageAnswer MessageBoxDialog::Answer() const {
  switch (standardButton(clickedButton())) {
    case QMessageBox::Ok:
      return MessageAnswer::Ok;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Cancel;
  }
}

void MessageBoxDialog::showEvent(QShowEvent* event) {
  QMessageBox::showEvent(event);
  CentreOnScreen(this);
}

void MessageBoxDialog::closeEvent(QCloseEvent* event) {
  // QMessageBox would press the Escape button here; the title-bar button means Cancel, which
  // leaves no button clicked.
  QDialog::closeEvent(event);
}

}  // namespace fotoloom
