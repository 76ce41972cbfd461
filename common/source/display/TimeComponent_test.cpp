#include "display/TimeComponent.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/Raised.h"

namespace {

// A component that shows nothing but its value; Klik is the user's change.
class Pole : public TimeComponent {
 public:
  Czas Get() override { return wartosc; }
  void Set(Czas c) override { wartosc = c; }
  void Klik(Czas c) {
    Set(c);
    Zmieniony();
  }
  Czas wartosc;
};

struct Ucho : Listener {
  void Hey() override { ++ile; }
  int ile = 0;
};

TEST(TimeComponent, OnlyTheUsersChangeNotifiesAndSetsTheFlag) {
  Pole p;
  Ucho u;
  p.SetListener(&u);
  p.Set(Czas(5));
  EXPECT_EQ(u.ile, 0);
  EXPECT_FALSE(p.CzyZmieniony());

  p.Klik(Czas(7));
  EXPECT_EQ(u.ile, 1);
  EXPECT_EQ(p.Get(), Czas(7));
  EXPECT_TRUE(p.CzyZmieniony());
  EXPECT_FALSE(p.CzyZmieniony()) << "the flag is cleared by reading it";

  p.RemoveListener(&u);
  p.Klik(Czas(9));
  EXPECT_EQ(u.ile, 1) << "nobody is told once the listener is gone";
  EXPECT_TRUE(p.CzyZmieniony());
}

// One listener at a time, in the assertion form with the location suffix twice.
TEST(TimeComponent, ListenerMisuseRaisesTheAssertions) {
  Pole p;
  Ucho a;
  Ucho b;
  p.SetListener(&a);
  const String second = MessageOf([&] { p.SetListener(&b); });
  EXPECT_EQ(second.rfind("listener in file \"TimeComponent.cpp\" line ", 0), 0u) << second;
  const String suffix = second.substr(8);
  EXPECT_EQ(suffix.substr(0, suffix.size() / 2), suffix.substr(suffix.size() / 2)) << "the suffix twice";

  const String wrong = MessageOf([&] { p.RemoveListener(&b); });
  EXPECT_EQ(wrong.rfind("l!=listener in file \"TimeComponent.cpp\" line ", 0), 0u) << wrong;
  p.Klik(Czas(1));
  EXPECT_EQ(a.ile, 1) << "a refused call leaves the registered listener in place";

  p.RemoveListener(&a);
  EXPECT_EQ(MessageOf([&] { p.RemoveListener(&a); }).rfind("l!=listener in file", 0), 0u);
  p.SetListener(&b);
}

}  // namespace
