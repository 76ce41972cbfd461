#include "archive/FrameIndex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <random>

#include "archive/ArchiveFixtures.h"
#include "support/TempDir.h"

namespace {

using fixtures::Strumien;

// A file of the test's bytes, indexed as far as a size the test chooses: a file that
// grows is the same bytes seen up to a later size.
class Plik {
 public:
  Plik(const TempDir& dir, const std::string& bajty) : sciezka(dir / "f.mp3"), rozmiar(static_cast<int64_t>(bajty.size())) {
    fixtures::Zapisz(dir.Path(), "f.mp3", bajty, Czas::Teraz());
    fd = open(sciezka.c_str(), O_RDONLY);
  }
  ~Plik() { close(fd); }
  void Indeksuj(FrameIndex& i, int64_t doRozmiaru = -1) const { i.Aktualizuj(fd, doRozmiaru < 0 ? rozmiar : doRozmiaru); }

  std::string sciezka;
  int64_t rozmiar;
  int fd;
};

Strumien Vbr(Czas start, Roznica d) {
  Strumien s(Strumien::Warstwa::III, start);
  s.Cisza(d, {9, 11, 5, 14, 1, 9, 10});
  return s;
}

void OczekujRamek(const FrameIndex::Segment& seg, const Strumien& s, int64_t od, int64_t przesuniecie, int64_t ile) {
  ASSERT_EQ(seg.LiczbaRamek(), ile);
  for (int64_t k = 0; k < ile; ++k) ASSERT_EQ(seg.Offset(k), s.Offset(od + k) + przesuniecie) << k;
  EXPECT_EQ(seg.koniec, s.Offset(od + ile) + przesuniecie);
}

TEST(FrameIndexTest, VariableBitRateFramesAfterTagsAndInformationFrame) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 10);
  // An ID3v2 tag of 300 bytes, then an information frame of the kind encoders write first.
  std::string id3v2 = std::string("ID3\x04\x00\x00\x00\x00\x02\x22", 10) + std::string(290, 'x');
  std::string info = s.Bajty().substr(0, static_cast<size_t>(s.Offset(1)));
  std::memcpy(info.data() + 4 + 32, "Info", 4);
  const std::string bajty = id3v2 + info + s.Bajty();
  Plik f(dir, bajty);
  FrameIndex i;
  f.Indeksuj(i);
  ASSERT_EQ(i.Segmenty().size(), 1u);
  const auto& seg = i.Segmenty()[0];
  EXPECT_EQ(seg.poczatek, static_cast<int64_t>(id3v2.size() + info.size()));
  EXPECT_EQ(seg.Wiodace(), 0);
  OczekujRamek(seg, s, 0, seg.poczatek, s.LiczbaRamek());
  EXPECT_FALSE(seg.zamkniety);
  // Times go by frames, not bytes.
  EXPECT_EQ(seg.Dlugosc(), s.Koniec() - s.CzasRamki(0));
  EXPECT_EQ(seg.CzasRamki(100), s.CzasRamki(100) - s.CzasRamki(0));
  EXPECT_EQ(seg.RamkaW(s.CzasRamki(100) - s.CzasRamki(0) + Roznica(1)), 100);
  EXPECT_EQ(seg.RamkaW(s.CzasRamki(101) - s.CzasRamki(0) - Roznica(1)), 100);
}

TEST(FrameIndexTest, GrowingFileIndexesWholeFramesOnly) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 3);
  const std::string tag = fixtures::Tag(fixtures::Utc(2024, 3, 5, 14));
  // Frame 100 is of 128 kbit/s (417 bytes): cuts in its header, its middle, and where the
  // block reaches past the frame's own length.
  for (int wRamce : {2, 77, 300, 410}) {
    SCOPED_TRACE(wRamce);
    const int64_t ciecie = s.Offset(100) + wRamce;
    const std::string bajty =
        s.Bajty().substr(0, static_cast<size_t>(ciecie)) + tag + s.Bajty().substr(static_cast<size_t>(ciecie));
    Plik f(dir, bajty);
    FrameIndex caly;
    f.Indeksuj(caly);
    ASSERT_EQ(caly.Segmenty().size(), 2u);
    EXPECT_EQ(caly.LiczbaRamek(), s.LiczbaRamek() - 1);  // all but the frame cut by the block

    // Grown in steps of any size, the index ends the same, and never holds a frame that
    // is not whole yet.
    for (unsigned ziarno : {7u, 8u, 9u}) {
      std::mt19937 los(ziarno);
      FrameIndex rosnacy;
      for (int64_t r = 0; r < f.rozmiar;) {
        r = std::min<int64_t>(f.rozmiar, r + 1 + static_cast<int64_t>(los() % 700));
        f.Indeksuj(rosnacy, r);
        for (const auto& seg : rosnacy.Segmenty()) ASSERT_LE(seg.koniec, r);
      }
      ASSERT_EQ(rosnacy.Segmenty().size(), caly.Segmenty().size());
      for (size_t k = 0; k < caly.Segmenty().size(); ++k) {
        EXPECT_EQ(rosnacy.Segmenty()[k].ramki, caly.Segmenty()[k].ramki);
        EXPECT_EQ(rosnacy.Segmenty()[k].reszta, caly.Segmenty()[k].reszta);
        EXPECT_EQ(rosnacy.Segmenty()[k].kontynuacja, caly.Segmenty()[k].kontynuacja);
      }
    }
  }
}

