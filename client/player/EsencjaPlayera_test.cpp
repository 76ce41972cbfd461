#include "player/EsencjaPlayera.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <atomic>
#include <thread>

#include "audio/PlaybackFixtures.h"
#include "audio/WaveOutNull.h"
#include "common/PaczkaAudio.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/PowodPolaczenia.h"
#include "player/SerwerTestowy.h"
#include "support/LogCapture.h"

using namespace serwer;

namespace {

// A moment in 2023, as a server's packet would carry it.
constexpr Czas kT0(133400000000000000);
const Roznica kS = Roznica::Sekunda;

// The playing-time component of the window: a value the user may change (Klik).
class Pole : public TimeComponent {
 public:
  Czas Get() override { return wartosc; }
  void Set(Czas c) override { wartosc = c; }
  void Klik(Czas c) {
    Set(c);
    Zmieniony();
  }
  Czas wartosc;
};

// Names every host "nieznany" unknown and nothing else.
class NieznaneNazwy : public HostResolver {
 public:
  WynikWyszukiwania Resolve(const String& host, int port) override {
    WynikWyszukiwania w;
    if (host != "nieznany" && NumericAddress(host, port, w.addresses.emplace_back())) return w;
    w.addresses.clear();
    w.error = EAI_NONAME;
    w.errorText = gai_strerror(EAI_NONAME);
    return w;
  }
};

// Equal but for the few ticks that a closed output adds to the time being heard.
bool Blisko(Czas a, Czas b) { return Czas::Odstep(a, b) <= Roznica(3); }

// An audio packet of `ms` milliseconds of 8 kHz mono PCM for request `numer`.
Paczka2 Audio(Czas t, int ms, int numer, const String& opis = String()) {
  PaczkaAudio a = playback::Packet(t, ms, 0, numer);
  return Paczka2(a, opis);
}

// The player core on the null output, which plays nothing while the test holds its clock,
// with the clock of its audio requests in the test's hand too.
struct Gracz : ::testing::Test {
  Gracz() {
    EsencjaPlayera::Wyposazenie w;
    w.urzadzenie = std::make_unique<WaveOutNull>(String(), [] { return int64_t{0}; });
    w.zegar = [this] { return Czas(zegar.load()); };
    w.resolver = std::make_shared<NieznaneNazwy>();
    player = std::make_unique<EsencjaPlayera>(&pole, &watek, &notatki, std::move(w));
  }

  String Cel(const String& stacja, const Nasluch& n) { return stacja + "@" + n.Adres(); }

  // Connects to `n` for `stacja` at t and takes the announcement up to "zmienstacje"; the
  // inbox is emptied of the connecting statuses.
  Polaczenie Polacz(Nasluch& n, const String& stacja, Czas t) {
    player->ZmienStacje(Cel(stacja, n), t);
    Polaczenie c = n.Przyjmij();
    EXPECT_TRUE(c.Jest());
    EXPECT_EQ(c.Czytaj(7), "player\n");
    EXPECT_EQ(c.NastepnyTekst(), "zmienstacje " + player->CzasGry().NapisHex() + " " + stacja);
    EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Polaczony) > 0; }));
    Wpisy(player->Skrzynka());
    return c;
  }

  // The status texts in the inbox now, in order (engine texts left out).
  std::vector<String> Statusy() {
    std::vector<String> s;
    for (const Wpis& w : Wpisy(player->Skrzynka())) {
      if (w.opis == "bardzo ladny print") s.push_back(w.tekst);
    }
    return s;
  }

  // Sends a ping and waits for its answer: everything sent before has been handled.
  void Runda(Polaczenie& c, const String& znak = "r") {
    c.WyslijTekst("ping " + znak);
    EXPECT_EQ(c.NastepnyTekst(), "pong " + znak);
  }

  LogCapture log;
  MessageThread watek;
  Notatki notatki;
  Pole pole;
  // At 0 the gate of the audio requests stays shut, so that only answers come back.
  std::atomic<int64_t> zegar{0};
  std::unique_ptr<EsencjaPlayera> player;  // last: gone before what it uses
};

