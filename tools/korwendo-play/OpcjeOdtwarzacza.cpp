#include "korwendo-play/OpcjeOdtwarzacza.h"

#include "commandline/CelZLinii.h"
#include "commandline/LinkZLinii.h"
#include "core/TekstUtf8.h"
#include "textforms/CzasTekstowy.h"
#include "transport/ServerAddress.h"

LiniaOdtwarzacza::LiniaOdtwarzacza()
    : CommandLine("korwendo-play",
                  {"(--server HOST[:PORT] ... | --config DIR) [--list]",
                   "  [--station NAME] [--at TIME] [--seconds N]",
                   "  [--audio pulse|null] [--capture FILE.wav]",
                   "[--config DIR] LINK [--seconds N] [--audio pulse|null] [--capture FILE.wav]"},
                  "Plays a station of the archive servers without a window, or lists their "
                  "stations. It prints \"time TIME\" (the moment heard) once a second; with "
                  "--capture, which records what was heard, as heard, each is followed by "
                  "\"captured N\": the sample frames recorded before the one heard at that "
                  "moment, over all the files recorded.",
                  "TIME: ISO 8601 in UTC (2026-12-10T08:30:00Z) or with an offset\n"
                  "  (2026-12-10T09:30:00+01:00), or 16 hexadecimal digits.\n"
                  "HOST[:PORT]: a name or address, an IPv6 one in brackets ([::1]:12540);\n"
                  "  the port is 12540 when none is given.\n"
                  "LINK: korwendo://HOST[:PORT]/STATION?t=TIME, the station's name percent-encoded\n"
                  "  (UTF-8), as KorwendoGra copies it (Ctrl+Shift+C).\n"
                  "X: the speed, 0.5 to 3 in steps of 0.25 (1.5 or 1,5), the pitch kept.\n"
                  "Commands on standard input: play, stop, seek +5s|-1m|TIME, station NAME,\n"
                  "  speed X, quit.\n") {
  AddValue(OpcjaPlay::Serwer, "HOST[:PORT]", "a server to ask; may be repeated");
  AddValue(OpcjaPlay::Katalog, "DIR",
           "the settings directory (servers, favourites, the position to resume at); "
           "default $XDG_CONFIG_HOME/KorwendoGra");
  AddSwitch(OpcjaPlay::Lista, "list the servers' stations and exit");
  AddValue(OpcjaPlay::Stacja, "NAME",
           "the station to play, or NAME@HOST[:PORT]; default: resume where the settings left off");
  AddValue(OpcjaPlay::Od, "TIME", "the moment to start at; default: now");
  AddValue(OpcjaPlay::Glosnosc, "0-100", "the volume in percent, on the sound server's stream; default: as last set");
  AddValue(OpcjaPlay::Sekundy, "N", "stop after N seconds; default: at \"quit\" or a signal");
  AddValue(OpcjaPlay::Wyjscie, "pulse|null",
           "the sound output (default: KORWENDO_AUDIO, else pulse); null plays silently");
  AddValue(OpcjaPlay::Zapis, "FILE.wav", "with --audio null: record what was heard");
  AddValue(OpcjaPlay::Predkosc, "X", "play at X times the pace of the archive, 0.5 to 3; default 1");
  AddArgument(OpcjaPlay::Link, "the server, station and moment to play, in place of --server, --station and --at");
}

