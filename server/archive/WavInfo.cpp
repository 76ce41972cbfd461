#include "archive/WavInfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/WavWriter3.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/TimeZone.h"

namespace {

uint32_t U32(const unsigned char* b) {
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
}
uint16_t U16(const unsigned char* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }

void Zapisz32(unsigned char* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Zapisz16(unsigned char* b, uint16_t v) {
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
}

bool Drukowalny(const unsigned char* id) {
  for (int i = 0; i < 4; ++i) {
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  }
  return true;
}

ssize_t CzytajWszystko(int fd, unsigned char* b, size_t n, off_t od) {
  size_t mam = 0;
  while (mam < n) {
    const ssize_t r = pread(fd, b + mam, n - mam, od + static_cast<off_t>(mam));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    mam += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(mam);
}

constexpr int kBext = 602;

}  // namespace

std::optional<WavInfo> WavInfo::Czytaj(int fd, int64_t rozmiar) {
  KG_TRACE("WavInfo::Czytaj(int fd, int64_t rozmiar)");
  std::vector<unsigned char> b(static_cast<size_t>(std::min<int64_t>(rozmiar, 1 << 16)));
  const ssize_t n = CzytajWszystko(fd, b.data(), b.size(), 0);
  if (n < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  WavInfo w;
  bool maFmt = false;
  int64_t p = 12;
  while (p + 8 <= n) {
    const unsigned char* id = b.data() + p;
    const uint32_t rozm = U32(id + 4);
    const unsigned char* cialo = id + 8;
    const int64_t dostepne = n - (p + 8);
    if (std::memcmp(id, "fmt ", 4) == 0 && rozm >= 16 && dostepne >= 16) {
      int tag = U16(cialo);
      if (tag == 0xFFFE && rozm >= 40 && dostepne >= 40) tag = U16(cialo + 24);
      w.kanaly = U16(cialo + 2);
      w.czestotliwosc = static_cast<int>(U32(cialo + 4));
      w.blok = U16(cialo + 12);
      const int bity = U16(cialo + 14);
      if (tag != 1 || bity != 16 || w.kanaly < 1 || w.czestotliwosc <= 0 || w.blok != 2 * w.kanaly) {
        return std::nullopt;
      }
      maFmt = true;
    } else if (std::memcmp(id, "bext", 4) == 0 && rozm >= 346 && dostepne >= 346) {
      w.maBext = true;
      w.bextData = String(reinterpret_cast<const char*>(cialo + 320), 10);
      w.bextProbki = U32(cialo + 338) | static_cast<uint64_t>(U32(cialo + 342)) << 32;
    } else if (std::memcmp(id, "data", 4) == 0) {
      if (!maFmt) return std::nullopt;
      w.dane = p + 8;
      const int64_t zostalo = rozmiar - w.dane;
      int64_t ile = rozm;
      if (rozm == 0 || rozm == 0xFFFFFFFFu || rozm > zostalo) {
        ile = zostalo;
      } else if (rozm < zostalo) {
        // A chunk after the samples keeps the stated size; anything else means the sizes
        // were written before the last samples were.
        unsigned char nastepny[8];
        const int64_t po = w.dane + rozm + (rozm & 1);
        const bool jestChunk = po + 8 <= rozmiar && CzytajWszystko(fd, nastepny, 8, static_cast<off_t>(po)) == 8 &&
                               Drukowalny(nastepny) && U32(nastepny + 4) <= rozmiar - po - 8;
        if (!jestChunk) ile = zostalo;
      }
      w.ileDanych = ile - ile % w.blok;
      return w;
    }
    p += 8 + static_cast<int64_t>(rozm) + (rozm & 1);
  }
  return std::nullopt;
}

std::optional<Czas> WavInfo::BextPoczatek() const {
  KG_TRACE("WavInfo::BextPoczatek()");
  if (!maBext || bextData.size() != 10 || czestotliwosc <= 0) return std::nullopt;
  int v[3] = {0, 0, 0};
  const int pozycje[3] = {0, 5, 8};
  const int dlugosci[3] = {4, 2, 2};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < dlugosci[i]; ++j) {
      const char c = bextData[static_cast<size_t>(pozycje[i] + j)];
      if (c < '0' || c > '9') return std::nullopt;
      v[i] = v[i] * 10 + (c - '0');
    }
  }
  if (v[0] < 1601 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > kalendarz::DniMiesiaca(v[0], v[1])) {
    return std::nullopt;
  }
  const int64_t polnoc = kalendarz::NumerDnia(v[0], v[1], v[2]) * Roznica::Dzien.Wartosc();
  const uint64_t sekundy = bextProbki / static_cast<uint64_t>(czestotliwosc);
  const int64_t reszta = static_cast<int64_t>(bextProbki % static_cast<uint64_t>(czestotliwosc));
  // The reference may run past the day, but not beyond the last date the field can state:
  // a start after 9999-12-31 is no start (and would not fit the time scale).
  static const int64_t kRok10000 = kalendarz::NumerDnia(10000, 1, 1) * Roznica::Dzien.Wartosc();
  if (sekundy >= static_cast<uint64_t>((kRok10000 - polnoc) / 10'000'000)) return std::nullopt;
  return Czas(polnoc + static_cast<int64_t>(sekundy) * 10'000'000 + reszta * 10'000'000 / czestotliwosc);
}

BroadcastWavWriter::BroadcastWavWriter(const String& sciezka, int czestotliwosc, int k, Czas start, bool utc)
    : kanaly(k) {
  KG_TRACE("BroadcastWavWriter::BroadcastWavWriter(const String &sciezka, int czestotliwosc, int k, Czas start, bool utc)");
  const Czas zapisany = utc ? start : TimeZone::Biezaca().Lokalny(start).lokalny;
  const SystemTime d = zapisany.Kalendarz();
  const int64_t polnoc = kalendarz::NumerDnia(d.wYear, d.wMonth, d.wDay) * Roznica::Dzien.Wartosc();
  const int64_t odPolnocy = zapisany.Wartosc() - polnoc;
  const uint64_t referencja = static_cast<uint64_t>(odPolnocy / 10'000'000 * czestotliwosc +
                                                    odPolnocy % 10'000'000 * czestotliwosc / 10'000'000);

  // The "bext" chunk: originator, origination date and time, the time reference in
  // samples since midnight, version 1.
  String bext(kBext, '\0');
  unsigned char* cialo = reinterpret_cast<unsigned char*>(bext.data());
  static const char kOriginator[] = "korwendo-server";
  std::memcpy(cialo + 256, kOriginator, sizeof kOriginator - 1);
  char data[32];
  std::snprintf(data, sizeof data, "%04d-%02d-%02d", d.wYear, d.wMonth, d.wDay);
  std::memcpy(cialo + 320, data, 10);
  char czas[32];
  std::snprintf(czas, sizeof czas, "%02d:%02d:%02d", d.wHour, d.wMinute, d.wSecond);
  std::memcpy(cialo + 330, czas, 8);
  Zapisz32(cialo + 338, static_cast<uint32_t>(referencja));
  Zapisz32(cialo + 342, static_cast<uint32_t>(referencja >> 32));
  Zapisz16(cialo + 346, 1);

  WAVEFORMATEX f;
  f.nChannels = static_cast<uint16_t>(k);
  f.nSamplesPerSec = static_cast<uint32_t>(czestotliwosc);
  wav = std::make_unique<WavWriter3>(sciezka, f, std::vector<WavWriter3::DodatkowyChunk>{{"bext", bext}});
}

BroadcastWavWriter::~BroadcastWavWriter() = default;

void BroadcastWavWriter::Dopisz(const int16_t* pcm, int ile) {
  KG_TRACE("BroadcastWavWriter::Dopisz(const int16_t *pcm, int ile)");
  KG_ASSERT(wav != nullptr);
  const size_t n = static_cast<size_t>(ile) * static_cast<size_t>(kanaly);
  std::vector<unsigned char> b(n * 2);
  for (size_t i = 0; i < n; ++i) Zapisz16(b.data() + 2 * i, static_cast<uint16_t>(pcm[i]));
  wav->Write(b.data(), static_cast<int>(b.size()));
  probki += ile;
}

void BroadcastWavWriter::Zamknij() {
  KG_TRACE("BroadcastWavWriter::Zamknij()");
  if (!wav) return;
  const std::unique_ptr<WavWriter3> w = std::move(wav);
  w->Stop();
}
