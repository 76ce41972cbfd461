#include "commandline/CelZLinii.h"

#include "commandline/CommandLine.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

String NormalizujCel(const String& cel) {
  const OdczytCelu o = CzytajCel(cel);
  if (o.blad == BladCelu::PustaNazwa) throw UsageError("pusta nazwa stacji w \"" + cel + "\"");
  if (o.blad == BladCelu::BezSerwera) return cel;
  // The address's fault in the words of every address reader.
  const ServerAddress a = Wartosc("station", [&] { return ParseServerAddress(o.tekstAdresu); });
  return CelStacji{o.cel.stacja, a}.Napis();
}
