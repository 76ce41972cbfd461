#include "HeadlessPlayer.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "Exception.h"
#include "KatalogUstawien.h"
#include "Log.h"
#include "Paczka2.h"
#include "Ponawianie.h"
#include "Protokol.h"
#include "ServerAddress.h"
#include "TerminalReport.h"

HeadlessPlayer::HeadlessPlayer(OpcjeOdtwarzacza o) : opcje(std::move(o)) {
  SetAudioOutput(opcje.wyjscie);
  lista = std::make_unique<ListaStacji>(ResolveSettingsDirectory(opcje.katalog));
  EsencjaPlayera::Wyposazenie w;
  if (opcje.wyjscie.kind == AudioOutputChoice::Null && !opcje.wyjscie.wavPath.empty()) {
    auto d = std::make_unique<CountingWaveOut>(MakeWaveOutDevice(opcje.wyjscie));
    licznik = d.get();
    w.urzadzenie = std::move(d);
  }
  player = std::make_unique<EsencjaPlayera>(&pole, &watek, this, std::move(w));
  connect(&zegarSekundy, &QTimer::timeout, this, [this] {
    if (player && !cel.empty()) WypiszCzas();
  });
  connect(&zegarSkrzynki, &QTimer::timeout, this, [this] { Odbierz(); });
  SluchajSygnalow();
}

HeadlessPlayer::~HeadlessPlayer() {
  player.reset();  // no notification arrives after this
  if (sygnaly >= 0) ::close(sygnaly);
}

void ZablokujSygnalyKonca() {
  sigset_t z;
  sigemptyset(&z);
  sigaddset(&z, SIGINT);
  sigaddset(&z, SIGTERM);
  sigaddset(&z, SIGHUP);
  KG_SYSCHECK(pthread_sigmask(SIG_BLOCK, &z, nullptr) == 0);
}

void HeadlessPlayer::SluchajSygnalow() {
  sigset_t z;
  sigemptyset(&z);
  sigaddset(&z, SIGINT);
  sigaddset(&z, SIGTERM);
  sigaddset(&z, SIGHUP);
  sygnaly = ::signalfd(-1, &z, SFD_CLOEXEC | SFD_NONBLOCK);
  KG_SYSCHECK(sygnaly >= 0);
  notyfikatorSygnalow = std::make_unique<QSocketNotifier>(sygnaly, QSocketNotifier::Read);
  connect(notyfikatorSygnalow.get(), &QSocketNotifier::activated, this, [this] {
    signalfd_siginfo i{};
    if (::read(sygnaly, &i, sizeof i) != static_cast<ssize_t>(sizeof i)) return;
    notyfikatorSygnalow->setEnabled(false);
    // The position reached is kept for the next start, as on "quit"; the status tells the
    // caller that the player was interrupted.
    Koniec(128 + static_cast<int>(i.ssi_signo));
  });
}

void HeadlessPlayer::WypiszCzas() {
  if (licznik == nullptr) {
    Wypisz("time " + NapisIso(player->OdswiezCzas()));
    return;
  }
  // The time and the frame count are read back to back: a pair that a pre-emption split by
  // more than a millisecond is read again, lest the time be tied to the wrong frame.
  Czas t;
  int64_t przed = 0;
  int64_t po = 0;
  for (int proba = 0; proba < 5; ++proba) {
    const auto start = std::chrono::steady_clock::now();
    przed = licznik->Heard();
    t = player->OdswiezCzas();
    po = licznik->Heard();
    if (std::chrono::steady_clock::now() - start <= std::chrono::milliseconds(1)) break;
  }
  Wypisz("time " + NapisIso(t));
  Wypisz("captured " + std::to_string(przed + (po - przed) / 2));
}

