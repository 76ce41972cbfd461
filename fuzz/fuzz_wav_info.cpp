// WAV files of the archive: arbitrary bytes read as a RIFF/WAVE header with its "fmt ",
// "bext" and "data" chunks (at their true size, or at a size taken before the file was cut
// shorter), and files that the Broadcast WAV writer makes from parameters in the input,
// read back. Reading never raises; what it accepts describes 16-bit PCM whose samples lie
// inside the file; the Broadcast WAV start stays a time the calendar can state. A written
// file reads back to its format, its samples and its start, to the sample.
//
// The first byte chooses: 7 in its low three bits writes a file, anything else reads the
// rest of the input as a file (bit 3 claiming a size larger than the bytes).
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/WavInfo.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "fuzz/FuzzSupport.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

int Plik() {
  static const int fd = [] {
    const int f = memfd_create("fuzz_wav_info", MFD_CLOEXEC);
    if (f < 0) Fail("memfd_create");
    return f;
  }();
  return fd;
}

const Czas kRok1601 = Czas(kalendarz::NumerDnia(1601, 1, 1) * Roznica::Dzien.Wartosc());
const Czas kRok10000 = Czas(kalendarz::NumerDnia(10000, 1, 1) * Roznica::Dzien.Wartosc());

void Sprawdz(const WavInfo& w, int64_t rozmiar) {
  if (w.kanaly < 1 || w.czestotliwosc <= 0 || w.blok != 2 * w.kanaly) Fail("not a 16-bit PCM format");
  if (w.dane < 20 || w.dane > rozmiar) Fail("samples begin outside the file");
  if (w.ileDanych < 0 || w.ileDanych % w.blok != 0 || w.dane + w.ileDanych > rozmiar) Fail("samples run outside the file");
  if (w.LiczbaProbek() != w.ileDanych / w.blok) Fail("sample count");
  if (w.maBext && w.bextData.size() != 10) Fail("bext date of another length");
  if (const auto t = w.BextPoczatek()) {
    if (!w.maBext) Fail("a start without a bext chunk");
    if (*t < kRok1601 || *t >= kRok10000) Fail("bext start outside the calendar's dates");
  }
}

struct Czytnik {
  const std::uint8_t* d;
  size_t n;
  size_t i = 0;
  std::uint64_t Liczba(int bajtow) {
    std::uint64_t v = 0;
    for (int k = 0; k < bajtow; ++k) v |= static_cast<std::uint64_t>(i < n ? d[i++] : 0) << (8 * k);
    return v;
  }
};

void Zapis(const std::uint8_t* data, size_t size) {
  Czytnik c{data, size};
  const int czestotliwosc = 1 + static_cast<int>(c.Liczba(4) % 384000);
  const int kanaly = 1 + static_cast<int>(c.Liczba(1) % 8);
  const Czas start(static_cast<int64_t>(c.Liczba(8) % static_cast<std::uint64_t>((kRok10000 - kRok1601).Wartosc())) +
                   kRok1601.Wartosc());
  const int ramek = static_cast<int>(c.Liczba(2) % 4096);
  std::vector<int16_t> pcm(static_cast<size_t>(ramek * kanaly));
  for (int16_t& s : pcm) s = static_cast<int16_t>(c.Liczba(2));

  const int fd = Plik();
  const std::string sciezka = "/proc/self/fd/" + std::to_string(fd);
  int64_t rozmiar = 0;
  try {
    BroadcastWavWriter w(sciezka, czestotliwosc, kanaly, start, true);
    // In two appends, as a recorder writes it.
    const int pierwsze = ramek / 2;
    w.Dopisz(pcm.data(), pierwsze);
    w.Dopisz(pcm.data() + static_cast<size_t>(pierwsze * kanaly), ramek - pierwsze);
    w.Zamknij();
  } catch (const Exception& e) {
    Fail(("writing raised: " + e.Message()).c_str());
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) Fail("fstat");
  rozmiar = st.st_size;
  const auto w = WavInfo::Czytaj(fd, rozmiar);
  if (!w) Fail("a written file does not read");
  Sprawdz(*w, rozmiar);
  if (w->kanaly != kanaly || w->czestotliwosc != czestotliwosc || w->LiczbaProbek() != ramek ||
      w->dane + w->ileDanych != rozmiar) {
    Fail("a written file reads another format or sample count");
  }
  std::vector<unsigned char> b(static_cast<size_t>(w->ileDanych));
  if (!b.empty() && pread(fd, b.data(), b.size(), static_cast<off_t>(w->dane)) != static_cast<ssize_t>(b.size())) {
    Fail("pread");
  }
  for (size_t k = 0; k < pcm.size(); ++k) {
    if (static_cast<int16_t>(b[2 * k] | b[2 * k + 1] << 8) != pcm[k]) Fail("a written sample reads back changed");
  }
  // The start as a whole sample: at the moment written or less than one sample before it.
  const auto t = w->BextPoczatek();
  if (!t) Fail("a written start does not read back");
  const int64_t roznica = (start - *t).Wartosc();
  if (roznica < 0 || roznica > 10'000'000 / czestotliwosc + 1) Fail("a written start reads back moved");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  if (size == 0) return 0;
  if ((data[0] & 7) == 7) {
    Zapis(data + 1, size - 1);
    return 0;
  }
  const int fd = Plik();
  if (ftruncate(fd, 0) != 0) Fail("ftruncate");
  const size_t n = size - 1;
  if (n > 0 && pwrite(fd, data + 1, n, 0) != static_cast<ssize_t>(n)) Fail("pwrite");
  // A size taken before the file was cut shorter: reading stops at the bytes there are.
  const int64_t rozmiar = static_cast<int64_t>(n) + ((data[0] & 8) != 0 ? data[0] * 97 : 0);
  std::optional<WavInfo> w;
  try {
    w = WavInfo::Czytaj(fd, rozmiar);
  } catch (...) {
    Fail("reading raised");
  }
  if (w) Sprawdz(*w, rozmiar);
  return 0;
}
