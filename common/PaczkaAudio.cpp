#include "PaczkaAudio.h"

#include "AudioFormat.h"
#include "CallTrace.h"
#include "IniBase.h"
#include "Protokol.h"

String PaczkaAudio::Name() {
  KG_TRACE("PaczkaAudio::Name()");
  return protokol::kPaczkaAudio;
}

void PaczkaAudio::lsa(IniBase& f) {
  KG_TRACE("PaczkaAudio::lsa(IniBase &f)");
  f.ReadWrite(numeraudia);
  f.ReadWrite(format);
  f.ReadWrite(czas);
  f.ReadWrite(dane);
}

Roznica PaczkaAudio::IleCzasu() const {
  KG_TRACE("PaczkaAudio::IleCzasu()");
  return ValidAudioFormat(format).GetDuration(dane.Size());
}
