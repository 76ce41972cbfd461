#include "archive/Archive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <atomic>
#include <random>
#include <thread>

#include "archive/ArchiveFixtures.h"
#include "archive/ArchiveReader.h"
#include "archive/ReaderProbe.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {

using fixtures::Strumien;
using fixtures::Utc;
using R = RotterLayout::Rodzaj;

const Roznica kMs = Roznica::Milisekunda;

TimeZone Cet() { return TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"); }

KonfiguracjaArchiwum Konfiguracja(const String& katalog, const RotterLayout& uklad) {
  return KonfiguracjaArchiwum{"test", katalog, uklad};
}

// Every block from t (without stepping back) to the end of the archive.
std::vector<ArchiveReader::Blok> CzytajWszystko(const Archive& a, Czas t, int maxBajtow = 5000) {
  ArchiveReader r(a);
  r.Seek(t, false);
  std::vector<ArchiveReader::Blok> out;
  ArchiveReader::Blok b;
  while (r.Czytaj(maxBajtow, b)) out.push_back(b);
  return out;
}

std::string Bajty(const std::vector<ArchiveReader::Blok>& bloki) {
  std::string s;
  for (const auto& b : bloki) s += b.dane;
  return s;
}

// A Rotter recording of the time code from H - 12 s to H + 12 s, as two files: the one of
// hour H - 1, cut off 0.3 s before H in the middle of a frame and closed with its ID3v1
// block, and the one of hour H, which begins with the rest of that frame.
struct DwaPliki {
  Czas godzina = Utc(2024, 3, 5, 14);
  Strumien s{Strumien::Warstwa::III, godzina - Roznica::Sekunda * 12};
  int64_t ciecie = 0;
  int64_t ramkaCiecia = 0;

  DwaPliki() {
    s.Kod(Roznica::Sekunda * 24);
    ramkaCiecia = s.RamkaW(godzina - kMs * 300);
    ciecie = s.Offset(ramkaCiecia) + 150;
  }
  std::string Pierwszy(Czas nazwany) const {
    return s.Bajty().substr(0, static_cast<size_t>(ciecie)) + fixtures::Tag(nazwany);
  }
  std::string Drugi(Czas nazwany) const { return s.Bajty().substr(static_cast<size_t>(ciecie)) + fixtures::Tag(nazwany); }
  // Rotter's modification times: the first file closed when the second began, R/4 after
  // its last sample (the end of the frame it cut off); the second stopped some time after
  // its last sample.
  Czas MtimePierwszego() const { return s.CzasRamki(ramkaCiecia + 1) + fixtures::kZamkniecie; }
  Czas MtimeDrugiego() const { return s.Koniec() + fixtures::kKoder + kMs * 320; }
  void Zapisz(const std::string& katalog, const RotterLayout& l, bool mtime = true, Roznica strefa = Roznica(0)) const {
    const Czas a = s.CzasRamki(0);
    const Czas b = s.CzasRamki(ramkaCiecia + 1);
    const bool dokladny = l.GetRodzaj() == R::Accurate;
    // Rotter names a file after the hour it belongs to; the accurate layout after its start.
    const Czas nazwaA = dokladny ? a : (godzina - Roznica::Godzina);
    const Czas nazwaB = dokladny ? Czas(b.Wartosc() - b.Wartosc() % (kMs * 10).Wartosc()) : godzina;
    fixtures::Zapisz(katalog, l.Sciezka(nazwaA), Pierwszy(nazwaA + strefa),
                     mtime ? MtimePierwszego() : Czas::Teraz());
    fixtures::Zapisz(katalog, l.Sciezka(nazwaB), Drugi(nazwaB + strefa), mtime ? MtimeDrugiego() : Czas::Teraz());
  }
};

TEST(ArchiveTest, EveryLayoutPlaysAcrossItsFiles) {
  const DwaPliki nagranie;
  const std::vector<RotterLayout> uklady = {
      RotterLayout(R::Flat, "mp3", "", true),
      RotterLayout(R::Hierarchy, "mp3", "radio", true),
      RotterLayout(R::Combo, "mp3", "", true),
      RotterLayout(R::Dailydir, "mp3", "radio", true),
      RotterLayout(R::Accurate, "mp3", "", true),
      RotterLayout::ZWzoru("%Y/%j/%H-rec", "mp3", true),
      RotterLayout(R::Flat, "mp3", "", false, Cet()),
  };
  for (const RotterLayout& l : uklady) {
    SCOPED_TRACE(l.Wzor());
    TempDir dir;
    nagranie.Zapisz(dir.Path(), l, true, l.Utc() ? Roznica(0) : Roznica::Godzina);
    Archive a(Konfiguracja(dir.Path(), l));
    ASSERT_TRUE(a.Odswiez());
    EXPECT_FALSE(a.Odswiez());
    EXPECT_EQ(a.Format(), "44100 stereo 128 MPEG1");
    // Exactly the recorded span, one interval, although it lies in two files.
    EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{nagranie.s.CzasRamki(0), nagranie.s.Koniec()}}));
    // Read from its start, it is the encoder's stream, the ID3v1 blocks left out and the
    // frame cut between the files joined again.
    EXPECT_TRUE(Bajty(CzytajWszystko(a, nagranie.s.CzasRamki(0))) == nagranie.s.Bajty());
    const double ms = probe::SprawdzKod(a, nagranie.godzina - Roznica::Sekunda * 3, Roznica::Sekunda * 6);
    std::printf("%s: time code within %.1f ms across the files\n", l.Wzor().c_str(), ms);
  }
}

