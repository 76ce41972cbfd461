// The server over loopback: a small blocking client speaks the packet protocol to a
// Serwer running on its own thread over fixture archives.
#include "net/Serwer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "archive/ArchiveFixtures.h"
#include "common/PaczkaAudio.h"
#include "common/Update.h"
#include "core/SygnalyKonca.h"
#include "support/Czekanie.h"
#include "support/LogCapture.h"
#include "net/SerwerTestowy.h"
#include "support/TempDir.h"

using namespace serwer;
using namespace serwer::testy;

namespace {

TEST(Serwer, StationQueryListsStationsAndCloses) {
  Srodowisko s;
  Klient2 k(s.Port());
  k.Surowe("listabaz\n");
  Paczka2 p;
  ASSERT_TRUE(k.Odbierz(p));
  EXPECT_EQ(p.Nazwa, "String");
  EXPECT_EQ(Klient2::Tekst(p), "A\nPusta\nBrak");
  EXPECT_TRUE(k.Zamkniete());
}

TEST(Serwer, AnnouncementThenAudioInOrderAcrossFilesAndGap) {
  Srodowisko s;
  auto k = s.Gracz(kT0 + kS * 9);
  // More than the first burst: on to the recording after the gap.
  k->Tekst("wyslijsztukeaudia");
  Paczka2 p;
  ASSERT_TRUE(k->Odbierz(p));
  EXPECT_EQ(Klient2::Tekst(p), "terazgramy A");
  ASSERT_TRUE(k->Odbierz(p));
  ASSERT_EQ(p.Nazwa, "PrzedzialyAudio");
  EXPECT_EQ(p.Opis, "");
  {
    Core c;
    p.WriteTo(c);
    Paczka2 r;
    r.Write(c.Data(), c.Size());
    PrzedzialyAudio a;
    r.Wyjmij(a);
    const auto w = a.Wszystkie();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].begin, kT0);
    EXPECT_EQ(w[0].end, s.s1.Koniec());
    EXPECT_EQ(w[1].begin, kT0 + kS * 60);
  }
  ASSERT_TRUE(k->Odbierz(p));
  EXPECT_EQ(p.Nazwa, "Update<");
  EXPECT_EQ(p.Opis, "init iwentow");

  // The audio is the recorded stream, byte for byte, each packet at its first frame's time.
  const std::string& b = s.s1.Bajty();
  size_t offset = std::string::npos;
  bool przezGranice = false;
  for (;;) {
    const PaczkaAudio a = k->Audio();
    ASSERT_EQ(a.numeraudia, 2);
    if (a.czas >= kT0 + kS * 20) {
      // After the gap, the next recording.
      EXPECT_EQ(a.czas, kT0 + kS * 60);
      break;
    }
    const size_t o = b.find(Dane(a), offset == std::string::npos ? 0 : offset);
    ASSERT_NE(o, std::string::npos);
    if (offset != std::string::npos) {
      EXPECT_EQ(o, offset);
    } else {
      EXPECT_LE(a.czas, kT0 + kS * 9);
      EXPECT_GT(a.czas, kT0 + kS * 9 - Roznica::Milisekunda * 200);
    }
    const int64_t ramka = s.s1.RamkaW(a.czas);
    EXPECT_EQ(s.s1.CzasRamki(ramka), a.czas);
    EXPECT_EQ(static_cast<int64_t>(o), s.s1.Offset(ramka));
    if (a.czas >= s.poczatekB) przezGranice = true;
    offset = o + static_cast<size_t>(a.dane.Size());
  }
  EXPECT_TRUE(przezGranice);
}

TEST(Serwer, SequenceNumbersFollowSeeksEventsAndStationChanges) {
  Srodowisko s;
  auto k = s.Gracz(kT0);
  EXPECT_EQ(k->Audio().numeraudia, 2);
  k->Tekst("setpos " + (kT0 + kS * 5).NapisHex());
  PaczkaAudio a;
  do a = k->Audio(); while (a.numeraudia == 2);
  EXPECT_EQ(a.numeraudia, 3);
  // The first packet after a seek begins at the frame that plays at the new position.
  EXPECT_LE(a.czas, kT0 + kS * 5);
  EXPECT_GT(a.czas, kT0 + kS * 5 - Roznica::Milisekunda * 200);
  k->Tekst("zmienstacje " + (kT0 + kS * 62).NapisHex() + " A");
  String t;
  ASSERT_TRUE(k->CzekajTekst("terazgramy", t));
  do a = k->Audio(); while (a.numeraudia == 3);
  EXPECT_EQ(a.numeraudia, 4);
  EXPECT_GE(a.czas, kT0 + kS * 61);
  k->Tekst("grajiwenty Wiadomości");
  do a = k->Audio(); while (a.numeraudia == 4);
  EXPECT_EQ(a.numeraudia, 5);
  k->Tekst("grajwszystko");
  k->Tekst("setpos " + kT0.NapisHex());
  do a = k->Audio(); while (a.numeraudia == 5);
  EXPECT_EQ(a.numeraudia, 6);
}

TEST(Serwer, PlayingEventsSkipsFromOneIntervalToTheNext) {
  Srodowisko s;
  auto k = s.Gracz(kT0);
  k->Tekst("grajiwenty Wiadomości");
  PaczkaAudio a;
  do a = k->Audio(); while (a.numeraudia == 2);
  ASSERT_EQ(a.numeraudia, 3);
  bool drugi = false;
  for (int i = 0; i < 40 && !drugi; ++i) {
    // Only the family's intervals: [T0+2, T0+4] and [T0+62, T0+63].
    const bool wPierwszym = a.czas >= kT0 + kS * 2 - Roznica::Milisekunda * 200 && a.czas <= kT0 + kS * 4;
    drugi = a.czas >= kT0 + kS * 62 - Roznica::Milisekunda * 200 && a.czas <= kT0 + kS * 63;
    EXPECT_TRUE(wPierwszym || drugi) << a.czas.NapisDokladny();
    if (!drugi) a = k->Audio();
  }
  EXPECT_TRUE(drugi);
}

