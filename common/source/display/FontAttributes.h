#pragma once
// What a font for the drawing layer is: a face by the system's name ("Arial", "Courier
// New"), the cell height in pixels (the line a glyph occupies, leading included), the
// style, the text colour and the background. Colours of text are in the platform's
// 0x00BBGGRR order (0x750803 is a dark blue); fill colours elsewhere are 0xRRGGBB.
// Two attribute sets name the same cached font when all seven fields are equal.
#include "core/String.h"

struct FontAttributes {
  String face = "Arial";
  int height = 14;
  bool bold = false;
  bool italic = false;
  int kolor = 1;              // text colour, 0x00BBGGRR
  int tlo = 0;                // background colour, 0x00BBGGRR, when not transparent
  bool przezroczysty = true;  // the background is left as it is

  bool operator==(const FontAttributes&) const = default;
};
