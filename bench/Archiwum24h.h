#pragma once
// The benchmarks' 24-hour archive: hourly MP3 files in the Rotter "flat" layout (UTC
// names) of one continuous stream of silent frames of varying bit rate; each new file
// begins 0.3 s before its hour, in the middle of a frame, the previous one closed by its
// ID3v1 block, as Rotter cuts them. About 1.4 GB, made once in $TMPDIR/kg-bench-archive-24h
// and reused (delete the directory to make it again). Header-only; benchmarks only.
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/ArchiveFixtures.h"
#include "archive/RotterLayout.h"

namespace archiwum24h {

inline const Czas kPoczatek = fixtures::Utc(2024, 3, 5, 0);

inline std::string Katalog() {
  return (std::filesystem::temp_directory_path() / "kg-bench-archive-24h").string();
}

inline RotterLayout Uklad() { return RotterLayout(RotterLayout::Rodzaj::Flat, "mp3", "", true); }

// Makes the archive unless a finished one is there.
inline void Zrob() {
  const std::string katalog = Katalog();
  if (std::filesystem::exists(katalog + "/.gotowe")) return;
  std::filesystem::remove_all(katalog);
  std::filesystem::create_directories(katalog);
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kPoczatek);
  s.Cisza(Roznica::Dzien, {9, 10, 8, 11, 9, 7, 9, 12, 9});
  int64_t od = 0;
  for (int h = 0; h < 24; ++h) {
    const Czas godzina = kPoczatek + Roznica::Godzina * h;
    const bool ostatni = h == 23;
    const int64_t k = ostatni ? s.LiczbaRamek() : s.RamkaW(godzina + Roznica::Godzina - Roznica::Milisekunda * 300);
    const int64_t doBajtu = ostatni ? static_cast<int64_t>(s.Bajty().size()) : s.Offset(k) + 100;
    fixtures::Zapisz(katalog, Uklad().Sciezka(godzina),
                     s.Bajty().substr(static_cast<size_t>(od), static_cast<size_t>(doBajtu - od)) + fixtures::Tag(godzina),
                     ostatni ? s.Koniec() + fixtures::kKoder : s.CzasRamki(k + 1) + fixtures::kZamkniecie);
    od = doBajtu;
  }
  std::ofstream(katalog + "/.gotowe") << "1\n";
}

}  // namespace archiwum24h