// Files that cannot be played are left out and logged once each, with the reason; a file
// that may still be being written is not reported yet; a FIFO named as a recording is not
// waited on.
TEST(ArchiveTest, UnplayableFilesAreLoggedOnceWithTheReason) {
  LogCapture log;
  TempDir dir;
  const RotterLayout l(R::Accurate, "mp3", "", true);
  const Czas t = Utc(2024, 5, 1, 10);
  const Roznica h = Roznica::Godzina;
  Strumien dobry(Strumien::Warstwa::III, t);
  dobry.Cisza(Roznica::Sekunda * 2);
  fixtures::Zapisz(dir.Path(), l.Sciezka(t), dobry.Bajty(), t + h);
  struct Przypadek {
    const char* nazwa;
    Czas czas;
    std::string bajty;
    const char* powod;  // null: not reported
  };
  const std::vector<Przypadek> przypadki = {
      {"empty", t + h, "", "pusty plik"},
      {"zeros", t + h * 2, std::string(100000, '\0'), "brak ramek MPEG w 100000 bajtach"},
      {"cut WAV header", t + h * 3, "RIFF\x10\0\0\0WAVEfmt ", "brak nagłówka WAV z danymi PCM 16 bit"},
      {"written just now", t + h * 4, std::string(3000, '\0'), nullptr},
  };
  for (const Przypadek& p : przypadki) {
    fixtures::Zapisz(dir.Path(), l.Sciezka(p.czas), p.bajty, p.powod ? p.czas + h : Czas::Teraz());
  }
  const std::string fifo = dir.Path() + "/" + l.Sciezka(t + h * 5);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  Archive a(Konfiguracja(dir.Path(), l));
  ASSERT_TRUE(a.Odswiez());
  EXPECT_FALSE(a.Odswiez());
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{t, dobry.Koniec()}}));
  const std::string tekst = log.Text();
  const auto ile = [&](const std::string& s) {
    size_t n = 0;
    for (size_t i = tekst.find(s); i != std::string::npos; i = tekst.find(s, i + 1)) ++n;
    return n;
  };
  for (const Przypadek& p : przypadki) {
    const std::string plik = dir.Path() + "/" + l.Sciezka(p.czas) + " nie do odtworzenia";
    EXPECT_EQ(ile(plik), p.powod ? 1u : 0u) << p.nazwa << "\n" << tekst;
    if (p.powod) {
      EXPECT_EQ(ile(plik + ": " + p.powod), 1u) << p.nazwa << "\n" << tekst;
    }
  }
  EXPECT_EQ(ile("nie do odtworzenia"), 3u) << tekst;
}

// The first file after a start is partial; its start comes from the best evidence left.
TEST(ArchiveTest, PartialFirstFileIsPlacedByTheBestEvidence) {
  const DwaPliki nagranie;
  const RotterLayout l(R::Flat, "mp3", "", true);
  const Czas start = nagranie.s.CzasRamki(0);
  {
    // Modification times as Rotter left them: exact.
    TempDir dir;
    nagranie.Zapisz(dir.Path(), l, true);
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    ASSERT_EQ(a.Odcinki().size(), 2u);
    EXPECT_EQ(a.Odcinki()[0].dowod, Archive::Dowod::Mtime);
    EXPECT_EQ(a.Odcinki()[0].poczatek, start);
  }
  {
    // Copied files: their modification times say nothing and are refused; the name of the
    // second, full, file places both, as precisely as Rotter names its files.
    TempDir dir;
    nagranie.Zapisz(dir.Path(), l, false);
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    const auto o = a.Odcinki();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].dowod, Archive::Dowod::NazwaPelnegoPliku);
    EXPECT_LT(Czas::Odstep(o[1].poczatek, nagranie.s.CzasRamki(nagranie.ramkaCiecia + 1)), kMs * 350);
    EXPECT_EQ(o[1].poczatek, nagranie.godzina);
    EXPECT_EQ(o[1].poczatek, o[0].koniec);
  }
  {
    // The partial file alone, stopped 0.1 s after its last sample: its modification time
    // bounds it from above, within its hour.
    TempDir dir;
    fixtures::Zapisz(dir.Path(), l.Sciezka(nagranie.godzina - Roznica::Godzina),
                     nagranie.Pierwszy(nagranie.godzina - Roznica::Godzina),
                     nagranie.s.CzasRamki(nagranie.ramkaCiecia) + fixtures::kKoder + kMs * 100);
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    ASSERT_EQ(a.Odcinki().size(), 1u);
    EXPECT_EQ(a.Odcinki()[0].dowod, Archive::Dowod::Mtime);
    EXPECT_EQ(a.Odcinki()[0].poczatek, start + kMs * 100);
    // With a modification time outside its hour it goes by its name: not before the hour.
    fixtures::Zapisz(dir.Path(), l.Sciezka(nagranie.godzina - Roznica::Godzina),
                     nagranie.Pierwszy(nagranie.godzina - Roznica::Godzina), Czas::Teraz());
    Archive b(Konfiguracja(dir.Path(), l));
    b.Odswiez();
    EXPECT_EQ(b.Odcinki()[0].dowod, Archive::Dowod::NazwaPoczatku);
    EXPECT_EQ(b.Odcinki()[0].poczatek, nagranie.godzina - Roznica::Godzina);
  }
  {
    // A writer that tags the minute it started at, with no modification time to go by.
    TempDir dir;
    const Czas minuta = Utc(2024, 3, 5, 13, 59);
    fixtures::Zapisz(dir.Path(), l.Sciezka(minuta),
                     nagranie.s.Bajty().substr(0, static_cast<size_t>(nagranie.ciecie)) + fixtures::Tag(minuta, true),
                     Czas::Teraz());
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    ASSERT_EQ(a.Odcinki().size(), 1u);
    EXPECT_EQ(a.Odcinki()[0].dowod, Archive::Dowod::Id3);
    EXPECT_EQ(a.Odcinki()[0].poczatek, minuta);
  }
}

