#pragma once
// The factory of drawing targets: off-screen bitmaps, and bitmaps that are what a window
// shows. Implemented for each surface technology (QtDrawer on Qt 6). The drawer owns its
// font cache; bitmaps it makes belong to the caller. Window thread only.
#include <memory>

#include "display/Rect.h"

class Bitmap;

class Drawer {
 public:
  // A new off-screen bitmap of w x h pixels, its content undefined.
  virtual std::unique_ptr<Bitmap> NowaBitmapa(int64_t w, int64_t h) = 0;
  // A bitmap whose pixels the window shows over the rectangle r of its client area.
  virtual std::unique_ptr<Bitmap> BitmapaEkranu(Rect r) = 0;
  virtual ~Drawer() = default;
};
