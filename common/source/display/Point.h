#pragma once
// A point of a drawing target or of the screen, in pixels; 64-bit so that the columns of
// the endless time strip fit.
#include <cstdint>

struct Point {
  int64_t x = 0;
  int64_t y = 0;
  constexpr bool operator==(const Point&) const = default;
};
