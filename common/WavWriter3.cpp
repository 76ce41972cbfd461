#include "common/WavWriter3.h"

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"

namespace {

void Put16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

// The format record as 16-bit PCM of f's rate and channels.
WAVEFORMATEX Pcm16(const WAVEFORMATEX& f) {
  WAVEFORMATEX w;
  w.wFormatTag = 1;
  w.nChannels = f.nChannels;
  w.nSamplesPerSec = f.nSamplesPerSec;
  w.wBitsPerSample = 16;
  w.nBlockAlign = static_cast<uint16_t>(f.nChannels * 2);
  w.nAvgBytesPerSec = f.nSamplesPerSec * w.nBlockAlign;
  w.cbSize = 0;
  return w;
}

}  // namespace

WavWriter3::WavWriter3(String fileName, AudioFormat f) : plik(std::move(fileName)) {
  plik.Create();
  try {
    riffChunk.CreateRiff(&plik, "WAVE");
    fmtChunk.Create(&plik, "fmt ");
    WAVEFORMATEX w;
    f.GetWaveFormat(w);
    Naglowek(Pcm16(w), {});
  } catch (...) {
    // The chunks let go of the file quietly: the failure is the one to report.
    riffChunk.Porzuc();
    fmtChunk.Porzuc();
    dataChunk.Porzuc();
    zatrzymany = true;
    throw;
  }
}

WavWriter3::WavWriter3(String fileName, const WAVEFORMATEX& f, const std::vector<DodatkowyChunk>& inne)
    : plik(std::move(fileName)) {
  plik.Create();
  try {
    riffChunk.CreateRiff(&plik, "WAVE");
    fmtChunk.Create(&plik, "fmt ");
    Naglowek(Pcm16(f), inne);
  } catch (...) {
    riffChunk.Porzuc();
    fmtChunk.Porzuc();
    dataChunk.Porzuc();
    zatrzymany = true;
    throw;
  }
}

void WavWriter3::Naglowek(const WAVEFORMATEX& w, const std::vector<DodatkowyChunk>& inne) {
  format = w;
  unsigned char b[18];
  Put16(b, w.wFormatTag);
  Put16(b + 2, w.nChannels);
  Put32(b + 4, w.nSamplesPerSec);
  Put32(b + 8, w.nAvgBytesPerSec);
  Put16(b + 12, w.nBlockAlign);
  Put16(b + 14, w.wBitsPerSample);
  Put16(b + 16, w.cbSize);
  plik.Write(b, sizeof b);
  fmtChunk.Close();
  naglowek = String("RIFF\0\0\0\0WAVEfmt ", 16) + String("\x12\0\0\0", 4) + String(reinterpret_cast<char*>(b), sizeof b);
  for (const DodatkowyChunk& c : inne) {
    Chunk2 k;
    k.Create(&plik, c.id);
    try {
      if (!c.bajty.empty()) plik.Write(c.bajty.data(), static_cast<int>(c.bajty.size()));
      // RIFF pads a chunk of odd length to an even one; the pad is not in its size.
      if (c.bajty.size() % 2 != 0) {
        k.Update();
        plik.Write("", 1);
        k.Porzuc();
      } else {
        k.Close();
      }
    } catch (...) {
      k.Porzuc();
      throw;
    }
    unsigned char n[4];
    Put32(n, static_cast<uint32_t>(c.bajty.size()));
    naglowek += c.id + String(reinterpret_cast<char*>(n), 4) + c.bajty + (c.bajty.size() % 2 != 0 ? String(1, '\0') : String());
  }
  dataChunk.Create(&plik, "data");
  naglowek += String("data\0\0\0\0", 8);
  dlugosc = plik.Tell();
  if (dlugosc != static_cast<int64_t>(naglowek.size())) KG_ASSERTION("dlugosc!=naglowek.size()");
  // The sizes are right before the first write too: an empty file is a valid one.
  dataChunk.Update();
  riffChunk.Update();
}

WavWriter3::~WavWriter3() {
  try {
    Stop();
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
}

int64_t WavWriter3::Miejsce() const { return 0xFFFFFFFFLL - (dlugosc - 8); }

void WavWriter3::Write(const void* c, int n) {
  if (n < 0 || zatrzymany) KG_ASSERTION(n < 0 ? "n<0" : "zatrzymany");
  if (n > Miejsce()) KG_ASSERTION("n>Miejsce()");
  if (n > 0) plik.Write(c, n);
  dlugosc += n;
  dane += n;
  // Both sizes (the data chunk's and the RIFF size) go in one write of the header after
  // the samples: a process killed at any moment leaves a header that agrees with itself
  // and at most the last write's samples past the data size, which readers ignore.
  Put32(reinterpret_cast<unsigned char*>(naglowek.data()) + 4, static_cast<uint32_t>(dlugosc - 8));
  Put32(reinterpret_cast<unsigned char*>(naglowek.data()) + naglowek.size() - 4, static_cast<uint32_t>(dane));
  plik.Seek(4);
  plik.Write(naglowek.data() + 4, static_cast<int>(naglowek.size()) - 4);
  plik.Seek(dlugosc);
}

void WavWriter3::Stop() {
  KG_TRACE("WavWriter3::Stop()");
  if (zatrzymany) return;
  zatrzymany = true;
  try {
    dataChunk.Close();
    riffChunk.Close();
  } catch (...) {
    dataChunk.Porzuc();
    riffChunk.Porzuc();
    try {
      plik.Close();
    } catch (const std::exception&) {
      // The first failure is the one reported.
    }
    throw;
  }
  plik.Close();
}