// The first bytes on a new connection are the raw "player\n", then "zmienstacje" with the
// playing position and the station, then "play" only when playback is not stopped.
TEST_F(Gracz, AnnouncesItselfOnConnecting) {
  const String zmien = Zakoduj(Paczka2("zmienstacje " + (kT0 + Roznica()).NapisHex() + " Dwójka"));
  EXPECT_NE(zmien.find("Dw\xF3jka"), String::npos) << "Windows-1250 on the wire";
  const String play = Zakoduj(Paczka2(String("play")));

  Nasluch a;
  player->ZmienStacje(Cel("Dwójka", a), kT0);
  Polaczenie ca = a.Przyjmij();
  ASSERT_TRUE(ca.Jest());
  EXPECT_EQ(ca.Czytaj(7 + zmien.size()), "player\n" + zmien) << "stopped: no play";
  EXPECT_EQ(ca.Czytaj(1, 300ms), "");
  EXPECT_EQ(player->DajStacje(), "Dwójka");
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 2);

  player->Graj();
  EXPECT_EQ(ca.NastepnyTekst(), "play");
  Nasluch b;
  player->ZmienStacje(Cel("Dwójka", b), kT0);
  Polaczenie cb = b.Przyjmij();
  ASSERT_TRUE(cb.Jest());
  EXPECT_EQ(cb.Czytaj(7 + zmien.size() + play.size()), "player\n" + zmien + play);
  EXPECT_EQ(cb.Czytaj(1, 300ms), "");

  EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Polaczony) == 2; }));
  const std::vector<ZdarzeniePolaczenia> expected = {ZdarzeniePolaczenia::Laczenie, ZdarzeniePolaczenia::Polaczony,
                                                     ZdarzeniePolaczenia::Laczenie, ZdarzeniePolaczenia::Polaczony};
  EXPECT_EQ(notatki.Lista(), expected);
  // Each new connection: the status, then the progress 0, which says the same.
  EXPECT_EQ(Statusy(), std::vector<String>(4, "Łączenie do serwera..."));
}

// On the server already connected to, a station change is one "zmienstacje" and a new
// request; on another server, the old connection closes and a new one starts.
TEST_F(Gracz, StationChangeReconnectsOnlyForAnotherServer) {
  Nasluch a;
  Polaczenie c = Polacz(a, "Zegar", kT0);
  player->ZmienStacje(Cel("Fala", a), kT0 + kS * 60);
  EXPECT_EQ(c.NastepnyTekst(), "zmienstacje " + (kT0 + kS * 60 + Roznica()).NapisHex() + " Fala");
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 3);
  EXPECT_EQ(player->DajStacje(), "Fala");
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)");
  EXPECT_FALSE(a.Przyjmij(300ms).Jest()) << "no second connection";
  EXPECT_EQ(notatki.Ile(ZdarzeniePolaczenia::Laczenie), 1u);
  EXPECT_TRUE(Statusy().empty());

  // Keeping the playing time.
  player->ZmienStacje(Cel("Zegar", a));
  EXPECT_EQ(c.NastepnyTekst(), "zmienstacje " + (kT0 + kS * 60 + Roznica() + Roznica()).NapisHex() + " Zegar");

  Nasluch b;
  player->ZmienStacje(Cel("Zegar", b), kT0);
  EXPECT_TRUE(c.Zamknal()) << "the old server's connection is closed";
  Polaczenie d = b.Przyjmij();
  ASSERT_TRUE(d.Jest());
  EXPECT_EQ(d.Czytaj(7), "player\n");
  EXPECT_EQ(d.NastepnyTekst(), "zmienstacje " + (kT0 + Roznica()).NapisHex() + " Zegar");
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 2);
  EXPECT_EQ(notatki.Ile(ZdarzeniePolaczenia::Laczenie), 2u);
  EXPECT_EQ(Statusy(), std::vector<String>(2, "Łączenie do serwera..."));
}