// Rotter appends to a file after its ID3v1 block: the same encoder goes on (the frame cut
// off by the block continues after it), wherever in the frame the cut fell, even inside
// its header.
TEST(FrameIndexTest, TagInsideTheFileCutsAFrameThatContinuesAfterIt) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 10, 27, 0, 59, 50), Roznica::Sekunda * 4);
  for (int wRamce : {1, 2, 3, 4, 50, 300}) {
    SCOPED_TRACE(wRamce);
    const int64_t k = 60;
    if (wRamce >= s.Offset(k + 1) - s.Offset(k)) continue;
    const int64_t ciecie = s.Offset(k) + wRamce;
    const std::string tag = fixtures::Tag(fixtures::Utc(2024, 10, 27, 2));
    const std::string bajty =
        s.Bajty().substr(0, static_cast<size_t>(ciecie)) + tag + s.Bajty().substr(static_cast<size_t>(ciecie)) + tag;
    Plik f(dir, bajty);
    FrameIndex i;
    f.Indeksuj(i);
    ASSERT_EQ(i.Segmenty().size(), 2u);
    const auto& a = i.Segmenty()[0];
    const auto& b = i.Segmenty()[1];
    OczekujRamek(a, s, 0, 0, k);
    EXPECT_EQ(a.reszta, wRamce);
    ASSERT_TRUE(a.tag.has_value());
    EXPECT_EQ(a.tag->Nagrany(), fixtures::Utc(2024, 10, 27, 2));
    EXPECT_TRUE(b.kontynuacja);
    EXPECT_EQ(b.poczatek, ciecie + Id3v1::kRozmiar);
    OczekujRamek(b, s, k + 1, Id3v1::kRozmiar, s.LiczbaRamek() - k - 1);
    EXPECT_TRUE(b.tag.has_value());
    EXPECT_EQ(b.reszta, 0);
    // The cut frame, joined again, is the frame that was cut.
    const std::string zlaczona = bajty.substr(static_cast<size_t>(a.koniec), static_cast<size_t>(a.reszta)) +
                                 bajty.substr(static_cast<size_t>(b.poczatek), static_cast<size_t>(b.Wiodace()));
    EXPECT_EQ(zlaczona, s.Bajty().substr(static_cast<size_t>(s.Offset(k)), static_cast<size_t>(s.Offset(k + 1) - s.Offset(k))));
  }
}

TEST(FrameIndexTest, RestartAfterTagJunkAndFormatChangeStartNewSegments) {
  TempDir dir;
  const Czas t = fixtures::Utc(2024, 3, 5, 14);
  const Strumien a = Vbr(t, Roznica::Sekunda * 2);
  Strumien b(Strumien::Warstwa::III, t, 44100, 2, 128);
  b.Cisza(Roznica::Sekunda * 2);
  Strumien mono(Strumien::Warstwa::III, t, 44100, 1, 64);
  mono.Cisza(Roznica::Sekunda);
  const std::string tag = fixtures::Tag(t);
  const int64_t ciecie = a.Offset(40) + 200;
  const std::string smieci(333, '\x55');
  // A cut frame, a restart (a new stream after the block), junk between whole frames,
  // then a mono stream.
  const std::string bajty = a.Bajty().substr(0, static_cast<size_t>(ciecie)) + tag + b.Bajty().substr(0, static_cast<size_t>(b.Offset(30))) +
                            smieci + b.Bajty().substr(static_cast<size_t>(b.Offset(30))) + mono.Bajty();
  Plik f(dir, bajty);
  FrameIndex i;
  f.Indeksuj(i);
  ASSERT_EQ(i.Segmenty().size(), 4u);
  const auto& s = i.Segmenty();
  EXPECT_EQ(s[0].LiczbaRamek(), 40);
  EXPECT_EQ(s[0].reszta, 200);
  EXPECT_FALSE(s[1].kontynuacja);
  EXPECT_EQ(s[1].Wiodace(), 0);
  EXPECT_EQ(s[1].LiczbaRamek(), 30);
  EXPECT_TRUE(s[2].kontynuacja);
  EXPECT_EQ(s[2].LiczbaRamek(), b.LiczbaRamek() - 30);
  EXPECT_FALSE(s[3].kontynuacja);
  EXPECT_EQ(s[3].naglowek.Mode(), 3);
  EXPECT_EQ(s[3].LiczbaRamek(), mono.LiczbaRamek());
}

