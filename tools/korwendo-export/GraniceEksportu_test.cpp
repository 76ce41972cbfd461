// What korwendo-export accepts of an export: sequences of packets against the intervals
// asked, each case naming the first packet refused.
#include "korwendo-export/GraniceEksportu.h"

#include <gtest/gtest.h>

namespace {

const Czas kT0(Czas::ZNapisuHex("01DA9BAE54319000"));
const Roznica kS = Roznica::Sekunda;

// `ms` of 8 kHz mono PCM (or of `format`, `bajtyNaSekunde`) from kT0 + `od`.
PaczkaAudio Paczka(Roznica od, int ms, const String& format = "8000 mono 128 PCM", int bajtyNaSekunde = 16000) {
  PaczkaAudio a;
  a.czas = kT0 + od;
  a.format = format;
  a.dane.SetSize(static_cast<int>(static_cast<int64_t>(bajtyNaSekunde) * ms / 1000));
  return a;
}

TEST(GraniceEksportu, TheFirstPacketBeyondWhatWasAskedIsRefused) {
  // Two intervals, [0, 60 s] and [120 s, 130 s]: 70 s; at most 2 x 70 + 2 x 5 = 150 s of
  // audio and 2 + 2 changes of format.
  Przedzialy p;
  p.Add(Przedzial(kT0, kT0 + kS * 60));
  p.Add(Przedzial(kT0 + kS * 120, kT0 + kS * 130));
  struct Przypadek {
    const char* nazwa;
    std::vector<PaczkaAudio> paczki;
    int odrzucona;  // its index; -1: all accepted
    const char* powod;
  };
  std::vector<PaczkaAudio> calosc;
  for (int i = 0; i < 60; ++i) calosc.push_back(Paczka(kS * i, 1000));
  for (int i = 0; i < 10; ++i) calosc.push_back(Paczka(kS * (120 + i), 1000));
  std::vector<PaczkaAudio> wKolko;
  for (int i = 0; i < 70; ++i) wKolko.push_back(Paczka(kS * (i % 60), 1000));
  std::vector<PaczkaAudio> drobne;
  for (int i = 0; i < 200; ++i) drobne.push_back(Paczka(Roznica::Milisekunda * i, 1000));
  std::vector<PaczkaAudio> formaty;
  for (int i = 0; i < 10; ++i) {
    formaty.push_back(i % 2 == 0 ? Paczka(kS * i, 1000) : Paczka(kS * i, 1000, "16000 mono 256 PCM", 32000));
  }
  const Przypadek tabela[] = {
      {"what was asked, a frame over at each edge",
       {Paczka(-Roznica::Milisekunda * 26, 1026), Paczka(kS, 59000), Paczka(kS * 120, 10026)}, -1, ""},
      {"every second of both intervals", calosc, -1, ""},
      {"within the margin before and after", {Paczka(-kS * 4, 1000), Paczka(kS * 134, 1000)}, -1, ""},
      {"a step back within the margin", {Paczka(kS * 10, 1000), Paczka(kS * 6, 1000)}, -1, ""},
      {"before the first interval", {Paczka(-kS * 6, 1000)}, 0, "spoza podanych przedziałów"},
      {"between the intervals", {Paczka(kS * 10, 1000), Paczka(kS * 90, 1000)}, 1, "spoza podanych przedziałów"},
      {"14 hours past the end", {Paczka(kS * 10, 1000), Paczka(Roznica::Godzina * 14, 1000)}, 1, "spoza podanych przedziałów"},
      {"the same minute again", wKolko, 60, "znów to samo"},
      {"an hour in one packet", {Paczka(kS * 10, 3600 * 1000)}, 0, "a przedziały mają 70 s"},
      {"small steps, a second each", drobne, 150, "a przedziały mają 70 s"},
      {"the format changing every second", formaty, 5, "zmienia format"},
      {"a format no archive records", {Paczka(kS, 1000, "44100 stereo 2000000 MPEG1")}, 0, "kbit/s"},
      {"no format", {Paczka(kS, 1000, "bzdura")}, 0, "nieznanym formacie"},
  };
  for (const Przypadek& k : tabela) {
    SCOPED_TRACE(k.nazwa);
    GraniceEksportu g(p);
    int odrzucona = -1;
    String powod;
    for (size_t i = 0; i < k.paczki.size() && odrzucona < 0; ++i) {
      if (const auto r = g.Sprawdz(k.paczki[i])) {
        odrzucona = static_cast<int>(i);
        powod = *r;
      }
    }
    EXPECT_EQ(odrzucona, k.odrzucona) << powod;
    EXPECT_NE(powod.find(k.powod), String::npos) << powod;
  }
}

}  // namespace