// The archive's silences reach a player as the events family "Cisza", as the server
// finds them, and play alone like any family: station A's 10 s of silence from T0 + 60 s.
TEST(Serwer, SilencesReachAPlayerAsAFamilyOfEventsThatPlaysAlone) {
  Srodowisko s(Klient::Ustawienia(), Serwer::Ustawienia(), true, 10);
  auto k = s.Gracz(kT0);
  BazaZintegrowana baza;
  std::vector<Przedzial> cisza;
  const auto doKiedy = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Paczka2 p;
  while (cisza.empty()) {
    ASSERT_LT(std::chrono::steady_clock::now(), doKiedy);
    ASSERT_TRUE(k->Czekaj("Update<", p));
    Update<BazaZintegrowana> u;
    Wyjmij(p, u);
    if (p.Opis == "init iwentow") baza.Wyczysc();
    baza.Dodaj(u.plus);
    baza.Odejmij(u.minus);
    if (PrzedzialyID* r = baza.iwenty.Znajdz("Cisza")) cisza = r->Wszystkie();
  }
  ASSERT_EQ(cisza.size(), 1u);
  EXPECT_LE(Czas::Odstep(cisza[0].begin, kT0 + kS * 60), Roznica::Milisekunda * 100);
  EXPECT_LE(Czas::Odstep(cisza[0].end, kT0 + kS * 70), Roznica::Milisekunda * 100);
  // The events file's families are there beside it.
  EXPECT_NE(baza.iwenty.Znajdz("Wiadomości"), nullptr);

  k->Tekst("grajiwenty Cisza");
  PaczkaAudio a;
  do a = k->Audio(); while (a.numeraudia == 2);
  ASSERT_EQ(a.numeraudia, 3);
  EXPECT_GE(a.czas, cisza[0].begin - Roznica::Milisekunda * 200);
  EXPECT_LE(a.czas, cisza[0].end);
}

// A recording that grows is announced as an addition and its new audio streams on to a
// client that waited at its end; an events file that changes is sent as a change, or whole
// when a kind of event went away.
TEST(Serwer, GrowingRecordingAndChangedEventsReachAPlayingClient) {
  Srodowisko s;
  auto k = s.Gracz(kT0 + kS * 68);
  const Czas staryKoniec = s.s2.Koniec();
  PaczkaAudio a;
  do a = k->Audio(); while (a.numeraudia == 2 && a.czas < kT0 + kS * 69);
  ASSERT_EQ(a.numeraudia, 2);

  const size_t stare = s.s2.Bajty().size();
  s.s2.Cisza(kS * 5);
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
  fixtures::Dopisz(s.dir.Path() + "/a", l.Sciezka(kT0 + kS * 60), s.s2.Bajty().substr(stare));
  Paczka2 p;
  ASSERT_TRUE(k->Czekaj("PrzedzialyAudio", p, "update+"));
  PrzedzialyAudio plus;
  Wyjmij(p, plus);
  ASSERT_EQ(plus.Wszystkie().size(), 1u);
  // Closed intervals: the addition begins one tick after what the client has.
  EXPECT_LE(Czas::Odstep(plus.Wszystkie()[0].begin, staryKoniec), Roznica(1));
  // The server may look at the file while the append is under way: the rest then comes
  // as further additions, each beginning where the one before ended, and the stream may
  // go on meanwhile.
  Czas doKonca = plus.Wszystkie()[0].end;
  PaczkaAudio a2;
  bool jestAudio = false;
  const auto doKiedy = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (doKonca < s.s2.Koniec()) {
    ASSERT_LT(std::chrono::steady_clock::now(), doKiedy) << doKonca.NapisDokladny();
    ASSERT_TRUE(k->Odbierz(p)) << doKonca.NapisDokladny();
    if (p.Nazwa == "PrzedzialyAudio" && p.Opis == "update+") {
      PrzedzialyAudio dalej;
      Wyjmij(p, dalej);
      ASSERT_EQ(dalej.Wszystkie().size(), 1u);
      EXPECT_LE(Czas::Odstep(dalej.Wszystkie()[0].begin, doKonca), Roznica(1));
      doKonca = dalej.Wszystkie()[0].end;
    } else if (p.Nazwa == "PaczkaAudio" && p.Opis == "" && !jestAudio) {
      a2 = Klient2::JakoAudio(p);
      jestAudio = true;
    }
  }
  EXPECT_EQ(doKonca, s.s2.Koniec());
  // The stream goes on where it stopped, up to the new end.
  a = jestAudio ? a2 : k->Audio();
  EXPECT_EQ(a.numeraudia, 2);
  EXPECT_EQ(a.czas, staryKoniec);
  EXPECT_EQ(Dane(a), s.s2.Bajty().substr(stare, static_cast<size_t>(a.dane.Size())));

  // One event stays, one goes, one and a marker come.
  s.Zmien("a.txt",
          "event\tWiadomości\t2024-05-01T10:00:02.000Z\t2024-05-01T10:00:04.000Z\n"
          "event\tWiadomości\t2024-05-01T10:01:05.000Z\t2024-05-01T10:01:06.000Z\n"
          "marker\tSygnał\t2024-05-01T10:00:05.000Z\nmarker\tSygnał\t2024-05-01T10:00:07.000Z\n");
  ASSERT_TRUE(k->Czekaj("Update<", p));
  EXPECT_EQ(p.Opis, "update iwentow");
  Update<BazaZintegrowana> u;
  Wyjmij(p, u);
  const auto tylko = [](BazaZintegrowana& b, const char* rodzina) {
    PrzedzialyID* r = b.iwenty.Znajdz(rodzina);
    return r ? r->Wszystkie() : std::vector<Przedzial>();
  };
  EXPECT_EQ(tylko(u.plus, "Wiadomości"), (std::vector<Przedzial>{{kT0 + kS * 65, kT0 + kS * 66}}));
  EXPECT_EQ(tylko(u.minus, "Wiadomości"), (std::vector<Przedzial>{{kT0 + kS * 62, kT0 + kS * 63}}));
  EXPECT_EQ(u.plus.Markery("Sygnał").Momenty(), (std::set<Czas>{kT0 + kS * 7}));
  EXPECT_EQ(u.minus.Markery("Sygnał").Ile(), 0);

  s.Zmien("a.txt", "marker\tSygnał\t2024-05-01T10:00:05.000Z\n");
  ASSERT_TRUE(k->Czekaj("Update<", p));
  EXPECT_EQ(p.Opis, "init iwentow");
  Wyjmij(p, u);
  EXPECT_EQ(u.plus.iwenty.Znajdz("Wiadomości"), nullptr);
  EXPECT_EQ(u.plus.Markery("Sygnał").Momenty(), (std::set<Czas>{kT0 + kS * 5}));
}

