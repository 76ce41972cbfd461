#include "core/CyclicBuffer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <deque>
#include <functional>
#include <random>
#include <vector>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/ThreadSafeBuffer.h"
#include "support/Raised.h"

// Reaches the byte count kept aside, which no public operation can put out of step.
struct CyclicBufferProbe {
  static void SetSize2(CyclicBuffer& b, int size2) { b.size2 = size2; }
};

namespace {

// Bytes 0, 1, 2, ... continued from `next`, so that any loss or reordering shows.
String Counting(int& next, int n) {
  String bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(next++);
  return bytes;
}

}  // namespace

TEST(CyclicBuffer, NewBufferIsEmptyWithCapacityFive) {
  CyclicBuffer b;
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.Capacity(), 5);
  EXPECT_EQ(b.left(), 5);
  EXPECT_EQ(b.Contents(), "");
}

// Each case writes ('W') and reads ('R') counting bytes; after the last step the capacity
// is as given and the bytes still held are exactly the ones not read yet, in order.
TEST(CyclicBuffer, GrowthAndWrapKeepTheBytesInOrder) {
  struct Step {
    char op;
    int n;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int capacity;
  } cases[] = {
      {"four bytes fit a new buffer", {{'W', 4}}, 5},
      {"a fifth byte doubles", {{'W', 4}, {'W', 1}}, 10},
      {"a write as large as the capacity", {{'W', 5}}, 11},
      {"one large write grows straight to fit", {{'W', 100}}, 106},
      {"small writes double again", {{'W', 4}, {'W', 1}, {'W', 5}}, 20},
      {"wrapped without growth", {{'W', 4}, {'R', 3}, {'W', 3}}, 5},
      {"wrapped contents move up when growing", {{'W', 4}, {'R', 3}, {'W', 3}, {'W', 2}}, 10},
      {"wrapped, then a large write", {{'W', 4}, {'R', 3}, {'W', 3}, {'W', 30}}, 36},
      {"head at the end of the storage", {{'W', 4}, {'R', 4}, {'W', 4}, {'W', 4}}, 10},
      {"emptied and refilled in place", {{'W', 4}, {'R', 4}, {'W', 4}, {'R', 4}, {'W', 4}}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CyclicBuffer b;
    int written = 0;
    int read = 0;
    for (const Step& s : c.steps) {
      if (s.op == 'W') {
        const String bytes = Counting(written, s.n);
        b.Write(bytes.data(), s.n);
      } else {
        String got(s.n, '\0');
        ASSERT_EQ(b.ReadAnyNonBlocking(got.data(), s.n), s.n);
        EXPECT_EQ(got, Counting(read, s.n));
      }
    }
    EXPECT_EQ(b.Capacity(), c.capacity);
    EXPECT_EQ(b.Size(), written - read);
    EXPECT_EQ(b.left(), c.capacity - (written - read));
    EXPECT_EQ(b.Contents(), Counting(read, written - read));
  }
}

TEST(CyclicBuffer, PeekExReadsAcrossTheWrapPointWithoutConsuming) {
  CyclicBuffer b;
  b.Write("abcd", 4);
  b.Skip(3);
  b.Write("efg", 3);  // storage now "fgxde"-like: d at 3, e at 4, f and g at 0 and 1
  ASSERT_EQ(b.Capacity(), 5);
  struct Case {
    int source, length;
    const char* expected;
  } cases[] = {{0, 4, "defg"}, {1, 3, "efg"}, {2, 2, "fg"}, {1, 1, "e"}, {3, 1, "g"}, {4, 0, ""}};
  for (const Case& c : cases) {
    String got(c.length, '\0');
    b.PeekEx(got.data(), c.source, c.length);
    EXPECT_EQ(got, c.expected) << "source=" << c.source;
  }
  EXPECT_EQ(b.Size(), 4);
  EXPECT_EQ(b.Contents(), "defg");
}

TEST(CyclicBuffer, ReadAnyNonBlockingTakesWhatIsThere) {
  CyclicBuffer b;
  char got[16] = {};
  EXPECT_EQ(b.ReadAnyNonBlocking(got, 16), 0);
  b.Write("hello", 5);
  EXPECT_EQ(b.ReadAnyNonBlocking(got, 16), 5);
  EXPECT_EQ(String(got, 5), "hello");
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.ReadAnyNonBlocking(got, 16), 0);
}