// Pings are answered with the rest of their text; the texts the window acts on, the
// intervals and audio for the export go to the inbox unchanged; a text of no known
// command and a packet of no known kind or description are dropped.
TEST_F(Gracz, PingsAreAnsweredAndOtherPacketsForwarded) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  const struct {
    String tekst;
    String odpowiedz;  // empty: forwarded to the inbox
  } cases[] = {
      {"ping abc", "pong abc"},
      {"ping", "pong "},
      {"ping  12 34 ", "pong 12 34"},
      {"terazgramy Zegar@127.0.0.1:1", ""},
      {"error zly czas", ""},
      {"pingx y", "-"},
      {"nieznana komenda", "-"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.tekst);
    c.WyslijTekst(k.tekst);
    c.WyslijTekst("ping koniec");
    if (!k.odpowiedz.empty() && k.odpowiedz != "-") {
      EXPECT_EQ(c.NastepnyTekst(), k.odpowiedz);
    }
    EXPECT_EQ(c.NastepnyTekst(), "pong koniec");
    std::vector<String> teksty;
    for (const Wpis& w : Wpisy(player->Skrzynka())) {
      if (w.opis != "debug") teksty.push_back(w.tekst);
    }
    EXPECT_EQ(teksty, k.odpowiedz.empty() ? std::vector<String>{k.tekst} : std::vector<String>{});
  }

  PrzedzialyAudio pa;
  pa.Add(Przedzial(kT0, kT0 + kS * 3600));
  c.Wyslij(Paczka2(pa, "update+"));
  c.Wyslij(Audio(kT0, 500, 2, "export"));
  c.Wyslij(Paczka2(String("koniecexportu")));
  Paczka2 obca;
  obca.Nazwa = "Xyz";
  c.Wyslij(obca);
  c.Wyslij(Paczka2(pa, "inny opis"));
  c.Wyslij(Paczka2("terazgramy Zegar", "opis"));
  Runda(c);
  std::vector<String> rest;
  for (const Wpis& w : Wpisy(player->Skrzynka())) {
    if (w.opis != "debug" && w.opis != "bardzo ladny print") rest.push_back(w.nazwa + "|" + w.opis + "|" + w.tekst);
  }
  EXPECT_EQ(rest, (std::vector<String>{"PrzedzialyAudio|update+|", "PaczkaAudio|export|", "String||koniecexportu"}));
  EXPECT_LT(player->DajGrajka().IleWBuforze(), Roznica::Milisekunda) << "export audio is not played";
}

// The initial data's progress: the intervals count from 10 % to 55 %, the first audio
// packet from 55 % to 100 %, which clears the status. Later packets say nothing.
TEST_F(Gracz, ProgressOfTheInitialData) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  PrzedzialyAudio pa;
  for (int i = 0; i < 10; ++i) pa.Add(Przedzial(kT0 + kS * (100 * i), kT0 + kS * (100 * i + 50)));
  const String przedzialy = Zakoduj(Paczka2(pa, ""));
  const String audio = Zakoduj(Audio(kT0, 1000, 2));
  // Where each payload's first half ends (rounded up, so that 50 % is reached): the header
  // is 18 bytes and the name, then the payload, then the description's 4 bytes.
  const auto polowa = [](const String& pakiet, size_t nazwa) {
    const size_t payload = pakiet.size() - 18 - nazwa - 4;
    return 18 + nazwa + (payload + 1) / 2;
  };
  const size_t p1 = polowa(przedzialy, 15);
  const size_t p2 = polowa(audio, 11);
  const auto czekajNa = [&](const String& status, std::vector<String>& widziane) {
    return Eventually([&] {
      for (const String& s : Statusy()) widziane.push_back(s);
      return !widziane.empty() && widziane.back() == status;
    });
  };
  std::vector<String> widziane;
  c.Wyslij(przedzialy.substr(0, p1));
  EXPECT_TRUE(czekajNa("Odbieranie danych początkowych: 32%", widziane));
  c.Wyslij(przedzialy.substr(p1));
  EXPECT_TRUE(czekajNa("Odbieranie danych początkowych: 55%", widziane));
  c.Wyslij(audio.substr(0, p2));
  EXPECT_TRUE(czekajNa("Odbieranie danych początkowych: 77%", widziane));
  c.Wyslij(audio.substr(p2));
  EXPECT_TRUE(czekajNa("", widziane));
  // Bytes may arrive in more pieces than were sent: then more steps show, in order.
  for (size_t i = 1; i < widziane.size(); ++i) {
    if (widziane[i].empty()) continue;
    EXPECT_LE(widziane[i - 1], widziane[i]) << "the progress only rises";
  }

  c.Wyslij(Paczka2(pa, ""));
  c.Wyslij(Audio(kT0 + kS, 1000, 2));
  Runda(c);
  EXPECT_TRUE(Statusy().empty());
  EXPECT_GT(player->DajGrajka().IleWBuforze(), kS + kS / 2) << "both audio packets are buffered";
}

