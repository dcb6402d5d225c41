#include "gui/window/SingleInstance.h"

#include <unistd.h>

#include <QDataStream>
#include <QStringList>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <utility>

namespace fotoloom {
namespace {

constexpr int kConnectMs = 1000;
// Long enough for a window that is busy with a question to turn its event loop.
constexpr int kAnswerMs = 5000;
// A list of paths is small; more than this is not a later start of ours.
constexpr qint64 kMaxMessageBytes = 16 * 1024 * 1024;
constexpr char kTaken = '1';

}  // namespace

QString TSingleInstance::DefaultServerName() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return QDir(folder).filePath(QStringLiteral("fotoloom-%1").arg(::getuid()));
}

TSingleInstance::TSingleInstance(QString server_name, QObject* parent)
    : QObject(parent), m_name(std::move(server_name)) {
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&m_server, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
}

bool TSingleInstance::HandOver(const QStringList& paths) {
  QLocalSocket socket;
  socket.connectToServer(m_name);
  if (!socket.waitForConnected(kConnectMs)) return false;
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << paths;
  socket.write(message);
  if (!socket.waitForBytesWritten(kAnswerMs)) return false;
  while (socket.bytesAvailable() == 0) {
    if (!socket.waitForReadyRead(kAnswerMs)) return false;
  }
  char answer = 0;
  return socket.getChar(&answer) && answer == kTaken;
}

bool TSingleInstance::Listen() {
  // Listening with access options replaces whatever file holds the name, so a live server
  // is looked for first; only a socket that nobody answers on is removed.
  QLocalSocket probe;
  probe.connectToServer(m_name);
  if (probe.waitForConnected(kConnectMs)) return false;
  QLocalServer::removeServer(m_name);
  return m_server.listen(m_name);
}

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = m_server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    if (socket->bytesAvailable() > 0) Read(socket);
  }
}

void TSingleInstance::Read(QLocalSocket* socket) {
  if (socket->bytesAvailable() > kMaxMessageBytes) {
    socket->abort();
    return;
  }
  QDataStream stream(socket);
  stream.startTransaction();
  QStringList paths;
  stream >> paths;
  if (!stream.commitTransaction()) return;  // the rest is still on its way
  socket->putChar(kTaken);
  socket->disconnectFromServer();
  emit FilesReceived(paths);
}

}  // namespace fotoloom
