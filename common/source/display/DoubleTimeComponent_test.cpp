#include "display/DoubleTimeComponent.h"

#include <gtest/gtest.h>

#include "core/Exception.h"

namespace {

// A component that counts the Sets it gets; Klik is the user's change.
class Pole : public TimeComponent {
 public:
  Czas Get() override { return wartosc; }
  void Set(Czas c) override {
    wartosc = c;
    ++sety;
  }
  void Klik(Czas c) {
    Set(c);
    Zmieniony();
  }
  Czas wartosc;
  int sety = 0;
};

struct Ucho : Listener {
  explicit Ucho(TimeComponent* z = nullptr) : zrodlo(z) {}
  void Hey() override {
    ++ile;
    if (zrodlo) widziany = zrodlo->Get();
  }
  TimeComponent* zrodlo;
  Czas widziany;
  int ile = 0;
};

struct Para : ::testing::Test {
  Pole os;      // the axis, first
  Pole panele;  // the digit panels, second
};

TEST_F(Para, SetWritesBothAndTellsNobody) {
  DoubleTimeComponent d(&os, &panele);
  Ucho u(&d);
  d.SetListener(&u);
  d.Set(Czas(42));
  EXPECT_EQ(os.Get(), Czas(42));
  EXPECT_EQ(panele.Get(), Czas(42));
  EXPECT_EQ(d.Get(), Czas(42));
  EXPECT_EQ(u.ile, 0);
  d.RemoveListener(&u);
}

// A click on the panels reaches the axis and the pair's listener, once, with the new time
// already shown on both; the next change on the axis is copied to the panels because the
// axis's own changed flag is what the pair reads.
TEST_F(Para, UserChangesAreCopiedAcrossAndToldOnce) {
  DoubleTimeComponent d(&os, &panele);
  Ucho u(&d);
  d.SetListener(&u);

  panele.Klik(Czas(100));
  EXPECT_EQ(u.ile, 1);
  EXPECT_EQ(os.Get(), Czas(100));
  EXPECT_EQ(u.widziany, Czas(100));

  os.Klik(Czas(200));
  EXPECT_EQ(u.ile, 2);
  EXPECT_EQ(panele.Get(), Czas(200));
  EXPECT_EQ(u.widziany, Czas(200));

  panele.Klik(Czas(300));
  EXPECT_EQ(os.Get(), Czas(300));
  EXPECT_EQ(u.ile, 3);
  EXPECT_TRUE(d.CzyZmieniony());
  d.RemoveListener(&u);
}

TEST_F(Para, MissingHalvesAndReplacement) {
  Pole inny;  // outlives the pair, which still holds it when it goes
  DoubleTimeComponent d(nullptr, nullptr);
  EXPECT_EQ(d.Get(), Czas());
  d.Set(Czas(1));  // nothing to show it on
  Ucho u;
  d.SetListener(&u);

  d.SetSecond(&panele);
  panele.wartosc = Czas(8);
  EXPECT_EQ(d.Get(), Czas(8)) << "the second answers while there is no first";
  panele.Klik(Czas(9));
  EXPECT_EQ(u.ile, 1) << "with one half the change is still told";

  d.SetFirst(&os);
  os.wartosc = Czas(5);
  EXPECT_EQ(d.Get(), Czas(5));

  // The replaced component is free again: someone else may listen to it.
  d.SetFirst(&inny);
  Ucho v;
  os.SetListener(&v);
  os.Klik(Czas(6));
  EXPECT_EQ(v.ile, 1);
  EXPECT_EQ(u.ile, 1);
  os.RemoveListener(&v);
  d.RemoveListener(&u);
}

TEST_F(Para, DestructionReleasesBothAndTakenComponentsAreRefused) {
  {
    DoubleTimeComponent d(&os, &panele);
    Ucho u;
    EXPECT_THROW(panele.SetListener(&u), Exception);
  }
  Ucho a;
  Ucho b;
  os.SetListener(&a);
  panele.SetListener(&b);
  EXPECT_THROW(DoubleTimeComponent(&os, nullptr), Exception);
  os.RemoveListener(&a);
  panele.RemoveListener(&b);
}

}  // namespace
