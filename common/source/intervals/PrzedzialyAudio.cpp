#include "PrzedzialyAudio.h"

#include "CallTrace.h"

String PrzedzialyAudio::Name() {
  KG_TRACE("PrzedzialyAudio::Name()");
  return "PrzedzialyAudio";
}
