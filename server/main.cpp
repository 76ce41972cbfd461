// korwendo-server: serves the recorded stations named in its configuration over TCP.
//   korwendo-server [--listen HOST:PORT] --config FILE
//   korwendo-server [--listen HOST:PORT] --demo --archive DIR
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "DemoRecorder.h"
#include "KonfiguracjaSerwera.h"
#include "Log.h"
#include "Serwer.h"
#include "Stacja.h"

namespace {

Serwer* serwer = nullptr;

void Sygnal(int) {
  if (serwer) serwer->Zatrzymaj();
}

int Uzycie() {
  std::fprintf(stderr,
               "usage: korwendo-server [--listen HOST:PORT] --config FILE\n"
               "       korwendo-server [--listen HOST:PORT] --demo --archive DIR\n"
               "The default address is 0.0.0.0:12540; see docs/server.md for the configuration.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Serwer::Ustawienia u;
  String config, archiwum;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    const String a = argv[i];
    const bool maWartosc = i + 1 < argc;
    if (a == "--listen" && maWartosc) {
      const String v = argv[++i];
      const size_t dwukropek = v.rfind(':');
      String host = dwukropek == String::npos ? v : v.substr(0, dwukropek);
      if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
      u.host = host;
      if (dwukropek != String::npos) {
        char* koniec = nullptr;
        const long p = std::strtol(v.c_str() + dwukropek + 1, &koniec, 10);
        if (*koniec != '\0' || p < 0 || p > 65535) return Uzycie();
        u.port = static_cast<int>(p);
      }
    } else if (a == "--config" && maWartosc) {
      config = argv[++i];
    } else if (a == "--archive" && maWartosc) {
      archiwum = argv[++i];
    } else if (a == "--demo") {
      demo = true;
    } else {
      return Uzycie();
    }
  }
  if (demo == !config.empty() || (demo && archiwum.empty())) return Uzycie();
  // Every client and every archive file read costs a descriptor; the usual soft limit of
  // 1024 would refuse clients long before the server's own limit.
  rlimit r{};
  if (getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
    r.rlim_cur = r.rlim_max;
    setrlimit(RLIMIT_NOFILE, &r);
  }
  try {
    std::vector<std::unique_ptr<Stacja>> stacje;
    std::unique_ptr<DemoRecorder> nagrywarka;
    if (demo) {
      // The recorder writes the three synthetic stations; the server reads them as any archive.
      nagrywarka = std::make_unique<DemoRecorder>(archiwum);
      nagrywarka->Start();
      for (const StacjaDemo& d : DemoRecorder::Stacje()) {
        stacje.push_back(std::make_unique<Stacja>(d.nazwa, std::make_shared<Archive>(nagrywarka->Archiwum(d)),
                                                  nagrywarka->PlikZdarzen(d)));
      }
    } else {
      const KonfiguracjaSerwera k = CzytajPlikKonfiguracji(config);
      for (const String& o : k.ostrzezenia) {
        Log(1, "korwendo-server: " + o, KG_WHERE);
        std::fprintf(stderr, "korwendo-server: %s\n", o.c_str());
      }
      for (const KonfiguracjaStacji& st : k.stacje) stacje.push_back(std::make_unique<Stacja>(st));
      u.polaczenZAdresu = k.polaczenZAdresu;
    }
    Serwer s(std::move(stacje), u);
    s.Otworz();
    serwer = &s;
    std::signal(SIGINT, Sygnal);
    std::signal(SIGTERM, Sygnal);
    std::signal(SIGPIPE, SIG_IGN);
    std::fprintf(stderr, "korwendo-server listening on %s:%d\n", u.host.c_str(), s.Port());
    s.Uruchom();
    serwer = nullptr;
  } catch (const BladPlikuStacji& e) {
    // Read by the person who wrote the file: the sentence alone; where the program noticed
    // it goes to the log.
    Log(2, String("korwendo-server: ") + e.what(), e.Gdzie());
    std::fprintf(stderr, "korwendo-server: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    Log(2, String("korwendo-server: ") + e.what(), KG_WHERE);
    std::fprintf(stderr, "korwendo-server: %s\n", e.what());
    return 1;
  }
  return 0;
}
