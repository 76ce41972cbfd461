// One connection of the archive server, driven without a socket over a small real archive
// (made once per process in a temporary directory: a station of MPEG files with an events
// file, one of a Broadcast WAV file, an empty one and one whose directory is missing).
// The input is a sequence of operations, each a byte and its arguments, read from the
// front (a missing byte reads as 0):
//   0 raw bytes: length (2 bytes, at most 4096), the bytes       -> Odbierz
//   1 the server's pump                                          -> Pompuj
//   2 time passes: 10 ms units (2 bytes)                         -> Zegar
//   3 the socket took bytes: count (2 bytes; 0 takes the whole queue) -> Wyslano
//   4 a station changed: station, flags (1 audio, 2 events, bits 2-3 and 4-5 the numbers
//     of intervals that appeared and went), each interval as in 6 -> ZmianaStacji
//   5 a command: length (1 byte), the text, where its packet is split (1 byte) -> Odbierz
//   6 an export: number of intervals (1 byte), each a start (2 bytes, signed, 100 ms from
//     the archive's first moment) and a length (2 bytes, 10 ms)  -> Odbierz
//   7 any packet: type, version, description (1 byte length), payload (2 bytes length)
// Feeding stops once the connection must end. The connection may fail only by ending
// itself; what it queues must be a stream of well-formed packets that decode, within the
// configured output limit while it lives, with at most one audio packet queued past the
// audio limit, and playback audio of one request moving forward in time.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFixtures.h"
#include "archive/WavInfo.h"
#include "common/PaczkaAudio.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "fuzz/FuzzSupport.h"
#include "net/Klient.h"
#include "net/Stacja.h"
#include "transport/Paczka2.h"

// The archive server's classes; the client's of the same names are klient::.
using namespace serwer;

namespace {

const Czas kT0 = fixtures::Utc(2024, 5, 1, 10);
const Roznica kS = Roznica::Sekunda;
const Roznica kMs = Roznica::Milisekunda;

// KG_FUZZ_SLAD set: every packet the server sends is printed, to follow one input.
const bool kSlad = std::getenv("KG_FUZZ_SLAD") != nullptr;

[[noreturn]] void Fail(const char* what, int op = -1) {
  std::fprintf(stderr, "%s (operation %d)\n", what, op);
  std::abort();
}

Klient::Ustawienia Ustawienia() {
  Klient::Ustawienia u;
  // Small budgets and limits, so that short inputs reach them.
  u.zapasPoczatkowy = kS * 2;
  u.zapasNaProsbe = kS;
  u.zapasMaks = kS * 4;
  u.pierwszyPakiet = kMs * 100;
  u.pakiet = kMs * 500;
  u.limitAudio = 8 * 1024;
  u.limitWyjscia = 32 * 1024;
  u.limitPakietu = 2 * 1024;
  u.limitEksportu = 8 * 1024;
  return u;
}

// The stations, made once and never changed: every input meets the same archive.
struct Archiwa {
  std::string katalog;
  std::vector<std::unique_ptr<Stacja>> stacje;

  Archiwa() {
    SetLogBaseDirectory("/dev/null");  // the connection's log lines go nowhere here
    // One directory per process, named after it: a process that crashed cannot remove its
    // own, so each start removes those of processes that are gone.
    const std::string przedrostek = "kg-fuzz-klient-";
    std::error_code e;
    for (const auto& w : std::filesystem::directory_iterator("/tmp", e)) {
      const std::string nazwa = w.path().filename().string();
      if (nazwa.rfind(przedrostek, 0) != 0) continue;
      const long pid = std::strtol(nazwa.c_str() + przedrostek.size(), nullptr, 10);
      if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) std::filesystem::remove_all(w.path(), e);
    }
    katalog = "/tmp/" + przedrostek + std::to_string(getpid());
    std::filesystem::remove_all(katalog, e);
    static std::string doUsuniecia;
    doUsuniecia = katalog;
    std::atexit([] {
      std::error_code blad;
      std::filesystem::remove_all(doUsuniecia, blad);
    });

