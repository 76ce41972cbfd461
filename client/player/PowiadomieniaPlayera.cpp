#include "player/PowiadomieniaPlayera.h"

#include <string>

String OpisPowiadomienia(int komunikat, uintptr_t wParam) {
  switch (komunikat) {
    case WM_PLAYER_POLACZONY:
      return "connected";
    case WM_PLAYER_ZERWANY:
      return "connection lost";
    case WM_PLAYER_NIEUDANY:
      if (wParam == 0) return "connection failed";
      if (wParam == 1) return "host lookup failed";
      break;
    case WM_PLAYER_LACZENIE:
      return "connecting";
    default:
      break;
  }
  return "notification " + std::to_string(komunikat) + " " + std::to_string(wParam);
}