// Below 3 s buffered the server is asked for more on a readable event, at most once per
// 5 s; at 3 s nobody asks.
TEST_F(Gracz, AudioRequestsAreGatedToOnePerFiveSeconds) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  zegar = kT0.Wartosc();
  c.Wyslij(Audio(kT0, 2900, 2));
  // Pieces of the packet may make several readable events: one request all the same.
  EXPECT_EQ(c.NastepnyTekst(), "wyslijsztukeaudia");
  zegar = (kT0 + kS).Wartosc();
  Runda(c, "a");
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)");
  EXPECT_LT(player->DajGrajka().IleWBuforze(), kS * 3);
  zegar = (kT0 + kS * 5 + Roznica::Milisekunda * 100).Wartosc();
  Runda(c, "b");
  EXPECT_EQ(c.NastepnyTekst(), "wyslijsztukeaudia");
  Runda(c, "c");
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)");

  // 100 ms more makes exactly 3 s: no request even with the gate open.
  c.Wyslij(Audio(kT0 + kS * 29 / 10, 100, 2));
  Runda(c, "d");
  EXPECT_GE(player->DajGrajka().IleWBuforze(), kS * 3);
  zegar = (kT0 + kS * 60).Wartosc();
  Runda(c, "e");
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)");
}

// A seek moves the engine to a new request and sends "setpos"; audio of the old request is
// not played any more. A change the user makes on the time component is a seek; the time
// the player core writes into it is not.
TEST_F(Gracz, SeekStartsANewRequest) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  const Czas t = kT0 + kS * 600;
  player->UstawPozycje(t);
  EXPECT_EQ(c.NastepnyTekst(), "setpos " + t.NapisHex());
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 3);
  c.Wyslij(Audio(kT0, 1000, 2));
  Runda(c);
  EXPECT_LT(player->DajGrajka().IleWBuforze(), Roznica::Milisekunda) << "the old request's audio is dropped";
  c.Wyslij(Audio(t, 1000, 3));
  Runda(c);
  EXPECT_GE(player->DajGrajka().IleWBuforze(), kS);
  const Czas g = player->OdswiezCzas();
  EXPECT_EQ(pole.Get(), g);
  EXPECT_TRUE(Blisko(g, t)) << g.NapisHex();
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)") << "the time written into the component is not a seek";

  const Czas u = kT0 + kS * 1200;
  pole.Klik(u);
  EXPECT_EQ(c.NastepnyTekst(), "setpos " + u.NapisHex());
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 4);
  EXPECT_TRUE(Blisko(player->CzasGry(), u));
}

// Play, stop, the events of one family and everything again: one text each, and the
// engine follows.
TEST_F(Gracz, PlayStopAndEventCommands) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  EXPECT_TRUE(player->DajGrajka().IsStopped());
  player->Graj();
  EXPECT_EQ(c.NastepnyTekst(), "play");
  EXPECT_FALSE(player->DajGrajka().IsStopped());
  player->Stop();
  EXPECT_EQ(c.NastepnyTekst(), "stop");
  EXPECT_TRUE(player->DajGrajka().IsStopped());

  pole.Set(kT0 + kS * 30);
  player->GrajIwenty("Wiadomości");
  EXPECT_EQ(c.NastepnyTekst(), "grajiwenty Wiadomości");
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 3);
  EXPECT_TRUE(Blisko(player->CzasGry(), kT0 + kS * 30)) << "from the time the component holds";
  player->GrajWszystko();
  EXPECT_EQ(c.NastepnyTekst(), "grajwszystko");
  Paczka2 eksport(String("wylijbazeZ"));
  player->Wyslij(eksport);
  EXPECT_EQ(c.NastepnyTekst(), "wylijbazeZ");
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 3);
}

