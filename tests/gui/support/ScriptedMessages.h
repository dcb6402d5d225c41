#pragma once

#include <QList>

#include "gui/common/Messages.h"

namespace fotoloom::test {

// While it lives, every message box is answered from its script instead of being shown,
// and what was asked is recorded. A box beyond the script counts as closed with its
// title-bar button (Cancel).
class ScriptedMessages : public MessagePresenter {
 public:
  explicit ScriptedMessages(QList<MessageAnswer> answers = {})
      : m_answers(std::move(answers)), m_previous(InstallMessagePresenter(this)) {}
  ~ScriptedMessages() override { InstallMessagePresenter(m_previous); }
  ScriptedMessages(const ScriptedMessages&) = delete;
  ScriptedMessages& operator=(const ScriptedMessages&) = delete;

  MessageAnswer Present(QWidget* owner, const MessageRequest& request) override {
    asked.append(request);
    owners.append(owner);
    return m_answers.isEmpty() ? MessageAnswer::Cancel : m_answers.takeFirst();
  }

  QList<MessageRequest> asked;
  QList<QWidget*> owners;  // the window each message stood before

 private:
  QList<MessageAnswer> m_answers;
  MessagePresenter* m_previous;
};

}  // namespace fotoloom::test
