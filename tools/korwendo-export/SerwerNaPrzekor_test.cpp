// korwendo-export against a server played by the test on loopback that sends what no real
// archive server sends: more audio than was asked, audio of other times, a new format on
// every packet, a broken audio packet. The exporter must end at once with its reason in a
// person's words, every file it wrote whole and printed.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "common/PaczkaAudio.h"
#include "intervals/PrzedzialyAudio.h"
#include "korwendo-export/HeadlessExporter.h"
#include "player/SerwerTestowy.h"
#include "support/ProcesTestowy.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"
#include "textforms/CzasTekstowy.h"

namespace {

using namespace std::chrono_literals;
using serwer::Nasluch;
using serwer::Polaczenie;

const Czas kT0(Czas::ZNapisuHex("01DA9BAE54319000"));  // 2024-05-01 10:00:00 UTC
// 8 kHz mono 16-bit PCM: 16,000 bytes a second.
constexpr const char* kPcm8k = "8000 mono 128 PCM";

// `ms` milliseconds of silence in `format` (16-bit PCM of `bajtyNaSekunde`) from `t`,
// described "export".
Paczka2 Audio(Czas t, int ms, const char* format = kPcm8k, int bajtyNaSekunde = 16000) {
  PaczkaAudio a;
  a.numeraudia = 2;
  a.format = format;
  a.czas = t;
  const String cisza(static_cast<size_t>(bajtyNaSekunde) * static_cast<size_t>(ms) / 1000, '\0');
  a.dane.InsertAt(0, cisza.data(), static_cast<int>(cisza.size()));
  return Paczka2(a, "export");
}

String Le32(int32_t v) {
  String s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

// The wire bytes of an export audio packet whose audio block claims `dlugosc` bytes and
// holds none.
String ZlaPaczka(int32_t dlugosc) {
  const String format = kPcm8k;
  String payload = Le32(2) + Le32(static_cast<int32_t>(format.size())) + format;
  const int64_t t = kT0.Wartosc();
  for (int i = 0; i < 8; ++i) payload += static_cast<char>((static_cast<uint64_t>(t) >> (8 * i)) & 0xFF);
  payload += Le32(dlugosc);
  const String nazwa = "PaczkaAudio";
  const String opis = "export";
  return "paczk2" + Le32(1) + Le32(static_cast<int32_t>(nazwa.size())) + nazwa + Le32(static_cast<int32_t>(payload.size())) +
         payload + Le32(static_cast<int32_t>(opis.size())) + opis;
}

// The files korwendo-export printed: every line of its output that is no message of it.
std::vector<String> Pliki(Proces& p) {
  std::vector<String> out;
  for (const String& l : p.Linie()) {
    if (!l.empty() && l.rfind("korwendo-export:", 0) != 0) out.push_back(l);
  }
  return out;
}

class SerwerNaPrzekor : public testing::Test {
 protected:
  static void SetUpTestSuite() { std::signal(SIGPIPE, SIG_IGN); }

  // korwendo-export of [kT0 + 10 s, kT0 + 10 s + sekund) of "Zegar" from the test's server,
  // as PCM WAV ("x.wav"), with `dodatkowe` after.
  std::unique_ptr<Proces> Eksport(int sekund, const std::vector<String>& dodatkowe = {}) {
    std::vector<String> a{KG_EXPORTER, "--server", nasluch.Adres(), "--station", "Zegar", "--from",
                          NapisIso(kT0 + Roznica::Sekunda * 10), "--to", NapisIso(kT0 + Roznica::Sekunda * (10 + sekund)),
                          "--output", "x.wav"};
    a.insert(a.end(), dodatkowe.begin(), dodatkowe.end());
    return std::make_unique<Proces>(a, dir.Path());
  }

  // Takes the exporter's connection, accepts its station with a day of audio, and returns
  // once its export request has come.
  Polaczenie Przyjmij() {
    Polaczenie c = nasluch.Przyjmij(10s);
    EXPECT_TRUE(c.Jest());
    EXPECT_EQ(c.Czytaj(7), "player\n");
    // One packet reader throughout: a read may bring the start of the next packet too.
    Paczka2 p;
    for (;;) {
      if (!c.Nastepna(p, 10s)) {
        ADD_FAILURE() << "no export request";
        return c;
      }
      if (p.Nazwa == "Przedzialy") return c;
      if (p.Nazwa == "String" && p.DajString().rfind("zmienstacje", 0) == 0) {
        c.WyslijTekst("terazgramy Zegar");
        PrzedzialyAudio a;
        a.Add(Przedzial(kT0 - Roznica::Godzina, kT0 + Roznica::Dzien));
        c.Wyslij(Paczka2(a, ""));
      }
    }
  }

  // Sends packets made by `paczka(i)` (i = 0, 1, ...) until the exporter has ended or `n`
  // have gone, then the end of the export; the exporter's status.
  std::optional<int> Wysylaj(Proces& e, Polaczenie& c, int n, const std::function<Paczka2(int)>& paczka) {
    for (int i = 0; i < n && !e.Koniec(0); ++i) c.Wyslij(paczka(i));
    c.WyslijTekst("koniecexportu");
    return e.Koniec(20000);
  }

  Nasluch nasluch;
  TempDir dir;
};

// The server goes on sending audio of the interval asked and never ends the export; sends
// audio of 14 hours past it; sends far more audio than the interval holds. Each ends the
// export with the reason, the WAV file written so far whole, printed, and holding no more
// than the bounds let through (none for audio of other times).
TEST_F(SerwerNaPrzekor, MoreAudioThanAskedEndsTheExport) {
  struct Przypadek {
    const char* nazwa;
    std::function<Paczka2(int)> paczka;
    double najwiecejSekund;
  };
  const Czas od = kT0 + Roznica::Sekunda * 10;
  const Przypadek tabela[] = {
      {"the same minute again and again", [&](int i) { return Audio(od + Roznica::Sekunda * (i % 60), 1000); }, 62},
      {"audio 14 hours past the end", [&](int i) { return Audio(od + Roznica::Godzina * 14 + Roznica::Sekunda * i, 1000); }, 0},
      {"30 s in each packet, a second apart", [&](int i) { return Audio(od + Roznica::Sekunda * i, 30000); }, 125},
  };
  for (const Przypadek& k : tabela) {
    SCOPED_TRACE(k.nazwa);
    auto e = Eksport(60, {"--overwrite"});
    Polaczenie c = Przyjmij();
    EXPECT_EQ(Wysylaj(*e, c, 3000, k.paczka), std::optional<int>(KodEksportu::Blad)) << e->Tekst();
    EXPECT_NE(e->Tekst().find("przysłał więcej, niż eksport prosił"), String::npos) << e->Tekst();
    if (k.najwiecejSekund > 0) {
      EXPECT_EQ(Pliki(*e), std::vector<String>{"x.wav"}) << e->Tekst();
      const WavNaglowek h = WavNaglowek::Czytaj(dir / "x.wav");
      EXPECT_TRUE(h.Spojny());
      EXPECT_LE(h.daneSize, k.najwiecejSekund * 16000);
    } else {
      EXPECT_TRUE(Pliki(*e).empty()) << e->Tekst();
    }
  }
}

// A new format on every packet: the export ends with the reason after a few files, each
// whole and printed.
TEST_F(SerwerNaPrzekor, FormatChangingOnEveryPacketEndsTheExport) {
  auto e = Eksport(60);
  Polaczenie c = Przyjmij();
  const Czas od = kT0 + Roznica::Sekunda * 10;
  const auto paczka = [&](int i) {
    return i % 2 == 0 ? Audio(od + Roznica::Milisekunda * (50 * i), 50) : Audio(od + Roznica::Milisekunda * (50 * i), 50, "16000 mono 256 PCM", 32000);
  };
  EXPECT_EQ(Wysylaj(*e, c, 1000, paczka), std::optional<int>(KodEksportu::Blad)) << e->Tekst();
  EXPECT_NE(e->Tekst().find("zmienia format"), String::npos) << e->Tekst();
  const std::vector<String> pliki = Pliki(*e);
  EXPECT_GE(pliki.size(), 2u) << e->Tekst();
  EXPECT_LE(pliki.size(), 5u) << e->Tekst();
  for (const String& p : pliki) EXPECT_TRUE(WavNaglowek::Czytaj(dir / p).Spojny()) << p;
}

// A broken audio packet after good audio: status 1, a sentence without the reader's
// internal text, and the file written printed.
TEST_F(SerwerNaPrzekor, BrokenAudioPacketIsNamedAndTheFilePrinted) {
  for (const auto& [dlugosc, pcm] : {std::pair{-16, false}, std::pair{0x7FFFFFFF, true}}) {
    SCOPED_TRACE(dlugosc);
    auto e = Eksport(60, pcm ? std::vector<String>{"--overwrite", "--pcm"} : std::vector<String>{"--overwrite"});
    Polaczenie c = Przyjmij();
    c.Wyslij(Audio(kT0 + Roznica::Sekunda * 10, 1000));
    c.Wyslij(ZlaPaczka(dlugosc));
    // The server closes at once: what came before the loss is read first.
    c.Zamknij();
    EXPECT_EQ(e->Koniec(20000), std::optional<int>(KodEksportu::Blad)) << e->Tekst();
    EXPECT_NE(e->Tekst().find("przysłał błędny pakiet"), String::npos) << e->Tekst();
    EXPECT_EQ(e->Tekst().find("Odczytana"), String::npos) << e->Tekst();
    EXPECT_EQ(Pliki(*e), std::vector<String>{"x.wav"}) << e->Tekst();
    const WavNaglowek h = WavNaglowek::Czytaj(dir / "x.wav");
    EXPECT_TRUE(h.Spojny());
    EXPECT_EQ(h.daneSize, 16000u);
  }
}

// A station's name of 600 bytes: the default file name is cut to fit in the directory
// before anything is asked, and the export writes it.
TEST_F(SerwerNaPrzekor, LongStationNameGivesAFileNameThatFits) {
  String nazwa;
  for (int i = 0; i < 300; ++i) nazwa += "\xC5\x82";
  const std::vector<String> a{KG_EXPORTER, "--server", nasluch.Adres(), "--station", nazwa, "--from",
                              NapisIso(kT0 + Roznica::Sekunda * 10), "--to", NapisIso(kT0 + Roznica::Sekunda * 11)};
  Proces e(a, dir.Path());
  Polaczenie c = Przyjmij();
  c.Wyslij(Audio(kT0 + Roznica::Sekunda * 10, 1000));
  c.WyslijTekst("koniecexportu");
  ASSERT_EQ(e.Koniec(20000), std::optional<int>(0)) << e.Tekst().substr(0, 2000);
  const std::vector<String> pliki = Pliki(e);
  ASSERT_EQ(pliki.size(), 1u) << e.Tekst().substr(0, 2000);
  EXPECT_LE(pliki[0].size(), 255u);
  EXPECT_EQ(pliki[0].rfind("\xC5\x82\xC5\x82", 0), 0u);
  EXPECT_TRUE(WavNaglowek::Czytaj(dir / pliki[0]).Spojny());
}

}  // namespace
