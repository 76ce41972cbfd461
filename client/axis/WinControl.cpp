#include "axis/WinControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "axis/SurfaceBitmap.h"
#include "core/CallTrace.h"
#include "display/BitmapUpdater.h"

namespace {

bool Przycisk(Qt::MouseButton b, TMouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = TMouseButton::mbLeft;
      return true;
    case Qt::RightButton:
      out = TMouseButton::mbRight;
      return true;
    case Qt::MiddleButton:
      out = TMouseButton::mbMiddle;
      return true;
    default:
      return false;
  }
}

}  // namespace

WinControl::WinControl(QtDrawer* d, BitmapControl* c, QWidget* parent) : QWidget(parent), drawer(d), kontrolka(c) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

WinControl::~WinControl() = default;

TShiftState WinControl::Stan(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (b & Qt::LeftButton) s |= ssLeft;
  if (b & Qt::RightButton) s |= ssRight;
  if (b & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

void WinControl::Uaktualnij() {
  KG_TRACE("WinControl::Uaktualnij()");
  if (width() <= 0 || height() <= 0) return;
  if (!ekran || ekran->Width() != width() || ekran->Height() != height()) {
    ekran.reset();
    ekran = drawer->BitmapaEkranu(Rect{x(), y(), x() + width(), y() + height()});
    kontrolka->updater->SetBitmap(ekran.get());
  }
  const QPoint o = mapToGlobal(QPoint(0, 0));
  kontrolka->poczatekEkranu = Point{o.x(), o.y()};
  // At 100 ticks a second most ticks move the axis by less than a column, and the others
  // mostly move the seconds band alone: drawing the whole axis again and handing it to
  // the X server each time would repeat the same picture (about two thirds of the
  // window's CPU while playing). The screen bitmap keeps what was drawn, only what is out
  // of date is drawn and shown again, and the widget shows the rest whenever exposed.
  const Rect cala{0, 0, width(), height()};
  const Rect r = kontrolka->updater->Nieaktualne(cala);
  if (r.Empty()) return;
  if (r == cala) kontrolka->updater->Invalidate();
  kontrolka->updater->Paint();
  update(QRect(static_cast<int>(r.x0), static_cast<int>(r.y0), static_cast<int>(r.Width()), static_cast<int>(r.Height())));
}

void WinControl::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const auto* s = dynamic_cast<const SurfaceBitmap*>(ekran.get());
  if (s == nullptr) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  // Only the part asked for: the image is in device pixels, the widget in logical ones.
  const QRect r = e->rect();
  const qreal dpr = s->Obraz().devicePixelRatio();
  p.drawImage(QRectF(r), s->Obraz(), QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
}

void WinControl::Wcisniety(QMouseEvent* e, TShiftState dodatkowy) {
  TMouseButton b;
  if (!Przycisk(e->button(), b)) return;
  zlapany = true;
  const QPoint p = e->position().toPoint();
  kontrolka->receiver->MouseDown(b, Stan(e->modifiers(), e->buttons()) | dodatkowy, p.x(), p.y());
}

void WinControl::mousePressEvent(QMouseEvent* e) { Wcisniety(e, 0); }

void WinControl::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double click comes as this event alone: the component hears
  // of the double click and then of the press, as with any other press.
  kontrolka->receiver->DblClick();
  Wcisniety(e, ssDouble);
}

void WinControl::mouseReleaseEvent(QMouseEvent* e) {
  if (!zlapany) return;
  TMouseButton b;
  if (!Przycisk(e->button(), b)) return;
  // Captured until the last button held is released, so that a second button pressed
  // and released during a drag does not leave the drag without its end.
  zlapany = e->buttons() != Qt::NoButton;
  const QPoint p = e->position().toPoint();
  kontrolka->receiver->MouseUp(b, Stan(e->modifiers(), e->buttons()), p.x(), p.y());
}

void WinControl::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  const TShiftState s = Stan(e->modifiers(), e->buttons());
  kontrolka->receiver->MouseMove(s, p.x(), p.y());
  if (zlapany) kontrolka->receiver->MouseDrag(s, Point{p.x(), p.y()});
}

void WinControl::wheelEvent(QWheelEvent* e) {
  bool obsluzony = false;
  const QPoint p = e->position().toPoint();
  kontrolka->receiver->MouseWheel(Stan(e->modifiers(), e->buttons()), e->angleDelta().y(), Point{p.x(), p.y()},
                                  obsluzony);
  e->setAccepted(obsluzony);
}
