#pragma once
// What the server tells systemd when a unit of Type=notify runs it: READY=1 once it
// listens, WATCHDOG=1 from the loop's tick (so that a loop that stops turning is noticed
// within WatchdogSec and the service restarted), STATUS= with the number of players, and
// STOPPING=1 as it ends. Outside systemd (no NOTIFY_SOCKET) nothing is sent.
//
// Threads: Gotowy and Konczy on the main thread, Takt on the loop thread; sd_notify may be
// called from any thread, and `ostatni` is the loop thread's alone.
#include <chrono>

namespace serwer {

class Metryki;

class PowiadomieniaSystemd {
 public:
  // `m` (the players counted) must outlive this.
  explicit PowiadomieniaSystemd(const Metryki& m);

  // The server listens: READY=1 and the first status.
  void Gotowy();
  // A tick of the loop: WATCHDOG=1 and the status, at most once a second.
  void Takt();
  // The server is stopping.
  void Konczy();

 private:
  void Wyslij(bool gotowy);

  const Metryki& metryki;
  std::chrono::steady_clock::time_point ostatni{};
};

}  // namespace serwer
