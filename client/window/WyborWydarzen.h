#pragma once
// The events: the station's events base as the server sends it, the events menu (the
// whole programme, each family of events, each marker kind), the family chosen (played
// alone by the server) and its toggle, a marker kind chosen, and the events list of the
// local day being played: the family's events that were recorded, cut 15 minutes beyond
// the day. A base sent anew keeps the family chosen while it still has it; a family gone
// returns to the whole programme and says so.
//
// Window (GUI) thread only.
#include <optional>
#include <vector>

#include "common/BazaZintegrowana.h"
#include "core/Czas.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"
#include "transport/Paczka2.h"

class LiniaStatusu;
class ListaEksportu;
class SterowaniePlayera;
class WidokOsi;
class WidokWydarzen;

class WyborWydarzen {
 public:
  // The parts are not owned and must outlive this; `nagrania` are the station's
  // recordings, kept by the window's logic.
  WyborWydarzen(WidokWydarzen& w, WidokOsi& os, SterowaniePlayera& p, LiniaStatusu& status,
                ListaEksportu& eksport, const Przedzialy& nagrania);

  // An events base packet: the whole base anew (`init`) or an update of it.
  void Baza(Paczka2& p, bool init);
  // The recordings were announced whole (`calosc`) or `zmiana` was added or taken away:
  // the list follows when that reaches an event of the family chosen.
  void Nagrania(const Przedzialy& zmiana, bool calosc);
  // The server plays another station: the whole programme (a marker kind stays chosen).
  void NowaStacja();
  // The local day of the time being heard (on every tick): a new day, a new list.
  void DzienPozycji(Czas t);

  // The events menu's item `podpis` chosen; the right-button toggle between the whole
  // programme and the family chosen last; the whole programme.
  void Popup4Cos(const String& podpis);
  void PrzelaczWydarzenia();
  void CalyProgram();
  // Line `indeks` of the events list: played from 5 s before it / added to the export
  // list; nothing when no such line.
  void GrajWydarzenie(int indeks);
  void EksportujWydarzenie(int indeks);
  // The events list and the events' layers recomputed.
  void OdswiezWydarzenia();

  // The events of the families chosen that were recorded (the axis's layers), and those
  // of the list of the day.
  Przedzialy& WszystkieWydarzenia() { return wszystkieWydarzenia; }
  Przedzialy& WydarzeniaDnia() { return wydarzeniaDnia; }
  const std::vector<String>& WybraneRodziny() const { return wybraneRodziny; }
  const std::vector<String>& WybraneTypy() const { return wybraneTypy; }
  BazaZintegrowana& BazaWydarzen() { return baza; }

 private:
  void WybierzRodzine(const String& rodzina);
  // True when `zmiana` (recordings added or taken away) meets an event of a family chosen.
  bool DotykaWybranychRodzin(const Przedzialy& zmiana);
  std::optional<Przedzial> Wydarzenie(int indeks) const;

  WidokWydarzen& widok;
  WidokOsi& os;
  SterowaniePlayera& player;
  LiniaStatusu& status;
  ListaEksportu& eksport;
  const Przedzialy& przedzialyAudio;

  BazaZintegrowana baza;
  String tekstMenuWydarzen;
  std::vector<String> wybraneRodziny;
  std::vector<String> wybraneTypy;
  String ostatniaRodzina;
  Przedzialy wszystkieWydarzenia;
  Przedzialy wydarzeniaDnia;
  Czas poczatekDnia;
  Czas koniecDnia;
};
