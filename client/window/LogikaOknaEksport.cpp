// The export list with its "Od"/"Do" marks, the export's start, progress and end, and
// the bookmarks.
#include "common/PaczkaAudio.h"
#include "core/CallTrace.h"
#include "core/Log.h"
#include "player/ListaStacji.h"
#include "transport/Protokol.h"
#include "window/LogikaOkna.h"
#include "window/SilnikEksportu.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOkna.h"

namespace {
const String q = "\"";
}  // namespace

void LogikaOkna::OznaczOd() {
  KG_TRACE("LogikaOkna::OznaczOd()");
  od = widok.CzasOsi();
  widok.UstawOd(od);
  widok.UstawPodpowiedzOd(od.Napis());
}

void LogikaOkna::OznaczDo() {
  KG_TRACE("LogikaOkna::OznaczDo()");
  do_ = widok.CzasOsi();
  widok.UstawDo(do_);
  widok.UstawPodpowiedzDo(do_.Napis());
}

void LogikaOkna::IdzDoOd() {
  KG_TRACE("LogikaOkna::IdzDoOd()");
  if (od != Czas()) player.UstawPozycje(od);
}

void LogikaOkna::IdzDoDo() {
  KG_TRACE("LogikaOkna::IdzDoDo()");
  if (do_ != Czas()) player.UstawPozycje(do_);
}

void LogikaOkna::DodajOdDo() {
  KG_TRACE("LogikaOkna::DodajOdDo()");
  if (od >= do_) {
    BardzoLadnyPrint(q + "Do" + q + " musi być później niż " + q + "Od" + q);
    return;
  }
  DodajDoEksportu(od, do_);
}

void LogikaOkna::PokazEksport() {
  KG_TRACE("LogikaOkna::PokazEksport()");
  widok.UstawPrzedzialy(1, doEksportu);
  widok.UstawListeEksportu(doEksportu.ListaKrotka());
}

void LogikaOkna::DodajDoEksportu(Czas od_, Czas doCzasu) {
  KG_TRACE("LogikaOkna::DodajDoEksportu(Czas od, Czas do_)");
  doEksportu.Add(Przedzial(od_, doCzasu));
  PokazEksport();
  widok.PokazListeEksportu(true);
  widok.UstawWysokosc(kWysokoscEksportu);
}

void LogikaOkna::UsunZEksportu(Czas od_, Czas doCzasu) {
  KG_TRACE("LogikaOkna::UsunZEksportu(Czas od, Czas do_)");
  doEksportu.Remove1(Przedzial(od_, doCzasu));
  PokazEksport();
  if (doEksportu.Count() == 0) {
    if (!pasekEksportu) widok.UstawWysokosc(kWysokosc);
    widok.PokazListeEksportu(false);
  }
}

void LogikaOkna::GrajZEksportu(int indeks) {
  KG_TRACE("LogikaOkna::GrajZEksportu(int indeks)");
  if (indeks < 0 || indeks >= doEksportu.Count()) return;
  player.UstawPozycje(doEksportu[indeks].begin);
}

void LogikaOkna::UsunZEksportu(int indeks) {
  KG_TRACE("LogikaOkna::UsunZEksportu(int indeks)");
  if (indeks < 0 || indeks >= doEksportu.Count()) return;
  const Przedzial p = doEksportu[indeks];
  UsunZEksportu(p.begin, p.end);
}

void LogikaOkna::CzyscListe() {
  KG_TRACE("LogikaOkna::CzyscListe()");
  doEksportu.Clear();
  PokazEksport();
  if (!pasekEksportu) widok.UstawWysokosc(kWysokosc);
  widok.PokazListeEksportu(false);
}

void LogikaOkna::Eksportuj() {
  KG_TRACE("LogikaOkna::Eksportuj()");
  if (exporter != nullptr && exporter->IsExporting()) {
    player.WyslijString(protokol::kPrzerwijEksport);
    return;
  }
  if (doEksportu.End() == Czas()) {
    BardzoLadnyPrint("Lista przedziałów do eksportu jest pusta");
    return;
  }
  if (exporter == nullptr) {
    BardzoLadnyPrint("Eksport jest niedostępny w tej wersji programu");
    return;
  }
  if (!exporter->Start(doEksportu)) return;
  widok.UstawPrzyciskEksportu("Przerwij eksport");
  maksimumEksportu = static_cast<int>(doEksportu.Suma() / Roznica::Sekunda);
  widok.PokazPostepEksportu(true, maksimumEksportu);
  pasekEksportu = true;
  wyeksportowano = Roznica();
}

void LogikaOkna::PaczkaEksportu(Paczka2& p) {
  KG_TRACE("LogikaOkna::PaczkaEksportu(Paczka2& p)");
  PaczkaAudio a;
  p.Wyjmij(a);
  if (!pozostalyCzas) {
    widok.PokazPozostalyCzas(true);
    pozostalyCzas = true;
    startEksportu = Teraz();
  }
  wyeksportowano += a.IleCzasu();
  int pozycja = static_cast<int>(wyeksportowano / Roznica::Sekunda);
  // The gauge holds its position within its range.
  if (pozycja > maksimumEksportu) pozycja = maksimumEksportu;
  if (pozycja < 0) pozycja = 0;
  widok.UstawPostepEksportu(pozycja);
  if (pozycja > 0) {
    const Roznica uplynelo = Teraz() - startEksportu;
    const double calosc = static_cast<double>(uplynelo.Wartosc()) *
                          (static_cast<double>(maksimumEksportu) / static_cast<double>(pozycja));
    widok.UstawPozostalyCzas(Roznica(static_cast<int64_t>(calosc) - uplynelo.Wartosc()).Napis());
  }
  if (exporter != nullptr) exporter->AddPacket(a);
}

void LogikaOkna::KoniecEksportu() {
  KG_TRACE("LogikaOkna::KoniecEksportu()");
  if (exporter != nullptr) exporter->Finish();
  widok.PokazPostepEksportu(false, 0);
  widok.PokazPozostalyCzas(false);
  pasekEksportu = false;
  pozostalyCzas = false;
  BardzoLadnyPrint("Eksport zakończony");
  widok.UstawPrzyciskEksportu("Eksportuj");
  if (doEksportu.Suma() == Roznica()) widok.UstawWysokosc(kWysokosc);
}

String LogikaOkna::OpisZakladki() {
  KG_TRACE("LogikaOkna::OpisZakladki()");
  return player.DajStacje() + ", " + lista.StartCzas().Napis();
}

void LogikaOkna::DodajZakladke() {
  KG_TRACE("LogikaOkna::DodajZakladke()");
  lista.DodajZakladke(lista.StartCzas(), OpisZakladki(), lista.StartNazwa());
}

void LogikaOkna::DodajZakladkeZOpisem() {
  KG_TRACE("LogikaOkna::DodajZakladkeZOpisem()");
  String opis = OpisZakladki();
  if (!widok.Zapytaj(opis, "Opis zakładki")) return;
  lista.DodajZakladke(lista.StartCzas(), opis, lista.StartNazwa());
}
