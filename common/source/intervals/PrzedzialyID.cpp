#include "intervals/PrzedzialyID.h"

#include <utility>

#include "core/CallTrace.h"
#include "transport/IniBase.h"

PrzedzialyID::PrzedzialyID(String nazwa) : id(std::move(nazwa)) {}

void PrzedzialyID::lsa(IniBase& f) {
  KG_TRACE("PrzedzialyID::lsa(IniBase & f)");
  f.ReadWrite(id);
  Przedzialy::lsa(f);
}

String PrzedzialyID::Opis() const {
  KG_TRACE("PrzedzialyID::Opis()");
  return "\"" + id + "\": " + std::to_string(Count());
}