TEST(Serwer, EmptyAndUnreadableStationsAreReported) {
  Srodowisko s;
  auto k = s.Gracz(kT0, "Pusta");
  String t;
  ASSERT_TRUE(k->CzekajTekst("empty", t));
  EXPECT_EQ(t, "empty Pusta");
  // Asking an empty station for audio is no error: there is just nothing to send yet.
  k->Tekst("play");
  k->Tekst("wyslijsztukeaudia");
  k->Tekst("zmienstacje " + kT0.NapisHex() + " Brak");
  while (k->CzekajTekst("", t) && t.rfind("busy", 0) != 0) EXPECT_NE(t.rfind("error", 0), 0u) << t;
  EXPECT_EQ(t, "busy Brak");
  k->Tekst("zmienstacje " + kT0.NapisHex() + " ../../etc");
  ASSERT_TRUE(k->CzekajTekst("error", t));
}

TEST(Serwer, FlowControlGrantsAboutTenSecondsPerRequest) {
  Srodowisko s;
  auto k = s.Gracz(kT0 + kS * 60);
  // The burst covers about 10 s and then stops until the client asks.
  Roznica suma(0);
  PaczkaAudio a = k->Audio();
  const Czas pierwszy = a.czas;
  Czas koniec = a.Koniec();
  timeval t{0, 500000};
  setsockopt(k->fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  for (;;) {
    a = k->Audio();
    if (a.numeraudia < 0) break;
    koniec = a.Koniec();
  }
  suma = koniec - pierwszy;
  EXPECT_GE(suma, kS * 9);
  EXPECT_LE(suma, kS * 11);
}

// Past the grant, audio keeps coming at the pace of playing, a little ahead of it, so
// that a client which asks only when audio arrives while it is short never starves; a
// stopped client gets nothing more.
TEST(Serwer, AudioFollowsThePaceOfPlayingBeyondTheGrant) {
  Klient::Ustawienia ku;
  ku.zapasPoczatkowy = kS / 2;
  ku.zapasNaProsbe = kS * 2;
  ku.wyprzedzenie = kS;
  Srodowisko s(ku);
  auto k = s.Gracz(kT0);
  const auto start = std::chrono::steady_clock::now();
  timeval t{0, 200000};
  setsockopt(k->fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  Czas koniec;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
    const PaczkaAudio a = k->Audio();
    if (a.numeraudia >= 0) koniec = std::max(koniec, a.Koniec());
  }
  // After 3 s of playing: the 3 s played plus 1 s ahead, give or take a packet.
  EXPECT_GE(koniec - kT0, kS * 3 + kS / 2);
  EXPECT_LE(koniec - kT0, kS * 5 + kS / 2);

  // A request after a while of paced audio is served at once: the paced audio was not
  // taken from the grants.
  const Czas przedProsba = koniec;
  k->Tekst("wyslijsztukeaudia");
  const auto prosba = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - prosba < std::chrono::milliseconds(300)) {
    const PaczkaAudio a = k->Audio();
    if (a.numeraudia >= 0) koniec = std::max(koniec, a.Koniec());
  }
  EXPECT_GE(koniec - przedProsba, kS * 16 / 10);

  k->Tekst("stop");
  for (;;) {
    const PaczkaAudio a = k->Audio();  // what was on its way
    if (a.numeraudia < 0) break;
  }
  const Czas zatrzymany = koniec;
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_LT(k->Audio().numeraudia, 0) << "audio after stop, from " << zatrzymany.NapisHex();
}

