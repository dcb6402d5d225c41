#include "gui/common/Messages.h"

#include "gui/common/MessageBoxDialog.h"

namespace fotoloom {
namespace {

class RealMessageBoxes : public MessagePresenter {
 public:
  MessageAnswer Present(QWidget* parent, const MessageRequest& request) override {
    MessageBoxDialog box(parent, request);
    box.exec();
    return box.Answer();
  }
};

MessagePresenter* g_installed = nullptr;

MessagePresenter& Presenter() {
  static RealMessageBoxes real;
  return g_installed ? *g_installed : real;
}

MessageAnswer Present(QWidget* parent, MessageRequest request) {
  // Message texts write a line break as line feed + carriage return; the box wants one.
  request.text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  return Presenter().Present(parent, request);
}

QString ReplaceFirst(const QString& pattern, QLatin1StringView placeholder, const QString& value) {
  const qsizetype at = pattern.indexOf(placeholder);
  if (at < 0) return pattern;
  return pattern.left(at) + value + pattern.mid(at + placeholder.size());
}

}  // namespace

MessagePresenter* InstallMessagePresenter(MessagePresenter* presenter) {
  MessagePresenter* previous = g_installed;
  g_installed = presenter;
  return previous;
}

QString MessageCaption(MessageType type) {
  switch (type) {
    case MessageType::Warning:
      return QStringLiteral("Waarschuwing");
    case MessageType::Error:
      return QStringLiteral("Foutmelding");
    case MessageType::Information:
      return QStringLiteral("Informatie");
    case MessageType::Confirmation:
      return QStringLiteral("Akkoord");
  }
  return {};
}

MessageAnswer ShowMessage(QWidget* parent, MessageType type, const QString& text,
                          MessageButtons buttons) {
  return Present(parent, {type, MessageCaption(type), text, buttons});
}

void ShowError(QWidget* parent, const QString& message) {
  Present(parent, {MessageType::Error, QStringLiteral("Fotoloom"), ErrorDisplayText(message),
                   MessageButtons::Ok});
}

QString ErrorDisplayText(const QString& message) {
  if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + u'.';
  return message;
}

QString FormatMessage(const QString& pattern, const QString& value) {
  return ReplaceFirst(pattern, QLatin1StringView("%s"), value);
}

QString FormatMessage(const QString& pattern, long long number) {
  return ReplaceFirst(pattern, QLatin1StringView("%d"), QString::number(number));
}

}  // namespace fotoloom
