#pragma once
// The archive server's readiness loop: one listening TCP socket, every client connection
// (Klient) on it, the periodic look at each station's archive and the pings, all on one
// thread with epoll. A client's failure or slowness closes only its own connection.
//
// Uruchom runs on the loop thread; Zatrzymaj may be called from any thread (and from a
// signal handler): it only writes to an eventfd.
#include <map>
#include <memory>
#include <vector>

#include "Klient.h"
#include "Roznica.h"
#include "Stacja.h"
#include "String.h"

class Serwer {
 public:
  struct Ustawienia {
    String host = "0.0.0.0";
    int port = 12540;  // 0: any free port (see Port())
    Roznica odswiezCo = Roznica::Sekunda;
    int maksKlientow = 1000;
    Klient::Ustawienia klient;
  };

  // Takes the stations; they are refreshed once here so that the first clients see them.
  Serwer(std::vector<std::unique_ptr<Stacja>> stacje, const Ustawienia& u);
  ~Serwer();
  Serwer(const Serwer&) = delete;
  Serwer& operator=(const Serwer&) = delete;

  // Binds and listens; raises with the system's error text when it cannot.
  void Otworz();
  // The port bound by Otworz.
  int Port() const { return port; }
  // Serves until Zatrzymaj.
  void Uruchom();
  void Zatrzymaj();

 private:
  struct Polaczenie {
    int fd;
    std::unique_ptr<Klient> klient;
    bool czekaNaZapis = false;
  };

  void Przyjmij();
  void Czytaj(Polaczenie& p);
  void Pisz(Polaczenie& p);
  void Zamknij(int fd, const String& powod);
  void Odswiez();

  std::vector<std::unique_ptr<Stacja>> stacje;
  Ustawienia u;
  int nasluch = -1;
  int epoll = -1;
  int budzik = -1;
  int port = 0;
  std::map<int, Polaczenie> polaczenia;
};
