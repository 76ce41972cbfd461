#include "player/EsencjaPlayera.h"

#include <string>

#include "common/AudioFormat.h"
#include "common/PaczkaAudio.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/Parser.h"
#include "decoder/ZgodnoscFormatu.h"
#include "player/PowodPolaczenia.h"
#include "transport/CelStacji.h"
#include "transport/Protokol.h"

namespace {

// Below this much buffered audio the server is asked for more.
constexpr Roznica kMalyBufor = Roznica::Sekunda * 3;
// No more than one request for audio in this time.
constexpr Roznica kOdstepProsb = Roznica::Sekunda * 5;

}  // namespace

EsencjaPlayera::EsencjaPlayera(TimeComponent* t, MessageThread* m, PowiadomieniaPlayera* o)
    : EsencjaPlayera(t, m, o, Wyposazenie()) {}

EsencjaPlayera::EsencjaPlayera(TimeComponent* t, MessageThread* m, PowiadomieniaPlayera* o, Wyposazenie w)
    : TCPClient(m, std::move(w.resolver)),
      komunikaty(m),
      okno(o),
      zegar(w.zegar ? std::move(w.zegar) : std::function<Czas()>(&Czas::Teraz)),
      czas(t) {
  KG_TRACE("EsencjaPlayera::EsencjaPlayera(TimeComponent *t,MessageThread *m,PowiadomieniaPlayera *o,Wyposazenie w)");
  odbior.UstawMaksPaczki(kMaksPaczka);
  UstawLimitCiszy(kCisza);
  grajek = std::make_unique<Grajek>(t, &skrzynka, std::move(w.urzadzenie));
  grajek->GetPlayAudio()->SetDebugStream(&skrzynka);
  if (czas != nullptr) czas->SetListener(this);
}

