#include "archive/DetektorCiszy.h"

#include <cmath>

#include "archive/ArchiveInternals.h"

DetektorCiszy::DetektorCiszy(double prog) {
  const double a = 32768.0 * std::pow(10.0, prog / 20.0);
  prog2 = static_cast<int64_t>(a * a);
}

Czas DetektorCiszy::Koniec() const { return poczatek + Roznica(Tiki(probek, rate > 0 ? rate : 1)); }

void DetektorCiszy::ZamknijOkno() {
  if (wOknie == 0) return;
  const Czas od = poczatek + Roznica(Tiki(probek - wOknie, rate));
  // Mean square below the threshold's: sum < n * prog2, in integers.
  const bool cicho = suma < static_cast<uint64_t>(wOknie) * static_cast<uint64_t>(channels) * static_cast<uint64_t>(prog2);
  if (cicho && !cisza) cisza = od;
  if (!cicho && cisza) {
    if (od > *cisza) cisze.push_back(ZakresCzasu{*cisza, od});
    cisza.reset();
  }
  wOknie = 0;
  suma = 0;
}

void DetektorCiszy::Zakoncz() {
  if (!trwa) return;
  ZamknijOkno();
  const Czas koniec = Koniec();
  if (cisza && koniec > *cisza) cisze.push_back(ZakresCzasu{*cisza, koniec});
  cisza.reset();
  trwa = false;
}

void DetektorCiszy::Dodaj(const int16_t* pcm, int64_t ramek, int czestotliwosc, int kanaly, Czas czas) {
  if (ramek <= 0 || czestotliwosc <= 0 || kanaly <= 0) return;
  if (trwa && (czestotliwosc != rate || kanaly != channels || czas - Koniec() > Roznica::Milisekunda ||
               Koniec() - czas > Roznica::Milisekunda)) {
    Zakoncz();
  }
  if (!trwa) {
    trwa = true;
    rate = czestotliwosc;
    channels = kanaly;
    poczatek = czas;
    probek = 0;
    dlugoscOkna = std::max(1, czestotliwosc / 100);
    wOknie = 0;
    suma = 0;
  }
  for (int64_t i = 0; i < ramek;) {
    const int64_t n = std::min(ramek - i, dlugoscOkna - wOknie);
    const int16_t* p = pcm + i * kanaly;
    uint64_t s = 0;
    for (int64_t j = 0; j < n * kanaly; ++j) {
      const int64_t v = p[j];
      s += static_cast<uint64_t>(v * v);
    }
    suma += s;
    wOknie += n;
    probek += n;
    i += n;
    if (wOknie == dlugoscOkna) ZamknijOkno();
  }
}
