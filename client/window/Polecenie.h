#pragma once
// What a key asks of the main window's logic, whatever key gave it. The window maps its
// own keys to these (in the Qt window: the keypad's digits only with Num Lock on), so that
// the logic never sees a key code. Any thread (a value).
enum class Polecenie {
  Graj,
  Stop,
  Wstecz5s,
  Naprzod5s,
  Wstecz1min,
  Naprzod1min,
  Wstecz1h,
  Naprzod1h,
  // The favourite buttons 1-4: their station, or their assignment menu when unassigned.
  Ulubiona1,
  Ulubiona2,
  Ulubiona3,
  Ulubiona4,
  Minimalizuj,
  // The live edge (End, the "Na żywo" button).
  NaZywo,
  // The prompt "Przejdź do" (Ctrl+G); the link of the moment heard (Ctrl+Shift+C).
  PrzejdzDo,
  KopiujLink,
  // One quarter of the normal speed slower / faster ("[" and "]"), within 0.5x to 3x.
  Wolniej,
  Szybciej,
};
