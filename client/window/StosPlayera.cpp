#include "window/StosPlayera.h"

#include <utility>

#include "core/Exception.h"
#include "player/ListaStacji.h"
#include "window/ExporterOkna.h"

StosPlayera::StosPlayera(TimeComponent* czas, EsencjaPlayera::Wyposazenie w, std::function<void()> b)
    : budzik(std::move(b)) {
  esencja = std::make_unique<EsencjaPlayera>(czas, &watek, this, std::move(w));
  sterowanie = std::make_unique<SterowanieEsencji>(*esencja);
}

StosPlayera::~StosPlayera() {
  if (lista != nullptr) lista->UstawPlayera(nullptr);
  // The logic holds the engine, not the other way round: it goes first, doing nothing.
  logika.reset();
  // The export's file is finished while the connection it came over still exists.
  eksport.reset();
  // No socket handler and no notification after this.
  esencja.reset();
  sterowanie.reset();
}

void StosPlayera::UstawEksport(std::unique_ptr<ExporterOkna> e) {
  if (eksport || logika) KG_ASSERTION("eksport || logika");
  eksport = std::move(e);
}

LogikaOkna& StosPlayera::ZbudujLogike(WidokOkna& w, ListaStacji& l, LogikaOkna::Ustawienia u, ExporterOkna* obcy) {
  if (logika) KG_ASSERTION("logika");
  lista = &l;
  logika = std::make_unique<LogikaOkna>(w, *sterowanie, l, obcy != nullptr ? obcy : eksport.get(), std::move(u));
  return *logika;
}

void StosPlayera::Powiadom(ZdarzeniePolaczenia z) {
  {
    std::lock_guard<std::mutex> l(mutex);
    kolejka.push_back(z);
  }
  if (budzik) budzik();
}

std::vector<ZdarzeniePolaczenia> StosPlayera::Odbierz() {
  std::lock_guard<std::mutex> l(mutex);
  return std::exchange(kolejka, {});
}
