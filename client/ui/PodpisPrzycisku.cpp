#include "ui/PodpisPrzycisku.h"

#include <QFontMetrics>
#include <QToolButton>

namespace {

const char* const kPelny = "kgPelnyPodpis";

}  // namespace

QString PelnyPodpis(const QToolButton* b) {
  const QVariant v = b->property(kPelny);
  return v.isValid() ? v.toString() : b->text();
}

void UstawPodpis(QToolButton* b, const QString& pelny) {
  b->setProperty(kPelny, pelny);
  DopasujPodpis(b);
}

void DopasujPodpis(QToolButton* b) {
  const QString pelny = PelnyPodpis(b);
  const bool zIkona = !b->icon().isNull() && b->toolButtonStyle() != Qt::ToolButtonTextOnly;
  // The frame and the margins of the styles in use; the icon and the gap beside it.
  const int miejsce = b->width() - 12 - (zIkona ? b->iconSize().width() + 4 : 0);
  // "&&" shows as one "&": cut the text as shown, then double its "&" again.
  QString widoczny = pelny;
  widoczny.replace("&&", "&");
  const QString skrocony = QFontMetrics(b->font()).elidedText(widoczny, Qt::ElideRight, std::max(0, miejsce));
  if (skrocony == widoczny) {
    b->setText(pelny);
    return;
  }
  QString tekst = skrocony;
  tekst.replace("&", "&&");
  b->setText(tekst);
}
