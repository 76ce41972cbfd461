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
// Threads: everything runs on the thread of the Qt event loop; the player core's
// notifications, which arrive on the message thread, are queued to it as Qt events.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <optional>

#include "audio/AudioOutputChoice.h"
#include "commandline/CzasTekstowy.h"
#include "core/Czas.h"
#include "core/String.h"
#include "korwendo-play/CountingWaveOut.h"
#include "korwendo-play/OpcjeOdtwarzacza.h"
#include "korwendo-play/WidokTekstowy.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/MessageThread.h"
#include "window/LogikaOkna.h"
#include "window/SterowanieEsencji.h"

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and the threads it starts later,
// so that the headless player receives them on its event loop; call before any thread starts.
void ZablokujSygnalyKonca();

class HeadlessPlayer : public QObject, public PowiadomieniaPlayera {
 public:
  explicit HeadlessPlayer(OpcjeOdtwarzacza o);
  ~HeadlessPlayer() override;

  // Starts the work on the running event loop; the loop is left with the exit status
  // through QCoreApplication::exit.
  void Start();

  // Queues the notification for the event loop (called on the message thread).
  void Powiadom(int komunikat, uintptr_t wParam) override;

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
  // Picks the target and starts playing it.
  void Graj();
  void Polacz(const String& cel, std::optional<Czas> t);
  // The "time" line, and the "captured" line after it when the output records.
  void WypiszCzas();
  // A connection notification on the event loop: printed, handed to the window's logic,
  // and the end when the headless player gives up.
  void Zawiadomienie(int komunikat, uintptr_t wParam);
  // The server's error answer (from the window's logic): a station or a time refused ends
  // the player, or, after another station was accepted, goes back to that one.
  void BladSerwera(const String& blad);
  // The target the server last accepted on this run (the window's logic keeps it as the
  // position to resume at); empty before the first.
  String Grana() const;
  void CzytajWejscie();
  // Opens and closes the chosen sound output once; false (and the end) when it cannot open.
  bool SprawdzDzwiek();
  // SIGINT, SIGTERM and SIGHUP (blocked by ZablokujSygnalyKonca) end the loop cleanly.
  void SluchajSygnalow();
  // Waits for the station queries (at most 10 s), then calls f.
  void PoZapytaniach(std::function<void()> f);

  OpcjeOdtwarzacza opcje;
  std::unique_ptr<ListaStacji> lista;
  MessageThread watek;
  struct Pole : TimeComponent {
    Czas Get() override { return wartosc; }
    void Set(Czas c) override { wartosc = c; }
    Czas wartosc;
  } pole;
  // The recording output's frame counter, owned by the player core's engine; null when
  // nothing is recorded.
  CountingWaveOut* licznik = nullptr;
  std::unique_ptr<EsencjaPlayera> player;  // after what it uses, so gone before it
  std::unique_ptr<SterowanieEsencji> sterowanie;
  std::unique_ptr<WidokTekstowy> widok;
  std::unique_ptr<LogikaOkna> logika;

  QTimer zegarSekundy;
  QTimer zegarSkrzynki;  // the window's logic's 10 ms tick
  std::unique_ptr<QSocketNotifier> wejscie;
  String buforWejscia;
  int sygnaly = -1;  // the signalfd
  std::unique_ptr<QSocketNotifier> notyfikatorSygnalow;

  String cel;                 // the target being played
  bool byloPolaczenie = false;
  bool konczy = false;
  bool gralo = false;         // a station was started: later ones keep the time heard
  // The position to resume at as the settings had it, kept when no station is accepted.
  String startNazwa;
  Czas startCzas;
};
