#include "intervals/PrzedzialyAudio.h"

#include "core/CallTrace.h"
#include "transport/Protokol.h"

String PrzedzialyAudio::Name() {
  KG_TRACE("PrzedzialyAudio::Name()");
  return protokol::kPrzedzialyAudio;
}
