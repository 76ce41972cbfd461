// The server under loads that one party makes from several loopback addresses: whatever
// it holds, the others are still served.
#include <gtest/gtest.h>


#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "intervals/PrzedzialyAudio.h"
#include "net/SerwerTestowy.h"
#include "support/Czekanie.h"
#include "support/LogCapture.h"

using namespace serwer;
using namespace serwer::testy;

namespace {

// The bytes of an export request of n disjoint intervals of 1 s from T0, a minute apart
// (16 bytes each).
std::string Eksport(int n) {
  Przedzialy p;
  for (int i = 0; i < n; ++i) p.Add(Przedzial(kT0 + kS * (60 * i), kT0 + kS * (60 * i + 1)));
  Paczka2 e(p, "export");
  Core c;
  e.WriteTo(c);
  return std::string(c.Data(), static_cast<size_t>(c.Size()));
}

// Sends b in two TCP segments, the second a little later.
void WDwochCzesciach(Klient2& k, const std::string& b) {
  k.Surowe(b.substr(0, b.size() / 2));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  k.Surowe(b.substr(b.size() / 2));
}

// 64 connections from two addresses hold 1 MiB - 64 bytes each of export requests they
// never finish (and two more 2 KiB), as much as the shared pool takes. A player from a
// third address whose commands come in two segments is served, and so is a playing
// client's export request of 4.8 kB sent in two pieces.
TEST(SerwerPodObciazeniem, APartyFillingThePoolOfUnfinishedPacketsLocksNoOneOut) {
  LogCapture log;
  Srodowisko s;
  auto grajacy = std::make_unique<Klient2>(s.Port(), true, "127.0.0.5");
  grajacy->Surowe("player\n");
  grajacy->Tekst("zmienstacje " + kT0.NapisHex() + " A");
  grajacy->Tekst("play");
  ASSERT_EQ(grajacy->Audio().numeraudia, 2);

  const std::string duzy = Eksport(66000);
  ASSERT_GT(duzy.size(), size_t{1} << 20);
  std::vector<std::unique_ptr<Klient2>> zalew;
  for (int i = 0; i < 66; ++i) {
    zalew.push_back(std::make_unique<Klient2>(s.Port(), true, i % 2 ? "127.0.0.2" : "127.0.0.3"));
    zalew.back()->Surowe("player\n" + duzy.substr(0, i < 64 ? (1 << 20) - 64 : 2048));
  }
  const int64_t caly = 64 * ((int64_t{1} << 20) - 64 - 7 - 24);
  ASSERT_TRUE(CzekajNa([&] { return s.serwer->WejscieRazem() >= caly; }, 20000)) << s.serwer->WejscieRazem();

  auto gracz = std::make_unique<Klient2>(s.Port(), true, "127.0.0.4");
  gracz->Surowe("player\n");
  Paczka2 zmien("zmienstacje " + (kT0 + kS * 60).NapisHex() + " A");
  Core c;
  zmien.WriteTo(c);
  WDwochCzesciach(*gracz, std::string(c.Data(), static_cast<size_t>(c.Size())));
  gracz->Tekst("play");
  EXPECT_EQ(gracz->Audio().numeraudia, 2) << "the player from a third address was not served";

  const std::string maly = Eksport(300);
  ASSERT_NEAR(static_cast<double>(maly.size()), 4800, 200);
  WDwochCzesciach(*grajacy, maly);
  String t;
  EXPECT_TRUE(grajacy->CzekajTekst("koniecexportu", t)) << "the playing client's export was refused";
  EXPECT_EQ(log.Text().find("za dużo nieskończonych pakietów"), std::string::npos) << log.Text();
}

// Once the pool is full, a newcomer below the heaviest address takes what it needs from
// it: the heaviest loses a connection, the newcomer's large request is served.
TEST(SerwerPodObciazeniem, TheAddressHoldingTheMostOfThePoolGivesWay) {
  LogCapture log;
  Klient::Ustawienia ku;
  ku.limitEksportu = 256 * 1024;
  Serwer::Ustawienia su;
  su.limitWejsciaRazem = 1024 * 1024;
  Srodowisko s(ku, su);
  const std::string duzy = Eksport(15000);  // 240 kB
  std::vector<std::unique_ptr<Klient2>> ciezki;
  for (int i = 0; i < 6; ++i) {
    ciezki.push_back(std::make_unique<Klient2>(s.Port(), true, "127.0.0.2"));
    ciezki.back()->Surowe("player\n" + duzy.substr(0, duzy.size() - 1));
  }
  // It crowds out only itself: at most the pool is held.
  ASSERT_TRUE(CzekajNa([&] { return s.serwer->WejscieRazem() >= 900 * 1024; }, 10000)) << s.serwer->WejscieRazem();

  Klient2 nowy(s.Port(), true, "127.0.0.3");
  nowy.Surowe("player\n");
  nowy.Tekst("zmienstacje " + kT0.NapisHex() + " A");
  WDwochCzesciach(nowy, Eksport(10000));  // 160 kB
  String t;
  EXPECT_TRUE(nowy.CzekajTekst("koniecexportu", t)) << "the newcomer's export was refused";
  int zamkniete = 0;
  for (auto& k : ciezki) {
    timeval krotko{0, 200000};
    setsockopt(k->fd, SOL_SOCKET, SO_RCVTIMEO, &krotko, sizeof krotko);
    char b;
    const ssize_t n = recv(k->fd, &b, 1, 0);
    zamkniete += n == 0 || (n < 0 && errno == ECONNRESET);
  }
  EXPECT_GE(zamkniete, 2);
  EXPECT_LE(zamkniete, 5);
  EXPECT_NE(log.Text().find("za dużo nieskończonych pakietów z adresu 127.0.0.2"), std::string::npos) << log.Text();
  EXPECT_EQ(log.Text().find("127.0.0.3"), std::string::npos) << log.Text();
}

// At the connection limit, connections that never become players give way, oldest first:
// 40 of them from 8 addresses, more than the 19 free places, lock no player out. A new
// player is served, and so is a station query; the player already connected plays on.
TEST(SerwerPodObciazeniem, AtTheConnectionLimitIdlePeersGiveWayToPlayers) {
  LogCapture log;
  Serwer::Ustawienia su;
  su.maksKlientow = 20;
  su.polaczenZAdresu = 5;
  Srodowisko s(Klient::Ustawienia(), su);
  auto stary = s.Gracz(kT0);
  ASSERT_EQ(stary->Audio().numeraudia, 2);
  std::vector<std::unique_ptr<Klient2>> bezczynne;
  for (int a = 2; a < 10; ++a) {
    const std::string adres = "127.0.0." + std::to_string(a);
    for (int i = 0; i < 5; ++i) {
      bezczynne.push_back(std::make_unique<Klient2>(s.Port(), true, adres.c_str()));
      if (i % 2) bezczynne.back()->Surowe("play");  // half a first line
    }
  }
  // The last 19 hold every free place: the first 21 gave way to them.
  EXPECT_TRUE(CzekajNa([&] { return log.Text().find("ustąpiło nowemu (1)") != std::string::npos; }, 5000));

  auto nowy = std::make_unique<Klient2>(s.Port(), true, "127.0.0.10");
  nowy->Surowe("player\n");
  nowy->Tekst("zmienstacje " + (kT0 + kS * 60).NapisHex() + " A");
  nowy->Tekst("play");
  EXPECT_EQ(nowy->Audio().numeraudia, 2) << "the new player was refused";
  Klient2 zapytanie(s.Port(), true, "127.0.0.11");
  zapytanie.Surowe("listabaz\n");
  Paczka2 p;
  ASSERT_TRUE(zapytanie.Odbierz(p)) << "the station query was refused";
  EXPECT_EQ(Klient2::Tekst(p), "A\nPusta\nBrak");
  stary->Tekst("setpos " + (kT0 + kS * 5).NapisHex());
  int numer = 2;
  while (numer == 2) numer = stary->Audio().numeraudia;
  EXPECT_EQ(numer, 3) << "the player already connected stopped";
}

// Out of descriptors so far that even the spare one freed does not make room (the lowest
// free number is past the limit), 40 connections wait: the log counts connections refused,
// not attempts to take them (here none is refused), and the loop waits for descriptors
// instead of spinning on them; once there are descriptors again, the connections that
// waited are served.
TEST(SerwerPodObciazeniem, ConnectionsRefusedForWantOfDescriptorsAreCountedOnce) {
  if (kSanitizerPotrzebujeDeskryptorow) GTEST_SKIP() << "the sanitizers need descriptors to check types";
  Srodowisko s;
  auto dobry = s.Gracz(kT0 + kS * 60);
  ASSERT_EQ(dobry->Audio().numeraudia, 2);
  LimitDeskryptorow limit;
  std::vector<std::unique_ptr<Klient2>> czekajace;
  for (int i = 0; i < 40; ++i) czekajace.push_back(std::make_unique<Klient2>(s.Port(), false, "127.0.0.2"));
  ASSERT_TRUE(limit.Obniz(3));
  for (auto& k : czekajace) k->Polacz(s.Port());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(limit.Przywroc());
  // None was taken and refused: every one is served below.
  EXPECT_EQ(s.serwer->OdrzuconeBezDeskryptorow(), 0) << "attempts counted as connections";
  for (auto& k : czekajace) k->Surowe("listabaz\n");
  int obsluzone = 0;
  for (auto& k : czekajace) {
    Paczka2 p;
    obsluzone += k->Odbierz(p) ? 1 : 0;
  }
  EXPECT_EQ(obsluzone, 40);
  dobry->Tekst("wyslijsztukeaudia");
  EXPECT_EQ(dobry->Audio().numeraudia, 2);
}

// A large file in one station's archive holds up no other station: B, listed after A, is
// indexed and its audio announced to a player while A's archive thread is still in A's
// 2 GiB file (whose search for frames takes 15 s and more).
TEST(SerwerPodObciazeniem, ALargeFileInOneArchiveDelaysNoOtherStation) {
  TempDir d;
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
  const std::string duzy = DuzyPlik(d.Path() + "/a", l.Sciezka(kT0), kT0);
  fixtures::Strumien b(fixtures::Strumien::Warstwa::III, kT0);
  b.Cisza(kS * 10);
  fixtures::Zapisz(d.Path() + "/b", l.Sciezka(kT0), b.Bajty(), Czas::Teraz());
  std::vector<std::unique_ptr<Stacja>> st;
  for (const char* n : {"a", "b"}) {
    st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{n, d.Path() + "/" + n, "accurate", "mp3", "", true, ""}));
  }
  Serwer::Ustawienia su;
  su.host = "127.0.0.1";
  su.port = 0;
  su.odswiezCo = kS * 30;
  Serwer serwer(std::move(st), su);
  serwer.Otworz();
  std::thread watek([&] { serwer.Uruchom(); });
  struct Stop {
    Serwer& s;
    std::thread& t;
    ~Stop() {
      s.Zatrzymaj();
      t.join();
    }
  } stop{serwer, watek};
  ASSERT_TRUE(CzekajNa([&] { return Otwarty(duzy); }, 10000)) << "A's large file was never opened";

  Klient2 k(serwer.Port());
  k.Surowe("player\n");
  k.Tekst("zmienstacje " + kT0.NapisHex() + " b");
  const auto doKiedy = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  bool ogloszona = false;
  while (!ogloszona && std::chrono::steady_clock::now() < doKiedy) {
    Paczka2 p;
    if (!k.Odbierz(p) || p.Nazwa != "PrzedzialyAudio") continue;
    PrzedzialyAudio z;
    Wyjmij(p, z);
    ogloszona = !z.Wszystkie().empty();
  }
  ASSERT_TRUE(ogloszona);
  EXPECT_TRUE(Otwarty(duzy)) << "B's audio came only once A's large file was done";
}

