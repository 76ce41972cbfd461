#pragma once
// One client connection of the archive server, without its socket: it takes the bytes
// the client sent, answers with whole packets queued for sending, and streams audio and
// exports as the client's budget and the queue allow. The first raw line decides what the
// connection is: "listabaz\n" (the station list, then close) or "player\n" (a player).
//
// Whatever the client sends costs at most this connection: a malformed packet, an
// oversized one or an overfull output queue makes Zamknij() true, and the server drops it.
//
// Every `teraz` is a monotonic clock: only differences of it are ever taken.
//
// Owned and used by the server's loop thread only.
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "archive/ArchiveReader.h"
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"
#include "net/Stacja.h"
#include "transport/Paczka2.h"

namespace serwer {

class Metryki;

class Klient {
 public:
  struct Ustawienia {
    // Audio granted by "play", a seek or a station change, and added by each
    // "wyslijsztukeaudia"; never more than zapasMaks outstanding.
    Roznica zapasPoczatkowy = Roznica::Sekunda * 10;
    Roznica zapasNaProsbe = Roznica::Sekunda * 10;
    Roznica zapasMaks = Roznica::Sekunda * 30;
    // Beyond the grants, audio follows the pace of playing this far ahead of what the
    // client has played since the last seek (by the wall clock): a client asks for more
    // only when audio arrives while it holds under 3 s, so audio must keep arriving while
    // it plays. More than that 3 s, so that a client that keeps up never needs to ask.
    Roznica wyprzedzenie = Roznica::Sekunda * 5;
    // The first packet after a seek is short so that it leaves at once; later ones longer.
    Roznica pierwszyPakiet = Roznica::Milisekunda * 250;
    Roznica pakiet = Roznica::Sekunda;
    // Audio and export bytes queued before more are read from the archive.
    size_t limitAudio = 256 * 1024;
    // Of them, export bytes: an export reads ahead of its reader no more than this, in
    // packets of at most half of it, so that many slow exporters hold little each (the
    // socket's own buffer keeps a fast one busy).
    size_t limitEksportuWKolejce = 64 * 1024;
    // The audio an export packet holds at most (within half the limit above): an export
    // reads the archive and writes its file in pieces this long, where playing wants short
    // ones.
    Roznica pakietEksportu = Roznica::Sekunda * 4;
    // Bytes queued in all; a client that lets more pile up is dropped.
    size_t limitWyjscia = 8 * 1024 * 1024;
    // Received bytes of one unfinished packet; more drops the client. Commands are a few
    // dozen bytes; only an export request ("Przedzialy") is large: 16 bytes an interval,
    // so 1 MiB holds some 65,000 intervals.
    int limitPakietu = 16 * 1024;
    int limitEksportu = 1024 * 1024;
    Roznica pingCo = Roznica::Sekunda * 15;
    Roznica pingLimit = Roznica::Sekunda * 60;
    // How long a connection may stay before its first line.
    Roznica powitanieLimit = Roznica::Sekunda * 10;
    // Audio asked for by a seek, a station or "play" whose first packet is queued later
    // than this is counted late (the archive or the loop did not keep up).
    Roznica spoznienie = Roznica::Milisekunda * 500;
    // Where the connection counts what it does (on the loop thread); none when null. Must
    // outlive the client.
    Metryki* metryki = nullptr;
  };

  // The stations must outlive the client.
  Klient(std::vector<std::unique_ptr<Stacja>>& stacje, const Ustawienia& u, Czas teraz);
  ~Klient();
  Klient(const Klient&) = delete;
  Klient& operator=(const Klient&) = delete;

  // Handles n received bytes. Afterwards check Zamknij().
  void Odbierz(const char* b, size_t n, Czas teraz);
  // Queues audio and export packets as far as the budget and limitAudio allow.
  void Pompuj(Czas teraz);
  // Pings, the ping timeout and the greeting timeout.
  void Zegar(Czas teraz);
  // The station s changed; tells the client if it plays s and wakes a stream that waits
  // at the live edge.
  void ZmianaStacji(Stacja& s, const Stacja::Zmiany& z);

