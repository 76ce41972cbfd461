#include "ui/OknoPomocy.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

struct Wiersz {
  const char* gest;
  const char* co;
};

// One row per key or gesture: what to press, what it does.
constexpr Wiersz kKlawisze[] = {
    {"F4, 0 na klawiaturze numerycznej", "graj"},
    {"kropka na klawiaturze numerycznej", "stop"},
    {"1 / 3 na klawiaturze numerycznej", "5 sekund wstecz / naprzód"},
    {"4 / 6 na klawiaturze numerycznej", "1 minuta wstecz / naprzód"},
    {"7 / 9 na klawiaturze numerycznej", "1 godzina wstecz / naprzód"},
    {"End", "na żywo: od najnowszego nagrania stacji"},
    {"[ / ]", "wolniej / szybciej o 0,25× (od 0,5× do 3×)"},
    {"F5, F6, F7, F8", "ulubione stacje 1-4"},
    {"Ctrl+G", "przejdź do wpisanej chwili"},
    {"Ctrl+Shift+C", "kopiuj link do słuchanej chwili"},
    {"M", "wycisz / przywróć dźwięk"},
    {"Esc", "minimalizuj okno"},
    {"F1", "ta pomoc"},
};

constexpr Wiersz kMysz[] = {
    {"przeciąganie osi czasu", "przewijanie (w prawo: wcześniej)"},
    {"przeciąganie z Ctrl", "przewijanie o całe jednostki skali"},
    {"prawy przycisk na osi", "dodaj do eksportu / usuń z eksportu przedział pod kursorem"},
    {"lewy / prawy przycisk na panelu cyfr", "przewiń naprzód / wstecz o jednostkę panelu"},
    {"prawy przycisk na ulubionej", "przypisz jej stację"},
    {"prawy przycisk na przycisku stacji", "uaktualnij listę stacji"},
    {"prawy przycisk na przycisku wydarzeń", "przełącz: cały program / wybrane wydarzenia"},
    {"dwuklik na liście wydarzeń", "odtwarzaj wydarzenie"},
    {"prawy przycisk na liście wydarzeń", "dodaj wydarzenie do eksportu"},
    {"prawy przycisk na liście eksportu", "usuń przedział z listy"},
    {"prawy przycisk na Oznacz \"Od\" / \"Do\"", "przejdź do znacznika"},
    {"Shift z przyciskiem Lista", "usuwanie zakładek"},
};

QString Tabela(const char* tytul, const Wiersz* w, size_t n) {
  QString t = QString("<h3>%1</h3><table cellspacing=\"2\">").arg(QString::fromUtf8(tytul));
  for (size_t i = 0; i < n; ++i) {
    t += QString("<tr><td><b>%1</b></td><td>&nbsp;&nbsp;%2</td></tr>")
             .arg(QString::fromUtf8(w[i].gest).toHtmlEscaped(), QString::fromUtf8(w[i].co).toHtmlEscaped());
  }
  return t + "</table>";
}

}  // namespace

QString OknoPomocy::Tekst() {
  QString t;
  for (const Wiersz& w : kKlawisze) t += QString::fromUtf8(w.gest) + ": " + QString::fromUtf8(w.co) + "\n";
  for (const Wiersz& w : kMysz) t += QString::fromUtf8(w.gest) + ": " + QString::fromUtf8(w.co) + "\n";
  return t;
}

OknoPomocy::OknoPomocy(QWidget* rodzic) : QDialog(rodzic) {
  setWindowTitle(QString::fromUtf8("KorwendoGra: klawisze i mysz"));
  auto* l = new QVBoxLayout(this);
  auto* tekst = new QLabel(this);
  tekst->setTextFormat(Qt::RichText);
  tekst->setText(Tabela("Klawisze", kKlawisze, std::size(kKlawisze)) + Tabela("Mysz", kMysz, std::size(kMysz)));
  tekst->setTextInteractionFlags(Qt::TextSelectableByMouse);
  l->addWidget(tekst);
  auto* przyciski = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(przyciski, &QDialogButtonBox::rejected, this, &QDialog::close);
  l->addWidget(przyciski);
}
