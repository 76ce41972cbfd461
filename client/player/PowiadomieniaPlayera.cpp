#include "player/PowiadomieniaPlayera.h"

String OpisPowiadomienia(ZdarzeniePolaczenia z) {
  switch (z) {
    case ZdarzeniePolaczenia::Polaczony:
      return "connected";
    case ZdarzeniePolaczenia::Zerwany:
      return "connection lost";
    case ZdarzeniePolaczenia::Nieudany:
      return "connection failed";
    case ZdarzeniePolaczenia::NieZnalezionoHosta:
      return "host lookup failed";
    case ZdarzeniePolaczenia::Laczenie:
      return "connecting";
  }
  return "notification " + std::to_string(static_cast<int>(z));
}
