#include "decoder/DekoderZFiltrem.h"

#include "core/CallTrace.h"

DekoderZFiltrem::DekoderZFiltrem(DekoderBase* d, Filtr* f) : dekoder(d), filtr(f) {
  KG_TRACE("DekoderZFiltrem::DekoderZFiltrem(DekoderBase *dekoder, Filtr *filtr)");
}

DekoderZFiltrem::~DekoderZFiltrem() {
  filtr.reset();
  dekoder.reset();
}

void DekoderZFiltrem::Write(const void* c, int n) {
  KG_TRACE("DekoderZFiltrem::Write(const void* c, int n)");
  filtr->Write(c, n);
  filtr->ReadAnyNonBlocking2(*dekoder, 2147483647);
}

int DekoderZFiltrem::ReadAnyNonBlocking(void* c, int n) {
  KG_TRACE("DekoderZFiltrem::ReadAnyNonBlocking(void *c, int n)");
  return dekoder->ReadAnyNonBlocking(c, n);
}

void DekoderZFiltrem::Reset() {
  KG_TRACE("DekoderZFiltrem::Reset()");
  dekoder->Reset();
  filtr->Reset();
}

String DekoderZFiltrem::Info() {
  KG_TRACE("DekoderZFiltrem::Info()");
  return dekoder->Info();
}

String DekoderZFiltrem::SupportedFormats() {
  KG_TRACE("DekoderZFiltrem::SupportedFormats()");
  return dekoder->SupportedFormats();
}
