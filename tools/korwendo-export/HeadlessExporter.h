#pragma once
// The headless exporter: the player core and the export engine driven from the command
// line. It connects to the server, chooses the station, sends the intervals as one export
// request once the server has accepted the station, writes what comes back through the
// Exporter, and ends when the server ends the export ("koniecexportu"), when the
// connection is lost or fails, or on a signal: the first SIGINT, SIGTERM or SIGHUP asks
// the server to stop the export and waits (at most 10 s) for its end so that the files
// are closed cleanly; a second one ends at once, the files closed. A server that sends
// beyond what was asked (GraniceEksportu) or a packet that cannot be read ends the export
// at once, the files closed and printed.
//
// The session runs on the main window's logic (LogikaOkna) over the program's one player
// stack (StosPlayera): the logic reads the inbox and the server's texts, follows the
// connection, starts the export of its list and writes what comes back through the
// stack's export engine (EksportZLinii). Its hooks tell the exporter what it decides by
// its own rules: the station accepted, the archive known, the export ended, the server's
// errors. The exporter keeps the command line, the loop with its signals and deadlines,
// the progress bar (the logic's export gauge, WidokEksportera), and the exit statuses
// with their messages. No Qt event loop runs: the loop drives the logic itself.
//
// Threads: everything runs on the thread of Uruchom except the player core's
// notifications, which arrive on the message thread and wait in the stack until the loop
// takes them.
#include <chrono>
#include <memory>
#include <optional>
#include <utility>

#include "core/String.h"
#include "core/SygnalyKonca.h"
#include "korwendo-export/EksportZLinii.h"
#include "korwendo-export/OpcjeEksportu.h"
#include "korwendo-export/PostepEksportu.h"
#include "korwendo-export/WidokEksportera.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "window/LogikaOkna.h"
#include "window/StosPlayera.h"

// The exit statuses; 2 (a bad command line) is ReadCommandLine's.
namespace KodEksportu {
inline constexpr int Gotowe = 0;
inline constexpr int Blad = 1;
inline constexpr int Zerwane = 3;
inline constexpr int Przerwane = 130;
}  // namespace KodEksportu

class HeadlessExporter {
 public:
  // SIGINT, SIGTERM and SIGHUP must be blocked in every thread already
  // (SygnalyKonca::Zablokuj before any thread starts).
  explicit HeadlessExporter(OpcjeEksportu o);
  ~HeadlessExporter();

  // Runs the export to its end: prints each file written on standard output, one per
  // line, reports a failure on standard error, and returns the exit status.
  int Uruchom();

 private:
  using Zegar = std::chrono::steady_clock;

  void Zawiadomienia();
  // One turn of the logic: its tick when due, then the inbox for at most a turn; or
  // (`wszystko`) all of the inbox, without a tick.
  void Tura(bool wszystko = false);
  // The logic's hooks.
  void StacjaPrzyjeta();
  void StanArchiwum(LogikaOkna::Archiwum a);
  void BladSerwera(const String& blad);
  void KoniecEksportu();
  // The engine's reports.
  void BladZapisu(const String& blad);
  void BladKonca(const String& blad);
  void Nadmiar(const String& powod);
  void Sygnal();
  void Terminy();
  // Starts exporting the logic's list once the station is accepted and its archive known.
  void RozpocznijEksport();
  // Ends with `kod`, reporting `s` (when not empty) with `rada`.
  void Koniec(int kod, const String& s = {}, const String& rada = {});
  // Finishes the file; a failure is reported and makes the status a failure.
  void Zakoncz();
  // The logic's export gauge shown or hidden: the progress bar drawn or cleared.
  void Pasek(bool widoczny);
  void PokazPasek(bool teraz);
  void WyczyscPasek();

  OpcjeEksportu opcje;
  PostepEksportu postep;
  WidokEksportera widok;
  // The logic's station list: never read nor saved, the exporter keeps no settings.
  ListaStacji lista;
  std::unique_ptr<StosPlayera> stos;  // after what it uses, so gone before it
  EsencjaPlayera* player = nullptr;   // the stack's
  EksportZLinii* silnik = nullptr;    // the stack's export engine
  LogikaOkna* logika = nullptr;       // the stack's
  SygnalyKonca sygnaly;
  bool terminal = false;

  Zegar::time_point start;
  Zegar::time_point ostatniPasek;
  Zegar::time_point ostatniTick;
  std::optional<Zegar::time_point> terminPrzerwania;  // after an abort request
  bool polaczony = false;
  // The server accepted the station ("terazgramy"), and it has looked at the station's
  // archive: it sent audio intervals that are not empty, or said the station is empty
  // or busy. A server that has just started answers an export of a station it has not
  // looked at yet with nothing, so the request waits for both.
  bool stacjaPrzyjeta = false;
  bool archiwumZnane = false;
  bool zajete = false;     // "busy": the station's archive cannot be read now
  bool wyslany = false;    // the export request is on its way
  bool zakonczony = false; // "koniecexportu" came
  bool przerwany = false;  // a signal asked to stop
  bool pasek = false;      // the logic shows the export's gauge
  bool pasekWidoczny = false;
  std::optional<String> bladSerwera;  // an "error" that came during the export
  std::optional<int> kod;
  String komunikat;
  String rada;
};
