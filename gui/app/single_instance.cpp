#include "gui/app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

#include "gui/base/text.h"

namespace varnelo::gui {
namespace {

constexpr int kWaitMs = 2000;
const QByteArray kRaise = "raise\n";
// A client that sends more than this is not one of ours.
constexpr qint64 kMaxRequest = 64;

}  // namespace

TSingleInstance::TSingleInstance(const std::filesystem::path& home, QObject* parent)
    : QObject(parent), name_(ServerName(home)) {}

QString TSingleInstance::ServerName(const std::filesystem::path& home) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(home, error);
  if (error) canonical = home.lexically_normal();
  const QByteArray digest =
      QCryptographicHash::hash(PathToQ(canonical).toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return QString("varnelo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool TSingleInstance::AskRunningInstanceToRaise() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(kRaise);
  socket.waitForBytesWritten(kWaitMs);
  socket.disconnectFromServer();
  return true;
}

bool TSingleInstance::Listen() {
  server_ = std::make_unique<QLocalServer>();
  // Only this user may knock.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_.get(), &QLocalServer::newConnection, this, &TSingleInstance::TakeConnection);
  if (server_->listen(name_)) return true;
  // A socket left behind by a program that crashed: nobody answered on it, so it can go.
  QLocalServer::removeServer(name_);
  return server_->listen(name_);
}

void TSingleInstance::TakeConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->bytesAvailable() > kMaxRequest) {
        socket->abort();
        return;
      }
      if (!socket->canReadLine()) return;
      if (socket->readLine(kMaxRequest) == kRaise) Q_EMIT RaiseRequested();
      socket->disconnectFromServer();
    });
  }
}

}  // namespace varnelo::gui
