// Arbitrary payloads decoded by every Transportable of the protocol, as a packet from a
// peer would be taken out. The first byte chooses the type, the rest is the payload.
// Decoding may fail only with the program's Exception; whatever decodes must encode,
// decode again and encode to the same bytes (what the reader accepts, the writer can
// write back).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/Exception.h"
#include "fuzz/FuzzSupport.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

Core Encoded(Transportable& t) {
  Core c;
  IniCore f(c, 1);
  t.lsa(f);
  return c;
}

[[noreturn]] void Fail(const char* what, const String& name) {
  std::fprintf(stderr, "%s: %s\n", name.c_str(), what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  if (size == 0) return 0;
  const auto& types = fuzz::ProtocolTypes();
  const auto& make = types[data[0] % types.size()];
  Core payload;
  payload.InsertAt(0, data + 1, static_cast<int>(size - 1));

  std::unique_ptr<Transportable> t = make();
  try {
    IniCore in(payload, 0);
    t->lsa(in);
  } catch (const Exception&) {
    return 0;  // a malformed payload: the packet is discarded
  }

  const String name = t->Name();
  Core first;
  try {
    first = Encoded(*t);
  } catch (const Exception& e) {
    Fail(("a decoded object does not encode: " + e.Message()).c_str(), name);
  }
  std::unique_ptr<Transportable> again = make();
  try {
    IniCore in(first, 0);
    again->lsa(in);
    if (in.Position() != first.Size()) Fail("the encoding is not read to its end", name);
  } catch (const Exception& e) {
    Fail(("an encoding does not decode: " + e.Message()).c_str(), name);
  }
  const Core second = Encoded(*again);
  if (second.Tekst() != first.Tekst()) Fail("decoding and encoding again changes the bytes", name);
  return 0;
}
