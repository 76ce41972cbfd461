#pragma once
// The intervals in which a server holds recorded audio of a station: a Przedzialy that
// travels under its own type name, "PrzedzialyAudio", with the same encoding. A value
// owned by its holder; one thread at a time.
#include "intervals/Przedzialy.h"

class PrzedzialyAudio : public Przedzialy {
 public:
  PrzedzialyAudio() = default;
  // The intervals and the tolerance of `p`.
  explicit PrzedzialyAudio(const Przedzialy& p) : Przedzialy(p) {}

  // "PrzedzialyAudio".
  String Name() override;
};