  // The next bytes to send (the front of the queue) and how many were sent.
  bool MaDoWyslania() const { return !kolejka.empty(); }
  const char* Dane() const { return kolejka.front().bajty.data() + wyslane; }
  size_t Ile() const { return kolejka.front().bajty.size() - wyslane; }
  void Wyslano(size_t n);
  // All the bytes queued.
  size_t Kolejka() const { return bajtyRazem; }
  // The connection must end: at once, or (ZamknijPoWyslaniu) once the queue is empty.
  bool Zamknij() const { return zamknij; }
  bool ZamknijPoWyslaniu() const { return poWyslaniu; }
  // Why the connection ends, for the log.
  const String& Powod() const { return powod; }
  // The most bytes of unfinished packets held since the receiving buffer was last fresh:
  // what the buffer's storage is sized by. A buffer that held more than limitPakietu is
  // made fresh again once it is empty.
  size_t Trzymane() const { return trzymane; }

  int Numer() const { return numer; }
  // The connection has said "player\n": until then (a station query, or no whole first
  // line yet) it may give way to a new connection when the server is full.
  bool Gracz() const { return rodzaj == Rodzaj::Player; }

 private:
  enum class Rodzaj { Powitanie, Player, Zapytanie };
  struct Kawalek {
    std::string bajty;
    bool audio = false;  // playback audio, dropped on a seek while unsent
    bool eksport = false;
  };
  struct Eksport {
    Stacja* stacja;  // the station exported, whatever the client plays meanwhile
    std::vector<Przedzial> przedzialy;
    size_t i = 0;
    bool ustawiony = false;
    std::unique_ptr<ArchiveReader> czytnik;
  };

  void Powitanie(Czas teraz);
  void Pakiet(Czas teraz);
  void Komenda(const String& tekst, Czas teraz);
  void ZmienStacje(const String& reszta, Czas teraz);
  void Przewin(Czas t, Czas teraz);
  void UstawFiltr(const String& rodzina);
  void Ogloszenie();
  // "busy" for a station whose archive cannot be read, "empty" for one without audio.
  void Stan();
  void WyslijWydarzenia(const char* opis);
  void Kolejkuj(Paczka2& p, bool audio = false, bool eksport = false);
  // Queues the text packet s. Every text the client reads leaves through here: UTF-8 in
  // the program, the packet writes it as the protocol's Windows-1250 string (a character
  // that Windows-1250 lacks as "?"). A failure is told by its sentence, WithoutLocation.
  void Tekst(const String& s);
  void Zerwij(const String& dlaczego);
  void PorzucAudio(bool eksport);
  bool PompujGranie(Czas teraz);
  // How long the client has been playing since the last seek.
  Roznica Grane(Czas teraz) const;
  bool PompujEksport();
  // `caly`: every interval was sent.
  void ZakonczEksport(bool caly = false);
  // The station played becomes s (null: none).
  void UstawStacje(Stacja* s);
  Czas PozycjaGry(Czas teraz) const;
  // The bytes of about d of the station's audio.
  static int Bajty(Stacja& s, Roznica d);

  std::vector<std::unique_ptr<Stacja>>& stacje;
  const Ustawienia u;
  Rodzaj rodzaj = Rodzaj::Powitanie;
  Czas polaczony;
  std::string linia;
  std::unique_ptr<Paczka2> odbior = std::make_unique<Paczka2>();
  size_t trzymane = 0;
  std::deque<Kawalek> kolejka;
  size_t wyslane = 0;
  size_t bajtyRazem = 0;
  size_t bajtyAudio = 0;
  size_t bajtyEksportu = 0;
  bool zamknij = false;
  bool poWyslaniu = false;
  String powod;

  Stacja* stacja = nullptr;
  std::unique_ptr<ArchiveReader> czytnik;
  int numer = 2;
  int zmianStacji = 0;
  bool gra = false;
  Roznica zapas;
  bool pierwszyPoPrzewinieciu = false;
  // Audio sent since the last seek, and the playing time since then: before the last
  // "stop" (granePrzed) and from the last "play" (graOd) while it plays.
  Roznica wyslanoOdPrzewiniecia;
  Roznica granePrzed;
  Czas graOd;
  bool czekaNaDane = false;
  // When the audio that a seek, a station or "play" asked for was asked for, until its
  // first packet is queued; none when no audio is awaited or there is none to send.
  std::optional<Czas> prosbaOd;
  // Where the client plays: kotwica at the wall-clock moment kotwicaTeraz, moving while
  // it plays.
  Czas kotwica;
  Czas kotwicaTeraz;
  // "grajiwenty": the family and its intervals; the interval being played ends at
  // koniecFiltra while wFiltrze.
  std::optional<String> rodzina;
  std::vector<Przedzial> filtr;
  bool wFiltrze = false;
  Czas koniecFiltra;

  std::optional<Eksport> eksport;

  Czas nastepnyPing;
  std::optional<Czas> pingWyslany;
  int licznikPing = 0;
};

}  // namespace serwer
