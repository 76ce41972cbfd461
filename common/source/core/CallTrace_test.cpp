#include "core/CallTrace.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/Exception.h"

namespace {

int Inner(bool fail) {
  KG_TRACE("Inner(bool fail)");
  if (fail) KG_ERROR("boom");
  return 1;
}

int Outer(bool fail) {
  KG_TRACE("Outer(bool fail)");
  return Inner(fail) + 1;
}

struct TracesWhileDestroyed {
  ~TracesWhileDestroyed() { Inner(false); }
};

void RaisesWithCleanup() {
  KG_TRACE("RaisesWithCleanup()");
  TracesWhileDestroyed cleanup;
  KG_ERROR("cleanup runs while this unwinds");
}

String TextInside() {
  KG_TRACE("TextInside()");
  return CallTraceText();
}

String RunOnNewThread(String (*body)()) {
  String result;
  std::thread t([&] { result = body(); });
  t.join();
  return result;
}

String MismatchMessage(void (*body)()) {
  try {
    body();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

}  // namespace

TEST(CallTrace, TextOfAThreadWithoutAndWithAStack) {
  EXPECT_EQ(RunOnNewThread([] { return CallTraceText(); }), "stos nie zainicjalizowany");
  EXPECT_EQ(RunOnNewThread([] {
              Outer(false);
              return CallTraceText();
            }),
            "");
  EXPECT_EQ(RunOnNewThread([] { return TextInside(); }), "TextInside()");
}

TEST(CallTrace, AnExceptionLeavesTheChainUntilCutBackToTheMark) {
  const String text = RunOnNewThread([] {
    TraceMarkDepth();
    String seen;
    try {
      Outer(true);
    } catch (const Exception&) {
      seen = CallTraceText();
    }
    TraceReturnToMark();
    return seen + "|" + CallTraceText();
  });
  EXPECT_EQ(text, "Outer(bool fail) -> Inner(bool fail)|");
}

TEST(CallTrace, ATracedCallMadeDuringUnwindingPopsNormally) {
  const String text = RunOnNewThread([] {
    TraceMarkDepth();
    String seen;
    try {
      RaisesWithCleanup();
    } catch (const Exception&) {
      seen = CallTraceText();
    }
    TraceReturnToMark();
    return seen + "|" + TextInside();
  });
  EXPECT_EQ(text, "RaisesWithCleanup()|TextInside()");
}

TEST(CallTrace, PopMismatchMessages) {
  struct Case {
    void (*body)();
    String expected;
  } cases[] = {
      // An exit that runs twice.
      {[] {
         const int a = TraceRegister("A()");
         const int f = TraceRegister("F()");
         TraceEnter(a);
         TraceEnter(f);
         TraceExit(f);
         TraceExit(f);
       },
       "W funcji F() sa 2 popy"},
      // A function that returned without its exit.
      {[] {
         const int a = TraceRegister("A()");
         const int g = TraceRegister("G()");
         TraceEnter(a);
         TraceEnter(g);
         TraceExit(a);
       },
       "W funkcji G() brakuje popa"},
  };
  for (const Case& c : cases) {
    String got;
    std::thread t([&] { got = MismatchMessage(c.body); });
    t.join();
    EXPECT_EQ(got.rfind(c.expected + " in file \"CallTrace.cpp\" line ", 0), 0u) << got;
  }
}

TEST(CallTrace, AnEmptyChainPopsNothing) {
  EXPECT_EQ(RunOnNewThread([] {
              const int f = TraceRegister("F()");
              TraceEnter(f);
              TraceExit(f);
              TraceExit(f);
              return CallTraceText();
            }),
            "");
}

TEST(CallTrace, ConcurrentFirstCallsRegisterOnce) {
  std::vector<String> texts(8);
  std::vector<std::thread> threads;
  for (auto& text : texts) threads.emplace_back([&text] { text = TextInside(); });
  for (auto& t : threads) t.join();
  for (const auto& text : texts) EXPECT_EQ(text, "TextInside()");
}

TEST(CallTrace, NumeracjaStartsWithAles) {
  Numeracja numbers;
  EXPECT_EQ(numbers.Nazwa(0), "ales");
  EXPECT_EQ(numbers.Numer("X::Y()"), 1);
  EXPECT_EQ(numbers.Nazwa(1), "X::Y()");
  EXPECT_EQ(numbers.Nazwa(2), "");
}

// The compile-time check of KG_TRACE, over the texts GCC and clang give for
// __PRETTY_FUNCTION__.
TEST(CallTrace, ASignatureMustNameTheFunctionItTraces) {
  struct Case {
    const char* signature;
    const char* funkcja;
    bool zgodne;
  } cases[] = {
      {"WaveOutME::Pause()", "void WaveOutME::Pause()", true},
      {"WaveOut::Pause()", "void WaveOutME::Pause()", false},
      {"ListaStacji::ZakladkaClick(TObject * Sender)", "void ListaStacji::ZagrajZakladke(int)", false},
      {"ListaStacji::ZagrajZakladke(int a)", "void ListaStacji::ZagrajZakladke(int)", true},
      // The parameters' types as declared, their names optional.
      {"Klient::Odbierz(const char* b, size_t n, Czas teraz)", "void Klient::Odbierz(const char*, size_t, Czas)",
       true},
      {"Klient::Odbierz(const char *, size_t,Czas)", "void Klient::Odbierz(const char*, size_t, Czas)", true},
      {"Inifile2::Write(char*,int)", "void Inifile2::Write(const char*, int)", false},
      {"Plik::Seek(__int64)", "void Plik::Seek(std::int64_t)", false},
      {"Przedzialy::Add(Przedzialy & p)", "void Przedzialy::Add(const Przedzialy&)", false},
      {"WieloWiecznosc::Dodaj(WieloWiecznosc w)", "void WieloWiecznosc::Dodaj(WieloWiecznosc&)", false},
      {"Grajek::Grajek(TimeComponent * t,Writable *o)",
       "Grajek::Grajek(TimeComponent*, Writable*, std::unique_ptr<WaveOutDevice>)", false},
      // What the declaration may write otherwise: a top-level const, a default, an array,
      // qualifiers, template arguments, the integer words in any order.
      {"A::F(const int n, Czas c = Czas(), TPanel *p[11], ns::T t)", "void A::F(int, Czas, TPanel**, T)", true},
      {"A::F(const std::function<void(int)>& f, Plik* const p)", "void A::F(const std::function<void(int)>&, Plik*)",
       true},
      {"A::F(unsigned long long u, unsigned n)", "void A::F(long long unsigned int, unsigned int)", true},
      {"A::F(long n)", "void A::F(long unsigned int)", false},
      {"A::V()", "void A::V()", true},
      {"A::V(void)", "void A::V()", true},
      {"A::V(int x)", "void A::V()", false},
      {"K::F(f, n)", "const char* K::F(void (*)(int, int), std::map<int, int>)", false},
      {"K::F(void (*f)(int, int), std::map<int, int> n)", "const char* K::F(void (*)(int, int), std::map<int, int>)",
       true},
      {"K::F", "int K::F(int, int)", true},
      // Namespaces are part of the name; anonymous ones are not.
      {"ns::K::F()", "int ns::K::F()", true},
      {"K::F()", "int ns::K::F()", false},
      {"Inner(bool fail)", "int {anonymous}::Inner(bool)", true},
      {"Inner(bool fail)", "int (anonymous namespace)::Inner(bool)", true},
      // Templates: the arguments are left out, from the class and from the tail.
      {"Update::Name()", "String Update<T>::Name() [with T = BazaZintegrowana; String = std::__cxx11::basic_string<char>]",
       true},
      {"Update::Name()", "String Update<BazaZintegrowana>::Name() [T = BazaZintegrowana]", true},
      {"IniBase::ReadWrite(T&)", "IniBase &IniBase::ReadWrite(T &) [T = int]", true},
      {"Drzewko::insert(T t)", "void Drzewko<Przedzial, Czas, &Przedzial::begin>::Insert(const T&)", false},
      // Operators, destructors and lambdas (traced under the function that holds them).
      {"Parser::operator>>(String&)", "Parser& Parser::operator>>(String&)", true},
      {"CyclicBuffer::operator=(const CyclicBuffer &b)", "CyclicBuffer& CyclicBuffer::operator=(const CyclicBuffer&)",
       true},
      {"A::~A()", "A::~A()", true},
      {"A::Run()", "A::Run()::<lambda()>", true},
      {"A::Run()", "auto A::Run()::(anonymous class)::operator()() const", true},
      {"A::operator()()", "void A::operator()() const", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trace::ZgodnoscNazwy::Zgodne(c.signature, c.funkcja), c.zgodne) << c.signature << " / " << c.funkcja;
  }
  static_assert(!trace::ZgodnoscNazwy::Zgodne("WaveOut::Pause()", "void WaveOutME::Pause()"));
  static_assert(!trace::ZgodnoscNazwy::Zgodne("Inifile2::Write(char*,int)", "void Inifile2::Write(const char*, int)"));
}
