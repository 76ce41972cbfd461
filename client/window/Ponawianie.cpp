#include "window/Ponawianie.h"

bool ponawianie::PonowPo(ZdarzeniePolaczenia z) {
  return z == ZdarzeniePolaczenia::Zerwany || z == ZdarzeniePolaczenia::Nieudany;
}
