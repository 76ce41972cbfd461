// The server's metrics and health over HTTP: what the counters say while players play,
// the exposition checked by promtool, the label escaping, and /health before and after
// the first look at the archives.
#include "net/Metryki.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "net/SerwerHttp.h"
#include "net/SerwerTestowy.h"
#include "support/Czekanie.h"
#include "support/LogCapture.h"

namespace serwer::testy {
namespace {

struct Odpowiedz {
  int status = 0;
  std::string tresc;
};

// One HTTP/1.0 request to 127.0.0.1:port; status 0 when nothing came back.
Odpowiedz Pobierz(int port, const std::string& sciezka, const std::string& metoda = "GET") {
  Odpowiedz o;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval t{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string zadanie = metoda + " " + sciezka + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
    send(fd, zadanie.data(), zadanie.size(), MSG_NOSIGNAL);
    std::string wszystko;
    char b[8192];
    for (ssize_t n; (n = recv(fd, b, sizeof b, 0)) > 0;) wszystko.append(b, static_cast<size_t>(n));
    std::sscanf(wszystko.c_str(), "HTTP/1.%*d %d", &o.status);
    const size_t koniec = wszystko.find("\r\n\r\n");
    if (koniec != std::string::npos) o.tresc = wszystko.substr(koniec + 4);
  }
  close(fd);
  return o;
}

// The value of the sample `seria` (name and labels as written) in an exposition; -1 when
// it is missing.
double Wartosc(const std::string& tekst, const std::string& seria) {
  const std::string szukane = "\n" + seria + " ";
  const size_t i = ("\n" + tekst).find(szukane);
  if (i == std::string::npos) return -1;
  return std::stod(tekst.substr(i + szukane.size() - 1));
}

// promtool's verdict on an exposition: empty when it passes, else what it said; nullopt
// when promtool is not installed.
std::optional<std::string> Promtool(const std::string& tekst, const TempDir& dir) {
  if (std::system("command -v promtool >/dev/null 2>&1") != 0) return std::nullopt;
  const std::string plik = dir.Path() + "/metrics.txt";
  const std::string wynik = dir.Path() + "/promtool.txt";
  std::ofstream(plik, std::ios::binary) << tekst;
  const int r = std::system(("promtool check metrics <" + plik + " >" + wynik + " 2>&1").c_str());
  std::ifstream in(wynik);
  const std::string powiedzial((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return r == 0 ? std::string() : "promtool: " + powiedzial;
}

TEST(Metryki, LabelValuesAreEscaped) {
  const struct {
    std::string wartosc, etykieta;
  } przypadki[] = {
      {"Dwójka", "Dwójka"},
      {"a\"b", "a\\\"b"},
      {"a\\b", "a\\\\b"},
      {"a\nb", "a\\nb"},
      {"\\\"\n", "\\\\\\\"\\n"},
      {"tab\tstays", "tab\tstays"},
  };
  for (const auto& p : przypadki) EXPECT_EQ(Metryki::Etykieta(p.wartosc), p.etykieta) << p.wartosc;
}

TEST(Metryki, HealthIsUnavailableUntilEveryStationWasLookedAtAndLogsNothing) {
  LogCapture log;
  TempDir dir;
  std::vector<std::unique_ptr<Stacja>> st;
  // Names a scrape must escape; promtool reads them back.
  for (const char* nazwa : {"Zła \"nazwa\"", "ukośnik \\ i\nnowa linia"}) {
    st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{nazwa, dir.Path(), "accurate", "mp3", "", true, ""}));
  }
  Metryki m(st);
  SerwerHttp http("127.0.0.1", 0, m);
  ASSERT_GT(http.Port(), 0);
  Log(3, "before the checks", KG_WHERE);
  const std::string przed = log.Text();

  EXPECT_EQ(Pobierz(http.Port(), "/health").status, 503);
  m.Sprawdzona(*st[0]);
  EXPECT_EQ(Pobierz(http.Port(), "/health").status, 503);
  m.Sprawdzona(*st[1]);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Pobierz(http.Port(), "/health").status, 200);
  EXPECT_EQ(Pobierz(http.Port(), "/health", "HEAD").status, 200);
  EXPECT_EQ(log.Text(), przed) << "a health check must not log";

