#pragma once
// The headless player: the player core and the real playback engine driven from the
// command line and standard input instead of a window. It prints the time being heard once
// a second (followed, when the null output records, by the number of sample frames recorded
// before the one heard at that time), every status text and connection event as it
// happens, reconnects 5 s after a lost connection (resuming at the position reached) and
// gives up when the host name does not resolve, when the first connection fails or when
// the server rejects the station.
//
// Threads: everything runs on the thread of the Qt event loop except the player core's
// notifications, which arrive on the message thread and are queued under `zawiadomieniaMutex`
// for the event loop to print.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "AudioOutputChoice.h"
#include "CountingWaveOut.h"
#include "CzasTekstowy.h"
#include "Czas.h"
#include "EsencjaPlayera.h"
#include "ListaStacji.h"
#include "MessageThread.h"
#include "OpcjeOdtwarzacza.h"
#include "PowiadomieniaPlayera.h"
#include "String.h"

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
  void Wypisz(const String& s);
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
  // The 10 ms tick: notifications and the inbox.
  void Odbierz();
  void Zawiadomienie(int komunikat, uintptr_t wParam);
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

  QTimer zegarSekundy;
  QTimer zegarSkrzynki;
  std::unique_ptr<QSocketNotifier> wejscie;
  String buforWejscia;
  int sygnaly = -1;  // the signalfd
  std::unique_ptr<QSocketNotifier> notyfikatorSygnalow;

  String cel;                 // the target being played
  String grana;               // the last target the server accepted ("terazgramy")
  bool polaczony = false;
  bool byloPolaczenie = false;
  bool konczy = false;
  bool gralo = false;         // a station was started: later ones keep the time heard
  String ostatniStatus;

  std::mutex zawiadomieniaMutex;
  std::vector<std::pair<int, uintptr_t>> zawiadomienia;  // under zawiadomieniaMutex
};
