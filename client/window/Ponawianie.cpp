#include "Ponawianie.h"

#include "PowiadomieniaPlayera.h"

bool ponawianie::PonowPo(int komunikat, uintptr_t wParam) {
  return komunikat == WM_PLAYER_ZERWANY || (komunikat == WM_PLAYER_NIEUDANY && wParam == 0);
}
