#pragma once
// What the player core tells its owner about its connection: five notifications. The
// window turns them into queued events of its own thread; the headless tools print them.
#include "core/String.h"

enum class ZdarzeniePolaczenia {
  Laczenie,            // a connection to a new server has been started
  Polaczony,           // the connection is up
  Zerwany,             // an established connection was lost or closed by the server
  Nieudany,            // the connection attempt failed
  NieZnalezionoHosta,  // the server's host name could not be resolved (nothing retries it)
};

// Threads: Powiadom is called on the message thread (connected, lost, failed) and on the
// thread that commands the player core (connecting), under the player core's TCP client
// lock; implementations must hand the notification over without waiting for the window.
class PowiadomieniaPlayera {
 public:
  // Delivers one notification. A failure to deliver raises; the player core passes it on
  // from the station change and logs it in its socket handlers.
  virtual void Powiadom(ZdarzeniePolaczenia z) = 0;
  virtual ~PowiadomieniaPlayera() = default;
};

// A line for people and logs: "connected", "connection lost", "connection failed",
// "host lookup failed", "connecting".
String OpisPowiadomienia(ZdarzeniePolaczenia z);
