#pragma once
// The main window's keys as what they mean to its logic: the keypad's digits and decimal
// point (with Num Lock on; with it off they are navigation keys, and the keypad's 1 is
// End), End, F4, F5-F8, Esc, "[" and "]", Ctrl+G and Ctrl+Shift+C. A pure function of
// the event; any thread.
#include <optional>

#include "window/Polecenie.h"

class QKeyEvent;

// What key press `k` means; nothing for a key that means nothing to the logic.
std::optional<Polecenie> PolecenieKlawisza(const QKeyEvent& k);