TEST(Serwer, ExportCoversTheIntervalsAndEnds) {
  Srodowisko s;
  auto k = s.Gracz(kT0);
  k->Tekst("stop");
  Przedzialy p;
  p.Add(Przedzial(kT0 + kS * 3, kT0 + kS * 5));
  p.Add(Przedzial(kT0 + kS * 12, kT0 + kS * 13));
  Paczka2 e(p, "export");
  k->Wyslij(e);
  std::vector<PaczkaAudio> pakiety;
  Paczka2 x;
  while (k->Odbierz(x)) {
    if (x.Nazwa == "String" && Klient2::Tekst(x) == "koniecexportu") break;
    if (x.Nazwa != "PaczkaAudio" || x.Opis != "export") continue;
    Core c;
    x.WriteTo(c);
    Paczka2 r;
    r.Write(c.Data(), c.Size());
    PaczkaAudio a;
    r.Wyjmij(a);
    pakiety.push_back(a);
  }
  ASSERT_FALSE(pakiety.empty());
  EXPECT_LE(pakiety.front().czas, kT0 + kS * 3);
  EXPECT_GT(pakiety.front().czas, kT0 + kS * 3 - Roznica::Milisekunda * 30);
  Roznica razem(0);
  for (const auto& a : pakiety) {
    const bool w = (a.czas >= kT0 + kS * 3 - Roznica::Milisekunda * 30 && a.czas < kT0 + kS * 5) ||
                   (a.czas >= kT0 + kS * 12 - Roznica::Milisekunda * 30 && a.czas < kT0 + kS * 13);
    EXPECT_TRUE(w) << a.czas.NapisDokladny();
    razem += a.IleCzasu();
  }
  // 3 s, widened to whole frames at each end (26 ms each) and no frame beyond an end.
  EXPECT_GE(razem, kS * 3);
  EXPECT_LE(razem, kS * 3 + Roznica::Milisekunda * 105);

  // Abort: "przerwijeksport" still ends with "koniecexportu".
  Przedzialy dlugi;
  dlugi.Add(Przedzial(kT0, kT0 + kS * 20));
  Paczka2 e2(dlugi, "export");
  Paczka2 przerwij("przerwijeksport");
  Core obie;
  e2.WriteTo(obie);
  przerwij.WriteTo(obie);
  k->Surowe(std::string(obie.Data(), static_cast<size_t>(obie.Size())));  // read as one
  String t;
  EXPECT_TRUE(k->CzekajTekst("koniecexportu", t));

  // An export goes on from its station while the client turns to one that does not exist,
  // and a moment however far back is the first audio there is.
  Przedzialy odPoczatku;
  odPoczatku.Add(Przedzial(Czas(INT64_MIN / 2), kT0 + kS * 2));
  Paczka2 e3(odPoczatku, "export");
  Paczka2 zmiana("zmienstacje " + kT0.NapisHex() + " Nieznana");
  Core obie3;
  e3.WriteTo(obie3);
  zmiana.WriteTo(obie3);
  k->Surowe(std::string(obie3.Data(), static_cast<size_t>(obie3.Size())));
  bool pierwszy = true;
  bool nieznana = false;
  razem = Roznica(0);
  while (k->Odbierz(x)) {
    if (x.Nazwa == "String" && Klient2::Tekst(x) == "error nieznana stacja Nieznana") nieznana = true;
    if (x.Nazwa == "String" && Klient2::Tekst(x) == "koniecexportu") break;
    if (x.Nazwa != "PaczkaAudio" || x.Opis != "export") continue;
    PaczkaAudio a;
    Wyjmij(x, a);
    if (pierwszy) {
      EXPECT_EQ(a.czas, kT0);
    }
    pierwszy = false;
    razem += a.IleCzasu();
  }
  EXPECT_TRUE(nieznana);
  EXPECT_GE(razem, kS * 2);
  EXPECT_LE(razem, kS * 2 + Roznica::Milisekunda * 30);
  // Asked to end when none runs (a client whose connection was lost mid-export), the
  // server still ends it.
  k->Tekst("przerwijeksport");
  EXPECT_TRUE(k->CzekajTekst("koniecexportu", t));
  // Negative moments are refused.
  k->Tekst("setpos 8000000000000000");
  EXPECT_TRUE(k->CzekajTekst("error", t));
  EXPECT_EQ(t, "error zly czas 8000000000000000");
}

// An export is made only as fast as its client takes it: a client that stops reading is
// waited for, not dropped, however small the output limit, and another player is served
// meanwhile; once it reads again it gets the whole export.
TEST(Serwer, ExportWaitsForASlowReaderAndOthersPlayOn) {
  Klient::Ustawienia u;
  u.limitAudio = 16 * 1024;
  u.limitWyjscia = 64 * 1024;  // far less than the export's 480 kB
  Srodowisko s(u);
  auto k = std::make_unique<Klient2>(s.Port(), false);
  const int maly = 4096;
  setsockopt(k->fd, SOL_SOCKET, SO_RCVBUF, &maly, sizeof maly);
  k->Polacz(s.Port());
  k->Surowe("player\n");
  k->Tekst("zmienstacje " + kT0.NapisHex() + " A");
  Przedzialy p;
  p.Add(Przedzial(kT0, kT0 + kS * 20));
  p.Add(Przedzial(kT0 + kS * 60, kT0 + kS * 70));
  Paczka2 e(p, "export");
  k->Wyslij(e);

  // Not read for a while: another player is served all along.
  auto inny = s.Gracz(kT0);
  for (int i = 0; i < 5; ++i) {
    const PaczkaAudio a = inny->Audio();
    ASSERT_EQ(a.numeraudia, 2) << i;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));

  Roznica razem(0);
  Paczka2 x;
  bool koniec = false;
  while (!koniec && k->Odbierz(x)) {
    koniec = x.Nazwa == "String" && Klient2::Tekst(x) == "koniecexportu";
    if (x.Nazwa != "PaczkaAudio" || x.Opis != "export") continue;
    PaczkaAudio a;
    Wyjmij(x, a);
    razem += a.IleCzasu();
  }
  EXPECT_TRUE(koniec) << "the slow reader was dropped";
  // The 30 s asked for, to whole frames at each end (the recordings end about then).
  EXPECT_GE(razem, kS * 30 - Roznica::Milisekunda * 60);
  EXPECT_LE(razem, kS * 30 + Roznica::Milisekunda * 110);
  // And it plays on.
  k->Tekst("play");
  EXPECT_EQ(k->Audio().numeraudia, 2);
}

TEST(Serwer, PingIsSentAndASilentClientIsDropped) {
  Klient::Ustawienia u;
  u.pingCo = Roznica::Milisekunda * 200;
  u.pingLimit = Roznica::Milisekunda * 600;
  Srodowisko s(u);
  auto k = std::make_unique<Klient2>(s.Port());
  k->Surowe("player\n");
  String t;
  ASSERT_TRUE(k->CzekajTekst("ping", t));
  EXPECT_TRUE(k->Zamkniete());
  // A client that answers stays.
  auto z = std::make_unique<Klient2>(s.Port());
  z->Surowe("player\n");
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(z->CzekajTekst("ping", t));
    z->Tekst("pong " + t.substr(5));
  }
}

