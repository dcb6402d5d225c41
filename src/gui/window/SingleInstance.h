#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalSocket;

namespace fotoloom {

// One window per user: a later start hands its files to the running program over a local
// socket and ends, and the running program takes them as if they were dropped on it.
class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // The socket of this user's Fotoloom, in the user's runtime folder (XDG_RUNTIME_DIR, which
  // only the user can enter) and named with the user id.
  static QString DefaultServerName();

  explicit TSingleInstance(QString server_name, QObject* parent = nullptr);

  // Sends `paths` to a running Fotoloom; true once it has taken them. False when none
  // answers in time, and the caller goes on as the first start.
  bool HandOver(const QStringList& paths);
  // Starts answering later starts. A socket left behind by a crashed start (one that nobody
  // listens on) is removed and taken over; false when another program holds the name.
  bool Listen();

 signals:
  // A later start handed these paths over.
  void FilesReceived(const QStringList& paths);

 private:
  void Accept();
  void Read(QLocalSocket* socket);

  QString m_name;
  QLocalServer m_server;
};

}  // namespace fotoloom