  EXPECT_EQ(Pobierz(http.Port(), "/metrics", "POST").status, 405);
  EXPECT_EQ(Pobierz(http.Port(), "/other").status, 404);
  const Odpowiedz o = Pobierz(http.Port(), "/metrics");
  ASSERT_EQ(o.status, 200);
  EXPECT_NE(o.tresc.find("korwendo_station_players{station=\"Zła \\\"nazwa\\\"\"} 0\n"), std::string::npos) << o.tresc;
  EXPECT_NE(o.tresc.find("{station=\"ukośnik \\\\ i\\nnowa linia\"}"), std::string::npos) << o.tresc;
  EXPECT_EQ(Wartosc(o.tresc, "korwendo_ready"), 1);
  const auto p = Promtool(o.tresc, dir);
  if (!p) GTEST_SKIP() << "promtool is not installed (Debian package prometheus): the exposition was not checked";
  EXPECT_EQ(*p, "") << o.tresc;
}

TEST(Metryki, AnotherServiceOnTheAddressIsAnError) {
  std::vector<std::unique_ptr<Stacja>> st;
  Metryki m(st);
  SerwerHttp pierwszy("127.0.0.1", 0, m);
  EXPECT_THROW(SerwerHttp("127.0.0.1", pierwszy.Port(), m), std::exception);
  EXPECT_THROW(SerwerHttp("no-such-host.invalid", 0, m), std::exception);
}

// A request for audio is late when its first packet is queued more than `spoznienie` after
// it; one with no audio to answer with (beyond the recording) is never late. The client's
// clock is given, so the delay is exact.
TEST(Metryki, AudioAnsweredLateIsCounted) {
  TempDir dir;
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kT0);
  s.Kod(kS * 20);
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
  fixtures::Zapisz(dir.Path() + "/a", l.Sciezka(kT0), s.Bajty(), Czas::Teraz());
  std::vector<std::unique_ptr<Stacja>> st;
  st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"A", dir.Path() + "/a", "accurate", "mp3", "", true, ""}));
  st[0]->Odswiez();
  const auto wyslij = [](Klient& k, const String& tekst, Czas teraz) {
    Paczka2 p(tekst);
    Core c;
    p.WriteTo(c);
    k.Odbierz(c.Data(), static_cast<size_t>(c.Size()), teraz);
  };
  const struct {
    const char* opis;
    Czas gdzie;
    int zwlokaMs;
    int spoznione;
  } przypadki[] = {
      {"answered at once", kT0 + kS, 100, 0},
      {"answered after 600 ms", kT0 + kS, 600, 1},
      {"nothing there to answer with", kT0 + kS * 3600, 600, 0},
  };
  for (const auto& p : przypadki) {
    Metryki m(st);
    Klient::Ustawienia u;
    u.metryki = &m;
    const Czas t0 = Czas(0) + kS * 1000;
    Klient k(st, u, t0);
    k.Odbierz("player\n", 7, t0);
    wyslij(k, "zmienstacje " + p.gdzie.NapisHex() + " A", t0);
    wyslij(k, "play", t0);
    k.Pompuj(t0 + Roznica::Milisekunda * p.zwlokaMs);
    // A later seek answered at once adds nothing.
    const Czas t1 = t0 + kS * 2;
    wyslij(k, "setpos " + (kT0 + kS * 2).NapisHex(), t1);
    k.Pompuj(t1 + Roznica::Milisekunda * 10);
    const std::string tekst = m.Tekst();
    EXPECT_EQ(Wartosc(tekst, "korwendo_audio_late_total"), p.spoznione) << p.opis;
    EXPECT_EQ(Wartosc(tekst, "korwendo_seeks_total"), 1) << p.opis;
    EXPECT_EQ(Wartosc(tekst, "korwendo_station_players{station=\"A\"}"), 1) << p.opis;
  }
}