TEST(Serwer, BadInputCostsOnlyThatConnection) {
  Serwer::Ustawienia su;
  su.polaczenZAdresu = su.maksKlientow;  // the idle connections below all come from one address
  Srodowisko s(Klient::Ustawienia(), su);
  auto dobry = s.Gracz(kT0 + kS * 60);
  ASSERT_EQ(dobry->Audio().numeraudia, 2);
  struct Przypadek {
    const char* nazwa;
    std::string bajty;
    bool zamkniete;  // else an "error" reply
  };
  std::string duzy = "paczk2";
  duzy += std::string("\x01\x00\x00\x00\x06\x00\x00\x00String\xff\xff\xff\x7f", 18);
  const std::vector<Przypadek> przypadki = {
      {"unknown greeting", "hello\n", true},
      {"long greeting", std::string(100, 'x'), true},
      {"wrong tag", "player\nXXXXXXXXXXXXXXXXXXXXXXXX", true},
      {"huge length", "player\n" + duzy, true},
  };
  for (const auto& p : przypadki) {
    Klient2 k(s.Port());
    k.Surowe(p.bajty);
    EXPECT_TRUE(k.Zamkniete()) << p.nazwa;
  }
  {
    Klient2 k(s.Port());
    k.Surowe("player\n");
    k.Tekst("frobnicate now");
    String t;
    ASSERT_TRUE(k.CzekajTekst("error", t));
    EXPECT_EQ(t, "error nieznana komenda frobnicate now");
    k.Tekst("setpos 12");
    ASSERT_TRUE(k.CzekajTekst("error", t));
  }
  // Idle connections and a half packet do not hold the others back.
  std::vector<std::unique_ptr<Klient2>> bezczynne;
  for (int i = 0; i < 200; ++i) bezczynne.push_back(std::make_unique<Klient2>(s.Port()));
  Klient2 pol(s.Port());
  pol.Surowe("player\npaczk2\x01");
  dobry->Tekst("wyslijsztukeaudia");
  EXPECT_EQ(dobry->Audio().numeraudia, 2);
}

// The refusals a person reads leave as the protocol's strings, in Windows-1250: a word of
// the server's own in its letters, a name the client sent back in its letters, and the
// words a client compares ("zly czas", "nieznana stacja") as the protocol spells them. A
// failure's text carries no source location. Each case runs on a connection of its own.
TEST(Serwer, RefusalsGoOutInWindows1250) {
  Srodowisko s;
  Przedzialy jeden;
  jeden.Add(Przedzial(kT0, kT0 + kS));
  Paczka2 eksport(jeden, "export");
  Paczka2 uciety = eksport;
  uciety.core.SetSize(6);  // the count, and half of the interval
  const String naA = "zmienstacje " + kT0.NapisHex() + " A";
  struct Przypadek {
    const char* nazwa;
    std::vector<Paczka2> wyslij;
    std::string odpowiedz;  // the bytes of the payload, whole unless `poczatek`
    bool poczatek;
  };
  const std::vector<Przypadek> przypadki = {
      {"a cut export request", {uciety}, "error b\xB3\xEA" "dna paczka eksportu: ", true},
      {"an unknown command", {Paczka2("frobnicate źle")}, "error nieznana komenda frobnicate \x9Fle", false},
      {"an unknown station", {Paczka2("zmienstacje " + kT0.NapisHex() + " Dwójka")},
       "error nieznana stacja Dw\xF3jka", false},
      {"a bad time", {Paczka2("setpos 0x12")}, "error zly czas 0x12", false},
      {"a described text", {Paczka2("play", "łączy")}, "error nieznany opis \xB3\xB9" "czy", false},
      {"an unknown family", {Paczka2(naA), Paczka2("grajiwenty Pogoda śląska")},
       "error nieznana rodzina Pogoda \x9Cl\xB9ska", false},
      {"an export without a station", {eksport}, "error eksport bez stacji", false},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    Klient2 k(s.Port());
    k.Surowe("player\n");
    for (Paczka2 w : p.wyslij) k.Wyslij(w);
    String t;
    ASSERT_TRUE(k.CzekajTekst("error", t));
    if (p.poczatek) {
      EXPECT_EQ(t.substr(0, p.odpowiedz.size()), p.odpowiedz);
      EXPECT_GT(t.size(), p.odpowiedz.size());
    } else {
      EXPECT_EQ(t, p.odpowiedz);
    }
    EXPECT_EQ(t.find(" in file "), String::npos) << t;
  }
}

// Out of file descriptors, the server refuses the connections it cannot take (instead of
// spinning on them) and serves its players again once descriptors are free.
TEST(Serwer, RunningOutOfDescriptorsRefusesOnlyNewConnections) {
  if (kSanitizerPotrzebujeDeskryptorow) GTEST_SKIP() << "the sanitizers need descriptors to check types";
  LogCapture log;
  Srodowisko s;
  auto dobry = s.Gracz(kT0 + kS * 60);
  ASSERT_EQ(dobry->Audio().numeraudia, 2);
  LimitDeskryptorow limit;
  // The test's own sockets exist before the limit falls, so that the server runs out.
  std::vector<std::unique_ptr<Klient2>> nadmiar;
  for (int i = 0; i < 40; ++i) nadmiar.push_back(std::make_unique<Klient2>(s.Port(), false));
  const auto otwarte = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  ASSERT_TRUE(limit.Obniz(static_cast<rlim_t>(otwarte + 8)));
  for (auto& k : nadmiar) k->Polacz(s.Port());
  EXPECT_TRUE(nadmiar.back()->Zamkniete());
  // Meanwhile the archive thread looks at the archives a few times, without descriptors.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_TRUE(limit.Przywroc());
  EXPECT_NE(log.Text().find("brak deskryptorów, połączenie odrzucone (1)"), std::string::npos);
  nadmiar.clear();
  dobry->Tekst("setpos " + (kT0 + kS * 61).NapisHex());
  // Its station's audio was never withdrawn meanwhile, and it plays on.
  Paczka2 p;
  PaczkaAudio a;
  while (dobry->Odbierz(p)) {
    EXPECT_FALSE(p.Nazwa == "PrzedzialyAudio" && p.Opis == "update-");
    if (p.Nazwa != "PaczkaAudio") continue;
    Wyjmij(p, a);
    if (a.numeraudia != 2) break;
  }
  EXPECT_EQ(a.numeraudia, 3);
  EXPECT_EQ(log.Text().find("stacja A: nie można czytać archiwum"), std::string::npos) << log.Text();
}