// When clocks go back, Rotter appends the repeated hour to the file of the first one,
// after its ID3v1 block; both halves play at their true UTC times.
TEST(ArchiveTest, RepeatedHourInOneFileBehindItsTag) {
  const RotterLayout l(R::Flat, "mp3", "", false, Cet());
  const Czas zmiana = Utc(2024, 10, 27, 1);  // 03:00 summer time becomes 02:00 winter time
  Strumien s(Strumien::Warstwa::III, zmiana - Roznica::Sekunda * 20);
  s.Kod(Roznica::Sekunda * 40);
  const int64_t k = s.RamkaW(zmiana - kMs * 300);
  const int64_t ciecie = s.Offset(k) + 222;
  const Czas lokalna = Utc(2024, 10, 27, 2);  // the name's time, local
  ASSERT_EQ(l.Sciezka(zmiana - Roznica::Sekunda), "2024-10-27-02.mp3");
  ASSERT_EQ(l.Sciezka(zmiana + Roznica::Sekunda), "2024-10-27-02.mp3");
  TempDir dir;
  fixtures::Zapisz(dir.Path(), "2024-10-27-02.mp3",
                   s.Bajty().substr(0, static_cast<size_t>(ciecie)) + fixtures::Tag(lokalna) +
                       s.Bajty().substr(static_cast<size_t>(ciecie)) + fixtures::Tag(lokalna),
                   s.Koniec() + fixtures::kKoder);
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  const auto o = a.Odcinki();
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].poczatek, s.CzasRamki(0));
  EXPECT_EQ(o[1].poczatek, s.CzasRamki(k + 1));
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{s.CzasRamki(0), s.Koniec()}}));
  EXPECT_TRUE(Bajty(CzytajWszystko(a, s.CzasRamki(0))) == s.Bajty());
  probe::SprawdzKod(a, zmiana - Roznica::Sekunda * 3, Roznica::Sekunda * 6);

  // Copied, its modification time says nothing: the part after the block began before the
  // hour came round again, so the file lies at most that much late, not an hour early.
  fixtures::Zapisz(dir.Path(), "2024-10-27-02.mp3",
                   s.Bajty().substr(0, static_cast<size_t>(ciecie)) + fixtures::Tag(lokalna) +
                       s.Bajty().substr(static_cast<size_t>(ciecie)) + fixtures::Tag(lokalna),
                   Czas::Teraz());
  Archive b(Konfiguracja(dir.Path(), l));
  b.Odswiez();
  const auto p = b.Odcinki();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1].poczatek, zmiana);
  EXPECT_LT(Czas::Odstep(p[0].poczatek, s.CzasRamki(0)), kMs * 350);
}

// Whole hours around both changes of the clocks, made of silent frames, from the names
// alone (copied files): the repeated hour lies where it happened, the skipped one is no gap.
TEST(ArchiveTest, WholeHoursAcrossClockChangesFromNamesAlone) {
  const RotterLayout l(R::Flat, "mp3", "", false, Cet());
  struct {
    Czas od;               // first sample, UTC
    std::vector<Czas> godziny;  // hour changes seen by Rotter, UTC
    std::vector<const char*> nazwy;
  } przypadki[] = {
      {Utc(2024, 10, 26, 23, 59, 50), {Utc(2024, 10, 27, 0), Utc(2024, 10, 27, 1), Utc(2024, 10, 27, 2)},
       {"2024-10-27-01.mp3", "2024-10-27-02.mp3", "2024-10-27-02.mp3", "2024-10-27-03.mp3"}},
      {Utc(2024, 3, 30, 23, 59, 50), {Utc(2024, 3, 31, 0), Utc(2024, 3, 31, 1)},
       {"2024-03-31-00.mp3", "2024-03-31-01.mp3", "2024-03-31-03.mp3"}},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwy[1]);
    Strumien s(Strumien::Warstwa::III, p.od);
    s.Cisza(p.godziny.back() - p.od + Roznica::Sekunda * 10);
    std::map<std::string, std::string> pliki;
    int64_t od = 0;
    std::vector<int64_t> pierwszeRamki{0};
    for (size_t i = 0; i <= p.godziny.size(); ++i) {
      const int64_t k = i < p.godziny.size() ? s.RamkaW(p.godziny[i] - kMs * 300) : s.LiczbaRamek();
      const int64_t doBajtu = i < p.godziny.size() ? s.Offset(k) + 100 : static_cast<int64_t>(s.Bajty().size());
      pliki[p.nazwy[i]] += s.Bajty().substr(static_cast<size_t>(od), static_cast<size_t>(doBajtu - od)) + fixtures::Tag(Czas());
      od = doBajtu;
      if (i < p.godziny.size()) pierwszeRamki.push_back(k + 1);
    }
    TempDir dir;
    for (const auto& [nazwa, bajty] : pliki) fixtures::Zapisz(dir.Path(), nazwa, bajty, Czas::Teraz());
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    const auto o = a.Odcinki();
    ASSERT_EQ(o.size(), p.nazwy.size());
    for (size_t i = 1; i < o.size(); ++i) {
      EXPECT_LT(Czas::Odstep(o[i].poczatek, s.CzasRamki(pierwszeRamki[i])), kMs * 350) << i;
    }
    const auto przedzialy = a.Przedzialy();
    ASSERT_EQ(przedzialy.size(), 1u);
    EXPECT_EQ(przedzialy[0].koniec - przedzialy[0].poczatek, s.Koniec() - s.CzasRamki(0));
  }
}

TEST(ArchiveTest, GrowingFileIsReadAsItGrows) {
  const RotterLayout l(R::Dailydir, "mp3", "", true);
  const Czas start = Utc(2024, 3, 5, 14);
  Strumien s(Strumien::Warstwa::III, start);
  s.Kod(Roznica::Sekunda * 8);
  TempDir dir;
  const std::string wzgledna = l.Sciezka(start);
  Archive a(Konfiguracja(dir.Path(), l));
  ArchiveReader r(a);
  r.Seek(start);
  std::string przeczytane;
  ArchiveReader::Blok b;
  Czas koniec = start;
  std::mt19937 los(3);
  size_t zapisane = 0;
  int puste = 0;
  while (zapisane < s.Bajty().size()) {
    // The writer appends whatever it has, frames cut anywhere.
    const size_t nowe = std::min(s.Bajty().size(), zapisane + 1 + los() % 3000);
    fixtures::Dopisz(dir.Path(), wzgledna, s.Bajty().substr(zapisane, nowe - zapisane));
    zapisane = nowe;
    a.Odswiez();
    while (r.Czytaj(1000, b)) {
      EXPECT_FALSE(b.przerwa);
      EXPECT_EQ(b.czas, koniec);
      koniec = b.koniec;
      przeczytane += b.dane;
    }
    ++puste;
  }
  EXPECT_TRUE(przeczytane == s.Bajty());
  EXPECT_EQ(koniec, s.Koniec());
  EXPECT_GT(puste, 10);
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{start, s.Koniec()}}));
}