// A connection the server closes is reported lost once, the engine starts again at the
// position reached, and nothing reconnects until the window asks.
TEST_F(Gracz, ConnectionLostIsReportedOnceAndNotRetried) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  player->UstawPozycje(kT0 + kS);
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 3);
  c.Zamknij();
  EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Zerwany) == 1; }));
  EXPECT_FALSE(player->IsConnected());
  EXPECT_EQ(player->DajGrajka().NumerAudia(), 2);
  EXPECT_TRUE(Blisko(player->CzasGry(), kT0 + kS)) << "the position reached stays";
  EXPECT_FALSE(n.Przyjmij(500ms).Jest()) << "no reconnection of its own";
  EXPECT_EQ(notatki.Ile(ZdarzeniePolaczenia::Zerwany), 1u);
  player->UstawPozycje(kT0);  // dropped while not connected, and harmless

  player->ZmienStacje(Cel("Zegar", n));
  Polaczenie d = n.Przyjmij();
  ASSERT_TRUE(d.Jest());
  EXPECT_EQ(d.Czytaj(7), "player\n");
  EXPECT_EQ(d.NastepnyTekst(), "zmienstacje " + player->CzasGry().NapisHex() + " Zegar");
  EXPECT_TRUE(Blisko(player->CzasGry(), kT0));
  EXPECT_EQ(notatki.Ile(ZdarzeniePolaczenia::Laczenie), 2u);
}

// Bytes that are not a packet end the connection: it is reported lost, and nothing the
// server sends afterwards is read.
TEST_F(Gracz, MalformedPacketDropsTheConnection) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  c.Wyslij(String("paczk3 this is not a packet at all"));
  EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Zerwany) == 1; }));
  EXPECT_NE(player->Blad().find("id=paczk3!=paczk2"), String::npos) << player->Blad();
  c.WyslijTekst("ping late");
  EXPECT_EQ(c.NastepnyTekst(300ms), "(none)");
  EXPECT_EQ(notatki.Ile(ZdarzeniePolaczenia::Zerwany), 1u);
}

// What a server must not do costs that connection only: it is lost with the reason in
// the status the window shows, and the next connection plays again.
TEST_F(Gracz, AServerBeyondTheBoundsLosesTheConnectionWithItsReason) {
  // `ile` packets of `ms` of `format`, each of ms x `probek` / 1000 16-bit samples.
  const auto naprzod = [this](Polaczenie& c, int ile, int ms, const String& format, int probek = 8000) {
    for (int i = 0; i < ile && player->IsConnected(); ++i) {
      PaczkaAudio a = playback::Packet(kT0 + Roznica::Milisekunda * (ms * i), ms, 0, 2, format, probek);
      c.Wyslij(Paczka2(a, ""));
    }
  };
  const struct {
    const char* name;
    std::function<void(Polaczenie&)> atak;
    String powod;
    std::chrono::milliseconds cisza = EsencjaPlayera::kCisza;
  } cases[] = {
      // First, while the engine has met no format yet.
      {"a format that does not fit", [&](Polaczenie& c) { naprzod(c, 1, 100, "99999999 stereo 128 PCM"); },
       "serwer przysłał format \"99999999 stereo 128 PCM\" podaje 128 kb/s zamiast 3199999 kb/s swoich próbek"},
      {"a format whose bit rate is not its samples'", [&](Polaczenie& c) { naprzod(c, 1, 100, "8000 mono 2000000 PCM"); },
       "serwer przysłał format \"8000 mono 2000000 PCM\" podaje 2000000 kb/s zamiast 128 kb/s swoich próbek"},
      {"a packet too large",
       [](Polaczenie& c) {
         Paczka2 p("x");
         c.Wyslij(Zakoduj(p).substr(0, 20) + String("\x01\x00\x00\x01", 4));
       },
       "Paczka: paczka dłuższa niż 8388608 bajtów (co najmniej 16777241)"},
      {"audio far ahead of playing", [&](Polaczenie& c) { naprzod(c, 125, 1000, playback::kPcm); },
       "serwer przysłał audio na ponad 120 s naprzód"},
      // The highest rate a format may state truly: 192 kHz stereo PCM, 768 kB a second.
      {"audio of a high rate many bytes ahead",
       [&](Polaczenie& c) { naprzod(c, 45, 1000, "192000 stereo 6144 PCM", 384000); },
       "serwer przysłał ponad 32 MiB audio naprzód"},
      {"silence", [&](Polaczenie&) {}, "serwer przestał przysyłać dane", 300ms},
  };
  Nasluch n;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t zerwane = notatki.Ile(ZdarzeniePolaczenia::Zerwany);
    player->UstawLimitCiszy(c.cisza);
    Polaczenie s = Polacz(n, "Zegar", kT0);
    c.atak(s);
    ASSERT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Zerwany) == zerwane + 1; }));
    String zerwanie;
    for (const String& t : Statusy()) {
      if (t.rfind("Rozłączony", 0) == 0) zerwanie = t;
    }
    // The window's words, then the reason in Polish, without the address.
    EXPECT_EQ(zerwanie.rfind("Rozłączony: ", 0), 0u) << zerwanie;
    EXPECT_NE(zerwanie.find(c.powod), String::npos) << zerwanie;
    // The user reads the reason, not where in the source it was raised.
    EXPECT_EQ(zerwanie.find(" in file "), String::npos) << zerwanie;

    // The next connection plays: two packets, the second taken after the engine has
    // handled the first.
    player->UstawLimitCiszy(EsencjaPlayera::kCisza);
    Polaczenie d = Polacz(n, "Zegar", kT0);
    naprzod(d, 1, 100, playback::kPcm);
    Runda(d);
    player->DajGrajka().GetPlayAudio()->Settle(2000);
    naprzod(d, 1, 100, playback::kPcm);
    Runda(d);
    EXPECT_TRUE(player->IsConnected()) << player->Blad();
    EXPECT_GT(player->DajGrajka().IleWBuforze(), Roznica::Milisekunda * 150);
    d.Zamknij();
    ASSERT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Zerwany) == zerwane + 2; }));
    Statusy();
  }
}

