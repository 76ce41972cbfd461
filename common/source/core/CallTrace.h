#pragma once
// Call tracing: every public operation of the program's own classes pushes its number on
// the calling thread's call chain at entry (KG_TRACE) and pops it on its normal return,
// so that a failure can be logged with the whole chain of function names. An exception
// leaves the entries of the functions it passes through on the chain.
//
// Threads: each thread touches only its own Stos, without locks; Numeracja and the
// handing out of stacks are guarded by their own critical sections.
#include <atomic>
#include <exception>

#include "Darray.h"
#include "ECriticalSection.h"
#include "String.h"
#include "darray2.h"

// Function names indexed by number; "ales" holds number 0.
class Numeracja : public ECriticalSection {
 public:
  Numeracja();
  // Registers `name` and returns its number (a new one at every call).
  int Numer(const String& name);
  // The name of a number; the empty text for a number never handed out.
  String Nazwa(int number);

 private:
  Darray<String> names_;
  int next_ = 0;
};

// One thread's call chain (oldest first) and the depth marks of its start routine.
struct Stos {
  darray2<int> chain;
  darray2<int> marks;
  // The thread's count of exceptions in flight, read in place: the C++ runtime keeps it
  // in a per-thread record whose address never changes for the thread's life, so a
  // traced call reads one word instead of calling std::uncaught_exceptions() twice.
  const unsigned* uncaught = nullptr;
};

// Every thread's Stos, in the order threads first ran traced code. Never shrinks.
class MultiStos : public ECriticalSection {
 public:
  Stos& Next();

 private:
  Darray<Stos> stacks_;
};

namespace trace {
// 0 = not initialised, 1 = active, 2 = shut down.
extern std::atomic<int> state;
// Constant-initialised, so that reading it is one thread-local load with no wrapper call.
inline thread_local Stos* current = nullptr;
Stos* Attach();
}  // namespace trace

// Registers a traced function's signature; returns its number (-1 after shutdown).
int TraceRegister(const char* signature);

// Entry: pushes `number` on this thread's chain.
inline void TraceEnter(int number) {
  if (trace::state.load(std::memory_order_relaxed) == 2) return;
  Stos* stos = trace::current;
  if (stos == nullptr) stos = trace::Attach();
  stos->chain[stos->chain.count] = number;
  ++stos->chain.count;
}

// Exit: pops the top entry. Raises "W funcji <name> sa 2 popy" when this function's
// entry was already removed, "W funkcji <name> brakuje popa" when the function on top
// returned without its exit; the top entry stays removed in both cases.
void TraceExitSlow(Stos* stos, int number);
inline void TraceExit(int number) {
  if (trace::state.load(std::memory_order_relaxed) == 2) return;
  Stos* stos = trace::current;
  if (stos == nullptr || stos->chain.count == 0) return;
  --stos->chain.count;
  if (stos->chain[stos->chain.count] != number) TraceExitSlow(stos, number);
}

// The scoped entry and exit of one traced call; the exit runs on the normal return
// path only, not while an exception unwinds through the function.
class TraceGuard {
 public:
  explicit TraceGuard(int number) : number_(number) {
    if (trace::state.load(std::memory_order_relaxed) == 2) return;
    Stos* stos = trace::current;
    if (stos == nullptr) stos = trace::Attach();
    uncaught_ = *stos->uncaught;
    stos->chain[stos->chain.count] = number;
    ++stos->chain.count;
  }
  TraceGuard(const TraceGuard&) = delete;
  TraceGuard& operator=(const TraceGuard&) = delete;
  ~TraceGuard() noexcept(false) {
    Stos* stos = trace::current;
    // No stack: tracing was off at entry or has shut down since.
    if (stos == nullptr || trace::state.load(std::memory_order_relaxed) == 2) return;
    if (*stos->uncaught == uncaught_) TraceExit(number_);
  }

 private:
  int number_;
  unsigned uncaught_ = 0;
};

// Traces the enclosing function under `signature`, for example "Czas::Napis()".
#define KG_TRACE(signature)                                               \
  static const int kg_trace_number_ = ::TraceRegister(signature);         \
  ::TraceGuard kg_trace_guard_(kg_trace_number_)

// This thread's chain as names joined by " -> "; "stos nie zainicjalizowany" when the
// thread never ran traced code.
String CallTraceText();

// Pushes the current depth on this thread's marks / pops it and cuts the chain back.
void TraceMarkDepth();
void TraceReturnToMark();

// Marks the depth at construction and cuts the chain back to it at destruction: whoever
// catches failures of traced code and goes on running (a message loop, a fuzz input, a
// playback thread) holds one around each unit of work, so the entries an exception left
// behind never pile up or make a later exit raise.
class TraceDepthScope {
 public:
  TraceDepthScope() { TraceMarkDepth(); }
  TraceDepthScope(const TraceDepthScope&) = delete;
  TraceDepthScope& operator=(const TraceDepthScope&) = delete;
  ~TraceDepthScope() { TraceReturnToMark(); }
};

// At process exit, once every thread has stopped: tracing stops for good. The stacks are
// left to the process's end, so a thread that outlived its owner cannot touch freed memory.
void TraceShutdown();
