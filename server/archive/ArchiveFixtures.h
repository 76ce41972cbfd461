#pragma once
// Fixtures of the archive tests and benchmarks: MPEG streams whose every frame's time is
// known (the demo time code encoded so that its samples decode at their own times, or
// silent frames, of any bit rate, that cost nothing to make), cut into files as the Rotter
// logger writes them, and written with the modification times Rotter leaves. Header-only;
// never part of the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/FrameIndex.h"
#include "archive/MpegEncoder.h"
#include "archive/TimeCode.h"
#include "core/Czas.h"
#include "mpeg/Mp3Header.h"
#include "support/CzasTestowy.h"

namespace fixtures {

using ::Utc;

// A continuous MPEG stream: frame k decodes to the samples that play from CzasRamki(k).
class Strumien {
 public:
  enum class Warstwa { II, III };

  // `start` must lie on a sample of `rate`.
  Strumien(Warstwa w, Czas start, int rate = 44100, int kanaly = 2, int kbps = 128)
      : warstwa(w), rate_(rate), kanaly_(kanaly), kbps_(kbps),
        startProbka(TimeCode::NumerProbki(start, rate)), kod(rate) {
    ramki.push_back(0);
    // A template header of this format, for silent frames.
    std::string jedna;
    auto e = Enkoder();
    std::vector<int16_t> cisza(static_cast<size_t>(rate_ / 5 * kanaly_), 0);
    e->Koduj(cisza.data(), rate_ / 5, jedna);
    e->Zakoncz(jedna);
    if (jedna.size() < 4) throw std::runtime_error("no frame");
    wzor = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(jedna.data())).Value() & ~0x200u;
    spf = Mp3Header(wzor).SamplesPerFrame();
  }

  int Rate() const { return rate_; }
  int Spf() const { return spf; }
  int64_t LiczbaRamek() const { return static_cast<int64_t>(ramki.size()) - 1; }
  Czas CzasRamki(int64_t k) const { return TimeCode::CzasProbki(startProbka + k * spf, rate_); }
  int64_t RamkaW(Czas t) const { return (TimeCode::NumerProbki(t, rate_) - startProbka) / spf; }
  int64_t Offset(int64_t k) const { return ramki[static_cast<size_t>(k)]; }
  const std::string& Bajty() const { return bajty; }
  Czas Koniec() const { return CzasRamki(LiczbaRamek()); }

  // Appends the time code for at least `d`, encoded by a fresh encoder fed from the moment
  // the first new frame's samples play plus the codec's delay.
  void Kod(Roznica d) {
    const int64_t n = (d.Wartosc() * rate_ + 10'000'000LL * spf - 1) / (10'000'000LL * spf);
    auto e = Enkoder();
    const int64_t od = startProbka + LiczbaRamek() * spf + e->Opoznienie();
    std::string out;
    std::vector<int16_t> pcm;
    int64_t podane = 0;
    while (static_cast<int64_t>(Policz(out)) < n) {
      const int ile = rate_ / 2;
      if (podane > (n + 4) * spf) {
        e->Zakoncz(out);
        break;
      }
      pcm.resize(static_cast<size_t>(ile * kanaly_));
      kod.Probki(od + podane, ile, kanaly_, pcm.data());
      e->Koduj(pcm.data(), ile, out);
      podane += ile;
    }
    Dolacz(out, n);
  }

  // Appends silent frames for at least `d`; with `bitrates` (indices of the bit rate
  // table), frame k takes bitrates[k % size]: a stream of varying bit rate.
  void Cisza(Roznica d, const std::vector<int>& bitrates = {}) {
    const int64_t n = (d.Wartosc() * rate_ + 10'000'000LL * spf - 1) / (10'000'000LL * spf);
    for (int64_t k = 0; k < n; ++k) {
      uint32_t h = wzor;
      if (!bitrates.empty()) h = (h & ~0xF000u) | static_cast<uint32_t>(bitrates[static_cast<size_t>(k) % bitrates.size()]) << 12;
      const int dlugosc = Mp3Header(h).FrameLength();
      std::string f(static_cast<size_t>(dlugosc), '\0');
      for (int i = 0; i < 4; ++i) f[static_cast<size_t>(i)] = static_cast<char>(h >> (24 - 8 * i));
      bajty += f;
      ramki.push_back(static_cast<int64_t>(bajty.size()));
    }
  }