TEST(FrameIndexTest, LeadingBytesOfAFileThatContinuesAnother) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 2);
  const int64_t ciecie = s.Offset(20) + 123;
  Plik f(dir, s.Bajty().substr(static_cast<size_t>(ciecie)));
  FrameIndex i;
  f.Indeksuj(i);
  ASSERT_EQ(i.Segmenty().size(), 1u);
  EXPECT_EQ(i.Segmenty()[0].Wiodace(), s.Offset(21) - ciecie);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(i.Segmenty()[0].wiodaceGlowa), 4),
            s.Bajty().substr(static_cast<size_t>(ciecie), 4));
}

// Damaged files (bytes changed, lost, added anywhere), indexed as they grow: whatever the
// index holds are whole frames of its segments' format, in the file, in order.
TEST(FrameIndexTest, DamagedFilesIndexOnlyRealFrames) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 2);
  const std::string tag = fixtures::Tag(fixtures::Utc(2024, 3, 5, 14));
  const std::string wzor = s.Bajty().substr(0, static_cast<size_t>(s.Offset(30) + 99)) + tag +
                           s.Bajty().substr(static_cast<size_t>(s.Offset(30) + 99)) + tag;
  std::mt19937 los(17);
  for (int proba = 0; proba < 300; ++proba) {
    std::string b = wzor;
    for (int zmiana = 0, ile = 1 + static_cast<int>(los() % 6); zmiana < ile; ++zmiana) {
      const size_t p = los() % b.size();
      switch (los() % 4) {
        case 0: b[p] = static_cast<char>(los()); break;
        case 1: b.erase(p, std::min<size_t>(b.size() - p - 1, los() % 600)); break;
        case 2: b.insert(p, std::string(los() % 600, static_cast<char>(los()))); break;
        default: b.insert(p, wzor.substr(los() % wzor.size(), los() % 500)); break;
      }
    }
    Plik f(dir, b);
    FrameIndex i;
    for (int64_t r = 0; r < f.rozmiar;) {
      r = std::min<int64_t>(f.rozmiar, r + 1 + static_cast<int64_t>(los() % 5000));
      f.Indeksuj(i, r);
    }
    int64_t poprzedni = -1;
    for (const auto& seg : i.Segmenty()) {
      ASSERT_LE(seg.koniec, f.rozmiar);
      for (int64_t k = 0; k < seg.LiczbaRamek(); ++k) {
        const int64_t o = seg.Offset(k);
        ASSERT_GT(o, poprzedni);
        const Mp3Header h = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(b.data() + o));
        ASSERT_TRUE(h.IsValid());
        ASSERT_TRUE(FrameIndex::Zgodne(h, seg.naglowek));
        ASSERT_EQ(seg.Offset(k + 1) - o, h.FrameLength());
        poprzedni = o;
      }
    }
  }
}

