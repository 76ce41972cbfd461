#include "commandline/CelZLinii.h"

#include "commandline/CommandLine.h"
#include "core/TekstUtf8.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

String NormalizujCel(const String& cel) {
  const OdczytCelu o = CzytajCel(cel);
  // The name is sent as it is: one a server cannot take is refused before connecting.
  if (const String b = BladNazwyStacji(o.cel.stacja); !b.empty()) throw UsageError(b + " w " + Cytat(cel));
  if (o.blad == BladCelu::BezSerwera) return cel;
  // The address's fault in the words of every address reader.
  const ServerAddress a = Wartosc("station", [&] { return ParseServerAddress(o.tekstAdresu); });
  return CelStacji{o.cel.stacja, a}.Napis();
}
