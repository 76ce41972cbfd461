#pragma once
// The text prompt: a small modal tool window that asks for one line of text under a
// title the caller gives, starting from a text to edit. Created once and reused. OK is
// the default button (Enter confirms); "Anuluj", Esc and the close box cancel. A text the
// caller's check refuses is not confirmed: the reason shows under the field (Blad), and
// the prompt stays open with the text. Window thread only.
#include <QDialog>

#include <functional>

#include "core/String.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TEditString : public QDialog {
 public:
  explicit TEditString(QWidget* owner = nullptr);
  // Shows the prompt modally, centred over its owner, with the caption `tytul` and the
  // text `tekst`. True and the edited text in `tekst` when confirmed; false and `tekst`
  // unchanged otherwise.
  bool Zapytaj(String& tekst, const String& tytul, const std::function<String(const String&)>& sprawdz = {});

  QLineEdit* Edit1;
  QLabel* Blad;  // why the text typed cannot be taken; shown only then
  QPushButton* Button1;  // "OK"
  QPushButton* Button2;  // "Anuluj"

 private:
  void PokazBlad(const QString& powod);
  std::function<String(const String&)> sprawdzenie;  // while asking
};
