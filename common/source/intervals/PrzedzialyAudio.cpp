#include "PrzedzialyAudio.h"

#include "CallTrace.h"
#include "Protokol.h"

String PrzedzialyAudio::Name() {
  KG_TRACE("PrzedzialyAudio::Name()");
  return protokol::kPrzedzialyAudio;
}
