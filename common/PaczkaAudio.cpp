#include "common/PaczkaAudio.h"

#include "common/AudioFormat.h"
#include "core/CallTrace.h"
#include "transport/IniBase.h"
#include "transport/Protokol.h"

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