 private:
  std::unique_ptr<MpegEncoder> Enkoder() const {
    if (warstwa == Warstwa::III) return std::make_unique<LameEncoder>(rate_, kanaly_, kbps_);
    return std::make_unique<TwolameEncoder>(rate_, kanaly_, kbps_);
  }
  static size_t Policz(const std::string& s) {
    size_t n = 0;
    for (size_t p = 0; p + 4 <= s.size(); ++n) {
      p += static_cast<size_t>(Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(s.data() + p)).FrameLength());
    }
    return n;
  }
  void Dolacz(const std::string& out, int64_t n) {
    size_t p = 0;
    for (int64_t k = 0; k < n && p + 4 <= out.size(); ++k) {
      const size_t l = static_cast<size_t>(
          Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(out.data() + p)).FrameLength());
      bajty.append(out, p, l);
      ramki.push_back(static_cast<int64_t>(bajty.size()));
      p += l;
    }
  }

  Warstwa warstwa;
  int rate_;
  int kanaly_;
  int kbps_;
  int64_t startProbka;
  TimeCode kod;
  uint32_t wzor = 0;
  int spf = 1152;
  std::string bajty;
  std::vector<int64_t> ramki;
};

// How much later than the end of its audio Rotter last writes an MP3 file: JACK's period
// and libmp3lame's buffers, and a quarter of the ring buffer more when it closes the file
// for the next one (KonfiguracjaArchiwum's defaults).
inline const Roznica kKoder = Roznica::Milisekunda * (13 + 88);
inline const Roznica kZamkniecie = Roznica::Milisekunda * (500 + 13 + 88);

// The 128-byte ID3v1 block Rotter ends a file with: "Recorded YYYY-MM-DD HH:MM" for the
// time value `nazwany` (as the name states it, local or UTC).
inline std::string Tag(Czas nazwany, bool minuty = false) {
  const SystemTime t = nazwany.Kalendarz();
  char tytul[64];
  std::snprintf(tytul, sizeof tytul, "Recorded %04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                minuty ? t.wMinute : 0);
  Id3v1 tag;
  tag.tytul = tytul;
  tag.wykonawca = "fixture-host";
  tag.komentarz = "Created by rotter v0.9";
  unsigned char b[Id3v1::kRozmiar];
  tag.Zapisz(b);
  return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

// The byte at which Rotter's cut falls when it changes files at `t`: `wRamce` bytes into
// the frame that plays then.
inline int64_t Ciecie(const Strumien& s, Czas t, int wRamce = 100) { return s.Offset(s.RamkaW(t)) + wRamce; }

// Writes `bajty` to katalog/wzgledna (making directories) and sets its modification time.
inline void Zapisz(const std::string& katalog, const std::string& wzgledna, const std::string& bajty, Czas mtime) {
  const std::filesystem::path p = std::filesystem::path(katalog) / wzgledna;
  std::filesystem::create_directories(p.parent_path());
  {
    std::ofstream f(p, std::ios::binary);
    f.write(bajty.data(), static_cast<std::streamsize>(bajty.size()));
    if (!f) throw std::runtime_error("cannot write " + p.string());
  }
  const int64_t t = mtime.Wartosc() - TimeCode::kEpokaUnix;
  timespec czasy[2];
  czasy[0].tv_sec = czasy[1].tv_sec = static_cast<time_t>(t / 10'000'000);
  czasy[0].tv_nsec = czasy[1].tv_nsec = static_cast<long>(t % 10'000'000 * 100);
  if (utimensat(AT_FDCWD, p.c_str(), czasy, 0) != 0) throw std::runtime_error("utimensat");
}

// Appends `bajty` to katalog/wzgledna, as a writer adds to a file it is recording.
inline void Dopisz(const std::string& katalog, const std::string& wzgledna, const std::string& bajty) {
  const std::filesystem::path p = std::filesystem::path(katalog) / wzgledna;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::app);
  f.write(bajty.data(), static_cast<std::streamsize>(bajty.size()));
  if (!f) throw std::runtime_error("cannot append to " + p.string());
}

// Writes `plik` (making directories): a WAV of `sekundy` of 44.1 kHz 16-bit stereo
// silence, its data a hole that takes no disk.
inline void CichyWav(const std::filesystem::path& plik, uint32_t sekundy) {
  std::filesystem::create_directories(plik.parent_path());
  const uint32_t dane = sekundy * 44100u * 4u;
  std::string h = "RIFF";
  const auto u32 = [&h](uint32_t v) { for (int i = 0; i < 4; ++i) h += static_cast<char>(v >> (8 * i)); };
  const auto u16 = [&h](uint16_t v) { for (int i = 0; i < 2; ++i) h += static_cast<char>(v >> (8 * i)); };
  u32(36 + dane);
  h += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  h += "data";
  u32(dane);
  {
    std::ofstream f(plik, std::ios::binary);
    f << h;
    if (!f) throw std::runtime_error("cannot write " + plik.string());
  }
  std::filesystem::resize_file(plik, h.size() + dane);
}

}  // namespace fixtures
