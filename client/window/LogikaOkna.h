#pragma once
// The main window's behaviour without its widgets: the inbox that the player core fills
// (dispatched by description, then by name), the server's text commands, the status line
// and the pop-up message with their timeouts, the connection states and the reconnect,
// the keyboard, the favourite buttons, the event selection and the events list of the day
// being played, the export list with its "Od"/"Do" marks and the export's progress, and
// the bookmarks. It talks to the widgets through WidokOkna, to the player core through
// SterowaniePlayera and to the export engine through SilnikEksportu.
//
// Window (GUI) thread only; the connection notifications reach it as queued events of
// that thread (Powiadomienie).
#include <functional>
#include <vector>

#include "common/BazaZintegrowana.h"
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"
#include "transport/Paczka2.h"

class ListaStacji;
class SilnikEksportu;
class SterowaniePlayera;
class WidokOkna;

class LogikaOkna {
 public:
  static constexpr int kWysokosc = 348;           // down to the marking buttons
  static constexpr int kWysokoscEksportu = 380;   // with the export row

  // Virtual key codes of the keyboard handler (the keypad ones arrive with Num Lock on).
  enum Klawisz : int {
    kEsc = 0x1B,
    kEnd = 0x23,
    kNum0 = 0x60,
    kNum1 = 0x61,
    kNum3 = 0x63,
    kNum4 = 0x64,
    kNum6 = 0x66,
    kNum7 = 0x67,
    kNum9 = 0x69,
    kNumKropka = 0x6E,
    kF4 = 0x73,
    kF5 = 0x74,
    kF8 = 0x77,
  };

  struct Ustawienia {
    // The diagnostic marker file ".debug" existed at start-up.
    bool diagnostyka = false;
    // The wall clock; Czas::Teraz when empty.
    std::function<Czas()> zegar;
    // Called with the text of each error the server answers (after "error", e.g.
    // "nieznana stacja X"), once the logic has handled it (the window only logs it and
    // shows it with diagnostics): a program without a window acts on it by its own rules.
    // May be empty.
    std::function<void(const String& blad)> bladSerwera;
  };

