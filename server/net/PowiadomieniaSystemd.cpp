#include "net/PowiadomieniaSystemd.h"

#include <systemd/sd-daemon.h>

#include <string>

#include "net/Metryki.h"

namespace serwer {

PowiadomieniaSystemd::PowiadomieniaSystemd(const Metryki& m) : metryki(m) {}

void PowiadomieniaSystemd::Wyslij(bool gotowy) {
  const int gracze = metryki.Gracze();
  const std::string stan = std::string(gotowy ? "READY=1\n" : "WATCHDOG=1\n") + "STATUS=players " +
                           std::to_string(gracze) + (metryki.Gotowy() ? "" : ", first look at the archives");
  // Without NOTIFY_SOCKET this does nothing; a failure to reach systemd is left to its
  // watchdog, which then restarts the service.
  sd_notify(0, stan.c_str());
}

void PowiadomieniaSystemd::Gotowy() {
  Wyslij(true);
  ostatni = std::chrono::steady_clock::now();
}

void PowiadomieniaSystemd::Takt() {
  const auto teraz = std::chrono::steady_clock::now();
  if (teraz - ostatni < std::chrono::seconds(1)) return;
  ostatni = teraz;
  Wyslij(false);
}

void PowiadomieniaSystemd::Konczy() { sd_notify(0, "STOPPING=1\nSTATUS=stopping"); }

}  // namespace serwer
