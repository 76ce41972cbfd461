#include "player/PowodPolaczenia.h"

#include "core/Exception.h"

namespace {

struct Tlumaczenie {
  const char* angielski;  // a fragment of the English text
  const char* polski;
};

// Most specific first: "Connection Closed: No Error" before "Connection Closed".
constexpr Tlumaczenie kTlumaczenia[] = {
    {"Connection Closed: No Error", "serwer zamknął połączenie"},
    {"Connection reset by peer", "połączenie przerwane przez serwer"},
    {"Connection refused", "serwer nie przyjmuje połączeń"},
    {"Connection timed out", "serwer nie odpowiada"},
    {"No route to host", "brak drogi do serwera"},
    {"Network is unreachable", "sieć jest niedostępna"},
    {"Host is down", "serwer jest wyłączony"},
    {"Broken pipe", "połączenie przerwane"},
    {"Name or service not known", "nieznana nazwa serwera"},
    {"No address associated with hostname", "nieznana nazwa serwera"},
    {"Temporary failure in name resolution", "chwilowo nie można znaleźć serwera w sieci"},
    {"nothing received for", "serwer przestał przysyłać dane"},
    {"bytes waiting to be sent", "serwer nie odbiera danych"},
    {"Connection Closed", "połączenie zamknięte"},
};

bool Ascii(const String& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

String PowodPoPolsku(const String& blad) {
  const String b = WithoutLocation(blad);
  if (b.empty()) return {};
  for (const Tlumaczenie& t : kTlumaczenia) {
    if (b.find(t.angielski) != String::npos) return t.polski;
  }
  // The client's own reasons are Polish ("serwer przysłał ..."): what follows the address.
  const size_t adres = b.find(": ");
  const String powod = adres != String::npos && b.rfind(' ', adres) == String::npos ? b.substr(adres + 2) : b;
  // Anything else in English (a system's or a library's text) is not for the user.
  const bool polski = !Ascii(powod) || powod.rfind("serwer ", 0) == 0 || powod.rfind("Paczka", 0) == 0;
  return polski ? powod : String("błąd sieci");
}
