#pragma once
// One window per user and settings directory. The first start listens on a local socket
// (QLocalServer, in $XDG_RUNTIME_DIR, reachable by its user only) named after the settings
// directory; a later start with the same settings hands its link (or nothing) to it and
// exits, and the running window goes there and comes to the front.
//
// Wire: the later start sends one line (the link, UTF-8, possibly empty) and waits for the
// line "ok" (at most 2 s). A socket file left by a program that died is removed and
// listened on again.
//
// Threads: GUI thread only (the socket's events arrive there).
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class JednaInstancja : public QObject {
 public:
  // The socket's name for the settings directory `katalog`: a full path under
  // $XDG_RUNTIME_DIR (the temporary directory when it is not set).
  static QString NazwaGniazda(const QString& katalog);

  // Hands `link` to a running window of `katalog`; true when one took it (this start
  // should then end), false when none runs.
  static bool PrzekazDzialajacej(const QString& katalog, const QString& link);

  // Listens for later starts; `naLink` gets each one's link (empty: only come to the
  // front). False (and the reason in `blad`) when the socket cannot be made: the window
  // then runs without it.
  bool Sluchaj(const QString& katalog, std::function<void(const QString&)> naLink, QString* blad = nullptr);

 private:
  void Polaczenie();
  std::unique_ptr<QLocalServer> serwer;
  std::function<void(const QString&)> link;
};