void HeadlessPlayer::Wypisz(const String& s) {
  // Much of what is printed comes from a server: station names, statuses, errors.
  std::fputs((BezSterujacych(s) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void HeadlessPlayer::Blad(const String& s, int kod, const String& rada) {
  ReportToTerminal(s, rada);
  Koniec(kod);
}

String HeadlessPlayer::AdresCelu() const {
  const size_t at = cel.find('@');
  return at == String::npos ? cel : cel.substr(at + 1);
}

String HeadlessPlayer::PowodBledu() {
  // The client's error reads "host:port: reason".
  const String b = player->Blad();
  const String przedrostek = AdresCelu() + ": ";
  if (b.empty()) return {};
  return " (" + (b.rfind(przedrostek, 0) == 0 ? b.substr(przedrostek.size()) : b) + ")";
}

void HeadlessPlayer::Koniec(int kod) {
  if (konczy) return;
  konczy = true;
  zegarSekundy.stop();
  zegarSkrzynki.stop();
  if (wejscie) wejscie->setEnabled(false);
  if (player && !cel.empty() && lista->StartNazwa() == cel) lista->UstawStartCzas(player->CzasGry());
  QCoreApplication::exit(kod);
}

void HeadlessPlayer::Start() {
  try {
    if (opcje.serwery.empty()) {
      // The settings files name the servers, and the position to resume at.
      lista->OdczytajListeSerwerow();
    } else {
      for (const String& s : opcje.serwery) {
        const ServerAddress a = ParseServerAddress(s);
        lista->DodajSerwer(a.host, a.port);
      }
    }
    if (lista->IleSerwerow() == 0 && (opcje.lista || (opcje.stacja.find('@') == String::npos &&
                                                      !opcje.stacja.empty()))) {
      Blad("brak serwerów do zapytania", 2,
           "podaj --server HOST[:PORT] albo --config KATALOG z plikiem " + String(ListaStacji::PlikSerwerow));
      return;
    }
    if (!opcje.lista && opcje.wyjscie.kind == AudioOutputChoice::Pulse && !SprawdzDzwiek()) return;
    if (opcje.lista) {
      lista->PobierzListeStacji();
      PoZapytaniach([this] { Listuj(); });
      return;
    }
    if (opcje.sekundy > 0) QTimer::singleShot(opcje.sekundy * 1000, this, [this] { Koniec(0); });
    wejscie = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(wejscie.get(), &QSocketNotifier::activated, this, [this] { CzytajWejscie(); });
    zegarSkrzynki.start(10);
    Graj();
  } catch (const std::exception& e) {
    Blad(e.what(), 2);
  }
}

bool HeadlessPlayer::SprawdzDzwiek() {
  // Without a sound server the engine's thread fails on every packet and the connection
  // would be lost and retried for ever: better said once, at the start.
  std::unique_ptr<WaveOutDevice> d = MakeWaveOutDevice(opcje.wyjscie);
  WAVEFORMATEX f;
  f.wFormatTag = 1;  // PCM
  f.nChannels = 2;
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 44100 * 4;
  EventAutomatic e;
  if (d->Open(f, 44100 * 4 / 10, &e) != WaveOutDevice::kOk) {
    Blad("nie można otworzyć wyjścia dźwięku " + d->Name() + ": " + d->LastError(), 1,
         "sprawdź, czy działa serwer dźwięku, albo graj bez dźwięku z --audio null");
    return false;
  }
  d->Close();
  return true;
}

void HeadlessPlayer::PoZapytaniach(std::function<void()> f) {
  auto koniec = std::make_shared<Czas>(Czas::Teraz() + Roznica::Sekunda * 10);
  auto t = new QTimer(this);
  connect(t, &QTimer::timeout, this, [this, t, f, koniec] {
    bool aktywny = false;
    for (int i = 0; i < lista->IleSerwerow(); ++i) aktywny = aktywny || lista->Aktywny(i);
    if (aktywny && Czas::Teraz() < *koniec) return;
    t->stop();
    t->deleteLater();
    f();
  });
  t->start(50);
}

void HeadlessPlayer::Listuj() {
  bool ktorys = false;
  for (int i = 0; i < lista->IleSerwerow(); ++i) {
    const Serwer& s = lista->DajSerwer(i);
    ktorys = ktorys || s.dostepny;
    Wypisz(s.Adres() + (s.dostepny ? " [green]" : " [red] unreachable"));
    for (const Stacja& st : lista->Stacje()) {
      if (st.serwer == &s) Wypisz("  [green] " + st.nazwa + "  " + st.Cel());
    }
  }
  lista->WyswietlListeStacji();
  for (const Ulubiona& u : lista->Ulubione()) {
    if (u.podpowiedz.empty()) continue;
    Wypisz(String("favourite ") + (u.lampka == Ulubiona::Zielona ? "[green] " : "[red] ") + u.podpowiedz);
  }
  if (!ktorys) {
    Blad("żaden serwer nie odpowiedział", 1, "sprawdź, czy działa tam korwendo-server i czy adresy są dobre");
    return;
  }
  Koniec(0);
}

void HeadlessPlayer::Graj() {
  String s = opcje.stacja;
  std::optional<Czas> t = opcje.od;
  if (s.empty()) {
    s = lista->StartNazwa();
    if (s.empty()) {
      Blad("nie podano stacji, a w ustawieniach nie ma miejsca do wznowienia", 2,
           "podaj --station NAZWA (stacje serwerów pokazuje --list)");
      return;
    }
    if (!t && lista->StartCzas().Wartosc() > 0) t = lista->StartCzas();
  }
  if (s.find('@') != String::npos) {
    Polacz(s, t);
  } else if (lista->IleSerwerow() == 1) {
    Polacz(s + "@" + lista->DajSerwer(0).Adres(), t);
  } else {
    // Several servers: the station is played from the first one that records it.
    lista->PobierzListeStacji();
    PoZapytaniach([this, s, t] {
      for (const Stacja& st : lista->Stacje()) {
        if (st.nazwa == s) {
          Polacz(st.Cel(), t);
          return;
        }
      }
      Blad("stacji \"" + s + "\" nie ma na żadnym serwerze", 1, "stacje serwerów pokazuje --list");
    });
  }
}

void HeadlessPlayer::Polacz(const String& c, std::optional<Czas> t) {
  if (konczy) return;
  cel = c;
  lista->UstawStartNazwa(cel);
  Wypisz("playing " + cel);
  try {
    // A station change or a reconnection goes on from the time being heard; the first
    // station without a moment given starts live.
    if (t) player->ZmienStacje(cel, *t);
    else if (gralo) player->ZmienStacje(cel);
    else player->ZmienStacje(cel, Czas::Teraz());
    gralo = true;
    player->Graj();
  } catch (const std::exception& e) {
    Blad(String("nie można grać ") + cel + ": " + e.what(), 1);
    return;
  }
  if (!zegarSekundy.isActive()) zegarSekundy.start(1000);
}

void HeadlessPlayer::Powiadom(int komunikat, uintptr_t wParam) {
  std::lock_guard<std::mutex> l(zawiadomieniaMutex);
  zawiadomienia.emplace_back(komunikat, wParam);
}

void HeadlessPlayer::Odbierz() {
  std::vector<std::pair<int, uintptr_t>> z;
  {
    std::lock_guard<std::mutex> l(zawiadomieniaMutex);
    z.swap(zawiadomienia);
  }
  for (auto [k, w] : z) {
    if (konczy) return;
    Zawiadomienie(k, w);
  }
  Paczka2 p;
  while (!konczy && p.Wczytaj(player->Skrzynka())) {
    if (p.Nazwa != protokol::kString) continue;
    const String tekst = p.DajString();
    if (p.Opis == protokol::kOpisDebug) {
      Log(0, tekst, KG_WHERE);
    } else if (p.Opis == protokol::kOpisStatus) {
      if (tekst != ostatniStatus && !tekst.empty()) Wypisz("status: " + tekst);
      ostatniStatus = tekst;
    } else {
      Wypisz("server: " + tekst);
      if (tekst.rfind(String(protokol::kTerazGramy) + " ", 0) == 0) {
        grana = cel;
      } else if (tekst.rfind(String(protokol::kError) + " " + protokol::kBladNieznanaStacja, 0) == 0 ||
                 tekst.rfind(String(protokol::kError) + " " + protokol::kBladZlyCzas, 0) == 0) {
        if (grana.empty() || grana == cel) {
          Blad("serwer odrzucił " + cel + ": " + tekst, 1,
               tekst.rfind(String(protokol::kError) + " " + protokol::kBladZlyCzas, 0) == 0 ? "podaj inny --at" : "stacje serwera pokazuje --list");
        } else {
          // A station changed to by a command that does not exist: back to the one heard.
          Wypisz("back to " + grana);
          Polacz(grana, std::nullopt);
        }
      }
    }
  }
}

void HeadlessPlayer::Zawiadomienie(int komunikat, uintptr_t wParam) {
  Wypisz("connection: " + OpisPowiadomienia(komunikat, wParam));
  if (komunikat == WM_PLAYER_POLACZONY) {
    polaczony = true;
    byloPolaczenie = true;
    return;
  }
  if (komunikat != WM_PLAYER_ZERWANY && komunikat != WM_PLAYER_NIEUDANY) return;
  polaczony = false;
  // The window's policy: another attempt after a loss or a failure, none for a host name
  // that does not resolve. Without a window to wait in, a first connection that fails
  // ends the player too.
  if (ponawianie::PonowPo(komunikat, wParam) && (komunikat == WM_PLAYER_ZERWANY || byloPolaczenie)) {
    Wypisz("reconnecting in 5 s");
    QTimer::singleShot(ponawianie::kOdstepMs, this, [this] {
      if (!polaczony) Polacz(cel, std::nullopt);
    });
    return;
  }
  // Nothing reconnects after these two, so the client's error is still this attempt's.
  if (wParam == 1) {
    Blad("nie można znaleźć serwera " + AdresCelu() + " (nazwa hosta się nie rozwiązuje)", 1,
         "sprawdź nazwę hosta");
  } else {
    Blad("nie można połączyć się z serwerem " + AdresCelu() + PowodBledu(), 1,
         "sprawdź, czy działa tam korwendo-server i czy adres jest dobry");
  }
}

void HeadlessPlayer::CzytajWejscie() {
  char b[4096];
  const ssize_t n = ::read(STDIN_FILENO, b, sizeof b);
  if (n <= 0) {
    // End of input (or an error): commands are over, playing goes on.
    wejscie->setEnabled(false);
    return;
  }
  buforWejscia.append(b, static_cast<size_t>(n));
  size_t k;
  while ((k = buforWejscia.find('\n')) != String::npos) {
    String linia = buforWejscia.substr(0, k);
    buforWejscia.erase(0, k + 1);
    if (!linia.empty() && linia.back() == '\r') linia.pop_back();
    if (!Komenda(linia) || konczy) return;
  }
}

bool HeadlessPlayer::Komenda(const String& linia) {
  const size_t sp = linia.find(' ');
  const String slowo = linia.substr(0, sp);
  String reszta = sp == String::npos ? String() : linia.substr(sp + 1);
  while (!reszta.empty() && reszta.front() == ' ') reszta.erase(0, 1);
  while (!reszta.empty() && reszta.back() == ' ') reszta.pop_back();
  try {
    if (slowo.empty()) return true;
    if (slowo == "quit" && reszta.empty()) {
      Koniec(0);
    } else if (slowo == "play" && reszta.empty()) {
      player->Graj();
    } else if (slowo == "stop" && reszta.empty()) {
      player->Stop();
    } else if (slowo == "seek" && !reszta.empty()) {
      if (auto d = ParsujPrzesuniecie(reszta)) player->UstawPozycje(player->CzasGry() + *d);
      else player->UstawPozycje(ParsujCzas(reszta));
    } else if (slowo == "station" && !reszta.empty()) {
      if (reszta.find('@') != String::npos) {
        Polacz(NormalizujCel(reszta), std::nullopt);
      } else {
        const size_t at = cel.find('@');
        Polacz(reszta + cel.substr(at == String::npos ? cel.size() : at), std::nullopt);
      }
    } else {
      Wypisz("unknown command: " + linia + " (play, stop, seek +5s|-1m|TIME, station NAME, quit)");
      return true;
    }
  } catch (const std::exception& e) {
    Log(1, String("komenda \"") + linia + "\": " + e.what(), KG_WHERE);
    Wypisz("command failed: " + TerminalSentence(e.what()));
  }
  return true;
}
