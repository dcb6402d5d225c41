#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/mail/MailContent.h"

class QWidget;

namespace fotoloom {

// Opens a new message in the desktop's mail program through xdg-email, left for the user
// to send. When xdg-email is missing or fails, a "mailto:" address without attachments goes
// to xdg-open instead; once that has opened it, the user is told so and the first photo's
// folder opens. The window's thread never waits: Finished comes when the programs have
// ended, or after a few seconds when they wait on the mail program itself. Their exit is
// still heard after that: CannotStart comes, after Finished, when neither program could
// open the mail.
class TDesktopMailLauncher : public QObject {
  Q_OBJECT

 public:
  explicit TDesktopMailLauncher(QWidget* window);

  void Open(const TMailContent& content);

 signals:
  void Finished();
  void CannotStart(const fotoloom::TMailContent& content);

 private:
  // Starts `program`; `done` hears once whether it ended with exit status 0.
  void Run(const QString& program, const QStringList& arguments, std::function<void(bool)> done);
  void OpenMailto(int attempt, const TMailContent& content);
  void End(int attempt);

  QWidget* m_window;
  int m_attempt = 0;    // the number of the last Open
  bool m_open = false;  // between the last Open and its Finished
};

}  // namespace fotoloom
