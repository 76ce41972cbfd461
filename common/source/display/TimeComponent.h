#pragma once
// A holder of one Czas that shows it (the time axis, the digit panels, or a pair of them)
// and tells its single listener when the user changed it. The program writes the playing
// time in with Set, which never tells anyone, so that only the user's own changes travel
// back to the player core. Everything runs on the window's thread; there is no lock.
#include "core/Czas.h"
#include "display/Listener.h"

class TimeComponent {
 public:
  TimeComponent() = default;
  TimeComponent(const TimeComponent&) = delete;
  TimeComponent& operator=(const TimeComponent&) = delete;
  // The listener is not told and not removed: it must have unregistered before.
  virtual ~TimeComponent() = default;

  // The time shown.
  virtual Czas Get() = 0;
  // Shows c. Never notifies the listener.
  virtual void Set(Czas c) = 0;

  // Registers l as the one listener. Raises the assertion failure "listener" when one is
  // registered already.
  void SetListener(Listener* l);
  // Unregisters l. Raises the assertion failure "l!=listener" when l is not the one
  // registered.
  void RemoveListener(Listener* l);
  // The user changed the time: sets the changed flag and tells the listener, if any.
  // Components call it after showing the user's new time.
  void Zmieniony();
  // Returns the changed flag and clears it.
  bool CzyZmieniony();

 private:
  Listener* listener = nullptr;
  bool zmieniony = false;
};