// A refused connection and an unknown host are told apart.
TEST_F(Gracz, FailedAttemptsCarryTheirKind) {
  player->ZmienStacje("Zegar@127.0.0.1:" + std::to_string(ZamknietyPort()), kT0);
  EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::Nieudany) == 1; }));
  player->ZmienStacje("Zegar@nieznany:12540", kT0);
  EXPECT_TRUE(Eventually([&] { return notatki.Ile(ZdarzeniePolaczenia::NieZnalezionoHosta) == 1; }));
  const std::vector<ZdarzeniePolaczenia> expected = {ZdarzeniePolaczenia::Laczenie, ZdarzeniePolaczenia::Nieudany,
                                                     ZdarzeniePolaczenia::Laczenie,
                                                     ZdarzeniePolaczenia::NieZnalezionoHosta};
  EXPECT_EQ(notatki.Lista(), expected);
  EXPECT_EQ(player->DajStacje(), "Zegar");
  // A target without a port is refused at once, and the station is remembered anyway.
  EXPECT_THROW(player->ZmienStacje("Fala@nieznany", kT0), Exception);
  EXPECT_EQ(player->DajStacje(), "Fala");
}

// A server sends an export as fast as the connection takes it. While the window does not
// read the inbox, the player core leaves the socket unread once the inbox holds
// kMaksSkrzynki, so the client holds a few megabytes however long the export; reading the
// inbox lets the rest come, none of it lost.
TEST_F(Gracz, ExportIsReadOnlyAsFastAsTheInboxIsRead) {
  Nasluch n;
  Polaczenie c = Polacz(n, "Zegar", kT0);
  constexpr int kPaczek = 600;  // 4 s of 8 kHz mono each: some 38 MB in all
  const String jedna = Zakoduj(Audio(kT0, 4000, 2, "export"));
  std::thread serwer([&] {
    for (int i = 0; i < kPaczek; ++i) c.Wyslij(Zakoduj(Audio(kT0 + kS * 4 * i, 4000, 2, "export")));
    c.WyslijTekst("koniecexportu");
  });
  // Nothing read: the inbox fills up to the limit and stays there.
  int64_t rozmiar = -1;
  for (int i = 0; i < 30 && rozmiar != player->Skrzynka().Size(); ++i) {
    rozmiar = player->Skrzynka().Size();
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_GE(rozmiar, EsencjaPlayera::kMaksSkrzynki);
  EXPECT_LE(rozmiar, EsencjaPlayera::kMaksSkrzynki + static_cast<int64_t>(jedna.size()));

  int eksport = 0;
  bool koniec = false;
  Czas nastepny = kT0;
  bool poKolei = true;
  int64_t najwiecej = 0;
  EXPECT_TRUE(Eventually([&] {
    najwiecej = std::max<int64_t>(najwiecej, player->Skrzynka().Size());
    Paczka2 p;
    while (p.Wczytaj(player->Skrzynka())) {
      if (p.Nazwa == "PaczkaAudio" && p.Opis == "export") {
        PaczkaAudio a;
        p.Wyjmij(a);
        poKolei = poKolei && a.czas == nastepny;
        nastepny = a.czas + kS * 4;
        ++eksport;
      }
      koniec = koniec || (p.Nazwa == "String" && p.DajString() == "koniecexportu");
    }
    return koniec;
  }));
  serwer.join();
  EXPECT_EQ(eksport, kPaczek);
  EXPECT_TRUE(poKolei);
  EXPECT_LE(najwiecej, EsencjaPlayera::kMaksSkrzynki + static_cast<int64_t>(jedna.size()));
  EXPECT_TRUE(player->IsConnected());
}

TEST(PowiadomieniaPlayera, Texts) {
  const std::pair<ZdarzeniePolaczenia, const char*> przypadki[] = {
      {ZdarzeniePolaczenia::Laczenie, "connecting"},
      {ZdarzeniePolaczenia::Polaczony, "connected"},
      {ZdarzeniePolaczenia::Zerwany, "connection lost"},
      {ZdarzeniePolaczenia::Nieudany, "connection failed"},
      {ZdarzeniePolaczenia::NieZnalezionoHosta, "host lookup failed"},
  };
  for (const auto& [z, tekst] : przypadki) EXPECT_EQ(OpisPowiadomienia(z), tekst);
}

TEST(EsencjaPlayera, ProgressTexts) {
  EXPECT_EQ(EsencjaPlayera::TekstPostepu(0), "Łączenie do serwera...");
  EXPECT_EQ(EsencjaPlayera::TekstPostepu(9), "Łączenie do serwera...");
  EXPECT_EQ(EsencjaPlayera::TekstPostepu(10), "Odbieranie danych początkowych: 10%");
  EXPECT_EQ(EsencjaPlayera::TekstPostepu(99), "Odbieranie danych początkowych: 99%");
  EXPECT_EQ(EsencjaPlayera::TekstPostepu(100), "");
}

}  // namespace

