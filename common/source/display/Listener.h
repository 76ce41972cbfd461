#pragma once
// The one who hears that a time component was changed by the user (the player core, or
// the pair of components that joins the time axis and the digit panels).

class Listener {
 public:
  // The component listened to was changed by the user. Called on the thread that made the
  // change, the window's.
  virtual void Hey() = 0;
  virtual ~Listener() = default;
};
