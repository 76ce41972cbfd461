#pragma once
// The mouse side of a component that the axis host shows. Coordinates are relative to the
// component's top-left corner. The defaults do nothing.
#include "display/Point.h"

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The keys and buttons held, as a set of bits.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1u << 0;
inline constexpr TShiftState ssAlt = 1u << 1;
inline constexpr TShiftState ssCtrl = 1u << 2;
inline constexpr TShiftState ssLeft = 1u << 3;
inline constexpr TShiftState ssRight = 1u << 4;
inline constexpr TShiftState ssMiddle = 1u << 5;
inline constexpr TShiftState ssDouble = 1u << 6;

class MouseReceiver {
 public:
  virtual void MouseDown(TMouseButton, TShiftState, int, int) {}
  virtual void MouseUp(TMouseButton, TShiftState, int, int) {}
  // `handled` is set by a receiver that used the wheel.
  virtual void MouseWheel(TShiftState, int, Point, bool&) {}
  // Every move over the window.
  virtual void MouseMove(TShiftState, int, int) {}
  // Moves while a press that began on the component lasts, wherever the mouse is.
  virtual void MouseDrag(TShiftState, Point) {}
  virtual void DblClick() {}
  virtual ~MouseReceiver() = default;
};
