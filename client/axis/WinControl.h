#pragma once
// The axis host: the widget that stands where the time axis is shown. It keeps a screen
// bitmap of its own size, lets the component redraw itself on every tick it is given,
// shows the bitmap in its paintEvent, and routes the mouse to the component with
// coordinates relative to itself: a press on it captures the mouse, so the drag goes on
// over the rest of the window (and beyond) until the release; a release without a press
// on it is ignored. Window thread only.
#include <QWidget>
#include <memory>

#include "axis/QtDrawer.h"
#include "display/Bitmap.h"
#include "display/BitmapControl.h"
#include "display/MouseReceiver.h"

class WinControl : public QWidget {
 public:
  // `d` and `c` must outlive the host.
  WinControl(QtDrawer* d, BitmapControl* c, QWidget* parent = nullptr);
  ~WinControl() override;

  // One tick: a new screen bitmap (and SetBitmap) when the size changed, the screen
  // origin updated, then Invalidate and Paint of the component, and a repaint asked for.
  void Uaktualnij();
  // The screen bitmap; null before the first tick.
  Bitmap* Ekran() const { return ekran.get(); }

  // The shift state of a Qt event: the modifiers and the buttons held.
  static TShiftState Stan(Qt::KeyboardModifiers m, Qt::MouseButtons b);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  void Wcisniety(QMouseEvent* e, TShiftState dodatkowy);

  QtDrawer* drawer;
  BitmapControl* kontrolka;
  std::unique_ptr<Bitmap> ekran;
  bool zlapany = false;
};
