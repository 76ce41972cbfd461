#include "ui/DialogSerwerow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "transport/ServerAddress.h"

DialogSerwerow::DialogSerwerow(const QStringList& adresy, QWidget* rodzic) : QDialog(rodzic) {
  setWindowTitle("Serwery");
  auto* l = new QVBoxLayout(this);
  auto* opis = new QLabel(QString::fromUtf8("Serwery archiwum, z których program pobiera listy stacji:"), this);
  l->addWidget(opis);
  lista = new QListWidget(this);
  lista->addItems(adresy);
  l->addWidget(lista);
  pole = new QLineEdit(this);
  pole->setPlaceholderText("host, host:port albo [IPv6]:port (port 12540, gdy go nie podano)");
  l->addWidget(pole);
  blad = new QLabel(this);
  blad->setTextFormat(Qt::PlainText);
  QPalette p = blad->palette();
  p.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
  blad->setPalette(p);
  blad->setWordWrap(true);
  l->addWidget(blad);
  auto* rzad = new QHBoxLayout;
  dodaj = new QPushButton("Dodaj", this);
  zmien = new QPushButton(QString::fromUtf8("Zmień"), this);
  usun = new QPushButton(QString::fromUtf8("Usuń"), this);
  rzad->addWidget(dodaj);
  rzad->addWidget(zmien);
  rzad->addWidget(usun);
  rzad->addStretch();
  l->addLayout(rzad);
  auto* przyciski = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
  l->addWidget(przyciski);

  connect(dodaj, &QPushButton::clicked, this, [this] { Dodaj(); });
  connect(zmien, &QPushButton::clicked, this, [this] { Zmien(); });
  connect(usun, &QPushButton::clicked, this, [this] { Usun(); });
  // Enter in the field adds the entry (or says why not); it never closes the dialog.
  pole->installEventFilter(this);
  connect(lista, &QListWidget::currentRowChanged, this, [this](int r) {
    if (r >= 0) pole->setText(lista->item(r)->text());
    Odswiez();
  });
  connect(pole, &QLineEdit::textChanged, this, [this] { blad->clear(); });
  connect(przyciski, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(przyciski, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QAbstractButton* b : przyciski->buttons()) {
    if (auto* pb = qobject_cast<QPushButton*>(b)) pb->setAutoDefault(false);
  }
  for (QPushButton* b : {dodaj, zmien, usun}) b->setAutoDefault(false);
  resize(460, 320);
  Odswiez();
  // The address is typed at once, as a newcomer expects.
  pole->setFocus();
}

bool DialogSerwerow::eventFilter(QObject* o, QEvent* e) {
  if (o == pole && e->type() == QEvent::KeyPress) {
    const int k = static_cast<QKeyEvent*>(e)->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
      if (!pole->text().trimmed().isEmpty()) Dodaj();
      return true;
    }
  }
  return QDialog::eventFilter(o, e);
}

QStringList DialogSerwerow::Adresy() const {
  QStringList a;
  for (int i = 0; i < lista->count(); ++i) a << lista->item(i)->text();
  return a;
}

QString DialogSerwerow::Wpis(int pomijany) {
  const AddressReading r = ReadServerAddress(pole->text().toStdString());
  if (r.fault != AddressFault::None) {
    blad->setText(QString::fromUtf8("Zły adres serwera: ") + QString::fromStdString(AddressFaultText(r.fault)) + ".");
    return {};
  }
  const QString t = QString::fromStdString(r.address.Text());
  for (int i = 0; i < lista->count(); ++i) {
    if (i != pomijany && lista->item(i)->text() == t) {
      blad->setText(QString::fromUtf8("Serwer ") + t + QString::fromUtf8(" już jest na liście."));
      return {};
    }
  }
  blad->clear();
  return t;
}

void DialogSerwerow::Dodaj() {
  const QString t = Wpis(-1);
  if (t.isEmpty()) return;
  lista->addItem(t);
  lista->setCurrentRow(-1);
  pole->clear();
  Odswiez();
}

void DialogSerwerow::Zmien() {
  const int r = lista->currentRow();
  if (r < 0) return;
  const QString t = Wpis(r);
  if (t.isEmpty()) return;
  lista->item(r)->setText(t);
  Odswiez();
}

void DialogSerwerow::Usun() {
  const int r = lista->currentRow();
  if (r < 0) return;
  delete lista->takeItem(r);
  lista->setCurrentRow(-1);
  pole->clear();
  Odswiez();
}

void DialogSerwerow::Odswiez() {
  const bool wybrany = lista->currentRow() >= 0;
  zmien->setEnabled(wybrany);
  usun->setEnabled(wybrany);
}
