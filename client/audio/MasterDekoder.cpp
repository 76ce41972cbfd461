#include "MasterDekoder.h"

#include <utility>

#include "DekoderMPEG23.h"
#include "DekoderPCM.h"
#include "DekoderZFiltrem.h"
#include "Exception.h"
#include "FiltrMp3.h"

MasterDekoder::MasterDekoder() = default;

MasterDekoder::~MasterDekoder() = default;

void MasterDekoder::SetFormat(AudioFormat f) {
  inFormat = f;
  if (f.GetCompression() == currentCompression) {
    Reset();
    return;
  }
  dekoder.reset();
  currentCompression = f.GetCompression();
  outFormat = std::move(f);
  outFormat.Decompress();
  if (currentCompression == "MPEG1") {
    dekoder = std::make_unique<DekoderZFiltrem>(new DekoderMPEG23, new FiltrMp3);
  } else if (currentCompression == "PCM") {
    dekoder = std::make_unique<DekoderPCM>();
  } else {
    KG_ERROR("nieznany format: " + currentCompression);
  }
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