// A look that a stop request cuts short changes nothing the queries see and takes in no
// file indexed in part; the next look takes up what it left: new files, and a file that
// grew (here by a long run of junk and more audio, so that its indexing is cut short).
TEST(ArchiveTest, AStoppedLookChangesNothingAndTheNextTakesItUp) {
  const RotterLayout l(R::Dailydir, "mp3", "", true);
  const Czas start = Utc(2024, 3, 5, 14);
  Strumien s(Strumien::Warstwa::III, start);
  s.Kod(Roznica::Sekunda * 8);
  const size_t polowa = static_cast<size_t>(s.Offset(s.LiczbaRamek() / 2));
  TempDir dir;
  const std::string wzgledna = l.Sciezka(start);
  fixtures::Zapisz(dir.Path(), wzgledna, s.Bajty().substr(0, polowa), Czas::Teraz());
  Archive a(Konfiguracja(dir.Path(), l));
  const std::atomic<bool> stop{true};
  EXPECT_FALSE(a.Odswiez(&stop));
  EXPECT_TRUE(a.Odcinki().empty());
  EXPECT_EQ(a.Wersja(), 0u);
  EXPECT_TRUE(a.Odswiez());
  const std::vector<ZakresCzasu> pol = {{start, s.CzasRamki(s.LiczbaRamek() / 2)}};
  EXPECT_EQ(a.Przedzialy(), pol);

  fixtures::Dopisz(dir.Path(), wzgledna, std::string(3 << 20, '\0') + s.Bajty().substr(polowa));
  const uint64_t wersja = a.Wersja();
  EXPECT_FALSE(a.Odswiez(&stop));
  EXPECT_EQ(a.Przedzialy(), pol);
  EXPECT_EQ(a.Wersja(), wersja);
  EXPECT_TRUE(a.Odswiez());
  Archive wzor(Konfiguracja(dir.Path(), l));
  wzor.Odswiez();
  EXPECT_EQ(a.Przedzialy(), wzor.Przedzialy());
  EXPECT_EQ(a.Odcinki().size(), 2u);
}

// The server refreshes the archive on its own thread while clients read it on theirs.
TEST(ArchiveTest, ReadersRunWhileTheArchiveIsRefreshed) {
  const RotterLayout l(R::Accurate, "mp2", "", true);
  const Czas start = Utc(2024, 3, 5, 14, 22);
  Strumien s(Strumien::Warstwa::II, start, 48000, 2, 192);
  s.Cisza(Roznica::Sekunda * 60);
  TempDir dir;
  Archive a(Konfiguracja(dir.Path(), l));
  std::atomic<bool> koniec{false};
  std::thread pisarz([&] {
    std::mt19937 los(5);
    for (size_t n = 0; n < s.Bajty().size();) {
      const size_t m = std::min(s.Bajty().size(), n + 1 + los() % 20000);
      fixtures::Dopisz(dir.Path(), l.Sciezka(start), s.Bajty().substr(n, m - n));
      n = m;
      a.Odswiez();
    }
    koniec = true;
  });
  std::vector<std::thread> czytelnicy;
  std::vector<std::string> przeczytane(3);
  for (size_t i = 0; i < przeczytane.size(); ++i) {
    czytelnicy.emplace_back([&, i] {
      ArchiveReader r(a);
      r.Seek(start, false);
      ArchiveReader::Blok b;
      for (;;) {
        const bool byl = koniec;
        if (r.Czytaj(4000, b)) {
          przeczytane[i] += b.dane;
        } else if (byl) {
          return;
        } else {
          std::this_thread::yield();
        }
      }
    });
  }
  pisarz.join();
  for (auto& c : czytelnicy) c.join();
  for (const auto& p : przeczytane) {
    EXPECT_EQ(p.size(), s.Bajty().size());
    EXPECT_TRUE(p == s.Bajty());
  }
}

TEST(ArchiveTest, GapsAreReportedAndSkipped) {
  const RotterLayout l(R::Flat, "mp3", "", true);
  const Czas h = Utc(2024, 3, 5, 14);
  // A run that stopped at 14:10:20 and one that started at 15:00:10 (a new encoder).
  Strumien a1(Strumien::Warstwa::III, h + Roznica::Minuta * 10);
  a1.Kod(Roznica::Sekunda * 20);
  Strumien a2(Strumien::Warstwa::III, h + Roznica::Godzina + Roznica::Sekunda * 10);
  a2.Kod(Roznica::Sekunda * 10);
  TempDir dir;
  // Both stopped right after their last samples.
  fixtures::Zapisz(dir.Path(), l.Sciezka(h), a1.Bajty() + fixtures::Tag(h), a1.Koniec() + fixtures::kKoder);
  fixtures::Zapisz(dir.Path(), l.Sciezka(h + Roznica::Godzina), a2.Bajty() + fixtures::Tag(h + Roznica::Godzina),
                   a2.Koniec() + fixtures::kKoder);
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{a1.CzasRamki(0), a1.Koniec()}, {a2.CzasRamki(0), a2.Koniec()}}));

  // Asked for a moment in the gap (or before everything): the next audio, marked.
  for (const Czas t : {h + Roznica::Minuta * 30, h}) {
    ArchiveReader r(a);
    r.Seek(t);
    ArchiveReader::Blok b;
    ASSERT_TRUE(r.Czytaj(1000, b));
    EXPECT_TRUE(b.przerwa);
    EXPECT_EQ(b.przerwaOd, t);
    EXPECT_EQ(b.czas, t < a1.CzasRamki(0) ? a1.CzasRamki(0) : a2.CzasRamki(0));
  }
  // Read on from the first run: the second follows, marked, and nothing after it.
  const auto bloki = CzytajWszystko(a, a1.CzasRamki(0));
  int przerwy = 0;
  for (const auto& b : bloki) {
    if (b.przerwa) {
      ++przerwy;
      EXPECT_EQ(b.przerwaOd, a1.Koniec());
      EXPECT_EQ(b.czas, a2.CzasRamki(0));
    }
  }
  EXPECT_EQ(przerwy, 1);
  EXPECT_TRUE(Bajty(bloki) == a1.Bajty() + a2.Bajty());
  ArchiveReader r(a);
  r.Seek(a2.Koniec() + Roznica::Sekunda);
  ArchiveReader::Blok b;
  EXPECT_FALSE(r.Czytaj(1000, b));
  probe::SprawdzKod(a, a2.CzasRamki(0) + Roznica::Sekunda * 2, Roznica::Sekunda * 5);
}