  // The parts are not owned and must outlive the logic; `eksport` may be null (no export
  // engine: exporting says so).
  LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, SilnikEksportu* eksport, Ustawienia u);

  // The 10 ms tick: the inbox, the time being heard (kept as the resume position), the
  // day of the events list, the status line's and the pop-up's timeouts.
  void Tick();
  // Reads and dispatches every complete packet of the inbox; an export packet ends the
  // reading, so the rest waits for the next tick.
  void Odbierz();
  // One text command of the server.
  void Process(const String& s);
  // A connection notification of the player core (WM_PLAYER_...).
  void Powiadomienie(int komunikat, uintptr_t wParam);
  // The reconnect timer fired: the same station and server again, from the time heard.
  void Timer1();

  // The status line for 12 s / 3 s; the pop-up for 3 s plus the status line; a warning
  // log line, shown only with diagnostics.
  void LadnyPrint(const String& s);
  void LadnyPrint5s(const String& s);
  void BardzoLadnyPrint(const String& s);
  void DebugPrint(const String& s);

  // A key pressed (virtual key code); true when it is consumed.
  bool Klawisz(int vk);
  // A favourite button (0-3) clicked: its station, or its assignment menu when unassigned.
  void KliknietoUlubiona(int przycisk);

  // The events menu item `podpis` chosen; the right-button toggle; a double click on
  // line `indeks` of the events list; a right click on it (adds the event to the export).
  void Popup4Cos(const String& podpis);
  void PrzelaczWydarzenia();
  void GrajWydarzenie(int indeks);
  void EksportujWydarzenie(int indeks);
  void OdswiezWydarzenia();

  // Marking and the export list.
  void OznaczOd();
  void OznaczDo();
  void IdzDoOd();
  void IdzDoDo();
  void DodajOdDo();
  void DodajDoEksportu(Czas od, Czas do_);
  void UsunZEksportu(Czas od, Czas do_);
  void GrajZEksportu(int indeks);
  void UsunZEksportu(int indeks);
  void CzyscListe();
  void Eksportuj();

  // Bookmarks: with the default description; with one the user edits first.
  void DodajZakladke();
  void DodajZakladkeZOpisem();
  String OpisZakladki();

  // What the window and the tests read.
  Przedzialy& PrzedzialyAudio() { return przedzialyAudio; }
  Przedzialy& WszystkieWydarzenia() { return wszystkieWydarzenia; }
  Przedzialy& WydarzeniaDnia() { return wydarzeniaDnia; }
  Przedzialy& DoEksportu() { return doEksportu; }
  Czas Od() const { return od; }
  Czas Do() const { return do_; }
  const std::vector<String>& WybraneRodziny() const { return wybraneRodziny; }
  const std::vector<String>& WybraneTypy() const { return wybraneTypy; }
  BazaZintegrowana& Baza() { return baza; }
  const String& Status() const { return status; }
  bool Diagnostyka() const { return diagnostyka; }

  // ---- Going to a typed moment, and the link of the moment heard (LogikaOknaSkok.cpp) ----
  // Ctrl+G and the button beside the digit panels: the prompt "Przejdź do", filled with the
  // moment being played in local time ("2026-12-10 08:30:00"). A confirmed text that
  // CzytajWpisanyCzas reads (in the machine's zone) moves the position there, as the keypad
  // does; the text as offered, unedited, is the second it shows (not the other occurrence of
  // a repeated hour). A text it cannot read moves nothing and the status line says why;
  // cancelling does nothing.
  void PrzejdzDo();
  // Ctrl+Shift+C: the link (NapiszLink) of the moment being heard on the station and server
  // being played goes to the clipboard and the status line says so; with no station being
  // played nothing is copied and the status line says that.
  void KopiujLink();
  // ---- end of going to a moment ----

 private:
  Czas Teraz() const;
  void Wydarzenia(Paczka2& p, bool init);
  void Audio(Paczka2& p);
  void PaczkaEksportu(Paczka2& p);
  void KoniecEksportu();
  void TerazGramy(const String& stacja);
  void BladSerwera(const String& blad);
  void CalyProgram();
  void WybierzRodzine(const String& rodzina);
  // True when `zmiana` (recordings added or taken away) meets an event of a family chosen.
  bool DotykaWybranychRodzin(const Przedzialy& zmiana);
  void PokazEksport();
  void DzienPozycji(Czas t);

  WidokOkna& widok;
  SterowaniePlayera& player;
  ListaStacji& lista;
  SilnikEksportu* exporter;
  bool diagnostyka;
  std::function<Czas()> zegar;
  std::function<void(const String&)> bladSerwera;

  Przedzialy przedzialyAudio;
  Przedzialy wszystkieWydarzenia;
  Przedzialy wydarzeniaDnia;
  Przedzialy doEksportu;
  Czas od;
  Czas do_;
  String ostatniaRodzina;
  Czas poczatekDnia;
  Czas koniecDnia;
  Paczka2 paczka;
  String tekstMenuWydarzen;
  String status;
  Czas koniecStatusu;
  Czas koniecDymka;
  bool dymek = false;
  BazaZintegrowana baza;
  std::vector<String> wybraneRodziny;
  std::vector<String> wybraneTypy;
  // The export: audio time received so far, the wall clock at its first packet, the
  // gauge's maximum and whether the gauge and the remaining time are shown.
  Roznica wyeksportowano;
  Czas startEksportu;
  int maksimumEksportu = 0;
  bool pasekEksportu = false;
  bool pozostalyCzas = false;

  // ---- The live edge (LogikaOknaNaZywo.cpp) ----
 public:
  // How far before the newest recorded audio the live edge starts playing. The client
  // learns the newest audio from the server's "update+" packets, sent after its look at
  // the archive once a second, so the end it knows is audio the server has indexed and
  // can send; starting a few seconds before it gives the playback engine that much in
  // its buffer, so that it keeps playing while the next second of the recording is
  // written, indexed and announced instead of running dry at every step.
  static constexpr Roznica kPrzedKrawedzia = Roznica::Sekunda * 4;
  // Playing at most this far behind the newest recorded audio counts as live.
  static constexpr Roznica kGranicaNaZywo = Roznica::Sekunda * 10;

  // End and the "Na żywo" button: plays the station from kPrzedKrawedzia before the end
  // of its newest recording (from that recording's start when it is shorter). With no
  // recordings known yet, says so in the status line and moves nothing. A family of
  // events played alone gives way to the whole programme first.
  void NaZywo();
  // Whether the live indicator is on: connected, and the time being heard at most
  // kGranicaNaZywo behind the newest recorded audio (or past it, waiting for more).
  bool JestNaZywo() const { return naZywo; }

 private:
  // The indicator for the time being heard `t`, shown when it changes (on every tick).
  void SprawdzNaZywo(Czas t);
  // A connection notification: only a connected player can be live.
  void PolaczenieNaZywo(int komunikat);
  bool naZywo = false;
  bool polaczonyNaZywo = false;
};
