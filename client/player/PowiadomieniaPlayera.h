#pragma once
// What the player core tells the main window about its connection: five notifications,
// numbered as the window messages they stand for, with their wParam. The window turns
// them into queued events of its own thread; the headless player prints them.
#include <cstdint>

#include "core/String.h"

// The first message number left to applications.
constexpr int WM_APP = 0x8000;

// The connection is up (wParam 0).
constexpr int WM_PLAYER_POLACZONY = WM_APP + 3;
// An established connection was lost or closed by the server (wParam 0).
constexpr int WM_PLAYER_ZERWANY = WM_APP + 4;
// The connection attempt failed: wParam 0 when connecting failed, 1 when the server's host
// name could not be resolved (the window then stops retrying).
constexpr int WM_PLAYER_NIEUDANY = WM_APP + 5;
// A connection to a new server has been started (wParam 0).
constexpr int WM_PLAYER_LACZENIE = WM_APP + 6;

// Threads: Powiadom is called on the message thread (connected, lost, failed) and on the
// thread that commands the player core (connecting), under the player core's TCP client
// lock; implementations must hand the notification over without waiting for the window.
class PowiadomieniaPlayera {
 public:
  // Delivers one notification. A failure to deliver raises; the player core passes it on
  // from the station change and logs it in its socket handlers.
  virtual void Powiadom(int komunikat, uintptr_t wParam) = 0;
  virtual ~PowiadomieniaPlayera() = default;
};

// A line for people and logs: "connected", "connection lost", "connection failed",
// "host lookup failed", "connecting", or "notification <number> <wParam>" for others.
String OpisPowiadomienia(int komunikat, uintptr_t wParam);
