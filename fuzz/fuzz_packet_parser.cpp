// Arbitrary bytes from a peer, in arbitrary pieces, into the receiving packet of a
// connection: the bytes come from the front of the input, the piece sizes from its end.
// Every complete packet is taken out as the reader would (text, or every protocol type
// that bears its name) and must encode back into a packet that parses to the same
// fields. The parser may fail only with the program's Exception; after one the
// connection's owner would drop the connection, and here the packet is reset and fed on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Exception.h"
#include "fuzz/FuzzSupport.h"
#include "transport/Paczka2.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

struct Zapis : Writable {
  String bytes;
  int calls = 0;
  void Write(const void* v, int n) override {
    bytes.append(static_cast<const char*>(v), static_cast<size_t>(n));
    ++calls;
  }
};

void TakeOut(const Paczka2& p) {
  if (p.Postep() != 0) Fail("a complete packet shows progress");
  // What was accepted goes back on the wire unchanged and parses to the same packet.
  Zapis wire;
  try {
    p.Wyslij(wire);
  } catch (const Exception& e) {
    Fail(("a received packet cannot be sent: " + e.Message()).c_str());
  }
  if (wire.calls != 1) Fail("a packet was not sent in one write");
  Paczka2 q;
  try {
    q.Write(wire.bytes.data(), static_cast<int>(wire.bytes.size()));
  } catch (const Exception& e) {
    Fail(("a sent packet does not parse: " + e.Message()).c_str());
  }
  if (!q.Skonczyl() || q.Buforowane() != 0 || q.Nazwa != p.Nazwa || q.Wersja != p.Wersja ||
      q.Opis != p.Opis || q.core.Tekst() != p.core.Tekst()) {
    Fail("a sent packet parses to another packet");
  }

  if (p.Nazwa == "String") {
    try {
      (void)p.DajString();
    } catch (const Exception& e) {
      Fail(("a text packet has no text: " + e.Message()).c_str());
    }
  }
  for (const auto& make : fuzz::ProtocolTypes()) {
    std::unique_ptr<Transportable> t = make();
    if (t->Name() != p.Nazwa) continue;
    try {
      p.Wyjmij(*t);
    } catch (const Exception&) {
      // Another version or a malformed payload: the reader discards the packet.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  FuzzedDataProvider in(data, size);
  Paczka2 p;
  while (in.remaining_bytes() > 0) {
    const size_t n = in.ConsumeIntegralInRange<size_t>(0, 4096);
    const std::string piece = in.ConsumeBytesAsString(n);
    try {
      p.Write(piece.data(), static_cast<int>(piece.size()));
      // A 0-byte write parses what is already buffered, one packet at a time.
      while (p.Skonczyl()) {
        TakeOut(p);
        p.Write(nullptr, 0);
      }
      const int postep = p.Postep();
      if (postep < 0 || postep > 100) Fail("progress out of 0..100");
    } catch (const Exception&) {
      p.Reset();
      if (p.Faza() != 0 || p.Buforowane() != 0) Fail("Reset left bytes behind");
    }
  }
  return 0;
}
