#include "window/StosPlayera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "audio/WaveOutNull.h"
#include "player/ListaStacji.h"
#include "player/SerwerTestowy.h"
#include "support/TempDir.h"
#include "window/OknoTestowe.h"
#include "window/ExporterOkna.h"

namespace {

// The sound device, which goes with the player core's engine, says when it goes.
struct Urzadzenie : WaveOutNull {
  explicit Urzadzenie(std::vector<String>& d) : dziennik(d) {}
  ~Urzadzenie() override { dziennik.push_back("player core"); }
  std::vector<String>& dziennik;
};

// An export engine that says when it goes (finishing its file).
struct Silnik : ExporterOkna {
  explicit Silnik(std::vector<String>& d) : dziennik(d) {}
  ~Silnik() override { dziennik.push_back("export engine"); }
  bool IsExporting() override { return false; }
  bool Start(Przedzialy&) override { return false; }
  void AddPacket(PaczkaAudio&) override {}
  void Finish() override {}
  std::vector<String>& dziennik;
};

EsencjaPlayera::Wyposazenie Wyposazenie(std::vector<String>& d) {
  EsencjaPlayera::Wyposazenie w;
  w.urzadzenie = std::make_unique<Urzadzenie>(d);
  return w;
}

// The notifications given on the message thread wait for the owner, in order, each one
// waking it.
TEST(StosPlayera, PowiadomieniaCzekajaNaWatekWlasciciela) {
  std::vector<String> dziennik;
  std::atomic<int> pobudki{0};
  StosPlayera stos(nullptr, Wyposazenie(dziennik), [&] { ++pobudki; });
  stos.Esencja().ZmienStacje("Zegar@127.0.0.1:" + std::to_string(serwer::ZamknietyPort()), Czas::Teraz());
  std::vector<ZdarzeniePolaczenia> z;
  EXPECT_TRUE(serwer::Eventually([&] {
    for (ZdarzeniePolaczenia n : stos.Odbierz()) z.push_back(n);
    return z.size() >= 2;
  }));
  EXPECT_EQ(z, (std::vector<ZdarzeniePolaczenia>{ZdarzeniePolaczenia::Laczenie, ZdarzeniePolaczenia::Nieudany}));
  EXPECT_EQ(pobudki.load(), 2);
  EXPECT_TRUE(stos.Odbierz().empty());
}

// A refusal of the server comes as the protocol's string, in Windows-1250 bytes: through
// the player core and the window's logic it reaches the status line in its letters.
TEST(StosPlayera, OdmowaSerweraZPolskimiLiteramiNaPaskuStanu) {
  std::vector<String> dziennik;
  TempDir k;
  ListaStacji lista(k / "ustawienia");
  okno_testowe::WidokZapisujacy widok;
  StosPlayera stos(nullptr, Wyposazenie(dziennik));
  LogikaOkna& logika = stos.ZbudujLogike(widok, lista, LogikaOkna::Ustawienia{});
  serwer::Nasluch n;
  stos.Esencja().ZmienStacje("Zegar@" + n.Adres(), Czas::Teraz());
  serwer::Polaczenie c = n.Przyjmij();
  ASSERT_TRUE(c.Jest());
  ASSERT_EQ(c.Czytaj(7), "player\n");
  // The payload's bytes as the server writes them: "ł" is B3, "ę" EA, "ś" 9C, "ą" B9.
  const String bajty = "error b\xB3\xEA" "dna paczka eksportu: \x9Cl\xB9ska";
  Paczka2 odmowa("error");
  odmowa.core.SetSize(0);
  odmowa.core.InsertAt(0, bajty.data(), static_cast<int>(bajty.size()));
  c.Wyslij(odmowa);
  const String oczekiwany = "Serwer odmówił: błędna paczka eksportu: śląska";
  EXPECT_TRUE(serwer::Eventually([&] {
    stos.Odbierz();
    logika.Odbierz();
    return widok.status == oczekiwany;
  })) << widok.status;
  EXPECT_EQ(widok.dymek, oczekiwany);
}

// The export engine goes while the player core exists; the logic works the stack's engine
// and the list plays on no player after the stack.
TEST(StosPlayera, RozbiorkaWJedynejKolejnosci) {
  std::vector<String> dziennik;
  TempDir k;
  ListaStacji lista(k / "ustawienia");
  okno_testowe::WidokZapisujacy widok;
  {
    StosPlayera stos(nullptr, Wyposazenie(dziennik));
    auto silnik = std::make_unique<Silnik>(dziennik);
    ExporterOkna* s = silnik.get();
    stos.UstawEksport(std::move(silnik));
    EXPECT_EQ(stos.Eksport(), s);
    stos.ZbudujLogike(widok, lista, LogikaOkna::Ustawienia{});
    ASSERT_NE(stos.Logika(), nullptr);
    lista.UstawPlayera(&stos.Esencja());
  }
  EXPECT_EQ(dziennik, (std::vector<String>{"export engine", "player core"}));
  // A bookmark chosen after the stack is gone plays on nothing.
  lista.DodajZakladke(Czas::Teraz(), "opis", "Zegar@127.0.0.1:1");
  lista.ZagrajZakladke(0);
}

}  // namespace
