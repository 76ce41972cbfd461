#include "archive/DemoRecorder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <thread>

#include "archive/MpegEncoder.h"
#include "archive/TimeCode.h"
#include "archive/WavInfo.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/UnikalnyDeskryptor.h"
#include "core/ZThread.h"
#include "mpeg/Mp3Header.h"

namespace {

const Roznica kKrokKawalka = Roznica::Sekunda * 96;

// Makes the directory and those above it; raises the system's text when it cannot.
void UtworzKatalogi(const std::filesystem::path& p) {
  std::error_code blad;
  std::filesystem::create_directories(p, blad);
  if (blad) KG_ERROR(blad.message() + " \"" + p.string() + "\"");
}

void PiszWszystko(int fd, const char* b, size_t n) {
  while (n > 0) {
    const ssize_t r = write(fd, b, n);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) KG_RAISE_LAST_SYSTEM_ERROR();
    b += r;
    n -= static_cast<size_t>(r);
  }
}

}  // namespace

// A thread of the recorder running one of its loops.
class DemoRecorder::Watek : public ZThread {
 public:
  Watek(std::function<void()> cialo, EventManual* budzik) : cialo_(std::move(cialo)), budzik_(budzik) {}
  int Run() override {
    cialo_();
    return 0;
  }
  void RequestStop() override { budzik_->Set(); }

 private:
  std::function<void()> cialo_;
  EventManual* budzik_;
};

namespace {

// Writes one piece of one station: the time code of its moments, encoded so that its
// first frame decodes to the samples of its first moment. A new file each time (never the
// old one cut short), so that a reader that had the old one sees it replaced.
class PisarzKawalka {
 public:
  PisarzKawalka(const StacjaDemo& s, const TimeCode& kod, const KawalekDemo& k, const String& sciezka, bool cisze)
      : stacja(s), kod_(kod), rate(s.czestotliwosc) {
    if (cisze) {
      // The input reaches past the piece by the encoder's delay and a few frames.
      for (const KawalekDemo& c : DemoSchedule::Cisze(k.poczatek - Roznica::Sekunda, k.koniec + Roznica::Sekunda)) {
        ciche.emplace_back(TimeCode::NumerProbki(c.poczatek, rate), TimeCode::NumerProbki(c.koniec, rate));
      }
    }
    std::remove(sciezka.c_str());
    p0 = TimeCode::NumerProbki(k.poczatek, rate);
    p1 = TimeCode::NumerProbki(k.koniec, rate);
    if (s.kodek == StacjaDemo::Kodek::Pcm) {
      wav = std::make_unique<BroadcastWavWriter>(sciezka, rate, s.kanaly, k.poczatek);
      n = p0;
      return;
    }
    if (s.kodek == StacjaDemo::Kodek::Mp3) {
      enkoder = std::make_unique<LameEncoder>(rate, s.kanaly, s.kbps);
    } else {
      enkoder = std::make_unique<TwolameEncoder>(rate, s.kanaly, s.kbps);
    }
    spf = enkoder->ProbekWRamce();
    ramek = (p1 - p0) / spf;
    // The decoder puts out sample j of the input `Opoznienie()` samples later: feeding from
    // the first moment plus that delay makes frame 0 begin with the first moment.
    n = p0 + enkoder->Opoznienie();
    wejscieDo = p0 + (ramek + 4) * spf + enkoder->Opoznienie();
    fd.Reset(open(sciezka.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) KG_ERROR(String(std::strerror(errno)) + " \"" + sciezka + "\"");
  }
  PisarzKawalka(const PisarzKawalka&) = delete;
  PisarzKawalka& operator=(const PisarzKawalka&) = delete;

  // Encodes what plays before sample `granica`, at most `maxProbek` samples of it; true
  // once the piece is whole (its file then complete and closed).
  bool Krok(int64_t granica, int maxProbek) {
    if (wav) {
      const int64_t ile = std::min({granica, p1}) - n;
      if (ile > 0) {
        const int k = static_cast<int>(std::min<int64_t>(ile, maxProbek));
        Probki(n, k);
        wav->Dopisz(pcm.data(), k);
        n += k;
      }
      if (n < p1) return false;
      wav->Zamknij();
      return true;
    }
    if (zapisane < ramek && n < wejscieDo) {
      const int64_t ile = std::min(granica, wejscieDo) - n;
      if (ile <= 0) return false;
      const int k = static_cast<int>(std::min<int64_t>(ile, maxProbek));
      Probki(n, k);
      enkoder->Koduj(pcm.data(), k, ramki);
      n += k;
    } else if (zapisane < ramek) {
      if (zakonczony) KG_ERROR("enkoder nie wydał całego kawałka");
      enkoder->Zakoncz(ramki);
      zakonczony = true;
    }
    // Whole frames, no more than the piece holds.
    size_t p = 0;
    while (zapisane < ramek && ramki.size() - p >= 4) {
      const size_t l = static_cast<size_t>(
          Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(ramki.data() + p)).FrameLength());
      if (ramki.size() - p < l) break;
      p += l;
      ++zapisane;
    }
    PiszWszystko(fd.Get(), ramki.data(), p);
    ramki.erase(0, p);
    if (zapisane < ramek) return false;
    if (const int blad = fd.Close(); blad != 0) RaiseSystemError(blad, __FILE__, __LINE__);
    return true;
  }

