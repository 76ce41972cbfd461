#pragma once
// The export list with its "Od"/"Do" marks, and the export of that list: its start, the
// audio packets written as they come with the gauge and the remaining time, and its end.
// The window is tall (with the export row) while the list has intervals or the gauge is
// shown. Tells the user through the status line; the export engine may be absent, and
// then exporting says so.
//
// Window (GUI) thread only.
#include <functional>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "intervals/Przedzialy.h"
#include "transport/Paczka2.h"

class LiniaStatusu;
class ExporterOkna;
class SterowaniePlayera;
class WidokEksportu;
class WidokOsi;

class ListaEksportu {
 public:
  // The parts are not owned and must outlive this; `eksport` may be null. `zegar` gives
  // the wall clock (for the remaining time).
  ListaEksportu(WidokEksportu& w, WidokOsi& os, SterowaniePlayera& p, ExporterOkna* eksport,
                LiniaStatusu& status, std::function<Czas()> zegar);

  // The marks at the axis's time (shown on the axis and as the buttons' hints); going to
  // a mark (nothing while it is not set).
  void OznaczOd();
  void OznaczDo();
  void IdzDoOd();
  void IdzDoDo();
  // ["Od", "Do"] to the list; refused in the pop-up unless "Do" is later.
  void DodajOdDo();
  // An interval added to / taken out of the list (merged with those it meets).
  void DodajDoEksportu(Czas od, Czas do_);
  void UsunZEksportu(Czas od, Czas do_);
  // Line `indeks` of the list played from its start / taken out; nothing when no such line.
  void GrajZEksportu(int indeks);
  void UsunZEksportu(int indeks);
  void CzyscListe();
  // Starts exporting the list, or, while an export runs, asks the server to abort it.
  void Eksportuj();
  // An export packet from the server: written, and the gauge and remaining time moved.
  void PaczkaEksportu(Paczka2& p);
  // The server's "koniecexportu": the file finished, the gauge hidden.
  void KoniecEksportu();
  // The connection lost: the list goes (the gauge waits for the export's end).
  void Rozlaczono();

  Przedzialy& DoEksportu() { return doEksportu; }
  Czas Od() const { return od; }
  Czas Do() const { return do_; }

 private:
  void PokazEksport();

  WidokEksportu& widok;
  WidokOsi& os;
  SterowaniePlayera& player;
  ExporterOkna* exporter;
  LiniaStatusu& status;
  std::function<Czas()> zegar;

  Przedzialy doEksportu;
  Czas od;
  Czas do_;
  // The export: audio time received so far, the wall clock at its first packet, the
  // gauge's maximum and whether the gauge and the remaining time are shown.
  Roznica wyeksportowano;
  Czas startEksportu;
  int maksimumEksportu = 0;
  bool pasekEksportu = false;
  String plikEksportu;  // the file the gauge names
  bool pozostalyCzas = false;
  bool przerwany = false;  // the user asked the server to stop the running export
};
