// korwendo-export's export engine: only the export it started is written, and the file's
// failures are reported to the owner instead of raised.
#include "korwendo-export/EksportZLinii.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "transport/Protokol.h"

namespace {

struct FakeKanal : KanalEksportu {
  std::vector<String>* wyslane;
  explicit FakeKanal(std::vector<String>* w) : wyslane(w) {}
  String DajStacje() override { return "Zegar"; }
  void Wyslij(Paczka2& p) override { wyslane->push_back(p.Nazwa + " " + p.Opis); }
};

PaczkaAudio Pcm(int sekundy) {
  PaczkaAudio a;
  a.czas = Czas::ZNapisuHex("01C3BE5F2C1A7000");
  a.format = "8000 mono 128 PCM";
  a.dane.SetSize(16000 * sekundy);
  return a;
}

struct Silnik {
  explicit Silnik(const String& plik) {
    EksportZLinii::Zdarzenia z;
    z.paczka = [this](const PaczkaAudio&) { ++paczek; };
    z.bladZapisu = [this](const String& b) { bledyZapisu.push_back(b); };
    z.bladKonca = [this](const String& b) { bledyKonca.push_back(b); };
    e = std::make_unique<EksportZLinii>(std::make_unique<FakeKanal>(&wyslane), plik, false, std::move(z));
    przedzialy.Add(Przedzial(Czas::ZNapisuHex("01C3BE5F2C1A7000"), Czas::ZNapisuHex("01C3BE5F4B8F5B00")));
  }
  std::vector<String> wyslane;
  int paczek = 0;
  std::vector<String> bledyZapisu;
  std::vector<String> bledyKonca;
  Przedzialy przedzialy;
  std::unique_ptr<EksportZLinii> e;
};

TEST(EksportZLinii, PiszeTylkoEksportKtoryZaczal) {
  TempDir dir;
  Silnik s(dir / "x");
  PaczkaAudio a = Pcm(1);
  s.e->AddPacket(a);  // before the request: dropped, no file
  EXPECT_EQ(s.paczek, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

  ASSERT_TRUE(s.e->Start(s.przedzialy));
  EXPECT_EQ(s.wyslane, std::vector<String>{String(protokol::kPrzedzialy) + " " + protokol::kOpisEksport});
  s.e->AddPacket(a);
  EXPECT_EQ(s.paczek, 1);
  s.e->Finish();
  EXPECT_FALSE(s.e->IsExporting());
  const auto rozmiar = std::filesystem::file_size(dir / "x.wav");
  EXPECT_GT(rozmiar, 16000u);

  s.e->AddPacket(a);  // after the end: dropped, the file as it was
  EXPECT_EQ(s.paczek, 1);
  EXPECT_EQ(std::filesystem::file_size(dir / "x.wav"), rozmiar);
  EXPECT_EQ(s.e->Pliki(), std::vector<String>{dir / "x.wav"});
  EXPECT_TRUE(s.bledyZapisu.empty());
  EXPECT_TRUE(s.bledyKonca.empty());
}

TEST(EksportZLinii, BladPlikuJestZgloszonyNieRzucony) {
  TempDir dir;
  Silnik s(dir / "nie-ma/x");
  ASSERT_TRUE(s.e->Start(s.przedzialy));
  PaczkaAudio a = Pcm(1);
  EXPECT_NO_THROW(s.e->AddPacket(a));
  ASSERT_EQ(s.bledyZapisu.size(), 1u);
  EXPECT_NE(s.bledyZapisu[0].find("nie-ma"), String::npos) << s.bledyZapisu[0];
  EXPECT_TRUE(s.e->IsExporting());  // the owner decides what follows
  EXPECT_NO_THROW(s.e->Finish());
  EXPECT_TRUE(s.bledyKonca.empty());
}

}  // namespace
