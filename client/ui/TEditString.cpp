#include "ui/TEditString.h"

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
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  // Esc and the close box reject as well (QDialog's own handling).
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TEditString::Zapytaj(String& tekst, const String& tytul) {
  KG_TRACE("TEditString::Zapytaj(String& tekst, const String& tytul)");
  setWindowTitle(QString::fromStdString(tytul));
  Edit1->setText(QString::fromStdString(tekst));
  Edit1->selectAll();
  Edit1->setFocus();
  if (QWidget* w = parentWidget()) {
    const QRect r = w->frameGeometry();
    move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
  }
  if (exec() != QDialog::Accepted) return false;
  tekst = Edit1->text().toStdString();
  return true;
}
