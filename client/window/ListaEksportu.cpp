#include "window/ListaEksportu.h"

#include <filesystem>
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/CallTrace.h"
#include "transport/Protokol.h"
#include "window/LiniaStatusu.h"
#include "window/ExporterOkna.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokEksportu.h"
#include "window/WidokOsi.h"

namespace {
const String q = "\"";
}  // namespace

ListaEksportu::ListaEksportu(WidokEksportu& w, WidokOsi& o, SterowaniePlayera& p, ExporterOkna* e,
                             LiniaStatusu& s, std::function<Czas()> z)
    : widok(w), os(o), player(p), exporter(e), status(s), zegar(std::move(z)) {}

void ListaEksportu::OznaczOd() {
  KG_TRACE("ListaEksportu::OznaczOd()");
  od = os.CzasOsi();
  os.UstawOd(od);
  widok.UstawPodpowiedzOd(od.Napis());
}

void ListaEksportu::OznaczDo() {
  KG_TRACE("ListaEksportu::OznaczDo()");
  do_ = os.CzasOsi();
  os.UstawDo(do_);
  widok.UstawPodpowiedzDo(do_.Napis());
}

void ListaEksportu::IdzDoOd() {
  KG_TRACE("ListaEksportu::IdzDoOd()");
  if (od != Czas()) player.UstawPozycje(od);
}

void ListaEksportu::IdzDoDo() {
  KG_TRACE("ListaEksportu::IdzDoDo()");
  if (do_ != Czas()) player.UstawPozycje(do_);
}

void ListaEksportu::DodajOdDo() {
  KG_TRACE("ListaEksportu::DodajOdDo()");
  if (od >= do_) {
    status.BardzoLadnyPrint(q + "Do" + q + " musi być później niż " + q + "Od" + q);
    return;
  }
  DodajDoEksportu(od, do_);
}

void ListaEksportu::PokazEksport() {
  os.UstawPrzedzialy(1, doEksportu);
  widok.UstawListeEksportu(doEksportu.ListaKrotka());
}

void ListaEksportu::DodajDoEksportu(Czas od_, Czas doCzasu) {
  KG_TRACE("ListaEksportu::DodajDoEksportu(Czas od, Czas do_)");
  doEksportu.Add(Przedzial(od_, doCzasu));
  PokazEksport();
  widok.PokazListeEksportu(true);
  widok.UstawWysokosc(WidokEksportu::kWysokoscEksportu);
}

void ListaEksportu::UsunZEksportu(Czas od_, Czas doCzasu) {
  KG_TRACE("ListaEksportu::UsunZEksportu(Czas od, Czas do_)");
  doEksportu.Remove1(Przedzial(od_, doCzasu));
  PokazEksport();
  if (doEksportu.Count() == 0) {
    if (!pasekEksportu) widok.UstawWysokosc(WidokEksportu::kWysokosc);
    widok.PokazListeEksportu(false);
  }
}

void ListaEksportu::GrajZEksportu(int indeks) {
  KG_TRACE("ListaEksportu::GrajZEksportu(int indeks)");
  if (indeks < 0 || indeks >= doEksportu.Count()) return;
  player.UstawPozycje(doEksportu[indeks].begin);
}

void ListaEksportu::UsunZEksportu(int indeks) {
  KG_TRACE("ListaEksportu::UsunZEksportu(int indeks)");
  if (indeks < 0 || indeks >= doEksportu.Count()) return;
  const Przedzial p = doEksportu[indeks];
  UsunZEksportu(p.begin, p.end);
}

void ListaEksportu::CzyscListe() {
  KG_TRACE("ListaEksportu::CzyscListe()");
  doEksportu.Clear();
  PokazEksport();
  if (!pasekEksportu) widok.UstawWysokosc(WidokEksportu::kWysokosc);
  widok.PokazListeEksportu(false);
}

void ListaEksportu::Rozlaczono() {
  KG_TRACE("ListaEksportu::Rozlaczono()");
  widok.UstawPrzyciskEksportu("Eksportuj");
  // The list goes, and with it the axis's layer that shows it, its box and, unless an
  // export's gauge still shows, the export row.
  doEksportu.Clear();
  PokazEksport();
  widok.PokazListeEksportu(false);
  if (!pasekEksportu) widok.UstawWysokosc(WidokEksportu::kWysokosc);
}

