#pragma once
// The archive server's readiness loop: one listening TCP socket, every client connection
// (Klient) on it and the pings, all on one thread with epoll. Players (whose audio and
// exports read the archive) wait in an epoll of their own, served a few milliseconds a turn
// after the light work (new connections, station queries, first lines, the archive
// threads' findings), so that no number of players delays a station query. The periodic look at each
// station's archive (file system work and indexing, which may take long) runs on that
// station's own archive thread beside it, which hands what it found to the loop, so that
// no station's look waits for another's. One more thread, at the lowest priority, analyses
// the stations' silences (Stacja::AnalizujCisze), which the archive threads then take into
// the events. A client's failure or slowness closes only its own connection.
//
// Uruchom runs on the loop thread and starts and joins the archive threads; Zatrzymaj may
// be called from any thread (and from a signal handler): it only writes to an eventfd. The
// threads share `odczyty` and `koniec` under `mutex` (the loop is woken through the
// `odczytano` eventfd, the archive threads through `cv`; their indexing also reads
// `koniec` without the lock, to stop part way through a file) and the stations' Archive
// (guarded by itself). WejscieRazem and OdrzuconeBezDeskryptorow may be read from any
// thread.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "core/UnikalnyDeskryptor.h"
#include "net/BudzetWejscia.h"
#include "net/Klient.h"
#include "net/Stacja.h"

class SygnalyKonca;

namespace serwer {

class Serwer {
 public:
  struct Ustawienia {
    String host = "0.0.0.0";
    int port = 12540;  // 0: any free port (see Port())
    Roznica odswiezCo = Roznica::Sekunda;
    // Connections served at once. When a new one comes at the limit, the oldest connection
    // that has not become a player (a station query, or one without a whole first line)
    // gives way to it, so that a player can always connect; with none such, the new one is
    // closed.
    int maksKlientow = 10000;
    // Connections one peer address may hold at once (IPv6: one /64 network); more from it
    // are closed at once, so that no single peer takes every connection.
    int polaczenZAdresu = 500;
    // The load balancers' addresses, as KonfiguracjaSerwera::proxy states them: their
    // connections must begin with the PROXY header (version 2), whose peer address then
    // stands for the connection's in the per-address limit and the input pool. The header
    // is never looked for on other connections.
    std::vector<String> proxy;
    // The pool of bytes of unfinished packets beyond what a command needs
    // (klient.limitPakietu, each connection's own), shared fairly by peer address: when it
    // would be passed, the address that holds the most of it loses its largest (see
    // BudzetWejscia).
    int64_t limitWejsciaRazem = 64 * 1024 * 1024;
    // Called on the loop thread at each tick of the loop (about ten times a second) while
    // it turns: what tells a watchdog that the loop is alive. None when empty.
    std::function<void()> takt;
    // klient.metryki, when set, also learns from the loop each station's first look and
    // from the archive threads the end of each look.
    Klient::Ustawienia klient;
  };

  // Takes the stations. Reads nothing: the archive threads look at them first thing once
  // Uruchom runs, so that the server listens at once however long indexing takes.
  Serwer(std::vector<std::unique_ptr<Stacja>> stacje, const Ustawienia& u);
  ~Serwer();
  Serwer(const Serwer&) = delete;
  Serwer& operator=(const Serwer&) = delete;

  // Binds and listens; raises with the system's error text when it cannot.
  void Otworz();
  // The port bound by Otworz.
  int Port() const { return port; }
  // The bytes of unfinished packets all connections hold now, as BudzetWejscia::Razem
  // counts them; read from any thread.
  int64_t WejscieRazem() const { return wejscieRazem.load(std::memory_order_relaxed); }
  // The connections taken and closed at once for want of descriptors so far; read from any
  // thread.
  int64_t OdrzuconeBezDeskryptorow() const { return odrzuconeBezDeskryptorow.load(std::memory_order_relaxed); }
  // Serves until Zatrzymaj or, when `sygnaly` are given, until one of them comes.
  void Uruchom(SygnalyKonca* sygnaly = nullptr);
  void Zatrzymaj();

