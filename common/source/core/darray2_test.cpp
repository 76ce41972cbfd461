#include "core/darray2.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/Raised.h"

namespace {

}  // namespace

TEST(darray2, AccessPastTheCapacityGrowsToIndexPlusCapacityPlusOne) {
  darray2<int> a;
  EXPECT_EQ(a.Capacity(), 0);
  struct Case {
    int index, capacity;
  } steps[] = {{0, 1}, {0, 1}, {1, 3}, {2, 3}, {3, 7}, {10, 18}, {17, 18}, {18, 37}};
  for (const Case& s : steps) {
    a[s.index] += s.index + 1;
    EXPECT_EQ(a.Capacity(), s.capacity) << "after index " << s.index;
  }
  // Old values survive every growth; new elements start at zero.
  EXPECT_EQ(a[0], 2);
  EXPECT_EQ(a[1], 2);
  EXPECT_EQ(a[10], 11);
  EXPECT_EQ(a[18], 19);
  EXPECT_EQ(a[36], 0);

  darray2<const char*> pointers;
  EXPECT_EQ(pointers[5], nullptr);
  darray2<String> texts;
  EXPECT_EQ(texts[3], "");
}

TEST(darray2, IndexLimitIsOneMillionInclusive) {
  darray2<char> a;
  a[1000000] = 'x';
  EXPECT_EQ(a.Capacity(), 1000001);
  EXPECT_EQ(a[1000000], 'x');
  EXPECT_EQ(Raised([&] { a[1000001]; }), "n>1000000@@");
  EXPECT_EQ(Raised([&] { a[-1]; }), "n<0@@");
  EXPECT_EQ(Raised([&] { a[-2147483647 - 1]; }), "n<0@@");
  EXPECT_EQ(a.Capacity(), 1000001);
}

TEST(darray2, AppendStoresAtCountEvenWhenTheValueLivesInTheArray) {
  darray2<String> a;
  a.Append("first");
  EXPECT_EQ(a.count, 1);
  EXPECT_EQ(a.Capacity(), 1);
  // The next append grows the storage while `value` still refers into the old one.
  a.Append(a[0]);
  EXPECT_EQ(a.count, 2);
  EXPECT_EQ(a[1], "first");

  darray2<int> full;
  full.count = 1000001;
  EXPECT_EQ(Raised([&] { full.Append(1); }), "n>1000000@@");
  EXPECT_EQ(full.count, 1000001);
}

TEST(darray2, CopiesAreDeep) {
  darray2<String> a;
  a.Append("one");
  a.Append("two");
  darray2<String> b(a);
  b[0] = "changed";
  EXPECT_EQ(a[0], "one");
  EXPECT_EQ(b[1], "two");
  EXPECT_EQ(b.count, 2);
  EXPECT_EQ(b.Capacity(), a.Capacity());
  darray2<String> c;
  c[10] = "old";
  c = a;
  EXPECT_EQ(c.Capacity(), a.Capacity());
  EXPECT_EQ(c[1], "two");
  const auto& same = c;  // self-assignment, without the compiler's warning
  c = same;
  EXPECT_EQ(c[0], "one");
}
