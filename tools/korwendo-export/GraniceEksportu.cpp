#include "korwendo-export/GraniceEksportu.h"

#include <algorithm>

#include "common/AudioFormat.h"
#include "textforms/CzasTekstowy.h"

namespace {

const String kWiecej = "przysłał więcej, niż eksport prosił: ";

String Sekundy(Roznica r) { return std::to_string(r.Wartosc() / Roznica::Sekunda.Wartosc()) + " s"; }

}  // namespace

GraniceEksportu::GraniceEksportu(const Przedzialy& p) : przedzialy(p.Wszystkie()), suma(p.Suma()) {
  const auto n = static_cast<int64_t>(przedzialy.size());
  najwiecej = suma * kKrotnosc + kMargines * n;
  najwiecejZmian = static_cast<int>(n + (suma.Wartosc() + Roznica::Minuta.Wartosc() - 1) / Roznica::Minuta.Wartosc());
}

std::optional<String> GraniceEksportu::Sprawdz(const PaczkaAudio& p) {
  AudioFormat f;
  try {
    f = AudioFormat(p.format);
  } catch (const std::exception&) {
  }
  if (!f.IsValid()) return "przysłał dźwięk w nieznanym formacie \"" + p.format.substr(0, 200) + "\"";
  if (f.GetBps() / 1000 > kMaksKbps) {
    return "przysłał dźwięk o przepływności " + std::to_string(f.GetBps() / 1000) + " kbit/s, której archiwum nie nagrywa";
  }
  // The first interval that ends after the packet's beginning less the margin.
  const auto i = std::lower_bound(przedzialy.begin(), przedzialy.end(), p.czas - kMargines,
                                  [](const Przedzial& a, Czas t) { return a.end < t; });
  if (i == przedzialy.end() || p.czas < i->begin - kMargines) {
    return kWiecej + "dźwięk z " + NapisIso(p.czas) + ", spoza podanych przedziałów";
  }
  if (poprzedni && p.czas < *poprzedni - kMargines) {
    return kWiecej + "dźwięk z " + NapisIso(p.czas) + " po dźwięku z " + NapisIso(*poprzedni) + ", znów to samo";
  }
  const Roznica d = f.GetDuration(p.dane.Size());
  if (audio + d > najwiecej) {
    return kWiecej + "ponad " + Sekundy(audio + d) + " nagrań, a przedziały mają " + Sekundy(suma);
  }
  const String ten = f.GetString();
  if (!format.empty() && ten != format && ++zmiany > najwiecejZmian) {
    return "zmienia format dźwięku częściej, niż zmienia się on w archiwum: " + std::to_string(zmiany) +
           " zmian na " + Sekundy(suma) + " nagrań";
  }
  format = ten;
  poprzedni = std::max(p.czas, poprzedni.value_or(p.czas));
  audio = audio + d;
  return std::nullopt;
}
