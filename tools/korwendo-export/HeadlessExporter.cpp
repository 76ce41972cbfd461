#include "korwendo-export/HeadlessExporter.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "audio/AudioOutputChoice.h"
#include "commandline/TerminalReport.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "transport/CelStacji.h"
#include "transport/Protokol.h"

namespace {

// How long the server may take to accept the station, and to look at its archive for the
// first time after it started (indexing a large archive takes a while).
constexpr auto kCzasNaStacje = std::chrono::seconds(30);
constexpr auto kCzasNaArchiwum = std::chrono::seconds(300);
// How long an aborted export may take to end.
constexpr auto kCzasNaPrzerwanie = std::chrono::seconds(10);
// The longest turn of reading the inbox.
constexpr auto kTura = std::chrono::milliseconds(50);
// The window's logic ticks every 10 ms, as in the window; the loop turns more often.
constexpr auto kTick = std::chrono::milliseconds(10);
// How often the progress bar is redrawn.
constexpr auto kOdstepPaska = std::chrono::milliseconds(200);

bool ZaczynaSieOd(const String& s, const String& p) { return s.rfind(p, 0) == 0; }

}  // namespace

HeadlessExporter::HeadlessExporter(OpcjeEksportu o)
    : opcje(std::move(o)),
      postep(opcje.przedzialy),
      widok([this](bool w) { Pasek(w); }, [this] { PokazPasek(false); }),
      lista(String()) {
  EsencjaPlayera::Wyposazenie w;
  // The engine stays paused and never plays: the exporter asks for no playback audio.
  AudioOutputChoice nic;
  nic.kind = AudioOutputChoice::Null;
  w.urzadzenie = MakeWaveOutDevice(nic);
  // No wake-up: the loop takes the notifications on each turn.
  stos = std::make_unique<StosPlayera>(nullptr, std::move(w));
  player = &stos->Esencja();
  EksportZLinii::Zdarzenia z;
  z.paczka = [this](const PaczkaAudio& p) { postep.Dodaj(p); };
  z.bladZapisu = [this](const String& b) { BladZapisu(b); };
  z.bladKonca = [this](const String& b) { BladKonca(b); };
  z.nadmiar = [this](const String& b) { Nadmiar(b); };
  auto e = std::make_unique<EksportZLinii>(std::make_unique<KanalPlayera>(player), NazwaEksportu(opcje), opcje.pcm,
                                           std::move(z));
  silnik = e.get();
  stos->UstawEksport(std::move(e));
  LogikaOkna::Ustawienia u;
  u.stacjaPrzyjeta = [this](const String&) { StacjaPrzyjeta(); };
  u.archiwum = [this](LogikaOkna::Archiwum a) { StanArchiwum(a); };
  u.bladSerwera = [this](const String& b) { BladSerwera(b); };
  u.koniecEksportu = [this] { KoniecEksportu(); };
  logika = &stos->ZbudujLogike(widok, lista, std::move(u));
  // The exporter never plays: stopped as a user stops it, so that the logic does not start
  // playback when the server accepts the station.
  logika->Wykonaj(Polecenie::Stop);
  for (const Przedzial& p : opcje.przedzialy.Wszystkie()) logika->Eksport().DodajDoEksportu(p.begin, p.end);
  terminal = isatty(STDERR_FILENO) == 1;
}

HeadlessExporter::~HeadlessExporter() {
  // The files are finished before the player core goes; no notification arrives after.
  stos.reset();
}

int HeadlessExporter::Uruchom() {
  start = Zegar::now();
  try {
    player->ZmienStacje(CelStacji{opcje.stacja, ParseServerAddress(opcje.serwer)}.Napis(), opcje.przedzialy.Begin());
  } catch (const std::exception& e) {
    Koniec(KodEksportu::Blad, String("nie można połączyć się z ") + opcje.serwer + ": " + e.what());
  }
  while (!kod) {
    pollfd p{sygnaly.Deskryptor(), POLLIN, 0};
    const int r = ::poll(&p, 1, player->Skrzynka().Size() > 0 ? 0 : 1);
    if (r > 0 && (p.revents & POLLIN) != 0) Sygnal();
    if (!kod) Zawiadomienia();
    if (!kod) Tura();
    if (!kod) Terminy();
    if (!kod) PokazPasek(false);
  }
  WyczyscPasek();
  for (const String& plik : silnik->Pliki()) std::fputs((plik + "\n").c_str(), stdout);
  std::fflush(stdout);
  if (!komunikat.empty()) ReportToTerminal(komunikat, rada);
  return *kod;
}

void HeadlessExporter::Koniec(int k, const String& s, const String& r) {
  if (kod) return;
  kod = k;
  komunikat = s;
  rada = r;
}

