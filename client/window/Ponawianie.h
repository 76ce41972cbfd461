#pragma once
// The reconnect policy of every player of this program, the window and the headless one:
// which connection notifications of the player core call for another attempt, and when.
// Plain functions; any thread.
#include "player/PowiadomieniaPlayera.h"

namespace ponawianie {

// The wait before another attempt, in milliseconds.
inline constexpr int kOdstepMs = 5000;

// True when the notification calls for another attempt at the same station and server
// after kOdstepMs: a connection lost or one that could not be made. A server whose host
// name does not resolve is not tried again: that is the user's to mend.
bool PonowPo(ZdarzeniePolaczenia z);

}  // namespace ponawianie