// Two hours of variable bit rate: any moment is found at its frame, to the byte.
TEST(ArchiveTest, SeekFindsTheFrameOfAnyMoment) {
  const RotterLayout l(R::Hierarchy, "mp3", "", true);
  const Czas h = Utc(2024, 3, 5, 14);
  Strumien s(Strumien::Warstwa::III, h - kMs * 400);
  s.Cisza(Roznica::Godzina * 2, {9, 11, 5, 14, 1, 9, 10, 3});
  const int64_t k = s.RamkaW(h + Roznica::Godzina - kMs * 400);
  const int64_t ciecie = s.Offset(k) + 50;
  TempDir dir;
  fixtures::Zapisz(dir.Path(), l.Sciezka(h), s.Bajty().substr(0, static_cast<size_t>(ciecie)) + fixtures::Tag(h),
                   s.CzasRamki(k + 1) + fixtures::kZamkniecie);
  fixtures::Zapisz(dir.Path(), l.Sciezka(h + Roznica::Godzina),
                   s.Bajty().substr(static_cast<size_t>(ciecie)) + fixtures::Tag(h), s.Koniec() + kMs * 500);
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{s.CzasRamki(0), s.Koniec()}}));
  std::mt19937_64 los(11);
  ArchiveReader r(a);
  for (int i = 0; i < 200; ++i) {
    const Czas t = s.CzasRamki(0) + Roznica(static_cast<int64_t>(los() % static_cast<uint64_t>((s.Koniec() - s.CzasRamki(0)).Wartosc())));
    r.Seek(t, false);
    ArchiveReader::Blok b;
    ASSERT_TRUE(r.Czytaj(3000, b));
    const int64_t ramka = s.RamkaW(t);
    ASSERT_EQ(b.czas, s.CzasRamki(ramka));
    ASSERT_FALSE(b.przerwa);
    ASSERT_TRUE(b.dane == s.Bajty().substr(static_cast<size_t>(s.Offset(ramka)), b.dane.size()));
    ASSERT_LE(b.dane.size(), 3000u);
    const int64_t ostatnia = s.RamkaW(b.koniec - Roznica(1));
    ASSERT_EQ(static_cast<int64_t>(b.dane.size()), s.Offset(ostatnia + 1) - s.Offset(ramka));
  }
}

TEST(ArchiveTest, LayerTwoPlaysOnTime) {
  const RotterLayout l(R::Accurate, "mp2", "", true);
  const Czas start = Utc(2024, 3, 5, 14, 22);
  Strumien s(Strumien::Warstwa::II, start, 48000, 2, 192);
  s.Kod(Roznica::Sekunda * 12);
  TempDir dir;
  fixtures::Zapisz(dir.Path(), l.Sciezka(start), s.Bajty(), Czas::Teraz());
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  EXPECT_EQ(a.Format(), "48000 stereo 192 MPEG1");
  EXPECT_EQ(a.Odcinki()[0].dowod, Archive::Dowod::NazwaDokladna);
  const double ms = probe::SprawdzKod(a, start + Roznica::Sekunda * 4, Roznica::Sekunda * 6);
  std::printf("layer II: time code within %.1f ms\n", ms);
}

TEST(ArchiveTest, WavFilesByTheirTimeReference) {
  const Czas start = Utc(2024, 3, 5, 13, 59, 40);
  TempDir dir;
  const RotterLayout l(R::Flat, "wav", "", true);
  const int rate = 22050;
  const TimeCode kod(rate);
  std::vector<int16_t> pcm(static_cast<size_t>(rate) * 30);
  kod.Probki(TimeCode::NumerProbki(start, rate), rate * 30, 1, pcm.data());
  // The first 20 s in the file of hour 13 with its time reference, no useful modification
  // time; the rest in the file of hour 14, as it is being written (header out of date).
  {
    BroadcastWavWriter w(dir / l.Sciezka(start), rate, 1, start);
    w.Dopisz(pcm.data(), rate * 20);
  }
  const Czas drugi = start + Roznica::Sekunda * 20;
  {
    BroadcastWavWriter w(dir / l.Sciezka(drugi), rate, 1, drugi);
    w.Dopisz(pcm.data() + rate * 20, rate * 4);
  }
  {
    // Six more seconds appended behind the writer's back.
    std::string reszta(static_cast<size_t>(rate) * 6 * 2, '\0');
    for (size_t i = 0; i < reszta.size() / 2; ++i) {
      const uint16_t v = static_cast<uint16_t>(pcm[static_cast<size_t>(rate) * 24 + i]);
      reszta[2 * i] = static_cast<char>(v & 0xFF);
      reszta[2 * i + 1] = static_cast<char>(v >> 8);
    }
    std::FILE* f = std::fopen((dir / l.Sciezka(drugi)).c_str(), "ab");
    std::fwrite(reszta.data(), 1, reszta.size(), f);
    std::fclose(f);
  }
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  const auto o = a.Odcinki();
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].dowod, Archive::Dowod::Bext);
  EXPECT_EQ(o[0].format, "22050 mono 352 PCM");
  EXPECT_EQ(a.Przedzialy(), (std::vector<ZakresCzasu>{{start, start + Roznica::Sekunda * 30}}));
  // Blocks are whole sample frames; a seek lands on the sample that plays then.
  ArchiveReader r(a);
  r.Seek(start + kMs * 1234 + Roznica(7));
  ArchiveReader::Blok b;
  ASSERT_TRUE(r.Czytaj(1001, b));
  EXPECT_EQ(b.dane.size(), 1000u);
  EXPECT_EQ(b.czas, TimeCode::CzasProbki(TimeCode::NumerProbki(start + kMs * 1234 + Roznica(7), rate), rate));
  EXPECT_EQ(b.koniec, TimeCode::CzasProbki(TimeCode::NumerProbki(b.czas, rate) + 500, rate));
  const double ms = probe::SprawdzKod(a, start + Roznica::Sekunda * 17, Roznica::Sekunda * 10);
  std::printf("PCM: time code within %.1f ms\n", ms);
}

