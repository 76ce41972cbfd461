#include "axis/PaneleCzasu.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int kWysokosc = 28;

QLabel* Panel(QWidget* rodzic, int szerokosc) {
  auto* l = new QLabel(rodzic);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setAlignment(Qt::AlignCenter);
  l->setFixedSize(szerokosc, kWysokosc);
  l->setAutoFillBackground(true);
  QPalette paleta = l->palette();
  paleta.setColor(QPalette::Window, Qt::white);
  l->setPalette(paleta);
  return l;
}

QLabel* Separator(QWidget* rodzic, const char* tekst, int szerokosc) {
  auto* l = new QLabel(QString::fromUtf8(tekst), rodzic);
  QFont f("Courier New");
  f.setPixelSize(16);
  f.setBold(true);
  l->setFont(f);
  l->setAlignment(Qt::AlignCenter);
  l->setFixedSize(szerokosc, kWysokosc);
  return l;
}

}  // namespace

PaneleCzasu::PaneleCzasu(QWidget* parent) : QWidget(parent) {
  QFont cyfry("Courier New");
  cyfry.setPixelSize(16);
  cyfry.setBold(true);
  const QFontMetrics m(cyfry);
  // Wide enough for a digit, for the longest month name of most languages, and for a
  // four-digit year, with the frame.
  const int cyfra = m.horizontalAdvance(QLatin1Char('0')) + 8;
  const int miesiac = m.horizontalAdvance(QStringLiteral("październik")) + 16;
  const int rok = m.horizontalAdvance(QStringLiteral("0000")) + 10;

  auto* wiersz = new QHBoxLayout;
  wiersz->setSpacing(1);
  wiersz->setContentsMargins(0, 0, 0, 0);
  const auto dodaj = [&](QWidget* w) { wiersz->addWidget(w); };
  for (int k = 0; k < 11; ++k) {
    const int szerokosc = k == 2 ? miesiac : k == 3 ? rok : cyfra;
    p[static_cast<size_t>(k)] = Panel(this, szerokosc);
  }
  dodaj(p[0]);
  dodaj(p[1]);
  dodaj(p[2]);
  dodaj(p[3]);
  dodaj(Separator(this, "", cyfra / 2));
  dodaj(p[4]);
  dodaj(p[5]);
  dodaj(Separator(this, ":", cyfra / 2 + 2));
  dodaj(p[6]);
  dodaj(p[7]);
  dodaj(Separator(this, ":", cyfra / 2 + 2));
  dodaj(p[8]);
  dodaj(p[9]);
  dodaj(Separator(this, ".", cyfra / 2 + 2));
  dodaj(p[10]);

  // The summer-time label stands beside the row's parent's other widgets, so that the
  // space under the row stays free for them; wide enough for either text from the start.
  p[11] = new QLabel(parent != nullptr ? parent : this);
  p[11]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const QFontMetrics opis(p[11]->font());
  p[11]->setFixedSize(std::max(opis.horizontalAdvance(QStringLiteral("Czas zimowy")),
                               opis.horizontalAdvance(QStringLiteral("Czas letni"))) + 4,
                      opis.height());
  if (parent == nullptr) p[11]->hide();
  setLayout(wiersz);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

PaneleCzasu::~PaneleCzasu() {
  if (p[11]->parent() != this) delete p[11];
}

void PaneleCzasu::PolozEtykieteLata() {
  p[11]->move(x() + width() - p[11]->width(), y() + height() + 2);
}
