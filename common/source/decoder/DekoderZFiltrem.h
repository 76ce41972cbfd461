#pragma once
// A decoder with a filter in front of it: written bytes pass through the filter, and every
// whole unit the filter releases (for MPEG, one confirmed frame) goes into the decoder at
// once. Owns both. One thread at a time.
#include <memory>

#include "decoder/DekoderBase.h"
#include "mpeg/Filtr.h"

class DekoderZFiltrem : public DekoderBase {
 public:
  // Takes ownership of both.
  DekoderZFiltrem(DekoderBase* dekoder, Filtr* filtr);
  // Deletes the filter, then the decoder.
  ~DekoderZFiltrem() override;

  void Write(const void* c, int n) override;
  int ReadAnyNonBlocking(void* c, int n) override;
  // The decoder's Reset, then the filter's.
  void Reset() override;
  // The decoder's.
  String Info() override;
  String SupportedFormats() override;

 private:
  std::unique_ptr<DekoderBase> dekoder;
  std::unique_ptr<Filtr> filtr;
};
