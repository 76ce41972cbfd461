#pragma once
// The player stack of every program that plays or exports: the message thread, the
// player core on it, the core's commands as the window's logic takes them
// (SterowanieEsencji), an optional export engine on the core's connection, an optional
// window's logic, and the queue that carries the core's connection notifications from
// the message thread to the owner's thread.
//
// It is built and torn down in the one safe order: the message thread first and last; the
// player core after it and gone before it, so that no socket handler and no notification
// runs after the core; the export engine made over the core and gone before it, so that
// its file is finished while the connection it came over still exists; the station list
// told, before the core goes, that there is no player to play on.
//
// Threads: built, used and destroyed on the owner's thread (the window's, or a tool's
// loop). Powiadom runs on the message thread (and on the owner's, under the player core's
// TCP client lock): it only queues the notification and calls the wake-up. Odbierz takes
// the queue on the owner's thread.
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "player/EsencjaPlayera.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/MessageThread.h"
#include "window/LogikaOkna.h"
#include "window/SterowanieEsencji.h"

class ListaStacji;
class ExporterOkna;
class TimeComponent;
class WidokOkna;

class StosPlayera : public PowiadomieniaPlayera {
 public:
  // The message thread and the player core on it, with the time component `czas` (not
  // owned, outliving the stack; may be null) and the parts `w` in place of the program's
  // own. `budzik` is called after each notification is queued, on the thread that gave it,
  // and must not wait for the owner (a Qt owner posts itself an event that calls
  // Odbierz); empty: the owner polls Odbierz.
  StosPlayera(TimeComponent* czas, EsencjaPlayera::Wyposazenie w, std::function<void()> budzik = {});
  // Tears the stack down in the order above; notifications still queued are dropped.
  ~StosPlayera() override;
  StosPlayera(const StosPlayera&) = delete;
  StosPlayera& operator=(const StosPlayera&) = delete;

  EsencjaPlayera& Esencja() { return *esencja; }
  SterowanieEsencji& Sterowanie() { return *sterowanie; }

  // The export engine, made by the owner over Esencja() (owned from now on); at most once,
  // before ZbudujLogike, which hands it to the logic.
  void UstawEksport(std::unique_ptr<ExporterOkna> e);
  ExporterOkna* Eksport() { return eksport.get(); }

  // The window's logic over the view `w` and the list `l` (neither owned; both outlive the
  // stack), with the export engine set, if any, or `obcy` in its place (not owned,
  // outliving the stack); at most once. The list is told, when the stack goes, to play on
  // no player.
  LogikaOkna& ZbudujLogike(WidokOkna& w, ListaStacji& l, LogikaOkna::Ustawienia u, ExporterOkna* obcy = nullptr);
  // The logic; null before ZbudujLogike.
  LogikaOkna* Logika() { return logika.get(); }

  // Queues `z` and calls the wake-up (the player core's side).
  void Powiadom(ZdarzeniePolaczenia z) override;
  // The notifications queued since the last call, oldest first (the owner's side).
  std::vector<ZdarzeniePolaczenia> Odbierz();

 private:
  std::function<void()> budzik;
  std::mutex mutex;
  std::vector<ZdarzeniePolaczenia> kolejka;  // under mutex

  MessageThread watek;  // first made, last gone
  std::unique_ptr<EsencjaPlayera> esencja;
  std::unique_ptr<SterowanieEsencji> sterowanie;
  std::unique_ptr<ExporterOkna> eksport;
  ListaStacji* lista = nullptr;
  std::unique_ptr<LogikaOkna> logika;
};
