#include "axis/QtKursor.h"

#include <QCursor>

Point QtKursor::Pozycja() {
  const QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

bool QtKursor::Przesun(Point p) {
  const QPoint cel(static_cast<int>(p.x), static_cast<int>(p.y));
  QCursor::setPos(cel);
  return QCursor::pos() == cel;
}