// Plain WAV files as Rotter writes them, with no time reference: the file closed when the
// next began places the next one right after it.
TEST(ArchiveTest, WavFilesOfOneRunFollowEachOther) {
  const RotterLayout l(R::Dailydir, "wav", "", true);
  const int rate = 22050;
  const Czas start = Utc(2024, 3, 5, 13, 59, 40);
  const Czas zmiana = Utc(2024, 3, 5, 14) - kMs * 360;  // Rotter began the file of 14:00 here
  const Czas koniec = zmiana + Roznica::Sekunda * 20;
  const TimeCode kod(rate);
  const auto wav = [&](Czas od, Czas do_) {
    const int64_t n0 = TimeCode::NumerProbki(od, rate);
    const int n = static_cast<int>(TimeCode::NumerProbki(do_, rate) - n0);
    std::vector<int16_t> pcm(static_cast<size_t>(n));
    kod.Probki(n0, n, 1, pcm.data());
    std::string b(44, '\0');
    const auto u32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    std::memcpy(b.data(), "RIFF", 4);
    u32(4, static_cast<uint32_t>(36 + 2 * n));
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    u32(16, 16);
    u32(20, 1 | 1 << 16);  // PCM, one channel
    u32(24, static_cast<uint32_t>(rate));
    u32(28, static_cast<uint32_t>(rate * 2));
    u32(32, 2 | 16 << 16);  // block 2, 16 bits
    std::memcpy(b.data() + 36, "data", 4);
    u32(40, static_cast<uint32_t>(2 * n));
    for (int16_t v : pcm) {
      b += static_cast<char>(static_cast<uint16_t>(v) & 0xFF);
      b += static_cast<char>(static_cast<uint16_t>(v) >> 8);
    }
    return b;
  };
  TempDir dir;
  // Closed a quarter of the ring buffer after its last sample reached Rotter, about half a
  // JACK period after it was captured.
  fixtures::Zapisz(dir.Path(), l.Sciezka(start), wav(start, zmiana), zmiana + kMs * (500 + 13));
  fixtures::Zapisz(dir.Path(), l.Sciezka(zmiana + Roznica::Sekunda), wav(zmiana, koniec), koniec + kMs * 300);
  Archive a(Konfiguracja(dir.Path(), l));
  a.Odswiez();
  const auto o = a.Odcinki();
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].dowod, Archive::Dowod::Mtime);
  EXPECT_EQ(o[1].dowod, Archive::Dowod::PoPoprzednim);
  EXPECT_LE(Czas::Odstep(o[0].poczatek, start), Roznica(1));
  EXPECT_EQ(a.Przedzialy().size(), 1u);
  EXPECT_LE(Czas::Odstep(o[1].poczatek, zmiana), Roznica(1));
  probe::SprawdzKod(a, zmiana - Roznica::Sekunda * 3, Roznica::Sekunda * 6);
}

// One encoder's recording of silent frames cut into files where Rotter changed them, each
// file written with the modification time Rotter leaves, and where each part of a file
// truly begins. A change at hour H falls 0.3 s before H, inside a frame; a file closed
// there was last written a quarter of the ring buffer after its last sample reached Rotter,
// that sample `wieki[k]` older than the middle of the input's and the encoder's lag (the
// JACK period and where the encoder's frames fell). Parts named alike (the hour repeated as
// clocks go back, or a new recording in the hour of a stopped one) go into one file after
// its ID3v1 block.
struct Zapis {
  Strumien::Warstwa warstwa = Strumien::Warstwa::III;
  Czas od, do_;
  std::vector<Czas> godziny = {};
  std::vector<Roznica> wieki = {};
  // How much later than the lag's middle after its last sample the last file was last
  // written (stopped, or still being written).
  Roznica ostatni = kMs * 2;
  // The part that lost the end of its audio, and how many frames.
  int utracil = -1;
  int64_t utraconeRamki = 0;
};

// What was written: the true start of each part, by file and part of the file.
using Poczatki = std::map<std::pair<std::string, int>, Czas>;

void ZapiszNagranie(const RotterLayout& l, const Zapis& z, Poczatki& poczatki,
                    std::map<std::string, std::pair<std::string, Czas>>& pliki) {
  Strumien s(z.warstwa, z.od, 44100, 1, 32);
  s.Cisza(z.do_ - z.od);
  const Roznica lag = z.warstwa == Strumien::Warstwa::III ? fixtures::kKoder : kMs * 13;
  int64_t od = 0;
  Czas poczatek = s.CzasRamki(0);
  for (size_t i = 0; i <= z.godziny.size(); ++i) {
    const bool ostatni = i == z.godziny.size();
    const int64_t k = ostatni ? s.LiczbaRamek() : s.RamkaW(z.godziny[i] - kMs * 300);
    int64_t doBajtu = ostatni ? static_cast<int64_t>(s.Bajty().size()) : fixtures::Ciecie(s, z.godziny[i] - kMs * 300, 50);
    // Cut elsewhere in its frame, so that the next file no longer finishes it.
    if (static_cast<int>(i) == z.utracil) doBajtu = s.Offset(k - z.utraconeRamki) + 30;
    const std::string nazwa = l.Sciezka(i == 0 ? z.od : z.godziny[i - 1]);
    auto& plik = pliki[nazwa];
    poczatki[{nazwa, plik.first.empty() ? 0 : 1}] = poczatek;
    plik.first += s.Bajty().substr(static_cast<size_t>(od), static_cast<size_t>(doBajtu - od)) + fixtures::Tag(Czas());
    plik.second = ostatni ? s.Koniec() + lag + z.ostatni
                          : s.CzasRamki(k + 1) + kMs * 500 + lag + z.wieki[i];
    od = ostatni ? doBajtu : fixtures::Ciecie(s, z.godziny[i] - kMs * 300, 50);
    poczatek = ostatni ? poczatek : s.CzasRamki(k + 1);
  }
}