// One address cannot take every connection: past its limit its connections are closed at
// once, while another address still gets in, and a closed connection frees its place.
TEST(Serwer, ConnectionsOfOneAddressAreLimited) {
  Serwer::Ustawienia su;
  su.polaczenZAdresu = 4;
  Srodowisko s(Klient::Ustawienia(), su);
  std::vector<std::unique_ptr<Klient2>> jeden;
  for (int i = 0; i < 4; ++i) jeden.push_back(std::make_unique<Klient2>(s.Port()));
  Klient2 piaty(s.Port());
  EXPECT_TRUE(piaty.Zamkniete());
  // Another peer plays meanwhile.
  auto inny = std::make_unique<Klient2>(s.Port(), true, "127.0.0.2");
  inny->Surowe("player\n");
  inny->Tekst("zmienstacje " + kT0.NapisHex() + " A");
  inny->Tekst("play");
  EXPECT_EQ(inny->Audio().numeraudia, 2);
  jeden.pop_back();
  // Once the server has seen it go, the address may connect again.
  bool przyjety = false;
  for (int proba = 0; proba < 50 && !przyjety; ++proba) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Klient2 k(s.Port());
    k.Surowe("listabaz\n");
    Paczka2 p;
    przyjety = k.Odbierz(p);
  }
  EXPECT_TRUE(przyjety);
}

// The PROXY header (version 2) of a relayed connection from `z` (IPv4), or, with `z`
// null, of the balancer's own (LOCAL) connection.
std::string NaglowekProxyDla(const char* z) {
  std::string h("\r\n\r\n\0\r\nQUIT\n", 12);
  if (z == nullptr) return h + std::string("\x20\x00\x00\x00", 4);
  h += std::string("\x21\x11\x00\x0C", 4);
  in_addr a{};
  inet_pton(AF_INET, z, &a);
  h.append(reinterpret_cast<const char*>(&a), 4);
  h += std::string("\x7F\x00\x00\x01\x9C\x41\x30\xFC", 8);
  return h;
}

