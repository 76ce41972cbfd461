// korwendo-server: serves the recorded stations named in its configuration over TCP;
// `korwendo-server --help` tells how to call it.
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include "archive/DemoRecorder.h"
#include "commandline/CommandLine.h"
#include "core/Log.h"
#include "core/LogJournal.h"
#include "core/SygnalyKonca.h"
#include "net/KonfiguracjaSerwera.h"
#include "net/LimitPolaczen.h"
#include "net/Metryki.h"
#include "net/PowiadomieniaSystemd.h"
#include "net/Serwer.h"
#include "net/SerwerHttp.h"
#include "net/Stacja.h"
#include "transport/ServerAddress.h"

namespace {

// The option names, as given after "--".
constexpr const char* kListen = "listen";
constexpr const char* kConfig = "config";
constexpr const char* kDemo = "demo";
constexpr const char* kArchive = "archive";
constexpr const char* kSilences = "silences";
constexpr const char* kMetrics = "metrics";

class LiniaSerwera : public CommandLine {
 public:
  LiniaSerwera()
      : CommandLine("korwendo-server",
                    {"[--listen HOST:PORT] [--metrics HOST:PORT] --config FILE",
                     "[--listen HOST:PORT] [--metrics HOST:PORT] --demo --archive DIR"},
                    "Serves the stations recorded in the archives that FILE names (see "
                    "docs/server.md), or, with --demo, records three synthetic time-coded "
                    "stations in DIR and serves them. It runs until SIGINT or SIGTERM.",
                    "HOST:PORT: a name or address, an IPv6 one in brackets ([::]:12540), or\n"
                    "  :PORT for every address; the port is 12540 when none is given.\n") {
    AddValue(kListen, "HOST:PORT", "the address to listen on; default 0.0.0.0:12540; port 0 takes any free port");
    AddValue(kMetrics, "HOST:PORT",
             "serve /metrics (Prometheus) and /health over HTTP there; IPv4 only, the port must be given");
    AddValue(kConfig, "FILE", "the station file: one [section] per station, with its archive and events file");
    AddSwitch(kDemo, "record the demo stations and serve them");
    AddValue(kArchive, "DIR", "with --demo: where the demo stations are recorded");
    AddSwitch(kSilences, "with --demo: the stations fall silent at known moments every hour (dead air to find)");
  }

  // The settings of the server and what it serves; raises a UsageError for a bad address
  // or a combination of options that does not go together.
  void Czytaj(serwer::Serwer::Ustawienia& u, std::optional<ServerAddress>& metryki, String& config, String& archiwum,
              bool& demo, bool& cisze) const {
    if (const auto v = Value(kListen)) {
      // ":PORT" leaves the host empty: the server then listens on every address.
      const bool kazdy = v->size() > 1 && (*v)[0] == ':' && v->find(':', 1) == String::npos;
      try {
        const ServerAddress a = ParseServerAddress(kazdy ? "0.0.0.0" + *v : *v, true);
        u.host = kazdy ? String() : a.host;
        if (a.portGiven) u.port = a.port;
      } catch (const std::exception& e) {
        throw UsageError(TerminalSentence(e.what()) + " (" + Opcja(kListen) + ")");
      }
    }
    if (const auto v = Value(kMetrics)) {
      const bool kazdy = v->size() > 1 && (*v)[0] == ':' && v->find(':', 1) == String::npos;
      try {
        ServerAddress a = ParseServerAddress(kazdy ? "0.0.0.0" + *v : *v, true);
        if (kazdy) a.host.clear();
        metryki = a;
      } catch (const std::exception& e) {
        throw UsageError(TerminalSentence(e.what()) + " (" + Opcja(kMetrics) + ")");
      }
      // The archive server's own port is no default for another service.
      if (!metryki->portGiven) throw UsageError(Opcja(kMetrics) + " wymaga portu (HOST:PORT)");
      if (metryki->host.find(':') != String::npos) throw UsageError(Opcja(kMetrics) + " działa tylko z IPv4");
    }
    config = Value(kConfig).value_or("");
    archiwum = Value(kArchive).value_or("");
    demo = IsSet(kDemo);
    cisze = IsSet(kSilences);
    if (IsSet(kConfig) && config.empty()) throw UsageError("pusta nazwa pliku " + Opcja(kConfig));
    if (demo && IsSet(kConfig)) throw UsageError(Opcja(kDemo) + " i " + Opcja(kConfig) + " wykluczają się");
    if (!demo && !IsSet(kConfig)) throw UsageError("podaj --config PLIK albo --demo --archive KATALOG");
    if (demo && archiwum.empty()) throw UsageError(Opcja(kDemo) + " wymaga " + Opcja(kArchive) + " KATALOG");
    if (!demo && IsSet(kArchive)) throw UsageError(Opcja(kArchive) + " działa tylko z " + Opcja(kDemo));
    if (!demo && cisze) throw UsageError(Opcja(kSilences) + " działa tylko z " + Opcja(kDemo));
  }
};

}  // namespace

