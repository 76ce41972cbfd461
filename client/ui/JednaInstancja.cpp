#include "ui/JednaInstancja.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <unistd.h>

namespace {

constexpr int kCzekanieMs = 2000;
constexpr qint64 kNajdluzszaLinia = 64 * 1024;

}  // namespace

QString JednaInstancja::NazwaGniazda(const QString& katalog) {
  QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
  const QByteArray skrot =
      QCryptographicHash::hash(QDir(katalog).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return dir + "/KorwendoGra-" + QString::number(::getuid()) + "-" + QString::fromLatin1(skrot);
}

bool JednaInstancja::PrzekazDzialajacej(const QString& katalog, const QString& link) {
  QLocalSocket s;
  s.connectToServer(NazwaGniazda(katalog));
  if (!s.waitForConnected(kCzekanieMs)) return false;
  QByteArray linia = link.toUtf8();
  linia.replace('\n', ' ');
  s.write(linia + "\n");
  if (!s.waitForBytesWritten(kCzekanieMs)) return false;
  while (!s.canReadLine()) {
    if (!s.waitForReadyRead(kCzekanieMs)) return false;
  }
  return s.readLine().trimmed() == "ok";
}

bool JednaInstancja::Sluchaj(const QString& katalog, std::function<void(const QString&)> naLink, QString* blad) {
  link = std::move(naLink);
  serwer = std::make_unique<QLocalServer>();
  serwer->setSocketOptions(QLocalServer::UserAccessOption);
  const QString nazwa = NazwaGniazda(katalog);
  if (!serwer->listen(nazwa)) {
    // Nobody answered on it (the caller asked first): a file left by a program that died.
    QLocalServer::removeServer(nazwa);
    if (!serwer->listen(nazwa)) {
      if (blad != nullptr) *blad = serwer->errorString();
      serwer.reset();
      return false;
    }
  }
  connect(serwer.get(), &QLocalServer::newConnection, this, [this] { Polaczenie(); });
  return true;
}

void JednaInstancja::Polaczenie() {
  while (QLocalSocket* s = serwer->nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    connect(s, &QLocalSocket::readyRead, this, [this, s] {
      if (!s->canReadLine()) {
        if (s->bytesAvailable() > kNajdluzszaLinia) s->abort();
        return;
      }
      const QString l = QString::fromUtf8(s->readLine(kNajdluzszaLinia)).trimmed();
      s->write("ok\n");
      s->flush();
      s->disconnectFromServer();
      if (link) link(l);
    });
  }
}
