#include "export/Exporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/CyclicBuffer.h"
#include "decoder/EncodedFixtures.h"
#include "export/ExporterZDialogiem.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"
#include "transport/Protokol.h"

namespace {

// The player core's part: the station, and the packets sent.
struct FakeKanal : KanalEksportu {
  String stacja = "Zegar";
  std::vector<Paczka2> wyslane;
  String DajStacje() override { return stacja; }
  void Wyslij(Paczka2& p) override { wyslane.push_back(p); }
};

struct FakeDialog : DialogZapisu {
  std::optional<Wybor> wybor;
  std::vector<String> pokazane;
  String katalog;
  std::optional<Wybor> Pokaz(const String& proponowana) override {
    pokazane.push_back(proponowana);
    return wybor;
  }
  void UstawKatalog(const String& k) override { katalog = k; }
};

Przedzialy Jeden(Czas od, Czas do_) {
  Przedzialy p;
  p.Add(Przedzial{od, do_});
  return p;
}

PaczkaAudio Paczka(const String& format, const std::string& bajty, Czas czas = Czas(1)) {
  PaczkaAudio p;
  p.format = format;
  p.czas = czas;
  p.numeraudia = 2;
  p.dane.SetSize(static_cast<int>(bajty.size()));
  if (!bajty.empty()) std::memcpy(p.dane.Data(), bajty.data(), bajty.size());
  return p;
}

struct Fixture {
  explicit Fixture(const String& plik, bool pcm, int64_t maks = WavWriter3::kMaksDanych) : e(&kanal, maks) {
    dialog.wybor = DialogZapisu::Wybor{dir / plik, pcm};
    przedzialy = Jeden(Czas::ZNapisuHex("01C3BE5F2C1A7000"), Czas::ZNapisuHex("01C3BE5F4B8F5B00"));
    EXPECT_TRUE(e.Start(przedzialy, dialog));
  }
  void Dodaj(PaczkaAudio p) { e.AddPacket(p); }
  std::vector<String> Pliki() {
    std::vector<String> out;
    for (const auto& f : std::filesystem::directory_iterator(dir.Path())) out.push_back(f.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDir dir;
  FakeKanal kanal;
  FakeDialog dialog;
  Przedzialy przedzialy;
  Exporter e;
};

TEST(Exporter, StartSendsTheRequestOnceAndCancelSendsNothing) {
  Fixture f("x", false);
  ASSERT_EQ(f.kanal.wyslane.size(), 1u);
  EXPECT_EQ(f.kanal.wyslane[0].Nazwa, protokol::kPrzedzialy);
  EXPECT_EQ(f.kanal.wyslane[0].Opis, protokol::kOpisEksport);
  CyclicBuffer drut;
  f.kanal.wyslane[0].Wyslij(drut);
  Paczka2 p;
  ASSERT_TRUE(p.Wczytaj(drut));
  Przedzialy odebrane;
  p.Wyjmij(odebrane);
  EXPECT_EQ(odebrane.Wszystkie(), f.przedzialy.Wszystkie());
  EXPECT_EQ(f.dialog.katalog, f.dir.Path());
  EXPECT_TRUE(f.e.IsExporting());
  // While exporting: true, no dialog, no request.
  EXPECT_TRUE(f.e.Start(f.przedzialy, f.dialog));
  EXPECT_EQ(f.dialog.pokazane.size(), 1u);
  EXPECT_EQ(f.kanal.wyslane.size(), 1u);
  f.e.Finish();
  EXPECT_FALSE(f.e.IsExporting());
  EXPECT_TRUE(f.Pliki().empty());  // no packet, no file

  f.dialog.wybor.reset();
  EXPECT_FALSE(f.e.Start(f.przedzialy, f.dialog));
  EXPECT_EQ(f.kanal.wyslane.size(), 1u);
  EXPECT_FALSE(f.e.IsExporting());
}

TEST(Exporter, ProposedNameIsAFileNameWhateverTheStation) {
  const Czas t = Czas::ZLokalnego(Czas::ZKalendarza(SystemTime{2003, 12, 0, 9, 9, 5, 30, 0}));
  struct Przypadek {
    const char* stacja;
    const char* poczatek;
  };
  const Przypadek tabela[] = {
      {"Radio", "Radio 9 "},
      {"AC/DC FM", "AC_DC FM 9 "},
      {"a\\b\nc\x7F", "a_b_c_ 9 "},
      {"Dwójka", "Dwójka 9 "},
  };
  for (const Przypadek& p : tabela) {
    const String n = Exporter::NazwaProponowana(p.stacja, Jeden(t, t + Roznica::Minuta));
    EXPECT_EQ(n.substr(0, std::strlen(p.poczatek)), p.poczatek);
    EXPECT_EQ(n.substr(n.size() - 14), " 2003 09_05_30") << n;
    EXPECT_EQ(n.find('/'), String::npos);
  }
}

TEST(Exporter, RecordedMpegIsWrittenAsReceived) {
  // The extension is appended unless the name ends in it already.
  for (const char* nazwa : {"show", "show.mp3", "show.MP3"}) {
    SCOPED_TRACE(nazwa);
    Fixture f(nazwa, false);
    f.Dodaj(Paczka("44100 stereo 128 MPEG1", "abc"));
    f.Dodaj(Paczka("44100 stereo 128 MPEG1", "defg"));
    // A change of bit rate is the same kind of audio: the same file.
    f.Dodaj(Paczka("44100 stereo 192 MPEG1", "h"));
    f.e.Finish();
    const String plik = String(nazwa) == "show" ? "show.mp3" : nazwa;
    EXPECT_EQ(f.Pliki(), std::vector<String>{plik});
    EXPECT_EQ(fixtures::ReadFile(f.dir / plik), "abcdefgh");
    EXPECT_EQ(f.e.Pliki(), std::vector<String>{f.dir / plik});
  }
}

TEST(Exporter, RecordedPcmIsAWavOfItsFormat) {
  Fixture f("fala.wav", false);
  f.Dodaj(Paczka("22050 mono 352 PCM", "abcd"));
  f.Dodaj(Paczka("22050 mono 352 PCM", "ef"));
  // Until Finish the file is whole already.
  WavNaglowek h = WavNaglowek::Czytaj(f.dir / "fala.wav");
  EXPECT_TRUE(h.Spojny());
  EXPECT_EQ(h.Dane(), "abcdef");
  EXPECT_EQ(h.rate, 22050u);
  EXPECT_EQ(h.kanaly, 1);
  // Another kind of audio does not go into this file: it would be noise there.
  f.Dodaj(Paczka("44100 stereo 128 MPEG1", "mpeg"));
  f.Dodaj(Paczka("48000 stereo 1536 PCM", "wxyz"));
  f.e.Finish();
  EXPECT_EQ(f.Pliki(), (std::vector<String>{"fala.wav", "fala.wav2.mp3", "fala3.wav"}));
  EXPECT_EQ(WavNaglowek::Czytaj(f.dir / "fala.wav").Dane(), "abcdef");
  EXPECT_EQ(fixtures::ReadFile(f.dir / "fala.wav2.mp3"), "mpeg");
  h = WavNaglowek::Czytaj(f.dir / "fala3.wav");
  EXPECT_EQ(h.rate, 48000u);
  EXPECT_EQ(h.Dane(), "wxyz");
}

TEST(Exporter, UnknownCompressionIsLoggedAndDropped) {
  LogCapture log;
  Fixture f("x", false);
  f.Dodaj(Paczka("44100 stereo 128 AAC", "abc"));
  f.Dodaj(Paczka("44100 stereo 128 AAC", "abc"));
  f.e.Finish();
  EXPECT_TRUE(f.Pliki().empty());
  const std::string t = log.Text();
  size_t n = 0;
  for (size_t i = 0; (i = t.find("nieznany format 44100 stereo 128 AAC", i)) != std::string::npos; ++i) ++n;
  EXPECT_EQ(n, 2u);
}

TEST(Exporter, PcmDecodesAndStartsANewFileAtAFormatChange) {
  const std::string mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 1.0, 1000), 44100, 2, 128);
  const std::string mp3b = fixtures::EncodeMp3(fixtures::Sine(48000, 2, 0.5, 800), 48000, 2, 128);
  const auto mono = fixtures::Sine(22050, 1, 0.5, 700);
  Fixture f("x.wav", true);
  // In pieces that cut frames, as packets do.
  for (size_t i = 0; i < mp3.size(); i += 1000) f.Dodaj(Paczka("44100 stereo 128 MPEG1", mp3.substr(i, 1000)));
  // The same compression word at another rate (the decoder is only reset), then PCM.
  f.Dodaj(Paczka("48000 stereo 128 MPEG1", mp3b));
  f.Dodaj(Paczka("22050 mono 352 PCM", fixtures::Bytes(mono)));
  f.e.Finish();
  EXPECT_EQ(f.Pliki(), (std::vector<String>{"x.wav", "x2.wav", "x3.wav"}));
  const WavNaglowek a = WavNaglowek::Czytaj(f.dir / "x.wav");
  EXPECT_TRUE(a.Spojny());
  EXPECT_EQ(a.rate, 44100u);
  EXPECT_EQ(a.kanaly, 2);
  EXPECT_EQ(a.bity, 16);
  // All but the decoder's delay and the last frame it holds back.
  EXPECT_GT(a.daneSize, 44100u * 4 * 9 / 10);
  EXPECT_EQ(a.daneSize % 4, 0u);
  const WavNaglowek b = WavNaglowek::Czytaj(f.dir / "x2.wav");
  EXPECT_EQ(b.rate, 48000u);
  EXPECT_EQ(b.kanaly, 2);
  EXPECT_GT(b.daneSize, 48000u * 4 * 4 / 10);
  const WavNaglowek c = WavNaglowek::Czytaj(f.dir / "x3.wav");
  EXPECT_EQ(c.rate, 22050u);
  EXPECT_EQ(c.kanaly, 1);
  EXPECT_EQ(c.Dane(), fixtures::Bytes(mono));
}

// A WAV file cannot grow past its 32-bit sizes: the audio goes on in the next file, cut
// on a whole sample frame.
TEST(Exporter, FullWavGoesOnInTheNextFile) {
  Fixture f("x", false, 1001);
  const std::string dane(2500, 's');
  f.Dodaj(Paczka("44100 stereo 1411 PCM", dane));
  f.e.Finish();
  EXPECT_EQ(f.Pliki(), (std::vector<String>{"x.wav", "x2.wav", "x3.wav"}));
  EXPECT_EQ(WavNaglowek::Czytaj(f.dir / "x.wav").daneSize, 1000u);
  EXPECT_EQ(WavNaglowek::Czytaj(f.dir / "x2.wav").daneSize, 1000u);
  EXPECT_EQ(WavNaglowek::Czytaj(f.dir / "x3.wav").daneSize, 500u);
}

// The window drives the engine through its own interface: a cancelled dialog sends
// nothing; an export started there writes its packets and Finish closes the file.
TEST(Exporter, TheWindowsInterfaceDrivesAnExport) {
  TempDir dir;
  FakeKanal kanal;
  FakeDialog dialog;
  ExporterZDialogiem silnik(&kanal, &dialog);
  ExporterOkna& s = silnik;
  Przedzialy p = Jeden(Czas::ZNapisuHex("01C3BE5F2C1A7000"), Czas::ZNapisuHex("01C3BE5F4B8F5B00"));
  EXPECT_FALSE(s.Start(p));
  EXPECT_TRUE(kanal.wyslane.empty());
  dialog.wybor = DialogZapisu::Wybor{dir / "okno", false};
  EXPECT_TRUE(s.Start(p));
  EXPECT_TRUE(s.IsExporting());
  PaczkaAudio a = Paczka("44100 stereo 128 MPEG1", "mpeg");
  s.AddPacket(a);
  s.Finish();
  EXPECT_FALSE(s.IsExporting());
  EXPECT_EQ(fixtures::ReadFile(dir / "okno.mp3"), "mpeg");
}

TEST(Exporter, FileThatCannotBeCreatedRaises) {
  Fixture f("missing/x", false);
  EXPECT_THROW(f.Dodaj(Paczka("44100 stereo 128 MPEG1", "abc")), Exception);
  EXPECT_NO_THROW(f.e.Finish());
}

}  // namespace