  // Where the audio written so far ends.
  Czas Zapisano() const {
    if (wav) return TimeCode::CzasProbki(n, rate);
    return TimeCode::CzasProbki(p0 + zapisane * spf, rate);
  }

 private:
  // The `ile` samples from sample number `numer` into `pcm`: the time code, silent where
  // the silences lie.
  void Probki(int64_t numer, int ile) {
    const size_t kanaly = static_cast<size_t>(stacja.kanaly);
    pcm.resize(static_cast<size_t>(ile) * kanaly);
    kod_.Probki(numer, ile, stacja.kanaly, pcm.data());
    for (const auto& [a, b] : ciche) {
      const int64_t od = std::max(a, numer);
      const int64_t do_ = std::min(b, numer + ile);
      if (od < do_) {
        std::fill(pcm.begin() + (od - numer) * stacja.kanaly, pcm.begin() + (do_ - numer) * stacja.kanaly, 0);
      }
    }
  }

  const StacjaDemo& stacja;
  const TimeCode& kod_;
  std::vector<std::pair<int64_t, int64_t>> ciche;  // sample numbers [a, b) made silent
  int rate;
  int64_t p0 = 0;
  int64_t p1 = 0;
  int64_t n = 0;  // the next input sample
  std::unique_ptr<BroadcastWavWriter> wav;
  std::unique_ptr<MpegEncoder> enkoder;
  int spf = 1;
  int64_t ramek = 0;
  int64_t zapisane = 0;
  int64_t wejscieDo = 0;
  bool zakonczony = false;
  UnikalnyDeskryptor fd;
  std::string ramki;
  std::vector<int16_t> pcm;
};

// The time code tables of each rate, made once and shared by every piece.
const TimeCode& Kod(int rate) {
  static const TimeCode k22050(22050);
  static const TimeCode k44100(44100);
  static const TimeCode k48000(48000);
  switch (rate) {
    case 22050: return k22050;
    case 44100: return k44100;
    default: return k48000;
  }
}

}  // namespace

const std::vector<StacjaDemo>& DemoRecorder::Stacje() {
  static const std::vector<StacjaDemo> stacje = {
      {"Zegar", "44100 stereo 128 MPEG1", StacjaDemo::Kodek::Mp3, 44100, 2, 128, "mp3"},
      {"Dwójka", "48000 stereo 192 MPEG1", StacjaDemo::Kodek::Mp2, 48000, 2, 192, "mp2"},
      {"Fala", "22050 mono 352 PCM", StacjaDemo::Kodek::Pcm, 22050, 1, 352, "wav"},
  };
  return stacje;
}

DemoRecorder::DemoRecorder(String k, OpcjeDemo o) : katalog(std::move(k)), opcje(std::move(o)) {
  KG_TRACE("DemoRecorder::DemoRecorder(String k, OpcjeDemo o)");
  if (opcje.kawalek.Wartosc() <= 0 || opcje.kawalek.Wartosc() % kKrokKawalka.Wartosc() != 0) {
    KG_ERROR("Długość kawałka musi być wielokrotnością 96 s");
  }
}

DemoRecorder::~DemoRecorder() { Stop(); }

Czas DemoRecorder::Teraz() const { return opcje.zegar ? opcje.zegar() : Czas::Teraz(); }

KonfiguracjaArchiwum DemoRecorder::Archiwum(const StacjaDemo& s) const {
  KG_TRACE("DemoRecorder::Archiwum(const StacjaDemo &s)");
  KonfiguracjaArchiwum k{s.nazwa, katalog + "/" + s.nazwa, RotterLayout(RotterLayout::Rodzaj::Accurate, s.sufiks, "", true)};
  return k;
}

String DemoRecorder::PlikZdarzen(const StacjaDemo& s) const {
  KG_TRACE("DemoRecorder::PlikZdarzen(const StacjaDemo &s)");
  return katalog + "/" + s.nazwa + "/events.txt";
}