    // A: 4 s of layer III cut into two files at a frame, a gap, 2 s of layer II from
    // T0 + 10 s; events and a marker over them.
    const RotterLayout mp3(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
    const std::string a = katalog + "/a";
    fixtures::Strumien s1(fixtures::Strumien::Warstwa::III, kT0);
    s1.Cisza(kS * 4);
    const int64_t k = s1.RamkaW(kT0 + kS * 2);
    fixtures::Zapisz(a, mp3.Sciezka(kT0), s1.Bajty().substr(0, static_cast<size_t>(s1.Offset(k))), Czas::Teraz());
    fixtures::Zapisz(a, mp3.Sciezka(s1.CzasRamki(k)), s1.Bajty().substr(static_cast<size_t>(s1.Offset(k))),
                     Czas::Teraz());
    fixtures::Strumien s2(fixtures::Strumien::Warstwa::II, kT0 + kS * 10, 48000, 2, 192);
    s2.Cisza(kS * 2);
    fixtures::Zapisz(a, mp3.Sciezka(kT0 + kS * 10), s2.Bajty(), Czas::Teraz());
    std::ofstream(katalog + "/a.txt") << "# events\n"
                                         "event\tWiadomości\t2024-05-01T10:00:01.000Z\t2024-05-01T10:00:02.500Z\n"
                                         "event\tWiadomości\t2024-05-01T10:00:10.500Z\t2024-05-01T10:00:11.000Z\n"
                                         "event\tReklamy\t2024-05-01T10:00:03.000Z\t2024-05-01T10:00:20.000Z\n"
                                         "marker\tSygnał\t2024-05-01T10:00:05.000Z\n";

    // B: 2 s of 8 kHz mono in a Broadcast WAV file from T0 + 1 s.
    const RotterLayout wav(RotterLayout::Rodzaj::Accurate, "wav", "", true);
    const std::filesystem::path b = std::filesystem::path(katalog + "/b") / wav.Sciezka(kT0 + kS);
    std::filesystem::create_directories(b.parent_path());
    {
      BroadcastWavWriter w(b.string(), 8000, 1, kT0 + kS, true);
      const std::vector<int16_t> cisza(16000, 0);
      w.Dopisz(cisza.data(), 16000);
      w.Zamknij();
    }
    std::filesystem::create_directories(katalog + "/pusta");

    Dodaj("A", a, "mp3", katalog + "/a.txt");
    Dodaj("B", katalog + "/b", "wav", "");
    Dodaj("Pusta", katalog + "/pusta", "mp3", "");
    Dodaj("Brak", katalog + "/brak", "mp3", "");
    for (auto& s : stacje) s->Odswiez();
    if (stacje[0]->Audio().Wszystkie().size() != 2 || stacje[1]->Audio().Wszystkie().size() != 1) {
      Fail("the fixture archive is not read as made");
    }
  }

  void Dodaj(const String& nazwa, const String& kat, const String& sufiks, const String& iwenty) {
    KonfiguracjaStacji k;
    k.nazwa = nazwa;
    k.katalog = kat;
    k.uklad = "accurate";
    k.sufiks = sufiks;
    k.utc = true;
    k.iwenty = iwenty;
    stacje.push_back(std::make_unique<Stacja>(k));
  }
};

Archiwa& Fixture() {
  static Archiwa* a = new Archiwa;  // lives for the process, its directory until exit
  return *a;
}

struct Czytnik {
  const std::uint8_t* d;
  size_t n;
  size_t i = 0;
  bool Koniec() const { return i >= n; }
  unsigned U8() { return i < n ? d[i++] : 0u; }
  unsigned U16() { return U8() | U8() << 8; }
  std::string Bajty(size_t k) {
    k = std::min(k, n - std::min(i, n));
    std::string s(reinterpret_cast<const char*>(d + i), k);
    i += k;
    return s;
  }
  Przedzial Okres() {
    const Czas od = kT0 + kMs * (static_cast<int16_t>(U16()) * 100);
    return Przedzial(od, od + kMs * (static_cast<int>(U16()) * 10));
  }
};

std::string NaBajty(const Paczka2& p) {
  Core c;
  p.WriteTo(c);
  return std::string(c.Data() ? c.Data() : "", static_cast<size_t>(c.Size()));
}

// The client's side of the connection: takes what the server sends and checks it.
class Odbiorca {
 public:
  explicit Odbiorca(const Klient::Ustawienia& ust) : u(ust) {}