TEST(Metryki, ScrapedWhilePlayersPlay) {
  Srodowisko env(Klient::Ustawienia(), Serwer::Ustawienia(), false, 86400, true);
  // A file of the empty station that cannot be played, old enough to be reported.
  const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
  fixtures::Zapisz(env.dir.Path() + "/pusta", l.Sciezka(kT0), "", Czas::Teraz() - kS * 60);
  SerwerHttp http("127.0.0.1", 0, *env.metryki);
  // Station "Brak" has no directory: its first look finds it unreadable, and is done.
  ASSERT_TRUE(CzekajNa([&] { return Pobierz(http.Port(), "/health").status == 200; }, 10000));

  auto k1 = env.Gracz(kT0);
  auto k2 = env.Gracz(kT0 + kS * 5);
  ASSERT_GE(k1->Audio().numeraudia, 0);
  ASSERT_GE(k2->Audio().numeraudia, 0);
  k1->Tekst("setpos " + (kT0 + kS * 2).NapisHex());
  k1->Tekst("setpos " + (kT0 + kS * 3).NapisHex());
  k1->Tekst("setpos nonsense");  // refused: no seek
  ASSERT_GE(k1->Audio().numeraudia, 0);
  // A whole export of one second.
  Przedzialy jeden;
  jeden.Add(Przedzial(kT0 + kS, kT0 + kS * 2));
  Paczka2 eksport(jeden, "export");
  k2->Wyslij(eksport);
  String koniec;
  ASSERT_TRUE(k2->CzekajTekst("koniecexportu", koniec));

  std::string pierwszy;
  ASSERT_TRUE(CzekajNa(
      [&] {
        pierwszy = Pobierz(http.Port(), "/metrics").tresc;
        return Wartosc(pierwszy, "korwendo_seeks_total") == 2 && Wartosc(pierwszy, "korwendo_exports_total") == 1 &&
               Wartosc(pierwszy, "korwendo_archive_files_unreadable{station=\"Pusta\",reason=\"empty\"}") == 1;
      },
      10000))
      << pierwszy;
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_players"), 2);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_station_players{station=\"A\"}"), 2);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_station_players{station=\"Pusta\"}"), 0);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_exports_running"), 0);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_archive_files{station=\"A\"}"), 3);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_archive_files{station=\"Pusta\"}"), 0);
  EXPECT_GT(Wartosc(pierwszy, "korwendo_last_index_timestamp_seconds{station=\"A\"}"), 1.7e9);
  EXPECT_EQ(Wartosc(pierwszy, "korwendo_station_silent_seconds{station=\"A\"}"), 0);
  const double bajty = Wartosc(pierwszy, "korwendo_audio_bytes_total");
  EXPECT_GT(bajty, 0);

  // More audio played (from a seek: the 20 s of the station may all have been sent): the
  // bytes grow. A player that leaves is counted out.
  k2->Tekst("setpos " + kT0.NapisHex());
  ASSERT_GE(k2->Audio().numeraudia, 0);
  k1.reset();
  std::string drugi;
  ASSERT_TRUE(CzekajNa(
      [&] {
        drugi = Pobierz(http.Port(), "/metrics").tresc;
        return Wartosc(drugi, "korwendo_players") == 1;
      },
      10000))
      << drugi;
  EXPECT_GT(Wartosc(drugi, "korwendo_audio_bytes_total"), bajty);
  EXPECT_EQ(Wartosc(drugi, "korwendo_station_players{station=\"A\"}"), 1);

  const auto p = Promtool(drugi, env.dir);
  if (!p) GTEST_SKIP() << "promtool is not installed (Debian package prometheus): the exposition was not checked";
  EXPECT_EQ(*p, "") << drugi;
}

}  // namespace
}  // namespace serwer::testy