String DemoRecorder::Sciezka(const StacjaDemo& s, Czas poczatek) const {
  return katalog + "/" + s.nazwa + "/" + RotterLayout(RotterLayout::Rodzaj::Accurate, s.sufiks, "", true).Sciezka(poczatek);
}

std::vector<KawalekDemo> DemoRecorder::Zaleglosci() const {
  KG_TRACE("DemoRecorder::Zaleglosci()");
  std::vector<KawalekDemo> out;
  for (const Zadanie& z : zadania) {
    if (out.empty() || !(out.back() == z.kawalek)) out.push_back(z.kawalek);
  }
  return out;
}

std::optional<Czas> DemoRecorder::PoczatekNaZywo(const String& katalog) {
  std::optional<Czas> zapisany;
  if (std::FILE* f = std::fopen((katalog + "/.demo-start").c_str(), "r")) {
    char b[64] = {};
    if (std::fgets(b, sizeof b, f) != nullptr) {
      String s(b);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      zapisany = EventsFile::ZIso(s);
    }
    std::fclose(f);
  }
  return zapisany;
}

void DemoRecorder::Start() {
  KG_TRACE("DemoRecorder::Start()");
  if (!watki.empty()) KG_ERROR("DemoRecorder już działa");
  for (const StacjaDemo& s : Stacje()) UtworzKatalogi(std::filesystem::path(katalog) / s.nazwa);
  const Czas teraz = Teraz();

  // The first start is remembered: the backlog ends where its live recording began.
  const String stan = katalog + "/.demo-start";
  const std::optional<Czas> zapisany = PoczatekNaZywo(katalog);
  if (zapisany) {
    poczatekNaZywo = *zapisany;
  } else {
    poczatekNaZywo = DemoSchedule::KawalekW(teraz, opcje.kawalek).poczatek;
    std::FILE* f = std::fopen(stan.c_str(), "w");
    if (f == nullptr) KG_ERROR(String(std::strerror(errno)) + " \"" + stan + "\"");
    std::fprintf(f, "%s\n", EventsFile::Iso(poczatekNaZywo).c_str());
    std::fclose(f);
  }
  poczatekZaleglosci = poczatekNaZywo - opcje.zaleglosci;

  // The backlog still missing, newest piece first, every station's piece of one moment
  // together.
  zadania.clear();
  nastepne = 0;
  sekundyRazem = 0;
  sekundyZaleglosci = 0;
  auto kawalki = DemoSchedule::Kawalki(poczatekZaleglosci, poczatekNaZywo, opcje.kawalek);
  std::reverse(kawalki.begin(), kawalki.end());
  for (const KawalekDemo& k : kawalki) {
    for (size_t i = 0; i < Stacje().size(); ++i) {
      struct stat st {};
      if (stat(Sciezka(Stacje()[i], k.poczatek).c_str(), &st) == 0) continue;
      zadania.push_back(Zadanie{i, k});
      sekundyRazem += static_cast<double>((k.koniec - k.poczatek).Wartosc()) / 1e7;
    }
  }
  pozostalo = static_cast<int>(zadania.size());
  if (zadania.empty()) gotowe.Set();

  // Events from the backlog's start on; after a restart, from the last one written.
  ostatnieZdarzenie = poczatekZaleglosci - Roznica::Godzina;
  for (const Zdarzenie& z : EventsFile(PlikZdarzen(Stacje()[0])).Czytaj()) {
    ostatnieZdarzenie = std::max(ostatnieZdarzenie, z.poczatek);
  }
  DopiszZdarzenia(teraz);

  stop = false;
  zatrzymaj.Reset();
  int n = opcje.watki > 0 ? opcje.watki
                          : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 3);
  n = std::min<int>(n, static_cast<int>(zadania.size()));
  for (int i = 0; i < n; ++i) {
    watki.push_back(std::make_unique<Watek>([this] { Zaleglosc(); }, &zatrzymaj));
    watki.back()->Start("demo-zaleglosci-" + std::to_string(i));
  }
  watki.push_back(std::make_unique<Watek>([this] { NaZywo(); }, &zatrzymaj));
  watki.back()->Start("demo-na-zywo");
}

void DemoRecorder::Stop() {
  KG_TRACE("DemoRecorder::Stop()");
  stop = true;
  zatrzymaj.Set();
  for (auto& w : watki) w->Finish();
  watki.clear();
}

bool DemoRecorder::CzekajNaZaleglosci(int ms) {
  KG_TRACE("DemoRecorder::CzekajNaZaleglosci(int ms)");
  return gotowe.WaitFor(ms);
}

