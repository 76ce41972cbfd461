#include "ui/OpcjeKorwendoGra.h"

#include <algorithm>

#include "audio/AudioOutputChoice.h"
#include "commandline/CelZLinii.h"
#include "commandline/LinkZLinii.h"
#include "core/TekstUtf8.h"
#include "player/KatalogUstawien.h"
#include "textforms/CzasTekstowy.h"
#include "textforms/LinkDoChwili.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

LiniaOkna::LiniaOkna()
    : CommandLine("KorwendoGra",
                  {"[--config DIR] [--server HOST[:PORT] ...]",
                   "  [--station NAME[@HOST[:PORT]] [--at TIME] | LINK] [--audio pulse|null]"},
                  "The desktop player of the archive servers' stations. It resumes where the "
                  "settings left off, unless --station names what to play.",
                  "TIME: ISO 8601 UTC (2026-12-10T08:30:00Z) or 16 hexadecimal digits.\n"
                  "LINK: korwendo://HOST[:PORT]/STATION?t=TIME, the station's name percent-encoded\n"
                  "  (UTF-8), as Ctrl+Shift+C copies it.\n"
                  "HOST[:PORT]: a name or address, an IPv6 one in brackets ([::1]:12540);\n"
                  "  the port is 12540 when none is given.\n") {
  AddValue(OpcjaOkna::Katalog, "DIR",
           "the settings directory (servers, favourites, bookmarks, the position to resume at, log/); "
           "default $XDG_CONFIG_HOME/KorwendoGra");
  AddValue(OpcjaOkna::Serwer, "HOST[:PORT]", "a server to add to the list; may be repeated");
  AddValue(OpcjaOkna::Stacja, "NAME",
           "the station to play, NAME@HOST[:PORT], or NAME on the one --server given");
  AddValue(OpcjaOkna::Od, "TIME", "the moment to play --station from; default: now");
  AddValue(OpcjaOkna::Wyjscie, "pulse|null",
           "the sound output (default: KORWENDO_AUDIO, else pulse); null plays silently");
  AddArgument(OpcjaOkna::Link,
              "the station and moment to play, its server added to the list when it is not there; "
              "in place of --station and --at");
}

OpcjeOkna LiniaOkna::Opcje() const {
  OpcjeOkna o;
  o.katalog = ResolveSettingsDirectory(Value(OpcjaOkna::Katalog));
  for (const String& s : Values(OpcjaOkna::Serwer)) {
    try {
      o.serwery.push_back(ParseServerAddress(s).Text());
    } catch (const std::exception& e) {
      throw UsageError(TerminalSentence(e.what()) + " (--" + OpcjaOkna::Serwer + ")");
    }
  }
  if (const auto l = LinkZLinii(*this, {OpcjaOkna::Stacja, OpcjaOkna::Od})) {
    if (std::find(o.serwery.begin(), o.serwery.end(), l->serwer) == o.serwery.end()) o.serwery.push_back(l->serwer);
    o.stacja = l->Cel();
    o.od = l->chwila;
    o.link = NapiszLink(*l);
  }
  if (const auto s = Value(OpcjaOkna::Stacja)) {
    o.stacja = NormalizujCel(*s);
    if (CzytajCel(o.stacja).blad == BladCelu::BezSerwera) {
      if (o.serwery.size() != 1) {
        throw UsageError("stacja " + Cytat(*s) + " bez serwera: podaj NAZWA@HOST[:PORT] albo jeden --" +
                         OpcjaOkna::Serwer);
      }
      o.stacja = CelStacji{o.stacja, ParseServerAddress(o.serwery.front())}.Napis();
    }
  }
  if (const auto t = Value(OpcjaOkna::Od)) {
    if (o.stacja.empty()) throw UsageError(String("--") + OpcjaOkna::Od + " działa tylko z --" + OpcjaOkna::Stacja);
    try {
      o.od = ParsujCzas(*t);
    } catch (const std::exception& e) {
      throw UsageError(TerminalSentence(e.what()) + " (--" + OpcjaOkna::Od + ")");
    }
  }
  SetAudioOutput(ResolveAudioOutput(Value(OpcjaOkna::Wyjscie)));
  return o;
}
