#include "net/LimitPolaczen.h"

#include <sys/resource.h>

#include <algorithm>
#include <string>

namespace serwer {

LimitPolaczen UstawLimitDeskryptorow(int polaczen) {
  const rlim_t potrzeba = static_cast<rlim_t>(polaczen) + kDeskryptoryWlasne;
  rlimit r{};
  if (getrlimit(RLIMIT_NOFILE, &r) != 0) return LimitPolaczen{polaczen, String()};
  if (r.rlim_cur < potrzeba) {
    rlimit nowy = r;
    nowy.rlim_cur = potrzeba;
    if (r.rlim_max != RLIM_INFINITY && r.rlim_max < potrzeba) nowy.rlim_max = potrzeba;
    if (setrlimit(RLIMIT_NOFILE, &nowy) != 0 && r.rlim_cur < r.rlim_max) {
      // The hard limit stays: as far as it goes.
      nowy = r;
      nowy.rlim_cur = r.rlim_max;
      setrlimit(RLIMIT_NOFILE, &nowy);
    }
    getrlimit(RLIMIT_NOFILE, &r);
  }
  if (r.rlim_cur >= potrzeba) return LimitPolaczen{polaczen, String()};
  const int mozna = std::max(16, static_cast<int>(r.rlim_cur) - kDeskryptoryWlasne);
  return LimitPolaczen{
      mozna, "system pozwala otworzyć najwyżej " + std::to_string(r.rlim_cur) + " plików naraz, więc serwer obsłuży " +
                 "najwyżej " + std::to_string(mozna) + " połączeń zamiast " + std::to_string(polaczen) +
                 " (polaczen); podnieś ten limit (LimitNOFILE= w jednostce systemd, ulimit -n w powłoce) albo zmniejsz " +
                 "polaczen w pliku stacji"};
}

}  // namespace serwer