// A stop request ends a scan within a MiB or two, the index whole as far as it got: calls
// that are each stopped so go on from where the last one ended and build the index that
// one whole call builds, through frames and through a long run of zeros between them.
TEST(FrameIndexTest, AStoppedScanGoesOnFromWhereItEnded) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 300);
  const size_t polowa = static_cast<size_t>(s.Offset(s.LiczbaRamek() / 2));
  const struct {
    const char* nazwa;
    std::string bajty;
  } przypadki[] = {
      {"frames", s.Bajty()},
      {"zeros between frames", s.Bajty().substr(0, polowa) + std::string(5 << 20, '\0') + s.Bajty().substr(polowa)},
  };
  const std::atomic<bool> stop{true};
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    Plik f(dir, p.bajty);
    FrameIndex caly;
    EXPECT_TRUE(caly.Aktualizuj(f.fd, f.rozmiar));
    FrameIndex i;
    int64_t wywolania = 1;
    while (!i.Aktualizuj(f.fd, f.rozmiar, &stop)) {
      ASSERT_LT(++wywolania, 100) << "no progress";
    }
    EXPECT_GE(wywolania, f.rozmiar / (2 << 20)) << "a call went on for more than 2 MiB after the stop request";
    ASSERT_EQ(i.Segmenty().size(), caly.Segmenty().size());
    for (size_t k = 0; k < caly.Segmenty().size(); ++k) {
      const FrameIndex::Segment& a = i.Segmenty()[k];
      const FrameIndex::Segment& b = caly.Segmenty()[k];
      EXPECT_EQ(a.poczatek, b.poczatek) << k;
      EXPECT_EQ(a.pierwszaRamka, b.pierwszaRamka) << k;
      EXPECT_EQ(a.ramki, b.ramki) << k;
      EXPECT_EQ(a.koniec, b.koniec) << k;
      EXPECT_EQ(a.kontynuacja, b.kontynuacja) << k;
      EXPECT_EQ(a.zamkniety, b.zamkniety) << k;
    }
    EXPECT_EQ(i.LiczbaRamek(), s.LiczbaRamek());
  }
}

// A file whose first MiB (after an ID3v2 tag) holds no frame is no recording: it is given
// up there, not searched to its end (a 2 GiB file of zeros took 15 s and more), and frames
// far after such a start are not taken for audio. A large tag before the frames is no such
// start. With a stop request each call scans about a MiB, so the calls count what was read.
TEST(FrameIndexTest, AFileWhoseStartHoldsNoFrameIsGivenUpEarly) {
  TempDir dir;
  const Strumien s = Vbr(fixtures::Utc(2024, 3, 5, 14), Roznica::Sekunda * 10);
  std::string tag = "ID3";
  tag += std::string("\x04\x00\x00\x01\x00\x00\x00", 7);  // 2 MiB after the header
  tag += std::string(2 << 20, '\0');
  const struct {
    const char* nazwa;
    std::string bajty;
    int64_t rozmiar;  // the file made this large by a hole of zeros
    bool bezAudio;
  } przypadki[] = {
      {"2 GiB of zeros", "", int64_t{2} << 30, true},
      {"frames after 1.5 MiB of junk", std::string(3 << 19, 'x') + s.Bajty(), 0, true},
      {"frames after a 2 MiB ID3v2 tag", tag + s.Bajty(), 0, false},
  };
  const std::atomic<bool> stop{true};
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    Plik f(dir, p.bajty);
    if (p.rozmiar > 0) {
      ASSERT_EQ(truncate(f.sciezka.c_str(), p.rozmiar), 0) << "a sparse file";
      f.rozmiar = p.rozmiar;
    }
    FrameIndex i;
    int wywolania = 1;
    while (!i.Aktualizuj(f.fd, f.rozmiar, &stop)) {
      ASSERT_LT(++wywolania, 8) << "searched on past its start";
    }
    EXPECT_EQ(i.BezAudio(), p.bezAudio);
    EXPECT_EQ(i.LiczbaRamek(), p.bezAudio ? 0 : s.LiczbaRamek());
    // Given up for good: a later look reads nothing.
    EXPECT_TRUE(i.Aktualizuj(f.fd, f.rozmiar, &stop));
  }
}

TEST(FrameIndexTest, RecordedTitle) {
  Id3v1 t;
  t.tytul = "Recorded 2024-03-05 14:37";
  EXPECT_EQ(t.Nagrany(), fixtures::Utc(2024, 3, 5, 14, 37));
  for (const char* zly : {"Recorded 2024-13-05 14:37", "Recorded 2024-03-05 14:3", "recorded 2024-03-05 14:37",
                          "Recorded 2024-03-05T14:37", ""}) {
    t.tytul = zly;
    EXPECT_FALSE(t.Nagrany().has_value()) << zly;
  }
  unsigned char b[Id3v1::kRozmiar];
  t.tytul = "Recorded 2024-03-05 14:00";
  t.wykonawca = "host";
  t.Zapisz(b);
  const auto z = Id3v1::Czytaj(b);
  ASSERT_TRUE(z.has_value());
  EXPECT_EQ(z->tytul, t.tytul);
  EXPECT_EQ(z->wykonawca, "host");
  b[0] = 'X';
  EXPECT_FALSE(Id3v1::Czytaj(b).has_value());
}

}  // namespace