void HeadlessExporter::Zakoncz() { silnik->Finish(); }

void HeadlessExporter::BladKonca(const String& blad) {
  // The file could not be finished: that is the failure to report, whatever came before.
  kod.reset();
  Koniec(KodEksportu::Blad, "nie można dokończyć pliku: " + blad);
}

void HeadlessExporter::BladZapisu(const String& blad) {
  player->WyslijString(protokol::kPrzerwijEksport);
  Zakoncz();
  Koniec(KodEksportu::Blad, "nie można zapisać eksportu: " + blad);
}

void HeadlessExporter::Nadmiar(const String& powod) {
  player->WyslijString(protokol::kPrzerwijEksport);
  Zakoncz();
  Koniec(KodEksportu::Blad,
         "serwer " + opcje.serwer + " " + powod +
             (silnik->Pliki().empty() ? String("; eksport przerwany") : String("; eksport przerwany, zapisana część jest w wypisanych plikach")));
}

void HeadlessExporter::Zawiadomienia() {
  for (ZdarzeniePolaczenia z : stos->Odbierz()) {
    if (kod) return;
    Log(0, "korwendo-export: " + OpisPowiadomienia(z), KG_WHERE);
    // What is still in the inbox arrived before the loss.
    if (z == ZdarzeniePolaczenia::Zerwany) Tura(true);
    if (kod) return;
    logika->Powiadomienie(z);
    switch (z) {
      case ZdarzeniePolaczenia::Polaczony:
        polaczony = true;
        break;
      case ZdarzeniePolaczenia::Zerwany:
        if (wyslany) {
          Zakoncz();
          Koniec(KodEksportu::Zerwane,
                 "połączenie z serwerem " + opcje.serwer + " zerwane w trakcie eksportu" +
                     (silnik->Pliki().empty() ? String() : String("; zapisana część jest w wypisanych plikach")),
                 "uruchom eksport jeszcze raz");
        } else {
          Koniec(KodEksportu::Blad, "połączenie z serwerem " + opcje.serwer + " zerwane");
        }
        break;
      case ZdarzeniePolaczenia::NieZnalezionoHosta:
        Koniec(KodEksportu::Blad, "nie można znaleźć serwera " + opcje.serwer + " (nazwa hosta się nie rozwiązuje)",
               "sprawdź nazwę hosta");
        break;
      case ZdarzeniePolaczenia::Nieudany: {
        const String b = player->Blad();
        const String przedrostek = opcje.serwer + ": ";
        const String powod = b.empty() ? String() : " (" + (ZaczynaSieOd(b, przedrostek) ? b.substr(przedrostek.size()) : b) + ")";
        Koniec(KodEksportu::Blad, "nie można połączyć się z serwerem " + opcje.serwer + powod,
               "sprawdź, czy działa tam korwendo-server i czy adres jest dobry");
        break;
      }
      case ZdarzeniePolaczenia::Laczenie:
        break;
    }
  }
}

void HeadlessExporter::Tura(bool wszystko) {
  // The inbox refills while it is read: a turn takes at most kTura, so that signals and
  // the progress bar are seen to during a long export. The logic writes one export packet
  // per reading (and per tick).
  const auto teraz = Zegar::now();
  const auto koniecTury = teraz + kTura;
  try {
    bool dalej = true;
    if (!wszystko && teraz - ostatniTick >= kTick) {
      ostatniTick = teraz;
      logika->Tick();
    }
    while (!kod && dalej && (wszystko || Zegar::now() < koniecTury)) dalej = logika->Odbierz();
  } catch (const std::exception& e) {
    // The window's logic raises for what a server must never send; the reader's own text
    // goes to the log.
    Log(0, String("korwendo-export: bledny pakiet serwera: ") + e.what(), KG_WHERE);
    player->WyslijString(protokol::kPrzerwijEksport);
    Zakoncz();
    Koniec(KodEksportu::Blad, "serwer " + opcje.serwer + " przysłał błędny pakiet, którego nie da się odczytać" +
                                  (silnik->Pliki().empty() ? String() : String("; zapisana część jest w wypisanych plikach")),
           "szczegóły są w logu");
  }
}

void HeadlessExporter::StacjaPrzyjeta() {
  stacjaPrzyjeta = true;
  RozpocznijEksport();
}

void HeadlessExporter::StanArchiwum(LogikaOkna::Archiwum a) {
  if (archiwumZnane) return;
  archiwumZnane = true;
  zajete = a == LogikaOkna::Archiwum::Zajete;
  RozpocznijEksport();
}

