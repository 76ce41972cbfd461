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

#include "core/Darray.h"
#include "core/ECriticalSection.h"
#include "core/String.h"
#include "core/darray2.h"

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

namespace trace {

// The comparison behind KG_TRACE's compile-time check: whether `signature` names the
// function whose __PRETTY_FUNCTION__ text is `funkcja`. The qualified name before the
// "(" must be the function's own, class and namespaces included but template arguments
// and anonymous namespaces left out ("Update::Name()" for "String Update<T>::Name()"),
// and the parameters must have the function's types, in its order. Each parameter is
// written as the declaration writes it, its name optional: the types are compared after
// dropping the parameter name, a default value, template arguments, the qualifiers of
// a name ("ns::T" and "T" agree), a top-level const (a const value parameter is the same
// type) and the spaces that separate no words, an array being read as a pointer; so
// "Inifile2::Write(const char* c, int n)" and "Inifile2::Write(const char *, int)" name
// "void Inifile2::Write(const char*, int)", while "Inifile2::Write(char*,int)" does not.
// A signature without "(" names the function only. A lambda is traced under the function
// that holds it.
class ZgodnoscNazwy {
 public:
  static constexpr bool Zgodne(const char* signature, const char* funkcja) {
    Nazwa t = ZSygnatury(signature);
    Znormalizowana f(funkcja);
    if (f.przepelniona) return true;  // longer than any name of this program; not judged
    const Nazwa w = f.DajNazwe();
    if (!Rowne(t.poczatek, t.dlugosc, w.poczatek, w.dlugosc)) return false;
    if (t.lista == nullptr) return true;
    if (w.lista == nullptr) return false;
    const Typy a(t.lista);
    const Typy b(w.lista);
    if (a.przepelniona || b.przepelniona) return true;  // not judged
    return Rowne(a.tekst, a.dlugosc, b.tekst, b.dlugosc);
  }

  // The parameter list that opens at `lista[0] == '('` in the form compared: each type as
  // described above, with spaces only between two words, the types joined by ",".
  struct Typy {
    static constexpr int Rozmiar = 1024;
    char tekst[Rozmiar] = {};
    int dlugosc = 0;
    bool przepelniona = false;

    constexpr void Dopisz(const char* s, int n) {
      for (int i = 0; i < n; ++i) {
        if (dlugosc + 1 >= Rozmiar) {
          przepelniona = true;
          return;
        }
        tekst[dlugosc++] = s[i];
      }
    }

    constexpr explicit Typy(const char* lista) {
      int i = 1;
      bool pierwszy = true;
      while (lista[i] != 0 && lista[i] != ')') {
        i = Parametr(lista, i, pierwszy);
        pierwszy = false;
        if (lista[i] == ',') ++i;
      }
    }

   private:
    struct Slowo {
      const char* s = nullptr;
      int n = 0;
      bool wyraz = false;  // a word (a name or a keyword), else a sign
    };
    static constexpr int MaksSlow = 48;

    static constexpr bool Jest(const Slowo& w, const char* tekst) {
      int k = 0;
      while (tekst[k] != 0) ++k;
      return w.wyraz && Rowne(w.s, w.n, tekst, k);
    }
    // A word that is a type or part of one by itself, never a parameter's name.
    static constexpr bool Wbudowany(const Slowo& w) {
      for (const char* k : {"void", "bool", "char", "wchar_t", "char8_t", "char16_t", "char32_t", "short", "int",
                            "long", "signed", "unsigned", "float", "double", "const", "volatile", "auto"}) {
        if (Jest(w, k)) return true;
      }
      return false;
    }

