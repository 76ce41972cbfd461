#include "korwendo-play/HeadlessPlayer.h"

#include <unistd.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "commandline/CelZLinii.h"
#include "commandline/TerminalReport.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "player/KatalogUstawien.h"
#include "transport/CelStacji.h"
#include "transport/Protokol.h"

HeadlessPlayer::HeadlessPlayer(OpcjeOdtwarzacza o) : opcje(std::move(o)) {
  SetAudioOutput(opcje.wyjscie);
  lista = std::make_unique<ListaStacji>(ResolveSettingsDirectory(opcje.katalog));
  EsencjaPlayera::Wyposazenie w;
  if (opcje.wyjscie.kind == AudioOutputChoice::Null && !opcje.wyjscie.wavPath.empty()) {
    auto d = std::make_unique<CountingWaveOut>(MakeWaveOutDevice(opcje.wyjscie));
    licznik = d.get();
    w.urzadzenie = std::move(d);
  }
  widok = std::make_unique<WidokTekstowy>([this] { logika->Timer1(); }, [this] { return player->CzasGry(); });
  stos = std::make_unique<StosPlayera>(&pole, std::move(w), [this] {
    QMetaObject::invokeMethod(this, [this] { Zawiadomienia(); }, Qt::QueuedConnection);
  });
  player = &stos->Esencja();
  LogikaOkna::Ustawienia u;
  u.bladSerwera = [this](const String& b) { BladSerwera(b); };
  // No export engine: the headless player never exports.
  logika = &stos->ZbudujLogike(*widok, *lista, std::move(u));
  connect(&zegarSekundy, &QTimer::timeout, this, [this] {
    if (player && !cel.empty()) WypiszCzas();
  });
  connect(&zegarSkrzynki, &QTimer::timeout, this, [this] {
    try {
      if (!konczy) logika->Tick();
    } catch (const std::exception& e) {
      // The window's logic raises for what a server must never send.
      Blad(e.what(), 1);
    }
  });
  SluchajSygnalow();
}

HeadlessPlayer::~HeadlessPlayer() {
  // Here, not in Koniec, which may be reached from within a tick of the window's logic
  // that sets the position after it.
  if (gralo && Grana().empty()) {
    // No station was accepted: the settings keep the position they had.
    lista->UstawStartNazwa(startNazwa);
    lista->UstawStartCzas(startCzas);
  } else if (gralo) {
    // The window's logic keeps the position on each tick; this is the last one.
    lista->UstawStartCzas(player->CzasGry());
  }
  stos.reset();  // no notification arrives after this
  player = nullptr;
  logika = nullptr;
}

void HeadlessPlayer::SluchajSygnalow() {
  sygnaly.emplace();
  notyfikatorSygnalow = std::make_unique<QSocketNotifier>(sygnaly->Deskryptor(), QSocketNotifier::Read);
  connect(notyfikatorSygnalow.get(), &QSocketNotifier::activated, this, [this] {
    const std::optional<int> sygnal = sygnaly->Odbierz();
    if (!sygnal) return;
    notyfikatorSygnalow->setEnabled(false);
    // The position reached is kept for the next start, as on "quit"; the status tells the
    // caller that the player was interrupted.
    Koniec(128 + *sygnal);
  });
}

void HeadlessPlayer::WypiszCzas() {
  if (licznik == nullptr) {
    widok->Wypisz("time " + NapisIso(player->OdswiezCzas()));
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
  widok->Wypisz("time " + NapisIso(t));
  widok->Wypisz("captured " + std::to_string(przed + (po - przed) / 2));
}

void HeadlessPlayer::Blad(const String& s, int kod, const String& rada) {
  ReportToTerminal(s, rada);
  Koniec(kod);
}

String HeadlessPlayer::AdresCelu() const { return CzytajCel(cel).tekstAdresu; }

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
  widok->UstawTimerPolaczenia(false);
  if (wejscie) wejscie->setEnabled(false);
  QCoreApplication::exit(kod);
}