// The chain of files one encoder wrote is placed where all the changes of files in it
// agree; every part of every file within the stated tolerance of its true start.
TEST(ArchiveTest, ChainsArePlacedWhereTheirChangesOfFilesAgree) {
  const Roznica h = Roznica::Godzina;
  const Czas t = Utc(2026, 5, 6, 14);
  struct Przypadek {
    const char* opis;
    bool strefa;  // names in Central European time
    std::vector<Zapis> zapisy;
    Roznica tolerancja;
    size_t przedzialow;
    int sprzecznych = 0;  // chains whose changes of files contradict each other, logged
  };
  const std::vector<Przypadek> przypadki = {
      {"one file, stopped 4 ms late", false, {{.od = t + Roznica::Minuta * 10, .do_ = t + Roznica::Minuta * 20, .ostatni = kMs * 4}}, kMs * 5, 1},
      {"two files, one change 11 ms early", false,
       {{.od = t + h - Roznica::Sekunda * 10, .do_ = t + h + Roznica::Sekunda * 20, .godziny = {t + h}, .wieki = {kMs * -11}}},
       kMs * 12, 1},
      {"layer II, one change", false,
       {{.warstwa = Strumien::Warstwa::II, .od = t + h - Roznica::Sekunda * 10, .do_ = t + h + Roznica::Sekunda * 20,
         .godziny = {t + h}, .wieki = {kMs * 5}}},
       kMs * 6, 1},
      {"newest file still growing", false,
       {{.od = t + h - Roznica::Sekunda * 10, .do_ = t + h + Roznica::Minuta * 5, .godziny = {t + h}, .wieki = {kMs * 5},
         .ostatni = kMs * 1}},
       kMs * 6, 1},
      {"a gap: stopped, started again within the hour", false,
       {{.od = t + h - Roznica::Sekunda * 10, .do_ = t + h + Roznica::Minuta * 20, .godziny = {t + h}, .wieki = {kMs * 7},
         .ostatni = kMs * 50},
        {.od = t + h + Roznica::Minuta * 40, .do_ = t + h * 2 + Roznica::Sekunda * 10, .godziny = {t + h * 2},
         .wieki = {kMs * -9}}},
       kMs * 10, 2},
      {"a file that lost its last 5 s", false,
       {{.od = t - Roznica::Sekunda * 10, .do_ = t + h * 2 + Roznica::Sekunda * 10, .godziny = {t, t + h, t + h * 2},
         .wieki = {kMs * 8, kMs * 0, kMs * -4}, .utracil = 1, .utraconeRamki = 192}},
       kMs * 9, 2, 1},
      {"autumn: the hour 02 twice in one file", true,
       {{.od = Utc(2026, 10, 24, 23, 59, 50), .do_ = Utc(2026, 10, 25, 2, 0, 10),
         .godziny = {Utc(2026, 10, 25, 0), Utc(2026, 10, 25, 1), Utc(2026, 10, 25, 2)},
         .wieki = {kMs * -10, kMs * 0, kMs * 8}}},
       kMs * 2, 1},
      {"spring: no hour 02", true,
       {{.od = Utc(2026, 3, 29, 0, 59, 50), .do_ = Utc(2026, 3, 29, 2, 0, 10),
         .godziny = {Utc(2026, 3, 29, 1), Utc(2026, 3, 29, 2)}, .wieki = {kMs * 12, kMs * -6}}},
       kMs * 4, 1},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.opis);
    LogCapture log;
    const RotterLayout l(R::Flat, "mp3", "", !p.strefa, p.strefa ? Cet() : TimeZone());
    TempDir dir;
    Poczatki poczatki;
    std::map<std::string, std::pair<std::string, Czas>> pliki;
    for (const Zapis& z : p.zapisy) ZapiszNagranie(l, z, poczatki, pliki);
    for (const auto& [nazwa, plik] : pliki) fixtures::Zapisz(dir.Path(), nazwa, plik.first, plik.second);
    Archive a(Konfiguracja(dir.Path(), l));
    a.Odswiez();
    const auto odcinki = a.Odcinki();
    ASSERT_EQ(odcinki.size(), poczatki.size());
    for (const auto& o : odcinki) {
      const auto it = poczatki.find({o.plik, o.segment});
      ASSERT_NE(it, poczatki.end()) << o.plik << " " << o.segment;
      EXPECT_LE(Czas::Odstep(o.poczatek, it->second), p.tolerancja)
          << o.plik << " part " << o.segment << ": " << (o.poczatek - it->second).Wartosc() / 1e4 << " ms";
    }
    EXPECT_EQ(a.Przedzialy().size(), p.przedzialow);
    const std::string tekst = log.Text();
    size_t sprzecznych = 0;
    for (size_t i = tekst.find("przeczą sobie"); i != std::string::npos; i = tekst.find("przeczą sobie", i + 1)) {
      ++sprzecznych;
    }
    EXPECT_EQ(sprzecznych, static_cast<size_t>(p.sprzecznych)) << tekst;
  }
}

// A live recording across four changes of files, looked at as it is written: the newest
// file rests on its own modification time until the first change (logged once), and every
// change narrows the chain's start and moves it there.
TEST(ArchiveTest, ALiveChainNarrowsWithEveryChangeOfFiles) {
  LogCapture log;
  const RotterLayout l(R::Flat, "mp3", "", true);
  const Czas t = Utc(2026, 5, 6, 14);
  const Roznica h = Roznica::Godzina;
  const Roznica sekunda = Roznica::Sekunda;
  const std::vector<Czas> godziny = {t, t + h, t + h * 2, t + h * 3};
  // How much older than the lag's middle the last sample was at each change: spread over
  // a JACK period and where the encoder's frames fell.
  const std::vector<Roznica> wieki = {kMs * -11, kMs * -4, kMs * 6, kMs * 11};
  Strumien s(Strumien::Warstwa::III, t - sekunda * 10, 44100, 1, 32);
  s.Cisza(h * 3 + sekunda * 20);
  TempDir dir;
  Archive a(Konfiguracja(dir.Path(), l));
  const auto ciecie = [&](size_t n) { return fixtures::Ciecie(s, godziny[n] - kMs * 300, 50); };
  Roznica poprzedni = Roznica::Godzina;
  for (size_t n = 0; n <= godziny.size(); ++n) {
    const int64_t od = n == 0 ? 0 : ciecie(n - 1);
    const Czas nazwany = n == 0 ? s.CzasRamki(0) : godziny[n - 1];
    if (n > 0) {
      // The file before closed at this change.
      const int64_t pocz = n == 1 ? 0 : ciecie(n - 2);
      const int64_t k = s.RamkaW(godziny[n - 1] - kMs * 300);
      fixtures::Zapisz(dir.Path(), l.Sciezka(n == 1 ? s.CzasRamki(0) : godziny[n - 2]),
                       s.Bajty().substr(static_cast<size_t>(pocz), static_cast<size_t>(ciecie(n - 1) - pocz)) +
                           fixtures::Tag(Czas()),
                       s.CzasRamki(k + 1) + fixtures::kZamkniecie + wieki[n - 1]);
    }
    // The newest file as it is being written, looked at twice; its last write came 40 ms
    // after the lag's middle.
    for (const Roznica w : {sekunda * 5, sekunda * 10}) {
      const int64_t k = s.RamkaW(nazwany + w);
      fixtures::Zapisz(dir.Path(), l.Sciezka(nazwany),
                       s.Bajty().substr(static_cast<size_t>(od), static_cast<size_t>(s.Offset(k) - od)),
                       s.CzasRamki(k) + fixtures::kKoder + kMs * 40);
      ASSERT_TRUE(a.Odswiez());
    }
    const auto o = a.Odcinki();
    ASSERT_EQ(o.size(), n + 1);
    const Roznica blad = o[0].poczatek - s.CzasRamki(0);
    std::printf("%zu changes of files: the chain placed %+.1f ms from its true start\n", n,
                static_cast<double>(blad.Wartosc()) / 1e4);
    if (n == 0) {
      // Its own last write bounds it from above only: not early.
      EXPECT_GE(blad, Roznica(0));
      EXPECT_LE(blad, kMs * 41);
    } else {
      EXPECT_LE(std::abs(blad.Wartosc()), std::abs(poprzedni.Wartosc()));
    }
    if (n == 1) {
      EXPECT_LE(std::abs(blad.Wartosc()), (kMs * 13).Wartosc());
    }
    if (n == 4) {
      EXPECT_LE(std::abs(blad.Wartosc()), (kMs * 3).Wartosc());
    }
    poprzedni = blad;
  }
  const std::string tekst = log.Text();
  const std::string wpis = l.Sciezka(s.CzasRamki(0)) + " ułożony bez zmiany plików";
  EXPECT_NE(tekst.find(wpis), std::string::npos) << tekst;
  EXPECT_EQ(tekst.find(wpis), tekst.rfind(wpis)) << tekst;
}

