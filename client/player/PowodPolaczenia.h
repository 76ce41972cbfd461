#pragma once
// Why a connection was lost or failed, for the status line, in Polish: the TCP client and
// the system speak English ("host:port: Connection Closed: Connection reset by peer"),
// the user reads "połączenie przerwane przez serwer". The client's own reasons, already
// Polish, pass unchanged; the host and port and the source location are left out. The log
// keeps the original. Thread-safe: a plain function on values.
#include "core/String.h"

// The reason of `blad` (the player core's Blad()) in Polish; empty when there is none.
String PowodPoPolsku(const String& blad);
