#pragma once
// "Serwery…": the list of archive servers, edited by the user: add, change and remove
// entries written as "host", "host:port" or "[v6]:port" (read by the one address reader;
// a refusal is said in the dialog, under the field, and the text stays to be corrected).
// What it returns is every entry in the form it is saved in ("host:port").
// GUI thread only.
#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class DialogSerwerow : public QDialog {
 public:
  DialogSerwerow(const QStringList& adresy, QWidget* rodzic);

  // The entries as the dialog holds them now.
  QStringList Adresy() const;

  // The controls, for tests that drive the dialog.
  QLineEdit* Pole() const { return pole; }
  QListWidget* Lista() const { return lista; }
  QLabel* Blad() const { return blad; }
  QPushButton* PrzyciskDodaj() const { return dodaj; }
  QPushButton* PrzyciskZmien() const { return zmien; }
  QPushButton* PrzyciskUsun() const { return usun; }

 protected:
  // Enter in the field: the entry added, the dialog left open.
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  // The field's text as an entry, or an empty text and the reason shown.
  QString Wpis(int pomijany);
  void Dodaj();
  void Zmien();
  void Usun();
  void Odswiez();

  QListWidget* lista;
  QLineEdit* pole;
  QLabel* blad;
  QPushButton* dodaj;
  QPushButton* zmien;
  QPushButton* usun;
};