// Behind a balancer the per-address limit counts the peers its header states, not the
// balancer; a connection from it must begin with the header, a connection from elsewhere
// is never read for one; health checks (a connection that sends nothing, a LOCAL header)
// cost no log line.
TEST(Serwer, ABalancersConnectionsCountByThePeerItStates) {
  LogCapture log;
  Serwer::Ustawienia su;
  su.polaczenZAdresu = 2;
  su.proxy = {"127.0.0.9"};
  Srodowisko s(Klient::Ustawienia(), su);
  const auto gra = [&](Klient2& k) {
    k.Surowe("player\n");
    k.Tekst("zmienstacje " + kT0.NapisHex() + " A");
    k.Tekst("play");
    return k.Audio().numeraudia;
  };

  // Health checks: a plain TCP one from the balancer and from elsewhere, and LOCAL.
  std::make_unique<Klient2>(s.Port(), true, "127.0.0.9").reset();
  std::make_unique<Klient2>(s.Port(), true, "127.0.0.1").reset();
  {
    Klient2 lokalny(s.Port(), true, "127.0.0.9");
    lokalny.Surowe(NaglowekProxyDla(nullptr));
    EXPECT_TRUE(lokalny.Zamkniete());
  }
  {
    Klient2 k(s.Port());
    k.Surowe("listabaz\n");
    EXPECT_TRUE(k.Zamkniete());
  }
  ASSERT_TRUE(CzekajNa([&] { return log.Text().find("lista stacji wysłana") != std::string::npos; }, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string poKontrolach = log.Text();
  size_t rozlaczen = 0;
  for (size_t i = poKontrolach.find("rozłączony"); i != std::string::npos; i = poKontrolach.find("rozłączony", i + 1)) {
    ++rozlaczen;
  }
  EXPECT_EQ(rozlaczen, 1u) << "a health check was logged:\n" << poKontrolach;

  // Two players of one peer through the balancer, the header and the first line in one
  // piece or apart; a third of that peer is refused, another peer's plays.
  std::vector<std::unique_ptr<Klient2>> pierwszy;
  for (int i = 0; i < 2; ++i) pierwszy.push_back(std::make_unique<Klient2>(s.Port(), true, "127.0.0.9"));
  pierwszy[0]->Surowe(NaglowekProxyDla("192.0.2.1"));
  EXPECT_EQ(gra(*pierwszy[0]), 2);
  pierwszy[1]->Surowe(NaglowekProxyDla("192.0.2.1") + "player\n");
  pierwszy[1]->Tekst("zmienstacje " + kT0.NapisHex() + " A");
  pierwszy[1]->Tekst("play");
  EXPECT_EQ(pierwszy[1]->Audio().numeraudia, 2);
  Klient2 trzeci(s.Port(), true, "127.0.0.9");
  trzeci.Surowe(NaglowekProxyDla("192.0.2.1"));
  EXPECT_TRUE(trzeci.Zamkniete()) << "the peer's limit was not applied";
  Klient2 inny(s.Port(), true, "127.0.0.9");
  inny.Surowe(NaglowekProxyDla("192.0.2.2"));
  EXPECT_EQ(gra(inny), 2) << "the balancer's own address was limited";

  // From the balancer without a header: closed, with a line saying why.
  Klient2 bezNaglowka(s.Port(), true, "127.0.0.9");
  bezNaglowka.Surowe("listabaz\n");
  Paczka2 p;
  EXPECT_FALSE(bezNaglowka.Odbierz(p));
  EXPECT_TRUE(CzekajNa([&] { return log.Text().find("bez ważnego nagłówka PROXY") != std::string::npos; }, 5000))
      << log.Text();
  // From elsewhere a header is no header: it is an unknown first line.
  Klient2 obcy(s.Port(), true, "127.0.0.3");
  obcy.Surowe(NaglowekProxyDla("192.0.2.3") + "listabaz\n");
  EXPECT_FALSE(obcy.Odbierz(p) && p.Nazwa == "String");
}

// A connection holds no more than it may rightly send: a command beyond the small limit
// closes it, an export request of many intervals is held; and all connections together
// hold no more than the pool (beyond what each command needs), the one of the same address
// that would pass it being dropped.
TEST(Serwer, UnfinishedPacketsAreBoundedPerConnectionAndInTotal) {
  Serwer::Ustawienia su;
  su.limitWejsciaRazem = 200 * 1024;
  Srodowisko s(Klient::Ustawienia(), su);
  auto dobry = s.Gracz(kT0 + kS * 60);
  ASSERT_EQ(dobry->Audio().numeraudia, 2);

  // A command that claims 1 MiB and sends 40 KiB of it.
  std::string komenda = "player\npaczk2";
  komenda += std::string("\x01\x00\x00\x00\x06\x00\x00\x00String\x00\x00\x10\x00", 18);
  komenda += std::string(40 * 1024, 'x');
  Klient2 duzy(s.Port());
  duzy.Surowe(komenda);
  EXPECT_TRUE(duzy.Zamkniete());

  // Export requests of 6,000 intervals (94 KiB), all but their last byte.
  Przedzialy wiele;
  for (int i = 0; i < 6000; ++i) wiele.Add(Przedzial(kT0 + kS * (60 * i), kT0 + kS * (60 * i + 1)));
  Paczka2 eksport(wiele, "export");
  Core c;
  eksport.WriteTo(c);
  const std::string bajty(c.Data(), static_cast<size_t>(c.Size()));
  ASSERT_GT(bajty.size(), 90u * 1024);
  std::vector<std::unique_ptr<Klient2>> eksporty;
  for (int i = 0; i < 2; ++i) {
    eksporty.push_back(std::make_unique<Klient2>(s.Port()));
    eksporty.back()->Surowe("player\n" + bajty.substr(0, bajty.size() - 1));
  }
  // A third would pass the total, once the server holds the two.
  Klient2 trzeci(s.Port());
  // Each holds its payload but the last byte.
  const int64_t trzymane = 2 * static_cast<int64_t>(eksport.core.Size() - 1);
  ASSERT_TRUE(CzekajNa([&] { return s.serwer->WejscieRazem() >= trzymane; }, 10000)) << s.serwer->WejscieRazem();
  trzeci.Surowe("player\n" + bajty.substr(0, bajty.size() - 1));
  EXPECT_TRUE(trzeci.Zamkniete());
  // The two held are whole once their last byte comes: without a station, the export ends.
  for (auto& k : eksporty) {
    k->Surowe(bajty.substr(bajty.size() - 1));
    String t;
    EXPECT_TRUE(k->CzekajTekst("koniecexportu", t));
  }
  dobry->Tekst("wyslijsztukeaudia");
  EXPECT_EQ(dobry->Audio().numeraudia, 2);
}

// The server listens before it has read any archive: the archive thread indexes them, its
// first look at once, and players then hear of the audio and of a station that cannot be
// read.
TEST(Serwer, ArchivesAreIndexedOnTheArchiveThreadAfterListening) {
  LogCapture log;
  Serwer::Ustawienia su;
  su.odswiezCo = kS * 30;  // only the first look falls within the test
  Srodowisko s(Klient::Ustawienia(), su, false);
  auto k = s.Gracz(kT0 + kS * 60);
  // Audio may stream before the first look is applied (it is read from the archive
  // directly); the look shows to the player as the station's audio intervals, in the
  // announcement or as an addition, before the audio or after it.
  bool audio = false;
  bool sprawdzona = false;
  const auto doKiedy = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Paczka2 p;
  while (!(audio && sprawdzona)) {
    ASSERT_LT(std::chrono::steady_clock::now(), doKiedy) << audio << sprawdzona;
    ASSERT_TRUE(k->Odbierz(p)) << audio << sprawdzona;
    if (p.Nazwa == "PaczkaAudio" && p.Opis == "") {
      EXPECT_EQ(Klient2::JakoAudio(p).numeraudia, 2);
      audio = true;
    } else if (p.Nazwa == "PrzedzialyAudio") {
      PrzedzialyAudio z;
      Wyjmij(p, z);
      if (!z.Wszystkie().empty()) sprawdzona = true;
    }
  }
  auto b = s.Gracz(kT0, "Brak");
  String t;
  ASSERT_TRUE(b->CzekajTekst("busy", t));
  EXPECT_EQ(t, "busy Brak");
  // Why the archive cannot be read, in the log.
  EXPECT_NE(log.Text().find("stacja Brak: nie można czytać archiwum " + s.dir.Path() + "/brak: No such file or directory"),
            std::string::npos)
      << log.Text();
}

TEST(Serwer, TheServerIndexesNothingBeforeItListens) {
  Serwer::Ustawienia su;
  su.odswiezCo = kS * 30;
  TempDir d;
  std::vector<std::unique_ptr<Stacja>> st;
  st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"A", d.Path(), "accurate", "mp3", "", true, ""}));
  Stacja& a = *st[0];
  Serwer serwer(std::move(st), su);
  serwer.Otworz();
  EXPECT_FALSE(a.Sprawdzona());
}

