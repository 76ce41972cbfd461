#pragma once
// The tests' check of what a client hears: reads a stretch of an archive as the server
// would send it, decodes it with the decoder chain the client plays with (MasterDekoder),
// and reads the time code in it (TimeCodeProbe). Header-only, with GoogleTest assertions;
// never part of the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "archive/Archive.h"
#include "archive/ArchiveReader.h"
#include "archive/TimeCodeProbe.h"
#include "common/AudioFormat.h"
#include "decoder/MasterDekoder.h"

namespace probe {

// Reads `dlugosc` of audio from t as a client would play it (first channel), and checks
// that the blocks follow each other without a gap and that every second decodes to the
// time code of the moment their times say, within `tolerancjaMs`, the offsets of all
// seconds within 2 ms of each other (nothing lost or doubled on the way). `oczekiwane`: how
// much later than their times the caller knows the audio to be heard (the offsets are
// measured from it). Returns the largest offset in ms.
inline double SprawdzKod(const Archive& a, Czas t, Roznica dlugosc, double tolerancjaMs = 30.0,
                         Roznica oczekiwane = Roznica(0)) {
  ArchiveReader r(a);
  r.Seek(t);
  MasterDekoder d;
  std::vector<int16_t> pcm;
  ArchiveReader::Blok b;
  Czas poczatek, koniec;
  AudioFormat f;
  while (koniec < t + dlugosc && r.Czytaj(8000, b)) {
    if (poczatek == Czas()) {
      poczatek = b.czas;
      EXPECT_LE(b.czas, t);
      EXPECT_GT(b.czas, t - Roznica::Milisekunda * 200) << "the step back is a few frames";
      f = AudioFormat(b.format);
      d.SetFormat(f);
    } else {
      EXPECT_FALSE(b.przerwa);
      EXPECT_LE(Czas::Odstep(b.czas, koniec), Roznica(10)) << "blocks follow each other";
    }
    koniec = b.koniec;
    d.Write(b.dane.data(), static_cast<int>(b.dane.size()));
    int16_t bufor[4096];
    for (int n; (n = d.ReadAnyNonBlocking(bufor, sizeof bufor)) > 0;) {
      for (int i = 0; i < n / 2; i += f.GetChannels()) pcm.push_back(bufor[i]);
    }
  }
  EXPECT_GE(koniec, t + dlugosc - Roznica::Milisekunda * 100);
  const auto sekundy = probe::Czytaj(pcm, f.GetSps(), poczatek - oczekiwane, f.GetSps() / 5);
  EXPECT_GE(sekundy.size(), static_cast<size_t>(dlugosc / Roznica::Sekunda) - 2);
  double najwiecej = 0;
  double najmniej = 1e9;
  double najbardziej = -1e9;
  for (const auto& s : sekundy) {
    EXPECT_TRUE(s.Zgadza()) << "second " << s.oczekiwana << " reads " << s.godzina << ":" << s.minuta << ":" << s.sekunda;
    EXPECT_LT(std::abs(s.przesuniecieMs), tolerancjaMs) << "second " << s.oczekiwana;
    najwiecej = std::max(najwiecej, std::abs(s.przesuniecieMs));
    najmniej = std::min(najmniej, s.przesuniecieMs);
    najbardziej = std::max(najbardziej, s.przesuniecieMs);
  }
  EXPECT_LT(najbardziej - najmniej, 2.0) << "the offset changes within the stretch";
  return najwiecej;
}

}  // namespace probe