  // Sends at most n bytes of the front of the queue (the rest of it when n is 0).
  void Wyslij(Klient& k, size_t n, int op) {
    if (!k.MaDoWyslania()) return;
    const size_t ile = n == 0 ? k.Ile() : std::min(n, k.Ile());
    Przyjmij(k.Dane(), ile, op);
    czesciowo = ile < k.Ile();
    k.Wyslano(ile);
  }

  // Sends the whole queue, checking the limits on what was queued.
  void Oproznij(Klient& k, int op) {
    size_t razem = 0;
    size_t audio = 0;
    size_t ostatnie = 0;
    bool pierwszy = true;
    while (k.MaDoWyslania()) {
      const size_t ile = k.Ile();
      // A whole packet (every piece of the queue is one) tells its type by its name.
      if (!(pierwszy && czesciowo) && ile >= 14) {
        const auto* b = reinterpret_cast<const unsigned char*>(k.Dane());
        const uint32_t dlugosc = b[10] | b[11] << 8 | b[12] << 16 | static_cast<uint32_t>(b[13]) << 24;
        if (dlugosc == 11 && ile >= 25 && std::memcmp(k.Dane() + 14, "PaczkaAudio", 11) == 0) {
          audio += ile;
          ostatnie = ile;
        }
      }
      razem += ile;
      pierwszy = false;
      Wyslij(k, 0, op);
    }
    czesciowo = false;
    if (k.Zamknij()) return;
    if (razem > u.limitWyjscia) Fail("more queued than the output limit", op);
    if (audio > 0 && audio - ostatnie >= u.limitAudio) Fail("audio queued past its limit by more than a packet", op);
  }

 private:
  void Przyjmij(const char* b, size_t n, int op) {
    try {
      odbior.Write(b, static_cast<int>(n));
      while (odbior.Skonczyl()) {
        Pakiet(op);
        odbior.Write(nullptr, 0);
      }
    } catch (const Exception& e) {
      Fail(("the server sent a malformed packet: " + e.Message()).c_str(), op);
    }
  }

  void Pakiet(int op) {
    if (odbior.Nazwa == "String") {
      const String s = odbior.DajString();
      if (kSlad) std::fprintf(stderr, "[%d] \"%s\"\n", op, s.c_str());
      return;
    }
    if (kSlad) std::fprintf(stderr, "[%d] %s \"%s\"\n", op, odbior.Nazwa.c_str(), odbior.Opis.c_str());
    if (odbior.Nazwa == "PaczkaAudio") {
      PaczkaAudio a;
      odbior.Wyjmij(a);
      if (kSlad) {
        std::fprintf(stderr, "    %d %s +%.3f s, %d bytes\n", a.numeraudia, a.format.c_str(),
                     static_cast<double>((a.czas - kT0).Wartosc()) / 1e7, a.dane.Size());
      }
      if (a.numeraudia < 2 || a.dane.Size() <= 0 || a.format.empty()) Fail("an audio packet without audio", op);
      if (odbior.Opis == "export") return;
      if (!odbior.Opis.empty()) Fail("an audio packet of another description", op);
      if (a.numeraudia == numer && a.czas < czas) Fail("playback audio of one request went back in time", op);
      numer = a.numeraudia;
      czas = a.czas;
      return;
    }
    // Several types travel under one name (an update bears its object's name): the
    // packet must be one of them.
    String blad = "no type of that name";
    for (const auto& make : fuzz::ProtocolTypes()) {
      std::unique_ptr<Transportable> t = make();
      if (t->Name() != odbior.Nazwa) continue;
      try {
        odbior.Wyjmij(*t);
        return;
      } catch (const Exception& e) {
        blad = e.Message();
      }
    }
    Fail(("the server sent a packet that does not decode: " + odbior.Nazwa + " " + odbior.Opis + ": " + blad).c_str(),
         op);
  }

