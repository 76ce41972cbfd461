#pragma once
// The headless exporter: the player core and the export engine driven from the command
// line. It connects to the server, chooses the station, sends the intervals as one export
// request once the server has accepted the station, writes what comes back through the
// Exporter, and ends when the server ends the export ("koniecexportu"), when the
// connection is lost or fails, or on a signal: the first SIGINT, SIGTERM or SIGHUP asks
// the server to stop the export and waits (at most 10 s) for its end so that the files
// are closed cleanly; a second one ends at once, the files closed.
//
// The player core, its message thread and the export engine are the program's one player
// stack (StosPlayera).
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
#include "export/DialogZapisu.h"
#include "export/Exporter.h"
#include "korwendo-export/OpcjeEksportu.h"
#include "korwendo-export/PostepEksportu.h"
#include "player/EsencjaPlayera.h"
#include "transport/Paczka2.h"
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

  // The fixed choice of the command line in place of the save dialog.
  class DialogStaly : public DialogZapisu {
   public:
    DialogStaly(std::optional<String> p, bool c) : plik(std::move(p)), pcm(c) {}
    std::optional<Wybor> Pokaz(const String& proponowana) override { return Wybor{plik ? *plik : proponowana, pcm}; }
    void UstawKatalog(const String&) override {}

   private:
    std::optional<String> plik;
    bool pcm;
  };

  void Zawiadomienia();
  // Handles what the inbox holds: for at most a turn, or (`wszystko`) all of it.
  void Skrzynka(bool wszystko = false);
  void Tekst(const String& tekst);
  void Sygnal();
  void Terminy();
  // Sends the export request once the station is accepted and its archive known.
  void RozpocznijEksport();
  void KoniecEksportu();
  // Ends with `kod`, reporting `s` (when not empty) with `rada`.
  void Koniec(int kod, const String& s = {}, const String& rada = {});
  // Finishes the exporter; a failure is reported and makes the status a failure.
  void Zakoncz();
  void PokazPasek(bool teraz);
  void WyczyscPasek();

  OpcjeEksportu opcje;
  DialogStaly dialog;
  std::unique_ptr<StosPlayera> stos;  // after what it uses, so gone before it
  EsencjaPlayera* player = nullptr;   // the stack's
  Exporter* exporter = nullptr;       // the stack's export engine's
  PostepEksportu postep;
  // The inbox's reader: a turn may end with part of the next packet read.
  Paczka2 odbior;
  SygnalyKonca sygnaly;
  bool terminal = false;

  Zegar::time_point start;
  Zegar::time_point ostatniPasek;
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
  bool pasekWidoczny = false;
  std::optional<String> bladSerwera;  // an "error" that came during the export
  std::optional<int> kod;
  String komunikat;
  String rada;
};
