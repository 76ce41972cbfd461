#pragma once
// Two time components shown as one (the time axis as the first, the digit panels as the
// second): Set writes both, a change the user makes on either is copied to the other, and
// the pair then tells its own listener. Window thread only, as its components.
#include "core/Czas.h"
#include "display/Listener.h"
#include "display/TimeComponent.h"

class DoubleTimeComponent : public TimeComponent, public Listener {
 public:
  // Joins tc1 and tc2 (either may be null) and listens to both; no listener of its own,
  // not changed. Raises "listener" when either has a listener already.
  DoubleTimeComponent(TimeComponent* tc1, TimeComponent* tc2);
  // Stops listening to both; they must still exist.
  ~DoubleTimeComponent() override;

  // The first component's time; else the second's; else zero.
  Czas Get() override;
  // Shows c on the first, then on the second. Nobody is told.
  void Set(Czas c) override;
  // One of the two was changed by the user: the one whose changed flag is set is copied
  // to the other (the first when its flag is set, else the second), then this pair's own
  // listener is told.
  void Hey() override;

  // Replaces a joined component: stops listening to the one in the slot, takes tc and,
  // when it is not null, listens to it.
  void SetFirst(TimeComponent* tc);
  void SetSecond(TimeComponent* tc);

 private:
  void SetTC(TimeComponent** tcp, TimeComponent* tc);

  TimeComponent* tc1 = nullptr;
  TimeComponent* tc2 = nullptr;
};
