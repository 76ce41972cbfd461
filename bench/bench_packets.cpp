// Receiving speed of the packet parser: a stream of audio packets (16 KiB of audio each,
// as the archive server sends them) written into a Paczka2 in 8 KiB pieces, the size a
// socket read delivers, beside a plain memcpy of the same stream in the same run (the
// goal is a quarter of memcpy's speed). The parser copies each payload twice, into its
// buffer and then into the payload block, but both stay in the cache from packet to
// packet, while the memcpy writes a destination as large as the whole stream; so the
// parser can pass half of memcpy's speed. The end of the run prints each benchmark's
// throughput as a share of the memcpy's.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/CyclicBuffer.h"
#include "transport/Paczka2.h"

namespace {

constexpr int kAudio = 16384;
constexpr int kPackets = 64;
constexpr int kPiece = 8192;

// kPackets audio packets back to back, as they arrive on a connection.
const std::vector<char>& Stream() {
  static const std::vector<char> stream = [] {
    CyclicBuffer wire;
    for (int i = 0; i < kPackets; ++i) {
      PaczkaAudio a;
      a.numeraudia = 1;
      a.format = "44100 stereo 128 MPEG1";
      a.czas = Czas(16000000000000000LL + i * 10000000LL);
      std::vector<char> dane(kAudio);
      for (int j = 0; j < kAudio; ++j) dane[j] = static_cast<char>(j * 7 + i);
      a.dane.InsertAt(0, dane.data(), kAudio);
      Paczka2(a, "").Wyslij(wire);
    }
    const String bytes = wire.Contents();
    return std::vector<char>(bytes.begin(), bytes.end());
  }();
  return stream;
}

void BM_Memcpy(benchmark::State& state) {
  const std::vector<char>& in = Stream();
  std::vector<char> out(in.size());
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}
BENCHMARK(BM_Memcpy);

// The stream in 8 KiB pieces; every complete packet is counted (and, with `wyjmij`, the
// audio taken out of it, one more copy) before the next piece is written.
template <bool wyjmij>
void BM_Paczka2Parse(benchmark::State& state) {
  const std::vector<char>& in = Stream();
  const int size = static_cast<int>(in.size());
  Paczka2 p;
  PaczkaAudio audio;
  int64_t packets = 0;
  for (auto _ : state) {
    for (int at = 0; at < size; at += kPiece) {
      p.Write(in.data() + at, std::min(kPiece, size - at));
      while (p.Skonczyl()) {
        ++packets;
        if (wyjmij) p.Wyjmij(audio);
        benchmark::DoNotOptimize(p.core.Data());
        p.Write(nullptr, 0);
      }
    }
  }
  if (packets != state.iterations() * kPackets) state.SkipWithError("packets lost");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_Paczka2Parse<false>)->Name("BM_Paczka2Parse");
BENCHMARK(BM_Paczka2Parse<true>)->Name("BM_Paczka2ParseWyjmij");

// Encoding and sending, for comparison: one buffer per packet, handed over in one write.
void BM_Paczka2Wyslij(benchmark::State& state) {
  PaczkaAudio a;
  a.format = "44100 stereo 128 MPEG1";
  a.dane.SetSize(kAudio);
  std::memset(a.dane.Data(), 1, kAudio);
  struct Licznik : Writable {
    int64_t bytes = 0;
    void Write(const void* v, int n) override {
      benchmark::DoNotOptimize(v);
      bytes += n;
    }
  } sink;
  for (auto _ : state) {
    Paczka2(a, "").Wyslij(sink);
  }
  state.SetBytesProcessed(sink.bytes);
}
BENCHMARK(BM_Paczka2Wyslij);

}  // namespace

int main(int argc, char** argv) { return bench::Uruchom<bench::RatioReporter>(argc, argv); }
