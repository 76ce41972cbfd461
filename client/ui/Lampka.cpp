#include "ui/Lampka.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace {

QPixmap Narysuj(KolorLampki k, int skala) {
  const int bok = 16 * skala;
  QPixmap p(bok, bok);
  p.fill(Qt::transparent);
  p.setDevicePixelRatio(skala);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  const QColor jasny = k == KolorLampki::Zielona ? QColor(0x9C, 0xF5, 0x8A) : QColor(0xFF, 0x9A, 0x8A);
  const QColor kolor = k == KolorLampki::Zielona ? QColor(0x1E, 0xA0, 0x1E) : QColor(0xD0, 0x1E, 0x1E);
  const QColor ciemny = k == KolorLampki::Zielona ? QColor(0x0A, 0x50, 0x0A) : QColor(0x6E, 0x0A, 0x0A);
  QRadialGradient r(QPointF(6.5, 6.0), 7.0);
  r.setColorAt(0.0, jasny);
  r.setColorAt(0.55, kolor);
  r.setColorAt(1.0, ciemny);
  g.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
  g.setBrush(r);
  g.drawEllipse(QRectF(2.5, 2.5, 11.0, 11.0));
  return p;
}

}  // namespace

QIcon Lampka(KolorLampki k) {
  QIcon i;
  for (int skala : {1, 2, 3}) i.addPixmap(Narysuj(k, skala));
  return i;
}