void HeadlessPlayer::Start() {
  try {
    // Without servers named, the settings files name them, and the position to resume at.
    DolaczSerwery(*lista, opcje.serwery, PoczatekGry::kBezOkna);
    const PoczatekGry g = Decyduj(*lista, opcje.stacja, opcje.od, PoczatekGry::kBezOkna);
    // The volume given, else the one the settings remember (full without them).
    if (opcje.glosnosc) lista->UstawGlosnosc(*opcje.glosnosc);
    player->DajGrajka().GetPlayAudio()->SetVolume(lista->Glosnosc() / 100.0);
    player->UstawPredkosc(opcje.predkosc);
    if (lista->IleSerwerow() == 0 && (opcje.lista || g.blad == PoczatekGry::Powod::BrakSerwerow)) {
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
    Graj(g);
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
    const klient::Serwer& s = lista->DajSerwer(i);
    ktorys = ktorys || s.dostepny;
    widok->Wypisz(s.Adres() + (s.dostepny ? " [green]" : " [red] unreachable"));
    for (const klient::Stacja& st : lista->Stacje()) {
      if (st.serwer == &s) widok->Wypisz("  [green] " + st.nazwa + "  " + st.Cel());
    }
  }
  lista->WyswietlListeStacji();
  for (const Ulubiona& u : lista->Ulubione()) {
    if (u.podpowiedz.empty()) continue;
    widok->Wypisz(String("favourite ") + (u.lampka == Ulubiona::Zielona ? "[green] " : "[red] ") + u.podpowiedz);
  }
  if (!ktorys) {
    Blad("żaden serwer nie odpowiedział", 1, "sprawdź, czy działa tam korwendo-server i czy adresy są dobre");
    return;
  }
  Koniec(0);
}

void HeadlessPlayer::Graj(const PoczatekGry& g) {
  switch (g.rodzaj) {
    case PoczatekGry::Rodzaj::Graj:
    case PoczatekGry::Rodzaj::Wznow:
      Polacz(g.cel, g.od);
      return;
    case PoczatekGry::Rodzaj::Szukaj:
      // Several servers: the station is played from the first one that records it.
      lista->PobierzListeStacji();
      PoZapytaniach([this, g] {
        const PoczatekGry z = Znaleziona(*lista, g.cel, g.od);
        if (z.rodzaj == PoczatekGry::Rodzaj::Graj) Polacz(z.cel, z.od);
        else Blad("stacji \"" + g.cel + "\" nie ma na żadnym serwerze", 1, "stacje serwerów pokazuje --list");
      });
      return;
    case PoczatekGry::Rodzaj::Czekaj:
    case PoczatekGry::Rodzaj::Blad:
      break;
  }
  Blad("nie podano stacji, a w ustawieniach nie ma miejsca do wznowienia", 2,
       "podaj --station NAZWA (stacje serwerów pokazuje --list)");
}

void HeadlessPlayer::Polacz(const String& c, std::optional<Czas> t) {
  if (konczy) return;
  if (!gralo) {
    startNazwa = lista->StartNazwa();
    startCzas = lista->StartCzas();
  }
  cel = c;
  widok->Wypisz("playing " + cel);
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
  if (!zegarSkrzynki.isActive()) zegarSkrzynki.start(10);
}

void HeadlessPlayer::Zawiadomienia() {
  for (ZdarzeniePolaczenia z : stos->Odbierz()) Zawiadomienie(z);
}

void HeadlessPlayer::Zawiadomienie(ZdarzeniePolaczenia z) {
  if (konczy) return;
  widok->Polaczenie(z);
  if (z == ZdarzeniePolaczenia::Polaczony) byloPolaczenie = true;
  // The window tries again after a failure, save for a host name that does not resolve.
  // Without a window to wait in, the headless player gives up on that name and on a first
  // connection that fails. Nothing reconnected before these, so the client's error is
  // still this attempt's.
  if (z == ZdarzeniePolaczenia::NieZnalezionoHosta) {
    Blad("nie można znaleźć serwera " + AdresCelu() + " (nazwa hosta się nie rozwiązuje)", 1,
         "sprawdź nazwę hosta");
    return;
  }
  if (z == ZdarzeniePolaczenia::Nieudany && !byloPolaczenie) {
    Blad("nie można połączyć się z serwerem " + AdresCelu() + PowodBledu(), 1,
         "sprawdź, czy działa tam korwendo-server i czy adres jest dobry");
    return;
  }
  logika->Powiadomienie(z);
}

void HeadlessPlayer::BladSerwera(const String& blad) {
  const String tekst = String(protokol::kError) + " " + blad;
  widok->Wypisz("server: " + tekst);
  const bool zlyCzas = blad.rfind(protokol::kBladZlyCzas, 0) == 0;
  if (konczy || (!zlyCzas && blad.rfind(protokol::kBladNieznanaStacja, 0) != 0)) return;
  const String grana = Grana();
  if (grana.empty() || grana == cel) {
    Blad("serwer odrzucił " + cel + ": " + tekst, 1, zlyCzas ? "podaj inny --at" : "stacje serwera pokazuje --list");
    return;
  }
  // A station changed to by a command that does not exist: back to the one heard.
  widok->Wypisz("back to " + grana);
  Polacz(grana, std::nullopt);
}

String HeadlessPlayer::Grana() const { return widok->Stacja().empty() ? String() : lista->StartNazwa(); }

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
      logika->Wykonaj(Polecenie::Graj);
    } else if (slowo == "stop" && reszta.empty()) {
      // Through the window's logic: a station changed to later stays stopped.
      logika->Wykonaj(Polecenie::Stop);
    } else if (slowo == "seek" && !reszta.empty()) {
      if (auto d = ParsujPrzesuniecie(reszta)) player->UstawPozycje(player->CzasGry() + *d);
      else player->UstawPozycje(ParsujCzas(reszta));
    } else if (slowo == "speed" && !reszta.empty()) {
      const std::optional<int> q = ParsujPredkosc(reszta);
      if (!q) {
        widok->Wypisz("bad speed: " + reszta + " (0.5 to 3 in steps of 0.25)");
        return true;
      }
      player->UstawPredkosc(*q);
    } else if (slowo == "station" && !reszta.empty()) {
      // A name alone is played from the server being played.
      const String c = NormalizujCel(reszta);
      const OdczytCelu grany = CzytajCel(cel);
      if (CzytajCel(c).blad != BladCelu::BezSerwera || grany.blad != BladCelu::Brak) Polacz(c, std::nullopt);
      else Polacz(CelStacji{c, grany.cel.serwer}.Napis(), std::nullopt);
    } else {
      widok->Wypisz("unknown command: " + linia + " (play, stop, seek +5s|-1m|TIME, station NAME, speed X, quit)");
      return true;
    }
  } catch (const std::exception& e) {
    Log(1, String("komenda \"") + linia + "\": " + e.what(), KG_WHERE);
    widok->Wypisz("command failed: " + TerminalSentence(e.what()));
  }
  return true;
}
