#pragma once

#include <QString>

class QWidget;

namespace fotoloom {

enum class MessageType { Warning, Error, Information, Confirmation };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
// Cancel is also the answer when the box is closed with its title-bar button.
enum class MessageAnswer { Ok, Yes, No, Cancel };

// One message box as the user sees it.
struct MessageRequest {
  MessageType type;
  QString caption;
  QString text;
  MessageButtons buttons;
};

// Shows the message boxes of the whole program. The program shows real boxes; a test
// installs one that answers from a script and records what was asked.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual MessageAnswer Present(QWidget* parent, const MessageRequest& request) = 0;
};

// Makes `presenter` show every message box from now on (nullptr: real boxes again) and
// returns the one it replaces.
MessagePresenter* InstallMessagePresenter(MessagePresenter* presenter);

QString MessageCaption(MessageType type);

// A modal message box with the caption of its type; returns the button pressed.
MessageAnswer ShowMessage(QWidget* parent, MessageType type, const QString& text,
                          MessageButtons buttons);

// The general error display: caption "Fotoloom", error icon, one OK button.
void ShowError(QWidget* parent, const QString& message);

// The text the general error display shows: a "." is appended when the last character
// sorts after "." (a letter or a digit, not "!" or a blank).
QString ErrorDisplayText(const QString& message);

// Puts the value in place of the first "%s", the number in place of the first "%d".
QString FormatMessage(const QString& pattern, const QString& value);
QString FormatMessage(const QString& pattern, long long number);

}  // namespace fotoloom