// Stopped while its archive thread indexes a large file (one whose audio is followed by
// zeros is searched byte by byte for more frame headers: 2 GiB took 17 s on a busy
// two-core machine), the server ends at once: the look is abandoned, not finished, so the
// audio after that file is not taken in.
TEST(Serwer, StopsAtOnceWhileALargeFileIsIndexed) {
  TempDir d;
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
  const std::string duzy = DuzyPlik(d.Path(), l.Sciezka(kT0), kT0);
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kT0 + Roznica::Godzina);
  s.Cisza(kS * 10);
  fixtures::Zapisz(d.Path(), l.Sciezka(kT0 + Roznica::Godzina), s.Bajty(), Czas::Teraz());
  std::vector<std::unique_ptr<Stacja>> st;
  st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"A", d.Path(), "accurate", "mp3", "", true, ""}));
  Stacja& a = *st[0];
  Serwer::Ustawienia su;
  su.host = "127.0.0.1";
  su.port = 0;
  Serwer serwer(std::move(st), su);
  serwer.Otworz();
  std::thread watek([&] { serwer.Uruchom(); });
  bool wPliku = false;
  for (int i = 0; i < 1000 && !wPliku; ++i) {
    wPliku = Otwarty(duzy);
    if (!wPliku) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(wPliku) << "the archive thread never opened the large file";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto t0 = std::chrono::steady_clock::now();
  serwer.Zatrzymaj();
  watek.join();
  const double sekundy = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(sekundy, 3.0);
  EXPECT_TRUE(a.Archiwum().Odcinki().empty());
  EXPECT_FALSE(Otwarty(duzy));
}

// An events file that is a FIFO is not waited on, and one full of bad lines logs a few of
// them and a count, not a line each.
TEST(Stacja, EventsFileOnlyRegularAndItsBadLinesCounted) {
  LogCapture log;
  TempDir d;
  const std::string fifo = d / "iwenty.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Stacja s(KonfiguracjaStacji{"F", d.Path(), "accurate", "mp3", "", true, fifo});
  auto odczyt = std::async(std::launch::async, [&] { s.Odswiez(); });
  const bool gotowy = odczyt.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  if (!gotowy) {
    // Releases the blocked reader so that the test ends.
    const int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (w >= 0) close(w);
  }
  odczyt.wait();
  EXPECT_TRUE(gotowy) << "the events file was waited on";
  EXPECT_NE(log.Text().find("stacja F: nie można czytać pliku iwentów " + fifo + ": nie jest zwykłym plikiem"),
            std::string::npos)
      << log.Text();

  std::string tekst = "event\tWiadomości\t2024-05-01T10:00:02.000Z\t2024-05-01T10:00:04.000Z\n";
  for (int i = 0; i < 1000; ++i) tekst += "bad line " + std::to_string(i) + "\n";
  BazaZintegrowana b;
  Stacja::CzytajWydarzenia(tekst, b);
  ASSERT_NE(b.iwenty.Znajdz("Wiadomości"), nullptr);
  const std::string l = log.Text();
  size_t linie = 0;
  for (size_t i = l.find("błędna linia"); i != std::string::npos; i = l.find("błędna linia", i + 1)) ++linie;
  EXPECT_EQ(linie, 5u);
  EXPECT_NE(l.find("iwenty: 1000 błędnych linii z 1001, pominięte; wypisane pierwsze 5"), std::string::npos) << l;
}

// A termination signal, sent to the process from any of its threads, ends the loop as
// Zatrzymaj does. In a child process, so that this one keeps its signals; the alarm ends a
// loop that never stops.
TEST(Serwer, ATerminationSignalStopsTheLoop) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    alarm(20);
    SygnalyKonca::Zablokuj();
    Serwer::Ustawienia u;
    u.host = "127.0.0.1";
    u.port = 0;
    Serwer serwer({}, u);
    serwer.Otworz();
    SygnalyKonca sygnaly;
    std::thread nadawca([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      kill(getpid(), SIGTERM);
    });
    serwer.Uruchom(&sygnaly);
    nadawca.join();
    _exit(sygnaly.Odbierz() ? 2 : 0);  // the signal was taken, once
  }
  int stan = 0;
  ASSERT_EQ(waitpid(pid, &stan, 0), pid);
  ASSERT_TRUE(WIFEXITED(stan)) << "ended by signal " << WTERMSIG(stan);
  EXPECT_EQ(WEXITSTATUS(stan), 0);
}

}  // namespace

// What the silence analysis learned goes where the service may write: systemd's
// CACHE_DIRECTORY when it is set (its first path), else the archive's root.
TEST(Stacja, SilenceMemoryGoesToTheServicesCacheDirectory) {
  struct Przypadek {
    const char* nazwa;
    const char* cache;
    const char* oczekiwana;
  } przypadki[] = {
      {"Zegar", nullptr, "/arch/.korwendo-cisza"},
      {"Zegar", "", "/arch/.korwendo-cisza"},
      {"Zegar", "/var/cache/korwendo-server", "/var/cache/korwendo-server/Zegar.cisza"},
      {"Radio/Dwa", "/c1:/c2", "/c1/Radio_Dwa.cisza"},
  };
  for (const Przypadek& p : przypadki) {
    EXPECT_EQ(Stacja::DomyslnaPamiecCiszy(p.nazwa, "/arch", p.cache), p.oczekiwana) << p.nazwa << " " << (p.cache ? p.cache : "-");
  }
}
