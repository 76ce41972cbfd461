#include "CelStacji.h"

#include "CommandLine.h"
#include "ServerAddress.h"

String NormalizujCel(const String& cel) {
  const size_t at = cel.find('@');
  const String nazwa = cel.substr(0, at);
  if (nazwa.empty()) throw UsageError("pusta nazwa stacji w \"" + cel + "\"");
  if (at == String::npos) return cel;
  return nazwa + "@" + Wartosc("station", [&] { return ParseServerAddress(cel.substr(at + 1)).Text(); });
}
