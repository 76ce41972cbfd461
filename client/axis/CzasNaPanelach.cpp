#include "axis/CzasNaPanelach.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include "core/CallTrace.h"
#include "core/RegionalNames.h"

namespace {

const char* const kTag = "kgPanel";

void Pokaz(QLabel* l, const QString& s) {
  if (l != nullptr && l->text() != s) l->setText(s);
}

}  // namespace

CzasNaPanelach::CzasNaPanelach(const std::array<QLabel*, kPanele>& panele) : p(panele) {
  KG_TRACE("CzasNaPanelach::CzasNaPanelach(const std::array<QLabel*, kPanele>& panele)");
  QFont cyfry("Courier New");
  cyfry.setPixelSize(16);
  cyfry.setBold(true);
  for (int k = 0; k < kPanele - 1; ++k) {
    QLabel* l = p[static_cast<size_t>(k)];
    if (l == nullptr) continue;
    l->setProperty(kTag, k);
    l->setFont(cyfry);
    QPalette paleta = l->palette();
    paleta.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(paleta);
    l->installEventFilter(this);
  }
}

CzasNaPanelach::~CzasNaPanelach() {
  for (int k = 0; k < kPanele - 1; ++k) {
    if (p[static_cast<size_t>(k)] != nullptr) p[static_cast<size_t>(k)]->removeEventFilter(this);
  }
}

Roznica CzasNaPanelach::Krok(int k) {
  static const Roznica kroki[kPanele - 1] = {
      Roznica::Dzien * 10,  Roznica::Dzien,   Roznica::Dzien * 30,  Roznica::Dzien * 365,
      Roznica::Godzina * 10, Roznica::Godzina, Roznica::Minuta * 10, Roznica::Minuta,
      Roznica::Sekunda * 10, Roznica::Sekunda, Roznica::Milisekunda * 100};
  return kroki[k];
}

Czas CzasNaPanelach::Get() { return czas; }

void CzasNaPanelach::Set(Czas cz) {
  KG_TRACE("CzasNaPanelach::Set(Czas cz)");
  if (cz < Czas((Roznica::Dzien * 365).Wartosc())) return;
  czas = cz;
  const CzasLokalny l = cz.Lokalny();
  const auto cyfra = [](int v) { return QString(QChar(static_cast<char16_t>(u'0' + v % 10))); };
  Pokaz(p[0], cyfra(l.wDay / 10));
  Pokaz(p[1], cyfra(l.wDay));
  Pokaz(p[2], QString::fromStdString(RegionalNames::Biezace().MiesiacSamodzielny(l.wMonth)));
  Pokaz(p[3], QString::number(l.wYear));
  Pokaz(p[4], cyfra(l.wHour / 10));
  Pokaz(p[5], cyfra(l.wHour));
  Pokaz(p[6], cyfra(l.wMinute / 10));
  Pokaz(p[7], cyfra(l.wMinute));
  Pokaz(p[8], cyfra(l.wSecond / 10));
  Pokaz(p[9], cyfra(l.wSecond));
  Pokaz(p[10], cyfra(l.wMilliseconds / 100));
  Pokaz(p[11], l.letni ? QStringLiteral("Czas letni") : QStringLiteral("Czas zimowy"));
}

void CzasNaPanelach::MouseDown(int k, bool lewy) {
  KG_TRACE("CzasNaPanelach::MouseDown(int k,bool lewy)");
  if (k < 0 || k >= kPanele - 1) return;
  const Roznica krok = Krok(k);
  Set(lewy ? Get() + krok : Get() - krok);
  Zmieniony();
}

bool CzasNaPanelach::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
    const QVariant tag = o->property(kTag);
    if (tag.isValid()) {
      MouseDown(tag.toInt(), static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton);
      return true;
    }
  }
  return QObject::eventFilter(o, e);
}
