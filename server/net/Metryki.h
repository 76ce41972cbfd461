#pragma once
// What the archive server counts for its operators, and its text in the Prometheus
// exposition format (version 0.0.4), as the HTTP endpoint /metrics serves it.
//
// Threads: the loop thread counts what the clients do (players, audio bytes, seeks,
// exports, late answers) and the first look at each station; each station's archive
// thread counts its look (the time of the last index); the HTTP threads read (Tekst,
// Gotowy). Every counter is an atomic, and the set of stations is fixed at construction,
// so that nothing is locked and no station is queried: a scrape costs the server no wait.
// The files of each archive and the live silence are read from the Archive and the
// CiszaStacji, which guard themselves.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/String.h"

namespace serwer {

class Stacja;

class Metryki {
 public:
  // The stations must outlive this object; their set never changes. Constructed before
  // the loop runs (it reads whether each station was looked at).
  explicit Metryki(const std::vector<std::unique_ptr<Stacja>>& stacje);
  Metryki(const Metryki&) = delete;
  Metryki& operator=(const Metryki&) = delete;

  // On the loop thread. A connection became a player, or a player's connection ended.
  void Gracz(int zmiana);
  // A player moved from station `z` to station `na` (either null: none).
  void GraczNaStacji(const Stacja* z, const Stacja* na);
  void WyslanoAudio(size_t bajty);
  void Przewinieto();
  void EksportZaczety();
  // An export ended: `caly` when every interval was sent, not when it was cut short.
  void EksportSkonczony(bool caly);
  // The audio asked for by a seek or "play" came later than Klient::Ustawienia::spoznienie.
  void Spoznione();
  // The first look at s was applied: the clients know what it holds.
  void Sprawdzona(const Stacja& s);
  // On s's archive thread: a look at its archive ended now (by the wall clock).
  void Zindeksowano(const Stacja& s);

  // Whether the first look at every station is done: /health says 200, else 503.
  bool Gotowy() const { return niesprawdzone.load(std::memory_order_acquire) == 0; }
  int Gracze() const { return gracze.load(std::memory_order_relaxed); }
  // The whole exposition, ending with a newline; from any thread.
  String Tekst() const;

  // A label value as the exposition format writes it between quotes: backslash, double
  // quote and line feed escaped, the rest (UTF-8) as it is.
  static String Etykieta(const String& wartosc);

 private:
  struct NaStacji {
    Stacja* stacja;
    std::atomic<int> gracze = 0;
    std::atomic<bool> sprawdzona = false;
    // Seconds since the epoch of the last look's end; 0 before the first.
    std::atomic<double> zindeksowano = 0;
  };
  NaStacji* Dla(const Stacja* s) const;

  std::vector<std::unique_ptr<NaStacji>> stacje;  // in the server's order
  std::map<const Stacja*, NaStacji*> wedlugStacji;  // fixed at construction
  std::atomic<int> niesprawdzone;
  std::atomic<int> gracze = 0;
  std::atomic<uint64_t> bajtyAudio = 0;
  std::atomic<uint64_t> przewiniecia = 0;
  std::atomic<int> eksportyTrwajace = 0;
  std::atomic<uint64_t> eksportyCale = 0;
  std::atomic<uint64_t> spoznione = 0;
};

}  // namespace serwer
