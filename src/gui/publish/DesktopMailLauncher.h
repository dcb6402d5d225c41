#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "core/mail/MailContent.h"

class QProcess;
class QWidget;

namespace fotoloom {

// Opens a new message in the desktop's mail program through xdg-email, left for the user
// to send. When xdg-email is missing or fails, a "mailto:" address without attachments goes
// to the desktop's handler instead, the user is told so and the photos' folder opens. The
// window's thread never waits: Finished comes when xdg-email has ended, or after a few
// seconds when it waits on the mail program itself.
class TDesktopMailLauncher : public QObject {
  Q_OBJECT

 public:
  explicit TDesktopMailLauncher(QWidget* window);

  void Open(const TMailContent& content, const QString& photo_folder);

 signals:
  void Finished();

 private:
  void FallBack();
  void End();

  QWidget* m_window;
  TMailContent m_content;
  QString m_photo_folder;
  QPointer<QProcess> m_process;
  bool m_open = false;  // between Open and Finished
};

}  // namespace fotoloom
