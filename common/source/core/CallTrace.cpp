#include "core/CallTrace.h"

#include <mutex>


// The Itanium C++ ABI's per-thread exception record, which the runtime hands out through
// __cxa_get_globals(); its layout is part of that ABI.
namespace __cxxabiv1 {
struct __cxa_eh_globals;
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept;
}  // namespace __cxxabiv1

namespace {
struct EhGlobals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};
}  // namespace

namespace trace {
std::atomic<int> state{0};
}  // namespace trace

namespace {

Numeracja* numeracja = nullptr;
MultiStos* multiStos = nullptr;

void Initialise() {
  // The state made here is this process's own, so a lock of this process is all it needs;
  // it also orders the memory, so the state is seen whole by the next thread.
  static std::mutex local;
  std::lock_guard<std::mutex> lock(local);
  if (trace::state.load() == 0) {
    numeracja = new Numeracja();
    multiStos = new MultiStos();
    trace::state.store(1);
  }
}

}  // namespace

Numeracja::Numeracja() { Numer("ales"); }

int Numeracja::Numer(const String& name) {
  Synchronized lock(this);
  const int number = next_++;
  names_[number] = name;
  names_.count = next_;
  return number;
}

String Numeracja::Nazwa(int number) {
  Synchronized lock(this);
  if (number < 0 || number >= next_) return String();
  return names_[number];
}

Stos& MultiStos::Next() {
  Synchronized lock(this);
  return stacks_[stacks_.count++];
}

Stos* trace::Attach() {
  if (state.load() == 0) Initialise();
  Stos& stos = multiStos->Next();
  stos.uncaught = &reinterpret_cast<EhGlobals*>(__cxxabiv1::__cxa_get_globals())->uncaughtExceptions;
  current = &stos;
  return current;
}

int TraceRegister(const char* signature) {
  if (trace::state.load() == 0) Initialise();
  if (trace::state.load() == 2) return -1;
  return numeracja->Numer(signature);
}

void TraceExitSlow(Stos* stos, int number) {
  const int removed = stos->chain[stos->chain.count];
  // Slot count + 1 still holds whatever an earlier push left there: this function's own
  // number when its entry was popped before (its exit ran twice).
  if (stos->chain[stos->chain.count + 1] == number) {
    KG_ERROR("W funcji " + numeracja->Nazwa(number) + " sa 2 popy");
  }
  KG_ERROR("W funkcji " + numeracja->Nazwa(removed) + " brakuje popa");
}

String CallTraceText() {
  Stos* stos = trace::current;
  if (stos == nullptr || trace::state.load() != 1) return "stos nie zainicjalizowany";
  String text;
  for (int i = 0; i < stos->chain.count; ++i) {
    if (i > 0) text += " -> ";
    text += numeracja->Nazwa(stos->chain[i]);
  }
  return text;
}

void TraceMarkDepth() {
  if (trace::state.load() == 2) return;
  Stos* stos = trace::current ? trace::current : trace::Attach();
  stos->marks.Append(stos->chain.count);
}

void TraceReturnToMark() {
  Stos* stos = trace::current;
  if (stos == nullptr || stos->marks.count == 0) return;
  --stos->marks.count;
  stos->chain.count = stos->marks[stos->marks.count];
}

void TraceShutdown() {
  trace::state.store(2);
  trace::current = nullptr;
}
