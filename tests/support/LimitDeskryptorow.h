#pragma once
// Test-only: the process's descriptor limit lowered for a test and put back, for tests of
// what running out of descriptors does. One thread at a time.
#include <sys/resource.h>

#include <stdexcept>

// Under the address and undefined-behaviour sanitizers a test cannot take the process's
// descriptors away: their check of an object's type reads memory through a pipe, and
// without descriptors it reports every exception the server's threads catch meanwhile (the
// analysis of silences opening files among them) as an object of the wrong type.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizerPotrzebujeDeskryptorow = true;
#else
inline constexpr bool kSanitizerPotrzebujeDeskryptorow = false;
#endif

// The process's descriptor limit, lowered for a test (Obniz) and put back (Przywroc) at the
// latest when it goes.
class LimitDeskryptorow {
 public:
  LimitDeskryptorow() {
    if (getrlimit(RLIMIT_NOFILE, &stary) != 0) throw std::runtime_error("getrlimit");
  }
  ~LimitDeskryptorow() { Przywroc(); }
  LimitDeskryptorow(const LimitDeskryptorow&) = delete;
  LimitDeskryptorow& operator=(const LimitDeskryptorow&) = delete;
  bool Obniz(rlim_t n) {
    rlimit nowy = stary;
    nowy.rlim_cur = n;
    return setrlimit(RLIMIT_NOFILE, &nowy) == 0;
  }
  bool Przywroc() { return setrlimit(RLIMIT_NOFILE, &stary) == 0; }

 private:
  rlimit stary{};
};