OpcjeOdtwarzacza LiniaOdtwarzacza::Opcje() const {
  OpcjeOdtwarzacza o;
  for (const String& s : Values(OpcjaPlay::Serwer)) {
    o.serwery.push_back(Wartosc(OpcjaPlay::Serwer, [&] { return ParseServerAddress(s).Text(); }));
  }
  o.katalog = Value(OpcjaPlay::Katalog);
  o.lista = IsSet(OpcjaPlay::Lista);
  if (const auto s = Value(OpcjaPlay::Stacja)) o.stacja = NormalizujCel(*s);
  if (const auto t = Value(OpcjaPlay::Od)) o.od = Wartosc(OpcjaPlay::Od, [&] { return ParsujCzas(*t); });
  if (const auto l = LinkZLinii(*this, {OpcjaPlay::Serwer, OpcjaPlay::Stacja, OpcjaPlay::Od})) {
    o.serwery = {l->serwer};
    o.stacja = l->Cel();
    o.od = l->chwila;
  }
  if (const auto n = Value(OpcjaPlay::Sekundy)) {
    bool cyfry = !n->empty() && n->size() <= 7;
    for (char c : *n) cyfry = cyfry && c >= '0' && c <= '9';
    if (!cyfry || std::stoi(*n) <= 0) throw UsageError("zła liczba sekund " + Cytat(*n) + " (" + Opcja(OpcjaPlay::Sekundy) + ")");
    o.sekundy = std::stoi(*n);
  }
  if (const auto v = Value(OpcjaPlay::Glosnosc)) {
    const bool cyfry = !v->empty() && v->size() <= 3 && v->find_first_not_of("0123456789") == String::npos;
    if (!cyfry || std::stoi(*v) > 100) {
      throw UsageError("zła głośność " + Cytat(*v) + " (" + Opcja(OpcjaPlay::Glosnosc) + ": 0 do 100)");
    }
    o.glosnosc = std::stoi(*v);
  }
  // Without --audio the choice comes from the environment, whose fault is no option's.
  const std::optional<String> audio = Value(OpcjaPlay::Wyjscie);
  o.wyjscie = audio ? Wartosc(OpcjaPlay::Wyjscie, [&] { return ResolveAudioOutput(audio); })
                    : ResolveAudioOutput(audio);
  if (const auto zapis = Value(OpcjaPlay::Zapis)) {
    if (zapis->empty()) throw UsageError("pusta nazwa pliku " + Opcja(OpcjaPlay::Zapis));
    if (o.wyjscie.kind != AudioOutputChoice::Null)
      throw UsageError(Opcja(OpcjaPlay::Zapis) + " działa tylko z " + Opcja(OpcjaPlay::Wyjscie) + " null");
    o.wyjscie.wavPath = *zapis;
  }
  if (const auto v = Value(OpcjaPlay::Predkosc)) {
    const std::optional<int> q = ParsujPredkosc(*v);
    if (!q) throw UsageError("zła prędkość " + Cytat(*v) + " (" + Opcja(OpcjaPlay::Predkosc) + ": 0.5 do 3 co 0.25)");
    o.predkosc = *q;
  }
  return o;
}

std::optional<int> ParsujPredkosc(const String& tekst) {
  String s = tekst;
  if (!s.empty() && (s.back() == 'x' || s.back() == 'X')) s.pop_back();
  const size_t kropka = s.find_first_of(".,");
  const String calosc = s.substr(0, kropka);
  const String ulamek = kropka == String::npos ? String() : s.substr(kropka + 1);
  const auto cyfry = [](const String& c) { return c.find_first_not_of("0123456789") == String::npos; };
  if (calosc.empty() || calosc.size() > 1 || !cyfry(calosc) || ulamek.size() > 2 || !cyfry(ulamek)) return std::nullopt;
  if (kropka != String::npos && ulamek.empty()) return std::nullopt;
  // Hundredths, then quarters: only exact quarters are speeds.
  const int setne = std::stoi(calosc) * 100 + (ulamek.empty() ? 0 : std::stoi(ulamek) * (ulamek.size() == 1 ? 10 : 1));
  if (setne % 25 != 0 || setne < 50 || setne > 300) return std::nullopt;
  return setne / 25;
}

OpcjeOdtwarzacza ParsujOpcje(const std::vector<String>& argumenty) {
  LiniaOdtwarzacza l;
  if (const auto tekst = l.Read(argumenty)) throw UsageError("--help i --version czyta tylko main");
  return l.Opcje();
}