// Against the real thing: an archive recorded by Rotter with the project's tool
// (shared/tools/rotter-fixture), named by KG_ROTTER_FIXTURE. Each file is placed where the
// time code in it says it starts, within 30 ms, and the audio is heard on time, without a
// jump, across the files.
// Against an archive recorded by the real Rotter (KG_ROTTER_FIXTURE, made by the project's
// rotter-fixture tool; KG_ROTTER_FIXTURE_TZ: the zone Rotter named its files in, UTC when
// unset): every file is placed where its time code says it starts, and a client hears the
// time code on time at the start of every run and across every join.
TEST(ArchiveTest, RealRotterArchive) {
  const char* katalog = std::getenv("KG_ROTTER_FIXTURE");
  if (katalog == nullptr) GTEST_SKIP() << "KG_ROTTER_FIXTURE names no archive recorded by Rotter";
  const char* zmienna = std::getenv("KG_ROTTER_FIXTURE_TZ");
  const std::string nazwaStrefy = zmienna != nullptr && *zmienna != 0 ? zmienna : "UTC";
  std::ifstream manifest(std::string(katalog) + "/.rotter-fixture");
  ASSERT_TRUE(manifest.good());
  std::string linia, uklad, format;
  double kodOd = 0;
  std::map<std::string, double> poczatki;  // file -> where its time code says it starts (unix s)
  while (std::getline(manifest, linia)) {
    if (linia.rfind("layout=", 0) == 0) uklad = linia.substr(7);
    if (linia.rfind("format=", 0) == 0) format = linia.substr(7);
    if (linia.rfind("timecode_start=", 0) == 0) kodOd = std::atof(linia.c_str() + 15);
    if (linia.rfind("file=", 0) == 0) {
      std::istringstream pola(linia);
      std::string pole, plik;
      double start = 0;
      while (pola >> pole) {
        if (pole.rfind("file=", 0) == 0) plik = pole.substr(5);
        if (pole.rfind("audio_start=", 0) == 0) start = std::atof(pole.c_str() + 12);
      }
      poczatki[plik] = start;
    }
  }
  const bool utc = nazwaStrefy == "UTC";
  const RotterLayout l = RotterLayout::ZNapisu(uklad, format, "", utc,
                                               utc ? TimeZone() : TimeZone::ZPliku("/usr/share/zoneinfo/" + nazwaStrefy));
  Archive a(Konfiguracja(katalog, l));
  a.Odswiez();
  const auto odcinki = a.Odcinki();
  ASSERT_FALSE(odcinki.empty());
  const auto unix = [](Czas c) { return static_cast<double>(c.Wartosc() - TimeCode::kEpokaUnix) / 1e7; };
  const Czas kod = Czas(TimeCode::kEpokaUnix + static_cast<int64_t>(kodOd) * 10'000'000);
  // Where Rotter changed files, its modification time places the audio within about half a
  // JACK period (1024 frames here: 11.6 ms) of the middle, and an MP3 file within half a
  // frame more (13.1 ms): where libmp3lame's frames fall in what it was handed is not
  // recorded. The middle itself is known from a few recordings, to a few ms.
  const double granica = format == "mp3" ? 0.030 : 0.020;
  // A recording of one file (the hour repeated when clocks go back: Rotter writes on into
  // the same file) holds no moment at which Rotter changed files: only its stop, which it
  // notices up to a quarter of its ring buffer late, and the hour that began again bound
  // it, from above. Such a file is placed no earlier than its audio and at most that much
  // later.
  const bool tylkoZatrzymanie = poczatki.size() == 1;
  Roznica oczekiwane;
  for (size_t i = 0; i < odcinki.size(); ++i) {
    const auto& o = odcinki[i];
    // The manifest gives the start of each file's first run; a file's later runs follow
    // from what is heard across the join.
    if (poczatki.count(o.plik) != 0 && poczatki[o.plik] == poczatki[o.plik] && (i == 0 || odcinki[i - 1].plik != o.plik)) {
      const double roznica = unix(o.poczatek) - poczatki[o.plik];
      std::printf("%s: placed %+.1f ms from its time code (evidence %d)\n", o.plik.c_str(), roznica * 1000,
                  static_cast<int>(o.dowod));
      if (tylkoZatrzymanie) {
        EXPECT_GT(roznica, -granica) << o.plik;
        EXPECT_LT(roznica, 0.650) << o.plik;
      } else {
        EXPECT_LT(std::abs(roznica), granica) << o.plik;
      }
      oczekiwane = Roznica(static_cast<int64_t>(roznica * 1e7));
    }
    // Heard as placed at the start of the run (once the time code plays) and across the
    // join before it: nothing lost or doubled where Rotter changed files.
    const Czas od = i == 0 ? std::max(o.poczatek, kod) + Roznica::Sekunda : o.poczatek - Roznica::Sekunda * 3;
    const double ms = probe::SprawdzKod(a, od, Roznica::Sekunda * 6, 3.0, oczekiwane);
    std::printf("%s part %d: time code heard within %.1f ms of its placement %s\n", o.plik.c_str(), o.segment, ms,
                i == 0 ? "at its start" : "across the join before it");
  }
  EXPECT_EQ(a.Przedzialy().size(), 1u);
}

}  // namespace