// What the status line says of a lost or failed connection is Polish: the system's and
// the TCP client's English texts are translated or left out, the client's own reasons kept.
TEST(PowodPoPolsku, SystemTextsBecomePolishOwnReasonsStay) {
  const struct {
    const char* blad;
    const char* powod;
  } przypadki[] = {
      {"127.0.0.1:2000: Connection Closed: No Error", "serwer zamknął połączenie"},
      {"127.0.0.1:2000: Connection Closed: Connection reset by peer", "połączenie przerwane przez serwer"},
      {"[::1]:2000 Connection refused", "serwer nie przyjmuje połączeń"},
      {"radio.example: Name or service not known", "nieznana nazwa serwera"},
      {"127.0.0.1:2000: nothing received for 45 s", "serwer przestał przysyłać dane"},
      {"127.0.0.1:2000: serwer przysłał audio na ponad 120 s naprzód", "serwer przysłał audio na ponad 120 s naprzód"},
      {"127.0.0.1:2000: Paczka: rozmiar danych 16777217 poza zakresem 0..16777216",
       "Paczka: rozmiar danych 16777217 poza zakresem 0..16777216"},
      {"127.0.0.1:2000: bps>2147483647", "błąd sieci"},
      {"", ""},
  };
  for (const auto& p : przypadki) EXPECT_EQ(PowodPoPolsku(p.blad), p.powod) << p.blad;
}