void ListaEksportu::Eksportuj() {
  KG_TRACE("ListaEksportu::Eksportuj()");
  if (exporter != nullptr && exporter->IsExporting()) {
    player.WyslijString(protokol::kPrzerwijEksport);
    przerwany = true;
    return;
  }
  if (doEksportu.End() == Czas()) {
    status.BardzoLadnyPrint("Lista przedziałów do eksportu jest pusta");
    return;
  }
  if (exporter == nullptr) {
    status.BardzoLadnyPrint("Eksport jest niedostępny w tej wersji programu");
    return;
  }
  if (!exporter->Start(doEksportu)) return;
  widok.UstawPrzyciskEksportu("Przerwij eksport");
  przerwany = false;
  maksimumEksportu = static_cast<int>(doEksportu.Suma() / Roznica::Sekunda);
  widok.PokazPostepEksportu(true, maksimumEksportu);
  widok.ZaproponujFolder(String());
  plikEksportu.clear();
  pasekEksportu = true;
  wyeksportowano = Roznica();
}

void ListaEksportu::PaczkaEksportu(Paczka2& p) {
  KG_TRACE("ListaEksportu::PaczkaEksportu(Paczka2& p)");
  PaczkaAudio a;
  p.Wyjmij(a);
  if (!pozostalyCzas) {
    widok.PokazPozostalyCzas(true);
    pozostalyCzas = true;
    startEksportu = zegar();
  }
  wyeksportowano += a.IleCzasu();
  int pozycja = static_cast<int>(wyeksportowano / Roznica::Sekunda);
  // The gauge holds its position within its range.
  if (pozycja > maksimumEksportu) pozycja = maksimumEksportu;
  if (pozycja < 0) pozycja = 0;
  widok.UstawPostepEksportu(pozycja);
  if (pozycja > 0) {
    const Roznica uplynelo = zegar() - startEksportu;
    const double calosc = static_cast<double>(uplynelo.Wartosc()) *
                          (static_cast<double>(maksimumEksportu) / static_cast<double>(pozycja));
    widok.UstawPozostalyCzas(Roznica(static_cast<int64_t>(calosc) - uplynelo.Wartosc()).Napis());
  }
  if (exporter != nullptr) {
    exporter->AddPacket(a);
    // The gauge names the file being written (a long export goes on in a next file).
    const std::vector<String> pliki = exporter->Pliki();
    if (!pliki.empty() && pliki.back() != plikEksportu) {
      plikEksportu = pliki.back();
      widok.UstawPlikEksportu(std::filesystem::path(plikEksportu).filename().string());
    }
  }
}

void ListaEksportu::KoniecEksportu() {
  KG_TRACE("ListaEksportu::KoniecEksportu()");
  if (exporter != nullptr) exporter->Finish();
  widok.PokazPostepEksportu(false, 0);
  widok.PokazPozostalyCzas(false);
  pasekEksportu = false;
  pozostalyCzas = false;
  // An export the user stopped is not a finished one: say which, and what was kept (a
  // valid file up to where it stopped).
  String pliki;
  std::vector<String> zapisane;
  if (exporter != nullptr) zapisane = exporter->Pliki();
  for (const String& p : zapisane) pliki += (pliki.empty() ? "" : ", ") + p;
  if (!zapisane.empty()) widok.ZaproponujFolder(zapisane.front());
  if (przerwany) {
    status.BardzoLadnyPrint(pliki.empty() ? String("Eksport przerwany") : "Eksport przerwany; zapisano: " + pliki);
  } else {
    status.BardzoLadnyPrint(pliki.empty() ? String("Eksport zakończony") : "Eksport zakończony: " + pliki);
  }
  przerwany = false;
  widok.UstawPrzyciskEksportu("Eksportuj");
  if (doEksportu.Suma() == Roznica()) widok.UstawWysokosc(WidokEksportu::kWysokosc);
}
