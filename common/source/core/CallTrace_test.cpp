#include "CallTrace.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Exception.h"

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
