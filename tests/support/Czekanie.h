#pragma once
// The tests' wait on a condition: polls it until it holds or a limit passes, so that a
// test waits for what it needs instead of sleeping for a guessed time. Tests of Qt
// widgets, whose conditions need the event loop turning, poll through QTest::qWait
// instead. Header-only; never part of the program.
//
// Threads: the calling thread; `warunek` must be safe to call from it.
#include <chrono>
#include <thread>

// Calls `warunek` every `coMs` milliseconds until it returns true (then true) or `ms`
// milliseconds have passed (then false, after one last call).
template <class F>
bool CzekajNa(F warunek, int ms, int coMs = 5) {
  const auto koniec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (warunek()) return true;
    if (std::chrono::steady_clock::now() >= koniec) return warunek();
    std::this_thread::sleep_for(std::chrono::milliseconds(coMs));
  }
}