  const Klient::Ustawienia u;
  Paczka2 odbior;
  bool czesciowo = false;  // the front of the queue was partly sent
  int numer = -1;
  Czas czas;
};

const char* const kNazwy[] = {"String", "Przedzialy", "PaczkaAudio", "PrzedzialyAudio", "BazaZintegrowana", "X"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  Archiwa& arch = Fixture();
  const Klient::Ustawienia ust = Ustawienia();
  Czas teraz = kT0 + Roznica::Minuta;
  Klient k(arch.stacje, ust, teraz);
  Odbiorca klient(ust);
  Czytnik in{data, size};

  int op = 0;
  try {
    for (; !in.Koniec() && !k.Zamknij(); ++op) {
      if (k.ZamknijPoWyslaniu() && !k.MaDoWyslania()) break;
      switch (in.U8() % 8) {
        case 0: {
          const std::string b = in.Bajty(in.U16() % 4097);
          k.Odbierz(b.data(), b.size(), teraz);
          break;
        }
        case 1:
          k.Pompuj(teraz);
          break;
        case 2:
          teraz = teraz + kMs * (static_cast<int>(in.U16()) * 10);
          k.Zegar(teraz);
          break;
        case 3: {
          const unsigned n = in.U16();
          if (n == 0) {
            klient.Oproznij(k, op);
          } else {
            klient.Wyslij(k, n, op);
          }
          break;
        }
        case 4: {
          Stacja& s = *arch.stacje[in.U8() % arch.stacje.size()];
          const unsigned f = in.U8();
          Stacja::Zmiany z;
          z.audio = (f & 1) != 0;
          z.iwenty = (f & 2) != 0;
          z.plus.tolerancja = Roznica(0);
          z.minus.tolerancja = Roznica(0);
          for (unsigned i = 0; i < (f >> 2 & 3); ++i) z.plus.Add(in.Okres());
          for (unsigned i = 0; i < (f >> 4 & 3); ++i) z.minus.Add(in.Okres());
          k.ZmianaStacji(s, z);
          break;
        }
        case 5: {
          const std::string tekst = in.Bajty(in.U8());
          const std::string b = NaBajty(Paczka2(tekst));
          const size_t podzial = in.U8() % (b.size() + 1);
          k.Odbierz(b.data(), podzial, teraz);
          if (!k.Zamknij()) k.Odbierz(b.data() + podzial, b.size() - podzial, teraz);
          break;
        }
        case 6: {
          Przedzialy p;
          p.tolerancja = Roznica(0);
          const unsigned ile = in.U8() % 9;
          for (unsigned i = 0; i < ile; ++i) p.Add(in.Okres());
          const std::string b = NaBajty(Paczka2(p, "export"));
          k.Odbierz(b.data(), b.size(), teraz);
          break;
        }
        default: {
          Paczka2 p;
          p.Nazwa = kNazwy[in.U8() % std::size(kNazwy)];
          p.Wersja = static_cast<int8_t>(in.U8());
          p.Opis = in.Bajty(in.U8());
          const std::string dane = in.Bajty(in.U16() % 2049);
          p.core.InsertAt(0, dane.data(), static_cast<int>(dane.size()));
          const std::string b = NaBajty(p);
          k.Odbierz(b.data(), b.size(), teraz);
          break;
        }
      }
      if (k.MaDoWyslania() && (k.Ile() == 0 || k.Dane() == nullptr)) Fail("an empty piece queued", op);
    }
    if (k.Zamknij() && k.Powod().empty()) Fail("a connection ends without a reason", op);
    klient.Oproznij(k, op);
    if (k.MaDoWyslania()) Fail("the queue does not empty", op);
  } catch (const Exception& e) {
    Fail(("the connection raised: " + e.Message()).c_str(), op);
  } catch (const std::exception& e) {
    Fail((String("the connection raised: ") + e.what()).c_str(), op);
  }
  return 0;
}