TEST(CyclicBuffer, RefusedOperationsNameTheirCauseAndChangeNothing) {
  CyclicBuffer b;
  b.Write("abc", 3);
  char v[8];
  struct Case {
    const char* name;
    std::function<void()> body;
    const char* message;
  } cases[] = {
      {"skip past the end", [&] { b.Skip(4); }, "n>Size()@@"},
      {"peek past the end", [&] { b.PeekEx(v, 0, 4); },
       "CyclicBuffer::PeekEx source=0 length=4 Size()=3 @"},
      {"peek from an offset past the end", [&] { b.PeekEx(v, 2, 2); },
       "CyclicBuffer::PeekEx source=2 length=2 Size()=3 @"},
      {"read more than held", [&] { b.Read(v, 4); },
       "CyclicBuffer::PeekEx source=0 length=4 Size()=3 @"},
      {"negative source", [&] { b.PeekEx(v, -1, 2); },
       "CyclicBuffer::PeekEx source=-1 length=2 Size()=3 @"},
      {"negative length", [&] { b.PeekEx(v, 1, -1); },
       "CyclicBuffer::PeekEx source=1 length=-1 Size()=3 @"},
      {"offsets that overflow", [&] { b.PeekEx(v, 2, INT_MAX); },
       "CyclicBuffer::PeekEx source=2 length=2147483647 Size()=3 @"},
      {"negative write", [&] { b.Write("x", -1); }, "n<0@@"},
      {"negative skip", [&] { b.Skip(-1); }, "n<0@@"},
      {"negative read", [&] { b.ReadAnyNonBlocking(v, -1); }, "n<0@@"},
      {"a write that no int capacity holds", [&] { b.Write("x", INT_MAX - 3); },
       "CyclicBuffer::Write n=2147483644 Size()=3 more than 2147483646 bytes would be held @"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Raised(c.body), c.message);
    EXPECT_EQ(b.Contents(), "abc");
    EXPECT_EQ(b.Capacity(), 5);
  }
  b.Write("d", 1);  // still consistent after all of it
  EXPECT_EQ(b.Contents(), "abcd");
}

TEST(CyclicBuffer, ACountOutOfStepWithThePositionsIsReportedAtTheNextWriteOrSkip) {
  CyclicBuffer b;
  b.Write("abc", 3);
  CyclicBufferProbe::SetSize2(b, 4);
  EXPECT_EQ(Raised([&] { b.Write("d", 1); }), "Size()=3 size2=4 @");
  EXPECT_EQ(Raised([&] { b.Skip(1); }), "Size()=3 size2=4 @");
  EXPECT_EQ(b.Contents(), "abc");
}

TEST(CyclicBuffer, GrownCapacityFollowsTheRuleAndStopsAtIntMax) {
  struct Case {
    int capacity, used, n, grown;
  } cases[] = {
      {5, 4, 1, 10},
      {5, 0, 5, 11},
      {5, 0, 100, 106},
      {1, 0, 1, 3},
      {1500000000, 1000, 1000, INT_MAX},                  // doubling would pass INT_MAX
      {1500000000, 1000, 1500000000, INT_MAX},            // so would capacity + n + 1
      {1000, 999, INT_MAX - 1000, INT_MAX},               // the very last fit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CyclicBuffer::GrownCapacity(c.capacity, c.used, c.n), c.grown)
        << c.capacity << " " << c.used << " " << c.n;
  }
  EXPECT_EQ(Raised([] { CyclicBuffer::GrownCapacity(1000, 1000, INT_MAX - 1000); }),
            "CyclicBuffer::Write n=2147482647 Size()=1000 "
            "more than 2147483646 bytes would be held @");
  EXPECT_NE(Raised([] { CyclicBuffer::GrownCapacity(5, 0, INT_MAX); }), "(nothing raised)");
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KG_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KG_SANITIZED 1
#endif
#endif

// Run in a child process: caps the address space just above what the process uses, has a
// write fail to grow the buffer, and exits with 0 when the buffer kept its bytes, its
// storage and a consistent count.
[[noreturn]] void GrowBeyondTheCap() {
  CyclicBuffer b;
  b.Write("abc", 3);
  const int big = 64 << 20;
  std::unique_ptr<char[]> bytes(new char[big]);  // never read: the growth fails first
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlimit cap{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + (16 << 20)),
                   RLIM_INFINITY};
  if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(2);
  bool refused = false;
  try {
    b.Write(bytes.get(), big);
  } catch (const std::bad_alloc&) {
    refused = true;
  }
  if (!refused) std::_Exit(3);
  b.Write("d", 1);
  std::_Exit(b.Contents() == "abcd" && b.Capacity() == 5 ? 0 : 4);
}

TEST(CyclicBuffer, AFailedGrowthLeavesTheBufferAsItWas) {
#ifdef KG_SANITIZED
  GTEST_SKIP() << "the sanitizers reserve more address space than the cap allows";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(GrowBeyondTheCap(), testing::ExitedWithCode(0), "");
#endif
}

TEST(CyclicBuffer, ResetEmptiesButKeepsTheStorage) {
  CyclicBuffer b;
  b.Write("0123456789", 10);
  b.Skip(3);
  const int capacity = b.Capacity();
  b.Reset();
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.Capacity(), capacity);
  b.Write("abcdefghij", 10);  // fits again without growing
  EXPECT_EQ(b.Capacity(), capacity);
  EXPECT_EQ(b.Contents(), "abcdefghij");
}

