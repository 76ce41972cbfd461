#pragma once
// What the axis host talks to: the component's drawing and mouse sides, and where the
// component's top-left corner is on the screen (kept current by the host).
#include <cstdint>

#include "display/Point.h"

class BitmapUpdater;
class MouseReceiver;

struct BitmapControl {
  BitmapUpdater* updater = nullptr;
  MouseReceiver* receiver = nullptr;
  Point poczatekEkranu;
};