int main(int argc, char** argv) {
  LiniaSerwera linia;
  serwer::Serwer::Ustawienia u;
  String config, archiwum;
  bool demo = false;
  bool cisze = false;
  std::optional<ServerAddress> adresMetryk;
  if (const auto wyjscie =
          ReadCommandLine(linia, argc, argv, [&] { linia.Czytaj(u, adresMetryk, config, archiwum, demo, cisze); }))
    return *wyjscie;
  // Under systemd the log goes to the journal too, each line with its priority.
  LogToJournalIfConnected();
  // SIGINT, SIGTERM and SIGHUP stop the loop, which ends cleanly; blocked before the
  // recorder's and the server's threads start.
  SygnalyKonca::Zablokuj();
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::unique_ptr<serwer::Stacja>> stacje;
  std::unique_ptr<DemoRecorder> nagrywarka;
  try {
    if (demo) {
      // The recorder writes the three synthetic stations; the server reads them as any archive.
      OpcjeDemo opcje;
      opcje.cisze = cisze;
      nagrywarka = std::make_unique<DemoRecorder>(archiwum, opcje);
      nagrywarka->Start();
      for (const StacjaDemo& d : DemoRecorder::Stacje()) {
        stacje.push_back(std::make_unique<serwer::Stacja>(d.nazwa, std::make_shared<Archive>(nagrywarka->Archiwum(d)),
                                                  nagrywarka->PlikZdarzen(d)));
      }
    } else {
      const serwer::KonfiguracjaSerwera k = serwer::CzytajPlikKonfiguracji(config);
      for (const String& o : k.ostrzezenia) {
        Log(1, "korwendo-server: " + o, KG_WHERE);
        std::fprintf(stderr, "%skorwendo-server: %s\n", JournalPrefix(1).c_str(), o.c_str());
      }
      for (const serwer::KonfiguracjaStacji& st : k.stacje) stacje.push_back(std::make_unique<serwer::Stacja>(st));
      u.maksKlientow = k.polaczen;
      u.polaczenZAdresu = k.polaczenZAdresu;
      u.proxy = k.proxy;
    }
  } catch (const serwer::BladPlikuStacji& e) {
    // Read by the person who wrote the file: the sentence with its own advice; where the
    // program noticed it goes to the log.
    Log(2, String("korwendo-server: ") + e.what(), e.Gdzie());
    std::fprintf(stderr, "%skorwendo-server: %s\n", JournalPrefix(2).c_str(), BezSterujacych(e.what()).c_str());
    return 1;
  } catch (const std::exception& e) {
    return ReportFailure(e, demo ? "sprawdź, czy katalog " + Opcja(kArchive) + " da się utworzyć i zapisać"
                                 : "popraw plik stacji (jego postać opisuje docs/server.md)");
  }
  // Every connection and every archive file read costs a descriptor; the usual soft limit
  // of 1024 would refuse clients long before the server's own limit.
  const serwer::LimitPolaczen limit = serwer::UstawLimitDeskryptorow(u.maksKlientow);
  if (!limit.ostrzezenie.empty()) {
    Log(1, "korwendo-server: " + limit.ostrzezenie, KG_WHERE);
    std::fprintf(stderr, "%skorwendo-server: %s\n", JournalPrefix(1).c_str(), limit.ostrzezenie.c_str());
    u.maksKlientow = limit.polaczen;
  }
  try {
    // Counted always: systemd's status tells the players also without --metrics.
    serwer::Metryki metryki(stacje);
    serwer::PowiadomieniaSystemd systemd(metryki);
    u.klient.metryki = &metryki;
    u.takt = [&systemd] { systemd.Takt(); };
    serwer::Serwer s(std::move(stacje), u);
    try {
      s.Otworz();
    } catch (const std::exception& e) {
      return ReportFailure(e, "podaj w " + Opcja(kListen) + " adres tego komputera i wolny port");
    }
    std::unique_ptr<serwer::SerwerHttp> http;
    if (adresMetryk) {
      try {
        http = std::make_unique<serwer::SerwerHttp>(adresMetryk->host, adresMetryk->port, metryki);
      } catch (const std::exception& e) {
        return ReportFailure(e, "podaj w " + Opcja(kMetrics) + " adres IPv4 tego komputera i wolny port");
      }
    }
    SygnalyKonca sygnaly;
    std::fprintf(stderr, "%skorwendo-server listening on %s\n", JournalPrefix(3).c_str(),
                 ServerAddress{u.host, s.Port()}.Text().c_str());
    if (http) {
      std::fprintf(stderr, "%skorwendo-server metrics on http://%s/metrics\n", JournalPrefix(3).c_str(),
                   ServerAddress{adresMetryk->host.empty() ? String("0.0.0.0") : adresMetryk->host, http->Port()}
                       .Text()
                       .c_str());
    }
    systemd.Gotowy();
    s.Uruchom(&sygnaly);
    systemd.Konczy();
  } catch (const std::exception& e) {
    return ReportFailure(e);
  }
  return 0;
}
