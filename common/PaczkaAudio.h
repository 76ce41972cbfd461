#pragma once
// An audio packet: a block of encoded audio, the time of its first sample, the text of its
// format and the number of the playback request it answers. MPEG data need not start or
// end at a frame boundary. A value type; one thread at a time per object.
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "transport/Core.h"
#include "transport/Transportable.h"

class PaczkaAudio : public Transportable {
 public:
  // "PaczkaAudio".
  String Name() override;
  // numeraudia (4 bytes), format (String), czas (8 bytes), dane (Core), little-endian.
  void lsa(IniBase& f) override;
  // The playing time of dane in `format`. Raises the "Invalid format" error of
  // ValidAudioFormat when the format text is not a valid format.
  Roznica IleCzasu() const;
  // czas + IleCzasu().
  Czas Koniec() const { return czas + IleCzasu(); }

  Core dane;
  int numeraudia = 0;
  String format;
  Czas czas;
};
