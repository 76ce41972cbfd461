#include "window/Ponawianie.h"

#include "player/PowiadomieniaPlayera.h"

bool ponawianie::PonowPo(int komunikat, uintptr_t wParam) {
  return komunikat == WM_PLAYER_ZERWANY || (komunikat == WM_PLAYER_NIEUDANY && wParam == 0);
}
