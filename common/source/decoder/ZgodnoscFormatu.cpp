#include "decoder/ZgodnoscFormatu.h"

#include <cstdint>
#include <cstdlib>

#include "mpeg/Mp3Header.h"

namespace {

int Kanaly(const Mp3Header& h) { return h.Mode() == 3 ? 1 : 2; }

String Nazwa(int kanaly) { return kanaly == 1 ? "mono" : std::to_string(kanaly) + " kanały"; }

// Where frame h at i is followed by a header that continues its stream.
bool Potwierdzona(const unsigned char* b, int n, int i, const Mp3Header& h) {
  const int dalej = i + h.FrameLength();
  if (dalej + 4 > n) return false;
  const Mp3Header next = Mp3Header::FromBytes(b + dalej);
  return next.IsValid() && next.Version() == h.Version() && next.Layer() == h.Layer() &&
         next.SamplingIndex() == h.SamplingIndex();
}

String Mpeg(const AudioFormat& f, const unsigned char* b, int n) {
  bool lancuch = false;  // i was reached from a confirmed frame, one frame length on
  for (int i = 0; i + 4 <= n;) {
    const Mp3Header h = Mp3Header::FromBytes(b + i);
    if (!h.IsValid() || (!lancuch && !Potwierdzona(b, n, i, h))) {
      lancuch = false;
      ++i;
      continue;
    }
    if (h.GetSampling() != f.GetSps() || Kanaly(h) != f.GetChannels()) {
      return "ramki audio (" + std::to_string(h.GetSampling()) + " Hz, " + Nazwa(Kanaly(h)) +
             ") nie zgadzają się z formatem \"" + f.GetString() + "\"";
    }
    i += h.FrameLength();
    lancuch = true;
  }
  return {};
}

String Pcm(const AudioFormat& f, int n) {
  const int64_t bity = int64_t{f.GetSps()} * f.GetChannels() * 16;
  // The text gives kilobits: "22050 mono 352 PCM" is 352,800 bits a second.
  if (std::llabs(int64_t{f.GetBps()} - bity) >= 1000) {
    return "format \"" + f.GetString() + "\" podaje " + std::to_string(f.GetBps() / 1000) + " kb/s zamiast " +
           std::to_string(bity / 1000) + " kb/s swoich próbek";
  }
  const int ramka = f.GetChannels() * 2;
  if (n % ramka != 0) {
    return "audio PCM \"" + f.GetString() + "\" nie składa się z całych próbek (" + std::to_string(n) + " bajtów)";
  }
  return {};
}

}  // namespace

String NiezgodnoscZFormatem(const AudioFormat& f, const void* dane, int n) {
  if (!f.IsValid() || n <= 0) return {};
  if (f.GetCompression() == "MPEG1") return Mpeg(f, static_cast<const unsigned char*>(dane), n);
  if (f.GetCompression() == "PCM") return Pcm(f, n);
  return {};
}
