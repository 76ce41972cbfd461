#pragma once
// The main window's behaviour without its widgets. It reads the inbox that the player core
// fills (dispatched by description, then by name) and the server's text commands, keeps
// the station's recordings, follows the connection's states and reconnects, plays the
// station chosen and the favourites, and does what the keys mean. The rest it hands to its
// parts, each over its own view: the status line and the pop-up (LiniaStatusu), the events
// (WyborWydarzen), the export list and its export (ListaEksportu), the playing speed
// (PredkoscGry), the live edge (KrawedzNaZywo), the bookmarks (DodawanieZakladek) and going to a moment (SkokDoChwili).
// It talks to the player core through SterowaniePlayera and to the export engine through
// ExporterOkna.
//
// Window (GUI) thread only; the connection notifications reach it as queued events of
// that thread (Powiadomienie).
#include <functional>
#include <optional>

#include "core/String.h"
#include "intervals/Przedzialy.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/Paczka2.h"
#include "window/DodawanieZakladek.h"
#include "window/KrawedzNaZywo.h"
#include "window/LiniaStatusu.h"
#include "window/ListaEksportu.h"
#include "window/Polecenie.h"
#include "window/PredkoscGry.h"
#include "window/SkokDoChwili.h"
#include "window/WidokEksportu.h"
#include "window/WyborWydarzen.h"

class ListaStacji;
class ExporterOkna;
class SterowaniePlayera;
class WidokOkna;

class LogikaOkna {
 public:
  static constexpr int kWysokosc = WidokEksportu::kWysokosc;
  static constexpr int kWysokoscEksportu = WidokEksportu::kWysokoscEksportu;

  // What the server has said of the station's archive: it has recordings (the audio
  // intervals known are not empty), it is empty ("pusta"), or it cannot be read now
  // ("zajete").
  enum class Archiwum { Nagrania, Pusta, Zajete };

  // The hooks below are called once the logic has handled what they report, on the
  // logic's thread, and may use the logic; a program without a window acts on them by its
  // own rules (the window needs none). Each may be empty.
  struct Ustawienia {
    // The diagnostic marker file ".debug" existed at start-up.
    bool diagnostyka = false;
    // The wall clock; Czas::Teraz when empty.
    std::function<Czas()> zegar;
    // Called with the text of each error the server answers (after "error", e.g.
    // "nieznana stacja X"); the window only logs it and shows it with diagnostics.
    std::function<void(const String& blad)> bladSerwera;
    // The server accepted a station: it plays `stacja` now ("terazgramy").
    std::function<void(const String& stacja)> stacjaPrzyjeta;
    // What the server said of the archive: on "pusta" and "zajete", and after each audio
    // intervals packet that leaves the station's recordings not empty.
    std::function<void(Archiwum a)> archiwum;
    // The server ended the export ("koniecexportu"), after the logic finished the file.
    std::function<void()> koniecEksportu;
  };

  // The parts are not owned and must outlive the logic; `eksport` may be null (no export
  // engine: exporting says so).
  LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, ExporterOkna* eksport, Ustawienia u);

  // The 10 ms tick: the inbox, the time being heard (kept as the resume position), the
  // day of the events list, the live indicator, the speed shown, the status line's and the
  // pop-up's timeouts.
  void Tick();
  // The most packets one Odbierz dispatches: a server that floods the inbox costs the tick
  // a bounded amount of work, and the time shown keeps moving.
  static constexpr int kPaczekNaRaz = 256;
  // Reads and dispatches the complete packets of the inbox, at most kPaczekNaRaz; an export
  // packet ends the reading, so the rest waits for the next tick. True when it ended at an
  // export packet or at the bound (more may be waiting), false when no complete packet is
  // left.
  bool Odbierz();
  // One text command of the server.
  void Process(const String& s);
  // A connection notification of the player core.
  void Powiadomienie(ZdarzeniePolaczenia z);
  // The reconnect timer fired: the same station and server again, from the time heard.
  void Timer1();

  // What a key means, done; true when the key is consumed (Graj and Stop leave it to the
  // control with the focus too).
  bool Wykonaj(Polecenie p);
  // A favourite button (0-3) clicked: its station, or its assignment menu when unassigned.
  void KliknietoUlubiona(int przycisk);

  // The station's recordings, as the server announces them.
  Przedzialy& PrzedzialyAudio() { return przedzialyAudio; }

  // The parts.
  LiniaStatusu& Status() { return linia; }
  WyborWydarzen& Wydarzenia() { return wydarzenia; }
  ListaEksportu& Eksport() { return listaEksportu; }
  PredkoscGry& Predkosc() { return predkosc; }
  KrawedzNaZywo& Krawedz() { return krawedz; }
  DodawanieZakladek& Zakladki() { return zakladki; }
  SkokDoChwili& Skok() { return skok; }

 private:
  void Audio(Paczka2& p);
  void TerazGramy(const String& stacja);
  void BladSerwera(const String& blad);

  WidokOkna& widok;
  SterowaniePlayera& player;
  ListaStacji& lista;
  std::function<Czas()> zegar;
  std::function<void(const String&)> bladSerwera;
  std::function<void(const String&)> stacjaPrzyjeta;
  std::function<void(Archiwum)> archiwum;
  std::function<void()> koniecEksportu;
  Przedzialy przedzialyAudio;
  Paczka2 paczka;
  bool rozlaczony = false;  // the connection was lost or failed since it was last up
  bool zatrzymanePrzezUzytkownika = false;  // Stop was the user's last word on playing
  std::optional<bool> pokazanyStop;          // the stopped state the view shows

  LiniaStatusu linia;
  ListaEksportu listaEksportu;
  WyborWydarzen wydarzenia;
  PredkoscGry predkosc;  // before the live edge, which uses it
  KrawedzNaZywo krawedz;
  DodawanieZakladek zakladki;
  SkokDoChwili skok;
};
