#pragma once
// A rectangle of pixels [x0, x1) x [y0, y1): the right and bottom edges are exclusive.
// 64-bit, so that rectangles of the endless time strip (absolute columns) fit.
#include <algorithm>
#include <cstdint>

#include "display/Point.h"

struct Rect {
  int64_t x0 = 0;
  int64_t y0 = 0;
  int64_t x1 = 0;
  int64_t y1 = 0;

  constexpr int64_t Width() const { return x1 - x0; }
  constexpr int64_t Height() const { return y1 - y0; }
  // No pixel inside.
  constexpr bool Empty() const { return x1 <= x0 || y1 <= y0; }
  constexpr bool Contains(Point p) const { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; }
  // The rectangle moved by (dx, dy).
  constexpr Rect Moved(int64_t dx, int64_t dy) const { return Rect{x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
  // The common part; empty (possibly with x1 < x0) when there is none.
  constexpr Rect Intersected(const Rect& o) const {
    return Rect{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  }
  // The smallest rectangle that holds both; an empty one adds nothing.
  constexpr Rect Objety(const Rect& o) const {
    if (o.Empty()) return *this;
    if (Empty()) return o;
    return Rect{std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
  }
  constexpr bool operator==(const Rect&) const = default;
};
