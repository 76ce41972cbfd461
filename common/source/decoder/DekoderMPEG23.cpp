#include "decoder/DekoderMPEG23.h"

#include <exception>

#include "core/CallTrace.h"
#include "core/Log.h"

DekoderMPEG23::DekoderMPEG23() {
  KG_TRACE("DekoderMPEG23::DekoderMPEG23()");
  Open();
}

DekoderMPEG23::~DekoderMPEG23() { Close(); }

void DekoderMPEG23::Open() {
  KG_TRACE("DekoderMPEG23::Open()");
  state = std::make_unique<Mpg123State>();
  open = true;
}

void DekoderMPEG23::Close() {
  KG_TRACE("DekoderMPEG23::Close()");
  if (!open) return;
  state.reset();
  open = false;
}

void DekoderMPEG23::Write(const void* c, int n) {
  KG_TRACE("DekoderMPEG23::Write(const void* c, int n)");
  if (n == 0) return;
  try {
    Decode(c, n);
  } catch (const std::exception& e) {
    Log(1, String("błąd dekodera mp3, ") + e.what(), KG_WHERE);
    Reset();
  }
}

void DekoderMPEG23::Decode(const void* c, int n) {
  if (!open) Open();
  // One frame per call into a fixed block: nothing is allocated per frame.
  unsigned char block[8192];
  int done = 0;
  int r = state->Decode(c, n, block, sizeof block, &done);
  while (r == Mpg123State::kFrame) {
    if (Zgodna()) output.Write(block, done);
    r = state->Decode(nullptr, 0, block, sizeof block, &done);
  }
  if (r == Mpg123State::kError) {
    Reset();
    Log(1, "błąd dekodera mp3", KG_WHERE);
  }
}

void DekoderMPEG23::Oczekuj(int rate, int channels) {
  oczekiwanaCzestotliwosc = rate;
  oczekiwaneKanaly = channels;
  zgloszonoInne = false;
}

bool DekoderMPEG23::Zgodna() {
  if (oczekiwanaCzestotliwosc == 0) return true;
  long rate = 0;
  int channels = 0;
  state->Format(&rate, &channels);
  if (rate == oczekiwanaCzestotliwosc && channels == oczekiwaneKanaly) return true;
  if (!zgloszonoInne) {
    Log(1, "ramka " + std::to_string(rate) + " Hz, " + std::to_string(channels) + " kan. zamiast " +
               std::to_string(oczekiwanaCzestotliwosc) + " Hz, " + std::to_string(oczekiwaneKanaly) +
               " kan.: pomijamy takie ramki",
        KG_WHERE);
    zgloszonoInne = true;
  }
  return false;
}

int DekoderMPEG23::ReadAnyNonBlocking(void* c, int n) {
  KG_TRACE("DekoderMPEG23::ReadAnyNonBlocking(void *c, int n)");
  return output.ReadAnyNonBlocking(c, n);
}

void DekoderMPEG23::Reset() {
  KG_TRACE("DekoderMPEG23::Reset()");
  Close();
  Open();
  output.Reset();
}

String DekoderMPEG23::Info() {
  KG_TRACE("DekoderMPEG23::Info()");
  return "MPEG 1 Layer 2/3 Decoder";
}

String DekoderMPEG23::SupportedFormats() {
  KG_TRACE("DekoderMPEG23::SupportedFormats()");
  return String();
}