// The files an export would replace, by their final names: the extension the export adds,
// the numbered files after the first, and nothing that merely shares a prefix.
TEST(Exporter, ExistingFilesAreThoseTheExportWouldWrite) {
  TempDir dir;
  for (const char* n : {"fala_orig.wav", "fala_orig2.wav", "fala_orig.mp3", "fala_orig10.mp3", "fala_orig_b.wav",
                        "fala_orig02.wav", "fala_orig1.wav", "fala_orig", "inna.wav"}) {
    std::ofstream(dir / n) << "x";
  }
  struct Przypadek {
    std::string nazwa;
    bool pcm;
    std::vector<std::string> pliki;
  };
  const std::vector<Przypadek> przypadki = {
      {"fala_orig", false, {"fala_orig.mp3", "fala_orig.wav", "fala_orig10.mp3", "fala_orig2.wav"}},
      {"fala_orig", true, {"fala_orig.wav", "fala_orig2.wav"}},
      {"fala_orig.wav", true, {"fala_orig.wav", "fala_orig2.wav"}},
      {"fala_orig.mp3", false, {"fala_orig.mp3", "fala_orig10.mp3"}},
      {"inna", false, {"inna.wav"}},
      {"nowa", false, {}},
  };
  for (const Przypadek& p : przypadki) {
    std::vector<String> oczekiwane;
    for (const std::string& n : p.pliki) oczekiwane.push_back(dir / n);
    EXPECT_EQ(Exporter::IstniejacePliki(dir / p.nazwa, p.pcm), oczekiwane) << p.nazwa << (p.pcm ? " pcm" : "");
  }
}
