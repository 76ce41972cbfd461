#include "ui/TEditString.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/CallTrace.h"

TEditString::TEditString(QWidget* owner) : QDialog(owner, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
  KG_TRACE("TEditString::TEditString(QWidget* owner)");
  setFixedSize(310, 71);
  setModal(true);
  Edit1 = new QLineEdit(this);
  Edit1->setGeometry(6, 8, 297, 24);
  Button1 = new QPushButton("OK", this);
  Button1->setGeometry(144, 40, 75, 25);
  Button1->setDefault(true);
  Button2 = new QPushButton("Anuluj", this);
  Button2->setGeometry(228, 40, 75, 25);
  Blad = new QLabel(this);
  Blad->setObjectName("blad");
  Blad->setTextFormat(Qt::PlainText);
  Blad->setWordWrap(true);
  QPalette czerwona = Blad->palette();
  czerwona.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
  Blad->setPalette(czerwona);
  Blad->setGeometry(6, 36, 297, 30);
  Blad->hide();
  connect(Edit1, &QLineEdit::textEdited, this, [this] { PokazBlad(QString()); });
  connect(Button1, &QPushButton::clicked, this, [this] {
    const String powod = sprawdzenie ? sprawdzenie(Edit1->text().toStdString()) : String();
    if (powod.empty()) {
      accept();
      return;
    }
    PokazBlad(QString::fromStdString(powod));
    Edit1->setFocus();
  });
  // Esc and the close box reject as well (QDialog's own handling).
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TEditString::PokazBlad(const QString& powod) {
  // The reason goes between the field and the buttons, which move down to make room.
  Blad->setText(powod);
  Blad->setVisible(!powod.isEmpty());
  const int pod = powod.isEmpty() ? 40 : 72;
  Button1->move(Button1->x(), pod);
  Button2->move(Button2->x(), pod);
  setFixedSize(310, pod + 31);
}

bool TEditString::Zapytaj(String& tekst, const String& tytul, const std::function<String(const String&)>& sprawdz) {
  KG_TRACE("TEditString::Zapytaj(String& tekst, const String& tytul, const std::function<String(const String&)>& sprawdz)");
  sprawdzenie = sprawdz;
  PokazBlad(QString());
  setWindowTitle(QString::fromStdString(tytul));
  Edit1->setText(QString::fromStdString(tekst));
  Edit1->selectAll();
  Edit1->setFocus();
  if (QWidget* w = parentWidget()) {
    const QRect r = w->frameGeometry();
    move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
  }
  const bool potwierdzony = exec() == QDialog::Accepted;
  sprawdzenie = nullptr;
  if (!potwierdzony) return false;
  tekst = Edit1->text().toStdString();
  return true;
}