EsencjaPlayera::~EsencjaPlayera() {
  try {
    Disconnect();
    komunikaty->Synchronizuj();
    if (czas != nullptr) czas->RemoveListener(this);
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
  grajek.reset();
}

String EsencjaPlayera::TekstPostepu(int n) {
  if (n <= 9) return "Łączenie do serwera...";
  if (n == 100) return String();
  return "Odbieranie danych początkowych: " + std::to_string(n) + "%";
}

void EsencjaPlayera::Status(const String& s) { Paczka2(s, protokol::kOpisStatus).Wyslij(skrzynka); }

void EsencjaPlayera::UstawPostep(int n) {
  postep = n;
  Status(TekstPostepu(n));
}

void EsencjaPlayera::Powiadom(ZdarzeniePolaczenia z) {
  if (okno != nullptr) okno->Powiadom(z);
}

void EsencjaPlayera::PowiadomZHandlera(ZdarzeniePolaczenia z) {
  TraceMarkDepth();
  try {
    Powiadom(z);
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
  TraceReturnToMark();
}

void EsencjaPlayera::ZapomnijZapas() { zapas.Wyczysc(); }

void EsencjaPlayera::Graj(PaczkaAudio& p) {
  // A format text that disagrees with its bytes would set the decoder and the card up for
  // audio of another shape: it costs the connection, before anything of it is played.
  if (const String n = NiezgodnoscZFormatem(AudioFormat(p.format), p.dane.Data(), p.dane.Size()); !n.empty()) {
    throw Exception("serwer przysłał " + n);
  }
  // Counted only when the engine takes it: packets of another request are dropped.
  const bool biezacy = p.numeraudia == grajek->NumerAudia();
  grajek->Graj(p);
  if (!biezacy) return;
  zapas.Dodaj(ValidAudioFormat(p.format).GetDuration(p.dane.Size()), p.dane.Size());
  const Roznica wBuforze = grajek->IleWBuforze();
  zapas.Zostalo(wBuforze);
  if (wBuforze > kMaksWyprzedzenie) {
    throw Exception("serwer przysłał audio na ponad " + std::to_string(kMaksWyprzedzenie / Roznica::Sekunda) +
                    " s naprzód");
  }
  if (zapas.Bajty() > kMaksBajtowWyprzedzenia) {
    throw Exception("serwer przysłał ponad " + std::to_string(kMaksBajtowWyprzedzenia >> 20) +
                    " MiB audio naprzód");
  }
}

bool EsencjaPlayera::Bramka(Roznica d) {
  const Czas teraz = zegar();
  if (teraz <= nastepnaProsba) return false;
  nastepnaProsba = teraz + d;
  return true;
}

void EsencjaPlayera::ZmienStacje(String cel, Czas t) {
  KG_TRACE("EsencjaPlayera::ZmienStacje(String cel,Czas t)");
  // The message thread's notification target is made before the client lock is taken:
  // the message thread may need that lock on its way to making it.
  komunikaty->Okno();
  Synchronized guard(&Sekcja());
  // The station is remembered even when the client refuses the address, with its reason.
  const OdczytCelu c = CzytajCel(cel);
  {
    std::lock_guard<std::mutex> g(stacjaMutex);
    stacja = c.cel.stacja;
  }
  Connect(c.tekstAdresu);
  ZapomnijZapas();
  if (IsConnected()) {
    grajek->Reset(t);
    WyslijString(String(protokol::kZmienStacje) + " " + CzasGry().NapisHex() + " " + stacja);
  } else {
    grajek->Restart(t);
    Status(TekstPostepu(0));
    UstawPostep(0);
    Powiadom(ZdarzeniePolaczenia::Laczenie);
  }
}

void EsencjaPlayera::ZmienStacje(String cel) {
  KG_TRACE("EsencjaPlayera::ZmienStacje(String cel)");
  ZmienStacje(std::move(cel), CzasGry());
}

void EsencjaPlayera::Graj() {
  KG_TRACE("EsencjaPlayera::Graj()");
  Synchronized guard(&Sekcja());
  WyslijString(protokol::kPlay);
  grajek->Start();
}

void EsencjaPlayera::Stop() {
  KG_TRACE("EsencjaPlayera::Stop()");
  Synchronized guard(&Sekcja());
  WyslijString(protokol::kStop);
  grajek->Stop();
}

void EsencjaPlayera::UstawPozycje(Czas t) {
  KG_TRACE("EsencjaPlayera::UstawPozycje(Czas t)");
  Synchronized guard(&Sekcja());
  grajek->Reset(t);
  ZapomnijZapas();
  WyslijString(String(protokol::kSetpos) + " " + t.NapisHex());
}

void EsencjaPlayera::UstawPredkosc(int cwierci) {
  KG_TRACE("EsencjaPlayera::UstawPredkosc(int cwierci)");
  Synchronized guard(&Sekcja());
  if (cwierci == predkosc.load()) return;
  grajek->GetPlayAudio()->SetSpeed(cwierci);
  predkosc = cwierci;
  // The new speed is heard from the moment being heard, as after a seek.
  const Czas t = CzasGry();
  grajek->Reset(t);
  ZapomnijZapas();
  if (IsConnected()) WyslijString(String(protokol::kSetpos) + " " + t.NapisHex());
  if (wstrzymanyZapas.exchange(false)) PonowOdczyt();
}

void EsencjaPlayera::GrajIwenty(String s) {
  KG_TRACE("EsencjaPlayera::GrajIwenty(String s)");
  Synchronized guard(&Sekcja());
  WyslijString(String(protokol::kGrajIwenty) + " " + s);
  grajek->Reset(czas != nullptr ? czas->Get() : CzasGry());
  ZapomnijZapas();
}

void EsencjaPlayera::GrajWszystko() {
  KG_TRACE("EsencjaPlayera::GrajWszystko()");
  WyslijString(protokol::kGrajWszystko);
}

void EsencjaPlayera::Wyslij(Paczka2& p) {
  KG_TRACE("EsencjaPlayera::Wyslij(Paczka2 &p)");
  p.Wyslij(*this);
}

void EsencjaPlayera::WyslijString(String s) {
  KG_TRACE("EsencjaPlayera::WyslijString(String s)");
  Paczka2(s).Wyslij(*this);
}

String EsencjaPlayera::DajStacje() {
  KG_TRACE("EsencjaPlayera::DajStacje()");
  std::lock_guard<std::mutex> g(stacjaMutex);
  return stacja;
}

Czas EsencjaPlayera::CzasGry() {
  KG_TRACE("EsencjaPlayera::CzasGry()");
  return grajek->GetCzas();
}

Czas EsencjaPlayera::OdswiezCzas() {
  KG_TRACE("EsencjaPlayera::OdswiezCzas()");
  const Czas c = CzasGry();
  if (czas != nullptr) czas->Set(c);
  if (wstrzymanyZapas.load() && grajek->IleWBuforze() < kPelnyBufor && wstrzymanyZapas.exchange(false)) PonowOdczyt();
  return c;
}

void EsencjaPlayera::Hey() {
  KG_TRACE("EsencjaPlayera::Hey()");
  UstawPozycje(czas->Get());
}

bool EsencjaPlayera::Znana(const Paczka2& p) {
  const String& n = p.Nazwa;
  const String& o = p.Opis;
  if (n == protokol::kPaczkaAudio) return o == protokol::kOpisEksport;
  if (n == protokol::kPrzedzialyAudio) return o.empty() || o == protokol::kOpisUpdatePlus || o == protokol::kOpisUpdateMinus;
  if (n.rfind(protokol::kUpdate, 0) == 0) return o == protokol::kOpisInitIwentow || o == protokol::kOpisUpdateIwentow;
  if (n != protokol::kString || !o.empty()) return false;
  const String slowo = Parser(p.DajString()).Getword();
  for (const char* k : {protokol::kTerazGramy, protokol::kBusy, protokol::kEmpty, protokol::kError,
                        protokol::kKoniecEksportu, protokol::kSetKolorZnacznik}) {
    if (slowo == k) return true;
  }
  return false;
}

void EsencjaPlayera::OnConnect() {
  KG_TRACE("EsencjaPlayera::OnConnect()");
  Log(0, "Connected", KG_WHERE);
  odbior.Reset();
  pominiete = 0;
  const String powitanie = String(protokol::kPlayer) + "\n";
  Write(powitanie.data(), static_cast<int>(powitanie.size()));
  WyslijString(String(protokol::kZmienStacje) + " " + CzasGry().NapisHex() + " " + stacja);
  if (!grajek->IsStopped()) WyslijString(protokol::kPlay);
  PowiadomZHandlera(ZdarzeniePolaczenia::Polaczony);
}

void EsencjaPlayera::OnRead() {
  // A packet that cannot be parsed or decoded raises out of here: the TCP client then
  // fails the connection and OnClose reports it lost. There is no resynchronising within
  // a stream. The client catches and goes on, so the traced calls the failure passed
  // through are cut from the message thread's chain here, lest they pile up.
  TraceMarkDepth();
  try {
    Odbierz();
  } catch (...) {
    TraceReturnToMark();
    throw;
  }
  TraceReturnToMark();
}

void EsencjaPlayera::Odbierz() {
  KG_TRACE("EsencjaPlayera::Odbierz()");
  for (int n = 0;; ++n) {
    // A server that floods the connection does not keep the client lock: after a bounded
    // number of packets the rest is read on a later message, and the commands waiting for
    // the lock go first.
    if (n == kPaczekNaOdczyt) {
      PonowOdczyt();
      break;
    }
    // A full inbox: the socket is left unread until the window has read the inbox down
    // (PoOdczycieSkrzynki). The flag is raised before the size is looked at again, so a
    // window that read meanwhile either sees it or left the inbox below the limit.
    if (skrzynka.Size() >= kMaksSkrzynki) {
      wstrzymany = true;
      if (skrzynka.Size() >= kMaksSkrzynki) break;
      wstrzymany = false;
    }
    // Below 1x the server sends faster than it is heard: the rest waits in the socket
    // until the engine has played its buffer down (OdswiezCzas resumes).
    if (predkosc.load() < 4 && grajek->IleWBuforze() > kPelnyBufor) {
      wstrzymanyZapas = true;
      break;
    }
    if (!odbior.Wczytaj(*this)) break;
    const String& nazwa = odbior.Nazwa;
    if (nazwa == protokol::kPrzedzialyAudio && postep < 55) UstawPostep(55);
    if (nazwa == protokol::kPaczkaAudio && postep < 100) UstawPostep(100);
    if (nazwa == protokol::kPaczkaAudio && odbior.Opis.empty()) {
      PaczkaAudio p;
      odbior.Wyjmij(p);
      Graj(p);
      continue;
    }
    if (nazwa == protokol::kString && odbior.Opis.empty()) {
      Parser parser(odbior.DajString());
      if (parser.Getword() == protokol::kPing) {
        WyslijString(String(protokol::kPong) + " " + parser.GetRest());
        continue;
      }
    }
    if (Znana(odbior)) {
      odbior.Wyslij(skrzynka);
    } else if (pominiete++ == 0) {
      Log(1, "pomijamy nieznane paczki serwera, pierwsza: \"" + nazwa.substr(0, 40) + "\" z opisem \"" +
                 odbior.Opis.substr(0, 40) + "\"",
          KG_WHERE);
    }
  }

  const int p = odbior.Postep();
  if (p > 0) {
    if (odbior.Nazwa == protokol::kPrzedzialyAudio && postep < 55) {
      UstawPostep(p * 45 / 100 + 10);
    } else if (odbior.Nazwa == protokol::kPaczkaAudio && postep < 100) {
      UstawPostep(p * 45 / 100 + 55);
    }
  }

  // Both in the time it takes to hear: at 3x, 9 s of archive last 3 s.
  const int q = predkosc.load();
  if (grajek->IleWBuforze() < kMalyBufor * q / 4 && Bramka(kOdstepProsb * 4 / q)) {
    WyslijString(protokol::kWyslijSztukeAudia);
  }
}

namespace {

// The status line's words for a connection's state, and the reason in Polish after them.
String ZPowodem(const char* stan, const String& blad) {
  const String powod = PowodPoPolsku(blad);
  return powod.empty() ? String(stan) : String(stan) + ": " + powod;
}

}  // namespace

void EsencjaPlayera::OnClose() {
  KG_TRACE("EsencjaPlayera::OnClose()");
  Log(0, Blad(), KG_WHERE);
  grajek->Restart(CzasGry());
  ZapomnijZapas();
  Status(ZPowodem("Rozłączony", Blad()));
  PowiadomZHandlera(ZdarzeniePolaczenia::Zerwany);
}

void EsencjaPlayera::OnConnectError() {
  KG_TRACE("EsencjaPlayera::OnConnectError()");
  Log(0, Blad(), KG_WHERE);
  Status(ZPowodem("Błąd połączenia", Blad()));
  PowiadomZHandlera(ZdarzeniePolaczenia::Nieudany);
}

void EsencjaPlayera::OnLookupError() {
  KG_TRACE("EsencjaPlayera::OnLookupError()");
  Log(0, Blad(), KG_WHERE);
  Status(ZPowodem("Nie znaleziono serwera", Blad()));
  PowiadomZHandlera(ZdarzeniePolaczenia::NieZnalezionoHosta);
}

int EsencjaPlayera::SkrzynkaOdbiorcza::ReadAnyNonBlocking(void* v, int n) {
  const int r = ThreadSafeBuffer::ReadAnyNonBlocking(v, n);
  player.PoOdczycieSkrzynki();
  return r;
}

void EsencjaPlayera::SkrzynkaOdbiorcza::Skip(int n) {
  ThreadSafeBuffer::Skip(n);
  player.PoOdczycieSkrzynki();
}

void EsencjaPlayera::PoOdczycieSkrzynki() {
  if (!wstrzymany.load()) return;
  if (skrzynka.Size() >= kMaksSkrzynki / 2) return;
  if (wstrzymany.exchange(false)) PonowOdczyt();
}
