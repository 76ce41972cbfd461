#include "decoder/MasterDekoder.h"

#include <utility>

#include "core/Exception.h"
#include "decoder/DekoderMPEG23.h"
#include "decoder/DekoderPCM.h"
#include "decoder/DekoderZFiltrem.h"
#include "mpeg/FiltrMp3.h"

MasterDekoder::MasterDekoder() = default;

MasterDekoder::~MasterDekoder() = default;

void MasterDekoder::SetFormat(AudioFormat f) {
  inFormat = f;
  // Whatever can fail is done before a decoder is kept: a format refused here leaves no
  // decoder and no compression word, so that the next format, whatever its word, starts
  // afresh instead of "resetting" a decoder that is not there.
  AudioFormat out = f;
  try {
    out.Decompress();
  } catch (...) {
    dekoder.reset();
    mpeg = nullptr;
    currentCompression.clear();
    throw;
  }
  if (dekoder && f.GetCompression() == currentCompression) {
    Reset();
    if (mpeg != nullptr) mpeg->Oczekuj(f.GetSps(), f.GetChannels());
    outFormat = std::move(out);
    return;
  }
  dekoder.reset();
  mpeg = nullptr;
  currentCompression.clear();
  const String& word = f.GetCompression();
  if (word == "MPEG1") {
    auto* d = new DekoderMPEG23;
    dekoder = std::make_unique<DekoderZFiltrem>(d, new FiltrMp3);
    mpeg = d;
    mpeg->Oczekuj(f.GetSps(), f.GetChannels());
  } else if (word == "PCM") {
    dekoder = std::make_unique<DekoderPCM>();
  } else {
    KG_ERROR("nieznany format: " + word);
  }
  currentCompression = word;
  outFormat = std::move(out);
}

void MasterDekoder::Write(const void* c, int n) {
  if (!dekoder) KG_ERROR("brak dekodera");
  dekoder->Write(c, n);
}

int MasterDekoder::ReadAnyNonBlocking(void* c, int n) {
  if (!dekoder) KG_ERROR("brak dekodera");
  return dekoder->ReadAnyNonBlocking(c, n);
}

void MasterDekoder::Reset() {
  if (dekoder) dekoder->Reset();
}

String MasterDekoder::Info() { return "MasterDekoder"; }

String MasterDekoder::SupportedFormats() { return "all"; }
