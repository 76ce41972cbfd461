#include "korwendo-export/PostepEksportu.h"

#include <algorithm>
#include <cstdio>

PostepEksportu::PostepEksportu(const Przedzialy& p) : przedzialy(p.Wszystkie()), suma(p.Suma()) {}

void PostepEksportu::Dodaj(const PaczkaAudio& p) {
  try {
    const Roznica d = p.IleCzasu();
    audio = audio + d;
    doszedl = std::max(doszedl, p.czas + d);
  } catch (const std::exception&) {
    // A format the exporter cannot write either; it reports that itself.
  }
}

double PostepEksportu::Udzial() const {
  if (suma.Wartosc() <= 0) return 0;
  int64_t zrobione = 0;
  for (const Przedzial& p : przedzialy) {
    if (doszedl <= p.begin) break;
    zrobione += (std::min(doszedl, p.end) - p.begin).Wartosc();
  }
  return std::clamp(static_cast<double>(zrobione) / static_cast<double>(suma.Wartosc()), 0.0, 1.0);
}

std::optional<Roznica> PostepEksportu::Zostalo(Roznica uplynelo) const {
  const double u = Udzial();
  if (u <= 0) return std::nullopt;
  return Roznica(static_cast<int64_t>(static_cast<double>(uplynelo.Wartosc()) * (1 - u) / u));
}

String PostepEksportu::Pasek(Roznica uplynelo, int szerokosc) const {
  // A hair above, so that a share a tick short of a whole percent (the intervals are
  // closed: each counts one tick more) reads as that percent.
  const double u = Udzial() + 1e-7;
  const int pelne = std::min(static_cast<int>(u * szerokosc), szerokosc);
  String s;
  char b[96];
  std::snprintf(b, sizeof b, "%3d%% [", std::min(static_cast<int>(u * 100), 100));
  s += b;
  s += String(static_cast<size_t>(pelne), '#') + String(static_cast<size_t>(szerokosc - pelne), '.');
  std::snprintf(b, sizeof b, "] %lld s of audio", static_cast<long long>(audio.Wartosc() / Roznica::Sekunda.Wartosc()));
  s += b;
  if (const std::optional<Roznica> z = Zostalo(uplynelo)) {
    const long long sek = z->Wartosc() / Roznica::Sekunda.Wartosc();
    std::snprintf(b, sizeof b, ", %lld:%02lld:%02lld left", sek / 3600, sek / 60 % 60, sek % 60);
    s += b;
  }
  return s;
}