// An exporter that does not read holds little on the server: what an export reads ahead is
// bounded by limitEksportuWKolejce (and one packet), not by the audio limit and a second of
// PCM (about 430 kB each, 300 MB for 900 slow exporters).
TEST(SerwerPodObciazeniem, AnExportReadsAheadOfItsReaderOnlyALittle) {
  TempDir d;
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "wav", "", true);
  const std::filesystem::path plik = d / l.Sciezka(kT0);
  fixtures::CichyWav(plik, 600);
  std::vector<std::unique_ptr<Stacja>> st;
  st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"PCM", d.Path(), "accurate", "wav", "", true, ""}));
  st[0]->Odswiez();
  ASSERT_FALSE(st[0]->Audio().Wszystkie().empty());
  const Klient::Ustawienia u;
  Klient k(st, u, Czas(0));
  Przedzialy p;
  p.Add(Przedzial(kT0, kT0 + Roznica::Minuta * 10));
  Paczka2 e(p, "export");
  Core c;
  e.WriteTo(c);
  Paczka2 zmien("zmienstacje " + kT0.NapisHex() + " PCM");
  Core z;
  zmien.WriteTo(z);
  const std::string b = "player\n" + std::string(z.Data(), static_cast<size_t>(z.Size())) +
                        std::string(c.Data(), static_cast<size_t>(c.Size()));
  k.Odbierz(b.data(), b.size(), Czas(0));
  ASSERT_FALSE(k.Zamknij()) << k.Powod();
  const size_t przedEksportem = k.Kolejka();
  k.Pompuj(Czas(0));
  EXPECT_GT(k.Kolejka(), przedEksportem) << "nothing exported";
  EXPECT_LE(k.Kolejka() - przedEksportem, u.limitEksportuWKolejce + u.limitEksportuWKolejce / 2 + 256);
  // Once sent, it reads on, again only so far.
  while (k.MaDoWyslania()) k.Wyslano(k.Ile());
  k.Pompuj(Czas(0));
  EXPECT_GT(k.Kolejka(), 0u);
  EXPECT_LE(k.Kolejka(), u.limitEksportuWKolejce + u.limitEksportuWKolejce / 2 + 256);
}

}  // namespace
