#include "player/ListaStacji.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "audio/WaveOutNull.h"
#include "player/EsencjaPlayera.h"
#include "core/Cp1250.h"
#include "core/Exception.h"
#include "core/Parser.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/EsencjaPlayera.h"
#include "player/SerwerTestowy.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

using namespace serwer;

namespace {

constexpr Czas kT0(133400000000000000);
const Roznica kH = Roznica::Godzina;

// The event loop the query sockets report on; made once, kept to the process's end.
void Aplikacja() {
  static int argc = 1;
  static char nazwa[] = "player_test";
  static char* argv[] = {nazwa, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

void Krok() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  std::this_thread::sleep_for(1ms);
}

String Czytaj(const String& sciezka) {
  std::ifstream in(sciezka, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Zapisz(const String& sciezka, const String& bajty) { std::ofstream(sciezka, std::ios::binary) << bajty; }

// A station server: each connection is served on a thread of its own by `obsluga`, given
// the connection and its number (0 for the first).
class SerwerStacji {
 public:
  using Obsluga = std::function<void(Polaczenie&, int)>;
  explicit SerwerStacji(Obsluga o) : obsluga(std::move(o)), watek([this] { Petla(); }) {}
  ~SerwerStacji() {
    koniec = true;
    watek.join();
    for (std::thread& t : polaczenia) t.join();
  }

  // Answers "listabaz\n" with `odpowiedz`'s bytes; closes at once, or when `czekaj`, only
  // once the client has.
  static Obsluga Odpowiada(const String& odpowiedz, bool czekaj = false) {
    return [odpowiedz, czekaj](Polaczenie& c, int) {
      if (c.Czytaj(9) != "listabaz\n") return;
      c.Wyslij(odpowiedz);
      if (czekaj) c.Zamknal();
    };
  }
  static String Stacje(const String& tekst) { return Zakoduj(Paczka2(tekst)); }

  String Adres() const { return nasluch.Adres(); }
  std::atomic<int> ile{0};

 private:
  void Petla() {
    while (!koniec) {
      Polaczenie c = nasluch.Przyjmij(20ms);
      if (!c.Jest()) continue;
      const int n = ile++;
      polaczenia.emplace_back([this, n, c = std::move(c)]() mutable { obsluga(c, n); });
    }
  }

  Nasluch nasluch;
  Obsluga obsluga;
  std::atomic<bool> koniec{false};
  std::vector<std::thread> polaczenia;
  std::thread watek;  // last: starts when the rest is ready
};

struct Lista : ::testing::Test {
  Lista() { Aplikacja(); }

  // Queries every server and waits for all the answers.
  void Zapytaj(ListaStacji& l) {
    l.PobierzListeStacji();
    EXPECT_TRUE(Eventually(
        [&] {
          for (int i = 0; i < l.IleSerwerow(); ++i) {
            if (l.Aktywny(i)) return false;
          }
          return true;
        },
        Krok));
  }
  String Plik(const String& nazwa) { return Czytaj(katalog / nazwa); }

  LogCapture log;
  TempDir katalog;
};

std::vector<String> Podpisy(const std::vector<PozycjaMenu>& menu) {
  std::vector<String> p;
  for (const PozycjaMenu& m : menu) p.push_back(m.podpis);
  return p;
}

std::vector<Ulubiona::Lampka> Lampki(const ListaStacji& l) {
  std::vector<Ulubiona::Lampka> s;
  for (const Ulubiona& u : l.Ulubione()) s.push_back(u.lampka);
  return s;
}

// Every setting is written in its place, in Windows-1250 with CR LF, into a settings
// directory made on the way, and read back from the same directory.
TEST_F(Lista, SettingsAreWrittenAndReadBack) {
  const String dir = katalog / "nowy/KorwendoGra";
  {
    ListaStacji l(dir);
    l.OdczytajListeSerwerow();  // nothing there yet
    l.DodajSerwer("archiwum.example", 2000);
    l.DodajSerwer("10.0.0.5", 12540);
    l.DodajSerwer("::1", 12541);
    l.ContextClick(1, "Zegar@archiwum.example:2000");
    l.ContextClick(3, "Dwójka@[::1]:12541");
    l.DodajZakladke(kT0, "Poranek w Dwójce", "Dwójka@[::1]:12541");
    l.DodajZakladke(kT0 + kH, "Zakładka ąę", "Zegar@archiwum.example:2000");
    l.UstawStartNazwa("Zegar@archiwum.example:2000");
    l.UstawStartCzas(kT0 + kH * 2);
    l.UstawPokazTylko("Dwójka");
    l.UstawGlosnosc(35);
    l.UstawPredkosc(150);
  }  // saved on the way out
  EXPECT_EQ(Czytaj(dir + "/KorwendoGra.ini"),
            "[Serwery]\r\nSerwer0=archiwum.example:2000\r\nSerwer1=10.0.0.5:12540\r\nSerwer2=[::1]:12541\r\n");
  EXPECT_EQ(Czytaj(dir + "/KorwendoGraU.ini"),
            "[Ulubione]\r\n"
            "Ulubiona1=Zegar@archiwum.example:2000\r\n"
            "Ulubiona3=Dw\xF3jka@[::1]:12541\r\n"
            "\r\n[StartPos]\r\n"
            "Name=Zegar@archiwum.example:2000\r\n"
            "Time=" + (kT0 + kH * 2).NapisHex() + "\r\n"
            "\r\n[Zakladki]\r\n"
            "Opis0=Poranek w Dw\xF3jce\r\n"
            "Stacja0=Dw\xF3jka@[::1]:12541\r\n"
            "Czas0=" + kT0.NapisHex() + "\r\n"
            "Opis1=Zak\xB3" "adka \xB9\xEA\r\n"
            "Stacja1=Zegar@archiwum.example:2000\r\n"
            "Czas1=" + (kT0 + kH).NapisHex() + "\r\n"
            "\r\n[Opcje]\r\n"
            "PokazTylko=Dw\xF3jka\r\n"
            "Glosnosc=35\r\n"
            "Predkosc=150\r\n");

  ListaStacji r(dir);
  r.OdczytajListeSerwerow();
  ASSERT_EQ(r.IleSerwerow(), 3);
  EXPECT_EQ(r.DajSerwer(0).Adres(), "archiwum.example:2000");
  EXPECT_EQ(r.DajSerwer(1).Adres(), "10.0.0.5:12540");
  EXPECT_EQ(r.DajSerwer(2).adres, "::1");
  EXPECT_EQ(r.DajSerwer(2).port, 12541);
  EXPECT_FALSE(r.DajSerwer(0).dostepny);
  ASSERT_EQ(r.Ulubione().size(), 4u);
  EXPECT_EQ(r.Ulubione()[0].podpowiedz, "");
  EXPECT_EQ(r.Ulubione()[1].podpis, "Zegar");
  EXPECT_EQ(r.Ulubione()[3].podpis, "Dwójka");
  EXPECT_EQ(r.Ulubione()[3].podpowiedz, "Dwójka@[::1]:12541");
  ASSERT_EQ(r.Zakladki().size(), 2u);
  EXPECT_EQ(r.Zakladki()[1].opis, "Zakładka ąę");
  EXPECT_EQ(r.Zakladki()[1].czas, kT0 + kH);
  EXPECT_EQ(r.StartNazwa(), "Zegar@archiwum.example:2000");
  EXPECT_EQ(r.StartCzas(), kT0 + kH * 2);
  EXPECT_EQ(r.PokazTylko(), "Dwójka");
  EXPECT_EQ(r.Glosnosc(), 35);
  EXPECT_EQ(r.Predkosc(), 150);
}

// The speed read back only as a quarter step from 0.5x to 3x; anything else, hand-written
// or damaged, plays at normal speed. Set from the program, it is held to those steps.
TEST_F(Lista, SpeedOutsideItsStepsPlaysAtNormalSpeed) {
  const struct {
    const char* wartosc;
    int procent;
  } przypadki[] = {{"50", 50}, {"75", 75}, {"300", 300}, {"25", 100}, {"325", 100}, {"130", 100},
                   {"1.5", 100}, {"-75", 100}, {"0150", 100}, {"", 100}};
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.wartosc);
    Zapisz(katalog / "KorwendoGraU.ini", String("[Opcje]\r\nPredkosc=") + p.wartosc + "\r\n");
    ListaStacji l(katalog.Path());
    l.OdczytajListeSerwerow();
    EXPECT_EQ(l.Predkosc(), p.procent);
  }
  ListaStacji l(katalog.Path());
  for (const auto& [dane, procent] : {std::pair{10, 50}, {320, 300}, {140, 125}, {175, 175}}) {
    l.UstawPredkosc(dane);
    EXPECT_EQ(l.Predkosc(), procent) << dane;
  }
}

// Hand-edited files: names in any case, LF lines, ports missing or wrong, a gap in the
// servers, a malformed time that drops only its own entry, and at most 128 bookmarks.
TEST_F(Lista, ReadingIsTolerant) {
  Zapisz(katalog / "KorwendoGra.ini",
         "[serwery]\n"
         "serwer0 = archiwum:2000\n"
         "Serwer1=bez-portu\n"
         "Serwer2=zly:port\n"
         "SERWER3=[::1]:2001\n"
         "Serwer4=::1\n"
         "Serwer5=[::1\n"
         "Serwer6=:2002\n"
         "Serwer7=10.0.0.5:2003\n"
         "Serwer9=za-dziura:1\n");
  String u = "[ulubione]\nULUBIONA2=Fala@bez-portu:12540\n[StartPos]\nName=Fala@bez-portu:12540\nTime=123\n[ZAKLADKI]\n";
  for (int k = 0; k < 130; ++k) {
    const String n = std::to_string(k);
    String czas = (kT0 + kH * k).NapisHex();
    if (k == 1) czas = "12345";
    if (k == 2) czas = "01d9e3c4a2b00000";
    u += "opis" + n + "=Z" + n + "\nstacja" + n + "=Fala@bez-portu:12540\nczas" + n + "=" + czas + "\n";
  }
  Zapisz(katalog / "KorwendoGraU.ini", u);

  {
    ListaStacji l(katalog.Path());
    l.OdczytajListeSerwerow();
    ASSERT_EQ(l.IleSerwerow(), 6) << "the values that name no host are left out";
    EXPECT_EQ(l.DajSerwer(0).Adres(), "archiwum:2000");
    EXPECT_EQ(l.DajSerwer(1).Adres(), "bez-portu:12540");
    EXPECT_EQ(l.DajSerwer(2).Adres(), "zly:12540");
    EXPECT_EQ(l.DajSerwer(3).Adres(), "[::1]:2001");
    EXPECT_EQ(l.DajSerwer(4).Adres(), "[::1]:12540");
    EXPECT_EQ(l.DajSerwer(5).Adres(), "10.0.0.5:2003");
    EXPECT_EQ(l.Ulubione()[2].podpis, "Fala");
    ASSERT_EQ(l.Zakladki().size(), 127u) << "entries 0-127 but the malformed one";
    EXPECT_EQ(l.Zakladki()[0].opis, "Z0");
    EXPECT_EQ(l.Zakladki()[1].opis, "Z2");
    EXPECT_EQ(l.Zakladki()[1].czas, Czas::ZNapisuHex("01D9E3C4A2B00000"));
    EXPECT_EQ(l.Zakladki()[126].opis, "Z127");
    EXPECT_EQ(l.StartNazwa(), "") << "no resume at a malformed time";
    const String t = log.Text();
    EXPECT_NE(t.find("zakładka 1 \"Z1\" pominięta: zły czas \"12345\""), String::npos) << t;
    EXPECT_NE(t.find("pozycja startowa \"Fala@bez-portu:12540\" pominięta: zły czas \"123\""), String::npos) << t;
    EXPECT_NE(t.find("serwer \"zly:port\": zły port"), String::npos) << t;
    EXPECT_NE(t.find("serwer \"[::1\" pominięty: brak nawiasu"), String::npos) << t;
  }
  const String zapisany = Plik("KorwendoGraU.ini");
  EXPECT_NE(zapisany.find("Opis126=Z127\r\n"), String::npos);
  EXPECT_EQ(zapisany.find("Opis127="), String::npos) << "only what was read is written";
  EXPECT_EQ(zapisany.find("[StartPos]"), String::npos);
}

// Without KorwendoGraU.ini the user's sections come from KorwendoGra.ini, and move to
// KorwendoGraU.ini at the next save.
TEST_F(Lista, UserSectionsFallBackToTheServerFile) {
  Zapisz(katalog / "KorwendoGra.ini",
         "[Serwery]\r\nSerwer0=archiwum:2000\r\n[Ulubione]\r\nUlubiona0=Zegar@archiwum:2000\r\n"
         "[StartPos]\r\nName=Zegar@archiwum:2000\r\nTime=" + kT0.NapisHex() + "\r\n[Opcje]\r\nPokazTylko=Zegar\r\n");
  {
    ListaStacji l(katalog.Path());
    l.OdczytajListeSerwerow();
    EXPECT_EQ(l.Ulubione()[0].podpowiedz, "Zegar@archiwum:2000");
    EXPECT_EQ(l.StartCzas(), kT0);
    EXPECT_EQ(l.PokazTylko(), "Zegar");
  }
  EXPECT_EQ(Plik("KorwendoGra.ini"), "[Serwery]\r\nSerwer0=archiwum:2000\r\n");
  EXPECT_EQ(Plik("KorwendoGraU.ini"),
            "[Ulubione]\r\nUlubiona0=Zegar@archiwum:2000\r\n\r\n[StartPos]\r\nName=Zegar@archiwum:2000\r\nTime=" +
                kT0.NapisHex() + "\r\n\r\n[Opcje]\r\nPokazTylko=Zegar\r\nGlosnosc=100\r\n");
}

// The servers dialog's list replaces the servers: those kept keep their stations, the
// others' go, and the server file is written at once in the form it is read in.
TEST_F(Lista, ServersSetFromTheDialogAreSavedAtOnce) {
  ListaStacji l(katalog.Path());
  l.DodajSerwer("127.0.0.1", 1);
  l.DodajSerwer("127.0.0.2", 2000);
  l.DodajStacje("Zegar", &l.DajSerwer(0));
  l.DodajStacje("Fala", &l.DajSerwer(1));
  l.UstawSerwery({"127.0.0.2:2000", "[::1]:3000", "127.0.0.3"});
  ASSERT_EQ(l.IleSerwerow(), 3);
  EXPECT_EQ(l.DajSerwer(0).Adres(), "127.0.0.2:2000");
  EXPECT_EQ(l.DajSerwer(2).Adres(), "127.0.0.3:12540");
  ASSERT_EQ(l.Stacje().size(), 1u);
  EXPECT_EQ(l.Stacje()[0].Cel(), "Fala@127.0.0.2:2000");
  EXPECT_EQ(Plik("KorwendoGra.ini"), "[Serwery]\r\nSerwer0=127.0.0.2:2000\r\nSerwer1=[::1]:3000\r\nSerwer2=127.0.0.3:12540\r\n");
  // An address it cannot read changes nothing.
  EXPECT_THROW(l.UstawSerwery({"127.0.0.4:99999"}), std::exception);
  EXPECT_EQ(l.IleSerwerow(), 3);
}

// A settings file that exists but cannot be read is never replaced by the empty settings
// that reading it gave; the other file is saved as usual.
TEST_F(Lista, AnUnreadableFileIsNotOverwritten) {
  mkdir((katalog / "KorwendoGraU.ini").c_str(), 0700);
  Zapisz(katalog / "KorwendoGraU.ini/Zakladki", "keep");
  Zapisz(katalog / "KorwendoGra.ini", "[Serwery]\r\nSerwer0=a:1\r\n");
  {
    ListaStacji l(katalog.Path());
    l.OdczytajListeSerwerow();
    l.DodajSerwer("b", 2);
    EXPECT_NO_THROW(l.ZapiszListeSerwerow());
  }
  EXPECT_EQ(Plik("KorwendoGra.ini"), "[Serwery]\r\nSerwer0=a:1\r\nSerwer1=b:2\r\n");
  EXPECT_EQ(Czytaj(katalog / "KorwendoGraU.ini/Zakladki"), "keep");
  EXPECT_NE(log.Text().find("\"KorwendoGraU.ini\" nie został odczytany"), String::npos) << log.Text();
}

// A list that never read the settings (the window failed on its way up) leaves them be.
TEST_F(Lista, SettingsNeverReadAreNotWiped) {
  const String u = "[Ulubione]\r\nUlubiona0=Zegar@a:1\r\n";
  Zapisz(katalog / "KorwendoGraU.ini", u);
  { ListaStacji l(katalog.Path()); }
  EXPECT_EQ(Plik("KorwendoGraU.ini"), u);
  EXPECT_FALSE(std::filesystem::exists(katalog / "KorwendoGra.ini"));
}

// Every server is asked at once; the answers fill the station list, the lamps follow it,
// the menus sort and filter it; a server that is down, or goes down, loses its stations.
TEST_F(Lista, StationQueriesLampsAndMenus) {
  auto a = std::make_unique<SerwerStacji>(SerwerStacji::Odpowiada(SerwerStacji::Stacje("Zegar\r\nŁódź\r\nŚląsk\r\n")));
  SerwerStacji b(SerwerStacji::Odpowiada(SerwerStacji::Stacje("Zegar\nDwójka"), true));
  const String aAdres = a->Adres();
  const String zamkniety = "127.0.0.1:" + std::to_string(ZamknietyPort());

  ListaStacji l(katalog.Path());
  int zmiany = 0;
  l.UstawPoZmianie([&] { ++zmiany; });
  for (const String& adres : {aAdres, b.Adres(), zamkniety}) {
    Parser p(adres);
    const String host = p.Getto(':');
    l.DodajSerwer(host, std::stoi(p.Getto(':')));
  }
  l.ContextClick(0, "Zegar@" + aAdres);
  l.ContextClick(1, "Dwójka@" + b.Adres());
  l.ContextClick(2, "Zegar@" + zamkniety);
  EXPECT_EQ(Lampki(l), (std::vector<Ulubiona::Lampka>{Ulubiona::Czerwona, Ulubiona::Czerwona, Ulubiona::Czerwona,
                                                      Ulubiona::Zadna}));

  zmiany = 0;
  Zapytaj(l);
  EXPECT_EQ(l.Stacje().size(), 5u);
  EXPECT_TRUE(l.DajSerwer(0).dostepny);
  EXPECT_TRUE(l.DajSerwer(1).dostepny);
  EXPECT_FALSE(l.DajSerwer(2).dostepny);
  EXPECT_EQ(Lampki(l), (std::vector<Ulubiona::Lampka>{Ulubiona::Zielona, Ulubiona::Zielona, Ulubiona::Czerwona,
                                                      Ulubiona::Zadna}));
  EXPECT_EQ(zmiany, 3) << "once per answer or failure";
  EXPECT_EQ(a->ile, 1);

  // Names in the byte order of Windows-1250, where Ś comes before Ł; the same name on two
  // servers twice, each with its own target.
  const std::vector<PozycjaMenu> menu = l.UstawMenuStacji();
  EXPECT_EQ(Podpisy(menu), (std::vector<String>{"Dwójka", "Zegar", "Zegar", "Śląsk", "Łódź"}));
  EXPECT_NE(menu[1].podpowiedz, menu[2].podpowiedz);
  EXPECT_EQ(Podpisy(l.UstawMenuUlubionych(3)).front(), "Dwójka@" + b.Adres());
  l.UstawPokazTylko("Zegar");
  const std::vector<PozycjaMenu> tylko = l.UstawMenuStacji();
  ASSERT_EQ(tylko.size(), 2u);
  EXPECT_EQ(tylko[0].podpowiedz.substr(0, 6), "Zegar@");
  EXPECT_EQ(tylko[1].podpowiedz.substr(0, 6), "Zegar@");
  const std::vector<PozycjaMenu> ulub = l.UstawMenuUlubionych(3);
  ASSERT_EQ(ulub.size(), 2u);
  ulub[1].akcja();
  EXPECT_EQ(l.Ulubione()[3].podpowiedz, ulub[1].podpis);
  EXPECT_EQ(l.Ulubione()[3].podpis, "Zegar");
  EXPECT_EQ(l.Ulubione()[3].lampka, Ulubiona::Zielona);
  EXPECT_NE(Plik("KorwendoGraU.ini").find("Ulubiona3=" + ulub[1].podpis + "\r\n"), String::npos);
  l.UstawPokazTylko("");

  // Asking again adds nothing.
  Zapytaj(l);
  EXPECT_EQ(l.Stacje().size(), 5u);
  EXPECT_TRUE(l.DajSerwer(0).dostepny);

  // The first server stops answering: its stations go, its favourite turns red.
  a.reset();
  Zapytaj(l);
  EXPECT_EQ(l.Stacje().size(), 2u);
  for (const klient::Stacja& s : l.Stacje()) EXPECT_EQ(s.serwer, &l.DajSerwer(1));
  EXPECT_FALSE(l.DajSerwer(0).dostepny);
  EXPECT_EQ(Lampki(l)[0], Ulubiona::Czerwona);
  EXPECT_EQ(Lampki(l)[1], Ulubiona::Zielona);
}

// An answer that is not a text packet, or not a packet at all, fails the query as a lost
// connection does; a query started again while an answer was half in ignores that half.
TEST_F(Lista, MalformedAndRestartedAnswers) {
  PrzedzialyAudio pa;
  pa.Add(Przedzial(kT0, kT0 + kH));
  SerwerStacji dobry(SerwerStacji::Odpowiada(SerwerStacji::Stacje("Zegar")));
  SerwerStacji przedzialy(SerwerStacji::Odpowiada(Zakoduj(Paczka2(pa, ""))));
  SerwerStacji smieci(SerwerStacji::Odpowiada("to nie jest pakiet, tylko tekst", true));
  const String pelna = SerwerStacji::Stacje("Fala\r\nDwójka\r\n");
  std::atomic<int> polowy{0};
  SerwerStacji przerwany([&](Polaczenie& c, int n) {
    if (c.Czytaj(9) != "listabaz\n") return;
    if (n == 0) {
      c.Wyslij(pelna.substr(0, pelna.size() / 2));
      ++polowy;
      c.Zamknal();
    } else {
      c.Wyslij(pelna);
    }
  });

  // The header of an answer longer than a server can send, its bytes never following:
  // refused from the header, without waiting for them.
  Paczka2 dluga(String("Zegar"));
  dluga.core.SetSize(EsencjaPlayera::kMaksPaczka);
  SerwerStacji zaDluga(SerwerStacji::Odpowiada(Zakoduj(dluga).substr(0, 30), true));

  ListaStacji l(katalog.Path());
  for (const SerwerStacji* s : {&dobry, &przedzialy, &smieci, &przerwany, &zaDluga}) {
    Parser p(s->Adres());
    const String host = p.Getto(':');
    l.DodajSerwer(host, std::stoi(p.Getto(':')));
  }
  l.PobierzListeStacji();
  EXPECT_TRUE(Eventually(
      [&] { return !l.Aktywny(0) && !l.Aktywny(1) && !l.Aktywny(2) && !l.Aktywny(4) && polowy == 1; }, Krok));
  for (int i = 0; i < 10; ++i) Krok();
  EXPECT_TRUE(l.Aktywny(3)) << "half an answer: still waiting";
  EXPECT_TRUE(l.DajSerwer(0).dostepny);
  EXPECT_FALSE(l.DajSerwer(1).dostepny);
  EXPECT_FALSE(l.DajSerwer(2).dostepny);
  EXPECT_NE(log.Text().find("Nazwa!=\"String\""), String::npos) << log.Text();
  EXPECT_NE(log.Text().find("id=to nie!=paczk2"), String::npos) << log.Text();
  EXPECT_FALSE(l.DajSerwer(4).dostepny);
  EXPECT_NE(log.Text().find("paczka dłuższa niż " + std::to_string(EsencjaPlayera::kMaksPaczka)), String::npos) << log.Text();

  Zapytaj(l);
  EXPECT_TRUE(l.DajSerwer(3).dostepny);
  std::vector<String> nazwy;
  for (const klient::Stacja& s : l.Stacje()) {
    if (s.serwer == &l.DajSerwer(3)) nazwy.push_back(s.nazwa);
  }
  EXPECT_EQ(nazwy, (std::vector<String>{"Fala", "Dwójka"}));
  EXPECT_EQ(l.Stacje().size(), 3u);
}

// Stations, bookmarks and the resume position end as station changes of the player core;
// deleting a bookmark asks first.
TEST_F(Lista, ChoicesReachThePlayerCore) {
  Nasluch serwer;
  Zapisz(katalog / "KorwendoGraU.ini",
         ToCp1250("[StartPos]\r\nName=Fala@" + serwer.Adres() + "\r\nTime=" + kT0.NapisHex() +
             "\r\n[Zakladki]\r\nOpis0=Poranek\r\nStacja0=Zegar@" + serwer.Adres() + "\r\nCzas0=" +
             (kT0 + kH).NapisHex() + "\r\nOpis1=Wieczór\r\nStacja1=Dwójka@" + serwer.Adres() + "\r\nCzas1=" +
             (kT0 + kH * 12).NapisHex() + "\r\n"));
  MessageThread watek;
  EsencjaPlayera::Wyposazenie w;
  w.urzadzenie = std::make_unique<WaveOutNull>(String(), [] { return int64_t{0}; });
  EsencjaPlayera player(nullptr, &watek, nullptr, std::move(w));
  ListaStacji l(katalog.Path());
  l.UstawPlayera(&player);

  const auto blisko = [](Czas a, Czas b) { return Czas::Odstep(a, b) <= Roznica(3); };
  l.OdczytajListeSerwerow();
  EXPECT_EQ(player.DajStacje(), "Fala") << "resumed";
  EXPECT_TRUE(blisko(player.CzasGry(), kT0));
  Polaczenie c = serwer.Przyjmij();
  ASSERT_TRUE(c.Jest());
  EXPECT_EQ(c.Czytaj(7), "player\n");
  EXPECT_EQ(c.NastepnyTekst(), "zmienstacje " + player.CzasGry().NapisHex() + " Fala");

  const std::vector<PozycjaMenu> zagraj = l.UstawMenuZakladek();
  EXPECT_EQ(Podpisy(zagraj), (std::vector<String>{"Poranek", "Wieczór"}));
  EXPECT_EQ(zagraj[1].tag, 1);
  zagraj[1].akcja();
  EXPECT_EQ(player.DajStacje(), "Dwójka");
  EXPECT_TRUE(blisko(player.CzasGry(), kT0 + kH * 12));
  EXPECT_EQ(c.NastepnyTekst(), "zmienstacje " + player.CzasGry().NapisHex() + " Dwójka");

  l.DodajSerwer("127.0.0.1", serwer.Port());
  l.DodajStacje("Zegar", &l.DajSerwer(0));
  const std::vector<PozycjaMenu> stacje = l.UstawMenuStacji();
  ASSERT_EQ(stacje.size(), 1u);
  stacje[0].akcja();
  EXPECT_EQ(player.DajStacje(), "Zegar");
  EXPECT_TRUE(blisko(player.CzasGry(), kT0 + kH * 12)) << "the playing time is kept";

  const std::vector<PozycjaMenu> usun = l.UstawMenuUsuwania();
  ASSERT_EQ(usun.size(), 2u);
  EXPECT_EQ(usun[0].pytanie, "Czy chcesz skasować zakładkę \"Poranek\"?");
  EXPECT_EQ(usun[0].tytulPytania, "Zakładki");
  usun[0].akcja();
  ASSERT_EQ(l.Zakladki().size(), 1u);
  EXPECT_EQ(l.Zakladki()[0].opis, "Wieczór");
  for (const int a : {-1, 1}) {
    try {
      l.UsunZakladke(a);
      ADD_FAILURE() << a;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind("a<0||a>=c in file", 0), 0u) << e.Message();
    }
  }
  EXPECT_THROW(l.ZagrajZakladke(1), Exception);
  EXPECT_THROW(l.ContextClick(4, "Zegar@a:1"), Exception);
}

}  // namespace
