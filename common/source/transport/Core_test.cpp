#include "transport/Core.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/Raised.h"

namespace {

Core Of(const String& bytes) {
  Core c;
  c.InsertAt(0, bytes.data(), static_cast<int>(bytes.size()));
  return c;
}

}  // namespace

TEST(Core, ReserveIsExactAndNeverShrinks) {
  Core c;
  EXPECT_EQ(c.Data(), nullptr);
  c.Reserve(10);
  EXPECT_EQ(c.Capacity(), 10);
  EXPECT_EQ(c.Size(), 0);
  c.Reserve(3);
  EXPECT_EQ(c.Capacity(), 10);
  c.SetSize(12);
  EXPECT_EQ(c.Capacity(), 12);
  EXPECT_EQ(c.Size(), 12);
  c.SetSize(0);
  EXPECT_EQ(c.Capacity(), 12);

  const String message = MessageOf([&] { c.Reserve(-1); });
  const String at = " in file \"Core.cpp\" line ";
  EXPECT_EQ(message.rfind("s<0" + at, 0), 0u) << message;
  EXPECT_NE(message.find(at), message.rfind(at)) << "assertion form: suffix twice";
  EXPECT_EQ(Text(MessageOf([&] { c.SetSize(-5); })), "s<0");
}

TEST(Core, InsertAtPlacesBytes) {
  Core c = Of("ad");
  c.InsertAt(1, "bc", 2);
  c.InsertAt(0, ">", 1);
  c.InsertAt(5, "<", 1);
  c.InsertAt(3, "", 0);
  EXPECT_EQ(c.Tekst(), ">abcd<");
}

TEST(Core, InsertAtItsOwnBytes) {
  Core c = Of("abcdef");
  c.InsertAt(2, c.Data() + 1, 4);  // from inside, straddling the insertion point
  EXPECT_EQ(c.Tekst(), "abbcdecdef");
  Core d = Of("xy");
  d.InsertAt(2, d.Data(), 2);
  EXPECT_EQ(d.Tekst(), "xyxy");
}

TEST(Core, RangeErrors) {
  const Core c = Of("abc");
  char buffer[8];
  const struct {
    int a, n;
    const char* expected;
  } reads[] = {
      {0, 4, "a=0 n=4 a+n=4 l=3"},
      {2, 2, "a=2 n=2 a+n=4 l=3"},
      {-1, 1, "a=-1 n=1 a+n=0 l=3"},
      {1, -1, "a=1 n=-1 a+n=0 l=3"},
      {3, 2147483647, "a=3 n=2147483647 a+n=2147483650 l=3"},
  };
  for (const auto& r : reads) {
    EXPECT_EQ(Text(MessageOf([&] { c.ReadAt(r.a, buffer, r.n); })), r.expected);
  }
  c.ReadAt(3, buffer, 0);  // an empty read at the end is fine
  c.ReadAt(1, buffer, 2);
  EXPECT_EQ(String(buffer, 2), "bc");

  Core d = Of("abc");
  EXPECT_EQ(Text(MessageOf([&] { d.InsertAt(4, "x", 1); })), "a=4 l=3");
  EXPECT_EQ(Text(MessageOf([&] { d.InsertAt(-1, "x", 1); })), "a=-1 l=3");
  EXPECT_EQ(d.Tekst(), "abc");
}

TEST(Core, CopyAllocatesExactlyTheValidBytes) {
  Core c;
  c.Reserve(100);
  c.InsertAt(0, "abc", 3);
  const Core copy(c);
  EXPECT_EQ(copy.Tekst(), "abc");
  EXPECT_EQ(copy.Capacity(), 3);
  Core assigned;
  assigned = c;
  EXPECT_EQ(assigned.Capacity(), 3);
  EXPECT_EQ(assigned.Tekst(), "abc");
  const Core empty(Core{});
  EXPECT_EQ(empty.Capacity(), 0);
  EXPECT_EQ(empty.Data(), nullptr);
}

// Appending field after field must not reallocate at every append, or encoding a large
// object would take quadratic time.
TEST(Core, AppendingGrowsGeometrically) {
  Core c;
  int reallocations = 0;
  int capacity = 0;
  for (int i = 0; i < 1000000; ++i) {
    const char b = static_cast<char>(i);
    c.InsertAt(c.Size(), &b, 1);
    if (c.Capacity() != capacity) {
      ++reallocations;
      capacity = c.Capacity();
    }
  }
  EXPECT_EQ(c.Size(), 1000000);
  EXPECT_LE(reallocations, 21);
  EXPECT_LE(c.Capacity(), 2 * c.Size());
  EXPECT_EQ(c.Data()[999999], static_cast<char>(999999));
}