 private:
  struct Polaczenie {
    UnikalnyDeskryptor fd;
    std::unique_ptr<Klient> klient;
    bool czekaNaZapis = false;
    String adres;  // the peer's address as polaczeniaZAdresu and the budget count it
    int64_t trzymane;  // klient->Trzymane() as counted in the budget
    uint64_t przyjete;  // the order of accepting: the key in `niegracze` until a player
    bool wGraczach = false;  // registered in `epollGraczy` rather than `epoll`
    bool odebrano = false;  // a byte has come
    // From a balancer, until its PROXY header is whole: the header's bytes so far. The
    // connection counts under the balancer's address until then.
    bool czekaNaProxy = false;
    String naglowek = String();
  };

  void Przyjmij();
  // At the connection limit: the oldest connection that is no player yet is closed; false
  // when every connection is a player.
  bool ZrobMiejsce();
  // One readiness event of connection fd: reads, then writes unless the connection has
  // just become a player (it is then written in the players' turn).
  void Obsluz(int fd, uint32_t zdarzenia);
  // The players' turn: their events, until `doKiedy` or none is left ready.
  void ObsluzGraczy(Czas doKiedy);
  // p has said "player\n": it moves to `epollGraczy`, waiting to be written.
  void DoGraczy(Polaczenie& p);
  void Czytaj(Polaczenie& p);
  // Takes the PROXY header of a balancer's connection p from the bytes just read: moves p
  // to the peer's address once the header is whole and leaves in dane/ile the client's
  // bytes after it. False when p was closed (a bad header, a LOCAL one, the peer's address
  // over its limit) or the header is not whole yet: nothing is left for the client.
  bool PrzyjmijNaglowekProxy(Polaczenie& p, const char*& dane, size_t& ile);
  void Pisz(Polaczenie& p);
  // The epoll that watches p.
  int EpollDla(const Polaczenie& p) const { return p.wGraczach ? epollGraczy.Get() : epoll.Get(); }
  // Closes fd with a log line saying `powod`; with an empty `powod` without one (a health
  // check, a connection that sent nothing).
  void Zamknij(int fd, const String& powod);
  // Takes the listening socket out of the loop (true) or puts it back.
  void WstrzymajNasluch(bool wstrzymaj);
  // An archive thread's body: a look at station s each odswiezCo until `koniec`.
  void Archiwista(Stacja& s);
  // The analysis thread's body: a step of each station's silence analysis, again at once
  // while any has more to do, else after odswiezCo, until `koniec`.
  void Analityk();
  // On the loop thread: applies what the archive threads found and tells the clients.
  void Odswiez();

  std::vector<std::unique_ptr<Stacja>> stacje;
  Ustawienia u;
  UnikalnyDeskryptor nasluch;
  UnikalnyDeskryptor epoll;
  UnikalnyDeskryptor epollGraczy;  // the players' connections; itself watched by `epoll`
  UnikalnyDeskryptor budzik;     // eventfd: Zatrzymaj was called
  UnikalnyDeskryptor odczytano;  // eventfd: an archive thread queued an Odczyt
  UnikalnyDeskryptor zapasowy;   // held in reserve to refuse connections when descriptors run out
  std::atomic<int64_t> odrzuconeBezDeskryptorow = 0;
  int64_t odrzuconeNadmiarowe = 0;
  int64_t ustapilyNowym = 0;
  uint64_t przyjetych = 0;
  // The connections that are no players yet, oldest first: descriptors by `przyjete`.
  std::map<uint64_t, int> niegracze;
  int64_t odrzuconeZAdresu = 0;
  int64_t zlychNaglowkowProxy = 0;
  int64_t zerwanePrzezWejscie = 0;
  std::map<String, int> polaczeniaZAdresu;
  BudzetWejscia budzet;
  // budzet.Razem() for other threads; written by the loop thread only.
  std::atomic<int64_t> wejscieRazem = 0;
  bool nasluchWstrzymany = false;
  // Connections ended since the heap was last given back to the system (at most once a
  // second, on the tick): what they held must not stay with the process.
  int zamknieteOdOddania = 0;
  // The connections the current tick has yet to visit, the next at the back.
  std::vector<int> obejscie;
  Czas oddanoPamiec;
  int port = 0;

  std::mutex mutex;
  std::condition_variable cv;
  // Set, under `mutex`, when the loop ends: the archive threads leave, abandoning a look
  // each is in the middle of.
  std::atomic<bool> koniec = false;
  std::vector<std::pair<Stacja*, Stacja::Odczyt>> odczyty;
  std::map<int, Polaczenie> polaczenia;  // by descriptor
};

}  // namespace serwer