void HeadlessExporter::BladSerwera(const String& blad) {
  const String tekst = String(protokol::kError) + " " + blad;
  Log(0, "korwendo-export: serwer: " + tekst, KG_WHERE);
  if (ZaczynaSieOd(blad, protokol::kBladNieznanaStacja)) {
    Koniec(KodEksportu::Blad, "serwer " + opcje.serwer + " nie ma stacji \"" + opcje.stacja + "\"",
           "stacje serwera pokazuje korwendo-play --server " + opcje.serwer + " --list");
  } else if (ZaczynaSieOd(blad, protokol::kBladZlyCzas)) {
    Koniec(KodEksportu::Blad, "serwer " + opcje.serwer + " odrzucił czas: " + tekst);
  } else if (wyslany && !bladSerwera) {
    // The exporter asks for nothing else: an error now is the export's.
    bladSerwera = blad;
  }
}

void HeadlessExporter::RozpocznijEksport() {
  if (kod || wyslany || !stacjaPrzyjeta || !archiwumZnane) return;
  try {
    logika->Eksport().Eksportuj();
    wyslany = silnik->IsExporting();
  } catch (const std::exception& e) {
    Koniec(KodEksportu::Blad, String("nie można rozpocząć eksportu: ") + e.what());
  }
}

void HeadlessExporter::KoniecEksportu() {
  // The logic has finished the file; an export of no request of ours is none of ours.
  if (!wyslany || zakonczony) return;
  zakonczony = true;
  if (kod) return;
  if (przerwany) {
    Koniec(KodEksportu::Przerwane, "eksport przerwany; zapisana część jest w wypisanych plikach");
  } else if (bladSerwera) {
    Koniec(KodEksportu::Blad, "serwer przerwał eksport: " + *bladSerwera);
  } else if (silnik->Pliki().empty() && zajete) {
    Koniec(KodEksportu::Blad, "serwer nie może teraz czytać archiwum stacji \"" + opcje.stacja + "\"",
           "spróbuj później; powód jest w logu serwera");
  } else if (silnik->Pliki().empty()) {
    Koniec(KodEksportu::Blad, "w podanych przedziałach stacja \"" + opcje.stacja + "\" nie ma nagrań",
           "przedziały z nagraniami pokazuje oś czasu programu KorwendoGra");
  } else {
    Koniec(KodEksportu::Gotowe);
  }
}

void HeadlessExporter::Sygnal() {
  const std::optional<int> sygnal = sygnaly.Odbierz();
  if (!sygnal) return;
  const int kodSygnalu = 128 + *sygnal;
  if (wyslany && !zakonczony && !przerwany && polaczony && silnik->IsExporting()) {
    // The server ends the export with "koniecexportu"; what arrives until then is written.
    // The export button of a running export asks for just that.
    przerwany = true;
    logika->Eksport().Eksportuj();
    terminPrzerwania = Zegar::now() + kCzasNaPrzerwanie;
    return;
  }
  Zakoncz();
  Koniec(kodSygnalu, "eksport przerwany" + String(silnik->Pliki().empty() ? "" : "; zapisana część jest w wypisanych plikach"));
}

void HeadlessExporter::Terminy() {
  const auto teraz = Zegar::now();
  if (terminPrzerwania && teraz >= *terminPrzerwania) {
    Zakoncz();
    Koniec(KodEksportu::Przerwane, "serwer nie zakończył przerwanego eksportu; zapisana część jest w wypisanych plikach");
  } else if (!stacjaPrzyjeta && teraz - start >= kCzasNaStacje) {
    Koniec(KodEksportu::Blad, "serwer " + opcje.serwer + " nie odpowiedział na wybór stacji",
           "sprawdź, czy pod tym adresem działa korwendo-server");
  } else if (!wyslany && teraz - start >= kCzasNaArchiwum) {
    Koniec(KodEksportu::Blad, "serwer " + opcje.serwer + " nie przejrzał archiwum stacji \"" + opcje.stacja + "\" w 5 minut",
           "spróbuj później");
  }
}

void HeadlessExporter::Pasek(bool widoczny) {
  pasek = widoczny;
  if (widoczny) {
    PokazPasek(true);
  } else {
    WyczyscPasek();
  }
}

void HeadlessExporter::PokazPasek(bool teraz) {
  if (!terminal || !pasek) return;
  const auto t = Zegar::now();
  if (!teraz && t - ostatniPasek < kOdstepPaska) return;
  ostatniPasek = t;
  const Roznica uplynelo(std::chrono::duration_cast<std::chrono::microseconds>(t - start).count() * 10);
  const String s = "\r" + postep.Pasek(uplynelo) + "\x1b[K";
  std::fputs(s.c_str(), stderr);
  std::fflush(stderr);
  pasekWidoczny = true;
}

void HeadlessExporter::WyczyscPasek() {
  if (!pasekWidoczny) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  pasekWidoczny = false;
}