TEST(CyclicBuffer, CopyHoldsTheSameBytesInSizePlusOneAndIsIndependent) {
  CyclicBuffer wrapped;
  wrapped.Write("abcd", 4);
  wrapped.Skip(3);
  wrapped.Write("efg", 3);
  CyclicBuffer empty;
  for (CyclicBuffer* original : {&wrapped, &empty}) {
    const String bytes = original->Contents();
    CyclicBuffer copy(*original);
    EXPECT_EQ(copy.Capacity(), static_cast<int>(bytes.size()) + 1);
    EXPECT_EQ(copy.Contents(), bytes);
    copy.Write("xyz", 3);  // the copy has one free byte, so this grows it
    EXPECT_EQ(copy.Contents(), bytes + "xyz");
    EXPECT_EQ(original->Contents(), bytes);
  }
  CyclicBuffer assigned;
  assigned.Write("old", 3);
  assigned = wrapped;
  EXPECT_EQ(assigned.Contents(), "defg");
  EXPECT_EQ(assigned.Capacity(), 5);
  const auto& same = assigned;  // self-assignment, without the compiler's warning
  assigned = same;
  EXPECT_EQ(assigned.Contents(), "defg");
}

// Random writes, reads, skips, peeks and resets against a std::deque holding the same
// bytes and a model of the growth rule; every step compares bytes, size and capacity.
TEST(CyclicBuffer, BehavesLikeADequeUnderRandomOperations) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20; ++round) {
    CyclicBuffer b;
    std::deque<char> model;
    int capacity = 5;
    int next = 0;
    for (int step = 0; step < 2000; ++step) {
      const int size = static_cast<int>(model.size());
      const int kind = std::uniform_int_distribution<int>(0, 99)(random);
      if (kind < 40) {
        const int limit = kind < 3 ? 400 : 40;  // now and then a large one
        const int n = std::uniform_int_distribution<int>(0, limit)(random);
        const String bytes = Counting(next, n);
        if (n >= capacity - size) capacity = n < capacity ? 2 * capacity : capacity + n + 1;
        b.Write(bytes.data(), n);
        model.insert(model.end(), bytes.begin(), bytes.end());
      } else if (kind < 70) {
        const int n = std::uniform_int_distribution<int>(0, size + 3)(random);
        String got(n, '\0');
        const int k = b.ReadAnyNonBlocking(got.data(), n);
        ASSERT_EQ(k, std::min(n, size));
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + k, model.begin()));
        model.erase(model.begin(), model.begin() + k);
      } else if (kind < 80) {
        const int n = std::uniform_int_distribution<int>(0, size)(random);
        b.Skip(n);
        model.erase(model.begin(), model.begin() + n);
      } else if (kind < 98) {
        const int source = std::uniform_int_distribution<int>(0, size)(random);
        const int length = std::uniform_int_distribution<int>(0, size - source)(random);
        String got(length, '\0');
        b.PeekEx(got.data(), source, length);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), model.begin() + source));
      } else {
        b.Reset();
        model.clear();
      }
      ASSERT_EQ(b.Size(), static_cast<int>(model.size())) << "round " << round << " step " << step;
      ASSERT_EQ(b.Capacity(), capacity);
      ASSERT_EQ(b.left(), capacity - b.Size());
    }
    EXPECT_EQ(b.Contents(), String(model.begin(), model.end()));
  }
}

// An exception leaves the entries of the traced functions it passed through on the
// chain, which shows which operations are traced: the byte path's peeks are not.
TEST(CyclicBuffer, TracedOperationsAreTheOnesLeftOnTheChainByAFailure) {
  CyclicBuffer b;
  ThreadSafeBuffer t;
  char v[8];
  struct Case {
    std::function<void()> body;
    const char* chain;
  } cases[] = {
      {[&] { b.Skip(1); }, "CyclicBuffer::Skip(int n)"},
      {[&] { b.Write(v, -1); }, "CyclicBuffer::Write(const void *v, int n)"},
      {[&] { b.PeekEx(v, 0, 1); }, ""},
      {[&] { b.Peek(v, 1); }, ""},
      {[&] { b.Read(v, 1); }, "Peekable::Read(void *v, int n)"},
      {[&] { b.ReadAnyNonBlocking(v, -1); }, "Peekable::ReadAnyNonBlocking(void *v, int n)"},
      {[&] { t.Write(v, -1); },
       "ThreadSafeBuffer::Write(const void *v, int n) -> "
       "CyclicBuffer::Write(const void *v, int n)"},
      {[&] { t.ReadAnyNonBlocking(v, -1); },
       "ThreadSafeBuffer::ReadAnyNonBlocking(void *v, int n) -> "
       "Peekable::ReadAnyNonBlocking(void *v, int n)"},
      {[&] { t.Skip(1); }, "CyclicBuffer::Skip(int n)"},
      {[&] { t.PeekEx(v, 0, 1); }, ""},
  };
  for (const Case& c : cases) {
    TraceMarkDepth();
    const String before = CallTraceText();
    EXPECT_NE(Raised(c.body), "(nothing raised)");
    const String after = CallTraceText();
    TraceReturnToMark();
    const String expected = before.empty() || !*c.chain ? before + c.chain
                                                        : before + " -> " + c.chain;
    EXPECT_EQ(after, expected);
  }
}
