#include "archive/DemoSchedule.h"

#include <algorithm>

#include "core/CallTrace.h"

namespace {

const Roznica kMinuta = Roznica::Minuta;
const Roznica kGodzina = Roznica::Godzina;

// The start of the run that holds t or, in the break, of the next run.
Czas PoczatekPrzebiegu(Czas t) {
  const Czas godzina = t.Zaokraglij(kGodzina);
  const Roznica w = t - godzina;
  if (w >= kMinuta * 20) return godzina + kMinuta * 22;
  return godzina - kMinuta * 38;
}

}  // namespace

bool DemoSchedule::Nagrywa(Czas t) {
  KG_TRACE("DemoSchedule::Nagrywa(Czas t)");
  const Roznica w = t - t.Zaokraglij(kGodzina);
  return w < kMinuta * 20 || w >= kMinuta * 22;
}

KawalekDemo DemoSchedule::KawalekW(Czas t, Roznica dlugosc) {
  KG_TRACE("DemoSchedule::KawalekW(Czas t, Roznica dlugosc)");
  const Czas przebieg = PoczatekPrzebiegu(t);
  const Czas koniecPrzebiegu = przebieg + kMinuta * 58;
  const int64_t j = t < przebieg ? 0 : (t - przebieg) / dlugosc;
  const Czas p = przebieg + dlugosc * j;
  return KawalekDemo{p, std::min(p + dlugosc, koniecPrzebiegu)};
}

KawalekDemo DemoSchedule::Nastepny(const KawalekDemo& k, Roznica dlugosc) {
  KG_TRACE("DemoSchedule::Nastepny(const KawalekDemo &k, Roznica dlugosc)");
  return KawalekW(k.koniec, dlugosc).poczatek == k.poczatek ? KawalekW(k.koniec + Roznica(1), dlugosc)
                                                            : KawalekW(k.koniec, dlugosc);
}

std::vector<KawalekDemo> DemoSchedule::Kawalki(Czas od, Czas do_, Roznica dlugosc) {
  KG_TRACE("DemoSchedule::Kawalki(Czas od, Czas do_, Roznica dlugosc)");
  std::vector<KawalekDemo> out;
  // The piece that holds od, when od is recorded; else the next.
  KawalekDemo k = KawalekW(od, dlugosc);
  if (k.koniec <= od) k = Nastepny(k, dlugosc);
  for (; k.poczatek < do_; k = Nastepny(k, dlugosc)) out.push_back(k);
  return out;
}

std::vector<Zdarzenie> DemoSchedule::Zdarzenia(Czas od, Czas do_) {
  KG_TRACE("DemoSchedule::Zdarzenia(Czas od, Czas do_)");
  std::vector<Zdarzenie> out;
  const auto wydarzenie = [&](const char* nazwa, Czas a, Roznica d) {
    if (a >= od && a < do_) out.push_back(Zdarzenie{Zdarzenie::Rodzaj::Wydarzenie, nazwa, a, a + d});
  };
  const auto marker = [&](Czas a) {
    if (a >= od && a < do_) out.push_back(Zdarzenie{Zdarzenie::Rodzaj::Marker, "Sygnał", a, a});
  };
  for (Czas h = od.Zaokraglij(kGodzina); h < do_; h += kGodzina) {
    wydarzenie("Wiadomości", h, kMinuta * 5);
    marker(h + kMinuta * 10);
    wydarzenie("Reklamy", h + kMinuta * 15, kMinuta * 2);
    marker(h + kMinuta * 30);
    wydarzenie("Reklamy", h + kMinuta * 45, kMinuta * 2);
    marker(h + kMinuta * 50);
  }
  return out;
}

std::vector<KawalekDemo> DemoSchedule::Cisze(Czas od, Czas do_) {
  KG_TRACE("DemoSchedule::Cisze(Czas od, Czas do_)");
  const Roznica s = Roznica::Sekunda;
  const std::pair<Roznica, Roznica> godzinowe[] = {
      {kMinuta * 7 + s * 30, kMinuta * 7 + s * 45},
      {kMinuta * 26, kMinuta * 26 + s * 6},
      {kMinuta * 37 + s * 50, kMinuta * 38 + s * 12},
  };
  std::vector<KawalekDemo> out;
  for (Czas h = od.Zaokraglij(kGodzina) - kGodzina; h < do_; h += kGodzina) {
    for (const auto& [a, b] : godzinowe) {
      if (h + b > od && h + a < do_) out.push_back(KawalekDemo{h + a, h + b});
    }
  }
  return out;
}