    // Reads the parameter that starts at lista[i] up to its "," or the list's ")" and
    // appends its type; returns the position of that "," or ")".
    constexpr int Parametr(const char* lista, int i, bool pierwszy) {
      Slowo slowa[MaksSlow] = {};
      int n = 0;
      int szpiczaste = 0;
      int nawiasy = 0;
      int tablice = 0;
      bool domyslna = false;
      for (; lista[i] != 0; ++i) {
        const char c = lista[i];
        if (szpiczaste == 0 && nawiasy == 0 && (c == ',' || c == ')')) break;
        if (c == '<') {
          ++szpiczaste;
          continue;
        }
        if (c == '>' && szpiczaste > 0) {
          --szpiczaste;
          continue;
        }
        if (szpiczaste > 0) continue;
        if (c == '(') ++nawiasy;
        if (c == ')') --nawiasy;
        if (c == '=' && nawiasy == 0) domyslna = true;
        if (domyslna || c == ' ') continue;
        if (c == '[') {
          ++tablice;
          while (lista[i] != 0 && lista[i] != ']') ++i;
          if (lista[i] == 0) break;
          continue;
        }
        if (n == MaksSlow) {
          przepelniona = true;
          continue;
        }
        if (Litera(c) || c == ':') {
          int koniec = i;
          int od = i;
          while (Litera(lista[koniec]) || lista[koniec] == ':') {
            if (lista[koniec] == ':' && lista[koniec + 1] == ':') od = koniec + 2;
            ++koniec;
          }
          slowa[n++] = Slowo{lista + od, koniec - od, true};
          i = koniec - 1;
          continue;
        }
        slowa[n++] = Slowo{lista + i, 1, false};
      }
      // The name: a last word after another word that makes a type, or a word in a
      // declarator's parentheses, "(*name)".
      bool wskaznik = false;
      for (int k = 0; k < n; ++k) wskaznik = wskaznik || (!slowa[k].wyraz && slowa[k].s[0] != '(' && slowa[k].s[0] != ')');
      for (int k = 0; k < n; ++k) {
        if (!slowa[k].wyraz || Wbudowany(slowa[k])) continue;
        bool typPrzed = false;
        for (int j = 0; j < k; ++j) typPrzed = typPrzed || (slowa[j].wyraz && !Jest(slowa[j], "const") && !Jest(slowa[j], "volatile") &&
                                                          !Jest(slowa[j], "struct") && !Jest(slowa[j], "class") &&
                                                          !Jest(slowa[j], "enum") && !Jest(slowa[j], "typename"));
        const bool ostatni = k == n - 1;
        const bool wNawiasie = k > 0 && k + 1 < n && slowa[k + 1].s[0] == ')' && !slowa[k - 1].wyraz;
        if (typPrzed && (ostatni || wNawiasie)) slowa[k].n = 0;
      }
      // A top-level const: on a value, or after the last "*".
      if (!wskaznik) {
        for (int k = 0; k < n; ++k) {
          if (Jest(slowa[k], "const") || Jest(slowa[k], "volatile")) slowa[k].n = 0;
        }
      } else {
        int k = n - 1;
        while (k >= 0 && slowa[k].n == 0) --k;
        if (k >= 0 && (Jest(slowa[k], "const") || Jest(slowa[k], "volatile"))) slowa[k].n = 0;
      }
      // A built-in integer in the compiler's order of words: "unsigned long long" is
      // "long long unsigned int".
      int dlugie = 0;
      bool krotki = false, bezZnaku = false, zeZnakiem = false, znak = false, inny = false;
      int pierwszyWyraz = -1;
      for (int k = 0; k < n; ++k) {
        const Slowo& w = slowa[k];
        const bool liczbowy = Jest(w, "long") || Jest(w, "short") || Jest(w, "unsigned") || Jest(w, "signed") ||
                              Jest(w, "int") || Jest(w, "char");
        if (!liczbowy) {
          inny = inny || Jest(w, "double");
          continue;
        }
        if (pierwszyWyraz < 0) pierwszyWyraz = k;
        dlugie += Jest(w, "long") ? 1 : 0;
        krotki = krotki || Jest(w, "short");
        bezZnaku = bezZnaku || Jest(w, "unsigned");
        zeZnakiem = zeZnakiem || Jest(w, "signed");
        znak = znak || Jest(w, "char");
      }
      if (pierwszyWyraz >= 0 && !inny && (dlugie > 0 || krotki || bezZnaku || zeZnakiem)) {
        const char* nazwa = znak ? (bezZnaku ? "unsigned char" : zeZnakiem ? "signed char" : "char")
                            : krotki ? (bezZnaku ? "short unsigned int" : "short int")
                            : dlugie == 1 ? (bezZnaku ? "long unsigned int" : "long int")
                            : dlugie >= 2 ? (bezZnaku ? "long long unsigned int" : "long long int")
                            : (bezZnaku ? "unsigned int" : "int");
        int dl = 0;
        while (nazwa[dl] != 0) ++dl;
        for (int k = 0; k < n; ++k) {
          if (Jest(slowa[k], "long") || Jest(slowa[k], "short") || Jest(slowa[k], "unsigned") ||
              Jest(slowa[k], "signed") || Jest(slowa[k], "int") || Jest(slowa[k], "char")) {
            slowa[k].n = 0;
          }
        }
        slowa[pierwszyWyraz] = Slowo{nazwa, dl, true};
      }
      // "void" alone is no parameter.
      int slow = 0;
      for (int k = 0; k < n; ++k) slow += slowa[k].n > 0 ? 1 : 0;
      if (slow == 1 && pierwszy && tablice == 0) {
        for (int k = 0; k < n; ++k) {
          if (Jest(slowa[k], "void") && (lista[i] == ')')) return i;
        }
      }
      if (!pierwszy) Dopisz(",", 1);
      bool poWyrazie = false;
      for (int k = 0; k < n; ++k) {
        if (slowa[k].n == 0) continue;
        if (poWyrazie && slowa[k].wyraz) Dopisz(" ", 1);
        Dopisz(slowa[k].s, slowa[k].n);
        poWyrazie = slowa[k].wyraz;
      }
      if (tablice > 0) Dopisz("*", 1);
      return i;
    }
  };