void DemoRecorder::Zaleglosc() {
  // The live recording and the serving come first: the backlog takes what the processors
  // leave, so that a fresh demo plays at once on a small or busy machine.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
  for (;;) {
    Zadanie z;
    {
      Synchronized l(&sekcja);
      if (stop || nastepne >= zadania.size()) return;
      z = zadania[nastepne++];
    }
    const StacjaDemo& s = Stacje()[z.stacja];
    const String cel = Sciezka(s, z.kawalek.poczatek);
    const std::filesystem::path p(cel);
    const String tymczasowy = (p.parent_path() / ("." + p.filename().string() + ".part")).string();
    try {
      UtworzKatalogi(p.parent_path());
      {
        PisarzKawalka pisarz(s, Kod(s.czestotliwosc), z.kawalek, tymczasowy, opcje.cisze);
        while (!pisarz.Krok(std::numeric_limits<int64_t>::max(), s.czestotliwosc)) {
          if (stop) return;
        }
      }
      if (std::rename(tymczasowy.c_str(), cel.c_str()) != 0) KG_RAISE_LAST_SYSTEM_ERROR();
    } catch (const Exception& e) {
      Log(2, "demo: " + cel + ": " + e.Message(), KG_WHERE);
    }
    sekundyZaleglosci.fetch_add(static_cast<double>((z.kawalek.koniec - z.kawalek.poczatek).Wartosc()) / 1e7);
    if (opcje.poKawalku) opcje.poKawalku(cel);
    if (--pozostalo == 0) gotowe.Set();
  }
}

void DemoRecorder::DopiszZdarzenia(Czas doChwili) {
  if (doChwili <= ostatnieZdarzenie) return;
  std::vector<Zdarzenie> nowe;
  for (const Zdarzenie& z : DemoSchedule::Zdarzenia(ostatnieZdarzenie + Roznica(1), doChwili + Roznica(1))) {
    const bool wOknie = z.rodzaj == Zdarzenie::Rodzaj::Marker ? z.poczatek >= poczatekZaleglosci
                                                               : z.koniec > poczatekZaleglosci;
    if (wOknie) nowe.push_back(z);
  }
  ostatnieZdarzenie = doChwili;
  if (nowe.empty()) return;
  for (const StacjaDemo& s : Stacje()) {
    try {
      EventsFile(PlikZdarzen(s)).Dopisz(nowe);
    } catch (const Exception& e) {
      Log(2, "demo: " + PlikZdarzen(s) + ": " + e.Message(), KG_WHERE);
    }
  }
}

void DemoRecorder::NaZywo() {
  const size_t n = Stacje().size();
  std::vector<KawalekDemo> kawalki(n, DemoSchedule::KawalekW(Teraz(), opcje.kawalek));
  std::vector<std::unique_ptr<PisarzKawalka>> pisarze(n);
  while (!stop) {
    const Czas teraz = Teraz();
    DopiszZdarzenia(teraz);
    bool nadrabia = false;
    Czas nagrane = teraz;
    for (size_t i = 0; i < n; ++i) {
      const StacjaDemo& s = Stacje()[i];
      try {
        if (!pisarze[i]) {
          if (teraz < kawalki[i].poczatek) continue;  // in the break before the next run
          const String sciezka = Sciezka(s, kawalki[i].poczatek);
          UtworzKatalogi(std::filesystem::path(sciezka).parent_path());
          pisarze[i] = std::make_unique<PisarzKawalka>(s, Kod(s.czestotliwosc), kawalki[i], sciezka, opcje.cisze);
        }
        // A few seconds at a time, so that every station keeps up while one catches up.
        if (pisarze[i]->Krok(TimeCode::NumerProbki(teraz, s.czestotliwosc), s.czestotliwosc * 2)) {
          pisarze[i].reset();
          kawalki[i] = DemoSchedule::Nastepny(kawalki[i], opcje.kawalek);
          nadrabia = true;
          continue;
        }
        nagrane = std::min(nagrane, pisarze[i]->Zapisano());
        if (pisarze[i]->Zapisano() < teraz - Roznica::Sekunda) nadrabia = true;
      } catch (const Exception& e) {
        // A piece that cannot be written is given up; recording goes on with the next.
        Log(2, "demo: " + s.nazwa + ": " + e.Message(), KG_WHERE);
        pisarze[i].reset();
        kawalki[i] = DemoSchedule::Nastepny(kawalki[i], opcje.kawalek);
      }
    }
    nagraneDo = nagrane.Wartosc();
    if (!nadrabia) zatrzymaj.WaitFor(100);
  }
}
