#pragma once
// The headless player: the player core and the real playback engine driven from the
// command line and standard input instead of a window. The server's replies, the
// connection states and the reconnect are the window's own logic (LogikaOkna) over a text
// view (WidokTekstowy): it prints every status text and connection event as it happens and
// reconnects 5 s after a lost connection, resuming at the position reached. On top of
// that the headless player prints the time being heard once a second (followed, when the
// null output records, by the number of sample frames recorded before the one heard at
// that time), and gives up when the host name does not resolve, when the first connection
// fails or when the server rejects the station.
//
// What it plays at the start is the window's decision (PoczatekGry) under the rules of a
// player without a window; the player core, its message thread and the window's logic are
// the program's one player stack (StosPlayera).
//
// Threads: everything runs on the thread of the Qt event loop; the player core's
// notifications, which arrive on the message thread, are queued by the stack and taken
// on the loop, woken by a queued call.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <optional>

#include "audio/AudioOutputChoice.h"
#include "core/Czas.h"
#include "core/String.h"
#include "core/SygnalyKonca.h"
#include "display/TimeComponent.h"
#include "korwendo-play/CountingWaveOut.h"
#include "korwendo-play/OpcjeOdtwarzacza.h"
#include "korwendo-play/WidokTekstowy.h"
#include "player/ListaStacji.h"
#include "player/PowiadomieniaPlayera.h"
#include "textforms/CzasTekstowy.h"
#include "window/PoczatekGry.h"
#include "window/StosPlayera.h"

class HeadlessPlayer : public QObject {
 public:
  explicit HeadlessPlayer(OpcjeOdtwarzacza o);
  ~HeadlessPlayer() override;

  // Starts the work on the running event loop; the loop is left with the exit status
  // through QCoreApplication::exit.
  void Start();

  // Runs one command line of standard input; false and a message for an unknown one.
  bool Komenda(const String& linia);

 private:
  // Reports `s` on the terminal with `rada` (what to do about it), then ends with `kod`.
  void Blad(const String& s, int kod, const String& rada = {});
  // The server part of the target, and the client's reason for failing, " (reason)".
  String AdresCelu() const;
  String PowodBledu();
  void Koniec(int kod);
  // --list: prints every server's stations once the queries are over.
  void Listuj();
  // Plays what the start's decision says, or ends with its reason.
  void Graj(const PoczatekGry& g);
  void Polacz(const String& cel, std::optional<Czas> t);
  // The "time" line, and the "captured" line after it when the output records.
  void WypiszCzas();
  // The connection notifications queued by the stack, on the event loop: each printed,
  // handed to the window's logic, and the end when the headless player gives up.
  void Zawiadomienia();
  void Zawiadomienie(ZdarzeniePolaczenia z);
  // The server's error answer (from the window's logic): a station or a time refused ends
  // the player, or, after another station was accepted, goes back to that one.
  void BladSerwera(const String& blad);
  // The target the server last accepted on this run (the window's logic keeps it as the
  // position to resume at); empty before the first.
  String Grana() const;
  void CzytajWejscie();
  // Opens and closes the chosen sound output once; false (and the end) when it cannot open.
  bool SprawdzDzwiek();
  // SIGINT, SIGTERM and SIGHUP (blocked by SygnalyKonca::Zablokuj) end the loop cleanly.
  void SluchajSygnalow();
  // Waits for the station queries (at most 10 s), then calls f.
  void PoZapytaniach(std::function<void()> f);

  OpcjeOdtwarzacza opcje;
  std::unique_ptr<ListaStacji> lista;
  struct Pole : TimeComponent {
    Czas Get() override { return wartosc; }
    void Set(Czas c) override { wartosc = c; }
    Czas wartosc;
  } pole;
  // The recording output's frame counter, owned by the player core's engine; null when
  // nothing is recorded.
  CountingWaveOut* licznik = nullptr;
  std::unique_ptr<WidokTekstowy> widok;
  std::unique_ptr<StosPlayera> stos;  // after what it uses, so gone before it
  EsencjaPlayera* player = nullptr;   // the stack's
  LogikaOkna* logika = nullptr;       // the stack's

  QTimer zegarSekundy;
  QTimer zegarSkrzynki;  // the window's logic's 10 ms tick
  std::unique_ptr<QSocketNotifier> wejscie;
  String buforWejscia;
  std::optional<SygnalyKonca> sygnaly;
  std::unique_ptr<QSocketNotifier> notyfikatorSygnalow;

  String cel;                 // the target being played
  bool byloPolaczenie = false;
  bool konczy = false;
  bool gralo = false;         // a station was started: later ones keep the time heard
  // The position to resume at as the settings had it, kept when no station is accepted.
  String startNazwa;
  Czas startCzas;
};