 private:
  struct Nazwa {
    const char* poczatek = nullptr;
    int dlugosc = 0;
    const char* lista = nullptr;  // the "(" of the parameter list; null: not stated
  };

  static constexpr bool Rowne(const char* a, int na, const char* b, int nb) {
    if (na != nb) return false;
    for (int i = 0; i < na; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  static constexpr bool Zaczyna(const char* s, const char* przedrostek) {
    for (; *przedrostek != 0; ++s, ++przedrostek) {
      if (*s != *przedrostek) return false;
    }
    return true;
  }
  static constexpr bool Litera(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  }

  static constexpr Nazwa ZSygnatury(const char* s) {
    Nazwa n;
    n.poczatek = s;
    while (*n.poczatek == ' ') ++n.poczatek;
    int i = 0;
    while (n.poczatek[i] != 0 && n.poczatek[i] != '(') ++i;
    // "operator()" keeps its own parentheses.
    if (i >= 8 && Zaczyna(n.poczatek + i - 8, "operator") && Zaczyna(n.poczatek + i, "()")) i += 2;
    while (n.poczatek[i] != 0 && n.poczatek[i] != '(') ++i;
    n.dlugosc = i;
    while (n.dlugosc > 0 && n.poczatek[n.dlugosc - 1] == ' ') --n.dlugosc;
    if (n.poczatek[i] == '(') n.lista = n.poczatek + i;
    return n;
  }

  // The compiler's text without template arguments, anonymous namespaces and classes, and
  // the " [with T = ...]" tail, and where its own parameter list opens.
  struct Znormalizowana {
    static constexpr int Rozmiar = 2048;
    char tekst[Rozmiar] = {};
    int dlugosc = 0;
    int nawias = -1;
    bool przepelniona = false;

    constexpr void Dopisz(char c) {
      if (dlugosc + 1 >= Rozmiar) {
        przepelniona = true;
        return;
      }
      tekst[dlugosc++] = c;
    }

    constexpr explicit Znormalizowana(const char* f) {
      int szpiczaste = 0;
      for (int i = 0; f[i] != 0;) {
        if (szpiczaste == 0 && (Zaczyna(f + i, "{anonymous}::") || Zaczyna(f + i, "(anonymous namespace)::") ||
                                Zaczyna(f + i, "(anonymous class)::"))) {
          while (!Zaczyna(f + i, "::")) ++i;
          i += 2;
          continue;
        }
        if (szpiczaste == 0 && Zaczyna(f + i, " [")) break;
        if (szpiczaste == 0 && Zaczyna(f + i, "operator") && (i == 0 || !Litera(f[i - 1])) && !Litera(f[i + 8])) {
          // An operator's name runs to its parameter list: "operator()", "operator<<".
          for (int k = 0; k < 8; ++k) Dopisz(f[i++]);
          if (Zaczyna(f + i, "()")) {
            Dopisz(f[i++]);
            Dopisz(f[i++]);
          }
          while (f[i] != 0 && f[i] != '(') Dopisz(f[i++]);
          continue;
        }
        const char c = f[i++];
        if (c == '<') {
          ++szpiczaste;
          continue;
        }
        if (c == '>' && szpiczaste > 0) {
          --szpiczaste;
          continue;
        }
        if (szpiczaste > 0) continue;
        if (c == '(' && nawias < 0) nawias = dlugosc;
        Dopisz(c);
      }
      tekst[dlugosc] = 0;
    }

    constexpr Nazwa DajNazwe() const {
      Nazwa n;
      if (nawias < 0) {
        n.poczatek = tekst;
        n.dlugosc = dlugosc;
        return n;
      }
      int start = nawias;
      while (start > 0 && tekst[start - 1] != ' ') --start;
      while (tekst[start] == '*' || tekst[start] == '&') ++start;
      n.poczatek = tekst + start;
      n.dlugosc = nawias - start;
      n.lista = tekst + nawias;
      return n;
    }
  };
};

}  // namespace trace

// Traces the enclosing function under `signature`, for example "Czas::Napis()": its
// qualified name and its parameters, as logs show it and as the declaration writes them
// (names optional). The build fails when the signature names another function or other
// parameter types (trace::ZgodnoscNazwy says how they are compared).
#define KG_TRACE(signature)                                                                     \
  static_assert(::trace::ZgodnoscNazwy::Zgodne(signature, __PRETTY_FUNCTION__),                 \
                "KG_TRACE names another function than the one it traces: " signature);        \
  static const int kg_trace_number_ = ::TraceRegister(signature);                               \
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
