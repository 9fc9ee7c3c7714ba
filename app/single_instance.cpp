#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QLocalSocket>

namespace sw {

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::DefaultName() { return QStringLiteral("Slimwright10-%1").arg(::getuid()); }

bool SingleInstance::Claim() {
  // Two starts at once (a double click twice) must not both find the name
  // free: the look and the claim happen under one lock.
  QLockFile lock(QDir(QDir::tempPath()).filePath(name_ + ".lock"));
  lock.setStaleLockTime(10000);
  lock.tryLock(5000);  // without the lock, go on rather than refuse to start
  {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(500)) {
      probe.write("activate");
      probe.flush();
      probe.waitForBytesWritten(1000);
      probe.disconnectFromServer();
      return false;
    }
  }
  if (beforeTaking) beforeTaking();
  // Nobody answers: a socket file left by a crashed instance may remain.
  QLocalServer::removeServer(name_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) return true;  // run anyway rather than refuse to start
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      connect(s, &QLocalSocket::readyRead, this, [this, s] {
        if (s->readAll().contains("activate")) Q_EMIT activateRequested();
      });
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    }
  });
  return true;
}

}  // namespace sw
