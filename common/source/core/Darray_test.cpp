#include "core/Darray.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/Raised.h"

namespace {

// Counts the live instances, so that leaks and double deletes show.
struct Counted {
  Counted() { ++live; }
  Counted(const Counted& other) : value(other.value) { ++live; }
  Counted& operator=(const Counted&) = default;
  ~Counted() { --live; }
  int value = 7;
  static int live;
};
int Counted::live = 0;

}  // namespace

TEST(Darray, AnElementIsCreatedAtItsFirstAccessAndStaysTheSameObject) {
  Darray<String> a;
  String& first = a[4];
  EXPECT_EQ(first, "");
  EXPECT_EQ(a.Capacity(), 5);
  EXPECT_TRUE(a.Exists(4));
  EXPECT_FALSE(a.Exists(3));
  first = "kept";
  a[100] = "far";  // grows the pointer array, not the elements
  EXPECT_EQ(a.Capacity(), 106);
  EXPECT_EQ(&a[4], &first);
  EXPECT_EQ(a[4], "kept");
  EXPECT_FALSE(a.Exists(50));
  EXPECT_FALSE(a.Exists(-1));
  EXPECT_FALSE(a.Exists(106));

  Darray<int> numbers;
  EXPECT_EQ(numbers[0], 0);
}

TEST(Darray, IndexOutsideZeroToOneMillionIsRefused) {
  Darray<char> a;
  a[1000000] = 'x';
  EXPECT_EQ(a.Capacity(), 1000001);
  struct Case {
    int index;
    const char* message;
  } cases[] = {{1000001, "index==1000001@"}, {-1, "index==-1@"},
               {2147483647, "index==2147483647@"}};
  for (const Case& c : cases) EXPECT_EQ(Raised([&] { a[c.index]; }), c.message);
  EXPECT_EQ(a[1000000], 'x');
}

TEST(Darray, AssignmentCopiesEveryElementDeeply) {
  {
    Darray<Counted> a;
    a[0].value = 1;
    a[3].value = 4;
    a.count = 2;
    Darray<Counted> b;
    b[9].value = 99;  // replaced by the assignment
    b = a;
    EXPECT_EQ(Counted::live, 4);
    EXPECT_EQ(b.count, 2);
    EXPECT_EQ(b.Capacity(), a.Capacity());
    EXPECT_TRUE(b.Exists(0));
    EXPECT_FALSE(b.Exists(1));  // an entry never created stays empty
    EXPECT_NE(&b[3], &a[3]);
    b[3].value = 40;
    EXPECT_EQ(a[3].value, 4);
    EXPECT_EQ(b[0].value, 1);

    const auto& same = b;  // self-assignment, without the compiler's warning
    b = same;
    EXPECT_EQ(b[3].value, 40);
    Darray<Counted> c(a);
    EXPECT_EQ(c[3].value, 4);
    EXPECT_EQ(Counted::live, 6);
  }
  // Every element is deleted with its array, also those at or beyond `count`.
  EXPECT_EQ(Counted::live, 0);
}
